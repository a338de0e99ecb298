#include "display/ImageLabel.h"
#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace kor {
namespace {

std::tm sampleTime()
{
    std::tm t{};
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    t.tm_mday = 9;
    t.tm_mon = 0;
    t.tm_year = 2026 - 1900;
    return t;
}

TEST(LabelLine, CentresTheTextAndAppendsTheDate)
{
    const std::tm t = sampleTime();
    EXPECT_EQ(labelLine(true, "", t), std::string(20, ' ') + "  03:04:05 UT 09-01-2026 ");
    EXPECT_EQ(labelLine(true, std::string(30, 'x'), t).substr(0, 6), "     x");
    EXPECT_EQ(labelLine(false, "M42", t), std::string(30, ' ') + "M42");
    // The dialog's limit: longer texts are cut at 30 characters.
    EXPECT_EQ(labelLine(false, std::string(40, 'y'), t), std::string(17, ' ') + std::string(30, 'y'));
}

TEST(StampLabel, DrawsGlyphsClearsTheBandStartAndMarksTheImage)
{
    auto ws = std::make_unique<Workspace>();
    ws->BinnedMode = true;
    ws->SetGeometry();
    const int w = ws->ImageWidth;
    std::fill_n(ws->CurrentImage.data(), std::size_t(w) * 20, std::uint16_t(1234));
    // "A#" without date: 31 blanks, then "A" in cell 31 and "#" (no glyph) in cell 32.
    StampLabel(*ws, false, "A#", sampleTime());

    EXPECT_TRUE(ws->hasLabelBand());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ws->CurrentImage[std::size_t(i)], 17);
    const unsigned char* a = labelGlyph('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a[1], 0x3C);
    EXPECT_EQ(a[4], 0x7E);
    for (int row = 0; row < 10; ++row)
        for (int bit = 0; bit < 8; ++bit)
            EXPECT_EQ(ws->CurrentImage[std::size_t(row) * w + 31 * 8 + bit], (a[row] & (0x80 >> bit)) ? 65535 : 0);
    // The "#" cell keeps what it held: cleared in the first 6600 values, untouched below.
    EXPECT_EQ(ws->CurrentImage[32 * 8], 0);
    EXPECT_EQ(ws->CurrentImage[std::size_t(5) * w + 32 * 8], 1234);
    // Blank cells are drawn (all clear) over the whole ten rows.
    EXPECT_EQ(ws->CurrentImage[std::size_t(9) * w + 8], 0);
    // Beyond the line and the cleared values the image is unchanged.
    EXPECT_EQ(ws->CurrentImage[std::size_t(5) * w + 64 * 8], 1234);
    EXPECT_EQ(ws->CurrentImage[std::size_t(10) * w + 31 * 8], 1234);
}

TEST(LabelFont, CoversEveryListedCharacter)
{
    for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/ -:"))
        EXPECT_NE(labelGlyph(c), nullptr) << c;
    for (char c : std::string("#.,_*"))
        EXPECT_EQ(labelGlyph(c), nullptr) << c;
}

TEST(ProcessingHistory, ListsTheLinesEachFollowedByBlankNewline)
{
    auto ws = std::make_unique<Workspace>();
    EXPECT_EQ(processingHistoryText(*ws), " \n");
    ws->AppendHistory("Normal Stretch");
    ws->AppendHistory("Median Filter");
    ws->AppendHistory("Unsharp Mask");
    EXPECT_EQ(processingHistoryText(*ws), "Normal Stretch \nMedian Filter \nUnsharp Mask \n");
}

} // namespace
} // namespace kor
