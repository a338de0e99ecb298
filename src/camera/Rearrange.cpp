#include "camera/Rearrange.h"

#include "processing/HotLoops.h"
#include "program/Program.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if KOR_HAS_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace kor {

namespace {

// ---------------------------------------------------------------------------
// The direct rearrangement of modes 1 to 3 and the focus frames.
//
// Scattering into the scratch array and gathering it back is a transpose
// through memory twice over. Away from the image's edges the two steps
// compose into a plain rule: each image row is an interleave of a few
// "streams", each stream taking one channel (every second or fourth value) of
// consecutive readout rows at one position along them. So eight readout rows
// x eight positions of a stream are loaded, their channel picked out and
// transposed in vector registers, and the streams interleaved into eight
// image rows; no scratch array is touched.
//
// At the edges (the first and last rows, the last columns of the full frame)
// the flat arithmetic of scatter and gather wraps from one scratch column
// into the next. Those few thousand pixels are worked out once per layout
// the plain way, by scattering raw indices instead of values, and kept in a
// table of (image index, raw index) pairs.

constexpr std::int32_t kNoSource = -1;

// A run of the scatter: `count` raw values from raw index `source`,
// `sourceStep` apart, land at scratch positions `target`, `target + targetStep`...
struct Stream {
    std::size_t source;
    std::ptrdiff_t target;
    int sourceStep, targetStep, count;
};

// How the gather reads the scratch array into the image (see GatherPlan).
struct GatherSpec {
    int H, W;
    std::ptrdiff_t iBase, iStepA, tBase, tStepA;
};

struct EdgePixel {
    std::uint32_t image;
    std::int32_t raw; // kNoSource: the pixel is zero
};
using EdgeTable = std::vector<EdgePixel>;

// The raw index each pixel outside `interior` shows. The streams come in
// groups of `perGroup` written value by value in turn (the readout order), so
// where two of them meet the later write wins, as it does in the scatter.
template <typename Interior>
EdgeTable edgeTable(const std::vector<Stream>& streams, std::size_t perGroup, const GatherSpec& g,
                    Interior interior)
{
    std::ptrdiff_t end = 0;
    for (const Stream& s : streams)
        end = std::max(end, s.target + std::ptrdiff_t(s.targetStep) * (s.count - 1) + 1);
    std::vector<std::int32_t> scratch(std::size_t(end), kNoSource);
    for (std::size_t first = 0; first < streams.size(); first += perGroup)
        for (int k = 0; k < streams[first].count; ++k)
            for (std::size_t s = first; s < first + perGroup; ++s) {
                const Stream& st = streams[s];
                scratch[std::size_t(st.target + std::ptrdiff_t(st.targetStep) * k)] =
                    std::int32_t(st.source + std::size_t(st.sourceStep) * std::size_t(k));
            }
    // The scratch position each image position is gathered from, if any.
    EdgeTable table;
    const std::ptrdiff_t size = std::ptrdiff_t(g.H) * g.W;
    std::vector<std::int32_t> source(std::size_t(size), kNoSource);
    for (int a = 0; a < g.H; ++a)
        for (int b = 0; b < g.W; ++b) {
            const std::ptrdiff_t p = g.iBase + g.iStepA * a + b;
            const std::ptrdiff_t t = g.tBase + g.tStepA * a + std::ptrdiff_t(b) * g.H;
            if (p >= 0 && p < size && t >= 0 && t < end)
                source[std::size_t(p)] = scratch[std::size_t(t)];
        }
    for (int y = 0; y < g.H; ++y)
        for (int x = 0; x < g.W; ++x)
            if (!interior(y, x)) {
                const std::size_t p = std::size_t(y) * std::size_t(g.W) + std::size_t(x);
                table.push_back({std::uint32_t(p), source[p]});
            }
    return table;
}

void applyEdges(const std::uint16_t* R, std::uint16_t* I, const EdgeTable& edges)
{
    for (const EdgePixel& e : edges)
        I[e.image] = e.raw == kNoSource ? std::uint16_t(0) : R[e.raw];
}

// Whether work on this many pixels is worth a second thread.
bool worthTwoCores(std::size_t pixels)
{
    return pixels >= (std::size_t(1) << 18) && std::thread::hardware_concurrency() >= 2;
}

// Runs body(part, phase) for parts 0 and 1 and phases 0 .. phases-1, every
// part of a phase finished before the next phase starts: on two cores when
// `twoCores`, else one after the other.
template <typename Body>
void inPhases(bool twoCores, int phases, Body body)
{
    if (!twoCores) {
        for (int phase = 0; phase < phases; ++phase) {
            body(0, phase);
            body(1, phase);
        }
        return;
    }
    // The phases last a fraction of a millisecond: waking a sleeping thread
    // would cost about as much, so the first one done spins for the other.
    std::atomic<int> arrived{0};
    auto run = [&](int part) {
        for (int phase = 0; phase < phases; ++phase) {
            body(part, phase);
            arrived.fetch_add(1, std::memory_order_acq_rel);
            for (int spins = 0; arrived.load(std::memory_order_acquire) < 2 * (phase + 1); ++spins)
                if (spins > 4096)
                    std::this_thread::yield();
        }
    };
    std::thread helper(run, 1);
    run(0);
    helper.join();
}

template <typename Part>
void onTwoCores(std::size_t pixels, Part part)
{
    inPhases(worthTwoCores(pixels), 1, [&](int p, int) { part(p); });
}

#if KOR_HAS_AVX2_KERNELS
// The odd values of sixteen pixels at a time scaled as in OddColumnBalance;
// returns how far along the row it got.
__attribute__((target("avx2"))) int scaleOddColumnsAvx2(std::uint16_t* row, int width, double factor)
{
    const __m256d f = _mm256_set1_pd(factor), top = _mm256_set1_pd(65534.0);
    const __m256i evenMask = _mm256_set1_epi32(0xffff);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
        const __m256i odd = _mm256_srli_epi32(v, 16);
        const __m256d lo = _mm256_min_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(odd)), f), top);
        const __m256d hi = _mm256_min_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(odd, 1)), f), top);
        const __m256i scaled = _mm256_set_m128i(_mm256_cvttpd_epi32(hi), _mm256_cvttpd_epi32(lo));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x),
                            _mm256_or_si256(_mm256_and_si256(v, evenMask), _mm256_slli_epi32(scaled, 16)));
    }
    return x;
}
#endif

