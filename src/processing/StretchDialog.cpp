#include "processing/StretchDialog.h"

#include "processing/ProcessingWidgetsQt.h"
#include "program/Program.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kor {

namespace {
constexpr int kPictureMargin = 10;
constexpr int kMarkerBand = 14;
constexpr int kTickSpacing = 32;
} // namespace

THistogramPicture::THistogramPicture(const Program& program, QWidget* parent) : QWidget(parent), m_program(program)
{
    setObjectName("histogram");
}

void THistogramPicture::setMarkers(int black, int white)
{
    m_black = black;
    m_white = white;
    update();
}

QSize THistogramPicture::sizeHint() const
{
    return {300 + 2 * kPictureMargin, kBarCap + kMarkerBand + 2 * kPictureMargin + 6};
}

void THistogramPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int baseY = kPictureMargin + kBarCap;
    const Workspace& ws = m_program.workspace;
    for (int i = 0; i < 256; ++i) {
        const int height = ws.Histogram256[i] / kCountsPerPixel;
        // Bars that reach the cap are drawn in the second colour.
        painter.setPen(height >= kBarCap ? Qt::red : Qt::black);
        painter.drawLine(kPictureMargin + i, baseY, kPictureMargin + i, baseY - std::min(height, kBarCap));
    }
    painter.setPen(Qt::blue);
    painter.drawLine(kPictureMargin, baseY + 1, kPictureMargin + 300, baseY + 1);
    for (int x = 0; x <= 300; x += kTickSpacing)
        painter.drawLine(kPictureMargin + x, baseY + 1, kPictureMargin + x, baseY + 5);
    const auto marker = [&](int at, const QColor& colour) {
        const int x = kPictureMargin + at;
        const QPoint triangle[3] = {{x, baseY + 6}, {x - 5, baseY + 6 + kMarkerBand}, {x + 5, baseY + 6 + kMarkerBand}};
        painter.setPen(Qt::black);
        painter.setBrush(colour);
        painter.drawPolygon(triangle, 3);
    };
    marker(m_black, Qt::black);
    marker(m_white, Qt::white);
}

TNormalStretchDialog::TNormalStretchDialog(Program& program, QWidget* parent)
    : QDialog(parent), m_black(new ScrollValue("Black", 0, 255, 0, this)),
      m_white(new ScrollValue("White", 1, 300, 255, this)), m_picture(new THistogramPicture(program, this))
{
    setWindowTitle("Normal Stretch");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_picture);
    for (ScrollValue* control : {m_black, m_white}) {
        control->bar()->setPageStep(10);
        layout->addWidget(control);
    }
    auto* setRow = new QHBoxLayout;
    auto* setBlack = new QPushButton("Set Black", this);
    auto* setWhite = new QPushButton("Set White", this);
    setBlack->setAutoDefault(false);
    setWhite->setAutoDefault(false);
    setRow->addWidget(setBlack);
    setRow->addWidget(setWhite);
    layout->addLayout(setRow);
    layout->addWidget(addDialogButtons(
        this, program, "KOR_T53K_USB - Normal Stretch",
        "Use controls to vary intensity from 0 to 255, where the lowest value will be shown as black and the highest "
        "by white. \n\nIf you type values into the black or white boxes you must press the set white or black button "
        "to activate.\n\n It is possible to darken the image overall by increasing the white level to 300."));

    // Black stays below white - 1 and white above black + 1.
    connect(m_black, &ScrollValue::valueChanged, this, [this](int b) {
        if (b > m_white->value() - 2)
            m_black->setValue(m_white->value() - 2);
        m_picture->setMarkers(black(), white());
    });
    connect(m_white, &ScrollValue::valueChanged, this, [this](int w) {
        if (w < m_black->value() + 2)
            m_white->setValue(m_black->value() + 2);
        m_picture->setMarkers(black(), white());
    });
    connect(setBlack, &QPushButton::clicked, this, &TNormalStretchDialog::setBlackFromBox);
    connect(setWhite, &QPushButton::clicked, this, &TNormalStretchDialog::setWhiteFromBox);
}

int TNormalStretchDialog::black() const
{
    return m_black->value();
}

int TNormalStretchDialog::white() const
{
    return m_white->value();
}

void TNormalStretchDialog::setBlackFromBox()
{
    bool ok = false;
    const int b = m_black->box()->text().trimmed().toInt(&ok);
    m_black->setValue(ok ? std::clamp(b, 0, m_white->value() - 2) : m_black->value());
}

void TNormalStretchDialog::setWhiteFromBox()
{
    bool ok = false;
    const int w = m_white->box()->text().trimmed().toInt(&ok);
    m_white->setValue(ok ? std::clamp(w, m_black->value() + 2, 300) : m_white->value());
}

TPowerLawDialog::TPowerLawDialog(Program& program, QWidget* parent)
    : QDialog(parent), m_power(new ScrollValue("Power", 1, 30, 10, this,
                                               [](int tenths) { return QString::asprintf("%1.1f", tenths / 10.0); }))
{
    setWindowTitle("Power Law Stretch");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_power);
    layout->addWidget(addDialogButtons(this, program, "KOR_T53K_USB - Power Law Stretch",
                                       "Use controls to vary power from 0.1 to 3.0, where powers greater than 1 will "
                                       "increase contrast, and powers less than 1 will reduce contrast."));
    m_power->box()->setReadOnly(true);
    // The left arrow stops at 0.2; only the thumb reaches 0.1.
    connect(m_power->bar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderSingleStepSub && m_power->value() <= 2)
            m_power->bar()->setSliderPosition(m_power->value());
    });
}

double TPowerLawDialog::power() const
{
    return m_power->value() / 10.0;
}

TNonLinearDialog::TNonLinearDialog(Program& program, QWidget* parent)
    : QDialog(parent), m_power(new ScrollValue("Non-Linear Power", 2, 50, 25, this))
{
    setWindowTitle("Non-Linear Stretch");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_power);
    auto* note = new QLabel(
        "This stretch works well for images of nebulae. First use the stretch that removes the background. ", this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(addDialogButtons(this, program, "KOR_T53K_USB - NonLiniar Filter",
                                       "Use controls to vary the Power from 2 to 50"));
}

void TNonLinearDialog::accept()
{
    bool ok = false;
    const int typed = m_power->box()->text().trimmed().toInt(&ok);
    if (!ok || typed < 1 || typed > 50) {
        m_power->setValue(25);
        return; // stays open
    }
    m_accepted = typed;
    QDialog::accept();
}

} // namespace kor
