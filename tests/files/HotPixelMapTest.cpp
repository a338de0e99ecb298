#include "files/HotPixelMap.h"
#include "files/FilesTestSupport.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kor {
namespace {

struct MapFixture : testing::Test {
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;

    void SetUp() override
    {
        std::filesystem::create_directories(p.paths.root());
        ws.BinnedMode = true;
        ws.SetGeometry();
        std::fill_n(ws.CurrentImage.data(), ws.PixelCount, std::uint16_t(100));
    }
    std::uint16_t& at(int x, int y) { return ws.CurrentImage[std::size_t(y) * ws.ImageWidth + x]; }

    std::vector<std::uint8_t> mapFile(std::int32_t count, std::size_t entries)
    {
        std::vector<std::uint8_t> b(kHotPixelMapHeaderBytes + entries * 4, 0);
        std::memcpy(b.data(), kHotPixelMapMagic, kHotPixelMapMagicLength);
        std::memcpy(b.data() + kHotPixelMapMagicLength, &count, 4);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::int32_t index = std::int32_t(2000 * ws.ImageWidth + 100 + i);
            std::memcpy(b.data() + kHotPixelMapHeaderBytes + i * 4, &index, 4);
        }
        return b;
    }
};

TEST_F(MapFixture, ThreeHotPixelsMakeAThirtyOneByteFileThatLoadsBack)
{
    at(10, 20) = at(500, 600) = at(1944, 1303) = 65535;          // the last is just inside the scanned area
    at(4, 50) = at(1945, 50) = at(50, 4) = at(50, 1304) = 65535; // just outside
    EXPECT_EQ(FindHotPixels(p, 65535), HotPixelSearch::Found);
    EXPECT_EQ(p.files.hotPixels.count, 3);
    EXPECT_EQ(hotPixelEntry(ws, 0), 20 * 1950 + 10);
    EXPECT_EQ(hotPixelEntry(ws, 2), 1303 * 1950 + 1944);
    ASSERT_TRUE(SaveHotPixelMap(p));
    const auto path = hotPixelMapPath(p);
    EXPECT_EQ(path.filename(), "T53K_HPM.HPM");
    EXPECT_EQ(std::filesystem::file_size(path), 31u);

    p.files.hotPixels = {};
    std::memset(ws.HotPixelList.data(), 0, 12);
    EXPECT_EQ(LoadRawFile(p, path), LoadResult::HotPixelMap);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].text, "Hot Pixel Map Loaded");
    EXPECT_TRUE(p.files.hotPixels.loaded);
    EXPECT_EQ(p.files.hotPixels.count, 3);
    EXPECT_EQ(hotPixelEntry(ws, 1), 600 * 1950 + 500);
}

TEST_F(MapFixture, ApplyingUsesCorrectedNeighboursInListOrder)
{
    at(100, 100) = at(101, 100) = 60000;
    at(99, 100) = 200;
    at(100, 99) = at(100, 101) = 100;
    at(101, 99) = 300;
    at(101, 101) = 500;
    at(102, 100) = 700;
    ASSERT_EQ(FindHotPixels(p, 50000), HotPixelSearch::Found);
    int redisplays = 0;
    p.setRedisplay([&] { ++redisplays; });
    ApplyHotPixelMap(p);
    const int left = (60000 + 200 + 100 + 100) / 4;
    EXPECT_EQ(at(100, 100), left);
    EXPECT_EQ(at(101, 100), (700 + left + 500 + 300) / 4);
    EXPECT_EQ(ws.UndoImage[std::size_t(100) * 1950 + 100], 60000);
    EXPECT_EQ(redisplays, 1);
    EXPECT_EQ(ws.historyLineCount(), 0);
}

TEST_F(MapFixture, SearchStopsOnALightFrameAndSkipsTheLabelBand)
{
    std::fill_n(ws.CurrentImage.data(), ws.PixelCount, std::uint16_t(9000));
    EXPECT_EQ(FindHotPixels(p, kHotPixelThresholdMin), HotPixelSearch::TooMany);
    EXPECT_EQ(p.files.hotPixels.count, 99001);
    EXPECT_FALSE(p.files.hotPixels.loaded);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].text, "Too many hot pixels found - ensure you have a darkframe loaded.");

    std::fill_n(ws.CurrentImage.data(), ws.PixelCount, std::uint16_t(0));
    for (int i = 0; i < 6; ++i)
        ws.CurrentImage[i] = kLabelMarkerValue;
    at(30, 10) = at(30, 16) = 65535;
    EXPECT_EQ(FindHotPixels(p, 65535), HotPixelSearch::Found);
    EXPECT_EQ(p.files.hotPixels.count, 1);
}

