#pragma once

#include "files/BitmapFile.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kor {

class Workspace;

// The display stretch: power P (2 to 50, whole steps) and black offset B (0 to 250).
struct DisplayStretchSettings {
    static constexpr int kMinPower = 2;
    static constexpr int kMaxPower = 50;
    static constexpr int kMaxBlack = 250;
    double power = 5.0;
    int black = 0;
};

// Which picture the redisplay builds. The small-frame modes show the first
// 128 x 128 values only (camera focus mode and the guider modes); focus mode
// always stretches, with the camera panel's focus stretch (1 to 50) as P.
struct DisplayFrameMode {
    static constexpr int kSmallFrameSide = 128;
    bool smallFrame = false;
    bool focusMode = false;
    int focusStretch = 1;
};

using StretchCurve = std::array<std::uint8_t, 255>;
using ContrastMap = std::array<std::uint8_t, 256>;

// curve[k] = trunc(255 P x / ((P - 1) x + 1)) with x = k / 255.
StretchCurve displayStretchCurve(double power);

// map[a] = 0 for a <= L, else min(255, trunc((a - L)^0.3 * 255^0.7)) with the
// single-precision exponents; a negative L counts as 0.
ContrastMap autoContrastMap(int level);

// The 256 palette entries for the display flags (false colour, grey through
// the contrast map, or the plain grey ramp).
Palette displayPalette(const Workspace& ws, bool useMap, const ContrastMap& map);

// False-colour entry for value v: blue 255 - v - (255 - v)^2 / 256, green
// v^2 / 256, red v below 241; grey from 241.
PaletteEntry falseColourEntry(int v);

// BitmapBuffer[i] = CurrentImage[i] / 256 for the first `count` pixels.
void reduceToBytes(Workspace& ws, std::size_t count);

// The smallest byte above 0 among the first `count` (255 when none is).
int smallestLitByte(const std::uint8_t* bytes, std::size_t count);

// The display stretch in place on the first `count` bytes: every byte below 253
// becomes curve[max(0, max(0, v - m) - black)]; 253 to 255 stay.
void applyDisplayStretch(std::uint8_t* bytes, std::size_t count, int m, int black, const StretchCurve& curve);

// The bitmap geometry of the current display mode: full or binned image, halved
// while BinDisplay is set, or the 128 x 128 small frame.
MonoLayout displayLayout(const Workspace& ws, const DisplayFrameMode& frame);

} // namespace kor
