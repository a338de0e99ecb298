#pragma once

#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace kor::test {

// A seeded image that exercises the filters: a smooth ramp with a little
// noise, bright and dark spikes (0 and 65535), a saturated block and a patch of
// pure noise, so sums overflow 16 bits, clamps fire and the median both
// replaces and keeps pixels.
inline void fillSeededImage(Workspace& ws, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-40, 40), any(0, 65535), percent(0, 99);
    const int w = ws.ImageWidth, h = ws.ImageHeight;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v = 2000 + (x * 13 + y * 7) % 30000 + noise(rng);
            const int p = percent(rng);
            if (p < 2)
                v = 65535;
            else if (p < 4)
                v = 0;
            else if (p < 6)
                v = any(rng);
            if (x >= 100 && x < 160 && y >= 40 && y < 90)
                v = 65535;
            if (x >= 300 && x < 400 && y < 60)
                v = any(rng);
            ws.CurrentImage[std::size_t(y) * w + x] = std::uint16_t(std::clamp(v, 0, 65535));
        }
    }
}

// Stamps the label marker into the first six pixels.
inline void stampLabel(Workspace& ws)
{
    for (int i = 0; i < 6; ++i)
        ws.CurrentImage[i] = kLabelMarkerValue;
}

inline std::vector<std::uint16_t> snapshot(const Workspace& ws)
{
    const auto p = ws.CurrentImage.first(ws.PixelCount);
    return {p.begin(), p.end()};
}

// The rows worth comparing in full: the first and last 16 (borders, label
// band) and every 29th row between (block boundaries of the row split fall
// among them). Reports the first differing pixel of each differing row.
inline std::vector<int> sampledRows(int height)
{
    std::vector<int> rows;
    for (int y = 0; y < height; ++y)
        if (y < 16 || y >= height - 16 || y % 29 == 0)
            rows.push_back(y);
    return rows;
}

inline void expectRowsEqual(const std::vector<std::uint16_t>& expected, const Workspace& ws,
                            const std::vector<int>& rows)
{
    int failures = 0;
    for (int y : rows) {
        for (int x = 0; x < ws.ImageWidth; ++x) {
            const std::size_t i = std::size_t(y) * ws.ImageWidth + x;
            if (expected[i] != ws.CurrentImage[i]) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): expected " << expected[i] << ", got "
                              << ws.CurrentImage[i];
                if (++failures > 10)
                    return;
                break;
            }
        }
    }
}

} // namespace kor::test
