#include "processing/AutoProcessingDialog.h"

#include "processing/AutoProcessing.h"
#include "processing/ProcessingWidgetsQt.h"
#include "program/Program.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kor {

namespace {
char flag(bool on)
{
    return on ? 'y' : 'n';
}
} // namespace

TAutoProcessingDialog::TAutoProcessingDialog(Program& program, QWidget* parent)
    : QDialog(parent), noStretch(new QRadioButton("No Auto Stretch", this)),
      weakStretch(new QRadioButton("Apply Weak Stretch", this)),
      strongStretch(new QRadioButton("Apply Strong Stretch", this)),
      userStretch(new QRadioButton("Auto Stretch - User", this)), userPower(new QLineEdit(this)),
      removeBackground(new QCheckBox("Remove Background", this)), highPass(new QCheckBox("High Pass Low Power", this)),
      unsharpMask(new QCheckBox("Unsharp Mask", this)), diameter(new QLineEdit(this)), power(new QLineEdit(this)),
      m_program(program)
{
    setWindowTitle("Auto-Processing Choices");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(noStretch, 0, 0);
    grid->addWidget(weakStretch, 1, 0);
    grid->addWidget(strongStretch, 2, 0);
    grid->addWidget(userStretch, 3, 0);
    grid->addWidget(userPower, 3, 1);
    grid->addWidget(new QLabel("For Planetary images try weak stretch, for nebulae try strong.", this), 4, 0, 1, 4);
    grid->addWidget(removeBackground, 5, 0);
    grid->addWidget(new QLabel("For Astro images remove the background", this), 6, 0, 1, 4);
    grid->addWidget(highPass, 7, 0);
    grid->addWidget(unsharpMask, 8, 0);
    grid->addWidget(new QLabel("dia.", this), 8, 1);
    grid->addWidget(diameter, 8, 2);
    grid->addWidget(new QLabel("power", this), 8, 3);
    grid->addWidget(power, 8, 4);
    grid->addWidget(new QLabel("To crispen images use high pass filter, or an unsharp mask filter.", this), 9, 0, 1, 4);
    layout->addLayout(grid);
    for (QLineEdit* box : {userPower, diameter, power})
        box->setMaximumWidth(50);
    layout->addWidget(addDialogButtons(this, program, "TARNC - Auto Processing",
                                       "To process images as they are taken choose from these options. You can select "
                                       "various non-linear stretches, a high pass or Unsharp mask filter.\n\nFor more "
                                       "control save raw images and apply all image processing later.",
                                       "Save"));

    AutoProcessingChoices& choices = m_program.settings.autoProcessing;
    const auto mode = [this, &choices](AutoStretchMode m) {
        return [this, &choices, m](bool checked) {
            if (checked)
                setAutoStretchMode(choices, m);
        };
    };
    connect(noStretch, &QRadioButton::toggled, this, mode(AutoStretchMode::None));
    connect(weakStretch, &QRadioButton::toggled, this, mode(AutoStretchMode::Weak));
    connect(strongStretch, &QRadioButton::toggled, this, mode(AutoStretchMode::Strong));
    connect(userStretch, &QRadioButton::toggled, this, mode(AutoStretchMode::User));
    connect(removeBackground, &QCheckBox::toggled, this, [&choices](bool on) { choices.removeBackground = flag(on); });
    connect(highPass, &QCheckBox::toggled, this, [&choices](bool on) { choices.highPassLowPower = flag(on); });
    connect(unsharpMask, &QCheckBox::toggled, this, [&choices](bool on) { choices.unsharpMask = flag(on); });
    showChoices();
}

void TAutoProcessingDialog::showChoices()
{
    const AutoProcessingChoices choices = m_program.settings.autoProcessing;
    switch (autoStretchMode(choices)) {
    case AutoStretchMode::None: noStretch->setChecked(true); break;
    case AutoStretchMode::Weak: weakStretch->setChecked(true); break;
    case AutoStretchMode::Strong: strongStretch->setChecked(true); break;
    case AutoStretchMode::User: userStretch->setChecked(true); break;
    }
    removeBackground->setChecked(isSet(choices.removeBackground));
    highPass->setChecked(isSet(choices.highPassLowPower));
    unsharpMask->setChecked(isSet(choices.unsharpMask));
    userPower->setText(QString::number(choices.userStretchPower));
    diameter->setText(QString::number(choices.unsharpDiameter));
    power->setText(QString::number(choices.unsharpPower));
}

void TAutoProcessingDialog::accept()
{
    bool ok1 = false, ok2 = false, ok3 = false;
    const int u = userPower->text().trimmed().toInt(&ok1);
    const int d = diameter->text().trimmed().toInt(&ok2);
    const int p = power->text().trimmed().toInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || !validAutoProcessingNumbers(u, d, p)) {
        m_program.messages.beep();
        return;
    }
    AutoProcessingChoices& choices = m_program.settings.autoProcessing;
    choices.userStretchPower = std::int16_t(u);
    choices.unsharpDiameter = std::int16_t(d);
    choices.unsharpPower = std::int16_t(p);
    QDialog::accept();
}

} // namespace kor
