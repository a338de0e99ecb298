#pragma once

#include "messages/MessageSink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/ProgressReporter.h"
#include "program/Program.h"
#include "support/TempDir.h"

namespace kor::test {

// A Program on recording seams and the virtual clock, with its root directory
// inside a fresh temporary directory (not yet created, as on a first start).
struct TestProgram {
    TempDir dir;
    RecordingMessageSink messages;
    VirtualClock clock;
    ScriptedEventPump events;
    RecordingProgressReporter progress;
    Program program{Paths(dir.path() / "autosave"), {messages, clock, events, progress}};
};

} // namespace kor::test
