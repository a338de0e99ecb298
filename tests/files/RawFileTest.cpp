#include "files/RawFile.h"
#include "files/FilesTestSupport.h"
#include "files/FitsFile.h"
#include "messages/Messages.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace kor {
namespace {

using test::fileTail;
using test::makeImage;
using test::planeEquals;

struct RawCase {
    const char* name;
    bool binned, colour;
    std::int16_t mode;
    char digit;
    std::size_t length;
    const char* trailer;
    // What a load makes of it.
    std::int16_t loadedMode;
    char loadedDigit;
};

void PrintTo(const RawCase& c, std::ostream* os)
{
    *os << c.name;
}

class RawRoundTrip : public testing::TestWithParam<RawCase> {};

TEST_P(RawRoundTrip, KeepsPixelsModeAndColourPlanes)
{
    const RawCase& c = GetParam();
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;
    p.files.SubFrameBaseDigit = '3';
    makeImage(ws, c.binned, c.colour, c.mode, c.digit);
    const auto path = t.dir / "image";
    ASSERT_TRUE(SaveRawFile(p, path));
    EXPECT_EQ(std::filesystem::file_size(path), c.length);
    EXPECT_EQ(fileTail(path, kTrailerBytes), c.trailer);

    // Load into a workspace that holds something else.
    makeImage(ws, !c.binned, !c.colour, 3, '3');
    std::fill_n(ws.CurrentImage.data(), kPlaneCapacity, std::uint16_t(7));
    EXPECT_EQ(LoadRawFile(p, path), LoadResult::Image);
    EXPECT_TRUE(t.messages.messages.empty());
    EXPECT_EQ(ws.BinnedMode, c.binned);
    EXPECT_EQ(ws.ColourImage, c.colour);
    EXPECT_EQ(ws.ExposureMode, c.loadedMode);
    EXPECT_EQ(ws.ModeDigit, c.loadedDigit);
    EXPECT_EQ(ws.ImageWidth, c.binned ? kBinnedWidth : kFullWidth);
    EXPECT_TRUE(planeEquals(ws.CurrentImage, ws.PixelCount, 1));
    for (unsigned k = 0; k < 3 && c.colour; ++k)
        EXPECT_TRUE(planeEquals(ws.ColourPlanes[k], ws.PixelCount, 2 + k)) << "plane " << k;
    EXPECT_EQ(p.files.currentFileName, path.string());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RawRoundTrip,
    testing::Values(RawCase{"BinnedMono", true, false, 2, '2', 5101210, "BINNED 2  ", 2, '2'},
                    RawCase{"SubFrameMono", true, false, 5, '5', 5101210, "BINNED 5  ", 5, '5'},
                    RawCase{"BinnedMonoDigit4", true, false, 4, '4', 5101210, "BINNED 4  ", 2, '4'},
                    RawCase{"FullMono", false, false, 1, '1', 20404810, "HIRES  1  ", 1, '1'},
                    RawCase{"FullMonoField6", false, false, 6, '6', 20404810, "HIRES  6  ", 6, '6'},
                    RawCase{"FullMonoField7", false, false, 7, '7', 20404810, "HIRES  7  ", 7, '7'},
                    RawCase{"BinnedColour", true, true, 2, '2', 20404810, "SUBFRM 3  ", 5, '5'},
                    RawCase{"FullColour", false, true, 1, '1', 81619210, "HIRES  1  ", 1, '1'}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RawFile, BareFullFramePlaneLoadsAsModeOne)
{
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    makeImage(ws, false, false, 7, '7');
    const auto path = t.dir / "bare";
    test::writeFileBytes(
        path, std::vector<std::uint8_t>(reinterpret_cast<std::uint8_t*>(ws.CurrentImage.data()),
                                        reinterpret_cast<std::uint8_t*>(ws.CurrentImage.data()) + kFullPlaneBytes));
    makeImage(ws, true, true, 2, '2');
    EXPECT_EQ(LoadRawFile(t.program, path), LoadResult::Image);
    EXPECT_FALSE(ws.BinnedMode);
    EXPECT_FALSE(ws.ColourImage);
    EXPECT_EQ(ws.ExposureMode, 1);
    EXPECT_EQ(ws.ModeDigit, '1');
    EXPECT_TRUE(planeEquals(ws.CurrentImage, ws.PixelCount, 1));
}

TEST(RawFile, FlatFilesCarryTheirTrailerAndFullFrameFlatOpensAsMonochrome)
{
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;
    const auto binned = t.dir / "flatb";
    const auto full = t.dir / "flath";

    makeImage(ws, true, true, 2, '2');
    ASSERT_TRUE(SaveFlatFile(p, binned));
    EXPECT_EQ(std::filesystem::file_size(binned), kRawBinnedLength);
    EXPECT_EQ(fileTail(binned, 10), "FLAT B 2  ");

    makeImage(ws, false, true, 6, '6');
    ASSERT_TRUE(SaveFlatFile(p, full));
    EXPECT_EQ(std::filesystem::file_size(full), kRawFullLength);
    EXPECT_EQ(fileTail(full, 10), "FLATH  1  ");

    makeImage(ws, true, true, 2, '2');
    EXPECT_EQ(LoadRawFile(p, full), LoadResult::Image);
    EXPECT_FALSE(ws.BinnedMode);
    EXPECT_FALSE(ws.ColourImage);
    EXPECT_EQ(ws.ExposureMode, 1);
    EXPECT_TRUE(planeEquals(ws.CurrentImage, ws.PixelCount, 1));
}

TEST(RawFile, FlatOfAnImageNotColourConvertedIsRefusedAndTheOldFileKept)
{
    test::TestProgram t;
    const auto path = t.dir / "flat";
    test::writeFileBytes(path, {1, 2, 3});
    makeImage(t.program.workspace, true, false, 2, '2');
    EXPECT_FALSE(SaveFlatFile(t.program, path));
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgFlatNeedsColour});
    EXPECT_EQ(test::readFileBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(RawFile, FailedSavesReportAndLeaveNothingHalfWritten)
{
    test::TestProgram t;
    Program& p = t.program;
    makeImage(p.workspace, true, false, 2, '2');

    EXPECT_FALSE(SaveRawFile(p, t.dir / "missing" / "x"));
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgKorSaveFailed});

