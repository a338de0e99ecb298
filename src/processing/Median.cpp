// The inner loops are written for the vectoriser, which only the higher
// optimisation level runs; keep it on in every build type.
#pragma GCC optimize("O3")

#include "processing/FilterPass.h"
#include "processing/Filters.h"
#include "program/Program.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace kor {

namespace {

// The smallest value is searched from this ceiling, so a window of very bright
// pixels counts its range from 65000.
constexpr int kLowSearchStart = 65000;

using Comparator = std::pair<int, int>;

// Batcher's merge-exchange sorting network for n wires (any n), ascending,
// pruned to the comparators that decide the middle wire.
std::vector<Comparator> medianNetwork(int n)
{
    std::vector<Comparator> all;
    int t = 0;
    while ((1 << t) < n)
        ++t;
    for (int p = 1 << (t - 1); p > 0; p >>= 1) {
        int q = 1 << (t - 1), r = 0, d = p;
        for (;;) {
            for (int i = 0; i < n - d; ++i)
                if ((i & p) == r)
                    all.emplace_back(i, i + d);
            if (q == p)
                break;
            d = q - p;
            q >>= 1;
            r = p;
        }
    }
    std::vector<bool> needed(n, false);
    needed[n / 2] = true;
    std::vector<Comparator> kept;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (needed[it->first] || needed[it->second]) {
            needed[it->first] = needed[it->second] = true;
            kept.push_back(*it);
        }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

// Whether the median replaces the pixel: trunc(range x q / 10) < |median - v|,
// which for whole numbers is range x q < 10 |median - v|.
inline std::uint16_t decide(int v, int median, int high, int low, int q)
{
    const int distance = median > v ? median - v : v - median;
    return (high - low) * q < 10 * distance ? std::uint16_t(median) : std::uint16_t(v);
}

// Radius 1: each column's three values are sorted once and shared by the three
// windows that contain it; the median of nine is then the median of (largest
// of the three minima, median of the middles, smallest of the maxima).
void medianRowsRadius1(const std::uint16_t* current, std::uint16_t* work, int width, int y0, int y1, int q)
{
    std::vector<std::uint16_t> lo(width), mid(width), hi(width);
    for (int y = y0; y < y1; ++y) {
        const std::uint16_t* a = current + std::size_t(y - 1) * width;
        const std::uint16_t* b = a + width;
        const std::uint16_t* c = b + width;
        for (int x = 0; x < width; ++x) {
            const std::uint16_t l1 = std::min(a[x], b[x]), h1 = std::max(a[x], b[x]);
            const std::uint16_t m = std::min(h1, c[x]);
            hi[x] = std::max(h1, c[x]);
            lo[x] = std::min(l1, m);
            mid[x] = std::max(l1, m);
        }
        std::uint16_t* out = work + std::size_t(y) * width;
        for (int x = 1; x < width - 1; ++x) {
            const int maxLo = std::max({lo[x - 1], lo[x], lo[x + 1]});
            const int minHi = std::min({hi[x - 1], hi[x], hi[x + 1]});
            const int m0 = mid[x - 1], m1 = mid[x], m2 = mid[x + 1];
            const int medMid = std::max(std::min(m0, m1), std::min(std::max(m0, m1), m2));
            const int median = std::max(std::min(maxLo, medMid), std::min(std::max(maxLo, medMid), minHi));
            const int high = std::max({hi[x - 1], hi[x], hi[x + 1]});
            const int low = std::min({int(lo[x - 1]), int(lo[x]), int(lo[x + 1]), kLowSearchStart});
            out[x] = decide(b[x], median, high, low, q);
        }
    }
}

// Larger windows: the window values of a run of columns are laid out as lanes
// and pushed through the pruned network lane by lane, which vectorises.
void medianRowsNetwork(const std::uint16_t* current, std::uint16_t* work, int width, int radius, int y0, int y1,
                       int q, const std::vector<Comparator>& network)
{
    constexpr int kLanes = 128;
    const int side = 2 * radius + 1;
    const int n = side * side;
    std::vector<std::uint16_t> lanes(std::size_t(n) * kLanes);
    std::vector<std::uint16_t> high(kLanes), low(kLanes);
    const auto lane = [&](int i) { return lanes.data() + std::size_t(i) * kLanes; };
    for (int y = y0; y < y1; ++y) {
        std::uint16_t* out = work + std::size_t(y) * width;
        const std::uint16_t* centre = current + std::size_t(y) * width;
        for (int xb = radius; xb < width - radius; xb += kLanes) {
            const int count = std::min(kLanes, width - radius - xb);
            // Whole runs of lanes (the tail padded with zeros) keep the loop
            // counts fixed, which the vectoriser likes best.
            for (int i = 0; i < n; ++i) {
                const int dy = i / side - radius, dx = i % side - radius;
                std::copy_n(centre + std::ptrdiff_t(dy) * width + xb + dx, count, lane(i));
                std::fill(lane(i) + count, lane(i) + kLanes, std::uint16_t(0));
            }
            std::fill_n(high.data(), kLanes, std::uint16_t(0));
            std::fill_n(low.data(), kLanes, std::uint16_t(kLowSearchStart));
            for (int i = 0; i < n; ++i) {
                const std::uint16_t* v = lane(i);
                for (int l = 0; l < kLanes; ++l) {
                    high[l] = std::max(high[l], v[l]);
                    low[l] = std::min(low[l], v[l]);
                }
            }
            for (const auto& [ia, ib] : network) {
                std::uint16_t* __restrict a = lane(ia);
                std::uint16_t* __restrict b = lane(ib);
                for (int l = 0; l < kLanes; ++l) {
                    const std::uint16_t s = std::min(a[l], b[l]);
                    b[l] = std::max(a[l], b[l]);
                    a[l] = s;
                }
            }
            const std::uint16_t* median = lane(n / 2);
            for (int l = 0; l < count; ++l)
                out[xb + l] = decide(centre[xb + l], median[l], high[l], low[l], q);
        }
    }
}

} // namespace

void MedianFilter(Program& program, int radius, int powerTenths)
{
    Workspace& ws = program.workspace;
    radius = std::clamp(radius, 1, 3);
    const int q = std::clamp(powerTenths, 1, 10);
    const int width = ws.ImageWidth;
    const int first = radius + (ws.hasLabelBand() ? kLabelBandRows : 0);
    const std::uint16_t* current = ws.CurrentImage.data();
    std::uint16_t* work = ws.WorkImage.data();
    const int side = 2 * radius + 1;
    const std::vector<Comparator> network = radius == 1 ? std::vector<Comparator>{} : medianNetwork(side * side);

    runFilterPass(program, "MEDIAN FILTER PROGRESS", first, ws.ImageHeight - radius, [&](int y0, int y1) {
        if (radius == 1)
            medianRowsRadius1(current, work, width, y0, y1, q);
        else
            medianRowsNetwork(current, work, width, radius, y0, y1, q, network);
    });
    char text[40];
    std::snprintf(text, sizeof text, "Median Filter : rad %d ,power %1.1f", radius, q / 10.0);
    ws.AppendHistory(text);
    program.Redisplay();
}

} // namespace kor
