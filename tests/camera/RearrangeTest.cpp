#include "camera/Rearrange.h"
#include "camera/RearrangeReference.h"
#include "processing/HotLoops.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace kor {
namespace {

struct Landing {
    std::size_t raw;
    int row, column;
};

// Puts distinct values at the given raw indices of an otherwise zero readout,
// arranges, and checks that each lands where the table says and that nothing
// else of the image is set.
void checkLandings(test::TestProgram& t, int width, int height, const std::vector<Landing>& table,
                   const std::function<void(const std::uint16_t*, std::uint16_t*, std::uint16_t*)>& arrange,
                   bool equalValues = false)
{
    CameraLink& camera = t.program.camera;
    std::uint16_t* image = t.program.workspace.CurrentImage.data();
    // An earlier image: nothing of it may survive.
    std::fill_n(image, std::size_t(width) * height, std::uint16_t(999));
    std::fill_n(camera.ReadoutScratch.data(), kReadoutScratchCapacity, std::uint16_t(777));
    for (std::size_t i = 0; i < table.size(); ++i)
        camera.ReadoutWords[table[i].raw] = std::uint16_t(equalValues ? 1000 : 1000 + i);
    arrange(camera.ReadoutWords.data(), camera.ReadoutScratch.data(), image);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Landing& l = table[i];
        EXPECT_EQ(image[std::size_t(l.row) * width + l.column], equalValues ? 1000 : 1000 + i)
            << "raw " << l.raw << " at row " << l.row << ", column " << l.column;
    }
    const auto set = std::count_if(image, image + std::size_t(width) * height, [](std::uint16_t v) { return v; });
    EXPECT_EQ(std::size_t(set), table.size());
    for (const Landing& l : table)
        camera.ReadoutWords[l.raw] = 0;
}

TEST(Rearrange, HighResLandings)
{
    test::TestProgram t;
    constexpr std::size_t f2 = 5101200;
    checkLandings(t, 3900, 2616,
                  {{52720, 2416, 41},
                   {52721, 2412, 3856},
                   {52722, 2414, 39},
                   {52723, 2412, 3854},
                   {f2 + 52720, 2415, 40},
                   {f2 + 52721, 2413, 3857},
                   {f2 + 52722, 2413, 38},
                   {f2 + 52723, 2413, 3855}},
                  ArrangeHighRes);
}

TEST(Rearrange, FieldsFillAlternateRows)
{
    test::TestProgram t;
    CameraLink& camera = t.program.camera;
    std::fill_n(camera.ReadoutWords.data(), 5101200, std::uint16_t(1));
    std::fill_n(camera.ReadoutWords.data() + 5101200, 5101200, std::uint16_t(2));
    std::uint16_t* image = t.program.workspace.CurrentImage.data();
    ArrangeHighRes(camera.ReadoutWords.data(), camera.ReadoutScratch.data(), image);
    for (int row = 0; row < 2616; row += 7)
        for (int column = 0; column < 3900; column += 3) {
            const std::uint16_t v = image[std::size_t(row) * 3900 + column];
            if (v != 0) { // edge columns no readout reaches are zero
                ASSERT_EQ(v, row % 2 == 0 ? 1 : 2) << row << "," << column;
            }
        }
}

TEST(Rearrange, ColourBinnedLandings)
{
    test::TestProgram t;
    constexpr std::size_t f2 = 1275300;
    checkLandings(t, 1950, 1308,
                  {{10 * 1308 + 200, 1108, 22},
                   {10 * 1308 + 201, 1107, 1930},
                   {f2 + 10 * 1308 + 200, 1107, 23},
                   {f2 + 10 * 1308 + 201, 1108, 1931}},
                  ArrangeColourBinned);
}

TEST(Rearrange, MonoBinned2Landings)
{
    // Equal values: the balance of the odd columns then changes nothing.
    test::TestProgram t;
    checkLandings(t, 1950, 1308, {{10 * 2616 + 200, 1209, 20}, {10 * 2616 + 201, 1208, 1929}}, ArrangeMonoBinned2,
                  true);
}

TEST(Rearrange, FocusFrameLandings)
{
    test::TestProgram t;
    auto unbinned = [](const std::uint16_t* r, std::uint16_t* s, std::uint16_t* i) {
        ArrangeFocusFrame(r, s, i, false);
    };
    auto binned = [](const std::uint16_t* r, std::uint16_t* s, std::uint16_t* i) { ArrangeFocusFrame(r, s, i, true); };
    checkLandings(t, 128, 128,
                  {{2580, 118, 41},
                   {2581, 114, 84},
                   {2582, 116, 39},
                   {2583, 114, 82},
                   {8192 + 2580, 117, 40},
                   {8192 + 2581, 115, 85},
                   {8192 + 2582, 115, 38},
                   {8192 + 2583, 115, 83}},
                  unbinned);
    checkLandings(t, 128, 128, {{10 * 256 + 40, 109, 20}, {10 * 256 + 41, 108, 107}}, binned, true);
}

