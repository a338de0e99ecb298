#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace kor {

class Program;

// The exposure choices of the camera panel and the state of a running series.
struct ExposureState {
    // 'q' thousandths, 'h' hundredths, 't' tenths, 's' seconds, 'm' minutes.
    char ExposureUnit = 's';
    std::int16_t ExposureValue = 1;
    // "No of Exposures": counts down during a series.
    std::int16_t ExposureCount = 1;
    // ExposureCount when the series started.
    std::int16_t SeriesLength = 1;
    bool ContinuousMode = false;
    bool DelayBeforeExposure = false;
    // "Delay between exposures", 0..20 seconds, or minutes with PauseInMinutes.
    std::int32_t PauseBetween = 0;
    bool PauseInMinutes = false;
    bool AverageExposures = false;
    bool AlternativeSlew = false;
    bool AutoSave = false;
    bool AutoDark = false;
    bool AutoFlat = false;
    bool AutoProcess = false;

    // Run-time state of the engine.
    bool AbortFrame = false;     // the current frame is not read out
    bool ContinuousRun = false;  // ContinuousMode as the series started
    bool SeriesFinished = false; // the last continuous frame was already finished
    double TotalExposureSec = 0.0;
    std::time_t SeriesStartTime = 0;
    bool DarkLoaded = false; // the automatic dark frame is in UndoImage
    bool FlatLoaded = false; // the automatic flat frame is in FlatImage
    // The focus frame origin in image pixels.
    int focusCentreX = 1886, focusCentreY = 1244;
    // "Sub-Frame Selection": size code 2, 3 or 4 and the sub-frame's size in image pixels.
    int SubFrameSize = 2;
    int SubFrameWidth = 1950, SubFrameHeight = 1308;
    // "Autoguide Photo" was chosen: the guiding loop runs during the exposure.
    bool autoguided = false;

    // Steps that other parts of the program contribute to a series. Each is
    // called where the series needs it; while a step is not installed the
    // series goes on without it.
    // Slew-and-sum of a multi-frame series: 0 aligned, 1 guide star lost, 2 no suitable guide star.
    std::function<int(Program&, bool alternative)> slewAndSum;
    // The auto-processing choices run on each new frame.
    std::function<void(Program&)> autoProcess;
    // One guiding step during an autoguided exposure; true asks to end the exposure.
    std::function<bool(Program&)> guidingStep;
    // The calendar time the series reads; the system's time when not set.
    std::function<std::time_t()> calendarNow;
};

// The name a new exposure carries until it is saved.
inline constexpr const char* kCameraImageName = "Varn Camera Image";

// How the camera panel was left.
enum class PanelResult { TakePhoto, AutoguidePhoto, Cancelled };

// The exposure time in ms of a unit and a count of units; 0 for an unknown unit.
std::int32_t exposureMsFor(char unit, int value);
// Progress steps of one exposure: 6 for 5-12 s, 20 for 13 s or more and for minutes, else 2.
int progressStepsFor(char unit, int value);
// Whether the camera can expose in `mode`: modes 1 to 4 are this sensor's.
bool modeCanBeExposed(int mode);
// The caption of the readout of `mode` for a single frame.
const char* readoutNote(int mode);

// "KOR T53K Camera Interface": finds the camera, shows the panel through
// `showPanel` (none: the series starts at once) and runs the series it asks for.
void TakeExposure(Program& program, const std::function<PanelResult(Program&)>& showPanel);

// The checks before the panel: the settings reload, discovery and the firmware
// query. False (after message 50) when there is no camera.
bool PrepareExposure(Program& program);
// The series with the current choices, as after "Take Photo". False when the
// mode cannot be exposed (reported).
bool RunExposureSeries(Program& program);

// Waits while letting events through; a stop request beeps and ends the wait
// with true.
bool WaitSeconds(Program& program, int seconds);
bool WaitTenMs(Program& program, int tens);

enum class CancelPhase { DuringExposure, AfterReadout };
// Lets events through; a stop request ends the series as `phase` asks (the
// frame is not read during the exposure, the series ends after the frame
// otherwise), beeps and returns true.
bool PollCancel(Program& program, CancelPhase phase);

// The focus frame origin at the middle of the sensor.
void ResetFocusCentre(Program& program);

// Writes CurrentImage as the next numbered FITS file stamped with the middle of
// the exposure; message 29 on failure.
bool AutoSaveFrame(Program& program, std::time_t saveTime);

} // namespace kor
