#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace kor {

class Program;

// Subtracts a dark frame value by value: v - d where d < v, else 0. No scaling
// by exposure time.
void SubtractDark(std::uint16_t* image, const std::uint16_t* dark, std::size_t count);

// Mean of the flat over rows 10 to 19 and columns 5 to lastColumn.
double FlatMean(const std::uint16_t* flat, int width, int lastColumn);
inline constexpr int kManualFlatLastColumn = 504;
inline constexpr int kAutoFlatLastColumn = 604;

// Divides rows firstRow..lastRow (columns 3 to width - 1) by the flat and
// scales by `mean`: a zero flat value keeps the image value, or gives the mean
// where the image is zero too; results are truncated and held at 65535.
void CorrectFlatRows(std::uint16_t* image, const std::uint16_t* flat, int width, int firstRow, int lastRow,
                     double mean);

// Results of the automatic steps.
enum CalibrationResult : int {
    kCalibrationOk = 0,
    kCalibrationOpenFailed = 11,
    kCalibrationWrongKind = 12,
    kCalibrationNotFlat = 13,
};

// The automatic dark step of a new exposure: reads DarkFramePath into UndoImage
// unless `loaded`, then subtracts it from CurrentImage.
int AutoSubtractDark(Program& program, bool loaded);
// The automatic flat step: reads FlatFieldPath into FlatImage unless `loaded`,
// then corrects rows 2 to ImageHeight - 2 of CurrentImage.
int AutoApplyFlat(Program& program, bool loaded);

// "Subtract Image (Dark Frame)" with the chosen file. False when nothing changed
// (the failure was reported).
bool SubtractDarkFrameCommand(Program& program, const std::filesystem::path& path);
// "Apply Flat Field" with the chosen file.
bool ApplyFlatFieldCommand(Program& program, const std::filesystem::path& path);

} // namespace kor
