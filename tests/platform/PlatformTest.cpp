#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kor {
namespace {

TEST(Clock, ElapsedTimeIsRightAcrossTheWrap)
{
    VirtualClock clock(0xFFFFFFF0u);
    const std::uint32_t start = clock.nowMs();
    clock.sleepMs(0x20);
    EXPECT_EQ(clock.nowMs(), 0x10u);
    EXPECT_EQ(elapsedMs(start, clock.nowMs()), 0x20u);
}

TEST(Clock, SteadyClockMovesForward)
{
    SteadyClock clock;
    const std::uint32_t start = clock.nowMs();
    clock.sleepMs(2);
    EXPECT_GE(elapsedMs(start, clock.nowMs()), 2u);
}

TEST(EventPump, ScriptStopsAtTheChosenDrainsAndRunsTheCallback)
{
    ScriptedEventPump pump({3});
    std::vector<std::size_t> seen;
    pump.onDrain([&](std::size_t n) { seen.push_back(n); });
    EXPECT_FALSE(pump.drain());
    EXPECT_FALSE(pump.drain());
    EXPECT_TRUE(pump.drain());
    EXPECT_FALSE(pump.drain());
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2, 3, 4}));
}

TEST(Paths, RootComesFromTheEnvironment)
{
    const char* old = std::getenv("KOR_T53K_HOME");
    const std::string saved = old ? old : "";
    ::setenv("KOR_T53K_HOME", "/tmp/kor-root", 1);
    EXPECT_EQ(Paths::fromEnvironment().settingsFile(), "/tmp/kor-root/KOR_T53K.ini");
    ::unsetenv("KOR_T53K_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(Paths::fromEnvironment().root(), "/home/someone/autosave");
    if (old)
        ::setenv("KOR_T53K_HOME", saved.c_str(), 1);
}

std::vector<std::filesystem::path> listDir(const std::filesystem::path& dir)
{
    std::vector<std::filesystem::path> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename());
    return names;
}

TEST(SafeFile, CommittedWriteReplacesTheOldFile)
{
    test::TempDir dir;
    test::writeFileBytes(dir / "a.bin", {1, 2, 3});
    const std::vector<std::uint8_t> bytes{9, 8, 7, 6};
    ASSERT_TRUE(writeFileSafely(dir / "a.bin", std::as_bytes(std::span(bytes))));
    EXPECT_EQ(test::readFileBytes(dir / "a.bin"), bytes);
    EXPECT_EQ(listDir(dir.path()).size(), 1u);
}

TEST(SafeFile, UncommittedOrFailedWriteLeavesTheOldFileAndNoTemporary)
{
    test::TempDir dir;
    test::writeFileBytes(dir / "a.bin", {1, 2, 3});
    {
        SafeFileWriter writer(dir / "a.bin");
        ASSERT_TRUE(writer.isOpen());
        writer.write("xyz", 3);
        // abandoned without commit, as when a later step of a save fails
    }
    EXPECT_EQ(test::readFileBytes(dir / "a.bin"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(listDir(dir.path()).size(), 1u);

    // A directory in the target's place cannot be replaced by a file.
    std::filesystem::create_directory(dir / "d");
    const std::vector<std::uint8_t> bytes{1};
    EXPECT_FALSE(writeFileSafely(dir / "d", std::as_bytes(std::span(bytes))));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "d"));
    EXPECT_EQ(listDir(dir.path()).size(), 2u);

    // A missing directory: nothing can be created.
    SafeFileWriter missing(dir / "no" / "such" / "file");
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.commit());
}

} // namespace
} // namespace kor
