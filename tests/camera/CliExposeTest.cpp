#include "cli/Cli.h"
#include "support/TempDir.h"

#include <fitsio.h>
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

struct CliRun {
    int status;
    std::string out, err;
};

CliRun run(const test::TempDir& dir, const std::vector<std::string>& args)
{
    ::setenv("KOR_T53K_HOME", (dir / "home").c_str(), 1);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = cli::runCli(args, out, err);
    ::unsetenv("KOR_T53K_HOME");
    return {status, slurp(out), slurp(err)};
}

TEST(CliExpose, TakesASeriesAndSavesIt)
{
    test::TempDir dir;
    const std::string fits = (dir / "series.fit").string();
    const CliRun r =
        run(dir, {"--simulator", "expose", "--mode", "4", "--time", "5ms", "--count", "2", "save-fits", fits, "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("EXPOSURE UNDERWAY (Left - 2)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("READING Varn CAMERA - takes 3-4 seconds"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("1950 x 1308"), std::string::npos) << r.out;

    fitsfile* f = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_file(&f, fits.c_str(), READONLY, &status), 0) << status;
    long size[2] = {};
    int dims = 0;
    fits_get_img_dim(f, &dims, &status);
    fits_get_img_size(f, 2, size, &status);
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dims, 2);
    EXPECT_EQ(size[0], 1950);
    EXPECT_EQ(size[1], 1308);
}

TEST(CliExpose, BadRequestsFail)
{
    test::TempDir dir;
    const std::vector<std::string> bad[] = {
        {"--simulator", "expose", "--mode", "5", "--time", "2s"},
        {"--simulator", "expose", "--mode", "1", "--time", "2x"},
        {"--simulator", "expose", "--mode", "1"},
        {"--simulator", "expose", "--time", "5ms", "--dark", (dir / "missing.raw").string()},
        {"expose", "--time", "5ms"}, // no camera on this machine's bus in a test run
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args.back());
        const CliRun r = run(dir, args);
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(r.err.empty());
    }
}

} // namespace
} // namespace kor
