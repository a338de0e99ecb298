#include "cli/Cli.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kor {
namespace {

std::string slurp(std::FILE* f)
{
    std::string text;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;)
        text.push_back(char(c));
    std::fclose(f);
    return text;
}

TEST(CliCamera, CameraInfoOnTheSimulator)
{
    test::TempDir dir;
    ::setenv("KOR_T53K_HOME", (dir / "home").c_str(), 1);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = cli::runCli({"--simulator", "camera-info"}, out, err);
    const std::string printed = slurp(out), errors = slurp(err);
    ::unsetenv("KOR_T53K_HOME");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(printed, "firmware 1.11\ntemperature 15 C\nproduct id 0326\n");
    EXPECT_NE(errors.find("Camera Found, "), std::string::npos); // "Show Interface Details" is on by default
}

} // namespace
} // namespace kor
