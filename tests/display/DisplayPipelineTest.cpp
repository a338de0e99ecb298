#include "display/DisplayPipeline.h"
#include "display/BackgroundLevel.h"
#include "display/Display.h"
#include "files/BitmapFile.h"
#include "messages/Messages.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <vector>

namespace kor {
namespace {

std::vector<std::uint8_t> slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

TEST(DisplayPalette, FalseColourEntriesAndGreyRamps)
{
    auto ws = std::make_unique<Workspace>();
    ws->FalseColour = true;
    const Palette falseColour = displayPalette(*ws, false, {});
    EXPECT_EQ(falseColour[0], (PaletteEntry{1, 0, 0, 0}));
    // v = 100: blue 255 - 100 - 155^2/256 = 62, green 100^2/256 = 39, red 100.
    EXPECT_EQ(falseColour[100], (PaletteEntry{62, 39, 100, 0}));
    EXPECT_EQ(falseColour[240], (PaletteEntry{15 - 0, 225, 240, 0}));
    for (int a = 241; a < 256; ++a)
        EXPECT_EQ(falseColour[std::size_t(a)], (PaletteEntry{std::uint8_t(a), std::uint8_t(a), std::uint8_t(a), 0}));

    // With automatic contrast the false colours follow the map.
    ws->AutoContrast = true;
    const ContrastMap map = autoContrastMap(100);
    const Palette mapped = displayPalette(*ws, true, map);
    EXPECT_EQ(mapped[100], falseColourEntry(0));
    EXPECT_EQ(mapped[200], falseColourEntry(192));

    ws->FalseColour = false;
    EXPECT_EQ(displayPalette(*ws, true, map)[200], (PaletteEntry{192, 192, 192, 0}));
    EXPECT_EQ(displayPalette(*ws, false, map)[200], (PaletteEntry{200, 200, 200, 0}));
}

TEST(DisplayCurves, StretchCurveAndContrastMapValues)
{
    const StretchCurve p2 = displayStretchCurve(2.0);
    EXPECT_EQ(p2[0], 0);
    EXPECT_EQ(p2[1], 1);
    EXPECT_EQ(p2[100], 143);
    EXPECT_EQ(p2[254], 254);
    const StretchCurve p50 = displayStretchCurve(50.0);
    EXPECT_EQ(p50[1], 41);
    EXPECT_EQ(p50[10], 171);

    const ContrastMap l0 = autoContrastMap(0);
    EXPECT_EQ(l0[0], 0);
    EXPECT_EQ(l0[1], 48);
    EXPECT_EQ(l0[100], 192);
    EXPECT_EQ(l0[255], 255);
    const ContrastMap l100 = autoContrastMap(100);
    EXPECT_EQ(l100[100], 0);
    EXPECT_EQ(l100[101], 48);
    EXPECT_EQ(l100[255], 219);
    EXPECT_EQ(autoContrastMap(-7), l0);
    const ContrastMap l255 = autoContrastMap(255);
    EXPECT_TRUE(std::all_of(l255.begin(), l255.end(), [](std::uint8_t v) { return v == 0; }));
}

TEST(DisplayCurves, StretchUsesSmallestLitByteAndSparesSaturatedBytes)
{
    std::vector<std::uint8_t> bytes{0, 130, 200, 140, 253, 254, 255, 252};
    const int m = smallestLitByte(bytes.data(), bytes.size());
    EXPECT_EQ(m, 130);
    EXPECT_EQ(smallestLitByte(bytes.data(), 1), 255); // nothing above 0
    const StretchCurve curve = displayStretchCurve(2.0);
    applyDisplayStretch(bytes.data(), bytes.size(), m, 5, curve);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{curve[0], curve[0], curve[65], curve[5], 253, 254, 255, curve[117]}));
}

struct GeometryCase {
    const char* name;
    bool binned;
    bool binDisplay;
    bool smallFrame;
    int width, height, rowBytes;
};

class DisplayGeometry : public testing::TestWithParam<GeometryCase> {};

