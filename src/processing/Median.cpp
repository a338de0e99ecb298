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

#if defined(__SSE2__)
#include <immintrin.h>
#endif

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

// Radius 1: nine values are few enough to sort each window's three columns
// afresh, from loads shifted by one pixel, with everything in vector registers.
// The AVX2 form is taken when the processor has it (and the tests have not
// turned it off); the baseline form is SSE2 on x86-64, plain vectors elsewhere.
namespace base {
constexpr int kLanes = 8;
using Lanes = std::uint16_t __attribute__((vector_size(2 * kLanes)));
#define KOR_KERNEL
#if defined(__SSE2__)
// SSE2 has no unsigned 16-bit minimum: min(a, b) = a - sat(a - b), max(a, b) = b + sat(a - b).
[[gnu::always_inline]] inline Lanes vmin(Lanes a, Lanes b)
{
    return a - Lanes(_mm_subs_epu16(__m128i(a), __m128i(b)));
}
[[gnu::always_inline]] inline Lanes vmax(Lanes a, Lanes b)
{
    return b + Lanes(_mm_subs_epu16(__m128i(a), __m128i(b)));
}
[[gnu::always_inline]] inline Lanes mulhi(Lanes a, Lanes b)
{
    return Lanes(_mm_mulhi_epu16(__m128i(a), __m128i(b)));
}
#else
[[gnu::always_inline]] inline Lanes vmin(Lanes a, Lanes b)
{
    return a < b ? a : b;
}
[[gnu::always_inline]] inline Lanes vmax(Lanes a, Lanes b)
{
    return a < b ? b : a;
}
[[gnu::always_inline]] inline Lanes mulhi(Lanes a, Lanes b)
{
    using Wide = std::uint32_t __attribute__((vector_size(4 * kLanes)));
    return __builtin_convertvector((__builtin_convertvector(a, Wide) * __builtin_convertvector(b, Wide)) >> 16, Lanes);
}
#endif
#include "processing/MedianRadius1.inc"
#undef KOR_KERNEL
} // namespace base

#if KOR_HAS_AVX2_KERNELS
namespace avx2 {
constexpr int kLanes = 16;
using Lanes = std::uint16_t __attribute__((vector_size(2 * kLanes)));
#define KOR_KERNEL __attribute__((target("avx2")))
KOR_KERNEL [[gnu::always_inline]] inline Lanes vmin(Lanes a, Lanes b)
{
    return a < b ? a : b;
}
KOR_KERNEL [[gnu::always_inline]] inline Lanes vmax(Lanes a, Lanes b)
{
    return a < b ? b : a;
}
KOR_KERNEL [[gnu::always_inline]] inline Lanes mulhi(Lanes a, Lanes b)
{
    return Lanes(_mm256_mulhi_epu16(__m256i(a), __m256i(b)));
}
#include "processing/MedianRadius1.inc"
#undef KOR_KERNEL
} // namespace avx2
#endif

// Narrow images, too small for a vector block: the same test, one pixel at a time.
void medianRowsRadius1Plain(const std::uint16_t* source, std::uint16_t* result, int width, int y0, int y1, int q)
{
    for (int y = y0; y < y1; ++y)
        for (int x = 1; x < width - 1; ++x) {
            std::array<std::uint16_t, 9> window;
            for (int i = 0; i < 9; ++i)
                window[i] = source[std::size_t(y + i / 3 - 1) * width + x + i % 3 - 1];
            std::sort(window.begin(), window.end());
            const std::size_t at = std::size_t(y) * width + x;
            result[at] =
                decide(source[at], window[4], window[8], std::min(window[0], std::uint16_t(kLowSearchStart)), q);
        }
}

void medianRowsRadius1(const std::uint16_t* source, std::uint16_t* result, int width, int y0, int y1, int q)
{
#if KOR_HAS_AVX2_KERNELS
    if (width >= avx2::kLanes + 2 && avx2Allowed()) {
        avx2::medianRowsRadius1(source, result, width, y0, y1, q);
        return;
    }
#endif
    if (width >= base::kLanes + 2)
        base::medianRowsRadius1(source, result, width, y0, y1, q);
    else
        medianRowsRadius1Plain(source, result, width, y0, y1, q);
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
