#include "cli/Cli.h"
#include "display/Display.h"
#include "support/TempDir.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kor {
namespace {

std::vector<char> slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int run(const std::vector<std::string>& args, const std::filesystem::path& root)
{
    ::setenv("KOR_T53K_HOME", root.c_str(), 1);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = cli::runCli(args, out, err);
    std::fclose(out);
    std::fclose(err);
    ::unsetenv("KOR_T53K_HOME");
    return status;
}

// The CLI writes the very file the window's redisplay writes for the same flags.
TEST(CliDisplay, RedisplayWritesTheWindowsBitmap)
{
    test::TempDir dir;
    ASSERT_EQ(run({"redisplay", "--bin-display", "--false-colour", "--display-stretch", "7", "3"}, dir / "cli"), 0);

    test::TestProgram t;
    t.program.startUp();
    Workspace& ws = t.program.workspace;
    ws.BinDisplay = ws.FalseColour = ws.DisplayStretch = true;
    Display display;
    display.stretch = {7.0, 3};
    ASSERT_TRUE(display.redisplay(t.program));
    EXPECT_EQ(slurp(dir / "cli" / "korT53k.bmp"), slurp(t.program.paths.displayBitmap()));

    // Flags not given are cleared: a later plain redisplay shows the full-size grey picture.
    ASSERT_EQ(run({"redisplay"}, dir / "cli"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir / "cli" / "korT53k.bmp"), 10203478u);
}

TEST(CliDisplay, BadOptionsStopThePipeline)
{
    test::TempDir dir;
    EXPECT_EQ(run({"redisplay", "--display-stretch", "1", "0"}, dir / "r"), 1);
    EXPECT_EQ(run({"redisplay", "--display-stretch", "5"}, dir / "r"), 1);
    EXPECT_EQ(run({"redisplay", "--sepia"}, dir / "r"), 1);
    EXPECT_EQ(run({"ramp", "redisplay", "--auto-contrast", "ramp"}, dir / "r"), 0);
}

} // namespace
} // namespace kor