// The balance of the mono binned modes in two phases shared by two parts:
// the sums of half the rows each, then the odd columns of half the rows each. Integer sums do not depend on how the
// rows are shared out; a row's sums fit 32 bits (65535 x 4096 < 2^32).
class OddColumnBalance {
public:
    OddColumnBalance(std::uint16_t* image, int width, int height) : m_image(image), m_width(width), m_height(height)
    {
    }
    static constexpr int kPhases = 2;

    // For a caller that summed the columns itself in place of phase 0.
    void setSums(int part, std::uint64_t evenSum, std::uint64_t oddSum)
    {
        m_evenSums[part] = evenSum;
        m_oddSums[part] = oddSum;
    }

    void run(int part, int phase)
    {
        const int y0 = m_height * part / 2, y1 = m_height * (part + 1) / 2;
        if (phase == 0) {
            std::uint64_t evenSum = 0, oddSum = 0;
            for (int y = y0; y < y1; ++y) {
                const std::uint16_t* row = m_image + std::size_t(y) * m_width;
                std::uint32_t even = 0, odd = 0;
                int x = 0;
#if defined(__SSE2__)
                // Four lanes of 32 bits each for the even and the odd values.
                const __m128i evenMask = _mm_set1_epi32(0xffff);
                __m128i evenLanes = _mm_setzero_si128(), oddLanes = _mm_setzero_si128();
                for (; x + 8 <= m_width; x += 8) {
                    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
                    evenLanes = _mm_add_epi32(evenLanes, _mm_and_si128(v, evenMask));
                    oddLanes = _mm_add_epi32(oddLanes, _mm_srli_epi32(v, 16));
                }
                alignas(16) std::uint32_t lanes[8];
                _mm_store_si128(reinterpret_cast<__m128i*>(lanes), evenLanes);
                _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), oddLanes);
                even = lanes[0] + lanes[1] + lanes[2] + lanes[3];
                odd = lanes[4] + lanes[5] + lanes[6] + lanes[7];
#endif
                for (; x + 1 < m_width; x += 2) {
                    even += row[x];
                    odd += row[x + 1];
                }
                if (x < m_width)
                    even += row[x];
                evenSum += even;
                oddSum += odd;
            }
            m_evenSums[part] = evenSum;
            m_oddSums[part] = oddSum;
            return;
        }
        const std::uint64_t oddSum = m_oddSums[0] + m_oddSums[1];
        if (oddSum == 0)
            return; // nothing to scale by
        const double factor = double(m_evenSums[0] + m_evenSums[1]) / double(oddSum);
        // x >= 65535.0 is stored as 65534 and anything less truncated: that is
        // the truncation of min(x, 65534.0), which the vector code computes
        // with the same double arithmetic.
        auto scale = [factor](std::uint16_t v) { return std::uint16_t(std::min(double(v) * factor, 65534.0)); };
        [[maybe_unused]] const bool avx2 = avx2Allowed();
        for (int y = y0; y < y1; ++y) {
            std::uint16_t* row = m_image + std::size_t(y) * m_width;
            int x = 0;
#if KOR_HAS_AVX2_KERNELS
            if (avx2)
                x = scaleOddColumnsAvx2(row, m_width, factor);
#endif
#if defined(__SSE2__)
            const __m128d f = _mm_set1_pd(factor), top = _mm_set1_pd(65534.0);
            const __m128i evenMask = _mm_set1_epi32(0xffff);
            for (; x + 8 <= m_width; x += 8) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
                const __m128i odd = _mm_srli_epi32(v, 16);
                const __m128d lo = _mm_min_pd(_mm_mul_pd(_mm_cvtepi32_pd(odd), f), top);
                const __m128d hi = _mm_min_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(odd, 8)), f), top);
                const __m128i scaled = _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                                 _mm_or_si128(_mm_and_si128(v, evenMask), _mm_slli_epi32(scaled, 16)));
            }
