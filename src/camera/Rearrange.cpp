#include "camera/Rearrange.h"

#include "program/Program.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kor {

namespace {

// Gathers the scratch array into the image in blocks, so that the walk down
// the transposed scratch columns stays in the cache:
//   for a = 0..H-1, b = 0..W-1:  I[iBase + iStepA*a + b] = T[tBase + tStepA*a + b*H]
// with tStepA = +1 or -1 and targets outside the H x W image dropped. Inside a
// tile, 8 x 8 blocks that lie wholly inside the image are transposed in vector
// registers; the rest goes value by value.
constexpr int kTile = 64;
constexpr int kBlock = 8;
// Where the 4 x 4 mode keeps its transposed samples inside the scratch array.
constexpr std::size_t kMono4SampleOffset = 1u << 20;

struct GatherPlan {
    const std::uint16_t* T;
    std::uint16_t* I;
    int H, W;
    std::ptrdiff_t iBase, iStepA, tBase, tStepA;

    void scalar(int a0, int a1, int b0, int b1) const
    {
        const std::ptrdiff_t imageSize = std::ptrdiff_t(H) * W;
        for (int a = a0; a < a1; ++a) {
            const std::ptrdiff_t iRow = iBase + iStepA * a;
            // The part of this image row inside the image.
            const int bFirst = int(std::clamp<std::ptrdiff_t>(-iRow, b0, b1));
            const int bEnd = int(std::clamp<std::ptrdiff_t>(imageSize - iRow, b0, b1));
            const std::uint16_t* t = T + tBase + tStepA * a;
            std::uint16_t* out = I + iRow;
            for (int b = bFirst; b < bEnd; ++b)
                out[b] = t[std::ptrdiff_t(b) * H];
        }
    }

    bool inside(int a, int b) const
    {
        const std::ptrdiff_t imageSize = std::ptrdiff_t(H) * W;
        const std::ptrdiff_t first = iBase + iStepA * a + b, last = iBase + iStepA * (a + kBlock - 1) + b;
        const std::ptrdiff_t lo = std::min(first, last), hi = std::max(first, last) + kBlock - 1;
        return lo >= 0 && hi < imageSize;
    }

#if defined(__SSE2__)
    void block(int a, int b) const
    {
        __m128i r[kBlock];
        for (int j = 0; j < kBlock; ++j) {
            const std::uint16_t* t = T + tBase + std::ptrdiff_t(b + j) * H + tStepA * a;
            if (tStepA > 0) {
                r[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
            } else {
                // Eight values walking down from t: load them and reverse the lanes.
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t - (kBlock - 1)));
                v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
                v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
                r[j] = _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
            }
        }
        const __m128i t0 = _mm_unpacklo_epi16(r[0], r[1]), t1 = _mm_unpackhi_epi16(r[0], r[1]);
        const __m128i t2 = _mm_unpacklo_epi16(r[2], r[3]), t3 = _mm_unpackhi_epi16(r[2], r[3]);
        const __m128i t4 = _mm_unpacklo_epi16(r[4], r[5]), t5 = _mm_unpackhi_epi16(r[4], r[5]);
        const __m128i t6 = _mm_unpacklo_epi16(r[6], r[7]), t7 = _mm_unpackhi_epi16(r[6], r[7]);
        const __m128i u0 = _mm_unpacklo_epi32(t0, t2), u1 = _mm_unpackhi_epi32(t0, t2);
        const __m128i u2 = _mm_unpacklo_epi32(t1, t3), u3 = _mm_unpackhi_epi32(t1, t3);
        const __m128i u4 = _mm_unpacklo_epi32(t4, t6), u5 = _mm_unpackhi_epi32(t4, t6);
        const __m128i u6 = _mm_unpacklo_epi32(t5, t7), u7 = _mm_unpackhi_epi32(t5, t7);
        const __m128i out[kBlock] = {_mm_unpacklo_epi64(u0, u4), _mm_unpackhi_epi64(u0, u4), _mm_unpacklo_epi64(u1, u5),
                                     _mm_unpackhi_epi64(u1, u5), _mm_unpacklo_epi64(u2, u6), _mm_unpackhi_epi64(u2, u6),
                                     _mm_unpacklo_epi64(u3, u7), _mm_unpackhi_epi64(u3, u7)};
        for (int i = 0; i < kBlock; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(I + iBase + iStepA * (a + i) + b), out[i]);
    }
#else
    void block(int a, int b) const
    {
        scalar(a, a + kBlock, b, b + kBlock);
    }
#endif

    void tile(int a0, int a1, int b0, int b1) const
    {
        const int aFull = a0 + (a1 - a0) / kBlock * kBlock, bFull = b0 + (b1 - b0) / kBlock * kBlock;
        for (int a = a0; a < aFull; a += kBlock)
            for (int b = b0; b < bFull; b += kBlock) {
                if (inside(a, b))
                    block(a, b);
                else
                    scalar(a, a + kBlock, b, b + kBlock);
            }
        scalar(aFull, a1, b0, b1);
        scalar(a0, aFull, bFull, b1);
    }
};

