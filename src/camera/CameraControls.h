#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kor {

class Program;

// The rules of the camera control panel's controls, kept apart from the
// widgets so that every handler is a change of the program's values followed
// by a refresh of the whole panel.

// The exposure range a unit button chooses: the value it starts with and the
// largest value its arrows reach.
struct UnitRange {
    char unit;
    std::int16_t maximum;
    std::int16_t startValue;
};
UnitRange unitRange(char unit);

// The right arrow adds 1 below `maximum`, the left subtracts 1 above 1; each
// step starts from the value typed.
std::int16_t stepExposureValue(std::int16_t typed, int direction, std::int16_t maximum);
// The arrows of "No of Exposures" (1..99) and "Delay between exposures" (0..20).
std::int16_t stepExposureCount(std::int16_t count, int direction);
std::int32_t stepPause(std::int32_t pause, int direction);
// The set-point scroll bar: -40..35; nothing moves while maximum cooling is forced.
std::int16_t stepSetPoint(const Program& program, int direction);

// "Cooling On": cleared when on and the cooler can be controlled without
// forced maximum cooling; set in every other case.
void toggleCoolingOn(Program& program);

// The texts the panel shows.
std::string cameraModeText(const Program& program);
std::string coolingText(const Program& program);
std::string firmwareText(const Program& program);
// "Guider Camera not detected" until the guider camera was started.
std::string autoguiderStatusText(bool guiderStarted, bool autoguiding);

// Chooses an exposure mode 1-4: clears BinnedMode for 1 and sets it for 2-4.
void chooseExposureMode(Program& program, int mode);

// What the temperature monitor needs from the panel it runs in.
class MonitorPanel {
public:
    // The caption of the "Monitor" button.
    virtual void setMonitorCaption(const char* caption) = 0;
    // Refreshes the whole panel, exchanging the cooler command when the camera
    // has a cooler; false when the camera did not answer that exchange.
    virtual bool RefreshPanel() = 0;
    virtual void invalidatePanel() = 0;
    virtual void showWaitCursor(bool on) = 0;

protected:
    ~MonitorPanel() = default;
};

inline constexpr std::uint32_t kMonitorIntervalMs = 500;

// The panel's temperature monitor: "Monitor" starts a loop that every 500 ms
// lets the window messages through and then refreshes the panel, so that the
// sensor temperature is read and shown until the user clicks. The loop runs
// nested inside the panel's own message handling, as the focus loop does: the
// panel's buttons are acted on while it pumps. It ends on a click or key press
// (the event pump's stop request), on a second press of "Monitor", when the
// panel closes or goes away, and when the camera stops answering.
class TemperatureMonitor {
public:
    TemperatureMonitor(Program& program, MonitorPanel& panel);
    ~TemperatureMonitor();
    TemperatureMonitor(const TemperatureMonitor&) = delete;
    TemperatureMonitor& operator=(const TemperatureMonitor&) = delete;

    // "Monitor": runs the loop until it ends; pressed again while the loop
    // pumps, asks it to end at its next turn and returns at once.
    void press();
    // The panel is closing: a running loop ends at its next turn.
    void panelClosed();
    // The loop is running (and no stop has been asked for).
    bool TemperatureMonitoring() const;

private:
    struct Loop;
    Program& m_program;
    // Shared with a running loop, which must outlive this object when the
    // panel is destroyed while the loop pumps its messages.
    std::shared_ptr<Loop> m_loop;
};

inline constexpr const char* kCameraPanelHelpTitle = "KOR_T53K_USB - Control Varn Camera";
extern const char* const kCameraPanelHelpText;

// "Sub-Frame Selection": size codes 2, 3, 4 give ImageWidth and ImageHeight
// divided by the code.
struct SubFrameChoice {
    int code = 2;
    int width = 0, height = 0;
};
SubFrameChoice chooseSubFrame(const Program& program, int code);

} // namespace kor
