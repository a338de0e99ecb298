#include "camera/Exposure.h"

#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/FilterWheel.h"
#include "camera/Rearrange.h"
#include "files/FitsFile.h"
#include "messages/Messages.h"
#include "processing/Calibration.h"
#include "program/Program.h"
#include "settings/SettingsFile.h"

#include <algorithm>
#include <string>

namespace kor {

namespace {

// How often the waits let events through.
constexpr std::uint32_t kPollIntervalMs = 10;
constexpr std::uint32_t kKeepAliveLeadMs = 4000;
constexpr std::uint32_t kKeepAliveIntervalMs = 500;
constexpr int kDelaySeconds = 10;
constexpr int kPauseSteps = 16;
constexpr double kPixelSizeMm = 0.0078;

std::time_t calendarNow(Program& program)
{
    const ExposureState& e = program.exposure;
    return e.calendarNow ? e.calendarNow() : std::time(nullptr);
}

std::string leftCaption(const char* what, int count)
{
    return std::string(what) + " (Left - " + std::to_string(count) + ")";
}

// Waits `ms` while letting events through; true when a stop was requested.
bool waitWithEvents(Program& program, std::uint32_t ms)
{
    const std::uint32_t start = program.clock.nowMs();
    while (elapsedMs(start, program.clock.nowMs()) < ms) {
        if (program.events.drain()) {
            program.messages.beep();
            return true;
        }
        program.clock.sleepMs(std::min(kPollIntervalMs, ms - elapsedMs(start, program.clock.nowMs())));
    }
    return false;
}

// Waits without letting events through, as a short unit's exposure does.
void waitTight(Clock& clock, std::uint32_t ms)
{
    const std::uint32_t start = clock.nowMs();
    while (elapsedMs(start, clock.nowMs()) < ms)
        clock.sleepMs(std::min(kPollIntervalMs, ms - elapsedMs(start, clock.nowMs())));
}

// The host-timed exposure: progress steps, the stop request and, in the last
// four seconds of a long one, the keep-alive clears.
void timeExposure(Program& program, std::uint32_t ms, int steps, int& position)
{
    ExposureState& e = program.exposure;
    Clock& clock = program.clock;
    const std::uint32_t start = clock.nowMs();
    const std::uint32_t stepMs = ms / std::uint32_t(steps);
    std::uint32_t nextStep = stepMs;
    std::uint32_t keepAlive = ms > 5000 ? ms - kKeepAliveLeadMs : ms;
    for (std::uint32_t elapsed = 0; elapsed < ms; elapsed = elapsedMs(start, clock.nowMs())) {
        if (e.autoguided && e.guidingStep && e.guidingStep(program))
            break;
        if (elapsed >= nextStep) {
            position += ProgressReporter::kProgressRange / steps;
            program.progress.setPosition(position);
            nextStep += stepMs;
        }
        if (PollCancel(program, CancelPhase::DuringExposure))
            break;
        if (elapsed >= keepAlive) {
            SendFirstClearForm(program);
            keepAlive += kKeepAliveIntervalMs;
        }
        clock.sleepMs(std::min(kPollIntervalMs, ms - elapsed));
    }
}

// The reads of one frame in `mode` and its rearrangement into CurrentImage.
void readOut(Program& program, int mode)
{
    CameraLink& camera = program.camera;
    auto twoFields = [&](bool (*read)(Program&)) {
        camera.ReadField = 1;
        camera.SecondHalf = false;
        read(program);
        program.progress.setPosition(128);
        camera.ReadField = 2;
        camera.SecondHalf = true;
        read(program);
        camera.SecondHalf = false;
        camera.ReadField = 1;
    };
    switch (mode) {
    case 1: twoFields(ReadFullField); break;
    case 2: twoFields(ReadColourBinnedField); break;
    case 3: ReadMonoBinned2(program); break;
    default: ReadMonoBinned4(program); break;
    }
    // Transfer failures were reported; whatever the buffers hold is arranged.
    ArrangeReadout(program, mode);
}

void writeCalibrationHistory(Program& program)
{
    Workspace& ws = program.workspace;
    ws.ClearHistory();
    if (program.exposure.AutoDark)
        ws.AppendHistory("Dark Frame Subtracted");
    if (program.exposure.AutoFlat)
        ws.AppendHistory("Flatfield Applied");
}

void finishFrame(Program& program)
{
    ExposureState& e = program.exposure;
    const std::time_t saveTime = calendarNow(program);
    // A later save of this image (auto or quick) is stamped with its exposure.
    FileState& files = program.files;
    files.exposureStart = e.SeriesStartTime;
    files.exposureEnd = saveTime;
    files.fits.exposureSeconds = e.TotalExposureSec;
    if (!e.AutoProcess)
        writeCalibrationHistory(program);
    program.Redisplay();
    if (e.AutoSave)
        AutoSaveFrame(program, saveTime);
}

// The automatic calibration of a frame just read.
void calibrate(Program& program)
{
    ExposureState& e = program.exposure;
    if (e.AutoDark) {
        const int result = AutoSubtractDark(program, e.DarkLoaded);
        if (result == kCalibrationOpenFailed)
            ShowMessage(program.messages, kMsgDarkOpenFailed);
        else if (result == kCalibrationWrongKind)
            ShowMessage(program.messages, kMsgDarkNotKor);
        else
            e.DarkLoaded = true;
    }
    if (e.AutoFlat) {
        const int result = AutoApplyFlat(program, e.FlatLoaded);
        if (result == kCalibrationOpenFailed)
            ShowMessage(program.messages, kMsgFlatOpenFailed);
        else if (result == kCalibrationWrongKind)
            ShowMessage(program.messages, kMsgFlatNotKor);
        else if (result == kCalibrationNotFlat)
            // A frame without a flat trailer is not used, now or for later frames.
            ShowMessage(program.messages, kMsgOwnText,
                        "Sorry, chosen Flatfield is not a Flat File: the image is left without flat field");
        else
            e.FlatLoaded = true;
    }
}

// The pause of a continuous run between its frames, in 16 steps.
void pauseBetween(Program& program)
{
    ExposureState& e = program.exposure;
    const std::uint32_t total = std::uint32_t(e.PauseBetween) * (e.PauseInMinutes ? 60000u : 1000u);
    program.progress.begin("Pause between exposures");
    const std::uint32_t start = program.clock.nowMs();
    for (int step = 1; step <= kPauseSteps; ++step) {
        const std::uint32_t until = total / kPauseSteps * std::uint32_t(step);
        bool stopped = false;
        while (!stopped && elapsedMs(start, program.clock.nowMs()) < until) {
            stopped = PollCancel(program, CancelPhase::AfterReadout);
            program.clock.sleepMs(kPollIntervalMs);
        }
        program.progress.setPosition(std::min(step * kPauseSteps, ProgressReporter::kProgressRange));
        if (stopped)
            break;
    }
    program.progress.end();
}

void exposeFrame(Program& program, int mode, int steps)
{
    ExposureState& e = program.exposure;
    CameraLink& camera = program.camera;
    const std::int32_t ms = camera.ExposureMs;
    const char unit = e.ExposureUnit;

    if (e.ContinuousRun)
        e.TotalExposureSec = ms * 0.001;
    else
        e.TotalExposureSec += ms * 0.001;
    program.progress.begin(e.ExposureCount > 1 ? leftCaption("EXPOSURE UNDERWAY", e.ExposureCount)
                                               : std::string("EXPOSURE UNDERWAY"));
    int position = 0;
    ClearSensor(program);

    // Guiding of an autoguided exposure starts here, once the guiding loop exists.
    if (unit == 'q' || unit == 'h' || unit == 't' || ms == 1000) {
        // Up to 1000 ms the camera times the exposure within its read.
        if (ms > kLongestCameraTimedExposureMs)
            waitTight(program.clock, std::uint32_t(ms));
    } else {
        timeExposure(program, std::uint32_t(ms), steps, position);
    }

    if (!e.AbortFrame) {
        program.progress.begin(e.ExposureCount < 2 ? std::string("READING Varn CAMERA") + readoutNote(mode)
                                                   : leftCaption("READING Varn CAMERA", e.ExposureCount));
        program.progress.setPosition(position);
        program.progress.setPosition(20);
        readOut(program, mode);
        PollCancel(program, CancelPhase::AfterReadout);
        calibrate(program);
        if (e.SeriesLength > 1 && !e.ContinuousRun && e.slewAndSum) {
            const int result = e.slewAndSum(program, e.AlternativeSlew);
            if (result == 1 || result == 2) {
                e.ExposureCount = 1;
                ShowMessage(program.messages, result == 1 ? kMsgGuideStarLost : kMsgNoSuitableGuideStar);
            }
        }
    }
    program.progress.end();

    --e.ExposureCount;
    // Multiple exposures bound a continuous run.
    if (e.SeriesLength > 1 && e.ContinuousRun && e.ExposureCount <= 0)
        e.ContinuousRun = false;

    if (e.AutoProcess) {
        writeCalibrationHistory(program);
        if (e.autoProcess)
            e.autoProcess(program);
    }
    if (e.ContinuousRun) {
        finishFrame(program);
        e.SeriesFinished = true;
        if (WaitSeconds(program, 2)) {
            e.ExposureCount = 0;
            e.ContinuousRun = false;
        }
        if (e.PauseBetween > 0)
            pauseBetween(program);
    }
    program.Redisplay();
}

} // namespace

std::int32_t exposureMsFor(char unit, int value)
{
    switch (unit) {
    case 'q': return value;
    case 'h': return value * 10;
    case 't': return value * 100;
    case 's': return value * 1000;
    case 'm': return value * 60000;
    default: return 0;
    }
}

int progressStepsFor(char unit, int value)
{
    if ((unit == 's' && value >= 13) || unit == 'm')
        return 20;
    if (unit == 's' && value >= 5)
        return 6;
    return 2;
}

bool modeCanBeExposed(int mode)
{
    return mode >= 1 && mode <= 4;
}

const char* readoutNote(int mode)
{
    switch (mode) {
    case 1:
    case 6:
    case 7: return " - takes 10-12 seconds";
    case 3:
    case 4: return " - takes 3-4 seconds";
    default: return " - takes 8-10 seconds";
    }
}

bool WaitSeconds(Program& program, int seconds)
{
    return waitWithEvents(program, std::uint32_t(std::max(seconds, 0)) * 1000u);
}

bool WaitTenMs(Program& program, int tens)
{
    return waitWithEvents(program, std::uint32_t(std::max(tens, 0)) * 10u);
}

bool PollCancel(Program& program, CancelPhase phase)
{
    if (!program.events.drain())
        return false;
    ExposureState& e = program.exposure;
    if (phase == CancelPhase::DuringExposure) {
        e.AbortFrame = true;
        e.ExposureCount = 1;
    } else {
        e.ExposureCount = 0;
    }
    e.ContinuousRun = false;
    // Main-camera guiding, once it exists, is stopped here as well.
    program.messages.beep();
    ResetFocusCentre(program);
    return true;
}

void ResetFocusCentre(Program& program)
{
    program.exposure.focusCentreX = 1886;
    program.exposure.focusCentreY = 1244;
}

bool AutoSaveFrame(Program& program, std::time_t saveTime)
{
    FileState& files = program.files;
    files.exposureStart = program.exposure.SeriesStartTime;
    files.exposureEnd = saveTime;
    if (QuickSaveFits(program) != FitsWriteResult::Ok) {
        ShowMessage(program.messages, kMsgCreateFileFailed);
        return false;
    }
    return true;
}

bool PrepareExposure(Program& program)
{
    ExposureState& e = program.exposure;
    CameraLink& camera = program.camera;
    e.AbortFrame = false;
    camera.SecondHalf = false;
    if (program.files.DarkFramePath.empty())
        program.files.DarkFramePath = program.paths.defaultDarkFrame().string();
    if (program.files.FlatFieldPath.empty())
        program.files.FlatFieldPath = program.paths.defaultFlatField().string();
    program.files.fits.pixelWidth = kPixelSizeMm;
    program.files.fits.pixelHeight = kPixelSizeMm;
    e.DarkLoaded = false;
    if (!camera.CameraPresent) {
        if (LoadSettings(program.settings, program.paths, program.messages) == SettingsResult::LoadFailed)
            ShowMessage(program.messages, kMsgNoIniFile);
        FindCamera(program);
        if (isSet(program.settings.useUsbFilterWheel) && !program.wheel.WheelPresent)
            FindWheel(program);
        if (!camera.CameraPresent) {
            ShowMessage(program.messages, kMsgOwnText, "Sorry, No camera found on USB");
            return false;
        }
    }
    ReadFirmwareVersion(program);
    e.ExposureCount = 1;
    return true;
}

bool RunExposureSeries(Program& program)
{
    ExposureState& e = program.exposure;
    Workspace& ws = program.workspace;
    const int mode = ws.ExposureMode;
    if (!modeCanBeExposed(mode)) {
        // Modes 5 to 7 come only from loaded images and belong to other sensors.
        ShowMessage(program.messages, kMsgOwnText,
                    "This camera cannot take images in the mode of the loaded image: choose a camera mode "
                    "in the camera control panel first");
        return false;
    }
    program.camera.ExposureMs = exposureMsFor(e.ExposureUnit, e.ExposureValue);
    e.TotalExposureSec = 0;
    program.files.currentFileName = kCameraImageName;

    if (e.DelayBeforeExposure) {
        for (int n = kDelaySeconds; n >= 1; --n) {
            program.progress.begin(leftCaption("EXPOSURE DELAY", n));
            program.progress.setPosition((kDelaySeconds - n) * 25);
            WaitSeconds(program, 1); // an interrupted second only shortens that second
            program.messages.beep();
        }
        program.progress.end();
    }
    WaitTenMs(program, 1);

    ws.BinnedMode = mode != 1;
    ws.ModeDigit = char('0' + mode);
    ws.ColourImage = false;
    ws.SetGeometry();
    e.SeriesLength = e.ExposureCount;
    e.ContinuousRun = e.ContinuousMode;
    const int steps = progressStepsFor(e.ExposureUnit, e.ExposureValue);

    do {
        e.SeriesStartTime = calendarNow(program);
        if (e.ExposureCount < 1)
            e.ExposureCount = 1; // the next series of a continuous run of single frames
        while (e.ExposureCount > 0) {
            e.SeriesFinished = false;
            exposeFrame(program, mode, steps);
        }
        if (!e.AbortFrame && !e.SeriesFinished)
            finishFrame(program);
        // Main-camera guiding takes CurrentImage for its correction here once it exists.
    } while (e.ContinuousRun);

    ResetFocusCentre(program);
    return true;
}

void TakeExposure(Program& program, const std::function<PanelResult(Program&)>& showPanel)
{
    Workspace& ws = program.workspace;
    const bool picking = ws.PickingMode;
    ws.PickingMode = false;
    if (PrepareExposure(program)) {
        const PanelResult result = showPanel ? showPanel(program) : PanelResult::TakePhoto;
        if (result != PanelResult::Cancelled) {
            program.exposure.autoguided = result == PanelResult::AutoguidePhoto;
            RunExposureSeries(program);
            program.exposure.autoguided = false;
        }
    }
    ws.PickingMode = picking;
}

} // namespace kor
