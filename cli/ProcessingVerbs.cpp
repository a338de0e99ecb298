#include "cli/Cli.h"

#include "processing/AutoProcessing.h"
#include "processing/Filters.h"
#include "processing/MonoFromRaw.h"
#include "processing/Stretches.h"

#include <cmath>
#include <cstdlib>

namespace kor::cli {

namespace {

using Params = std::vector<std::string>;

// A verb without parameters that runs one command.
Verb simple(std::string name, std::string help, void (*command)(Program&))
{
    return {std::move(name), {}, std::move(help), [command](Context& ctx, const Params&) {
                command(ctx.program);
                return true;
            }};
}

Verb kernelVerb(std::string name, KernelId id)
{
    return {
        std::move(name), {}, "the " + std::string(kernel(id).history) + " kernel", [id](Context& ctx, const Params&) {
            kernelFilter(ctx.program, id);
            return true;
        }};
}

// The power of the power-law stretch: one decimal from 0.1 to 3.0, as the dialog steps it.
bool parsePower(Context& ctx, const std::string& text, double& power)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0.1 - 1e-9 && value <= 3.0 + 1e-9)) {
        std::fprintf(ctx.err, "kor-t53k-cli: '%s' is not a power from 0.1 to 3.0\n", text.c_str());
        return false;
    }
    power = std::round(value * 10.0) / 10.0;
    return true;
}

} // namespace

void addProcessingVerbs(VerbTable& verbs)
{
    verbs.push_back({"normal-stretch",
                     {"B", "W"},
                     "linear stretch, black point B 0-255, white point W 1-300",
                     [](Context& ctx, const Params& p) {
                         long black = 0, white = 0;
                         if (!parseInt(ctx, p[0], 0, 255, black) || !parseInt(ctx, p[1], 1, 300, white))
                             return false;
                         if (!normalStretch(ctx.program, int(black), int(white)))
                             std::fprintf(ctx.err, "normal-stretch: black is not below white, nothing done\n");
                         return true;
                     }});
    verbs.push_back({"power-stretch", {"P"}, "power-law stretch, P 0.1-3.0", [](Context& ctx, const Params& p) {
                         double power = 1.0;
                         if (!parsePower(ctx, p[0], power))
                             return false;
                         powerStretch(ctx.program, power);
                         return true;
                     }});
    verbs.push_back(simple("sine-stretch", "sine-law stretch", sineStretch));
    verbs.push_back(simple("log-stretch", "logarithmic stretch", logStretch));
    verbs.push_back(simple("antilog-stretch", "antilogarithmic stretch", antilogStretch));
    verbs.push_back(simple("invert", "invert the image to a negative", invertImage));
    verbs.push_back({"remove-background",
                     {},
                     "remove the background below the level of the last repaint",
                     [](Context& ctx, const Params&) {
                         if (!removeBackground(ctx.program))
                             std::fprintf(ctx.err, "remove-background: background level %d is below 3, nothing done\n",
                                          ctx.program.workspace.lastPaintBackgroundLevel);
                         return true;
                     }});
    verbs.push_back(
        {"non-linear-stretch", {"P"}, "rational stretch for nebulae, power P 1-50", [](Context& ctx, const Params& p) {
             long power = 0;
             if (!parseInt(ctx, p[0], 1, 50, power))
                 return false;
             nonLinearStretch(ctx.program, int(power));
             return true;
         }});
    verbs.push_back(
        {"unsharp-mask", {"R", "K"}, "unsharp mask, radius R 1-7, power K 1-7", [](Context& ctx, const Params& p) {
             long radius = 0, power = 0;
             if (!parseInt(ctx, p[0], 1, 7, radius) || !parseInt(ctx, p[1], 1, 7, power))
                 return false;
             UnsharpMask(ctx.program, int(radius), int(power), true);
             return true;
         }});
    verbs.push_back({"median",
                     {"R", "Q"},
                     "conditional median, radius R 1-3, power Q in tenths 1-10",
                     [](Context& ctx, const Params& p) {
                         long radius = 0, power = 0;
                         if (!parseInt(ctx, p[0], 1, 3, radius) || !parseInt(ctx, p[1], 1, 10, power))
                             return false;
                         MedianFilter(ctx.program, int(radius), int(power));
                         return true;
                     }});
    verbs.push_back(kernelVerb("low-pass", KernelId::LowPass));
    verbs.push_back(kernelVerb("gaussian", KernelId::Gaussian));
    verbs.push_back(kernelVerb("high-pass-low", KernelId::HighPassLowPower));
    verbs.push_back(kernelVerb("high-pass-high", KernelId::HighPassHighPower));
    verbs.push_back(kernelVerb("smoother-sharper", KernelId::SmootherSharper));
    verbs.push_back(kernelVerb("bas-relief", KernelId::BasRelief));
    verbs.push_back(simple("gradient", "remove a linear background gradient", GradientFilter));
    verbs.push_back(simple("mirror", "mirror the image left to right", MirrorImage));
    verbs.push_back(simple("flip", "flip the image top to bottom", FlipImage));
    verbs.push_back({"mono-from-raw",
                     {"N"},
                     "single-filter image from a raw frame, matrix position N 1-4 (R, G, G, B)",
                     [](Context& ctx, const Params& p) {
                         long position = 0;
                         if (!parseInt(ctx, p[0], kFirstMatrixPosition, kLastMatrixPosition, position))
                             return false;
                         return createMonoFromRaw(ctx.program, int(position)) == MonoFromRawResult::Built;
                     }});
    verbs.push_back(simple("auto-process", "run the auto-processing chain chosen in the settings", RunAutoProcessing));
}

} // namespace kor::cli
