#pragma once

#include <cstdint>
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