TEST_F(MapFixture, ApplyWithoutAMapAndEntriesOutsideTheImage)
{
    ApplyHotPixelMap(p);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].text, "Sorry, you haven't loaded a hot pixel map");

    // A map from a full-frame image lists indices past a binned image; those are passed over.
    p.files.hotPixels.loaded = true;
    p.files.hotPixels.count = 4;
    setHotPixelEntry(ws, 0, -5);
    setHotPixelEntry(ws, 1, 10);
    setHotPixelEntry(ws, 2, std::int32_t(ws.PixelCount) - 3);
    setHotPixelEntry(ws, 3, 5000 * 3900);
    at(10, 1) = 7;
    ApplyHotPixelMap(p);
    EXPECT_EQ(ws.CurrentImage[10], 100);
}

TEST_F(MapFixture, DamagedMapFilesChangeNothing)
{
    struct Case {
        const char* name;
        std::int32_t count;
        std::size_t entries;
    };
    p.files.hotPixels.count = 2;
    p.files.hotPixels.loaded = true;
    setHotPixelEntry(ws, 0, 1234);
    for (const Case& c : {Case{"negative", -1, 4}, Case{"beyondList", kHotPixelListEntries + 1, 4},
                          Case{"beyondFile", 5, 4}, Case{"hugeCount", 0x7fffffff, 1}}) {
        t.messages.messages.clear();
        test::writeFileBytes(t.dir / c.name, mapFile(c.count, c.entries));
        EXPECT_EQ(LoadRawFile(p, t.dir / c.name), LoadResult::Failed) << c.name;
        EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgNotValidKorOrFits}) << c.name;
        EXPECT_EQ(p.files.hotPixels.count, 2);
        EXPECT_EQ(hotPixelEntry(ws, 0), 1234);
    }
    // Twenty bytes that are not a map, and an empty map that is one.
    auto notMap = mapFile(0, 0);
    notMap.push_back(0);
    notMap[0] = 'X';
    test::writeFileBytes(t.dir / "x20", notMap);
    t.messages.messages.clear();
    EXPECT_EQ(LoadRawFile(p, t.dir / "x20"), LoadResult::Failed);
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgNotValidKorOrFits});
    auto empty = mapFile(0, 0);
    empty.push_back(0);
    test::writeFileBytes(t.dir / "empty", empty);
    EXPECT_EQ(LoadRawFile(p, t.dir / "empty"), LoadResult::HotPixelMap);
    EXPECT_EQ(p.files.hotPixels.count, 0);
}

TEST_F(MapFixture, MapNameChanges)
{
    EXPECT_EQ(ChangeHotPixelMapName(p, "T53K_HPM"), MapNameChange::Unchanged);
    EXPECT_EQ(ChangeHotPixelMapName(p, "Dark-20C"), MapNameChange::Changed);
    EXPECT_EQ(p.files.hotPixels.name, "Dark-20C");
    for (const char* bad : {"a*b", "a/b", "c:", "what?", "a\\b"}) {
        t.messages.messages.clear();
        EXPECT_EQ(ChangeHotPixelMapName(p, bad), MapNameChange::Refused);
        EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgHotPixelEmpty});
    }
    EXPECT_EQ(p.files.hotPixels.name, "Dark-20C");
    EXPECT_EQ(ChangeHotPixelMapName(p, std::string(50, 'n')), MapNameChange::Changed);
    EXPECT_EQ(p.files.hotPixels.name, std::string(40, 'n'));
    EXPECT_EQ(ChangeHotPixelMapName(p, ""), MapNameChange::Changed);
    EXPECT_EQ(p.files.hotPixels.name, "T53K_HPM");
}

TEST_F(MapFixture, FailedMapSaveReports)
{
    p.settings.AutosaveDir = (t.dir / "missing").string();
    EXPECT_FALSE(SaveHotPixelMap(p));
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].text, "Failed to create Hot Pixel Map file");
}

} // namespace
} // namespace kor