void gather(const std::uint16_t* T, std::uint16_t* I, int H, int W, std::ptrdiff_t iBase, std::ptrdiff_t iStepA,
            std::ptrdiff_t tBase, std::ptrdiff_t tStepA)
{
    const GatherPlan plan{T, I, H, W, iBase, iStepA, tBase, tStepA};
    for (int a0 = 0; a0 < H; a0 += kTile)
        for (int b0 = 0; b0 < W; b0 += kTile)
            plan.tile(a0, std::min(H, a0 + kTile), b0, std::min(W, b0 + kTile));
}

// The interleaved two-field scatter of the high-resolution layout, for any
// H and W: `rows` readout rows of `rowLength` values per field.
void scatterHighRes(const std::uint16_t* R, std::uint16_t* T, int H, int W, int rows, int rowLength, std::size_t field2)
{
    const int groups = rowLength / 4;
    for (int field = 0; field < 2; ++field) {
        const std::uint16_t* r = R + (field == 0 ? 0 : field2);
        for (int j = 0; j < rows; ++j) {
            const std::uint16_t* q = r + std::size_t(j) * rowLength;
            // The four targets of group k are these bases plus 2k.
            std::uint16_t* t2;
            std::uint16_t* t3;
            std::uint16_t* t0;
            std::uint16_t* t1;
            if (field == 0) {
                t2 = T + std::ptrdiff_t(4 * j + 3) * H;
                t3 = T + std::ptrdiff_t(W - 2 - 4 * j) * H + 2;
                t0 = T + std::ptrdiff_t(4 * j + 5) * H - 2;
                t1 = T + std::ptrdiff_t(W - 4 * j) * H + 2;
            } else {
                t2 = T + std::ptrdiff_t(4 * j + 2) * H + 1;
                t3 = T + std::ptrdiff_t(W - 1 - 4 * j) * H + 1;
                t0 = T + std::ptrdiff_t(4 * j + 4) * H - 1;
                t1 = T + std::ptrdiff_t(W + 1 - 4 * j) * H + 1;
            }
            for (int k = 0; k < groups; ++k) {
                t2[2 * k] = q[4 * k + 2];
                t3[2 * k] = q[4 * k + 3];
                t0[2 * k] = q[4 * k + 0];
                t1[2 * k] = q[4 * k + 1];
            }
        }
    }
}

void arrangeHighRes(const std::uint16_t* R, std::uint16_t* T, std::uint16_t* I, int H, int W, int rows, int rowLength,
                    std::size_t field2)
{
    // Clear every scratch value the gather reads, so that positions this frame
    // does not write read as zero.
    std::fill_n(T, std::size_t(W + 4) * H, std::uint16_t(0));
    scatterHighRes(R, T, H, W, rows, rowLength, field2);
    gather(T, I, H, W, std::ptrdiff_t(H - 1) * W, -W, 4 * std::ptrdiff_t(H) - 1, 1);
}

void arrangeMonoBinned2(const std::uint16_t* R, std::uint16_t* T, std::uint16_t* I, int H, int W, int rows,
                        int rowLength)
{
    std::fill_n(T, std::size_t(W + 3) * H + 1, std::uint16_t(0));
    const int half = rowLength / 2;
    for (int j = 0; j < rows; ++j) {
        const std::uint16_t* q = R + std::size_t(j) * rowLength;
        std::uint16_t* even = T + std::ptrdiff_t(2 * j + 2) * H;
        std::uint16_t* odd = T + std::ptrdiff_t(W + 1 - 2 * j) * H + 1;
        for (int i = 0; i < half; ++i) {
            even[i] = q[2 * i];
            odd[i] = q[2 * i + 1];
        }
    }
    std::fill_n(I, W, std::uint16_t(0)); // the first row is not gathered
    gather(T, I, H, W, W, W, 3 * std::ptrdiff_t(H), -1);
    BalanceOddColumns(I, W, H);
}

} // namespace

void ArrangeHighRes(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image)
{
    arrangeHighRes(raw, scratch, image, 2616, 3900, 975, 5232, 5101200);
}

void ArrangeColourBinned(const std::uint16_t* R, std::uint16_t* T, std::uint16_t* I)
{
    constexpr int H = 1308, W = 1950, rows = 975, pairs = 654;
    constexpr std::size_t field2 = 1275300;
    std::fill_n(T, std::size_t(W + 1) * H, std::uint16_t(0));
    for (int field = 0; field < 2; ++field) {
        const std::uint16_t* r = R + (field == 0 ? 0 : field2);
        for (int j = 0; j < rows; ++j) {
            const std::uint16_t* q = r + std::size_t(j) * 1308;
            std::uint16_t* te = field == 0 ? T + std::ptrdiff_t(2 * j + 1) * H : T + std::ptrdiff_t(2 * j + 2) * H + 1;
            std::uint16_t* to =
                field == 0 ? T + std::ptrdiff_t(W - 1 - 2 * j) * H + 1 : T + std::ptrdiff_t(W - 2 * j) * H;
            for (int k = 0; k < pairs; ++k) {
                te[2 * k] = q[2 * k];
                to[2 * k] = q[2 * k + 1];
            }
        }
    }
    std::fill_n(I, W + 1, std::uint16_t(0)); // the first row and one pixel are not gathered
    gather(T, I, H, W, W + 1, W, H - 1, -1);
}

