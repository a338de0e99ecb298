#include "files/RawFile.h"

#include "files/FileInput.h"
#include "files/FitsFile.h"
#include "files/HotPixelMap.h"
#include "messages/Messages.h"
#include "platform/SafeFile.h"
#include "program/Program.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace kor {

namespace {

using Trailer = std::array<char, kTrailerBytes>;

Trailer makeTrailer(const char* name, char digit)
{
    Trailer t;
    t.fill(' ');
    std::memcpy(t.data(), name, std::min<std::size_t>(std::strlen(name), 7));
    t[7] = digit;
    return t;
}

// One plane, as the workspace holds it, written in ten chunks.
bool writePlane(SafeFileWriter& out, const Plane& plane, std::size_t pixelCount)
{
    const std::size_t chunk = pixelCount * 2 / 10;
    const auto* bytes = reinterpret_cast<const unsigned char*>(plane.data());
    for (int i = 0; i < 10; ++i)
        if (!out.write(bytes + std::size_t(i) * chunk, chunk))
            return false;
    return true;
}

bool isFitsLength(std::size_t length)
{
    return length == kFitsBinnedLength || length == kFitsBinnedPaddedLength || length == kFitsFullLength ||
           length == kFitsFullColourLength;
}

bool isRawLength(std::size_t length)
{
    return length == kRawBinnedLength || length == kRawFullBareLength || length == kRawFullLength ||
           length == kRawFullColourLength;
}

// The number of a title beginning "IMG" in any letter case: the digits that
// follow, 0 when there are none. -1 for any other title.
int autosavedNumber(const std::filesystem::path& path)
{
    const std::string title = path.filename().string();
    if (title.size() < 3 || std::toupper((unsigned char)title[0]) != 'I' ||
        std::toupper((unsigned char)title[1]) != 'M' || std::toupper((unsigned char)title[2]) != 'G')
        return -1;
    long number = 0;
    for (std::size_t i = 3; i < title.size() && std::isdigit((unsigned char)title[i]); ++i) {
        number = number * 10 + (title[i] - '0');
        if (number > 1000000)
            return 0;
    }
    return int(number);
}

void copyBlocksToPlanes(const Plane& source, std::size_t firstValue, std::array<Plane, 3>& planes)
{
    constexpr std::size_t kBinnedValues = kBinnedPlaneBytes / 2;
    for (int c = 0; c < 3; ++c)
        std::memcpy(planes[c].data(), source.data() + firstValue + std::size_t(c) * kBinnedValues, kBinnedPlaneBytes);
}

// Reads the raw file kinds into the workspace. False on a short read.
bool readRawImage(FileInput& in, Workspace& ws)
{
    const std::size_t length = in.length();
    Trailer trailer{};
    if (length == kRawBinnedLength) {
        if (!in.readInTenChunks(ws.CurrentImage.data(), kBinnedPlaneBytes) || !in.read(trailer.data(), kTrailerBytes))
            return false;
        ws.ModeDigit = trailer[7];
        ws.ExposureMode = trailer[7] == '5' ? 5 : 2;
        ws.BinnedMode = true;
        ws.ColourImage = false;
        ws.SetGeometry();
    } else if (length == kRawFullBareLength) {
        if (!in.readInTenChunks(ws.CurrentImage.data(), kFullPlaneBytes))
            return false;
        ws.BinnedMode = false;
        ws.ExposureMode = 1;
        ws.ModeDigit = '1';
        ws.ColourImage = false;
        ws.SetGeometry();
    } else if (length == kRawFullLength) {
        if (!in.readInTenChunks(ws.CurrentImage.data(), kFullPlaneBytes) || !in.read(trailer.data(), kTrailerBytes))
            return false;
        if (trailer[0] == 'H') {
            ws.ModeDigit = trailer[7];
            ws.ExposureMode = trailer[7] == '1' ? 1 : trailer[7] == '6' ? 6 : 7;
            ws.BinnedMode = false;
            ws.ColourImage = false;
            ws.SetGeometry();
        } else if (trailer[0] == 'F') {
            // A full-frame flat is one full-frame plane: it opens as the
            // monochrome image it is.
            ws.ModeDigit = '1';
            ws.ExposureMode = 1;
            ws.BinnedMode = false;
            ws.ColourImage = false;
            ws.SetGeometry();
        } else {
            ws.BinnedMode = true;
            ws.ExposureMode = 5;
            ws.ModeDigit = '5';
            ws.ColourImage = true;
            ws.SetGeometry();
            copyBlocksToPlanes(ws.CurrentImage, kBinnedPlaneBytes / 2, ws.ColourPlanes);
        }
    } else if (length == kRawFullColourLength) {
        ws.ColourImage = true;
        ws.BinnedMode = false;
        ws.ModeDigit = '1';
        ws.ExposureMode = 1;
        ws.SetGeometry();
        if (!in.readInTenChunks(ws.CurrentImage.data(), kFullPlaneBytes))
            return false;
        for (Plane& plane : ws.ColourPlanes)
            if (!in.readInTenChunks(plane.data(), kFullPlaneBytes))
                return false;
    }
    return true;
}

} // namespace

