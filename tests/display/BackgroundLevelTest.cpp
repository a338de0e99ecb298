#include "display/BackgroundLevel.h"
#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace kor {
namespace {

TEST(BackgroundLevel, BandMethodCountsOnlyTheBandAndTakesTheFirstLargestBin)
{
    for (bool binned : {false, true}) {
        SCOPED_TRACE(binned ? "binned" : "full frame");
        auto ws = std::make_unique<Workspace>();
        ws->BinnedMode = binned;
        ws->SetGeometry();
        const int bandRows = binned ? 90 : 190;
        const std::size_t w = std::size_t(ws->ImageWidth);
        // Rows 0-4 (the label band) and the rows after the band are full of a
        // value that must not count.
        std::fill_n(ws->CurrentImage.data(), ws->PixelCount, std::uint16_t(200 * 256));
        // Band: half the pixels in bin 7, half in bin 9 -> a tie, the first wins.
        for (std::size_t i = 5 * w; i < (5 + bandRows) * w; ++i)
            ws->CurrentImage[i] = std::uint16_t((i % 2 ? 9 : 7) * 256 + 255);
        EXPECT_EQ(BackgroundLevelByBand(*ws), 7);
        // Saturated 16-bit counter for a bin that holds the whole half band.
        EXPECT_EQ(ws->Histogram256[7], std::min<std::size_t>(bandRows * w / 2, 65535));
        EXPECT_EQ(ws->Histogram256[200], 0);
    }
}

} // namespace
} // namespace kor
