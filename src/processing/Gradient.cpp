#include "processing/Filters.h"
#include "processing/ParallelRows.h"
#include "program/Program.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kor {

namespace {

constexpr int kBoxSize = 40;
constexpr int kLevelBins = 4096;
// The sample boxes sit at the same places whatever the image size.
constexpr int kTopRow = 10, kBottomRow = 450, kLeftColumn = 20, kRightColumn = 600;

// Most populated bin of value / 16 over a 40 x 40 box, the first on ties.
// Without bin 0, an all-zero box gives level 1.
int boxLevel(const Workspace& ws, int top, int left, bool skipZero)
{
    std::vector<int> counts(kLevelBins, 0);
    for (int y = top; y < top + kBoxSize; ++y)
        for (int x = left; x < left + kBoxSize; ++x)
            ++counts[ws.CurrentImage[std::size_t(y) * ws.ImageWidth + x] / 16];
    const int firstBin = skipZero ? 1 : 0;
    const auto best = std::max_element(counts.begin() + firstBin, counts.end());
    if (skipZero && *best == 0)
        return 1;
    return int(best - counts.begin());
}

} // namespace

void GradientFilter(Program& program)
{
    Workspace& ws = program.workspace;
    ws.SaveUndo();
    const std::array<int, 4> levels{
        boxLevel(ws, kTopRow, kLeftColumn, false), boxLevel(ws, kTopRow, kRightColumn, false),
        boxLevel(ws, kBottomRow, kLeftColumn, true), boxLevel(ws, kBottomRow, kRightColumn, true)};
    const int lowest = *std::min_element(levels.begin(), levels.end());
    const double a = (levels[0] - lowest) * 16.0, b = (levels[1] - lowest) * 16.0;
    const double c = (levels[2] - lowest) * 16.0, d = (levels[3] - lowest) * 16.0;

    const int width = ws.ImageWidth, height = ws.ImageHeight;
    const double n = double(ws.PixelCount);
    std::uint16_t* pixels = ws.CurrentImage.data();
    forEachRowBlock(ws.hasLabelBand() ? kLabelBandRows : 0, height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            std::uint16_t* row = pixels + std::size_t(y) * width;
            for (int x = 0; x < width; ++x) {
                const double g = double(height - y) * (width - x) / n * a + double(height - y) * x / n * b +
                                 double(width - x) * y / n * c + double(x) * y / n * d;
                row[x] = row[x] > g ? std::uint16_t(row[x] - std::uint16_t(g)) : std::uint16_t(0);
            }
        }
    });
    ws.AppendHistory("Gradient Filter");
    program.Redisplay();
}

} // namespace kor
