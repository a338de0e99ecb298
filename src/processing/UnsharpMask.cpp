// The inner loops are written for the vectoriser, which only the higher
// optimisation level runs; keep it on in every build type.
#pragma GCC optimize("O3")

#include "processing/FilterPass.h"
#include "processing/Filters.h"
#include "processing/HotLoops.h"
#include "program/Program.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kor {

namespace {

// One row of the result from the row's window sums.
KOR_HOT_LOOP void sharpenRow(const std::uint16_t* src, const int* windowSums, std::uint16_t* out, int x0, int x1,
                             float windowArea, int power)
{
    for (int x = x0; x < x1; ++x) {
        // Exact: the sum is below 2^24 and the quotient's fraction, when not
        // zero, is at least 1/225, well above the float rounding.
        const int mean = int(float(windowSums[x]) / windowArea);
        const int v = src[x];
        out[x] = clampFilterResult(v + (v - mean) * power);
    }
}

KOR_HOT_LOOP void slideColumnSums(int* columnSums, const std::uint16_t* add, const std::uint16_t* drop, int width)
{
    for (int x = 0; x < width; ++x)
        columnSums[x] += int(add[x]) - int(drop[x]);
}

} // namespace

void UnsharpMask(Program& program, int radius, int power, bool redisplay)
{
    Workspace& ws = program.workspace;
    radius = std::clamp(radius, 1, 7);
    power = std::clamp(power, 1, 7);
    const int width = ws.ImageWidth;
    const int side = 2 * radius + 1;
    const float windowArea = float(side * side);
    const int first = radius + (ws.hasLabelBand() ? kLabelBandRows : 0);
    // The last column before the right border keeps its value: the window
    // slides out of the image there.
    const int xEnd = width - radius - 1;

    runFilterPass(program, "UNSHARP MASK PROGRESS", first, ws.ImageHeight - radius,
                  [&](const std::uint16_t* source, std::uint16_t* result, int y0, int y1) {
                      // Column sums over the window's rows, slid down one row at a time;
                      // window sums slid along the row. Both stay below 2^24.
                      std::vector<int> columnSums(width, 0);
                      std::vector<int> windowSums(width, 0);
                      const auto row = [&](int y) { return source + std::size_t(y) * width; };
                      for (int dy = -radius; dy <= radius; ++dy) {
                          const std::uint16_t* src = row(y0 + dy);
                          for (int x = 0; x < width; ++x)
                              columnSums[x] += src[x];
                      }
                      for (int y = y0; y < y1; ++y) {
                          if (y > y0)
                              slideColumnSums(columnSums.data(), row(y + radius), row(y - radius - 1), width);
                          int sum = 0;
                          for (int x = 0; x < side; ++x)
                              sum += columnSums[x];
                          for (int x = radius; x < xEnd; ++x) {
                              windowSums[x] = sum;
                              sum += columnSums[x + radius + 1] - columnSums[x - radius];
                          }
                          sharpenRow(row(y), windowSums.data(), result + std::size_t(y) * width, radius, xEnd,
                                     windowArea, power);
                      }
                  });
    ws.AppendHistory("Unsharp Mask : rad " + std::to_string(radius) + " ,power " + std::to_string(power));
    if (redisplay)
        program.Redisplay();
}

} // namespace kor
