#include "settings/ProgramDefaultsDialog.h"

#include "camera/FilterWheel.h"
#include "messages/Messages.h"
#include "program/Program.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace kor {

namespace {

constexpr int kMaxHysteresis = 20;
constexpr int kMaxBacklash = 30;
constexpr int kFilterNameLength = 8;
constexpr int kDefaultFilterCount = 7;
// The set point forced maximum cooling starts from: the lowest the panel offers
// (the camera's 16-bit set-point value 65496).
constexpr std::int16_t kMaxCoolingSetPoint = -40;

// A radio group whose buttons stand for `values`; choosing one calls `pick`.
template <typename T>
QGroupBox* radioGroup(QWidget* parent, const QString& title, const std::vector<std::pair<const char*, T>>& choices,
                      T current, std::function<void(T)> pick, int columns = 1)
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QGridLayout(box);
    auto* group = new QButtonGroup(box);
    int index = 0;
    for (const auto& [text, value] : choices) {
        auto* button = new QRadioButton(QString::fromLatin1(text), box);
        button->setChecked(value == current);
        group->addButton(button);
        layout->addWidget(button, index / columns, index % columns);
        ++index;
        const T v = value;
        QObject::connect(button, &QRadioButton::toggled, box, [pick, v](bool on) {
            if (on)
                pick(v);
        });
    }
    return box;
}

// A check box over a settings flag held as its letter: 'y'/'n', or '1'/'0' for the digit flags.
QCheckBox* flagBox(QWidget* parent, const char* text, char& flag, bool digits = false,
                   std::function<void(bool)> also = {})
{
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setChecked(isSet(flag));
    QObject::connect(box, &QCheckBox::toggled, parent, [&flag, digits, also, box](bool on) {
        flag = on ? (digits ? '1' : 'y') : (digits ? '0' : 'n');
        if (also)
            also(on);
        box->setChecked(isSet(flag));
    });
    return box;
}

QCheckBox* plainBox(QWidget* parent, const char* text, bool checked, std::function<void(bool)> set)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setChecked(checked);
    QObject::connect(box, &QCheckBox::toggled, parent, std::move(set));
    return box;
}

QSpinBox* spin(QWidget* parent, int min, int max, int value)
{
    auto* box = new QSpinBox(parent);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

} // namespace

TProgramDefaultsDialog::TProgramDefaultsDialog(Program& program, QWidget* parent) : QDialog(parent), m_program(program)
{
    openUsbFilterWheel = [&program] { return program.wheel.WheelPresent || FindWheel(program); };
    setWindowTitle(QStringLiteral("Set Program Defaults"));
    setModal(true);
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildLeftColumn(), 0, Qt::AlignTop);
    columns->addWidget(buildMiddleColumn(), 0, Qt::AlignTop);
    columns->addWidget(buildThirdColumn(), 0, Qt::AlignTop);
    columns->addWidget(buildRightColumn(), 0, Qt::AlignTop);

    auto* save = new QPushButton(QStringLiteral("Save Changes"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &TProgramDefaultsDialog::saveChanges);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
}

