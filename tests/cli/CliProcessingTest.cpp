#include "cli/Cli.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kor {
namespace {

struct CliResult {
    int status;
    std::string out, err;
};

CliResult runPipeline(const std::vector<std::string>& args)
{
    test::TempDir dir;
    ::setenv("KOR_T53K_HOME", (dir / "home").c_str(), 1);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = cli::runCli(args, out, err);
    ::unsetenv("KOR_T53K_HOME");
    const auto slurp = [](std::FILE* f) {
        std::string text;
        std::rewind(f);
        for (int c; (c = std::fgetc(f)) != EOF;)
            text.push_back(char(c));
        std::fclose(f);
        return text;
    };
    return {status, slurp(out), slurp(err)};
}

TEST(CliProcessing, PipelineRecordsEachStepAndUndoes)
{
    const CliResult r = runPipeline({"invert", "power-stretch", "0.5", "normal-stretch", "10", "200", "median", "1",
                                     "6", "mirror", "gaussian", "unsharp-mask", "3", "2", "undo", "history"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Invert Image to Negative\nPower Stretch :  0.5\nNormal Stretch : max 400 , min : 20\n"
                     "Median Filter : rad 1 ,power 0.6\nGaussian Filter\n");
    EXPECT_NE(r.err.find("CONTRAST STRETCH\n"), std::string::npos);
    EXPECT_NE(r.err.find("MEDIAN FILTER PROGRESS\n"), std::string::npos);
}

TEST(CliProcessing, BadParametersAndRefusalsStopThePipeline)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"median", "4", "6", "history"},
                                                                  {"power-stretch", "3.5"},
                                                                  {"power-stretch", "x"},
                                                                  {"unsharp-mask", "0", "1"},
                                                                  {"non-linear-stretch", "51"},
                                                                  {"mono-from-raw", "5"}}) {
        const CliResult r = runPipeline(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(r.out.empty());
    }
    const CliResult refused = runPipeline({"mono-from-raw", "1", "history"});
    EXPECT_EQ(refused.status, 0) << refused.err; // the start-up image is a raw full frame
    EXPECT_EQ(refused.out, "Image Converted to Single Colour\n");
}

TEST(CliProcessing, EveryVerbRuns)
{
    const CliResult r = runPipeline({"sine-stretch", "log-stretch", "antilog-stretch", "remove-background",
                                     "non-linear-stretch", "25", "low-pass", "high-pass-low", "high-pass-high",
                                     "smoother-sharper", "bas-relief", "gradient", "flip", "auto-process", "history"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("nothing done"), std::string::npos); // no repaint has measured a background
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 10);
}

} // namespace
} // namespace kor