#endif
            for (x += 1; x < m_width; x += 2)
                row[x] = scale(row[x]);
        }
    }

private:
    std::uint16_t* m_image;
    int m_width, m_height;
    std::uint64_t m_evenSums[2] = {0, 0}, m_oddSums[2] = {0, 0};
};

// The blocks of eight that cover [first, last] (last included), the final
// block moved back to end at `last` so that none reaches past it.
template <typename Body>
void eightsCovering(int first, int last, Body body)
{
    for (int v = first;; v += 8) {
        const int start = std::min(v, last - 7);
        body(start);
        if (start + 7 >= last)
            break;
    }
}

std::vector<int> eightsStarts(int first, int last)
{
    std::vector<int> starts;
    eightsCovering(first, last, [&](int start) { starts.push_back(start); });
    return starts;
}

#if defined(__SSE2__)
using V = __m128i;

inline V load(const std::uint16_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const V*>(p));
}
inline void store(std::uint16_t* p, V v)
{
    _mm_storeu_si128(reinterpret_cast<V*>(p), v);
}

// Lane t is p[N t + C], t = 0..7, for N = 4 or 2 interleaved channels.
template <int N, int C>
inline V channel(const std::uint16_t* p)
{
    if constexpr (N == 4) {
        const V v0 = load(p), v1 = load(p + 8), v2 = load(p + 16), v3 = load(p + 24);
        const V t0 = _mm_unpacklo_epi16(v0, v1), t1 = _mm_unpackhi_epi16(v0, v1);
        const V t2 = _mm_unpacklo_epi16(v2, v3), t3 = _mm_unpackhi_epi16(v2, v3);
        if constexpr (C < 2) {
            const V u0 = _mm_unpacklo_epi16(t0, t1), u2 = _mm_unpacklo_epi16(t2, t3);
            return C == 0 ? _mm_unpacklo_epi64(u0, u2) : _mm_unpackhi_epi64(u0, u2);
        } else {
            const V u1 = _mm_unpackhi_epi16(t0, t1), u3 = _mm_unpackhi_epi16(t2, t3);
            return C == 2 ? _mm_unpacklo_epi64(u1, u3) : _mm_unpackhi_epi64(u1, u3);
        }
    } else {
        const V a = load(p), b = load(p + 8);
        const V t0 = _mm_unpacklo_epi16(a, b), t1 = _mm_unpackhi_epi16(a, b);
        const V u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
        return C == 0 ? _mm_unpacklo_epi16(u0, u1) : _mm_unpackhi_epi16(u0, u1);
    }
}

inline void transpose8(V r[8])
{
    const V t0 = _mm_unpacklo_epi16(r[0], r[1]), t1 = _mm_unpackhi_epi16(r[0], r[1]);
    const V t2 = _mm_unpacklo_epi16(r[2], r[3]), t3 = _mm_unpackhi_epi16(r[2], r[3]);
    const V t4 = _mm_unpacklo_epi16(r[4], r[5]), t5 = _mm_unpackhi_epi16(r[4], r[5]);
    const V t6 = _mm_unpacklo_epi16(r[6], r[7]), t7 = _mm_unpackhi_epi16(r[6], r[7]);
    const V u0 = _mm_unpacklo_epi32(t0, t2), u1 = _mm_unpackhi_epi32(t0, t2);
    const V u2 = _mm_unpacklo_epi32(t1, t3), u3 = _mm_unpackhi_epi32(t1, t3);
    const V u4 = _mm_unpacklo_epi32(t4, t6), u5 = _mm_unpackhi_epi32(t4, t6);
    const V u6 = _mm_unpacklo_epi32(t5, t7), u7 = _mm_unpackhi_epi32(t5, t7);
    r[0] = _mm_unpacklo_epi64(u0, u4);
    r[1] = _mm_unpackhi_epi64(u0, u4);
    r[2] = _mm_unpacklo_epi64(u1, u5);
    r[3] = _mm_unpackhi_epi64(u1, u5);
    r[4] = _mm_unpacklo_epi64(u2, u6);
    r[5] = _mm_unpackhi_epi64(u2, u6);
    r[6] = _mm_unpacklo_epi64(u3, u7);
    r[7] = _mm_unpackhi_epi64(u3, u7);
}

// Eight positions (from `start` on, in channel units) of channel C of eight
// readout rows; afterwards lane i of out[t] is row i at position start + t.
template <int N, int C>
inline void streamBlock(const std::uint16_t* const rows[8], std::ptrdiff_t start, V out[8])
{
    for (int i = 0; i < 8; ++i)
        out[i] = channel<N, C>(rows[i] + N * start);
    transpose8(out);
}
#endif

