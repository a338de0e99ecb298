#pragma once

#include "workspace/Plane.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>

namespace kor {

class Program;
class Workspace;
struct Settings;
struct FitsObservation;

inline constexpr std::size_t kFitsCardBytes = 80;
inline constexpr int kFitsHeaderCards = 72;
inline constexpr std::size_t kFitsHeaderBytes = kFitsCardBytes * kFitsHeaderCards; // 5,760
inline constexpr std::size_t kFitsBinnedLength = kFitsHeaderBytes + 5101200;       // 5,106,960
// The binned monochrome data ends inside a 2,880-byte record, which other FITS
// readers refuse to read; the writer completes the record with zeros. Files of
// the unpadded length are read as well.
inline constexpr std::size_t kFitsRecordBytes = 2880;
inline constexpr std::size_t kFitsBinnedPaddedLength =
    (kFitsBinnedLength + kFitsRecordBytes - 1) / kFitsRecordBytes * kFitsRecordBytes; // 5,108,160
inline constexpr std::size_t kFitsFullLength = kFitsHeaderBytes + 20404800;           // 20,410,560
inline constexpr std::size_t kFitsFullColourLength = kFitsHeaderBytes + 4 * 20404800; // 81,624,960
// Zero bytes that follow the data of the 8-bit form.
inline constexpr std::size_t kFits8BitTrailerBytes = 1600;

// Text limits of the header fields, as the "FITS DETAILS" dialog accepts them.
inline constexpr std::size_t kFitsTextLength = 67;
inline constexpr std::size_t kFitsDateLength = 11;
inline constexpr std::size_t kFitsTimeLength = 9;
inline constexpr std::size_t kFitsLongTextLength = 254;
inline constexpr int kUtOffsetLimitHours = 11;

// The data unit a FITS save writes.
enum class FitsForm {
    Mono16,   // CurrentImage as v - 32768, big-endian
    Colour16, // Mono16, then the red, green and blue planes as in memory
    Mono8,    // CurrentImage / 256, one byte a pixel, then 1,600 zero bytes
    Rgb16,    // three composed planes as v - 32768, bottom row first
};

// The form a save of the current image takes: the four-plane form for a colour
// image, the 8-bit form when asked (always of the luminance alone).
FitsForm fitsFormFor(const Workspace& ws, bool eightBit);

// The 72 header cards for the current image, texts and history.
std::string buildFitsHeader(const Workspace& ws, const Settings& settings, const FitsObservation& observation,
                            FitsForm form);

enum class FitsWriteResult : int { Ok = 0, Failed = 1 };
enum class FitsReadResult : int { Ok = 0, ReadFailed = 1, NotOurs = 2 };

// Writes `image` (normally CurrentImage) with the header of the program's texts.
// The old file is replaced only when the new one is complete. Clears the
// unsigned flag. A colour plane written short reports message 18 first.
FitsWriteResult WriteFits(Program& program, const std::filesystem::path& path, const Plane& image, bool eightBit);

// Reads a FITS file this program wrote: checks the fixed columns, takes the
// texts, numbers, mode and history, then the pixels. `fileLength` decides the
// colour form. The flags and texts change only once the whole header was read
// and accepted; the caller sets the geometry.
FitsReadResult ReadFits(Program& program, const std::filesystem::path& path, std::size_t fileLength);

// Empties the texts an opened file replaces; keeps origin and pixel sizes.
void ResetFitsText(Program& program);

// Writes CurrentImage as the next numbered file IMG<n>.FIT in the auto-save
// directory, stamped with the mid-exposure time in universal time, then saves
// the settings so the counter persists.
FitsWriteResult QuickSaveFits(Program& program);

// "Save as FITS file..." before its dialogs: clears the 8-bit flag and fills in
// today's date when the date field holds fewer than ten characters.
void prepareFitsSave(Program& program, std::time_t now);
// "Save as FITS file..." once a name was chosen: message 29 on failure.
bool SaveFitsFile(Program& program, const std::filesystem::path& path);
// "Quick Save as FITS...": message 29 on failure.
bool QuickSaveCommand(Program& program);

// Date and time of an instant as written in DATE-OBS and TIME-OBS.
struct FitsDateTime {
    std::string date; // YYYY-MM-DD
    std::string time; // HH:MM:SS
};
// Universal time from a local broken-down time: local + offset hours.
FitsDateTime universalTimeFromLocal(const std::tm& local, int utOffsetHours);
// The mid-exposure instant: start plus half the whole seconds to the end.
std::time_t midExposure(std::time_t start, std::time_t end);

} // namespace kor
