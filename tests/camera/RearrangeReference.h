#pragma once

// The rearrangement written the plain way, as the readout order defines it:
// every raw pixel is scattered into a transposed scratch array (cleared
// first, so positions nobody writes read as zero), in readout order so that
// a later write wins, and the scratch array is gathered into the image value
// by value. The fast routines must give exactly the same image.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kor::reference {

inline void gather(const std::vector<std::uint16_t>& T, std::uint16_t* I, int H, int W, std::ptrdiff_t iBase,
                   std::ptrdiff_t iStepA, std::ptrdiff_t tBase, std::ptrdiff_t tStepA)
{
    const std::ptrdiff_t size = std::ptrdiff_t(H) * W;
    for (int a = 0; a < H; ++a)
        for (int b = 0; b < W; ++b) {
            const std::ptrdiff_t p = iBase + iStepA * a + b;
            if (p >= 0 && p < size)
                I[p] = T[std::size_t(tBase + tStepA * a + std::ptrdiff_t(b) * H)];
        }
}

inline void highRes(const std::uint16_t* R, std::uint16_t* I, int H, int W, int rows, int rowLength,
                    std::size_t field2)
{
    std::vector<std::uint16_t> T(std::size_t(W + 4) * H, 0);
    for (int field = 0; field < 2; ++field)
        for (int j = 0; j < rows; ++j) {
            const std::uint16_t* q = R + (field == 0 ? 0 : field2) + std::size_t(j) * rowLength;
            for (int k = 0; k < rowLength / 4; ++k) {
                const std::ptrdiff_t t2 = field == 0 ? std::ptrdiff_t(4 * j + 3) * H : std::ptrdiff_t(4 * j + 2) * H + 1;
                const std::ptrdiff_t t3 =
                    field == 0 ? std::ptrdiff_t(W - 2 - 4 * j) * H + 2 : std::ptrdiff_t(W - 1 - 4 * j) * H + 1;
                const std::ptrdiff_t t0 = field == 0 ? std::ptrdiff_t(4 * j + 5) * H - 2 : std::ptrdiff_t(4 * j + 4) * H - 1;
                const std::ptrdiff_t t1 = field == 0 ? std::ptrdiff_t(W - 4 * j) * H + 2 : std::ptrdiff_t(W + 1 - 4 * j) * H + 1;
                T[std::size_t(t2 + 2 * k)] = q[4 * k + 2];
                T[std::size_t(t3 + 2 * k)] = q[4 * k + 3];
                T[std::size_t(t0 + 2 * k)] = q[4 * k + 0];
                T[std::size_t(t1 + 2 * k)] = q[4 * k + 1];
            }
        }
    gather(T, I, H, W, std::ptrdiff_t(H - 1) * W, -W, 4 * std::ptrdiff_t(H) - 1, 1);
}

inline void colourBinned(const std::uint16_t* R, std::uint16_t* I)
{
    constexpr int H = 1308, W = 1950;
    std::vector<std::uint16_t> T(std::size_t(W + 1) * H, 0);
    for (int field = 0; field < 2; ++field)
        for (int j = 0; j < 975; ++j) {
            const std::uint16_t* q = R + (field == 0 ? 0 : 1275300) + std::size_t(j) * 1308;
            const std::ptrdiff_t te = field == 0 ? std::ptrdiff_t(2 * j + 1) * H : std::ptrdiff_t(2 * j + 2) * H + 1;
            const std::ptrdiff_t to = field == 0 ? std::ptrdiff_t(W - 1 - 2 * j) * H + 1 : std::ptrdiff_t(W - 2 * j) * H;
            for (int k = 0; k < 654; ++k) {
                T[std::size_t(te + 2 * k)] = q[2 * k];
                T[std::size_t(to + 2 * k)] = q[2 * k + 1];
            }
        }
    std::fill_n(I, W + 1, std::uint16_t(0));
    gather(T, I, H, W, W + 1, W, H - 1, -1);
}

// Without the balance of the odd columns, which the caller applies.
inline void monoBinned2(const std::uint16_t* R, std::uint16_t* I, int H, int W, int rows, int rowLength)
{
    std::vector<std::uint16_t> T(std::size_t(W + 3) * H + 1, 0);
    for (int j = 0; j < rows; ++j) {
        const std::uint16_t* q = R + std::size_t(j) * rowLength;
        for (int i = 0; i < rowLength / 2; ++i) {
            T[std::size_t(std::ptrdiff_t(2 * j + 2) * H + i)] = q[2 * i];
            T[std::size_t(std::ptrdiff_t(W + 1 - 2 * j) * H + 1 + i)] = q[2 * i + 1];
        }
    }
    std::fill_n(I, W, std::uint16_t(0));
    gather(T, I, H, W, W, W, 3 * std::ptrdiff_t(H), -1);
}

// The 4 x 4 mode: the samples through the scatter and gather, then each
// widened into a 2 x 2 block mixed toward its right and lower neighbours.
inline void monoBinned4(const std::uint16_t* R, std::uint16_t* I)
{
    constexpr int H = 1308, W = 1950, perColumn = 654, columns = 975;
    constexpr std::size_t rawValues = 637650;
    std::vector<std::uint16_t> T(std::size_t(columns + 2) * perColumn, 0);
    for (int j = 0; j < 488; ++j)
        for (int k = 0; k < perColumn; ++k) {
            const std::size_t e = std::size_t(j) * 1308 + 2 * std::size_t(k);
            T[std::size_t(j + 1) * H + k] = e < rawValues ? R[e] : 0;
            T[rawValues - std::size_t(j) * H + k] = e + 1 < rawValues ? R[e + 1] : 0;
        }
    std::vector<std::uint16_t> S(std::size_t(perColumn) * columns);
    for (int a = 0; a < perColumn; ++a)
        for (int m = 0; m < columns; ++m)
            S[std::size_t(a) * columns + m] = T[std::size_t(m + 1) * perColumn - a];
    for (int a = 0; a < perColumn; ++a)
        for (int m = 0; m < columns; ++m) {
            const int v = S[std::size_t(a) * columns + m];
            const int right = m + 1 < columns ? S[std::size_t(a) * columns + m + 1] : v;
            const int below = a + 1 < perColumn ? S[std::size_t(a + 1) * columns + m] : v;
            const int rightMix = (v >> 1) + (right >> 1);
            I[std::size_t(2 * a) * W + 2 * m] = std::uint16_t(v);
            I[std::size_t(2 * a) * W + 2 * m + 1] = std::uint16_t(rightMix);
            I[std::size_t(2 * a + 1) * W + 2 * m] = std::uint16_t((v >> 1) + (below >> 1));
            I[std::size_t(2 * a + 1) * W + 2 * m + 1] = std::uint16_t((rightMix >> 1) + (below >> 1));
        }
}

} // namespace kor::reference
