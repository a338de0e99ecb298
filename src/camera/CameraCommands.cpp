#include "camera/CameraCommands.h"

#include "camera/CameraLink.h"
#include "program/Program.h"
#include "workspace/Workspace.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kor {

namespace {

constexpr std::size_t kFrameParamsTimed = 14;
constexpr std::size_t kFrameParamsUntimed = 10;
constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kFullFieldBytes = kFieldPixels * 2;       // 10,202,400
constexpr std::size_t kColourBinnedFieldBytes = 1308 * 975 * 2; // 2,550,600
constexpr std::size_t kMonoBinned2Bytes = 2616 * 975 * 2;       // 5,101,200
constexpr std::size_t kMonoBinned4Pixels = 1308 * 487;          // 636,996
constexpr std::size_t kMonoBinned4ZeroPixels = 654;
constexpr std::size_t kFocusFieldBytes = 256 * 32 * 2; // 16,384
constexpr std::size_t kFocusPixels = 128 * 128;
constexpr std::uint32_t kSmallReplyTimeoutMs = 5000;

void put16(std::uint8_t* at, unsigned value)
{
    at[0] = std::uint8_t(value & 0xff);
    at[1] = std::uint8_t((value >> 8) & 0xff);
}

// Fills the header of a command without parameters: 8 bytes, the first
// `clearBytes` of the block zeroed first.
void header(CameraLink& camera, std::uint8_t code, unsigned value, unsigned index, unsigned paramLength,
            std::size_t clearBytes)
{
    std::memset(camera.CommandBlock.data(), 0, clearBytes);
    camera.CommandBlock[0] = kRequestType;
    camera.CommandBlock[1] = code;
    put16(&camera.CommandBlock[2], value);
    put16(&camera.CommandBlock[4], index);
    put16(&camera.CommandBlock[6], paramLength);
    camera.TransferCount = std::int32_t(kHeaderBytes + paramLength);
}

struct Window {
    int x = 0, y = 0, width = 0, height = 0, xBin = 1, yBin = 1;
};

// Origins come from image positions; a window may not start before the sensor does.
unsigned origin(int value)
{
    return unsigned(std::clamp(value, 0, 0xffff));
}

// Sends a frame read and reads its reply into ReadoutBytes at `offset`.
// Imaging reads (sensor 0) follow the timed-read rule; guider reads are always untimed.
bool frameRead(Program& program, unsigned sensor, unsigned field, const Window& w, std::size_t bytes,
               std::size_t offset)
{
    CameraLink& camera = program.camera;
    const bool cameraTimed = sensor == 0 && camera.ExposureMs <= kLongestCameraTimedExposureMs;
    header(camera, cameraTimed ? kCmdTimedRead : kCmdRead, field, sensor,
           unsigned(cameraTimed ? kFrameParamsTimed : kFrameParamsUntimed), 24);
    std::uint8_t* p = camera.CommandBlock.data();
    put16(p + 8, origin(w.x));
    put16(p + 10, origin(w.y));
    put16(p + 12, unsigned(w.width));
    put16(p + 14, unsigned(w.height));
    p[16] = std::uint8_t(w.xBin);
    p[17] = std::uint8_t(w.yBin);
    std::uint32_t delayMs = 0;
    if (cameraTimed) {
        delayMs = std::uint32_t(std::max(camera.ExposureMs, 0)) & 0xffff;
        put16(p + 18, delayMs);
    }
    if (!SendBlock(program))
        return false;
    camera.TransferCount = std::int32_t(bytes);
    camera.ReadTarget = std::span(camera.ReadoutBytes.data() + offset, bytes);
    camera.ReadTimeoutMs = delayMs + kReadMarginMs;
    return ReadBlock(program);
}

bool smallExchange(Program& program, std::size_t replyBytes)
{
    CameraLink& camera = program.camera;
    if (!SendBlock(program))
        return false;
    camera.TransferCount = std::int32_t(replyBytes);
    camera.ReadTarget = std::span(camera.ReadoutBytes.data(), replyBytes);
    camera.ReadTimeoutMs = kSmallReplyTimeoutMs;
    return ReadBlock(program);
}

// The two colour-mode reads: the first field into the first half, the second
// into the second half, after which both halves are converted together.
bool readFieldPair(Program& program, int xBin, std::size_t fieldBytes)
{
    CameraLink& camera = program.camera;
    const std::size_t offset = camera.SecondHalf ? fieldBytes : 0;
    const bool ok = frameRead(program, 0, camera.ReadField, {0, 0, 5232, 975, xBin, 1}, fieldBytes, offset);
    if (camera.SecondHalf)
        ConvertReadout(camera.ReadoutBytes.data(), camera.ReadoutWords.data(), fieldBytes);
    return ok;
}

} // namespace