std::filesystem::path autosaveDirectory(const Program& program)
{
    const std::string& dir = program.settings.AutosaveDir;
    return dir.empty() ? program.paths.root() : std::filesystem::path(dir);
}

std::filesystem::path autosavedFilePath(const Program& program, int number)
{
    return autosaveDirectory(program) / ("IMG" + std::to_string(number) + ".FIT");
}

int autosaveCount(const Program& program)
{
    return std::uint16_t(program.settings.AutosaveCounter);
}

std::string windowCaption(const FileState& files)
{
    const std::string title =
        files.currentFileName.empty() ? "(Untitled)" : std::filesystem::path(files.currentFileName).filename().string();
    return std::string(kProgramTitle) + " - " + title;
}

int filterIndexFor(const std::filesystem::path& chosen)
{
    std::string ext = chosen.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (ext == ".FIT")
        return 2;
    return chosen.filename().string().find('~') != std::string::npos ? 1 : 3;
}

void rememberChoice(FileState& files, const std::filesystem::path& chosen)
{
    files.filterIndex = filterIndexFor(chosen);
    files.lastDirectory = chosen.parent_path().string();
}

LoadResult LoadRawFile(Program& program, const std::filesystem::path& path)
{
    Workspace& ws = program.workspace;
    program.files.currentFileName = path.string();
    std::size_t length = 0;
    {
        FileInput in(path);
        if (!in.isOpen()) {
            ShowMessage(program.messages, kMsgKorOpenFailed);
            program.Redisplay();
            return LoadResult::Failed;
        }
        length = in.length();
        if (!isRawLength(length) && !isFitsLength(length)) {
            if (length < kShortestMapCandidate) {
                ShowMessage(program.messages, kMsgNotValidKorOrFits);
                return LoadResult::Failed;
            }
            return LoadHotPixelMap(program, in) ? LoadResult::HotPixelMap : LoadResult::Failed;
        }
        ResetFitsText(program);
        ws.ColourImage = false;
        if (isRawLength(length)) {
            const bool read = readRawImage(in, ws);
            if (!read)
                ShowMessage(program.messages, kMsgKorOpenFailed);
            program.Redisplay();
            return read ? LoadResult::Image : LoadResult::Failed;
        }
    }
    // A FITS file of this program.
    const FitsReadResult result = ReadFits(program, path, length);
    ws.SetGeometry();
    if (result == FitsReadResult::ReadFailed) {
        ShowMessage(program.messages, kMsgFitsLoadFailed);
        return LoadResult::Failed;
    }
    if (result == FitsReadResult::NotOurs) {
        ShowMessage(program.messages, kMsgFitsNotOurs);
        return LoadResult::Failed;
    }
    if (const int number = autosavedNumber(path); number >= 0)
        program.files.ReplayCounter = number;
    program.Redisplay();
    return LoadResult::Image;
}

bool SaveRawFile(Program& program, const std::filesystem::path& path)
{
    const Workspace& ws = program.workspace;
    SafeFileWriter out(path);
    if (!out.isOpen()) {
        ShowMessage(program.messages, kMsgKorSaveFailed);
        return false;
    }
    Trailer trailer;
    bool withColour = false;
    if (ws.BinnedMode && !ws.ColourImage) {
        trailer = makeTrailer("BINNED", ws.ModeDigit);
    } else if (!ws.BinnedMode) {
        trailer = makeTrailer("HIRES", ws.ModeDigit);
        withColour = ws.ColourImage;
    } else {
        trailer = makeTrailer("SUBFRM", program.files.SubFrameBaseDigit);
        withColour = true;
    }
    bool ok = writePlane(out, ws.CurrentImage, ws.PixelCount);
    for (int c = 0; ok && withColour && c < 3; ++c)
        ok = writePlane(out, ws.ColourPlanes[c], ws.PixelCount);
    ok = ok && out.write(trailer.data(), kTrailerBytes) && out.commit();
    if (!ok) {
        ShowMessage(program.messages, kMsgKorCreateFailed);
        return false;
    }
    program.files.currentFileName = path.string();
    return true;
}