// The raw index a pixel inside the interior shows, value by value: the same
// rules the vector code follows, for machines without it.
struct HighResLayout {
    int H, W, rows, rowLength;
    std::size_t field2;
    int K() const { return rowLength / 4; }
    // n = y / 2 within [1, K - 2] and i = x / 4 within [0, rows - 2].
    bool interior(int y, int x) const { return y / 2 >= 1 && y / 2 <= K() - 2 && x / 4 <= rows - 2; }
    std::size_t source(int y, int x) const
    {
        const int n = y / 2, i = x / 4, r = x % 4;
        int j, k;
        if (y % 2 == 0) {
            const int js[4] = {rows - 1 - i, i, rows - 2 - i, i + 1}, ks[4] = {K() - 2 - n, K() - n, K() - 2 - n, K() - 1 - n};
            j = js[r];
            k = ks[r];
        } else {
            const int js[4] = {i, rows - 1 - i, i + 1, rows - 2 - i}, ks[4] = {K() - 1 - n, K() - 2 - n, K() - 2 - n, K() - 2 - n};
            j = js[r];
            k = ks[r];
        }
        const int c[2][4] = {{1, 0, 3, 2}, {0, 1, 2, 3}};
        return (y % 2 ? field2 : 0) + std::size_t(j) * rowLength + 4 * std::size_t(k) + std::size_t(c[y % 2][r]);
    }
};

std::vector<Stream> highResStreams(const HighResLayout& l)
{
    const int H = l.H, W = l.W;
    std::vector<Stream> streams;
    for (int field = 0; field < 2; ++field)
        for (int j = 0; j < l.rows; ++j) {
            const std::size_t q = (field == 0 ? 0 : l.field2) + std::size_t(j) * l.rowLength;
            const std::ptrdiff_t t2 = field == 0 ? std::ptrdiff_t(4 * j + 3) * H : std::ptrdiff_t(4 * j + 2) * H + 1;
            const std::ptrdiff_t t3 =
                field == 0 ? std::ptrdiff_t(W - 2 - 4 * j) * H + 2 : std::ptrdiff_t(W - 1 - 4 * j) * H + 1;
            const std::ptrdiff_t t0 = field == 0 ? std::ptrdiff_t(4 * j + 5) * H - 2 : std::ptrdiff_t(4 * j + 4) * H - 1;
            const std::ptrdiff_t t1 = field == 0 ? std::ptrdiff_t(W - 4 * j) * H + 2 : std::ptrdiff_t(W + 1 - 4 * j) * H + 1;
            for (const auto& [offset, target] : {std::pair{2, t2}, {3, t3}, {0, t0}, {1, t1}})
                streams.push_back({q + std::size_t(offset), target, 4, 2, l.K()});
        }
    return streams;
}

void arrangeHighRes(const HighResLayout& l, const EdgeTable& edges, const std::uint16_t* R, std::uint16_t* I)
{
    const int K = l.K(), W = l.W;
#if defined(__SSE2__)
    // Image rows 2n + parity, n = nb..nb+7, columns 4 i0 .. 4 i0 + 31. Lane t
    // of a stream block is position k = start + t, which image row n = nb + 7 - t shows.
    auto block = [&](int parity, int nb, int i0) {
        const std::uint16_t* F = R + (parity ? l.field2 : 0);
        auto row = [&](int j) { return F + std::size_t(j) * l.rowLength; };
        const std::uint16_t *up[8], *down[8], *upNext[8], *downNext[8];
        for (int i = 0; i < 8; ++i) {
            up[i] = row(i0 + i);
            upNext[i] = row(i0 + i + 1);
            down[i] = row(l.rows - 1 - i0 - i);
            downNext[i] = row(l.rows - 2 - i0 - i);
        }
        V e0[8], e1[8], e2[8], e3[8];
        const std::ptrdiff_t s = -nb - 7;
        if (parity == 0) {
            streamBlock<4, 1>(down, K - 2 + s, e0);
            streamBlock<4, 0>(up, K + s, e1);
            streamBlock<4, 3>(downNext, K - 2 + s, e2);
            streamBlock<4, 2>(upNext, K - 1 + s, e3);
        } else {
            streamBlock<4, 0>(up, K - 1 + s, e0);
            streamBlock<4, 1>(down, K - 2 + s, e1);
            streamBlock<4, 2>(upNext, K - 2 + s, e2);
            streamBlock<4, 3>(downNext, K - 2 + s, e3);
        }
        for (int t = 0; t < 8; ++t) {
            const int y = 2 * (nb + 7 - t) + parity;
            std::uint16_t* out = I + std::size_t(y) * W + 4 * std::size_t(i0);
            const V a = _mm_unpacklo_epi16(e0[t], e1[t]), b = _mm_unpackhi_epi16(e0[t], e1[t]);
            const V c = _mm_unpacklo_epi16(e2[t], e3[t]), d = _mm_unpackhi_epi16(e2[t], e3[t]);
            store(out, _mm_unpacklo_epi32(a, c));
            store(out + 8, _mm_unpackhi_epi32(a, c));
            store(out + 16, _mm_unpacklo_epi32(b, d));
            store(out + 24, _mm_unpackhi_epi32(b, d));
        }
    };
    // One field (one parity of image rows) on each core.
    onTwoCores(std::size_t(l.H) * W, [&](int parity) {
        eightsCovering(1, K - 2, [&](int nb) { eightsCovering(0, l.rows - 2, [&](int i0) { block(parity, nb, i0); }); });
    });
#else
    for (int y = 2; y < 2 * (K - 1); ++y)
        for (int x = 0; x < 4 * (l.rows - 1); ++x)
            I[std::size_t(y) * W + x] = R[l.source(y, x)];
#endif
    applyEdges(R, I, edges);
}