// Every bitmap geometry: header fields, file size, bottom-up rows and zero padding.
TEST_P(DisplayGeometry, HeaderSizesAndRows)
{
    const GeometryCase& c = GetParam();
    test::TestProgram t;
    t.program.startUp();
    Workspace& ws = t.program.workspace;
    ws.BinnedMode = c.binned;
    ws.BinDisplay = c.binDisplay;
    ws.SetGeometry();
    // Pixel (x, y) = (x + 3y) * 256 + 7, so every byte shows where it came from.
    for (int y = 0; y < ws.ImageHeight; ++y)
        for (int x = 0; x < ws.ImageWidth; ++x)
            ws.CurrentImage[std::size_t(y) * ws.ImageWidth + x] = std::uint16_t(((x + 3 * y) & 255) * 256 + 7);
    DisplayFrameMode frame;
    frame.smallFrame = c.smallFrame;
    ASSERT_EQ(buildDisplayBitmap(t.program, {}, frame, {}), BitmapResult::Ok);

    const auto file = slurp(c.smallFrame ? t.program.paths.smallFrameBitmap() : t.program.paths.displayBitmap());
    const std::size_t imageBytes = std::size_t(c.rowBytes) * c.height;
    ASSERT_EQ(file.size(), 1078 + imageBytes);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(le32(file, 2), file.size());
    EXPECT_EQ(le32(file, 6), 0u);
    EXPECT_EQ(le32(file, 10), 1078u);
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(le32(file, 18), std::uint32_t(c.width));
    EXPECT_EQ(le32(file, 22), std::uint32_t(c.height));
    EXPECT_EQ(le16(file, 26), 1);
    EXPECT_EQ(le16(file, 28), 8);
    EXPECT_EQ(le32(file, 30), 0u);
    EXPECT_EQ(le32(file, 34), imageBytes);
    for (std::size_t at = 38; at < 54; ++at)
        EXPECT_EQ(file[at], 0) << at;
    EXPECT_EQ(file[54 + 4 * 200], 200); // grey ramp

    const int step = c.binDisplay ? 2 : 1;
    const int sourceWidth = c.smallFrame ? 128 : ws.ImageWidth;
    for (int t2 : {0, 1, c.height - 1}) { // stored rows: the last picture row comes first
        const int y = c.height - 1 - t2;
        const std::uint8_t* row = file.data() + 1078 + std::size_t(t2) * c.rowBytes;
        for (int x : {0, 1, c.width - 1}) {
            const std::size_t i = std::size_t(y) * step * sourceWidth + std::size_t(x) * step;
            const int sx = int(i % std::size_t(ws.ImageWidth)), sy = int(i / std::size_t(ws.ImageWidth));
            EXPECT_EQ(row[x], (sx + 3 * sy) & 255) << "row " << y << " column " << x;
        }
        for (int pad = c.width; pad < c.rowBytes; ++pad)
            EXPECT_EQ(row[pad], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, DisplayGeometry,
                         testing::Values(GeometryCase{"Full", false, false, false, 3900, 2616, 3900},
                                         GeometryCase{"FullBinDisplay", false, true, false, 1950, 1308, 1952},
                                         GeometryCase{"Binned", true, false, false, 1950, 1308, 1952},
                                         GeometryCase{"BinnedBinDisplay", true, true, false, 975, 654, 976},
                                         GeometryCase{"SmallFrame", false, false, true, 128, 128, 128}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayBitmap, FullFrameHeaderNumbers)
{
    test::TestProgram t;
    t.program.startUp();
    ASSERT_EQ(buildDisplayBitmap(t.program, {}, {}, {}), BitmapResult::Ok);
    const auto file = slurp(t.program.paths.displayBitmap());
    EXPECT_EQ(le32(file, 2), 10203478u);
    EXPECT_EQ(le32(file, 34), 10202400u);
}

TEST(DisplayBitmap, ColourBitmapWidensRowsAndBuildsInFourStrips)
{
    test::TestProgram t;
    t.program.startUp();
    Workspace& ws = t.program.workspace;
    ws.BinnedMode = true;
    ws.SetGeometry();
    ws.ColourImage = true;
    const auto renderer = [](const Workspace& w, int row, std::uint8_t* bgr) {
        for (int x = 0; x < w.ImageWidth; ++x) {
            bgr[3 * x] = 10;
            bgr[3 * x + 1] = std::uint8_t(row);
            bgr[3 * x + 2] = 30;
        }
    };
    ASSERT_EQ(buildDisplayBitmap(t.program, {}, {}, renderer), BitmapResult::Ok);
    const auto file = slurp(t.program.paths.displayBitmap());
    const std::size_t rowBytes = 1952 * 3;
    ASSERT_EQ(file.size(), 54 + rowBytes * 1308);
    EXPECT_EQ(le32(file, 2), file.size());
    EXPECT_EQ(le32(file, 10), 54u);
    EXPECT_EQ(le32(file, 18), 1952u);
    EXPECT_EQ(le16(file, 28), 24);
    EXPECT_EQ(le32(file, 34), rowBytes * 1308);
    const std::uint8_t* first = file.data() + 54; // picture row 1307
    EXPECT_EQ(first[0], 10);
    EXPECT_EQ(first[1], std::uint8_t(1307));
    EXPECT_EQ(first[2], 30);
    for (std::size_t b = 1950 * 3; b < rowBytes; ++b)
        EXPECT_EQ(first[b], 0);
    EXPECT_EQ(t.progress.captions, std::vector<std::string>{"BUILDING COLOUR IMAGE"});
    EXPECT_EQ(t.progress.positions, (std::vector<int>{64, 128, 192, 256}));
}

TEST(Redisplay, ReadsThePictureBackAndKeepsItWhenTheWriteFails)
{
    test::TestProgram t;
    t.program.startUp();
    Display display;
    ASSERT_TRUE(display.redisplay(t.program));
    ASSERT_TRUE(display.hasPicture());
    const DisplayPicture* picture = display.picture();
    EXPECT_EQ(picture->width, 3900);
    EXPECT_EQ(picture->height, 2616);
    // The start-up ramp: row r holds r x 25, shown as its high byte.
    EXPECT_EQ(picture->indices[std::size_t(1000) * 3900 + 17], 1000 * 25 / 256);
    EXPECT_EQ(picture->rgb32[std::size_t(1000) * 3900 + 17], 0xff616161u);
    EXPECT_TRUE(t.messages.messages.empty());

    // The temporary file cannot be created: message 8, the old picture stays.
    std::filesystem::remove_all(t.program.paths.root());
    t.program.workspace.BinDisplay = true;
    EXPECT_FALSE(display.redisplay(t.program));
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgTempBitmapFailed});
    EXPECT_EQ(display.picture(), picture);
    EXPECT_EQ(t.program.workspace.DisplayWidth, 3900);
}

// A file-size limit makes the writes fail where a full disk would: in the header, then in the pixels.
TEST(Redisplay, ShortWritesGiveTheirMessagesAndKeepTheOldFile)
{
    test::TestProgram t;
    t.program.startUp();
    Display display;
    t.program.workspace.BinnedMode = true;
    t.program.workspace.BinDisplay = true;
    t.program.workspace.SetGeometry();
    ASSERT_TRUE(display.redisplay(t.program));
    const auto before = slurp(t.program.paths.displayBitmap());

    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    for (const auto& [limit, code] :
         {std::pair{rlim_t(500), kMsgTempBitmapHeader}, {rlim_t(5000), kMsgTempBitmapFile}}) {
        rlimit small = old;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
        t.messages.messages.clear();
        t.program.workspace.FalseColour = !t.program.workspace.FalseColour;
        const bool shown = display.redisplay(t.program);
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(shown);
        EXPECT_EQ(t.messages.codes(), std::vector<int>{code});
    }
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(slurp(t.program.paths.displayBitmap()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.program.paths.root()), {}), 2); // bitmap, settings
}

