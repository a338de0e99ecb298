#include "camera/CameraControls.h"

#include "program/Program.h"

#include <algorithm>
#include <cstdio>

namespace kor {

const char* const kCameraPanelHelpText =
    "Select exposure range using Radio buttons on left of dialog Window \nSelect anti-smear status using "
    "checkbox\nVary exposure time using scroll arrows,and take exposure by pressing the 'Take Photo' button\n\nThe "
    "Focus mode allows repeated exposures of 0.01 to 10 seconds to be made, and displays the value of the most "
    "saturated pixel. In a starfield, altering the focus until the maximum value is returned will give a good "
    "indication of best focus.\n\nIt is posssible to use an 'slew and sum' mode, which will automatically sum "
    "images together, taking into account small amounts of drift in the telescope drive. To do this simply change "
    "the number of exposures from 1 to any value less than 100.\n\nPress Right Hand mouse button anywhere in "
    "KOR_T53K_USB Window to pematurely terminate an exposure.\n\nThe delay option gives an audible 10 second "
    "countdown to the exposure start\n\nIf multiple is used to control Continuous mode Slew&Sum is disabled";

UnitRange unitRange(char unit)
{
    switch (unit) {
    case 'q': return {'q', 500, 5};
    case 'h': return {'h', 500, 5};
    case 't': return {'t', 100, 5};
    case 'm': return {'m', 90, 1};
    default: return {'s', 300, 1};
    }
}

std::int16_t stepExposureValue(std::int16_t typed, int direction, std::int16_t maximum)
{
    if (direction > 0 && typed < maximum)
        return std::int16_t(typed + 1);
    if (direction < 0 && typed > 1)
        return std::int16_t(typed - 1);
    return typed;
}

std::int16_t stepExposureCount(std::int16_t count, int direction)
{
    return std::int16_t(std::clamp(count + direction, 1, 99));
}

std::int32_t stepPause(std::int32_t pause, int direction)
{
    return std::clamp(pause + direction, 0, 20);
}

std::int16_t stepSetPoint(const Program& program, int direction)
{
    const std::int16_t now = program.camera.CoolerSetPoint;
    if (isSet(program.settings.forceMaximumCooling))
        return now;
    return std::int16_t(std::clamp(now + direction, -40, 35));
}

void toggleCoolingOn(Program& program)
{
    CameraLink& camera = program.camera;
    camera.CoolingOn = !(camera.CoolerAvailable && camera.CoolingOn && !isSet(program.settings.forceMaximumCooling));
}

std::string cameraModeText(const Program& program)
{
    const ExposureState& e = program.exposure;
    if (e.ContinuousMode)
        return e.ExposureCount == 1 ? "Continuous Imaging" : "Series Imaging";
    return e.ExposureCount == 1 ? "Single Image" : "Auto Merging";
}

std::string coolingText(const Program& program)
{
    return isSet(program.settings.forceMaximumCooling) ? "Max Cooling Set" : "Adjust Cooling";
}

std::string firmwareText(const Program& program)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", program.camera.FirmwareMajor, program.camera.FirmwareMinor);
    return text;
}

std::string autoguiderStatusText(bool guiderStarted, bool autoguiding)
{
    if (!guiderStarted)
        return "Guider Camera not detected";
    return autoguiding ? "Already Autoguiding" : "Guider Camera available";
}

void chooseExposureMode(Program& program, int mode)
{
    program.workspace.ExposureMode = std::int16_t(mode);
    program.workspace.BinnedMode = mode != 1;
}

struct TemperatureMonitor::Loop {
    MonitorPanel* panel; // null once the panel is gone
    bool running = false;
    bool stopAsked = false;
};

TemperatureMonitor::TemperatureMonitor(Program& program, MonitorPanel& panel)
    : m_program(program), m_loop(std::make_shared<Loop>(Loop{&panel}))
{
}

TemperatureMonitor::~TemperatureMonitor()
{
    m_loop->panel = nullptr;
    m_loop->stopAsked = true;
}

bool TemperatureMonitor::TemperatureMonitoring() const
{
    return m_loop->running && !m_loop->stopAsked;
}

void TemperatureMonitor::panelClosed()
{
    m_loop->stopAsked = true;
}

void TemperatureMonitor::press()
{
    // The loop's own reference: the panel (and this object) may be destroyed
    // while it pumps, after which the loop touches neither.
    const std::shared_ptr<Loop> loop = m_loop;
    if (loop->running) {
        loop->stopAsked = true;
        return;
    }
    if (!loop->panel)
        return;
    Program& program = m_program;
    loop->running = true;
    loop->stopAsked = false;
    loop->panel->setMonitorCaption("Monitoring");
    for (;;) {
        program.clock.sleepMs(kMonitorIntervalMs);
        const bool clicked = program.events.drain();
        if (!loop->panel)
            return; // the panel went away while its messages were pumped
        if (clicked || loop->stopAsked || !program.camera.CameraPresent)
            break;
        loop->panel->showWaitCursor(true);
        const bool answered = loop->panel->RefreshPanel();
        if (!loop->panel)
            return; // a failure box pumps messages too
        loop->panel->showWaitCursor(false);
        loop->panel->invalidatePanel();
        if (!answered)
            break; // the failure has been shown once; a box every half second helps nobody
    }
    loop->running = false;
    loop->stopAsked = false;
    loop->panel->setMonitorCaption("Monitor");
}

SubFrameChoice chooseSubFrame(const Program& program, int code)
{
    const Workspace& ws = program.workspace;
    return {code, ws.ImageWidth / code, ws.ImageHeight / code};
}

} // namespace kor
