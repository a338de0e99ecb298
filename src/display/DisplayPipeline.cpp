#include "display/DisplayPipeline.h"

#include "workspace/Workspace.h"

#include <algorithm>
#include <cmath>

namespace kor {

namespace {
// The single-precision values of 0.3 and 0.7, used in double precision.
constexpr double kContrastExponent = 0.30000001192092896;
constexpr double kContrastScaleExponent = 0.699999988079071;
constexpr int kFirstUnstretchedByte = 253;
constexpr int kFalseColourGreyFrom = 241;
} // namespace

StretchCurve displayStretchCurve(double power)
{
    StretchCurve curve{};
    for (std::size_t k = 0; k < curve.size(); ++k) {
        const double x = double(k) / 255.0;
        curve[k] = std::uint8_t(int(255.0 * power * x / ((power - 1.0) * x + 1.0)));
    }
    return curve;
}

ContrastMap autoContrastMap(int level)
{
    level = std::max(level, 0);
    const double scale = std::pow(255.0, kContrastScaleExponent);
    ContrastMap map{};
    for (int a = 0; a < 256; ++a) {
        if (a <= level)
            continue;
        const double v = std::pow(double(a - level), kContrastExponent) * scale;
        map[std::size_t(a)] = std::uint8_t(std::min(255, int(v)));
    }
    return map;
}

PaletteEntry falseColourEntry(int v)
{
    if (v >= kFalseColourGreyFrom) {
        const auto g = std::uint8_t(v);
        return {g, g, g, 0};
    }
    const int inverse = 255 - v;
    return {std::uint8_t(255 - v - inverse * inverse / 256), std::uint8_t(v * v / 256), std::uint8_t(v), 0};
}

Palette displayPalette(const Workspace& ws, bool useMap, const ContrastMap& map)
{
    Palette palette{};
    for (int a = 0; a < 256; ++a) {
        const auto i = std::size_t(a);
        if (ws.FalseColour) {
            palette[i] = falseColourEntry(ws.AutoContrast ? map[i] : a);
        } else {
            const auto g = std::uint8_t(useMap ? map[i] : a);
            palette[i] = {g, g, g, 0};
        }
    }
    return palette;
}

void reduceToBytes(Workspace& ws, std::size_t count)
{
    const std::uint16_t* src = ws.CurrentImage.data();
    std::uint8_t* dst = ws.BitmapBuffer.data();
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = std::uint8_t(src[i] >> 8);
}

int smallestLitByte(const std::uint8_t* bytes, std::size_t count)
{
    std::uint8_t m = 255;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t v = bytes[i];
        m = std::min<std::uint8_t>(m, v == 0 ? 255 : v);
    }
    return m;
}

void applyDisplayStretch(std::uint8_t* bytes, std::size_t count, int m, int black, const StretchCurve& curve)
{
    // One table over all 256 byte values, so the pass is a single lookup per byte.
    std::array<std::uint8_t, 256> lut{};
    for (int v = 0; v < 256; ++v) {
        if (v >= kFirstUnstretchedByte) {
            lut[std::size_t(v)] = std::uint8_t(v);
            continue;
        }
        const int w = std::max(0, std::max(0, v - m) - black);
        lut[std::size_t(v)] = curve[std::size_t(w)];
    }
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = lut[bytes[i]];
}

MonoLayout displayLayout(const Workspace& ws, const DisplayFrameMode& frame)
{
    if (frame.smallFrame)
        return {DisplayFrameMode::kSmallFrameSide, DisplayFrameMode::kSmallFrameSide, DisplayFrameMode::kSmallFrameSide,
                1};
    const int step = ws.BinDisplay ? 2 : 1;
    return {ws.ImageWidth / step, ws.ImageHeight / step, ws.ImageWidth, step};
}

} // namespace kor
