#pragma once

#include "camera/UsbBus.h"
#include "workspace/Plane.h"

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kor {

class Program;

inline constexpr std::size_t kCommandBlockBytes = 64;
inline constexpr std::size_t kReadoutRowPixels = 5232;
inline constexpr std::size_t kReadoutRowsPerField = 975;
inline constexpr std::size_t kFieldPixels = kReadoutRowPixels * kReadoutRowsPerField; // 5,101,200
inline constexpr std::size_t kReadoutBytesCapacity = 2 * kFieldPixels * 2;            // 20,404,800
inline constexpr std::size_t kReadoutWordsCapacity = 2 * kFieldPixels;                // 10,202,400
inline constexpr std::size_t kReadoutScratchCapacity = std::size_t(3904) * 2616;

// Time a reply may take beyond the exposure the camera times itself: a full
// field takes several seconds to come over USB 2.
inline constexpr std::uint32_t kReadMarginMs = 30000;
inline constexpr std::uint32_t kWriteTimeoutMs = 5000;

// The camera as the program holds it for the whole run: the bus it is found
// on, the open device, the shared command block and the readout areas, and the
// values the camera commands keep between calls. Program owns one.
struct CameraLink {
    CameraLink();

    // Where the camera is looked for; chosen at the first discovery (the
    // simulated camera with --simulator, else libusb) unless a test put its own.
    std::unique_ptr<UsbBus> bus;
    // The open camera; null until discovery succeeds.
    std::unique_ptr<UsbDevice> CameraHandle;
    UsbDeviceInfo cameraDevice;
    bool CameraPresent = false;
    // Four hexadecimal digits of the camera's product id, as "0326".
    std::string CameraProductId;
    // Set on one historic operating system only; never on Linux.
    bool LegacyWindows = false;

    std::array<std::uint8_t, kCommandBlockBytes> CommandBlock{};
    // Bytes of the next write or read.
    std::int32_t TransferCount = 0;
    // The area the next read fills (small replies land at its first bytes).
    std::span<std::uint8_t> ReadTarget;
    // How long the next read may take.
    std::uint32_t ReadTimeoutMs = kReadMarginMs;

    // The raw pixels of both fields, before rearrangement.
    Plane ReadoutWords{kReadoutWordsCapacity};
    // Two image fields of 5232 x 975 pixels at 2 bytes each, as they come off
    // the wire, least significant byte first. On a machine of that byte order
    // the reads land in ReadoutWords itself, so converting them copies nothing.
    Buffer<std::uint8_t> ReadoutBytes =
        std::endian::native == std::endian::little
            ? Buffer<std::uint8_t>::view(reinterpret_cast<std::uint8_t*>(ReadoutWords.data()), kReadoutBytesCapacity)
            : Buffer<std::uint8_t>(kReadoutBytesCapacity);
    // Intermediate of the 4 x 4 rearrangement.
    Plane ReadoutScratch{kReadoutScratchCapacity};

    // Values of the command set.
    std::int32_t ExposureMs = 0;
    std::uint8_t ReadField = 1;         // 1 first field, 2 second field, 3 both at once
    bool SecondHalf = false;            // the next full-field read goes into the second half
    std::int16_t SensorTemperature = 0; // degrees C, last reading
    std::int16_t CoolerSetPoint = -40;  // degrees C
    bool CoolingOn = true;
    bool CoolerAvailable = true;
    std::int16_t FirmwareMajor = 0;
    std::int16_t FirmwareMinor = 0;
};

// Result of FindCamera: whether the bus showed any device of the camera's
// vendor. Success is judged by CameraPresent.
enum class DiscoveryResult : int { NothingSeen = 0, DeviceSeen = 1 };

// Finds and opens the camera: product 0x0326 of vendor 0x1278, or with "Ignore
// Camera VID/PID" any product of that vendor but the filter wheel. Shows the
// failure messages and, with "Show Interface Details", the found camera.
DiscoveryResult FindCamera(Program& program);

// Writes the first TransferCount bytes of CommandBlock. A failure is shown.
bool SendBlock(Program& program);
// Reads exactly TransferCount bytes into ReadTarget within ReadTimeoutMs. A
// time-out, a short reply or a vanished camera is a failure, shown with its
// error number; a vanished camera is forgotten, so that the next exposure looks for it again.
bool ReadBlock(Program& program);

// Closes the camera at program end.
void CloseDevices(CameraLink& camera);

// Where FindCamera looks for the simulated camera; defined by the simulator library.
std::unique_ptr<UsbBus> makeSimulatedCameraBus(Program& program);

} // namespace kor
