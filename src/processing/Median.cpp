// The inner loops are written for the vectoriser, which only the higher
// optimisation level runs; keep it on in every build type.
#pragma GCC optimize("O3")

#include "processing/FilterPass.h"
#include "processing/Filters.h"
#include "processing/HotLoops.h"
#include "program/Program.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace kor {

namespace {

// The smallest value is searched from this ceiling, so a window of very bright
// pixels counts its range from 65000.
constexpr int kLowSearchStart = 65000;

// A sorting network's comparators, each putting the smaller value on its first wire.
template <int N> struct Network {
    static constexpr int kMaxComparators = 512;
    std::array<std::pair<int, int>, kMaxComparators> comparators{};
    int count = 0;
};

// Batcher's merge-exchange sorting network for n wires (any n), ascending,
// pruned to the comparators that decide the smallest, the middle and the
// largest wire: the three values the conditional median needs.
template <int N> constexpr Network<N> windowNetwork()
{
    Network<N> all;
    int t = 0;
    while ((1 << t) < N)
        ++t;
    for (int p = 1 << (t - 1); p > 0; p >>= 1) {
        int q = 1 << (t - 1), r = 0, d = p;
        for (;;) {
            for (int i = 0; i < N - d; ++i)
                if ((i & p) == r)
                    all.comparators[all.count++] = {i, i + d};
            if (q == p)
                break;
            d = q - p;
            q >>= 1;
            r = p;
        }
    }
    std::array<bool, N> needed{};
    needed[0] = needed[N / 2] = needed[N - 1] = true;
    Network<N> kept;
    for (int i = all.count - 1; i >= 0; --i) {
        const auto [a, b] = all.comparators[i];
        if (needed[a] || needed[b]) {
            needed[a] = needed[b] = true;
            kept.comparators[kept.count++] = {a, b};
        }
    }
    for (int i = 0, j = kept.count - 1; i < j; ++i, --j)
        std::swap(kept.comparators[i], kept.comparators[j]);
    return kept;
}

// Whether the median replaces the pixel: trunc(range x q / 10) < |median - v|,
// which for whole numbers is range x q < 10 |median - v|.
[[gnu::always_inline]] inline std::uint16_t decide(std::uint16_t v, std::uint16_t median, std::uint16_t high,
                                                   std::uint16_t low, int q)
{
    const std::uint32_t distance = std::uint16_t(std::max(median, v) - std::min(median, v));
    const std::uint32_t range = std::uint16_t(high - low); // high >= low: low never exceeds the window's minimum
    return range * std::uint32_t(q) < 10u * distance ? median : v;
}

// Radius 1: each column's three values are sorted once and shared by the three
// windows that contain it; the median of nine is then the median of (largest
// of the three minima, median of the middles, smallest of the maxima).
using Pixels = const std::uint16_t* __restrict;

KOR_HOT_LOOP void sortColumns(Pixels a, Pixels b, Pixels c, std::uint16_t* __restrict lo, std::uint16_t* __restrict mid,
                              std::uint16_t* __restrict hi, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::uint16_t l1 = std::min(a[x], b[x]), h1 = std::max(a[x], b[x]);
        const std::uint16_t m = std::min(h1, c[x]);
        hi[x] = std::max(h1, c[x]);
        lo[x] = std::min(l1, m);
        mid[x] = std::max(l1, m);
    }
}

// Kept in 16 bits, the width the vector units compare fastest.
KOR_HOT_LOOP void medianOfNineRow(Pixels lo, Pixels mid, Pixels hi, Pixels centre, std::uint16_t* __restrict out,
                                  int width, int q)
{
    using std::max, std::min;
    for (int x = 1; x < width - 1; ++x) {
        const std::uint16_t maxLo = max(max(lo[x - 1], lo[x]), lo[x + 1]);
        const std::uint16_t minHi = min(min(hi[x - 1], hi[x]), hi[x + 1]);
        const std::uint16_t m0 = mid[x - 1], m1 = mid[x], m2 = mid[x + 1];
        const std::uint16_t medMid = max(min(m0, m1), min(max(m0, m1), m2));
        const std::uint16_t median = max(min(maxLo, medMid), min(max(maxLo, medMid), minHi));
        const std::uint16_t high = max(max(hi[x - 1], hi[x]), hi[x + 1]);
        const std::uint16_t low = min(min(min(lo[x - 1], lo[x]), lo[x + 1]), std::uint16_t(kLowSearchStart));
        out[x] = decide(centre[x], median, high, low, q);
    }
}