    // A directory in the way: every byte is written, but the file cannot take its place.
    const auto blocked = t.dir / "blocked";
    std::filesystem::create_directories(blocked / "inside");
    t.messages.messages.clear();
    EXPECT_FALSE(SaveRawFile(p, blocked));
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgKorCreateFailed});
    EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));
    for (const auto& entry : std::filesystem::directory_iterator(t.dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("blocked."), std::string::npos) << entry.path();
}

// Every loader's answer to files that are not what their length promises.
struct BadFile {
    const char* name;
    std::size_t length; // 0 with `directory` or `missing`
    bool random;
    int message; // 0: loads (random bytes are valid pixels)
};

void PrintTo(const BadFile& c, std::ostream* os)
{
    *os << c.name;
}

class RawBadInput : public testing::TestWithParam<BadFile> {};

TEST_P(RawBadInput, IsRejectedWithItsMessageOrLoadsSafely)
{
    const BadFile& c = GetParam();
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    makeImage(ws, true, false, 2, '2');
    const auto path = t.dir / c.name;
    std::vector<std::uint8_t> bytes(c.length);
    if (c.random)
        test::fillRandom(bytes, std::uint32_t(c.length));
    test::writeFileBytes(path, bytes);

    // The second-image loader takes the raw lengths and the bare colour file, any bytes in them.
    const bool secondImageLength = c.length == kRawBinnedLength || c.length == kRawFullBareLength ||
                                   c.length == kRawFullLength || c.length == kRawFullColourBareLength;
    EXPECT_EQ(LoadSecondImage(t.program, path, SecondImagePurpose::Dark),
              secondImageLength ? SecondImageResult::Ok : SecondImageResult::Failed);
    EXPECT_EQ(t.messages.codes(), secondImageLength ? std::vector<int>{} : std::vector<int>{kMsgNotKorFile});
    t.messages.messages.clear();

    const LoadResult result = LoadRawFile(t.program, path);
    if (c.message == 0) {
        EXPECT_EQ(result, LoadResult::Image);
        EXPECT_TRUE(t.messages.messages.empty());
        return;
    }
    EXPECT_EQ(result, LoadResult::Failed);
    EXPECT_EQ(t.messages.codes(), std::vector<int>{c.message});
    if (c.message == kMsgNotValidKorOrFits) {
        EXPECT_TRUE(ws.BinnedMode);
        EXPECT_TRUE(planeEquals(ws.CurrentImage, ws.PixelCount, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RawBadInput,
    testing::Values(BadFile{"empty", 0, false, kMsgNotValidKorOrFits}, BadFile{"b19", 19, true, kMsgNotValidKorOrFits},
                    BadFile{"b20", 20, true, kMsgNotValidKorOrFits},
                    BadFile{"binnedShort", kRawBinnedLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"bareShort", kRawFullBareLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"fullShort", kRawFullLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"colourShort", kRawFullColourLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"colourBareShort", kRawFullColourBareLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"colourBareRandom", kRawFullColourBareLength, true, kMsgNotValidKorOrFits},
                    BadFile{"fitsBinnedShort", kFitsBinnedLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"fitsPaddedShort", kFitsBinnedPaddedLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"fitsFullShort", kFitsFullLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"fitsColourShort", kFitsFullColourLength - 1, false, kMsgNotValidKorOrFits},
                    BadFile{"binnedRandom", kRawBinnedLength, true, 0},
                    BadFile{"bareRandom", kRawFullBareLength, true, 0}, BadFile{"fullRandom", kRawFullLength, true, 0},
                    BadFile{"colourRandom", kRawFullColourLength, true, 0},
                    BadFile{"fitsBinnedRandom", kFitsBinnedLength, true, kMsgFitsNotOurs},
                    BadFile{"fitsPaddedRandom", kFitsBinnedPaddedLength, true, kMsgFitsNotOurs},
                    BadFile{"fitsFullRandom", kFitsFullLength, true, kMsgFitsNotOurs},
                    BadFile{"fitsColourRandom", kFitsFullColourLength, true, kMsgFitsNotOurs}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RawFile, DirectoriesAndMissingFilesCannotBeOpened)
{
    test::TestProgram t;
    int redisplays = 0;
    t.program.setRedisplay([&] { ++redisplays; });
    std::filesystem::create_directories(t.dir / "folder");
    std::filesystem::create_symlink(t.dir / "nowhere", t.dir / "dangling");
    for (const char* name : {"folder", "dangling", "absent"}) {
        t.messages.messages.clear();
        EXPECT_EQ(LoadRawFile(t.program, t.dir / name), LoadResult::Failed);
        EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgKorOpenFailed}) << name;
        EXPECT_EQ(LoadSecondImage(t.program, t.dir / name, SecondImagePurpose::Dark), SecondImageResult::Failed);
    }
    EXPECT_EQ(redisplays, 3);
    if (::geteuid() != 0) {
        const auto locked = t.dir / "locked";
        test::writeFileBytes(locked, std::vector<std::uint8_t>(kRawBinnedLength));
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        t.messages.messages.clear();
        EXPECT_EQ(LoadRawFile(t.program, locked), LoadResult::Failed);
        EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgKorOpenFailed});
    }
}

