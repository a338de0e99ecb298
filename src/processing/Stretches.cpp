// The inner loops are written for the vectoriser, which only the higher
// optimisation level runs; keep it on in every build type.
#pragma GCC optimize("O3")

#include "processing/Stretches.h"

#include "processing/ParallelRows.h"
#include "program/Program.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kor {

namespace {

constexpr int kTableEntries = 32768;
constexpr int kTableMax = 32767;
constexpr int kStretchSlices = 20;
constexpr int kProgressPerSlice = 12;

std::uint16_t* table(Workspace& ws)
{
    return ws.StretchTable.data();
}

template <typename Curve> void fillTable(Workspace& ws, Curve curve)
{
    std::uint16_t* t = table(ws);
    for (int k = 0; k < kTableEntries; ++k)
        t[k] = std::uint16_t(std::clamp<long long>(curve(k), 0, kTableMax));
}

// Keeps [begin, end) in the undo snapshot and maps it through the 65,536-entry
// lookup that the halved table stands for: one read of each pixel serves both.
void keepAndMap(std::uint16_t* __restrict pixels, std::uint16_t* __restrict undo, std::size_t begin, std::size_t end,
                const std::uint16_t* __restrict lookup)
{
    std::size_t i = begin;
#if defined(__SSE2__)
    // Eight at a time: one vector load and store for the snapshot, the indices
    // taken from two 64-bit words, the results gathered into one vector store.
    for (; i + 8 <= end; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(undo + i), v);
        std::uint64_t a, b;
        std::memcpy(&a, pixels + i, sizeof a);
        std::memcpy(&b, pixels + i + 4, sizeof b);
        __m128i r = _mm_cvtsi32_si128(lookup[a & 0xffff]);
        r = _mm_insert_epi16(r, lookup[(a >> 16) & 0xffff], 1);
        r = _mm_insert_epi16(r, lookup[(a >> 32) & 0xffff], 2);
        r = _mm_insert_epi16(r, lookup[a >> 48], 3);
        r = _mm_insert_epi16(r, lookup[b & 0xffff], 4);
        r = _mm_insert_epi16(r, lookup[(b >> 16) & 0xffff], 5);
        r = _mm_insert_epi16(r, lookup[(b >> 32) & 0xffff], 6);
        r = _mm_insert_epi16(r, lookup[b >> 48], 7);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), r);
    }
#endif
    for (; i < end; ++i) {
        const std::uint16_t v = pixels[i];
        undo[i] = v;
        pixels[i] = lookup[v];
    }
}

void applyAndRecord(Program& program, const std::string& history)
{
    ApplyStretchTable(program, false);
    program.workspace.AppendHistory(history);
    program.Redisplay();
}

} // namespace

void ApplyStretchTable(Program& program, bool redisplay)
{
    Workspace& ws = program.workspace;
    program.progress.begin("CONTRAST STRETCH");
    // The undo snapshot is taken pixel by pixel in the same pass as the mapping.
    ws.SaveUndoFlags();

    // Expanded once to one entry per 16-bit value so that each pixel costs one look-up.
    std::array<std::uint16_t, 65536> lookup;
    const std::uint16_t* t = table(ws);
    for (int v = 0; v < 65536; ++v)
        lookup[v] = std::uint16_t(2 * std::min<int>(t[v / 2], kTableMax));

    const std::size_t bandEnd = std::min<std::size_t>(std::size_t(kLabelBandRows) * ws.ImageWidth, ws.PixelCount);
    std::uint16_t* pixels = ws.CurrentImage.data();
    std::uint16_t* undo = ws.UndoImage.data();
    if (ws.hasLabelBand())
        std::memcpy(undo, pixels, bandEnd * sizeof(std::uint16_t));
    else
        keepAndMap(pixels, undo, 0, bandEnd, lookup.data());
    // The rest in 20 equal slices (the last takes the remainder), each cut in
    // parts that the cores share; the bar advances by 12 for each slice done.
    constexpr int kPartsPerSlice = 16;
    const std::size_t slice = (ws.PixelCount - bandEnd) / kStretchSlices;
    const auto sliceBegin = [&](int s) { return s == kStretchSlices ? ws.PixelCount : bandEnd + s * slice; };
    int slicesShown = 0;
    forEachRowBlock(
        0, kStretchSlices * kPartsPerSlice,
        [&](int u0, int u1) {
            for (int u = u0; u < u1; ++u) {
                const int s = u / kPartsPerSlice, part = u % kPartsPerSlice;
                const std::size_t begin = sliceBegin(s), size = sliceBegin(s + 1) - begin;
                keepAndMap(pixels, undo, begin + size * part / kPartsPerSlice,
                           begin + size * (part + 1) / kPartsPerSlice, lookup.data());
            }
        },
        [&](int partsDone) {
            for (; slicesShown < partsDone / kPartsPerSlice; ++slicesShown)
                program.progress.setPosition((slicesShown + 1) * kProgressPerSlice);
        });
    program.progress.end();
    if (redisplay)
        program.Redisplay();
}

