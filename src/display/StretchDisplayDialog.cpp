#include "display/StretchDisplayDialog.h"

#include "workspace/Workspace.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

namespace kor {

TStretchDisplayDialog::TStretchDisplayDialog(DisplayStretchSettings& stretch, const Workspace& ws,
                                             std::function<void()> toggle, std::function<void()> apply, QWidget* parent)
    : QDialog(parent), m_stretch(stretch), m_ws(ws), m_toggle(std::move(toggle)), m_apply(std::move(apply)),
      m_powerBar(new QScrollBar(Qt::Horizontal, this)), m_powerBox(new QSpinBox(this)),
      m_blackBar(new QScrollBar(Qt::Horizontal, this)), m_blackBox(new QSpinBox(this)),
      m_activate(new QCheckBox(QStringLiteral("Activate"), this))
{
    setWindowTitle(QStringLiteral("Stretch Display"));
    setModal(false);
    m_powerBar->setRange(DisplayStretchSettings::kMinPower, DisplayStretchSettings::kMaxPower);
    m_powerBox->setRange(DisplayStretchSettings::kMinPower, DisplayStretchSettings::kMaxPower);
    m_blackBar->setRange(0, DisplayStretchSettings::kMaxBlack);
    m_blackBox->setRange(0, DisplayStretchSettings::kMaxBlack);
    for (QScrollBar* bar : {m_powerBar, m_blackBar}) {
        bar->setSingleStep(1);
        bar->setMinimumWidth(220);
    }
    m_blackBar->setPageStep(10);
    // Paging the power jumps to its ends.
    connect(m_powerBar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepSub)
            m_powerBar->setSliderPosition(DisplayStretchSettings::kMinPower);
        else if (action == QAbstractSlider::SliderPageStepAdd)
            m_powerBar->setSliderPosition(DisplayStretchSettings::kMaxPower);
    });
    connect(m_powerBar, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_refreshing) {
            m_stretch.power = v;
            changed();
        }
    });
    connect(m_powerBox, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_refreshing) {
            m_stretch.power = v;
            changed();
        }
    });
    connect(m_blackBar, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_refreshing) {
            m_stretch.black = v;
            changed();
        }
    });
    connect(m_blackBox, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_refreshing) {
            m_stretch.black = v;
            changed();
        }
    });
    connect(m_activate, &QCheckBox::clicked, this, [this] {
        m_toggle();
        changed();
    });
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Stretch Display Power "), this), 0, 0);
    layout->addWidget(m_powerBar, 0, 1);
    layout->addWidget(m_powerBox, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Set Black Level"), this), 1, 0);
    layout->addWidget(m_blackBar, 1, 1);
    layout->addWidget(m_blackBox, 1, 2);
    layout->addWidget(m_activate, 2, 0);
    layout->addWidget(close, 2, 2);
    refresh();
}

void TStretchDisplayDialog::refresh()
{
    m_refreshing = true;
    m_powerBar->setValue(int(m_stretch.power));
    m_powerBox->setValue(int(m_stretch.power));
    m_blackBar->setValue(m_stretch.black);
    m_blackBox->setValue(m_stretch.black);
    m_activate->setChecked(m_ws.DisplayStretch);
    m_refreshing = false;
}

void TStretchDisplayDialog::changed()
{
    refresh();
    m_apply();
}

} // namespace kor
