#include "shell/Application.h"

#include "display/ProgressDialog.h"
#include "messages/MessageSinkQt.h"
#include "messages/Messages.h"
#include "platform/EventPumpQt.h"
#include "program/Program.h"
#include "shell/MainWindow.h"

#include <QTimer>

#include <cstring>

namespace kor {

TKOR_T53KApp::TKOR_T53KApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(kProgramTitle));
}

int runApplication(int argc, char** argv)
{
    TKOR_T53KApp app(argc, argv);

    QtMessageSink messages;
    SteadyClock clock;
    QtEventPump events;
    TProgressDialog progress;
    Program program(Paths::fromEnvironment(), {messages, clock, events, progress});
    bool openDefaults = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulator") == 0)
            program.useSimulator = true;
        // Opens "Set Program Defaults" once the frame is up (used for the manual's screenshots).
        if (std::strcmp(argv[i], "--open-defaults") == 0)
            openDefaults = true;
    }

    // Settings are loaded before the frame is built, so that nothing reads a setting early.
    program.startUp();
    TKOR_T53KFrame frame(program);
    frame.show();
    // The start-up test pattern is the first picture.
    program.Redisplay();
    if (openDefaults)
        QTimer::singleShot(0, &frame, [&frame] { frame.runCommand(CommandId::SetProgramDefaults); });
    return app.exec();
}

} // namespace kor