TEST(RawFile, SecondImagesForDarkAndFlat)
{
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;
    const auto flat = t.dir / "flat";
    const auto colour = t.dir / "colour";
    const auto bare = t.dir / "bare";
    makeImage(ws, true, true, 2, '2');
    ASSERT_TRUE(SaveFlatFile(p, flat));
    ASSERT_TRUE(SaveRawFile(p, colour)); // binned colour: SUBFRM
    test::writeFileBytes(bare, std::vector<std::uint8_t>(kRawFullColourBareLength, 0));

    EXPECT_EQ(LoadSecondImage(p, flat, SecondImagePurpose::Flat), SecondImageResult::Ok);
    EXPECT_TRUE(planeEquals(ws.WorkImage, kBinnedPlaneBytes / 2, 1));

    // A binned colour file as a dark brings its colour planes into ColourBase.
    EXPECT_EQ(LoadSecondImage(p, colour, SecondImagePurpose::Dark), SecondImageResult::Ok);
    for (unsigned k = 0; k < 3; ++k)
        EXPECT_TRUE(planeEquals(ws.ColourBase[k], kBinnedPlaneBytes / 2, 2 + k));
    EXPECT_TRUE(t.messages.messages.empty());

    // Files that are no flat are judged before WorkImage changes, a bare file by itself alone.
    std::fill_n(ws.WorkImage.data(), kPlaneCapacity, std::uint16_t(5));
    EXPECT_EQ(LoadSecondImage(p, colour, SecondImagePurpose::Flat), SecondImageResult::Failed);
    EXPECT_EQ(LoadSecondImage(p, bare, SecondImagePurpose::Flat), SecondImageResult::Failed);
    EXPECT_EQ(t.messages.codes(), (std::vector<int>{kMsgNotSuitableFlat, kMsgNotSuitableFlat}));
    EXPECT_EQ(ws.WorkImage[0], 5);
    EXPECT_EQ(ws.WorkImage[kPlaneCapacity - 1], 5);

    EXPECT_EQ(LoadSecondImage(p, bare, SecondImagePurpose::Dark), SecondImageResult::Ok);
    EXPECT_EQ(ws.WorkImage[0], 0);

    t.messages.messages.clear();
    test::writeFileBytes(t.dir / "odd", std::vector<std::uint8_t>(100));
    EXPECT_EQ(LoadSecondImage(p, t.dir / "odd", SecondImagePurpose::Dark), SecondImageResult::Failed);
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgNotKorFile});
}

