#include "program/Program.h"

#include "messages/Messages.h"
#include "settings/SettingsFile.h"

#include <algorithm>

namespace kor {

Program::Program(Paths p, ProgramServices services)
    : paths(std::move(p)),
      messages(services.messages),
      clock(services.clock),
      events(services.events),
      progress(services.progress)
{
}

int Program::startUp()
{
    const int result = static_cast<int>(LoadSettings(settings, paths, messages));
    workspace.SetGeometry();
    std::fill_n(workspace.Histogram256.data(), kHistogramBins, std::uint16_t(0));
    workspace.FillTestPatterns();
    return result;
}

void Program::Redisplay()
{
    if (m_redisplay)
        m_redisplay();
}

void Program::undoLastFilter()
{
    workspace.RestoreUndo();
    Redisplay();
}

void Program::undoLastColourFilter()
{
    if (!workspace.RestoreColourUndo()) {
        ShowMessage(messages, kMsgNotColour);
        return;
    }
    Redisplay();
}

} // namespace kor
