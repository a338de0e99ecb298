#include "files/HotPixelMap.h"

#include "files/FileInput.h"
#include "files/RawFile.h"
#include "messages/Messages.h"
#include "platform/SafeFile.h"
#include "program/Program.h"

#include <cstring>
#include <vector>

namespace kor {

static_assert(kHotPixelListBytes == std::size_t(kHotPixelListEntries) * 4, "list holds 100,000 indices");

namespace {

constexpr int kEdgeMargin = 5;
constexpr int kLabelBandMargin = 15;

} // namespace

std::int32_t hotPixelEntry(const Workspace& ws, int i)
{
    std::int32_t index;
    std::memcpy(&index, ws.HotPixelList.data() + std::size_t(i) * 4, 4);
    return index;
}

void setHotPixelEntry(Workspace& ws, int i, std::int32_t index)
{
    std::memcpy(ws.HotPixelList.data() + std::size_t(i) * 4, &index, 4);
}

HotPixelSearch FindHotPixels(Program& program, int threshold)
{
    Workspace& ws = program.workspace;
    HotPixelMapState& map = program.files.hotPixels;
    map.threshold = threshold;
    map.count = 0;
    const int firstRow = ws.hasLabelBand() ? kLabelBandMargin : kEdgeMargin;
    const int lastRow = ws.ImageHeight - kEdgeMargin;
    const int lastColumn = ws.ImageWidth - kEdgeMargin - 1;
    for (int y = firstRow; y <= lastRow; ++y) {
        const std::uint16_t* row = ws.CurrentImage.data() + std::size_t(y) * ws.ImageWidth;
        for (int x = kEdgeMargin; x <= lastColumn; ++x) {
            if (row[x] < threshold)
                continue;
            setHotPixelEntry(ws, map.count++, y * ws.ImageWidth + x);
            if (map.count > kHotPixelSearchLimit) {
                ShowMessage(program.messages, kMsgOwnText,
                            "Too many hot pixels found - ensure you have a darkframe loaded.");
                return HotPixelSearch::TooMany;
            }
        }
    }
    map.loaded = true;
    return HotPixelSearch::Found;
}

void ApplyHotPixelMap(Program& program)
{
    Workspace& ws = program.workspace;
    const HotPixelMapState& map = program.files.hotPixels;
    if (!map.loaded) {
        ShowMessage(program.messages, kMsgOwnText, "Sorry, you haven't loaded a hot pixel map");
        return;
    }
    ws.SaveUndo();
    std::uint16_t* image = ws.CurrentImage.data();
    const std::int64_t width = ws.ImageWidth;
    const std::int64_t count = std::int64_t(ws.PixelCount);
    for (int k = 0; k < map.count; ++k) {
        const std::int64_t i = hotPixelEntry(ws, k);
        if (i - width < 0 || i + width >= count)
            continue;
        const std::uint32_t sum = std::uint32_t(image[i + 1]) + image[i - 1] + image[i + width] + image[i - width];
        image[i] = std::uint16_t(sum >> 2);
    }
    program.Redisplay();
}

std::filesystem::path hotPixelMapPath(const Program& program)
{
    return autosaveDirectory(program) / (program.files.hotPixels.name + ".HPM");
}

bool SaveHotPixelMap(Program& program)
{
    const Workspace& ws = program.workspace;
    const HotPixelMapState& map = program.files.hotPixels;
    std::error_code ec;
    if (std::filesystem::exists(program.paths.hotPixelTestMap(), ec))
        std::filesystem::remove(program.paths.hotPixelTestList(), ec);

    SafeFileWriter out(hotPixelMapPath(program));
    if (!out.isOpen()) {
        ShowMessage(program.messages, kMsgOwnText, "Failed to create Hot Pixel Map file");
        return false;
    }
    const std::int32_t count = map.count;
    if (!out.write(kHotPixelMapMagic, kHotPixelMapMagicLength) || !out.write(&count, 4) ||
        !out.write(ws.HotPixelList.data(), std::size_t(map.count) * 4) || !out.commit()) {
        ShowMessage(program.messages, kMsgOwnText, "Hot Pixel Map file write failed");
        return false;
    }
    program.Redisplay();
    return true;
}

bool LoadHotPixelMap(Program& program, FileInput& in)
{
    char magic[kHotPixelMapMagicLength];
    std::int32_t count = 0;
    if (!in.read(magic, sizeof magic) || std::memcmp(magic, kHotPixelMapMagic, sizeof magic) != 0 ||
        !in.read(&count, 4) || count < 0 || count > kHotPixelListEntries ||
        std::size_t(count) * 4 > in.length() - kHotPixelMapHeaderBytes) {
        ShowMessage(program.messages, kMsgNotValidKorOrFits);
        return false;
    }
    std::vector<std::uint8_t> entries(std::size_t(count) * 4);
    if (!in.read(entries.data(), entries.size())) {
        ShowMessage(program.messages, kMsgNotValidKorOrFits);
        return false;
    }
    if (!entries.empty())
        std::memcpy(program.workspace.HotPixelList.data(), entries.data(), entries.size());
    program.files.hotPixels.count = count;
    program.files.hotPixels.loaded = true;
    ShowMessage(program.messages, kMsgOwnText, "Hot Pixel Map Loaded");
    return true;
}

MapNameChange ChangeHotPixelMapName(Program& program, const std::string& text)
{
    std::string& name = program.files.hotPixels.name;
    const std::string wanted = text.substr(0, kHotPixelMapNameLength);
    if (wanted == name)
        return MapNameChange::Unchanged;
    if (wanted.find_first_of("*/:?\\") != std::string::npos) {
        ShowMessage(program.messages, kMsgHotPixelEmpty);
        return MapNameChange::Refused;
    }
    name = wanted.empty() ? kDefaultHotPixelMapName : wanted;
    return MapNameChange::Changed;
}

} // namespace kor
