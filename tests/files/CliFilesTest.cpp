#include "cli/Cli.h"
#include "files/FitsFile.h"
#include "files/RawFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kor {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun run(const std::vector<std::string>& args)
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
    ~ScopedHome() { ::setenv("KOR_T53K_HOME", "/nonexistent-kor-home", 1); }
};

TEST(CliFiles, PipelineSavesLoadsAndReports)
{
    test::TempDir dir;
    ScopedHome home(dir / "home");
    const std::string fits = (dir / "m42.FIT").string();
    const std::string raw = (dir / "m42").string();
    const std::string tif = (dir / "m42.TIF").string();

    const CliRun saved = run({"--object", "M42", "--observer", "Me", "--exposure", "30", "save-fits", fits, "save", raw,
                              "save-tiff16", tif, "save-tiff8", tif + "8", "quick-save"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(std::filesystem::file_size(fits), kFitsFullLength);
    EXPECT_EQ(std::filesystem::file_size(raw), kRawFullLength);
    EXPECT_EQ(std::filesystem::file_size(tif), 186 + 8 * 12 + kFullPlaneBytes);
    EXPECT_NE(saved.out.find("IMG1.FIT"), std::string::npos);

    const CliRun info = run({"open", fits, "info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("geometry 3900 x 2616 full-frame\n"), std::string::npos);
    EXPECT_NE(info.out.find("object 'M42'\n"), std::string::npos);
    EXPECT_NE(info.out.find("observer 'Me'\n"), std::string::npos);
    EXPECT_NE(info.out.find("exposure 30.000000\n"), std::string::npos);
    // The start-up test pattern: row r holds r x 25.
    EXPECT_NE(info.out.find("min 0 max 65375 "), std::string::npos);
}

TEST(CliFiles, FailedStepsStopThePipeline)
{
    test::TempDir dir;
    ScopedHome home(dir / "home");
    const CliRun missing = run({"open", (dir / "none").string(), "info"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Failed to Open KOR File"), std::string::npos);
    EXPECT_EQ(missing.out, "");

    EXPECT_EQ(run({"apply-hot-pixel-map"}).status, 1);
    EXPECT_EQ(run({"hot-pixel-map", "100"}).status, 1);
    EXPECT_EQ(run({"save-flat", (dir / "f").string()}).status, 1);
    EXPECT_EQ(run({"--exposure", "soon"}).status, 1);

    // The test pattern's bright rows are hot at 65000: a map is found and saved.
    const CliRun map = run({"hot-pixel-map", "65000", "apply-hot-pixel-map"});
    EXPECT_EQ(map.status, 0) << map.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "home" / "T53K_HPM.HPM"));
}

} // namespace
} // namespace kor
