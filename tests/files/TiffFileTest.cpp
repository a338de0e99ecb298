#include "files/TiffFile.h"
#include "files/FilesTestSupport.h"
#include "messages/Messages.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstring>

namespace kor {
namespace {

std::uint32_t u32At(const std::string& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

std::uint16_t u16At(const std::string& b, std::size_t at)
{
    std::uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

// Directory entry k (0-based): tag, type, count, value.
struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
};

Entry entryAt(const std::string& b, int k)
{
    const std::size_t at = 10 + std::size_t(k) * 12;
    const std::uint16_t type = u16At(b, at + 2);
    const std::uint32_t count = u32At(b, at + 4);
    return {u16At(b, at), type, count, type == 3 && count == 1 ? u16At(b, at + 8) : u32At(b, at + 8)};
}

TEST(TiffHeader, BinnedMonochromeLayout)
{
    const std::string b = buildTiffHeader({kBinnedWidth, kBinnedHeight, 1, 1});
    EXPECT_EQ(b.substr(0, 4), std::string("II\x2a\0", 4));
    EXPECT_EQ(u32At(b, 4), 8u);
    EXPECT_EQ(u16At(b, 8), 13);
    const Entry expected[13] = {{254, 4, 1, 0},   {256, 3, 1, 1950}, {257, 3, 1, 1308}, {258, 3, 1, 8},
                                {259, 3, 1, 1},   {262, 3, 1, 1},    {273, 4, 6, 186},  {277, 3, 1, 1},
                                {278, 4, 1, 218}, {279, 4, 6, 210},  {282, 5, 1, 170},  {283, 5, 1, 178},
                                {296, 3, 1, 3}};
    for (int k = 0; k < 13; ++k) {
        const Entry e = entryAt(b, k);
        EXPECT_EQ(e.tag, expected[k].tag);
        EXPECT_EQ(e.type, expected[k].type) << e.tag;
        EXPECT_EQ(e.count, expected[k].count) << e.tag;
        EXPECT_EQ(e.value, expected[k].value) << e.tag;
    }
    EXPECT_EQ(u32At(b, 166), 0u);
    EXPECT_EQ(u32At(b, 170), 510u);
    EXPECT_EQ(u32At(b, 174), 6u);
    EXPECT_EQ(u32At(b, 178), 256u);
    EXPECT_EQ(u32At(b, 182), 4u);
    ASSERT_EQ(b.size(), 234u); // data start
    EXPECT_EQ(u32At(b, 186), 234u);
    EXPECT_EQ(u32At(b, 190), 234u + 1950 * 218);
    EXPECT_EQ(u32At(b, 210), 1950u * 218);
}

TEST(TiffHeader, FullFrameColourLayout)
{
    const std::string b = buildTiffHeader({kFullWidth, kFullHeight, 3, 2});
    ASSERT_EQ(b.size(), 378u);
    const std::uint32_t strip = 3900u * 109 * 6;
    EXPECT_EQ(entryAt(b, 3).count, 3u);
    EXPECT_EQ(entryAt(b, 3).value, 378u + 24 * strip); // bits per sample after the data
    EXPECT_EQ(entryAt(b, 5).value, 2u);
    EXPECT_EQ(entryAt(b, 6).count, 24u);
    EXPECT_EQ(entryAt(b, 8).value, 109u);
    EXPECT_EQ(u32At(b, 186), 378u);
    EXPECT_EQ(u32At(b, 186 + 4 * 23), 378u + 23 * strip);
}

// libtiff, an independent reader, sees the samples we wrote.
TEST(TiffFile, LibtiffReadsEightAndSixteenBitMonochrome)
{
    test::TestProgram t;
    Program& p = t.program;
    Workspace& ws = p.workspace;
    for (const bool binned : {true, false}) {
        test::makeImage(ws, binned, false, binned ? 2 : 1, binned ? '2' : '1');
        for (const bool sixteen : {false, true}) {
            p.settings.tiff16Bit = sixteen ? 'y' : 'n';
            const auto path = t.dir / "image.TIF";
            ASSERT_TRUE(SaveTiffFile(p, path));
            const std::size_t bytes = std::size_t(sixteen ? 2 : 1) * ws.PixelCount;
            EXPECT_EQ(std::filesystem::file_size(path), 186 + 8 * std::size_t(ws.ImageHeight / 218) + bytes);

            TIFF* tif = TIFFOpen(path.c_str(), "r");
            ASSERT_NE(tif, nullptr);
            std::uint32_t width = 0, height = 0;
            std::uint16_t bits = 0, samples = 0, photometric = 9;
            TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
            TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
            TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
            TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
            TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
            EXPECT_EQ(width, std::uint32_t(ws.ImageWidth));
            EXPECT_EQ(height, std::uint32_t(ws.ImageHeight));
            EXPECT_EQ(bits, sixteen ? 16 : 8);
            EXPECT_EQ(samples, 1);
            EXPECT_EQ(photometric, PHOTOMETRIC_MINISBLACK);
            std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(tif)));
            std::size_t wrong = 0;
            for (std::uint32_t y = 0; y < height; ++y) {
                ASSERT_EQ(TIFFReadScanline(tif, row.data(), y), 1);
                for (std::uint32_t x = 0; x < width; ++x) {
                    const std::uint16_t v = ws.CurrentImage[std::size_t(y) * width + x];
                    const unsigned got = sixteen ? unsigned(row[2 * x] | row[2 * x + 1] << 8) : row[x];
                    wrong += got != (sixteen ? v : v >> 8);
                }
            }
            EXPECT_EQ(wrong, 0u) << (binned ? "binned " : "full ") << (sixteen ? 16 : 8);
            TIFFClose(tif);
        }
    }
}

TEST(TiffFile, FailedSaveReportsAndKeepsTheOldFile)
{
    test::TestProgram t;
    test::makeImage(t.program.workspace, true, false, 2, '2');
    std::filesystem::create_directories(t.dir / "old.TIF" / "x");
    EXPECT_FALSE(SaveTiffFile(t.program, t.dir / "old.TIF"));
    EXPECT_FALSE(SaveTiffFile(t.program, t.dir / "missing" / "a.TIF"));
    EXPECT_EQ(t.messages.codes(), (std::vector<int>{kMsgCreateFileFailed, kMsgCreateFileFailed}));
    EXPECT_TRUE(std::filesystem::is_directory(t.dir / "old.TIF" / "x"));
}

} // namespace
} // namespace kor