// The whole image of every mode against the plain scatter and gather, on
// seeded random readouts, over an image left by an earlier frame.
TEST(Rearrange, EveryModeEqualsThePlainScatterAndGather)
{
    test::TestProgram t;
    CameraLink& camera = t.program.camera;
    using Arrange = std::function<void(const std::uint16_t*, std::uint16_t*, std::uint16_t*)>;
    struct Case {
        const char* name;
        int width, height;
        std::size_t rawPixels;
        Arrange fast, plain;
    };
    const Case cases[] = {
        {"full frame", 3900, 2616, 10202400, ArrangeHighRes,
         [](const std::uint16_t* r, std::uint16_t*, std::uint16_t* i) { reference::highRes(r, i, 2616, 3900, 975, 5232, 5101200); }},
        {"colour binned", 1950, 1308, 2550600, ArrangeColourBinned,
         [](const std::uint16_t* r, std::uint16_t*, std::uint16_t* i) { reference::colourBinned(r, i); }},
        {"mono binned", 1950, 1308, 2550600, ArrangeMonoBinned2,
         [](const std::uint16_t* r, std::uint16_t*, std::uint16_t* i) {
             reference::monoBinned2(r, i, 1308, 1950, 975, 2616);
             BalanceOddColumns(i, 1950, 1308);
         }},
        {"mono 4 x 4", 1950, 1308, 637650, ArrangeMonoBinned4,
         [](const std::uint16_t* r, std::uint16_t*, std::uint16_t* i) { reference::monoBinned4(r, i); }},
        {"focus frame", 128, 128, 16384,
         [](const std::uint16_t* r, std::uint16_t* s, std::uint16_t* i) { ArrangeFocusFrame(r, s, i, false); },
         [](const std::uint16_t* r, std::uint16_t*, std::uint16_t* i) { reference::highRes(r, i, 128, 128, 32, 256, 8192); }},
        {"binned focus frame", 128, 128, 16384,
         [](const std::uint16_t* r, std::uint16_t* s, std::uint16_t* i) { ArrangeFocusFrame(r, s, i, true); },
         [](const std::uint16_t* r, std::uint16_t*, std::uint16_t* i) {
             reference::monoBinned2(r, i, 128, 128, 64, 256);
             BalanceOddColumns(i, 128, 128);
         }},
    };
    std::mt19937 random(11);
    // With and without the AVX2 loops, so that the baseline form is checked too.
    for (const bool avx2 : {true, false})
    for (const Case& c : cases) {
        allowAvx2Kernels = avx2;
        SCOPED_TRACE(std::string(c.name) + (avx2 ? "" : ", baseline loops"));
        const std::size_t pixels = std::size_t(c.width) * c.height;
        for (std::size_t i = 0; i < c.rawPixels; ++i)
            camera.ReadoutWords[i] = std::uint16_t(random());
        // The extremes, at both ends of the readout.
        camera.ReadoutWords[0] = 65535;
        camera.ReadoutWords[c.rawPixels - 1] = 65535;
        camera.ReadoutWords[1] = 0;
        std::vector<std::uint16_t> expected(pixels, 4321);
        c.plain(camera.ReadoutWords.data(), nullptr, expected.data());
        std::uint16_t* image = t.program.workspace.CurrentImage.data();
        std::fill_n(image, pixels, std::uint16_t(999));
        c.fast(camera.ReadoutWords.data(), camera.ReadoutScratch.data(), image);
        std::size_t differing = 0, first = pixels;
        for (std::size_t p = 0; p < pixels; ++p)
            if (image[p] != expected[p] && differing++ == 0)
                first = p;
        EXPECT_EQ(differing, 0u) << "first at row " << first / c.width << ", column " << first % c.width;
    }
    allowAvx2Kernels = true;
}

TEST(Rearrange, MonoBinned4FillsBlocksWithTheirNeighbours)
{
    test::TestProgram t;
    CameraLink& camera = t.program.camera;
    std::uint16_t* image = t.program.workspace.CurrentImage.data();
    std::fill_n(image, 1950 * 1308, std::uint16_t(999));
    // Readout row 10, position 100: the even value is sample (row 554, column 22),
    // the odd one sample (554, 955); image rows and columns are twice those.
    camera.ReadoutWords[10 * 1308 + 200] = 1000;
    camera.ReadoutWords[10 * 1308 + 201] = 3000;
    ArrangeMonoBinned4(camera.ReadoutWords.data(), camera.ReadoutScratch.data(), image);
    auto at = [&](int row, int column) { return image[std::size_t(row) * 1950 + column]; };
    struct Expect {
        int row, column, value;
    };
    const Expect table[] = {
        {1108, 44, 1000},   {1108, 45, 500},    {1109, 44, 500},    {1109, 45, 250}, // the block itself
        {1108, 43, 500},    {1107, 44, 500},    {1107, 45, 500},    {1107, 43, 0},   // neighbours mixing toward it
        {1108, 1910, 3000}, {1108, 1911, 1500}, {1109, 1910, 1500}, {1109, 1911, 750},
        {1108, 46, 0},      {1110, 44, 0},      {0, 0, 0},
    };
    for (const Expect& e : table)
        EXPECT_EQ(at(e.row, e.column), e.value) << e.row << "," << e.column;
    EXPECT_EQ(std::count(image, image + 1950 * 1308, 999), 0); // every pixel written
}

TEST(Rearrange, BalanceScalesOddColumnsToTheEvenOnes)
{
    struct Case {
        std::vector<std::uint16_t> in, out;
    };
    const Case cases[] = {
        {{100, 50, 100, 50}, {100, 100, 100, 100}},
        {{300, 100, 0, 0}, {300, 300, 0, 0}},
        {{60000, 20000, 60000, 30000}, {60000, 48000, 60000, 65534}}, // 72000 is stored as 65534
        {{100, 0, 100, 0}, {100, 0, 100, 0}},                         // nothing to scale by
        {{7, 3, 5}, {7, 12, 5}},                                      // odd width: 12 / 3 = 4
    };
    for (const Case& c : cases) {
        std::vector<std::uint16_t> image = c.in;
        const int width = c.in.size() == 3 ? 3 : 2;
        BalanceOddColumns(image.data(), width, int(c.in.size()) / width);
        EXPECT_EQ(image, c.out);
    }
}

} // namespace
} // namespace kor