const HighResLayout kFullFrame{2616, 3900, 975, 5232, 5101200};
const HighResLayout kFocusUnbinned{kFocusFrameSize, kFocusFrameSize, 32, 256, 8192};

template <const HighResLayout& L>
const EdgeTable& highResEdges()
{
    static const EdgeTable table =
        edgeTable(highResStreams(L), 4, {L.H, L.W, std::ptrdiff_t(L.H - 1) * L.W, -L.W, 4 * std::ptrdiff_t(L.H) - 1, 1},
                  [](int y, int x) { return L.interior(y, x); });
    return table;
}

// Modes 3 and the binned focus frame: one field of `rows` readout rows of
// `rowLength`; image column 2j shows the even values of row j, column 2m + 1
// the odd values of row rows - 1 - m, both walking up the image.
struct MonoLayout {
    int H, W, rows, rowLength;
    bool interior(int y, int) const { return y >= 2; }
    std::size_t source(int y, int x) const
    {
        return x % 2 == 0 ? std::size_t(x / 2) * rowLength + 2 * std::size_t(H + 1 - y)
                          : std::size_t(rows - 1 - x / 2) * rowLength + 2 * std::size_t(H - y) + 1;
    }
};

std::vector<Stream> monoStreams(const MonoLayout& l)
{
    std::vector<Stream> streams;
    for (int j = 0; j < l.rows; ++j) {
        const std::size_t q = std::size_t(j) * l.rowLength;
        streams.push_back({q, std::ptrdiff_t(2 * j + 2) * l.H, 2, 1, l.rowLength / 2});
        streams.push_back({q + 1, std::ptrdiff_t(l.W + 1 - 2 * j) * l.H + 1, 2, 1, l.rowLength / 2});
    }
    return streams;
}

// Arranges, then balances the odd columns against the even ones, all in one
// set of phases on the two cores.
// The values [first, last] that two of the blocks of eight starting at
// starts[0 .. end) hold: only the last block is ever moved back onto the one
// before it. Empty (first > last) when they do not overlap.
std::pair<int, int> doublyCovered(const std::vector<int>& starts, std::size_t end)
{
    if (end < 2 || starts[end - 1] > starts[end - 2] + 7)
        return {1, 0};
    return {starts[end - 1], starts[end - 2] + 7};
}

void arrangeMono(const MonoLayout& l, const EdgeTable& edges, const std::uint16_t* R, std::uint16_t* I)
{
    OddColumnBalance balance(I, l.W, l.H);
    const int H = l.H, W = l.W;
#if defined(__SSE2__)
    // The even and odd column sums for the balance are taken from the vectors
    // as they are stored, in 32-bit lanes emptied after every row of blocks.
    struct Sums {
        V even = _mm_setzero_si128(), odd = _mm_setzero_si128();
        std::uint64_t evenTotal = 0, oddTotal = 0;
        void add(V e, V o)
        {
            const V zero = _mm_setzero_si128();
            even = _mm_add_epi32(even, _mm_add_epi32(_mm_unpacklo_epi16(e, zero), _mm_unpackhi_epi16(e, zero)));
            odd = _mm_add_epi32(odd, _mm_add_epi32(_mm_unpacklo_epi16(o, zero), _mm_unpackhi_epi16(o, zero)));
        }
        void flush()
        {
            alignas(16) std::uint32_t lanes[8];
            _mm_store_si128(reinterpret_cast<V*>(lanes), even);
            _mm_store_si128(reinterpret_cast<V*>(lanes + 4), odd);
            evenTotal += std::uint64_t(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
            oddTotal += std::uint64_t(lanes[4]) + lanes[5] + lanes[6] + lanes[7];
            even = odd = _mm_setzero_si128();
        }
    };
    // Image rows y = yb..yb+7 (lane t: y = yb + 7 - t), columns 2 m0 .. 2 m0 + 15.
    auto block = [&](int yb, int m0, Sums& sums) {
        const std::uint16_t *even[8], *odd[8];
        for (int i = 0; i < 8; ++i) {
            even[i] = R + std::size_t(m0 + i) * l.rowLength;
            odd[i] = R + std::size_t(l.rows - 1 - m0 - i) * l.rowLength;
        }
        V e[8], o[8];
        streamBlock<2, 0>(even, H + 1 - yb - 7, e);
        streamBlock<2, 1>(odd, H - yb - 7, o);
        for (int t = 0; t < 8; ++t) {
            std::uint16_t* out = I + std::size_t(yb + 7 - t) * W + 2 * std::size_t(m0);
            store(out, _mm_unpacklo_epi16(e[t], o[t]));
            store(out + 8, _mm_unpackhi_epi16(e[t], o[t]));
            sums.add(e[t], o[t]);
        }
    };
    // The rows in two halves, the moved-back last block with its neighbour;
    // the edges (the first two rows) go with the first half. Then the balance.
    const std::vector<int> starts = eightsStarts(2, H - 1), columnStarts = eightsStarts(0, l.rows - 1);
    const std::size_t half = starts.size() / 2;
    inPhases(worthTwoCores(std::size_t(H) * W), OddColumnBalance::kPhases, [&](int part, int phase) {
        if (phase > 0) {
            balance.run(part, phase);
            return;
        }
        const std::size_t first = part ? half : 0, end = part ? starts.size() : half;
        Sums sums;
        for (std::size_t b = first; b < end; ++b) {
            for (int m0 : columnStarts)
                block(starts[b], m0, sums);
            sums.flush();
        }
        // Where blocks overlap (the moved-back last ones) a pixel was summed
        // once for each block holding it: take the extra times off again.
        const auto [twiceRowsFirst, twiceRowsLast] = doublyCovered(starts, end);
        const auto [twiceColumnsFirst, twiceColumnsLast] = doublyCovered(columnStarts, columnStarts.size());
        std::int64_t evenExtra = 0, oddExtra = 0;
        for (int y = starts[first]; y < starts[end - 1] + 8; ++y) {
            const bool twiceRow = y >= twiceRowsFirst && y <= twiceRowsLast;
            const std::uint16_t* row = I + std::size_t(y) * W;
            for (int m = twiceRow ? 0 : twiceColumnsFirst; m <= (twiceRow ? l.rows - 1 : twiceColumnsLast); ++m) {
                const bool twiceColumn = m >= twiceColumnsFirst && m <= twiceColumnsLast;
                const int extra = (twiceRow ? 2 : 1) * (twiceColumn ? 2 : 1) - 1;
                evenExtra += std::int64_t(extra) * row[2 * m];
                oddExtra += std::int64_t(extra) * row[2 * m + 1];
            }
        }
        sums.evenTotal -= std::uint64_t(evenExtra);
        sums.oddTotal -= std::uint64_t(oddExtra);
        if (part == 0) {
            applyEdges(R, I, edges);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < W; ++x)
                    (x % 2 ? sums.oddTotal : sums.evenTotal) += I[std::size_t(y) * W + x];
        }
        balance.setSums(part, sums.evenTotal, sums.oddTotal);
    });
#else
    for (int y = 2; y < H; ++y)
        for (int x = 0; x < W; ++x)
            I[std::size_t(y) * W + x] = R[l.source(y, x)];
    applyEdges(R, I, edges);
    for (int phase = 0; phase < OddColumnBalance::kPhases; ++phase) {
        balance.run(0, phase);
        balance.run(1, phase);
    }
#endif
}

