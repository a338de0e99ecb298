#include "camera/CameraPanelDialog.h"

#include "camera/CameraCommands.h"
#include "camera/CameraControls.h"
#include "camera/FilterWheel.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "program/Program.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kor {

namespace {

QLineEdit* readOnlyField(int width = 80)
{
    auto* field = new QLineEdit;
    field->setReadOnly(true);
    field->setMaximumWidth(width);
    return field;
}

QScrollBar* arrows(int minimum, int maximum)
{
    auto* bar = new QScrollBar(Qt::Horizontal);
    bar->setRange(minimum, maximum);
    bar->setMinimumWidth(80);
    return bar;
}

int arrowDirection(int action)
{
    if (action == QAbstractSlider::SliderSingleStepAdd)
        return 1;
    if (action == QAbstractSlider::SliderSingleStepSub)
        return -1;
    return 0;
}

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

void setChecked(QButtonGroup* group, int id)
{
    QAbstractButton* button = group->button(id);
    if (button) {
        button->setChecked(true);
        return;
    }
    // No button of that id: none is shown checked.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

} // namespace

TCameraPanelDialog::TCameraPanelDialog(Program& program, QWidget* parent) : QDialog(parent), m_program(program)
{
    setWindowTitle(QStringLiteral("KOR_T53K Control Interface"));
    ExposureState& e = program.exposure;
    m_exposureMax = unitRange(e.ExposureUnit).maximum;

    auto* layout = new QGridLayout(this);

    // Exposure range and value.
    auto* rangeBox = new QGroupBox(QStringLiteral("Exposure Range"));
    auto* rangeLayout = new QVBoxLayout(rangeBox);
    m_units = new QButtonGroup(this);
    const std::pair<const char*, char> units[] = {
        {"Thousandths", 'q'}, {"Hundredth's", 'h'}, {"Tenth's", 't'}, {"Seconds", 's'}, {"Minutes", 'm'}};
    for (const auto& [caption, unit] : units) {
        auto* radio = new QRadioButton(QString::fromLatin1(caption));
        m_units->addButton(radio, unit);
        rangeLayout->addWidget(radio);
    }
    connect(m_units, &QButtonGroup::idClicked, this, [this](int id) { chooseUnit(char(id)); });
    rangeLayout->addWidget(new QLabel(QStringLiteral("Exposure Value")));
    m_value = new QLineEdit;
    m_value->setMaximumWidth(80);
    m_valueBar = arrows(0, m_exposureMax);
    rangeLayout->addWidget(m_value);
    rangeLayout->addWidget(m_valueBar);
    connect(m_valueBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (const int direction = arrowDirection(action))
            stepValue(direction);
    });
    layout->addWidget(rangeBox, 0, 0, 2, 1);

