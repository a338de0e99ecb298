#include "display/BackgroundLevel.h"

#include "workspace/Workspace.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kor {

namespace {
constexpr int kBandFirstRow = 5;
constexpr int kBandRowsFull = 190;
constexpr int kBandRowsBinned = 90;
} // namespace

int BackgroundLevelByBand(Workspace& ws)
{
    // Counted in 32 bits: a bin can hold all 741,000 band pixels. Histogram256
    // keeps the 16-bit counters its users read, saturated.
    std::array<std::uint32_t, kHistogramBins> counts{};
    const std::size_t first = std::size_t(kBandFirstRow) * ws.ImageWidth;
    const std::size_t count = std::size_t(ws.BinnedMode ? kBandRowsBinned : kBandRowsFull) * ws.ImageWidth;
    const std::uint16_t* pixels = ws.CurrentImage.data() + first;
    for (std::size_t i = 0; i < count; ++i)
        ++counts[pixels[i] >> 8];
    for (std::size_t b = 0; b < kHistogramBins; ++b)
        ws.Histogram256[b] = std::uint16_t(std::min<std::uint32_t>(counts[b], 65535));
    return int(std::max_element(counts.begin(), counts.begin() + 256) - counts.begin());
}

} // namespace kor

namespace kor {

namespace {
constexpr int kInteriorFirstRow = 11;
constexpr int kInteriorBottomMargin = 5; // rows 11 .. ImageHeight - 6
constexpr int kInteriorSideMargin = 5;   // ImageWidth - 10 pixels per row
} // namespace

int BackgroundLevelByInterior(Workspace& ws)
{
    std::array<std::uint32_t, kHistogramBins> counts{};
    const int lastRow = ws.ImageHeight - 1 - kInteriorBottomMargin;
    const int firstColumn = kInteriorSideMargin;
    const int endColumn = ws.ImageWidth - kInteriorSideMargin;
    for (int y = kInteriorFirstRow; y <= lastRow; ++y) {
        const std::uint16_t* row = ws.CurrentImage.data() + std::size_t(y) * ws.ImageWidth;
        for (int x = firstColumn; x < endColumn; ++x)
            ++counts[row[x] >> 8];
    }
    for (std::size_t b = 0; b < kHistogramBins; ++b)
        ws.Histogram256[b] = std::uint16_t(std::min<std::uint32_t>(counts[b], 65535));

    // The three most populated bins, each the first of its count.
    std::array<int, 3> peaks{-1, -1, -1};
    for (int& peak : peaks) {
        std::int64_t best = -1;
        for (int b = 0; b < 256; ++b) {
            if (b == peaks[0] || b == peaks[1])
                continue;
            if (std::int64_t(counts[std::size_t(b)]) > best) {
                best = counts[std::size_t(b)];
                peak = b;
            }
        }
    }
    return (peaks[0] + peaks[1] + peaks[2]) / 3;
}

} // namespace kor
