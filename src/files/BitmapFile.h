#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace kor {

class ProgressReporter;

// Result codes of the bitmap writers; the redisplay turns 1, 2 and 3 into
// messages 8, 9 and 10.
enum class BitmapResult : int {
    Ok = 0,
    CreateFailed = 1,
    HeaderFailed = 2,
    PixelsFailed = 3,
};

// A palette entry as the file stores it: blue, green, red, 0.
struct PaletteEntry {
    std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    bool operator==(const PaletteEntry&) const = default;
};
using Palette = std::array<PaletteEntry, 256>;

inline constexpr std::size_t kBitmapFileHeaderSize = 14;
inline constexpr std::size_t kBitmapInfoHeaderSize = 40;
inline constexpr std::size_t kMonoPixelOffset = 1078; // 14 + 40 + 1024
inline constexpr std::size_t kColourPixelOffset = 54;

// Which source bytes make the rows of an 8-bit bitmap: `width` x `height`
// pixels taken from a buffer of rows `sourceStride` bytes apart, every `step`-th
// pixel of every `step`-th row (2 for a halved display), starting at (0, 0).
struct MonoLayout {
    int width = 0;
    int height = 0;
    int sourceStride = 0;
    int step = 1;
};

// Bytes in one stored row of `bytesPerPixel` x `width`: padded to a multiple of 4.
inline std::size_t paddedRowBytes(int width, int bytesPerPixel)
{
    return (std::size_t(width) * std::size_t(bytesPerPixel) + 3) & ~std::size_t(3);
}

// The 8-bit bitmap file: the 54 header bytes, the 1024-byte palette, then the
// rows bottom-up, each padded with zeros to a multiple of 4 bytes. Like every
// bitmap writer here it replaces the old file only when the new one is complete.
BitmapResult writeMonoBitmap(const std::filesystem::path& path, const std::uint8_t* source, const MonoLayout& layout,
                             const Palette& palette);

// Renders display row `row` (0 = top) of a colour picture: `width` pixels of
// blue, green, red into `bgr`.
using ColourRowRenderer = std::function<void(int row, std::uint8_t* bgr)>;

// The 24-bit bitmap file of a `width` x `height` colour picture. The stored
// width is widened to a multiple of 4 pixels (the filler pixels are zero) and
// the rows are stored bottom-up. The rows are rendered in four strips, bottom
// strip first, under the progress caption "BUILDING COLOUR IMAGE".
BitmapResult writeColourBitmap(const std::filesystem::path& path, int width, int height,
                               const ColourRowRenderer& render, ProgressReporter& progress);

// A bitmap file as read back for showing: top row first, one 32-bit pixel
// (0xffRRGGBB) per picture pixel; for an 8-bit file also its palette indices
// and the palette.
struct DecodedBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb32;
    bool indexed = false;
    std::vector<std::uint8_t> indices;
    Palette palette{};
};

// Reads an uncompressed 8-bit or 24-bit bottom-up bitmap file. Every size in
// the header is checked against the file's real length; nothing is trusted.
// Empty when the file is missing, short or not such a bitmap.
std::optional<DecodedBitmap> readBitmapFile(const std::filesystem::path& path);

} // namespace kor