    // Series.
    auto* seriesBox = new QGroupBox(QStringLiteral("Exposures"));
    auto* series = new QGridLayout(seriesBox);
    m_count = readOnlyField(50);
    m_countBar = arrows(0, 99);
    series->addWidget(new QLabel(QStringLiteral("No of Exposures")), 0, 0);
    series->addWidget(m_count, 0, 1);
    series->addWidget(m_countBar, 0, 2);
    connect(m_countBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (const int direction = arrowDirection(action)) {
            m_program.exposure.ExposureCount = stepExposureCount(m_program.exposure.ExposureCount, direction);
            RefreshPanel();
        }
    });
    m_pause = readOnlyField(50);
    m_pauseBar = arrows(0, 20);
    series->addWidget(new QLabel(QStringLiteral("Delay between exposures")), 1, 0);
    series->addWidget(m_pause, 1, 1);
    series->addWidget(m_pauseBar, 1, 2);
    connect(m_pauseBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (const int direction = arrowDirection(action)) {
            m_program.exposure.PauseBetween = stepPause(m_program.exposure.PauseBetween, direction);
            RefreshPanel();
        }
    });
    m_pauseUnits = new QButtonGroup(this);
    auto* pauseSeconds = new QRadioButton(QStringLiteral("Seconds"));
    auto* pauseMinutes = new QRadioButton(QStringLiteral("Minutes"));
    m_pauseUnits->addButton(pauseSeconds, 0);
    m_pauseUnits->addButton(pauseMinutes, 1);
    series->addWidget(pauseSeconds, 2, 1);
    series->addWidget(pauseMinutes, 2, 2);
    connect(m_pauseUnits, &QButtonGroup::idClicked, this, [this](int id) {
        m_program.exposure.PauseInMinutes = id == 1;
        RefreshPanel();
    });
    auto toggle = [this](const char* caption, bool ExposureState::*flag) {
        auto* box = new QCheckBox(QString::fromLatin1(caption));
        connect(box, &QCheckBox::clicked, this, [this, flag] {
            m_program.exposure.*flag = !(m_program.exposure.*flag);
            RefreshPanel();
        });
        return box;
    };
    m_continuous = toggle("Continuous Mode", &ExposureState::ContinuousMode);
    m_average = toggle("Average Multiple Exposures", &ExposureState::AverageExposures);
    m_alternativeSlew = toggle("Alternative Slew Method", &ExposureState::AlternativeSlew);
    m_delay = toggle("Delay before exposure", &ExposureState::DelayBeforeExposure);
    series->addWidget(m_continuous, 3, 0);
    series->addWidget(m_average, 4, 0);
    series->addWidget(m_alternativeSlew, 5, 0);
    series->addWidget(m_delay, 6, 0);
    layout->addWidget(seriesBox, 0, 1);

    // Saving and calibration.
    auto* saveBox = new QGroupBox(QStringLiteral("Saving and Calibration"));
    auto* save = new QGridLayout(saveBox);
    m_autoSave = toggle("Auto Save Image", &ExposureState::AutoSave);
    m_lastFile = readOnlyField(70);
    m_subDir = readOnlyField(260);
    save->addWidget(m_autoSave, 0, 0);
    save->addWidget(new QLabel(QStringLiteral("Last file no.")), 0, 1);
    save->addWidget(m_lastFile, 0, 2);
    save->addWidget(new QLabel(QStringLiteral("Sub-Dir")), 1, 0);
    save->addWidget(m_subDir, 1, 1, 1, 2);
    m_autoDark = toggle("Auto-Remove Dark Frame", &ExposureState::AutoDark);
    m_darkName = readOnlyField(260);
    m_autoFlat = toggle("Auto-Apply Flatfield", &ExposureState::AutoFlat);
    m_flatName = readOnlyField(260);
    m_autoProcess = toggle("Apply Auto-Processing", &ExposureState::AutoProcess);
    save->addWidget(m_autoDark, 2, 0);
    save->addWidget(m_darkName, 2, 1, 1, 2);
    save->addWidget(m_autoFlat, 3, 0);
    save->addWidget(m_flatName, 3, 1, 1, 2);
    save->addWidget(m_autoProcess, 4, 0);
    layout->addWidget(saveBox, 1, 1);

    // Exposure mode.
    auto* modeBox = new QGroupBox(QStringLiteral("Exposure Mode"));
    auto* modeLayout = new QVBoxLayout(modeBox);
    m_modes = new QButtonGroup(this);
    const char* modes[] = {"High Resolution (Colour)", "Binned 2x2 (Colour)", "Binned 2x2 (Mono)", "Binned 4x4 (Mono)"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(modes[i]));
        m_modes->addButton(radio, i + 1);
        modeLayout->addWidget(radio);
    }
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) {
        chooseExposureMode(m_program, id);
        RefreshPanel();
    });
    layout->addWidget(modeBox, 2, 0);

    // Cooler.
    auto* coolerBox = new QGroupBox(QStringLiteral("Camera Temperature"));
    auto* cooler = new QGridLayout(coolerBox);
    m_actual = readOnlyField(50);
    m_setPoint = readOnlyField(50);
    m_setPointBar = arrows(-40, 35);
    m_setPointBar->setPageStep(1);
    cooler->addWidget(new QLabel(QStringLiteral("Actual")), 0, 0);
    cooler->addWidget(m_actual, 0, 1);
    cooler->addWidget(new QLabel(QStringLiteral("Set")), 1, 0);
    cooler->addWidget(m_setPoint, 1, 1);
    cooler->addWidget(m_setPointBar, 1, 2);
    connect(m_setPointBar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (isSet(m_program.settings.forceMaximumCooling)) {
            m_setPointBar->setSliderPosition(m_program.camera.CoolerSetPoint);
            return;
        }
        CameraLink& camera = m_program.camera;
        switch (action) {
        case QAbstractSlider::SliderPageStepSub: camera.CoolerSetPoint = -40; break;
        case QAbstractSlider::SliderPageStepAdd: camera.CoolerSetPoint = 35; break;
        case QAbstractSlider::SliderMove: camera.CoolerSetPoint = std::int16_t(m_setPointBar->sliderPosition()); break;
        default: camera.CoolerSetPoint = stepSetPoint(m_program, arrowDirection(action)); break;
        }
        m_setPointBar->setSliderPosition(camera.CoolerSetPoint);
        RefreshPanel();
    });
    m_coolingText = readOnlyField(140);
    cooler->addWidget(m_coolingText, 2, 0, 1, 3);
    m_monitor = new QPushButton(QStringLiteral("Monitor"));
    // Acted on at the press: the press that stops a running monitor is a stop
    // request of its own, and its release must not start the monitor again.
    connect(m_monitor, &QPushButton::pressed, this, [this] { m_temperatureMonitor.press(); });
    m_coolingOn = new QCheckBox(QStringLiteral("Cooling On"));
    connect(m_coolingOn, &QCheckBox::clicked, this, [this] {
        toggleCoolingOn(m_program);
        RefreshPanel();
    });
    cooler->addWidget(m_monitor, 3, 0);
    cooler->addWidget(m_coolingOn, 3, 1, 1, 2);
    layout->addWidget(coolerBox, 2, 1);

    // Status.
    auto* statusBox = new QGroupBox(QStringLiteral("Camera"));
    auto* status = new QGridLayout(statusBox);
    m_firmware = readOnlyField(60);
    m_modeText = readOnlyField(160);
    m_guiderStatus = readOnlyField(200);
    status->addWidget(new QLabel(QStringLiteral("Camera Firmware Version")), 0, 0);
    status->addWidget(m_firmware, 0, 1);
    status->addWidget(new QLabel(QStringLiteral("Camera Mode")), 1, 0);
    status->addWidget(m_modeText, 1, 1);
    status->addWidget(new QLabel(QStringLiteral("AutoGuider Status")), 2, 0);
    status->addWidget(m_guiderStatus, 2, 1);
    layout->addWidget(statusBox, 3, 0, 1, 2);

    // Filter wheel.
    auto* wheelBox = new QGroupBox(QStringLiteral("Filter Wheel"));
    auto* wheel = new QHBoxLayout(wheelBox);
    m_wheelPosition = readOnlyField(40);
    m_filterName = readOnlyField(100);
    const std::pair<const char*, void (*)(Program&)> wheelButtons[] = {
        {"First", wheelFirst}, {"Next", wheelNext}, {"Prev", wheelPrev}};
    for (const auto& [caption, step] : wheelButtons) {
        auto* button = new QPushButton(QString::fromLatin1(caption));
        connect(button, &QPushButton::clicked, this, [this, step = step] {
            step(m_program);
            RefreshPanel();
        });
        wheel->addWidget(button);
    }
    wheel->addWidget(m_wheelPosition);
    wheel->addWidget(m_filterName);
    layout->addWidget(wheelBox, 4, 0, 1, 2);

    // Closing buttons.
    auto* buttons = new QHBoxLayout;
    auto* take = new QPushButton(QStringLiteral("Take Photo"));
    take->setDefault(true);
    auto* autoguide = new QPushButton(QStringLiteral("Autoguide Photo"));
    auto* goGuider = new QPushButton(QStringLiteral("Go to Autoguider"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* help = new QPushButton(QStringLiteral("Help"));
    for (QPushButton* b : {take, autoguide, goGuider, cancel, help})
        buttons->addWidget(b);
    layout->addLayout(buttons, 5, 0, 1, 2);
    connect(take, &QPushButton::clicked, this, [this] { takePhoto(false); });
    // The guider camera is not ready for guided exposures until it has been started.
    connect(autoguide, &QPushButton::clicked, this, [this] { takePhoto(false); });
    connect(goGuider, &QPushButton::clicked, this, [this] {
        if (m_program.settings.telescopeType == 'n') {
            ShowMessage(m_program.messages, kMsgOwnText,
                        "Please select a telescope drive method before using autoguider");
            return;
        }
        m_autoguiderRequested = true;
        m_result = PanelResult::Cancelled;
        reject();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_result = PanelResult::Cancelled;
        reject();
    });
    connect(help, &QPushButton::clicked, this,
            [this] { ShowFreeText(m_program.messages, kCameraPanelHelpTitle, kCameraPanelHelpText); });

    // Opening: the value and set point as the program holds them.
    m_valueBar->setRange(0, m_exposureMax);
    m_valueBar->setValue(e.ExposureValue);
    m_value->setText(QString::number(e.ExposureValue));
    m_keepTypedValue = true;
    RefreshPanel();
}

TCameraPanelDialog::~TCameraPanelDialog()
{
    showWaitCursor(false);
}

bool TCameraPanelDialog::RefreshPanel()
{
    Program& p = m_program;
    ExposureState& e = p.exposure;
    CameraLink& camera = p.camera;
    const QSignalBlocker blockValue(m_valueBar), blockCount(m_countBar), blockPause(m_pauseBar),
        blockSetPoint(m_setPointBar);

    bool answered = true;
    if (camera.CoolerAvailable && camera.CameraPresent) {
        answered = CoolerExchange(p);
        m_actual->setText(QString::asprintf("%2d", camera.SensorTemperature));
        m_setPoint->setText(QString::asprintf("%2d", camera.CoolerSetPoint));
        m_setPointBar->setRange(-40, 35);
        m_setPointBar->setValue(camera.CoolerSetPoint);
    }
    m_coolingOn->setChecked(camera.CoolingOn);
    m_coolingText->setText(text(coolingText(p)));
    m_modeText->setText(text(cameraModeText(p)));
    m_guiderStatus->setText(text(autoguiderStatusText(false, false)));

    if (!m_keepTypedValue) {
        bool ok = false;
        const int typed = m_value->text().trimmed().toInt(&ok);
        if (ok && typed > 0 && typed <= 32767)
            e.ExposureValue = std::int16_t(typed);
    }
    m_keepTypedValue = false;
    m_valueBar->setRange(0, m_exposureMax);
    m_valueBar->setValue(e.ExposureValue);
    m_value->setText(QString::number(e.ExposureValue));
    m_countBar->setRange(0, 99);
    m_countBar->setValue(e.ExposureCount);
    m_count->setText(QString::number(e.ExposureCount));
    m_pauseBar->setRange(0, 20);
    m_pauseBar->setValue(e.PauseBetween);
    m_pause->setText(QString::number(e.PauseBetween));

    setChecked(m_units, e.ExposureUnit);
    setChecked(m_modes, p.workspace.ExposureMode);
    setChecked(m_pauseUnits, e.PauseInMinutes ? 1 : 0);
    m_continuous->setChecked(e.ContinuousMode);
    m_average->setChecked(e.AverageExposures);
    m_alternativeSlew->setChecked(e.AlternativeSlew);
    m_delay->setChecked(e.DelayBeforeExposure);
    m_autoSave->setChecked(e.AutoSave);
    m_autoDark->setChecked(e.AutoDark);
    m_autoFlat->setChecked(e.AutoFlat);
    m_autoProcess->setChecked(e.AutoProcess);
    m_lastFile->setText(QString::number(autosaveCount(p)));
    m_subDir->setText(QString::fromStdString(autosaveDirectory(p).string()));
    m_darkName->setText(QString::fromStdString(p.files.DarkFramePath));
    m_flatName->setText(QString::fromStdString(p.files.FlatFieldPath));
    m_firmware->setText(text(firmwareText(p)));
    m_wheelPosition->setText(QString::number(p.wheel.WheelPosition));
    m_filterName->setText(text(currentFilterName(p)));
    return answered;
}

void TCameraPanelDialog::done(int result)
{
    m_temperatureMonitor.panelClosed();
    QDialog::done(result);
}

void TCameraPanelDialog::setMonitorCaption(const char* caption)
{
    m_monitor->setText(QString::fromLatin1(caption));
}

void TCameraPanelDialog::invalidatePanel()
{
    update();
}

void TCameraPanelDialog::showWaitCursor(bool on)
{
    if (on == m_waitCursorShown)
        return;
    m_waitCursorShown = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TCameraPanelDialog::chooseUnit(char unit)
{
    const UnitRange range = unitRange(unit);
    m_program.exposure.ExposureUnit = range.unit;
    m_program.exposure.ExposureValue = range.startValue;
    m_exposureMax = range.maximum;
    m_keepTypedValue = true;
    RefreshPanel();
}

void TCameraPanelDialog::stepValue(int direction)
{
    bool ok = false;
    const int typed = m_value->text().trimmed().toInt(&ok);
    const std::int16_t from =
        ok && typed > 0 && typed <= 32767 ? std::int16_t(typed) : m_program.exposure.ExposureValue;
    m_program.exposure.ExposureValue = stepExposureValue(from, direction, m_exposureMax);
    m_valueBar->setSliderPosition(m_program.exposure.ExposureValue);
    m_keepTypedValue = true;
    RefreshPanel();
}

void TCameraPanelDialog::takePhoto(bool autoguided)
{
    bool ok = false;
    const int typed = m_value->text().trimmed().toInt(&ok);
    if (!ok || typed <= 0 || typed > 32767)
        return; // nothing to expose: the panel stays open
    m_program.exposure.ExposureValue = std::int16_t(typed);
    m_result = autoguided ? PanelResult::AutoguidePhoto : PanelResult::TakePhoto;
    accept();
}

TSubFrameDialog::TSubFrameDialog(Program& program, int code, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sub-Frame Selection"));
    m_choice = chooseSubFrame(program, code == 2 || code == 3 ? code : 4);
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    const char* captions[] = {"1/2 Frame (1516x1008)", "1/3 Frame (1011x672)", "1/4 Frame (758x504)"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(captions[i]));
        group->addButton(radio, i + 2);
        layout->addWidget(radio);
    }
    group->button(m_choice.code)->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this,
            [this, &program](int id) { m_choice = chooseSubFrame(program, id); });
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* help = new QPushButton(QStringLiteral("Help"));
    buttons->addWidget(ok);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [&program] {
        ShowFreeText(program.messages, "KOR_T53K_USB - Set Sub-Frame Size",
                     "Select the size of high resolution sub-frame you want");
    });
}

} // namespace kor
