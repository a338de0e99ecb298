#include "processing/Calibration.h"

#include "files/FileInput.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "program/Program.h"

#include <algorithm>
#include <array>

namespace kor {

namespace {

constexpr int kFlatWindowFirstRow = 10;
constexpr int kFlatWindowLastRow = 19;
constexpr int kFlatWindowFirstColumn = 5;
constexpr int kFlatFirstColumn = 3;

// Whether a raw file of `length` bytes has the geometry of the image: the
// binned form for a binned image, a full plane otherwise.
bool lengthFitsGeometry(std::size_t length, bool binned, bool bareAllowed)
{
    if (binned)
        return length == kRawBinnedLength;
    return length == kRawFullLength || (bareAllowed && length == kRawFullBareLength);
}

// Reads the plane of a raw file already checked by length, and its trailer.
int readFrame(const std::filesystem::path& path, std::uint16_t* plane, std::size_t pixels, bool binned,
              bool bareAllowed, std::array<char, kTrailerBytes>* trailer)
{
    FileInput in(path);
    if (!in.isOpen())
        return kCalibrationOpenFailed;
    if (!lengthFitsGeometry(in.length(), binned, bareAllowed))
        return kCalibrationWrongKind;
    if (!in.readInTenChunks(plane, pixels * 2))
        return kCalibrationOpenFailed;
    if (trailer && !in.read(trailer->data(), kTrailerBytes))
        return kCalibrationOpenFailed;
    return kCalibrationOk;
}

// The manual commands refuse a frame of another geometry than the image's,
// which would otherwise be applied beyond its own pixels.
bool frameMatchesImage(Program& program, const std::filesystem::path& path)
{
    FileInput in(path);
    if (!in.isOpen())
        return true; // the loader reports a file that cannot be opened
    const std::size_t length = in.length();
    const bool frameBinned = length == kRawBinnedLength;
    const bool known =
        frameBinned || length == kRawFullLength || length == kRawFullBareLength || length == kRawFullColourBareLength;
    if (!known || frameBinned == program.workspace.BinnedMode)
        return true; // the loader reports a file of no known length
    ShowMessage(program.messages, kMsgOwnText,
                frameBinned ? "The chosen frame is binned but the image is full resolution: choose a frame "
                              "taken in the same mode"
                            : "The chosen frame is full resolution but the image is binned: choose a frame "
                              "taken in the same mode");
    return false;
}

} // namespace

void SubtractDark(std::uint16_t* image, const std::uint16_t* dark, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        image[i] = dark[i] < image[i] ? std::uint16_t(image[i] - dark[i]) : std::uint16_t(0);
}

double FlatMean(const std::uint16_t* flat, int width, int lastColumn)
{
    double sum = 0;
    for (int y = kFlatWindowFirstRow; y <= kFlatWindowLastRow; ++y)
        for (int x = kFlatWindowFirstColumn; x <= lastColumn; ++x)
            sum += flat[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    const int pixels = (kFlatWindowLastRow - kFlatWindowFirstRow + 1) * (lastColumn - kFlatWindowFirstColumn + 1);
    return sum / pixels;
}

void CorrectFlatRows(std::uint16_t* image, const std::uint16_t* flat, int width, int firstRow, int lastRow, double mean)
{
    for (int y = firstRow; y <= lastRow; ++y) {
        std::uint16_t* v = image + std::size_t(y) * std::size_t(width);
        const std::uint16_t* f = flat + std::size_t(y) * std::size_t(width);
        for (int x = kFlatFirstColumn; x < width; ++x) {
            double corrected;
            if (f[x] != 0)
                corrected = double(v[x]) / f[x] * mean;
            else
                corrected = v[x] == 0 ? mean : double(v[x]);
            v[x] = corrected >= 65535.0 ? std::uint16_t(65535) : std::uint16_t(std::max(corrected, 0.0));
        }
    }
}

int AutoSubtractDark(Program& program, bool loaded)
{
    Workspace& ws = program.workspace;
    if (!loaded) {
        const int result =
            readFrame(program.files.DarkFramePath, ws.UndoImage.data(), ws.PixelCount, ws.BinnedMode, true, nullptr);
        if (result != kCalibrationOk)
            return result;
    }
    SubtractDark(ws.CurrentImage.data(), ws.UndoImage.data(), ws.PixelCount);
    return kCalibrationOk;
}

int AutoApplyFlat(Program& program, bool loaded)
{
    Workspace& ws = program.workspace;
    if (!loaded) {
        std::array<char, kTrailerBytes> trailer{};
        const int result =
            readFrame(program.files.FlatFieldPath, ws.FlatImage.data(), ws.PixelCount, ws.BinnedMode, false, &trailer);
        if (result != kCalibrationOk)
            return result;
        if (trailer[0] != 'F' || trailer[1] != 'L')
            return kCalibrationNotFlat;
    }
    const double mean = FlatMean(ws.FlatImage.data(), ws.ImageWidth, kAutoFlatLastColumn);
    CorrectFlatRows(ws.CurrentImage.data(), ws.FlatImage.data(), ws.ImageWidth, 2, ws.ImageHeight - 2, mean);
    return kCalibrationOk;
}

bool SubtractDarkFrameCommand(Program& program, const std::filesystem::path& path)
{
    if (!frameMatchesImage(program, path))
        return false;
    if (LoadSecondImage(program, path, SecondImagePurpose::Dark) != SecondImageResult::Ok)
        return false;
    Workspace& ws = program.workspace;
    ws.SaveUndo();
    SubtractDark(ws.CurrentImage.data(), ws.WorkImage.data(), ws.PixelCount);
    ws.AppendHistory("Dark Frame Subtracted");
    program.Redisplay();
    return true;
}

bool ApplyFlatFieldCommand(Program& program, const std::filesystem::path& path)
{
    if (!frameMatchesImage(program, path))
        return false;
    if (LoadSecondImage(program, path, SecondImagePurpose::Flat) != SecondImageResult::Ok)
        return false;
    Workspace& ws = program.workspace;
    ws.SaveUndo();
    const double mean = FlatMean(ws.WorkImage.data(), ws.ImageWidth, kManualFlatLastColumn);
    const int firstRow = ws.hasLabelBand() ? 11 : 7;
    const int lastRow = ws.ImageHeight - 1;
    program.progress.begin("FLAT FIELD PROGRESS");
    for (int y = firstRow; y <= lastRow; ++y) {
        CorrectFlatRows(ws.CurrentImage.data(), ws.WorkImage.data(), ws.ImageWidth, y, y, mean);
        if ((y & 63) == 0) {
            program.progress.setPosition(ProgressReporter::kProgressRange * (y - firstRow) / (lastRow - firstRow + 1));
            program.events.drain();
        }
    }
    program.progress.end();
    ws.AppendHistory("Flat Field Applied");
    program.Redisplay();
    return true;
}

} // namespace kor
