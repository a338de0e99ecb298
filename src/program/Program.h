#pragma once

#include "camera/CameraLink.h"
#include "camera/Exposure.h"
#include "camera/FilterWheel.h"
#include "files/FileState.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Paths.h"
#include "platform/ProgressReporter.h"
#include "messages/MessageSink.h"
#include "settings/Settings.h"
#include "workspace/Workspace.h"

#include <functional>
#include <memory>
#include <string>

namespace kor {

// The seams a Program talks to the outside world through. The GUI passes the
// Qt versions, the CLI and the tests their own.
struct ProgramServices {
    MessageSink& messages;
    Clock& clock;
    EventPump& events;
    ProgressReporter& progress;
};

// Everything the program holds for its whole run: the image workspace, the
// settings, where its files live and the seams it reports through. Subsystems
// take the parts they use by reference; two Programs never share state.
class Program {
public:
    Program(Paths paths, ProgramServices services);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up: load the settings file (writing the defaults when the root
    // directory is new) and fill the workspace with its test patterns. The
    // result is ignored by the window, as at every start.
    int startUp();

    // The one call every image-changing operation makes at its end. The display
    // pipeline installs itself here; until then nothing is shown.
    void Redisplay();
    void setRedisplay(std::function<void()> redisplay) { m_redisplay = std::move(redisplay); }

    // "Undo Last Filter": restores the undo snapshot and redisplays.
    void undoLastFilter();
    // "Undo Last Colour Filter": message 69 on an image that is not colour converted.
    void undoLastColourFilter();

    Paths paths;
    MessageSink& messages;
    Clock& clock;
    EventPump& events;
    ProgressReporter& progress;

    Settings settings;
    // The workspace is large (all planes at full-frame capacity), so it lives on the heap.
    std::unique_ptr<Workspace> workspacePtr = std::make_unique<Workspace>();
    Workspace& workspace = *workspacePtr;

    // The camera: its USB link, command block, readout areas and command values.
    CameraLink camera;
    // The exposure choices of the camera panel and the state of a running series.
    ExposureState exposure;
    // The filter wheel on USB, or on the camera's serial port.
    WheelState wheel;
    // What the file commands remember for the run (calibration frames, replay
    // counter, FITS values, hot pixel map).
    FileState files;

    // Run-time options chosen when the program starts.
    bool useSimulator = false;

    // Values "Set Program Defaults" sets for this run only; they are not in the settings file.
    int mainTrainSeconds = 2;     // guide training time with the main camera: 1, 2, 4 or 8 s
    int guiderTrainSeconds = 2;   // the same with the guider camera
    int slewTimeFactor = 1;       // 2 with "Double Motor Slew times"
    bool bypassCameraInterface = false;

    // The colour-matrix position (1-4) last chosen for "Create Mono Image from
    // Raw"; kept for the run only.
    int monoFromRawPosition = 1;

private:
    std::function<void()> m_redisplay;
};

} // namespace kor
