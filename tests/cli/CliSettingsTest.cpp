#include "cli/Cli.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kor {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun runCli(const std::vector<std::string>& args)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = cli::runCli(args, out, err);
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

class ScopedHome {
public:
    explicit ScopedHome(const std::filesystem::path& root) { ::setenv("KOR_T53K_HOME", root.c_str(), 1); }
    ~ScopedHome() { ::unsetenv("KOR_T53K_HOME"); }
};

TEST(CliSettings, FirstRunCreatesTheRootAndPrintsEveryField)
{
    test::TempDir dir;
    ScopedHome home(dir / "x");
    const CliRun first = runCli({"settings"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(std::filesystem::file_size(dir / "x" / "KOR_T53K.ini"), kSettingsFileSize);
    EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 101);
    EXPECT_EQ(first.out.substr(0, 18), "1 AutosaveCounter ");
    EXPECT_NE(first.err.find("load result 0"), std::string::npos);

    const CliRun second = runCli({"settings"});
    EXPECT_EQ(second.status, 0);
    EXPECT_NE(second.err.find("load result 0"), std::string::npos);
    EXPECT_NE(second.out.find("45 unsignedIntFits n\n"), std::string::npos);
}

TEST(CliSettings, BadCommandLines)
{
    test::TempDir dir;
    ScopedHome home(dir / "x");
    EXPECT_EQ(runCli({}).status, 2);
    EXPECT_EQ(runCli({"--frobnicate"}).status, 2);
    const CliRun unknown = runCli({"settings", "no-such-verb"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown verb 'no-such-verb'"), std::string::npos);
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("settings"), std::string::npos);
}

} // namespace
} // namespace kor
