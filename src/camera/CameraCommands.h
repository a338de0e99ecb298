#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kor {

class Program;

// The camera's command blocks. Every command is one block written to the
// camera, optionally followed by one read of a reply of known length:
//
//   offset 0  u8      request type, always 0x40
//          1  u8      command code
//          2  u16 LE  value (field selection, cooler set-point code, guide-output byte)
//          4  u16 LE  index (sensor: 0 imaging, 1 guider; serial port; cooler on/off)
//          6  u16 LE  parameter length, the bytes that follow from offset 8
//          8  ...     parameters
//
// Frame reads carry x origin, y origin, width, height (u16 LE, in readout
// pixels and rows before binning), horizontal and vertical binning (u8), and
// for a camera-timed exposure (command 2) the delay in ms (u32 LE).
//
// A failed write or read is shown to the user and the routine goes on; the
// results then hold whatever the areas held.

inline constexpr std::uint8_t kRequestType = 0x40;
enum CameraCommandCode : std::uint8_t {
    kCmdClear = 1,
    kCmdTimedRead = 2,
    kCmdRead = 3,
    kCmdGuideOutputs = 9,
    kCmdSerialWrite = 10,
    kCmdSerialRead = 11,
    kCmdCooler = 30,
    kCmdCoolerMaximum = 31,
    kCmdFirmware = 255,
};
inline constexpr std::int32_t kLongestCameraTimedExposureMs = 1000;
inline constexpr std::size_t kSerialDataPerBlock = 56;
inline constexpr int kTenthsKelvinAtZeroC = 2730;
inline constexpr std::int16_t kFirstFirmwareMinorWithCooler = 11;

// Sensor clear: command 1 with value 8, then with value 0.
void ClearSensor(Program& program);
// The first clear form alone: sent during long exposures to keep the sensor's
// readout register empty.
void SendFirstClearForm(Program& program);

// Imaging frame reads, camera-timed (command 2) when ExposureMs is at most
// 1000 ms, else after a host-timed exposure (command 3). The byte pairs become
// raw pixels in ReadoutWords as each read's description says.

// 5232 x 975 of field ReadField into the first half of ReadoutBytes, or the
// second half with SecondHalf, after which both halves are converted.
bool ReadFullField(Program& program);
// Like ReadFullField, binned 4 x 1: 1308 x 975 per field.
bool ReadColourBinnedField(Program& program);
// Both fields binned 2 x 1: 2616 x 975, converted at once.
bool ReadMonoBinned2(Program& program);
// Both fields binned 4 x 2: 1308 x 487, converted and followed by 654 zero pixels.
bool ReadMonoBinned4(Program& program);
// The 128 x 128 focus window around the focus frame origin in image pixels:
// 256 x 32 of field ReadField (converted after the second field), or when
// binned 512 x 64 of both fields binned 2 x 1 (converted at once).
bool ReadFocusWindow(Program& program, int focusOriginX, int focusOriginY, bool binned);
// A sub-frame of size code 2, 3 or other around the sub-frame centre; left unconverted.
bool ReadSubFrame(Program& program, int sizeCode, int centreX, int centreY);

// The guider frame into GuiderImage: each byte b is the 16-bit value b x 256;
// binned, each of the 250 x 145 bytes fills a 2 x 2 block.
bool ReadGuiderFrame(Program& program, bool binned);
// Guider clear, then a read of 50 rows (clearCamera) or 2 rows, discarded.
bool FlushGuider(Program& program, bool clearCamera);

// Sends the cooler set point (tenths of a kelvin) and on/off, or with cooling
// off and "Force Maximum Cooling" the full-power command, and reads the sensor
// temperature into SensorTemperature.
bool CoolerExchange(Program& program);
// Reads FirmwareMajor and FirmwareMinor; a minor version below 11 means the
// camera has no cooler control (CoolerAvailable cleared).
bool ReadFirmwareVersion(Program& program);

// Sets the guide-port output levels: west 1, south 2, north 4, east 8.
bool SendGuideOutputs(Program& program, std::uint8_t pattern);
// Passes bytes to the device on the camera's serial port 0 or 1, in blocks of
// at most 56 data bytes.
bool SendSerialData(Program& program, int port, std::span<const std::uint8_t> data);
// Reads `count` bytes received on the camera's serial port.
bool ReadSerialData(Program& program, int port, std::size_t count, std::vector<std::uint8_t>& bytes);

// Readout byte pairs to raw pixels: pixel i = byte 2i + 256 x byte 2i+1.
void ConvertReadout(const std::uint8_t* bytes, std::uint16_t* words, std::size_t pixels);

} // namespace kor
