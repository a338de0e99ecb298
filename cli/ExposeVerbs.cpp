#include "cli/Cli.h"

#include "camera/Exposure.h"

#include <charconv>

namespace kor::cli {

namespace {

// "--time" takes a whole number with its unit: 5ms, 2s or 3m.
bool parseTime(Context& ctx, const std::string& text, char& unit, std::int16_t& value)
{
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    const std::string suffix = text.substr(digits);
    if (suffix == "ms")
        unit = 'q';
    else if (suffix == "s")
        unit = 's';
    else if (suffix == "m")
        unit = 'm';
    else
        unit = 0;
    long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + digits, v);
    if (!unit || digits == 0 || ec != std::errc() || end != text.data() + digits || v < 1 || v > 32767) {
        std::fprintf(ctx.err, "kor-t53k-cli: '%s' is no exposure time: give 1 to 32767 with ms, s or m, as 2s\n",
                     text.c_str());
        return false;
    }
    value = std::int16_t(v);
    return true;
}

bool runExpose(Context& ctx, const std::vector<std::string>& options)
{
    Program& program = ctx.program;
    ExposureState& e = program.exposure;
    long mode = 1, count = 1;
    char unit = 's';
    std::int16_t value = 1;
    bool timeGiven = false;
    std::string dark, flat;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string& option = options[i];
        const bool hasValue = i + 1 < options.size();
        if (!hasValue) {
            std::fprintf(ctx.err, "kor-t53k-cli: expose: '%s' needs a value\n", option.c_str());
            return false;
        }
        const std::string& v = options[++i];
        if (option == "--mode") {
            if (!parseInt(ctx, v, 1, 4, mode))
                return false;
        } else if (option == "--time") {
            if (!parseTime(ctx, v, unit, value))
                return false;
            timeGiven = true;
        } else if (option == "--count") {
            if (!parseInt(ctx, v, 1, 99, count))
                return false;
        } else if (option == "--dark") {
            dark = v;
        } else if (option == "--flat") {
            flat = v;
        } else {
            std::fprintf(ctx.err, "kor-t53k-cli: expose: unknown option '%s'\n", option.c_str());
            return false;
        }
    }
    if (!timeGiven) {
        std::fprintf(ctx.err, "kor-t53k-cli: expose needs --time, as --time 2s\n");
        return false;
    }
    if (!PrepareExposure(program))
        return false;
    program.workspace.ExposureMode = std::int16_t(mode);
    e.ExposureUnit = unit;
    e.ExposureValue = value;
    e.ExposureCount = std::int16_t(count);
    e.ContinuousMode = false;
    e.DelayBeforeExposure = false;
    e.AutoSave = false;
    e.AutoDark = !dark.empty();
    e.AutoFlat = !flat.empty();
    if (e.AutoDark)
        program.files.DarkFramePath = dark;
    if (e.AutoFlat)
        program.files.FlatFieldPath = flat;
    if (!RunExposureSeries(program))
        return false;
    // A frame that could not be calibrated as asked was reported; the step fails.
    return (!e.AutoDark || e.DarkLoaded) && (!e.AutoFlat || e.FlatLoaded);
}

} // namespace

void addExposeVerbs(VerbTable& verbs)
{
    Verb expose{"expose",
                {},
                "take a series with the camera into the current image; options --mode 1-4, --time 5ms|2s|3m "
                "(needed), --count 1-99, --dark FILE, --flat FILE (raw frames subtracted and applied to each frame)",
                runExpose};
    expose.takesOptions = true;
    expose.ownOptions = {"--mode", "--time", "--count", "--dark", "--flat"};
    verbs.push_back(std::move(expose));
}

} // namespace kor::cli
