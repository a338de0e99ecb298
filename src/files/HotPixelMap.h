#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kor {

class FileInput;
class Program;
class Workspace;
struct HotPixelMapState;

inline constexpr const char* kHotPixelMapMagic = "T53KHotPixelMap";
inline constexpr std::size_t kHotPixelMapMagicLength = 15;
inline constexpr std::size_t kHotPixelMapHeaderBytes = kHotPixelMapMagicLength + 4;
inline constexpr int kHotPixelListEntries = 100000;
// A search that finds more than this many pixels stops: the frame is no dark.
inline constexpr int kHotPixelSearchLimit = 99000;
inline constexpr std::size_t kHotPixelMapNameLength = 40;

// Entry i of Workspace::HotPixelList: a pixel index y * ImageWidth + x.
std::int32_t hotPixelEntry(const Workspace& ws, int i);
void setHotPixelEntry(Workspace& ws, int i, std::int32_t index);

enum class HotPixelSearch { Found, TooMany };

// Lists every pixel of CurrentImage at least `threshold`, away from the edges
// (and below a label band). More than 99,000 shows the "Too many hot pixels"
// message; the map is then not marked as made.
HotPixelSearch FindHotPixels(Program& program, int threshold);

// "Apply Hot Pixel Map": each listed pixel becomes the mean of its four
// neighbours, in list order. Entries whose neighbours lie outside the current
// image (a map from another geometry or a damaged file) are passed over.
void ApplyHotPixelMap(Program& program);

// The file the map is saved as: <AutosaveDir>/<name>.HPM.
std::filesystem::path hotPixelMapPath(const Program& program);

// "Save Pixel Map". True when the file was written.
bool SaveHotPixelMap(Program& program);

// Reads a map file that "Open" did not recognise as an image. A file with a
// count that is negative, beyond the list or beyond the file changes nothing.
bool LoadHotPixelMap(Program& program, FileInput& in);

enum class MapNameChange { Unchanged, Changed, Refused };
// "Change" in the dialog: takes a new map name (cut at 40 characters); empty
// restores the default name; a name with * / : ? or \ is refused with message 41.
MapNameChange ChangeHotPixelMapName(Program& program, const std::string& text);

} // namespace kor