QWidget* TProgramDefaultsDialog::buildLeftColumn()
{
    Settings& s = m_program.settings;
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    layout->addWidget(radioGroup<std::int16_t>(
        column, QStringLiteral("Radius of Guide Star Mask"),
        {{"7 Pixels", 7}, {"8 Pixels", 8}, {"9 Pixels", 9}, {"11 Pixels", 11}, {"13 Pixels", 13}, {"15 Pixels", 15}},
        s.guideStarMaskRadius, [&s](std::int16_t v) { s.guideStarMaskRadius = v; }, 3));
    // The window repaints with the new colour; the brush is taken from the settings at every paint.
    layout->addWidget(radioGroup<char>(
        column, QStringLiteral("Window Background"), {{"Lt Gray", 'l'}, {"Red", 'r'}, {"Gray", 'g'}},
        s.windowBackground,
        [this, &s](char v) {
            s.windowBackground = v;
            if (parentWidget())
                parentWidget()->update();
        },
        3));

    auto* autosave = new QGroupBox(QStringLiteral("AutoSave Directory"), column);
    auto* grid = new QGridLayout(autosave);
    m_autosaveDir = new QLineEdit(QString::fromStdString(s.AutosaveDir), autosave);
    m_autosaveDir->setPlaceholderText(QString::fromStdString(m_program.paths.root().string()));
    m_autosaveDir->setMaxLength(99);
    auto* setDir = new QPushButton(QStringLiteral("Set AutoSave Dir"), autosave);
    connect(setDir, &QPushButton::clicked, this, [this] { setAutosaveDir(); });
    m_lastNumber = new QLineEdit(QString::number(s.AutosaveCounter), autosave);
    m_lastNumber->setReadOnly(true);
    m_lastNumber->setMaximumWidth(60);
    grid->addWidget(m_autosaveDir, 0, 0, 1, 3);
    grid->addWidget(setDir, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Last Num"), autosave), 1, 1, Qt::AlignRight);
    grid->addWidget(m_lastNumber, 1, 2);
    layout->addWidget(autosave);

    auto* filters = new QGroupBox(QStringLiteral("Filter Wheel Text"), column);
    auto* fgrid = new QGridLayout(filters);
    for (int i = 0; i < kMaxFilters; ++i) {
        m_filterNames[std::size_t(i)] = new QLineEdit(QString::fromStdString(s.filterNames[std::size_t(i)]), filters);
        m_filterNames[std::size_t(i)]->setMaxLength(kFilterNameLength);
        m_filterNames[std::size_t(i)]->setMaximumWidth(90);
        fgrid->addWidget(m_filterNames[std::size_t(i)], i / 2, i % 2);
    }
    m_filterCount = spin(filters, 0, 99, s.filterCount);
    fgrid->addWidget(new QLabel(QStringLiteral("Number of Filtes (max 8)"), filters), 4, 0);
    fgrid->addWidget(m_filterCount, 4, 1);
    auto* setFilters = new QPushButton(QStringLiteral("Set Filter Details"), filters);
    connect(setFilters, &QPushButton::clicked, this, &TProgramDefaultsDialog::setFilterDetails);
    fgrid->addWidget(setFilters, 5, 0, 1, 2);
    layout->addWidget(filters);

    return column;
}

QWidget* TProgramDefaultsDialog::buildThirdColumn()
{
    Settings& s = m_program.settings;
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* motor = new QGroupBox(QStringLiteral("Motor Control"), column);
    auto* mlayout = new QVBoxLayout(motor);
    mlayout->addWidget(flagBox(motor, "Ignore Backlash", s.ignoreBacklash));
    mlayout->addWidget(flagBox(motor, "Turn off North Corrections", s.noNorthCorrections));
    mlayout->addWidget(flagBox(motor, "Turn off South Corrections", s.noSouthCorrections));
    mlayout->addWidget(plainBox(motor, "Double Motor Slew times", m_program.slewTimeFactor == 2,
                                [this](bool on) { m_program.slewTimeFactor = on ? 2 : 1; }));
    mlayout->addWidget(plainBox(motor, "Bypass Camera Brantel Interface ", m_program.bypassCameraInterface,
                                [this](bool on) { m_program.bypassCameraInterface = on; }));
    layout->addWidget(motor);

    auto* drift = new QGroupBox(column);
    auto* dlayout = new QVBoxLayout(drift);
    dlayout->addWidget(flagBox(drift, "Ignore drift < Selected", s.ignoreDriftBelowThreshold, true));
    dlayout->addWidget(radioGroup<std::int16_t>(
        drift, QString(), {{"1.0 pixel", 1000}, {"0.8 pixel", 800}, {"0.5 pixel", 500}, {"0.2 pixel", 200}},
        s.driftThresholdMilliPixels, [&s](std::int16_t v) { s.driftThresholdMilliPixels = v; }, 2));
    layout->addWidget(drift);

    auto* colour = new QGroupBox(QStringLiteral("Colour Conversion Parameters"), column);
    auto* clayout = new QHBoxLayout(colour);
    clayout->addWidget(flagBox(colour, "Pixel Offset", s.colourPixelOffset));
    clayout->addWidget(flagBox(colour, "Line Offset", s.colourLineOffset));
    layout->addWidget(colour);
    layout->addWidget(flagBox(column, "Save in 16bit Tiff format", s.tiff16Bit));
    return column;
}

QWidget* TProgramDefaultsDialog::buildMiddleColumn()
{
    Settings& s = m_program.settings;
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    layout->addWidget(radioGroup<char>(column, QStringLiteral("Telescope Guiding"),
                                       {{"None", 'n'}, {"Meade LX200 (Tm)", 'l'}, {"Autoguider Socket", 'b'}},
                                       s.telescopeType, [&s](char v) { s.telescopeType = v; }));

    auto* training = new QGroupBox(QStringLiteral("Default Guide Training Time"), column);
    auto* tlayout = new QVBoxLayout(training);
    const std::vector<std::pair<const char*, int>> times{{"1 Sec", 1}, {"2 Sec", 2}, {"4 Sec", 4}, {"8 Sec", 8}};
    tlayout->addWidget(radioGroup<int>(
        training, QStringLiteral("Main Camera"), times, m_program.mainTrainSeconds,
        [this](int v) { m_program.mainTrainSeconds = v; }, 4));
    tlayout->addWidget(radioGroup<int>(
        training, QStringLiteral("Autoguider"), times, m_program.guiderTrainSeconds,
        [this](int v) { m_program.guiderTrainSeconds = v; }, 4));
    layout->addWidget(training);

    auto* slew = new QGroupBox(column);
    auto* sgrid = new QGridLayout(slew);
    sgrid->addWidget(new QLabel(QStringLiteral("Main"), slew), 0, 1);
    sgrid->addWidget(new QLabel(QStringLiteral("Autoguider"), slew), 0, 2);
    const char* rows[6] = {"RA pixels per sec", "Dec pixels per sec",      "RA Backlash",
                           "Dec Backlash",      "Hysteresis in RA (0-10)", "Hysteresis in Dec (0-20)"};
    const std::array<std::array<int, 2>, 6> values{{{s.raPixelsPerSecond, s.guiderRaPixelsPerSecond},
                                                    {s.decPixelsPerSecond, s.guiderDecPixelsPerSecond},
                                                    {s.raBacklash, s.guiderRaBacklash},
                                                    {s.decBacklash, s.guiderDecBacklash},
                                                    {s.raHysteresis, s.guiderRaHysteresis},
                                                    {s.decHysteresis, s.guiderDecHysteresis}}};
    for (int r = 0; r < 6; ++r) {
        sgrid->addWidget(new QLabel(QString::fromLatin1(rows[r]), slew), r + 1, 0);
        const int max = r < 2 ? 49 : r < 4 ? kMaxBacklash : 99;
        for (int c = 0; c < 2; ++c) {
            m_slew[std::size_t(r)][std::size_t(c)] = spin(slew, 0, max, values[std::size_t(r)][std::size_t(c)]);
            sgrid->addWidget(m_slew[std::size_t(r)][std::size_t(c)], r + 1, c + 1);
        }
    }
    auto* setSlew = new QPushButton(QStringLiteral("Set slew values"), slew);
    connect(setSlew, &QPushButton::clicked, this, &TProgramDefaultsDialog::setSlewValues);
    sgrid->addWidget(setSlew, 7, 0, 1, 3);
    layout->addWidget(slew);

    return column;
}

QWidget* TProgramDefaultsDialog::buildRightColumn()
{
    Settings& s = m_program.settings;
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* misc = new QGroupBox(QStringLiteral("Miscellaneous"), column);
    auto* mlayout = new QVBoxLayout(misc);
    mlayout->addWidget(flagBox(misc, "1 sec delay when focussing", s.focusDelayOneSecond, true));
    mlayout->addWidget(flagBox(misc, "Disable Interrupts", s.disableInterruptsDuringDownload, true));
    mlayout->addWidget(new QLabel(QStringLiteral("during Download"), misc));
    mlayout->addWidget(flagBox(misc, "Show Interface Details", s.showInterfaceDetails));
    mlayout->addWidget(flagBox(misc, "Force Maximum Cooling", s.forceMaximumCooling, false, [this](bool on) {
        if (on)
            m_program.camera.CoolerSetPoint = kMaxCoolingSetPoint;
    }));
    layout->addWidget(misc);

    auto* com = new QGroupBox(QStringLiteral("Com Port Usage"), column);
    auto* clayout = new QVBoxLayout(com);
    clayout->addWidget(radioGroup<char>(
        com, QStringLiteral("Com Port for telescope"), {{"Com1", '1'}, {"Com2", '2'}}, s.telescopeComPort,
        [&s](char v) { s.telescopeComPort = v; }, 2));
    clayout->addWidget(flagBox(com, "Filter Wheel", s.serialFilterWheel));
    clayout->addWidget(flagBox(com, "Use USB Filterwheel ", s.useUsbFilterWheel, false, [this, &s](bool on) {
        if (on && openUsbFilterWheel && !openUsbFilterWheel())
            s.useUsbFilterWheel = 'n';
        // Switched off, the wheel is addressed on the serial port from now on.
        if (!on)
            m_program.wheel.WheelPresent = false;
    }));
    layout->addWidget(com);

    auto* drive = new QGroupBox(QStringLiteral("Telescope Drive Direction"), column);
    auto* dlayout = new QVBoxLayout(drive);
    // Each box swaps the two letters of its pair.
    dlayout->addWidget(plainBox(drive, "Swap n/s direction", s.driveDirections[0] == 's',
                                [&s](bool) { std::swap(s.driveDirections[0], s.driveDirections[1]); }));
    dlayout->addWidget(plainBox(drive, "Swap e/w direction", s.driveDirections[2] == 'w',
                                [&s](bool) { std::swap(s.driveDirections[2], s.driveDirections[3]); }));
    layout->addWidget(drive);

    auto* ao = new QGroupBox(QStringLiteral("AO Unit"), column);
    auto* alayout = new QGridLayout(ao);
    alayout->addWidget(flagBox(ao, "AO Unit Available", s.aoUnitAvailable, false,
                               [&s](bool on) {
                                   if (on)
                                       s.guideDrive = 'A';
                               }),
                       0, 0, 1, 2);
    auto* pcPort = spin(ao, 0, 99, s.aoPcComPort);
    connect(pcPort, &QSpinBox::valueChanged, this, [&s](int v) { s.aoPcComPort = std::int16_t(v); });
    alayout->addWidget(new QLabel(QStringLiteral("PC Com Port"), ao), 1, 0);
    alayout->addWidget(pcPort, 1, 1);
    alayout->addWidget(flagBox(ao, "Select half rate", s.aoHalfRate), 2, 0, 1, 2);
    layout->addWidget(ao);

    auto* vidpid = new QGroupBox(QStringLiteral("Camers VID/PID Detection"), column);
    auto* vlayout = new QVBoxLayout(vidpid);
    vlayout->addWidget(flagBox(vidpid, "Ignore Camera VID/PID", s.ignoreCameraVidPid));
    layout->addWidget(vidpid);

    auto* unsignedFits = flagBox(column, "Unsigned Int FITs Format", s.unsignedIntFits);
    unsignedFits->setEnabled(false);
    layout->addWidget(unsignedFits);
    return column;
}

bool TProgramDefaultsDialog::setAutosaveDir()
{
    const std::string text = m_autosaveDir->text().trimmed().toStdString();
    if (!text.empty()) {
        // The directory must exist or be creatable; a plain file or an unreachable path is refused.
        std::error_code ec;
        const std::filesystem::path dir(text);
        std::filesystem::create_directories(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) {
            ShowMessage(m_program.messages, kMsgInvalidDirectory);
            m_autosaveDir->setText(QString::fromStdString(m_program.settings.AutosaveDir));
            return false;
        }
    }
    m_program.settings.AutosaveDir = text;
    return true;
}

void TProgramDefaultsDialog::setFilterDetails()
{
    Settings& s = m_program.settings;
    const int count = m_filterCount->value();
    s.filterCount = std::int16_t(count >= 1 && count <= kMaxFilters ? count : kDefaultFilterCount);
    m_filterCount->setValue(s.filterCount);
    for (std::size_t i = 0; i < m_filterNames.size(); ++i)
        s.filterNames[i] = m_filterNames[i]->text().left(kFilterNameLength).toStdString();
}

void TProgramDefaultsDialog::setSlewValues()
{
    Settings& s = m_program.settings;
    const auto v = [this](int row, int col) {
        int value = m_slew[std::size_t(row)][std::size_t(col)]->value();
        if (row >= 4 && value > kMaxHysteresis) {
            value = kMaxHysteresis;
            m_slew[std::size_t(row)][std::size_t(col)]->setValue(value);
        }
        return std::int16_t(value);
    };
    s.raPixelsPerSecond = v(0, 0);
    s.guiderRaPixelsPerSecond = v(0, 1);
    s.decPixelsPerSecond = v(1, 0);
    s.guiderDecPixelsPerSecond = v(1, 1);
    s.raBacklash = v(2, 0);
    s.guiderRaBacklash = v(2, 1);
    s.decBacklash = v(3, 0);
    s.guiderDecBacklash = v(3, 1);
    s.raHysteresis = v(4, 0);
    s.guiderRaHysteresis = v(4, 1);
    s.decHysteresis = v(5, 0);
    s.guiderDecHysteresis = v(5, 1);
}

void TProgramDefaultsDialog::saveChanges()
{
    if (!setAutosaveDir())
        return;
    setFilterDetails();
    setSlewValues();
    accept();
}

} // namespace kor