void ConvertReadout(const std::uint8_t* bytes, std::uint16_t* words, std::size_t pixels)
{
    if constexpr (std::endian::native == std::endian::little) {
        // The wire's byte order is the machine's; the bytes are normally the words themselves.
        if (static_cast<const void*>(bytes) != static_cast<const void*>(words))
            std::memmove(words, bytes, pixels * 2);
    } else {
        for (std::size_t i = 0; i < pixels; ++i)
            words[i] = std::uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
}

void ClearSensor(Program& program)
{
    header(program.camera, kCmdClear, 8, 0, 0, 24);
    SendBlock(program);
    header(program.camera, kCmdClear, 0, 0, 0, 24);
    SendBlock(program);
}

void SendFirstClearForm(Program& program)
{
    header(program.camera, kCmdClear, 8, 0, 0, 24);
    SendBlock(program);
}

bool ReadFullField(Program& program)
{
    return readFieldPair(program, 1, kFullFieldBytes);
}

bool ReadColourBinnedField(Program& program)
{
    return readFieldPair(program, 4, kColourBinnedFieldBytes);
}

bool ReadMonoBinned2(Program& program)
{
    CameraLink& camera = program.camera;
    const bool ok = frameRead(program, 0, 3, {0, 0, 5232, 975, 2, 1}, kMonoBinned2Bytes, 0);
    ConvertReadout(camera.ReadoutBytes.data(), camera.ReadoutWords.data(), kMonoBinned2Bytes / 2);
    return ok;
}

bool ReadMonoBinned4(Program& program)
{
    CameraLink& camera = program.camera;
    const bool ok = frameRead(program, 0, 3, {0, 0, 5232, 975, 4, 2}, kMonoBinned4Pixels * 2, 0);
    ConvertReadout(camera.ReadoutBytes.data(), camera.ReadoutWords.data(), kMonoBinned4Pixels);
    std::fill_n(camera.ReadoutWords.data() + kMonoBinned4Pixels, kMonoBinned4ZeroPixels, std::uint16_t(0));
    return ok;
}

bool ReadFocusWindow(Program& program, int focusOriginX, int focusOriginY, bool binned)
{
    CameraLink& camera = program.camera;
    bool ok = false;
    if (binned) {
        ok = frameRead(program, 0, 3, {2 * focusOriginY - 128, (focusOriginX - 64) / 4, 512, 64, 2, 1},
                       2 * kFocusFieldBytes, 0);
        ConvertReadout(camera.ReadoutBytes.data(), camera.ReadoutWords.data(), kFocusPixels);
    } else {
        const std::size_t offset = camera.SecondHalf ? kFocusFieldBytes : 0;
        ok = frameRead(program, 0, camera.ReadField, {2 * focusOriginY, focusOriginX / 4 + 1, 256, 32, 1, 1},
                       kFocusFieldBytes, offset);
        if (camera.SecondHalf)
            ConvertReadout(camera.ReadoutBytes.data(), camera.ReadoutWords.data(), kFocusPixels);
    }
    return ok;
}

bool ReadSubFrame(Program& program, int sizeCode, int centreX, int centreY)
{
    Window w;
    if (sizeCode == 2)
        w = {2 * centreX - 1520, (centreY - 506) / 2, 3032, 504, 1, 1};
    else if (sizeCode == 3)
        w = {2 * centreX - 1012, (centreY - 336) / 2, 2024, 336, 1, 1};
    else
        w = {2 * centreX - 760, (centreY - 253) / 2, 1516, 252, 1, 1};
    return frameRead(program, 0, 3, w, std::size_t(w.width) * std::size_t(w.height) * 2, 0);
}

bool ReadGuiderFrame(Program& program, bool binned)
{
    CameraLink& camera = program.camera;
    const int bin = binned ? 2 : 1;
    const int width = kGuiderWidth / bin, height = kGuiderHeight / bin;
    const bool ok = frameRead(program, 1, 3, {0, 0, kGuiderWidth, kGuiderHeight, bin, bin},
                              std::size_t(width) * std::size_t(height), 0);
    std::uint16_t* image = program.workspace.GuiderImage.data();
    const std::uint8_t* bytes = camera.ReadoutBytes.data();
    for (int y = 0; y < kGuiderHeight; ++y)
        for (int x = 0; x < kGuiderWidth; ++x)
            image[y * kGuiderWidth + x] = std::uint16_t(bytes[(y / bin) * width + x / bin] << 8);
    return ok;
}

bool FlushGuider(Program& program, bool clearCamera)
{
    header(program.camera, kCmdClear, 0, 1, 0, 24);
    SendBlock(program);
    const int rows = clearCamera ? 50 : 2;
    return frameRead(program, 1, 3, {0, 0, kGuiderWidth, rows, 1, 1}, std::size_t(kGuiderWidth) * rows, 0);
}

bool CoolerExchange(Program& program)
{
    CameraLink& camera = program.camera;
    if (!camera.CoolingOn && isSet(program.settings.forceMaximumCooling)) {
        header(camera, kCmdCoolerMaximum, 0, 0, 0, 24);
    } else {
        const unsigned code = std::uint16_t(camera.CoolerSetPoint * 10 + kTenthsKelvinAtZeroC);
        header(camera, kCmdCooler, code, camera.CoolingOn ? 1 : 0, 0, 24);
    }
    if (!smallExchange(program, 3))
        return false;
    const std::uint8_t* reply = camera.ReadoutBytes.data();
    const int tenthsKelvin = std::int16_t(reply[0] | reply[1] << 8);
    camera.SensorTemperature = std::int16_t((tenthsKelvin - kTenthsKelvinAtZeroC) / 10);
    return true;
}

bool ReadFirmwareVersion(Program& program)
{
    CameraLink& camera = program.camera;
    header(camera, kCmdFirmware, 0, 0, 0, 24);
    if (!smallExchange(program, 4))
        return false;
    const std::uint8_t* reply = camera.ReadoutBytes.data();
    camera.FirmwareMinor = std::int16_t(reply[0] | reply[1] << 8);
    camera.FirmwareMajor = std::int16_t(reply[2] | reply[3] << 8);
    if (camera.FirmwareMinor < kFirstFirmwareMinorWithCooler)
        camera.CoolerAvailable = false;
    return true;
}

bool SendGuideOutputs(Program& program, std::uint8_t pattern)
{
    header(program.camera, kCmdGuideOutputs, pattern, 0, 0, 8);
    return SendBlock(program);
}

bool SendSerialData(Program& program, int port, std::span<const std::uint8_t> data)
{
    CameraLink& camera = program.camera;
    bool ok = true;
    for (std::size_t at = 0; at < data.size() && ok; at += kSerialDataPerBlock) {
        const std::size_t n = std::min(kSerialDataPerBlock, data.size() - at);
        header(camera, kCmdSerialWrite, 0, unsigned(port), unsigned(n), kCommandBlockBytes);
        std::memcpy(camera.CommandBlock.data() + kHeaderBytes, data.data() + at, n);
        ok = SendBlock(program);
    }
    return ok;
}

bool ReadSerialData(Program& program, int port, std::size_t count, std::vector<std::uint8_t>& bytes)
{
    CameraLink& camera = program.camera;
    count = std::min<std::size_t>(count, 0xffff);
    header(camera, kCmdSerialRead, 0, unsigned(port), unsigned(count), 8);
    camera.TransferCount = std::int32_t(kHeaderBytes); // the length names the reply; nothing follows
    const bool ok = smallExchange(program, count);
    bytes.assign(camera.ReadoutBytes.data(), camera.ReadoutBytes.data() + count);
    return ok;
}

} // namespace kor
