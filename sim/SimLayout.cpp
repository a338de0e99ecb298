#include "sim/SimLayout.h"

namespace kor::sim {

namespace {

using i64 = std::int64_t;

// The gather of the high-resolution layout reads scratch t = 4H - 1 + a + bH
// into image row H - 1 - a, column b.
std::int32_t highResImage(i64 t, int H, int W)
{
    const i64 u = t - (4 * i64(H) - 1);
    if (u < 0 || u >= i64(H) * W)
        return -1;
    const i64 a = u % H, b = u / H;
    return std::int32_t((H - 1 - a) * W + b);
}

} // namespace

RawMap mapHighRes(int H, int W, int rows, int rowLength, std::size_t field2)
{
    RawMap map(field2 + std::size_t(rows) * rowLength, -1);
    for (int field = 0; field < 2; ++field)
        for (int j = 0; j < rows; ++j)
            for (int k = 0; k < rowLength / 4; ++k) {
                // Scratch positions of the group's values q0..q3.
                i64 t[4];
                if (field == 0) {
                    t[2] = i64(4 * j + 3) * H + 2 * k;
                    t[3] = i64(W - 2 - 4 * j) * H + 2 + 2 * k;
                    t[0] = i64(4 * j + 5) * H - 2 + 2 * k;
                    t[1] = i64(W - 4 * j) * H + 2 + 2 * k;
                } else {
                    t[2] = i64(4 * j + 2) * H + 1 + 2 * k;
                    t[3] = i64(W - 1 - 4 * j) * H + 1 + 2 * k;
                    t[0] = i64(4 * j + 4) * H - 1 + 2 * k;
                    t[1] = i64(W + 1 - 4 * j) * H + 1 + 2 * k;
                }
                const std::size_t r = (field == 0 ? 0 : field2) + std::size_t(j) * rowLength + 4 * std::size_t(k);
                for (int q = 0; q < 4; ++q)
                    map[r + q] = highResImage(t[q], H, W);
            }
    return map;
}

RawMap mapColourBinned()
{
    constexpr int H = 1308, W = 1950;
    constexpr std::size_t field2 = 1275300;
    RawMap map(2 * field2, -1);
    // The gather reads scratch t = H - 1 - a + bH into image index W + 1 + aW + b.
    auto image = [](i64 t) -> std::int32_t {
        if (t < 0 || t >= i64(H) * W)
            return -1;
        const i64 b = t / H, a = H - 1 - t % H;
        const i64 p = W + 1 + a * W + b;
        return p < i64(H) * W ? std::int32_t(p) : -1;
    };
    for (int field = 0; field < 2; ++field)
        for (int j = 0; j < 975; ++j)
            for (int k = 0; k < 654; ++k) {
                const std::size_t r = (field == 0 ? 0 : field2) + std::size_t(j) * 1308 + 2 * std::size_t(k);
                const i64 te = field == 0 ? i64(2 * j + 1) * H + 2 * k : i64(2 * j + 2) * H + 1 + 2 * k;
                const i64 to = field == 0 ? i64(W - 1 - 2 * j) * H + 1 + 2 * k : i64(W - 2 * j) * H + 2 * k;
                map[r] = image(te);
                map[r + 1] = image(to);
            }
    return map;
}

RawMap mapMonoBinned2(int H, int W, int rows, int rowLength)
{
    RawMap map(std::size_t(rows) * rowLength, -1);
    // The gather reads scratch t = 3H - a + bH into image index W + aW + b.
    auto image = [H, W](i64 t) -> std::int32_t {
        const i64 u = t - 3 * i64(H); // = bH - a
        if (u <= -i64(H))
            return -1;
        const i64 b = (u + H - 1) / H, a = b * H - u;
        if (b >= W)
            return -1;
        const i64 p = W + a * W + b;
        return p < i64(H) * W ? std::int32_t(p) : -1;
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < rowLength / 2; ++i) {
            const std::size_t r = std::size_t(j) * rowLength + 2 * std::size_t(i);
            map[r] = image(i64(2 * j + 2) * H + i);
            map[r + 1] = image(i64(W + 1 - 2 * j) * H + 1 + i);
        }
    return map;
}

RawMap mapMonoBinned4()
{
    constexpr int H = 1308;
    constexpr std::size_t sent = 1308 * 487;
    RawMap map(sent, -1);
    // The gather reads scratch s = (m + 1) x 654 - a as sample (m, a).
    auto sample = [](i64 s) -> std::int32_t {
        if (s < 1 || s > i64(kMono4Columns) * kMono4Rows)
            return -1;
        const i64 m = (s + kMono4Rows - 1) / kMono4Rows - 1;
        const i64 a = (m + 1) * kMono4Rows - s;
        return std::int32_t(a * kMono4Columns + m);
    };
    for (int j = 0; j < 488; ++j)
        for (int k = 0; k < 654; ++k) {
            const std::size_t r = std::size_t(j) * 1308 + 2 * std::size_t(k);
            if (r < sent)
                map[r] = sample(i64(j + 1) * H + k);
            if (r + 1 < sent)
                map[r + 1] = sample(637650 - i64(j) * H + k);
        }
    return map;
}

} // namespace kor::sim
