#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace kor {

class Program;
struct FileState;

// Lengths of the program's own image files. The raw files are bare planes
// (16-bit little-endian values, row 0 first) with a ten-byte type trailer.
inline constexpr std::size_t kTrailerBytes = 10;
inline constexpr std::size_t kBinnedPlaneBytes = 5101200;
inline constexpr std::size_t kFullPlaneBytes = 20404800;
inline constexpr std::size_t kRawBinnedLength = kBinnedPlaneBytes + kTrailerBytes;       // 5,101,210
inline constexpr std::size_t kRawFullBareLength = kFullPlaneBytes;                       // 20,404,800
inline constexpr std::size_t kRawFullLength = kFullPlaneBytes + kTrailerBytes;           // 20,404,810
inline constexpr std::size_t kRawFullColourLength = 4 * kFullPlaneBytes + kTrailerBytes; // 81,619,210
inline constexpr std::size_t kRawFullColourBareLength = 4 * kFullPlaneBytes;             // 81,619,200
// Files shorter than this are never offered to the hot pixel map reader.
inline constexpr std::size_t kShortestMapCandidate = 20;

enum class SecondImagePurpose { Dark, Flat };

enum class SecondImageResult : int {
    Ok = 0,
    Failed = 1, // the failure was reported
};

enum class LoadResult { Image, HotPixelMap, Failed };

// "Open": loads a raw, FITS or hot pixel map file, telling them apart by length
// and trailer, then redisplays unless the file was a hot pixel map or was
// rejected. Failures are reported through the program's message sink.
LoadResult LoadRawFile(Program& program, const std::filesystem::path& path);

// "Save": the current image in the ordinary raw form. True when the file was written.
bool SaveRawFile(Program& program, const std::filesystem::path& path);

// "Save Flat File": CurrentImage of a colour converted image as a flat file.
bool SaveFlatFile(Program& program, const std::filesystem::path& path);

// Reads a raw file into WorkImage (and the colour planes into ColourBase) for
// dark subtraction or flat field. A flat must carry a flat trailer; it is
// judged before WorkImage is touched.
SecondImageResult LoadSecondImage(Program& program, const std::filesystem::path& path, SecondImagePurpose purpose);

// "Load next Autosaved File": the auto-saved FITS file after the last one loaded.
LoadResult LoadNextAutosavedFile(Program& program);

// "Delete File...", after the user confirmed: removes the file. False (and
// reported) when it could not be removed.
bool DeleteImageFile(Program& program, const std::filesystem::path& path);

// The filter index the next file dialog starts with, from the name chosen last:
// 2 for a ".FIT" name, else 1 when the title holds '~', else 3.
int filterIndexFor(const std::filesystem::path& chosen);
// Records the chosen file's filter index and directory for the next dialog.
void rememberChoice(FileState& files, const std::filesystem::path& chosen);

// The directory auto-saved files go to: AutosaveDir, or the root when it is empty.
std::filesystem::path autosaveDirectory(const Program& program);
// "IMG<n>.FIT" in the auto-save directory.
std::filesystem::path autosavedFilePath(const Program& program, int number);
// AutosaveCounter runs to 65529, so it is read as an unsigned 16-bit count.
int autosaveCount(const Program& program);

// The main window caption: "KOR_T53K_USB - " and the current file's title, or "(Untitled)".
std::string windowCaption(const FileState& files);

} // namespace kor
