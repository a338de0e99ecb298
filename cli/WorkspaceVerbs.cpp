#include "cli/Cli.h"

namespace kor::cli {

void addWorkspaceVerbs(VerbTable& verbs)
{
    verbs.push_back({"undo", {}, "restore the image before the last filter",
                     [](Context& ctx, const std::vector<std::string>&) {
                         ctx.program.undoLastFilter();
                         return true;
                     }});
    verbs.push_back({"history", {}, "print the processing history, one line each",
                     [](Context& ctx, const std::vector<std::string>&) {
                         const Workspace& ws = ctx.program.workspace;
                         for (int i = 0; i < ws.historyLineCount(); ++i)
                             std::fprintf(ctx.out, "%s\n", ws.HistoryLines[i].c_str());
                         return true;
                     }});
}

} // namespace kor::cli