void medianRowsRadius1(const std::uint16_t* source, std::uint16_t* result, int width, int y0, int y1, int q)
{
    std::vector<std::uint16_t> lo(width), mid(width), hi(width);
    for (int y = y0; y < y1; ++y) {
        const std::uint16_t* centre = source + std::size_t(y) * width;
        sortColumns(centre - width, centre, centre + width, lo.data(), mid.data(), hi.data(), width);
        medianOfNineRow(lo.data(), mid.data(), hi.data(), centre, result + std::size_t(y) * width, width, q);
    }
}

// Larger windows: sixteen neighbouring pixels at a time, each window value a
// vector of sixteen lanes, through a network fixed at compile time, so the
// values stay in vector registers.
constexpr int kLanes = 16;
using Lanes = std::uint16_t __attribute__((vector_size(2 * kLanes)));
using WideLanes = std::uint32_t __attribute__((vector_size(4 * kLanes)));

template <int N> inline constexpr Network<N> kWindowNetwork = windowNetwork<N>();

[[gnu::always_inline]] inline void compareExchange(Lanes& a, Lanes& b)
{
    const Lanes lo = a < b ? a : b;
    b = a < b ? b : a;
    a = lo;
}

template <int N, std::size_t... I> [[gnu::always_inline]] inline void runNetwork(Lanes* v, std::index_sequence<I...>)
{
    (compareExchange(v[kWindowNetwork<N>.comparators[I].first], v[kWindowNetwork<N>.comparators[I].second]), ...);
}

template <int Radius>
[[gnu::always_inline]] inline void medianBlock(const std::uint16_t* centre, std::ptrdiff_t width, std::uint16_t* out,
                                               int q)
{
    constexpr int side = 2 * Radius + 1;
    constexpr int n = side * side;
    Lanes v[n];
    for (int i = 0; i < n; ++i)
        std::memcpy(&v[i], centre + (i / side - Radius) * width + (i % side - Radius), sizeof(Lanes));
    runNetwork<n>(v, std::make_index_sequence<kWindowNetwork<n>.count>{});
    Lanes centreValues;
    std::memcpy(&centreValues, centre, sizeof(Lanes));
    const Lanes median = v[n / 2];
    const Lanes ceiling = Lanes{} + std::uint16_t(kLowSearchStart);
    const Lanes low = v[0] < ceiling ? v[0] : ceiling;
    const Lanes distance = median > centreValues ? median - centreValues : centreValues - median;
    const WideLanes range = __builtin_convertvector(Lanes(v[n - 1] - low), WideLanes);
    const WideLanes replace = range * std::uint32_t(q) < __builtin_convertvector(distance, WideLanes) * 10u;
    const Lanes result = __builtin_convertvector(replace, Lanes) ? median : centreValues;
    std::memcpy(out, &result, sizeof(Lanes));
}

template <int Radius>
KOR_HOT_LOOP void medianRowsNetwork(const std::uint16_t* source, std::uint16_t* result, int width, int y0, int y1,
                                    int q)
{
    const int xEnd = width - Radius;
    for (int y = y0; y < y1; ++y) {
        const std::uint16_t* centre = source + std::size_t(y) * width;
        std::uint16_t* out = result + std::size_t(y) * width;
        // The last block is moved back to end at the border; the pixels it
        // repeats get the same values again.
        for (int x = Radius; x < xEnd; x += kLanes) {
            const int xb = std::min(x, xEnd - kLanes);
            medianBlock<Radius>(centre + xb, width, out + xb, q);
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

    runFilterPass(program, "MEDIAN FILTER PROGRESS", first, ws.ImageHeight - radius,
                  [&](const std::uint16_t* source, std::uint16_t* result, int y0, int y1) {
                      if (radius == 1)
                          medianRowsRadius1(source, result, width, y0, y1, q);
                      else if (radius == 2)
                          medianRowsNetwork<2>(source, result, width, y0, y1, q);
                      else
                          medianRowsNetwork<3>(source, result, width, y0, y1, q);
                  });
    char text[40];
    std::snprintf(text, sizeof text, "Median Filter : rad %d ,power %1.1f", radius, q / 10.0);
    ws.AppendHistory(text);
    program.Redisplay();
}

} // namespace kor