const MonoLayout kMono2{1308, 1950, 975, 2616};
const MonoLayout kFocusBinned{kFocusFrameSize, kFocusFrameSize, 64, 256};

template <const MonoLayout& L>
const EdgeTable& monoEdges()
{
    static const EdgeTable table = edgeTable(monoStreams(L), 2, {L.H, L.W, L.W, L.W, 3 * std::ptrdiff_t(L.H), -1},
                                             [](int y, int x) { return L.interior(y, x); });
    return table;
}

// Mode 2: two fields of 975 x 1308. In image row 2n, column 2m shows field 1
// row m - 1 and column 2m + 1 field 2 row 975 - m; in row 2n + 1 the fields
// change places.
struct ColourLayout {
    static constexpr int H = 1308, W = 1950, rows = 975, rowLength = 1308, K = 654;
    static constexpr std::size_t field2 = 1275300;
    static bool interior(int y, int x) { return y >= 2 && x >= 2; }
    static std::size_t source(int y, int x)
    {
        const int n = y / 2, m = x / 2;
        const bool evenRow = y % 2 == 0, evenColumn = x % 2 == 0;
        const bool ascending = evenRow == evenColumn; // row m - 1 and the even values
        const std::size_t j = std::size_t(ascending ? m - 1 : rows - m);
        const std::size_t k = std::size_t(evenRow ? K - n : K - 1 - n);
        return (evenColumn ? 0 : field2) + j * rowLength + 2 * k + (ascending ? 0 : 1);
    }
};

std::vector<Stream> colourStreams()
{
    constexpr int H = ColourLayout::H, W = ColourLayout::W;
    std::vector<Stream> streams;
    for (int field = 0; field < 2; ++field)
        for (int j = 0; j < ColourLayout::rows; ++j) {
            const std::size_t q = (field == 0 ? 0 : ColourLayout::field2) + std::size_t(j) * ColourLayout::rowLength;
            const std::ptrdiff_t te = field == 0 ? std::ptrdiff_t(2 * j + 1) * H : std::ptrdiff_t(2 * j + 2) * H + 1;
            const std::ptrdiff_t to = field == 0 ? std::ptrdiff_t(W - 1 - 2 * j) * H + 1 : std::ptrdiff_t(W - 2 * j) * H;
            streams.push_back({q, te, 2, 2, ColourLayout::K});
            streams.push_back({q + 1, to, 2, 2, ColourLayout::K});
        }
    return streams;
}

const EdgeTable& colourEdges()
{
    static const EdgeTable table =
        edgeTable(colourStreams(), 2, {ColourLayout::H, ColourLayout::W, ColourLayout::W + 1, ColourLayout::W,
                                       ColourLayout::H - 1, -1},
                  [](int y, int x) { return ColourLayout::interior(y, x); });
    return table;
}

} // namespace