TEST(RawFile, AutosavedSequenceFollowsTheFileLoadedByHand)
{
    test::TestProgram t;
    Program& p = t.program;
    p.startUp();
    makeImage(p.workspace, true, false, 2, '2');
    p.settings.AutosaveCounter = 17;
    for (int n = 0; n < 2; ++n)
        ASSERT_EQ(QuickSaveFits(p), FitsWriteResult::Ok); // IMG18, IMG19
    std::filesystem::copy_file(autosavedFilePath(p, 18), autosavedFilePath(p, 17));
    p.settings.AutosaveCounter = 18;

    EXPECT_EQ(LoadNextAutosavedFile(p), LoadResult::Failed); // nothing loaded yet
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgNoMoreAutosaved});

    std::filesystem::copy_file(autosavedFilePath(p, 17), t.dir / "img17.fit");
    EXPECT_EQ(LoadRawFile(p, t.dir / "img17.fit"), LoadResult::Image);
    EXPECT_EQ(p.files.ReplayCounter, 17);
    EXPECT_EQ(LoadNextAutosavedFile(p), LoadResult::Image);
    EXPECT_EQ(p.files.ReplayCounter, 18);
    EXPECT_EQ(p.files.currentFileName, autosavedFilePath(p, 18).string());
    EXPECT_EQ(LoadNextAutosavedFile(p), LoadResult::Failed); // IMG19 is beyond the counter
    EXPECT_EQ(t.messages.codes(), (std::vector<int>{kMsgNoMoreAutosaved, kMsgNoMoreAutosaved}));
}

TEST(RawFile, DeleteRemovesOnlyRegularFiles)
{
    test::TestProgram t;
    test::writeFileBytes(t.dir / "old", {1});
    std::filesystem::create_directories(t.dir / "folder");
    EXPECT_TRUE(DeleteImageFile(t.program, t.dir / "old"));
    EXPECT_FALSE(std::filesystem::exists(t.dir / "old"));
    EXPECT_FALSE(DeleteImageFile(t.program, t.dir / "folder"));
    EXPECT_TRUE(std::filesystem::exists(t.dir / "folder"));
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgOwnText});
}

TEST(RawFile, FilterIndexAndCaptionFollowTheChosenName)
{
    EXPECT_EQ(filterIndexFor("/a/IMG3.FIT"), 2);
    EXPECT_EQ(filterIndexFor("/a/m42.fit"), 2);
    EXPECT_EQ(filterIndexFor("/a/~m42"), 1);
    EXPECT_EQ(filterIndexFor("/a/~m42.tif"), 1);
    EXPECT_EQ(filterIndexFor("/a/m42.tif"), 3);
    FileState files;
    rememberChoice(files, "/data/night/m42.FIT");
    EXPECT_EQ(files.filterIndex, 2);
    EXPECT_EQ(files.lastDirectory, "/data/night");
    EXPECT_EQ(windowCaption(files), "KOR_T53K_USB - (Untitled)");
    files.currentFileName = "/data/night/m42.FIT";
    EXPECT_EQ(windowCaption(files), "KOR_T53K_USB - m42.FIT");
}

} // namespace
} // namespace kor