void ArrangeMonoBinned2(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image)
{
    arrangeMonoBinned2(raw, scratch, image, 1308, 1950, 975, 2616);
}

void ArrangeMonoBinned4(const std::uint16_t* R, std::uint16_t* T, std::uint16_t* I)
{
    constexpr int H = 1308, W = 1950;
    constexpr int samplesPerColumn = 654; // the gather reads the scratch as rows of 654
    constexpr int columns = 975;
    constexpr std::size_t rawValues = 637650; // 487 rows of 1308 and 654 zeros
    constexpr int rows = 488;                 // the last one half real, half beyond the read
    std::fill_n(T, std::size_t(columns + 2) * samplesPerColumn, std::uint16_t(0));
    for (int j = 0; j < rows; ++j) {
        std::uint16_t* even = T + std::ptrdiff_t(j + 1) * H;
        std::uint16_t* odd = T + std::ptrdiff_t(rawValues) - std::ptrdiff_t(j) * H;
        for (int k = 0; k < samplesPerColumn; ++k) {
            // Values past the read are not part of this frame: they count as zero.
            const std::size_t e = std::size_t(j) * 1308 + 2 * std::size_t(k);
            even[k] = e < rawValues ? R[e] : 0;
            odd[k] = e + 1 < rawValues ? R[e + 1] : 0;
        }
    }
    // Sample (a, m), image row 2a and column 2m, is T[(m+1) x 654 - a]: first
    // transpose the samples into rows of 975 (beyond the part of the scratch
    // used above), then widen each row pair into four image rows.
    std::uint16_t* S = T + kMono4SampleOffset;
    gather(T, S, samplesPerColumn, columns, 0, columns, samplesPerColumn, -1);
    // Its right neighbour is sample (a, m+1), its lower one (a+1, m); at the
    // last column and row the sample itself stands in.
    for (int a = 0; a < samplesPerColumn; ++a) {
        const std::uint16_t* row = S + std::ptrdiff_t(a) * columns;
        const std::uint16_t* next = a + 1 < samplesPerColumn ? row + columns : row;
        std::uint16_t* top = I + std::ptrdiff_t(2 * a) * W;
        std::uint16_t* bottom = top + W;
        for (int m = 0; m < columns; ++m) {
            const std::uint16_t v = row[m];
            const std::uint16_t right = m + 1 < columns ? row[m + 1] : v;
            const std::uint16_t below = next[m];
            const auto rightMix = std::uint16_t((v >> 1) + (right >> 1));
            top[2 * m] = v;
            top[2 * m + 1] = rightMix;
            bottom[2 * m] = std::uint16_t((v >> 1) + (below >> 1));
            bottom[2 * m + 1] = std::uint16_t((rightMix >> 1) + (below >> 1));
        }
    }
}

void ArrangeFocusFrame(const std::uint16_t* raw, std::uint16_t* scratch, std::uint16_t* image, bool binned)
{
    constexpr int n = kFocusFrameSize;
    if (binned)
        arrangeMonoBinned2(raw, scratch, image, n, n, 64, 256);
    else
        arrangeHighRes(raw, scratch, image, n, n, 32, 256, 8192);
}

void BalanceOddColumns(std::uint16_t* image, int width, int height)
{
    std::uint64_t evenSum = 0, oddSum = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint16_t* row = image + std::size_t(y) * width;
        int x = 0;
        for (; x + 1 < width; x += 2) {
            evenSum += row[x];
            oddSum += row[x + 1];
        }
        if (x < width)
            evenSum += row[x];
    }
    if (oddSum == 0)
        return;
    const double factor = double(evenSum) / double(oddSum);
    auto scale = [factor](std::uint16_t v) {
        const double x = double(v) * factor;
        return x >= 65535.0 ? std::uint16_t(65534) : std::uint16_t(x);
    };
    auto scaleOddColumns = [&](auto&& scaled) {
        for (int y = 0; y < height; ++y) {
            std::uint16_t* row = image + std::size_t(y) * width;
            for (int x = 1; x < width; x += 2)
                row[x] = scaled(row[x]);
        }
    };
    if (std::size_t(width) * std::size_t(height) < 4 * 65536) {
        scaleOddColumns(scale);
        return;
    }
    // A large image: look every value up in a table of all 65536 scaled values.
    std::array<std::uint16_t, 65536> table;
    for (std::size_t v = 0; v < table.size(); ++v)
        table[v] = scale(std::uint16_t(v));
    scaleOddColumns([&table](std::uint16_t v) { return table[v]; });
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