void ArrangeHighRes(const std::uint16_t* raw, std::uint16_t*, std::uint16_t* image)
{
    arrangeHighRes(kFullFrame, highResEdges<kFullFrame>(), raw, image);
}

void ArrangeColourBinned(const std::uint16_t* R, std::uint16_t*, std::uint16_t* I)
{
    using L = ColourLayout;
    const EdgeTable& edges = colourEdges();
#if defined(__SSE2__)
    // Image rows 2n + parity, n = nb..nb+7 (lane t: n = nb + 7 - t), columns 2 m0 .. 2 m0 + 15.
    auto block = [&](int parity, int nb, int m0) {
        const std::uint16_t* F1 = R;
        const std::uint16_t* F2 = R + L::field2;
        const std::uint16_t *up[8], *down[8];
        for (int i = 0; i < 8; ++i) {
            up[i] = (parity ? F2 : F1) + std::size_t(m0 + i - 1) * L::rowLength;
            down[i] = (parity ? F1 : F2) + std::size_t(L::rows - m0 - i) * L::rowLength;
        }
        V evenColumns[8], oddColumns[8];
        const std::ptrdiff_t start = (parity ? L::K - 1 : L::K) - nb - 7;
        if (parity == 0) {
            streamBlock<2, 0>(up, start, evenColumns);
            streamBlock<2, 1>(down, start, oddColumns);
        } else {
            streamBlock<2, 1>(down, start, evenColumns);
            streamBlock<2, 0>(up, start, oddColumns);
        }
        for (int t = 0; t < 8; ++t) {
            std::uint16_t* out = I + std::size_t(2 * (nb + 7 - t) + parity) * L::W + 2 * std::size_t(m0);
            store(out, _mm_unpacklo_epi16(evenColumns[t], oddColumns[t]));
            store(out + 8, _mm_unpackhi_epi16(evenColumns[t], oddColumns[t]));
        }
    };
    // A field's readout row feeds the even columns of one parity of image rows
    // and the odd columns of the other, so each core takes both parities of
    // half the rows, the block of one parity beside the block of the other
    // that reads the same readout rows.
    const std::vector<int> rowStarts = eightsStarts(1, L::K - 1), columnStarts = eightsStarts(1, L::rows - 1);
    const std::size_t half = rowStarts.size() / 2, n = columnStarts.size();
    onTwoCores(std::size_t(L::H) * L::W, [&](int part) {
        for (std::size_t r = part ? half : 0; r < (part ? rowStarts.size() : half); ++r)
            for (std::size_t b = 0; b < n; ++b) {
                block(0, rowStarts[r], columnStarts[b]);
                block(1, rowStarts[r], columnStarts[n - 1 - b]);
            }
    });
#else
    for (int y = 2; y < L::H; ++y)
        for (int x = 2; x < L::W; ++x)
            I[std::size_t(y) * L::W + x] = R[L::source(y, x)];
#endif
    applyEdges(R, I, edges);
}

void ArrangeMonoBinned2(const std::uint16_t* raw, std::uint16_t*, std::uint16_t* image)
{
    arrangeMono(kMono2, monoEdges<kMono2>(), raw, image);
}

