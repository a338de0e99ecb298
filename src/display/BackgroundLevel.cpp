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
