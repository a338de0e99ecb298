#pragma once

#include "camera/CameraControls.h"
#include "camera/Exposure.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace kor {

class Program;

// "KOR_T53K Control Interface": the exposure choices, the cooler, the
// firmware, the camera mode and the ways to leave for an exposure. Every
// handler changes the program's values and refreshes the whole panel from them.
class TCameraPanelDialog : public QDialog, private MonitorPanel {
public:
    explicit TCameraPanelDialog(Program& program, QWidget* parent = nullptr);
    ~TCameraPanelDialog() override;

    PanelResult panelResult() const { return m_result; }
    // "Go to Autoguider" was pressed: the guider panel is to be opened.
    bool autoguiderRequested() const { return m_autoguiderRequested; }

    // Refreshes every control from the program's values (and exchanges the
    // cooler command when the camera has a cooler); false when the camera did
    // not answer that exchange.
    bool RefreshPanel() override;
    // Every way of closing the panel ends a running temperature monitor.
    void done(int result) override;

    QPushButton* monitorButton() const { return m_monitor; }
    const TemperatureMonitor& temperatureMonitor() const { return m_temperatureMonitor; }

    QLineEdit* exposureValueField() const { return m_value; }
    QScrollBar* exposureValueBar() const { return m_valueBar; }
    QScrollBar* countBar() const { return m_countBar; }
    QScrollBar* pauseBar() const { return m_pauseBar; }
    QScrollBar* setPointBar() const { return m_setPointBar; }
    QLineEdit* modeText() const { return m_modeText; }
    QLineEdit* wheelPositionField() const { return m_wheelPosition; }

private:
    void chooseUnit(char unit);
    void stepValue(int direction);
    void takePhoto(bool autoguided);
    void setMonitorCaption(const char* caption) override;
    void invalidatePanel() override;
    void showWaitCursor(bool on) override;

    Program& m_program;
    PanelResult m_result = PanelResult::Cancelled;
    bool m_autoguiderRequested = false;
    bool m_keepTypedValue = false;
    std::int16_t m_exposureMax = 300;

    QButtonGroup* m_units;
    QButtonGroup* m_modes;
    QButtonGroup* m_pauseUnits;
    QLineEdit* m_value;
    QScrollBar* m_valueBar;
    QLineEdit* m_count;
    QScrollBar* m_countBar;
    QLineEdit* m_pause;
    QScrollBar* m_pauseBar;
    QCheckBox* m_continuous;
    QCheckBox* m_average;
    QCheckBox* m_alternativeSlew;
    QCheckBox* m_delay;
    QCheckBox* m_autoSave;
    QCheckBox* m_autoDark;
    QCheckBox* m_autoFlat;
    QCheckBox* m_autoProcess;
    QLineEdit* m_lastFile;
    QLineEdit* m_subDir;
    QLineEdit* m_darkName;
    QLineEdit* m_flatName;
    QLineEdit* m_actual;
    QLineEdit* m_setPoint;
    QScrollBar* m_setPointBar;
    QLineEdit* m_coolingText;
    QCheckBox* m_coolingOn;
    QPushButton* m_monitor;
    TemperatureMonitor m_temperatureMonitor{m_program, *this};
    bool m_waitCursorShown = false;
    QLineEdit* m_firmware;
    QLineEdit* m_wheelPosition;
    QLineEdit* m_filterName;
    QLineEdit* m_modeText;
    QLineEdit* m_guiderStatus;
};

// "Sub-Frame Selection": the size of the high-resolution sub-frame.
class TSubFrameDialog : public QDialog {
public:
    TSubFrameDialog(Program& program, int code, QWidget* parent = nullptr);
    // The choice made; its code is 2, 3 or 4.
    SubFrameChoice choice() const { return m_choice; }

private:
    SubFrameChoice m_choice;
};

} // namespace kor
