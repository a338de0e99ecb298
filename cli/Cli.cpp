#include "cli/Cli.h"

#include "messages/MessageSink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Paths.h"
#include "platform/ProgressReporter.h"

#include <algorithm>
#include <charconv>

namespace kor::cli {

namespace {

// Progress captions go to standard error, one line per operation.
class PrintingProgressReporter final : public ProgressReporter {
public:
    explicit PrintingProgressReporter(std::FILE* stream) : m_stream(stream) {}
    void begin(const std::string& caption) override { std::fprintf(m_stream, "%s\n", caption.c_str()); }
    void setPosition(int) override {}
    void end() override {}

private:
    std::FILE* m_stream;
};

void printHelp(const VerbTable& verbs, std::FILE* out)
{
    std::fprintf(out,
                 "Usage: kor-t53k-cli [--simulator] VERB [PARAMS...] [VERB [PARAMS...]]...\n"
                 "Runs the verbs left to right on one image workspace. Files live in the root\n"
                 "directory: $KOR_T53K_HOME, else ~/autosave.\n\nVerbs:\n");
    for (const auto& verb : verbs) {
        std::string usage = verb.name;
        for (const auto& p : verb.params)
            usage += " " + p;
        std::fprintf(out, "  %-36s %s\n", usage.c_str(), verb.help.c_str());
    }
}

} // namespace

VerbTable allVerbs()
{
    VerbTable verbs;
    addSettingsVerbs(verbs);
    addWorkspaceVerbs(verbs);
    addDisplayVerbs(verbs);
    addCameraVerbs(verbs);
    addProcessingVerbs(verbs);
    addFilesVerbs(verbs);
    addExposeVerbs(verbs);
    return verbs;
}

bool parseInt(Context& ctx, const std::string& text, long min, long max, long& value)
{
    long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) {
        std::fprintf(ctx.err, "kor-t53k-cli: '%s' is not a whole number from %ld to %ld\n", text.c_str(), min, max);
        return false;
    }
    value = v;
    return true;
}

int runCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    const VerbTable verbs = allVerbs();

    StreamMessageSink messages(err);
    SteadyClock clock;
    QuietEventPump events;
    PrintingProgressReporter progress(err);
    Program program(Paths::fromEnvironment(), {messages, clock, events, progress});
    Context ctx{program, out, err};

    std::size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        // Options that take a value (--object TEXT) are verbs of the pipeline.
        if (std::any_of(verbs.begin(), verbs.end(), [&](const Verb& v) { return v.name == args[i]; }))
            break;
        if (args[i] == "--help") {
            printHelp(verbs, out);
            return 0;
        }
        if (args[i] == "--simulator") {
            program.useSimulator = true;
            continue;
        }
        std::fprintf(err, "kor-t53k-cli: unknown option '%s' (try --help)\n", args[i].c_str());
        return 2;
    }
    if (i == args.size()) {
        printHelp(verbs, err);
        return 2;
    }

    ctx.startUpResult = program.startUp();

    while (i < args.size()) {
        const std::string& name = args[i++];
        const Verb* verb = nullptr;
        for (const auto& v : verbs)
            if (v.name == name)
                verb = &v;
        if (!verb) {
            std::fprintf(err, "kor-t53k-cli: unknown verb '%s' (try --help)\n", name.c_str());
            return 2;
        }
        if (args.size() - i < verb->params.size()) {
            std::fprintf(err, "kor-t53k-cli: %s needs %zu parameter(s)\n", name.c_str(), verb->params.size());
            return 2;
        }
        std::vector<std::string> params(args.begin() + long(i), args.begin() + long(i + verb->params.size()));
        i += verb->params.size();
        while (verb->takesOptions && i < args.size() &&
               (std::find(verb->ownOptions.begin(), verb->ownOptions.end(), args[i]) != verb->ownOptions.end() ||
                std::none_of(verbs.begin(), verbs.end(), [&](const Verb& v) { return v.name == args[i]; })))
            params.push_back(args[i++]);
        if (!verb->run(ctx, params))
            return 1;
    }
    return 0;
}

} // namespace kor::cli
