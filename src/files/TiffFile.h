#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace kor {

class Program;
class Workspace;

inline constexpr std::size_t kTiffDataBase = 186; // bytes before the strip tables
inline constexpr int kTiffMonoRowsPerStrip = 218;
inline constexpr int kTiffColourRowsPerStrip = 109;

// The shape of one TIFF image.
struct TiffImage {
    int width = 0;
    int height = 0;
    int samplesPerPixel = 1; // 1 monochrome, 3 RGB
    int bytesPerSample = 1;  // 1 or 2
};

// Fills one row (top row first) of file-order samples, little-endian.
using TiffRowSource = std::function<void(int row, std::uint8_t* out)>;

// The fixed little-endian layout: header, 13 directory entries, resolutions,
// strip tables, strips, and for colour the bits-per-sample numbers at the end.
std::string buildTiffHeader(const TiffImage& image);

// Writes the whole file; false when it could not be created or written (the old
// file is then left as it was).
bool writeTiff(const std::filesystem::path& path, const TiffImage& image, const TiffRowSource& rows);

// CurrentImage as a monochrome TIFF with 16-bit samples, or 8-bit samples of
// value / 256.
bool WriteMonochromeTiff(const Workspace& ws, const std::filesystem::path& path, bool sixteenBit);

// "Save as Tiff file...": the sample size the setting "Save in 16bit Tiff
// format" chooses; message 29 on failure.
bool SaveTiffFile(Program& program, const std::filesystem::path& path);

} // namespace kor
