#include "cli/Cli.h"

#include "files/FitsFile.h"
#include "files/HotPixelMap.h"
#include "files/RawFile.h"
#include "files/TiffFile.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace kor::cli {

namespace {

using Params = std::vector<std::string>;

bool parseNumber(Context& ctx, const std::string& text, double& value)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) {
        std::fprintf(ctx.err, "kor-t53k-cli: '%s' is not a number\n", text.c_str());
        return false;
    }
    value = v;
    return true;
}

void printInfo(Context& ctx)
{
    const Program& p = ctx.program;
    const Workspace& ws = p.workspace;
    const Settings& s = p.settings;
    const FitsObservation& fits = p.files.fits;
    std::FILE* out = ctx.out;
    std::fprintf(out, "file %s\n", p.files.currentFileName.empty() ? "(Untitled)" : p.files.currentFileName.c_str());
    std::fprintf(out, "geometry %d x %d %s\n", ws.ImageWidth, ws.ImageHeight, ws.BinnedMode ? "binned" : "full-frame");
    std::fprintf(out, "mode %d digit %c\n", ws.ExposureMode, ws.ModeDigit);
    std::fprintf(out, "colour %s\n", ws.ColourImage ? "yes" : "no");
    std::fprintf(out, "object '%s'\nobserver '%s'\ntelescope '%s'\ninstrument '%s'\norigin '%s'\n",
                 s.fitsObject.c_str(), s.fitsObserver.c_str(), s.fitsTelescope.c_str(), s.fitsInstrument.c_str(),
                 s.fitsOrigin.c_str());
    std::fprintf(out, "date '%s'\ntime '%s'\nfilter '%s'\ncomment '%s'\nhistory-text '%s'\n", fits.date.c_str(),
                 fits.time.c_str(), s.fitsFilter.c_str(), s.fitsComment.c_str(), s.fitsHistory.c_str());
    std::fprintf(out, "exposure %f\nfocal-length %f\naperture %f\npixel-size %f x %f\n", fits.exposureSeconds,
                 s.fitsFocalLengthInches, s.fitsApertureSquareInches, fits.pixelWidth, fits.pixelHeight);
    for (int i = 0; i < ws.historyLineCount(); ++i)
        std::fprintf(out, "history %s\n", ws.HistoryLines[i].c_str());
    const auto pixels = ws.CurrentImage.first(ws.PixelCount);
    const auto [lo, hi] = std::minmax_element(pixels.begin(), pixels.end());
    double sum = 0;
    for (std::uint16_t v : pixels)
        sum += v;
    std::fprintf(out, "min %u max %u mean %.2f\n", unsigned(*lo), unsigned(*hi), sum / double(pixels.size()));
}

// A verb that sets one FITS text for the saves that follow.
Verb textOption(const std::string& name, const std::string& what, std::string Settings::*field, std::size_t limit)
{
    return {name, {"TEXT"}, "set the FITS " + what + " for later saves", [field, limit](Context& ctx, const Params& p) {
                ctx.program.settings.*field = p[0].substr(0, limit);
                return true;
            }};
}

} // namespace

