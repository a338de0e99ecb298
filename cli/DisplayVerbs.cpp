#include "cli/Cli.h"

#include "display/Display.h"

namespace kor::cli {

namespace {

// redisplay [--bin-display] [--false-colour] [--auto-contrast] [--display-stretch P B]:
// the display flags are set exactly as given, then the window's pipeline runs.
bool runRedisplay(Context& ctx, const std::vector<std::string>& options)
{
    Workspace& ws = ctx.program.workspace;
    Display display;
    bool binDisplay = false, falseColour = false, autoContrast = false, stretch = false;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string& o = options[i];
        if (o == "--bin-display") {
            binDisplay = true;
        } else if (o == "--false-colour") {
            falseColour = true;
        } else if (o == "--auto-contrast") {
            autoContrast = true;
        } else if (o == "--display-stretch") {
            long power = 0, black = 0;
            if (i + 2 >= options.size()) {
                std::fprintf(ctx.err, "kor-t53k-cli: --display-stretch needs P (2-50) and B (0-250)\n");
                return false;
            }
            if (!parseInt(ctx, options[i + 1], DisplayStretchSettings::kMinPower, DisplayStretchSettings::kMaxPower,
                          power) ||
                !parseInt(ctx, options[i + 2], 0, DisplayStretchSettings::kMaxBlack, black))
                return false;
            display.stretch.power = double(power);
            display.stretch.black = int(black);
            stretch = true;
            i += 2;
        } else {
            std::fprintf(ctx.err, "kor-t53k-cli: redisplay: unknown option '%s'\n", o.c_str());
            return false;
        }
    }
    ws.BinDisplay = binDisplay;
    ws.FalseColour = falseColour;
    ws.AutoContrast = autoContrast;
    ws.DisplayStretch = stretch;
    if (!display.redisplay(ctx.program))
        return false;
    std::fprintf(ctx.out, "%s %d x %d\n", ctx.program.paths.displayBitmap().c_str(), display.picture()->width,
                 display.picture()->height);
    return true;
}

} // namespace

void addDisplayVerbs(VerbTable& verbs)
{
    Verb redisplay{"redisplay",
                   {},
                   "build the display bitmap file as the window does; options --bin-display, --false-colour, "
                   "--auto-contrast, --display-stretch P B",
                   runRedisplay};
    redisplay.takesOptions = true;
    verbs.push_back(std::move(redisplay));
    verbs.push_back({"ramp", {}, "reset the image to the start-up test pattern", [](Context& ctx, const auto&) {
                         ctx.program.workspace.FillTestPatterns();
                         return true;
                     }});
}

} // namespace kor::cli