TEST(BitmapRead, RejectsShortAndLyingFiles)
{
    test::TempDir dir;
    const auto path = dir.path() / "x.bmp";
    std::vector<std::uint8_t> pixels(16 * 4, 9);
    ASSERT_EQ(writeMonoBitmap(path, pixels.data(), {15, 4, 16, 1}, Palette{}), BitmapResult::Ok);
    auto good = slurp(path);
    ASSERT_TRUE(readBitmapFile(path));

    const auto rewrite = [&](std::vector<std::uint8_t> bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        return readBitmapFile(path).has_value();
    };
    EXPECT_FALSE(rewrite({good.begin(), good.end() - 1})); // one byte short
    auto tall = good;
    tall[22] = 200; // a height the file does not hold
    EXPECT_FALSE(rewrite(tall));
    auto negative = good;
    negative[25] = 0xff;
    EXPECT_FALSE(rewrite(negative));
    EXPECT_FALSE(rewrite({'B', 'M'}));
    EXPECT_FALSE(readBitmapFile(dir.path() / "missing.bmp"));
}

TEST(BackgroundLevel, InteriorMethodAveragesTheThreeFullestBins)
{
    auto ws = std::make_unique<Workspace>();
    ws->BinnedMode = true;
    ws->SetGeometry();
    const int w = ws->ImageWidth, h = ws->ImageHeight;
    // Interior: 50% at bin 10, 30% at bin 40, 20% at bin 100; the label band and edges hold bin 250.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool interior = y >= 11 && y <= h - 6 && x >= 5 && x < w - 5;
            const int bin = !interior ? 250 : (x % 10 < 5 ? 10 : x % 10 < 8 ? 40 : 100);
            ws->CurrentImage[std::size_t(y) * w + x] = std::uint16_t(bin * 256 + 255);
        }
    EXPECT_EQ(BackgroundLevelByInterior(*ws), (10 + 40 + 100) / 3);
    EXPECT_EQ(ws->Histogram256[250], 0);
}

TEST(PaintView, CopiesTheVisiblePartAndFillsTheRest)
{
    DisplayPicture picture;
    picture.width = 6;
    picture.height = 3;
    for (int i = 0; i < 18; ++i)
        picture.rgb32.push_back(std::uint32_t(i));
    const std::uint32_t bg = 0xffc0c0c0;
    std::vector<std::uint32_t> out(5 * 4, 1);
    paintScrolledView(&picture, 1, 1, 5, 4, bg, out.data(), 5);
    // Columns 1 to 3 of rows 1 and 2 (the background starts at column width - 2 = 4).
    EXPECT_EQ(
        out, (std::vector<std::uint32_t>{7, 8, 9, bg, bg, 13, 14, 15, bg, bg, bg, bg, bg, bg, bg, bg, bg, bg, bg, bg}));
    paintScrolledView(nullptr, 0, 0, 5, 4, bg, out.data(), 5);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [&](std::uint32_t v) { return v == bg; }));
}

} // namespace
} // namespace kor
