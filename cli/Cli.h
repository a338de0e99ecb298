#pragma once

#include "program/Program.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kor::cli {

// What a verb works on: one program (and so one workspace) for the whole
// pipeline, and where to print.
struct Context {
    Program& program;
    std::FILE* out;
    std::FILE* err;
    int startUpResult = 0; // the settings load result of start-up
};

// A verb of the pipeline: its name, its parameters (shown by --help), and the
// work. run() gets exactly `params.size()` arguments and returns false when the
// step failed (after reporting why), which stops the pipeline.
struct Verb {
    std::string name;
    std::vector<std::string> params;
    std::string help;
    std::function<bool(Context&, const std::vector<std::string>&)> run;
    // When set, the words after the parameters up to the next verb name are
    // passed on too (after the parameters), for verbs with --options.
    bool takesOptions = false;
    // Option words of the verb's own that are passed on even where they also
    // name a verb (expose --time 2s beside the verb --time TEXT).
    std::vector<std::string> ownOptions = {};
};

using VerbTable = std::vector<Verb>;

// Each subsystem adds its verbs here.
void addSettingsVerbs(VerbTable& verbs);
void addWorkspaceVerbs(VerbTable& verbs);
void addDisplayVerbs(VerbTable& verbs);
void addCameraVerbs(VerbTable& verbs);
void addProcessingVerbs(VerbTable& verbs);
void addFilesVerbs(VerbTable& verbs);
void addExposeVerbs(VerbTable& verbs);

VerbTable allVerbs();

// Runs `kor-t53k-cli ARGS...`. Returns the process exit status.
int runCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// Parses a whole integer, reporting a bad one on `err`.
bool parseInt(Context& ctx, const std::string& text, long min, long max, long& value);

} // namespace kor::cli