bool SaveFlatFile(Program& program, const std::filesystem::path& path)
{
    const Workspace& ws = program.workspace;
    if (!ws.ColourImage) {
        ShowMessage(program.messages, kMsgFlatNeedsColour);
        return false;
    }
    SafeFileWriter out(path);
    if (!out.isOpen()) {
        ShowMessage(program.messages, kMsgKorSaveFailed);
        return false;
    }
    const Trailer trailer = ws.BinnedMode ? makeTrailer("FLAT B", ws.ModeDigit) : makeTrailer("FLATH", '1');
    if (!writePlane(out, ws.CurrentImage, ws.PixelCount) || !out.write(trailer.data(), kTrailerBytes) ||
        !out.commit()) {
        ShowMessage(program.messages, kMsgKorCreateFailed);
        return false;
    }
    program.files.currentFileName = path.string();
    return true;
}

SecondImageResult LoadSecondImage(Program& program, const std::filesystem::path& path, SecondImagePurpose purpose)
{
    Workspace& ws = program.workspace;
    FileInput in(path);
    if (!in.isOpen()) {
        ShowMessage(program.messages, kMsgKorOpenFailed);
        return SecondImageResult::Failed;
    }
    const std::size_t length = in.length();
    const bool hasTrailer = length == kRawFullLength || length == kRawBinnedLength;
    if (!hasTrailer && length != kRawFullBareLength && length != kRawFullColourBareLength) {
        ShowMessage(program.messages, kMsgNotKorFile);
        return SecondImageResult::Failed;
    }
    // The trailer is judged before WorkImage is touched; a file without one is no flat.
    Trailer trailer;
    trailer.fill(' ');
    if (hasTrailer && (!in.seek(length - kTrailerBytes) || !in.read(trailer.data(), kTrailerBytes) || !in.seek(0))) {
        ShowMessage(program.messages, kMsgKorOpenFailed);
        return SecondImageResult::Failed;
    }
    if (purpose == SecondImagePurpose::Flat && (trailer[0] != 'F' || trailer[1] != 'L')) {
        ShowMessage(program.messages, kMsgNotSuitableFlat);
        return SecondImageResult::Failed;
    }
    bool ok = true;
    if (length == kRawBinnedLength) {
        ok = in.readInTenChunks(ws.WorkImage.data(), kBinnedPlaneBytes);
    } else {
        ok = in.readInTenChunks(ws.WorkImage.data(), kFullPlaneBytes);
        if (ok && length == kRawFullLength && trailer[0] != 'F')
            copyBlocksToPlanes(ws.WorkImage, kBinnedPlaneBytes / 2, ws.ColourBase);
        for (int c = 0; ok && length == kRawFullColourBareLength && c < 3; ++c)
            ok = in.readInTenChunks(ws.ColourBase[c].data(), kFullPlaneBytes);
    }
    if (!ok) {
        ShowMessage(program.messages, kMsgKorOpenFailed);
        return SecondImageResult::Failed;
    }
    return SecondImageResult::Ok;
}

LoadResult LoadNextAutosavedFile(Program& program)
{
    FileState& files = program.files;
    if (files.ReplayCounter <= 0 || files.ReplayCounter >= autosaveCount(program)) {
        ShowMessage(program.messages, kMsgNoMoreAutosaved);
        return LoadResult::Failed;
    }
    ++files.ReplayCounter;
    return LoadRawFile(program, autosavedFilePath(program, files.ReplayCounter));
}

bool DeleteImageFile(Program& program, const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || !std::filesystem::remove(path, ec)) {
        ShowMessage(program.messages, kMsgOwnText, "Unable to delete " + path.filename().string());
        return false;
    }
    return true;
}

} // namespace kor