void BuildNonLinearTable(Workspace& ws, int power)
{
    const double p = power;
    fillTable(ws, [p](int k) {
        const double x = k / 32768.0;
        return static_cast<long long>(p * 32768.0 * x / (x * (p - 1.0) + 1.0));
    });
    ws.AppendHistory("Non-Linear Stretch : power " + std::to_string(power));
}

bool BuildRemoveBackgroundTable(Workspace& ws, int level)
{
    if (level < 3)
        return false;
    level = std::min(level, 255); // a high byte; guards the factor's divisor
    const int black = 128 * level - 256;
    const double factor = 255.0 / (257 - level);
    fillTable(ws, [black, factor](int k) { return k < black ? 0LL : static_cast<long long>((k - black) * factor); });
    ws.AppendHistory("Background Removed : min " + std::to_string(black / 64));
    return true;
}

bool normalStretch(Program& program, int black, int white)
{
    if (black >= white)
        return false;
    const int blackPoint = 128 * black;
    const int whitePoint = 128 * white;
    const double factor = 255.0 / (white - black);
    fillTable(program.workspace, [=](int k) -> long long {
        if (k < blackPoint)
            return 0;
        if (k >= whitePoint)
            return kTableMax;
        const auto value = static_cast<long long>((k - blackPoint) * factor);
        return (value & 0x8000) ? kTableMax : value;
    });
    applyAndRecord(program, "Normal Stretch : max " + std::to_string(whitePoint / 64) +
                                " , min : " + std::to_string(blackPoint / 64));
    return true;
}

bool powerStretch(Program& program, double power)
{
    if (power == 1.0)
        return false;
    const double scale = std::pow(32768.0, power - 1.0);
    fillTable(program.workspace, [=](int k) {
        return std::min<long long>(kTableMax, static_cast<long long>(std::pow(double(k), power) / scale));
    });
    char text[40];
    std::snprintf(text, sizeof text, "Power Stretch :  %1.1f", power);
    applyAndRecord(program, text);
    return true;
}

void sineStretch(Program& program)
{
    fillTable(program.workspace, [](int k) {
        return static_cast<long long>((std::sin((k - 16384) * 0.00009585889570552147) + 1.0) * 16383.0);
    });
    applyAndRecord(program, "Sine Stretch");
}

void logStretch(Program& program)
{
    fillTable(program.workspace, [](int k) { return static_cast<long long>(std::log(k + 1.0) * 3151.0); });
    applyAndRecord(program, "Log Stretch");
}

void antilogStretch(Program& program)
{
    // The base is the five-decimal constant, not e: the curve was fitted with it.
    fillTable(program.workspace, [](int k) {
        return std::min<long long>(kTableMax,
                                   static_cast<long long>(std::pow(2.71828, k * 0.00031735956839098697) - 1.0));
    });
    applyAndRecord(program, "Antilog Stretch");
}

void invertImage(Program& program)
{
    fillTable(program.workspace, [](int k) { return static_cast<long long>(kTableMax - k); });
    applyAndRecord(program, "Invert Image to Negative");
}

bool removeBackground(Program& program)
{
    Workspace& ws = program.workspace;
    if (!BuildRemoveBackgroundTable(ws, ws.lastPaintBackgroundLevel))
        return false;
    ApplyStretchTable(program, false);
    program.Redisplay();
    return true;
}

void nonLinearStretch(Program& program, int power)
{
    BuildNonLinearTable(program.workspace, power);
    ApplyStretchTable(program, false);
    program.Redisplay();
}

} // namespace kor
