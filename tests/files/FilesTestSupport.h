#pragma once

#include "program/Program.h"
#include "support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kor::test {

// A pixel pattern that reaches 0, 1, 65534 and 65535 and differs from plane to plane.
inline std::uint16_t patternValue(std::size_t i, unsigned seed)
{
    if (i < 4)
        return std::uint16_t(i < 2 ? i : 65532 + i); // 0, 1, 65534, 65535
    return std::uint16_t((i * 7919u + seed * 104729u) ^ (i >> 7));
}

// Sets the geometry and fills CurrentImage (and the colour planes when colour).
inline void makeImage(Workspace& ws, bool binned, bool colour, std::int16_t mode, char digit)
{
    ws.BinnedMode = binned;
    ws.ColourImage = colour;
    ws.ExposureMode = mode;
    ws.ModeDigit = digit;
    ws.SetGeometry();
    for (std::size_t i = 0; i < ws.PixelCount; ++i)
        ws.CurrentImage[i] = patternValue(i, 1);
    for (unsigned c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < ws.PixelCount; ++i)
            ws.ColourPlanes[c][i] = colour ? patternValue(i, 2 + c) : 0;
}

inline bool planeEquals(const Plane& plane, std::size_t count, unsigned seed)
{
    for (std::size_t i = 0; i < count; ++i)
        if (plane[i] != patternValue(i, seed))
            return false;
    return true;
}

// Fills bytes from a fixed-seed generator.
inline void fillRandom(std::vector<std::uint8_t>& bytes, std::uint32_t seed)
{
    std::uint32_t x = seed | 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = std::uint8_t(x >> 24);
    }
}

inline std::string fileTail(const std::filesystem::path& path, std::size_t n)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(-std::streamoff(n), std::ios::end);
    std::string tail(n, '\0');
    in.read(tail.data(), std::streamsize(n));
    return tail;
}

} // namespace kor::test