void ArrangeMonoBinned4(const std::uint16_t* R, std::uint16_t* T, std::uint16_t* I)
{
    constexpr int W = 1950;
    constexpr int samples = 654, columns = 975; // the grid of samples
    constexpr std::size_t rawValues = 637650;   // 487 rows of 1308 and 654 zeros
    constexpr int rowLength = 1308;
    // Sample (a, m), image row 2a and column 2m, kept in the scratch area at
    // S[a x 975 + m]. Through the scatter and gather it comes from:
    //   a >= 1, m = 2p     (p >= 1): readout row p - 1,   value 2 (654 - a)
    //   a >= 1, m = 2p + 1:          readout row 487 - p, value 2 (654 - a) + 1
    //   a >= 1, m = 0: nothing (zero)
    //   a = 0, m odd: readout row (m - 1) / 2, value 0; m even: row (974 - m) / 2, value 1
    // Values past the read count as zero.
    std::uint16_t* S = T;
    auto raw = [&](std::size_t j, std::size_t value) {
        const std::size_t e = j * rowLength + value;
        return e < rawValues ? R[e] : std::uint16_t(0);
    };
    auto sample = [&](int a, int m) -> std::uint16_t {
        if (a == 0)
            return m % 2 ? raw(std::size_t(m - 1) / 2, 0) : raw(std::size_t(974 - m) / 2, 1);
        if (m == 0)
            return 0;
        const std::size_t k = 654 - std::size_t(a);
        return m % 2 ? raw(std::size_t(487 - m / 2), 2 * k + 1) : raw(std::size_t(m / 2 - 1), 2 * k);
    };
    // Image rows 2a and 2a + 1 from sample rows a and a + 1 (the last row
    // stands in for the one below it, the last column for the one right of it).
    auto widen = [&](int a) {
        const std::uint16_t* row = S + std::size_t(a) * columns;
        const std::uint16_t* next = a + 1 < samples ? row + columns : row;
        std::uint16_t* top = I + std::size_t(2 * a) * W;
        std::uint16_t* bottom = top + W;
        int m = 0;
#if defined(__SSE2__)
        for (; m + 8 < columns; m += 8) {
            const V v = load(row + m), right = load(row + m + 1), below = _mm_srli_epi16(load(next + m), 1);
            const V half = _mm_srli_epi16(v, 1);
            const V rightMix = _mm_add_epi16(half, _mm_srli_epi16(right, 1));
            const V down = _mm_add_epi16(half, below);
            const V corner = _mm_add_epi16(_mm_srli_epi16(rightMix, 1), below);
            store(top + 2 * m, _mm_unpacklo_epi16(v, rightMix));
            store(top + 2 * m + 8, _mm_unpackhi_epi16(v, rightMix));
            store(bottom + 2 * m, _mm_unpacklo_epi16(down, corner));
            store(bottom + 2 * m + 8, _mm_unpackhi_epi16(down, corner));
        }
#endif
        for (; m < columns; ++m) {
            const std::uint16_t v = row[m];
            const std::uint16_t right = m + 1 < columns ? row[m + 1] : v;
            const std::uint16_t below = next[m];
            const auto rightMix = std::uint16_t((v >> 1) + (right >> 1));
            top[2 * m] = v;
            top[2 * m + 1] = rightMix;
            bottom[2 * m] = std::uint16_t((v >> 1) + (below >> 1));
            bottom[2 * m + 1] = std::uint16_t((rightMix >> 1) + (below >> 1));
        }
    };
#if defined(__SSE2__)
    // Sample rows a = ab..ab+7 (lane t: a = ab + 7 - t), columns m = 2 p0 .. 2 p0 + 15,
    // for p in [1, 486], where both readout rows lie wholly within the read.
    auto block = [&](int ab, int p0) {
        const std::uint16_t *even[8], *odd[8];
        for (int i = 0; i < 8; ++i) {
            even[i] = R + std::size_t(p0 + i - 1) * rowLength;
            odd[i] = R + std::size_t(487 - p0 - i) * rowLength;
        }
        V e[8], o[8];
        streamBlock<2, 0>(even, 654 - ab - 7, e);
        streamBlock<2, 1>(odd, 654 - ab - 7, o);
        for (int t = 0; t < 8; ++t) {
            std::uint16_t* out = S + std::size_t(ab + 7 - t) * columns + 2 * std::size_t(p0);
            store(out, _mm_unpacklo_epi16(e[t], o[t]));
            store(out + 8, _mm_unpackhi_epi16(e[t], o[t]));
        }
    };
#endif
    // Phase 0 builds the samples, half the rows on each core; phase 1 widens them.
    inPhases(worthTwoCores(std::size_t(W) * 1308), 2, [&](int part, int phase) {
        const int a0 = samples * part / 2, a1 = samples * (part + 1) / 2;
        if (phase == 1) {
            for (int a = a0; a < a1; ++a)
                widen(a);
            return;
        }
#if defined(__SSE2__)
        const std::vector<int> starts = eightsStarts(1, samples - 1);
        const std::size_t half = starts.size() / 2;
        for (std::size_t b = part ? half : 0; b < (part ? starts.size() : half); ++b)
            eightsCovering(1, 486, [&](int p0) { block(starts[b], p0); });
        if (part == 1)
            return;
        for (int a = 0; a < samples; ++a)
            for (int m : {0, 1, 974})
                S[std::size_t(a) * columns + m] = sample(a, m);
        for (int m = 0; m < columns; ++m)
            S[m] = sample(0, m);
#else
        for (int a = a0; a < a1; ++a)
            for (int m = 0; m < columns; ++m)
                S[std::size_t(a) * columns + m] = sample(a, m);
#endif
    });
}

void ArrangeFocusFrame(const std::uint16_t* raw, std::uint16_t*, std::uint16_t* image, bool binned)
{
    if (binned) {
        arrangeMono(kFocusBinned, monoEdges<kFocusBinned>(), raw, image);
    } else {
        arrangeHighRes(kFocusUnbinned, highResEdges<kFocusUnbinned>(), raw, image);
    }
}

void BalanceOddColumns(std::uint16_t* image, int width, int height)
{
    OddColumnBalance balance(image, width, height);
    inPhases(worthTwoCores(std::size_t(width) * std::size_t(height)), OddColumnBalance::kPhases,
             [&](int part, int phase) { balance.run(part, phase); });
}

void ArrangeReadout(Program& program, int mode)
{
    CameraLink& camera = program.camera;
    const std::uint16_t* raw = camera.ReadoutWords.data();
    std::uint16_t* scratch = camera.ReadoutScratch.data();
    std::uint16_t* image = program.workspace.CurrentImage.data();
    switch (mode) {
    case 1: ArrangeHighRes(raw, scratch, image); break;
    case 2: ArrangeColourBinned(raw, scratch, image); break;
    case 3: ArrangeMonoBinned2(raw, scratch, image); break;
    case 4: ArrangeMonoBinned4(raw, scratch, image); break;
    default: assert(false && "no rearrangement for this mode"); break;
    }
}

} // namespace kor
