#include "cli/Cli.h"

#include "settings/SettingsFile.h"

namespace kor::cli {

void addSettingsVerbs(VerbTable& verbs)
{
    verbs.push_back({"settings", {}, "print every settings field as '<number> <name> <value>'",
                     [](Context& ctx, const std::vector<std::string>&) {
                         std::fprintf(ctx.err, "settings file %s: load result %d\n",
                                      ctx.program.paths.settingsFile().c_str(), ctx.startUpResult);
                         std::fputs(listSettings(ctx.program.settings).c_str(), ctx.out);
                         return true;
                     }});
}

} // namespace kor::cli