void addFilesVerbs(VerbTable& verbs)
{
    verbs.push_back({"open", {"FILE"}, "load a raw, FITS or hot pixel map file", [](Context& ctx, const Params& p) {
                         return LoadRawFile(ctx.program, p[0]) != LoadResult::Failed;
                     }});
    verbs.push_back({"save", {"FILE"}, "save the image as a raw file", [](Context& ctx, const Params& p) {
                         return SaveRawFile(ctx.program, p[0]);
                     }});
    verbs.push_back(
        {"save-flat", {"FILE"}, "save a colour converted image as a flat file", [](Context& ctx, const Params& p) {
             return SaveFlatFile(ctx.program, p[0]);
         }});
    verbs.push_back({"save-fits", {"FILE"}, "save the image as a 16-bit FITS file", [](Context& ctx, const Params& p) {
                         prepareFitsSave(ctx.program, std::time(nullptr));
                         return SaveFitsFile(ctx.program, p[0]);
                     }});
    verbs.push_back(
        {"save-fits-8bit", {"FILE"}, "save the image as an 8-bit FITS file", [](Context& ctx, const Params& p) {
             prepareFitsSave(ctx.program, std::time(nullptr));
             ctx.program.files.fits.eightBit = true;
             const bool ok = SaveFitsFile(ctx.program, p[0]);
             ctx.program.files.fits.eightBit = false;
             return ok;
         }});
    verbs.push_back(
        {"save-tiff", {"FILE"}, "save as TIFF, 8 or 16-bit as the setting chooses", [](Context& ctx, const Params& p) {
             return SaveTiffFile(ctx.program, p[0]);
         }});
    for (const bool sixteen : {false, true}) {
        verbs.push_back({sixteen ? "save-tiff16" : "save-tiff8",
                         {"FILE"},
                         sixteen ? "save as a 16-bit TIFF" : "save as an 8-bit TIFF",
                         [sixteen](Context& ctx, const Params& p) {
                             Settings& s = ctx.program.settings;
                             const char kept = s.tiff16Bit;
                             s.tiff16Bit = sixteen ? 'y' : 'n';
                             const bool ok = SaveTiffFile(ctx.program, p[0]);
                             s.tiff16Bit = kept;
                             return ok;
                         }});
    }
    verbs.push_back(
        {"quick-save", {}, "save as the next IMG<n>.FIT in the auto-save directory", [](Context& ctx, const Params&) {
             if (!QuickSaveCommand(ctx.program))
                 return false;
             std::fprintf(ctx.out, "%s\n", autosavedFilePath(ctx.program, autosaveCount(ctx.program)).c_str());
             return true;
         }});
    verbs.push_back(
        {"load-next-autosaved",
         {},
         "load the auto-saved file after the last one loaded",
         [](Context& ctx, const Params&) { return LoadNextAutosavedFile(ctx.program) != LoadResult::Failed; }});
    verbs.push_back({"hot-pixel-map",
                     {"THRESHOLD"},
                     "find the hot pixels of a dark frame and save the map",
                     [](Context& ctx, const Params& p) {
                         long threshold = 0;
                         if (!parseInt(ctx, p[0], kHotPixelThresholdMin, kHotPixelThresholdMax, threshold))
                             return false;
                         if (FindHotPixels(ctx.program, int(threshold)) != HotPixelSearch::Found)
                             return false;
                         std::fprintf(ctx.out, "%d hot pixels\n", ctx.program.files.hotPixels.count);
                         return SaveHotPixelMap(ctx.program);
                     }});
    verbs.push_back({"apply-hot-pixel-map",
                     {},
                     "replace each mapped pixel by the mean of its neighbours",
                     [](Context& ctx, const Params&) {
                         if (!ctx.program.files.hotPixels.loaded) {
                             ApplyHotPixelMap(ctx.program); // reports that no map is loaded
                             return false;
                         }
                         ApplyHotPixelMap(ctx.program);
                         return true;
                     }});
    verbs.push_back({"info",
                     {},
                     "print the geometry, mode, colour flag, FITS texts, history and statistics",
                     [](Context& ctx, const Params&) {
                         printInfo(ctx);
                         return true;
                     }});

    verbs.push_back(textOption("--object", "object", &Settings::fitsObject, kFitsTextLength));
    verbs.push_back(textOption("--observer", "observer", &Settings::fitsObserver, kFitsTextLength));
    verbs.push_back(textOption("--telescope", "telescope", &Settings::fitsTelescope, kFitsTextLength));
    verbs.push_back(textOption("--instrument", "instrument", &Settings::fitsInstrument, kFitsTextLength));
    verbs.push_back(textOption("--origin", "origin", &Settings::fitsOrigin, kFitsTextLength));
    verbs.push_back(textOption("--filter", "filter", &Settings::fitsFilter, kFitsTextLength));
    verbs.push_back(textOption("--comment", "comment text", &Settings::fitsComment, kFitsLongTextLength));
    verbs.push_back(textOption("--history", "history text", &Settings::fitsHistory, kFitsLongTextLength));
    verbs.push_back({"--date", {"TEXT"}, "set the FITS observation date", [](Context& ctx, const Params& p) {
                         ctx.program.files.fits.date = p[0].substr(0, kFitsDateLength);
                         return true;
                     }});
    verbs.push_back({"--time", {"TEXT"}, "set the FITS observation time", [](Context& ctx, const Params& p) {
                         ctx.program.files.fits.time = p[0].substr(0, kFitsTimeLength);
                         return true;
                     }});
    struct NumberOption {
        const char* name;
        const char* help;
        double FitsObservation::*observation;
        double Settings::*setting;
    };
    for (const NumberOption& o :
         {NumberOption{"--exposure", "seconds", &FitsObservation::exposureSeconds, nullptr},
          NumberOption{"--focal-length", "inches", nullptr, &Settings::fitsFocalLengthInches},
          NumberOption{"--aperture", "square inches", nullptr, &Settings::fitsApertureSquareInches}}) {
        verbs.push_back({o.name,
                         {"NUMBER"},
                         std::string("set the FITS ") + (o.name + 2) + " (" + o.help + ")",
                         [o](Context& ctx, const Params& p) {
                             double v = 0;
                             if (!parseNumber(ctx, p[0], v))
                                 return false;
                             if (o.observation)
                                 ctx.program.files.fits.*o.observation = v;
                             else
                                 ctx.program.settings.*o.setting = v;
                             return true;
                         }});
    }
    verbs.push_back({"--ut-offset",
                     {"HOURS"},
                     "universal time = local time + HOURS (-11 to 11)",
                     [](Context& ctx, const Params& p) {
                         long hours = 0;
                         if (!parseInt(ctx, p[0], -kUtOffsetLimitHours, kUtOffsetLimitHours, hours))
                             return false;
                         ctx.program.settings.utOffsetHours = std::int16_t(hours);
                         return true;
                     }});
}

} // namespace kor::cli
