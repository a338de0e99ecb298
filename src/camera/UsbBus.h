#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kor {

// The few USB operations the camera link needs, so that the link can run on
// libusb, on the simulated camera, or on a test's own device list.

inline constexpr std::uint16_t kCameraVendorId = 0x1278;
inline constexpr std::uint16_t kCameraProductId = 0x0326;

// Outcome of one USB operation. The numbers are the errno values that the
// read-failure message prints ("Error %d trying to read ...").
enum class UsbStatus : int {
    Ok = 0,
    Io = 5,            // EIO: the transfer failed, or fewer bytes came than asked for
    NoDevice = 19,     // ENODEV: the device was unplugged
    Access = 13,       // EACCES: no permission on the device node (udev rules missing)
    Busy = 16,         // EBUSY: another program has claimed the interface
    Overflow = 75,     // EOVERFLOW: the device sent more than asked for
    Timeout = 110,     // ETIMEDOUT: no reply within the read's time-out
    NotSupported = 95, // EOPNOTSUPP
};

inline int usbErrorNumber(UsbStatus status)
{
    return static_cast<int>(status);
}

// One device on the bus as enumeration reports it.
struct UsbDeviceInfo {
    int bus = 0;
    int address = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    // Lets a backend find the device again when it is opened.
    std::size_t token = 0;
};

// An opened and claimed device: one bulk OUT endpoint for command blocks, one
// bulk IN endpoint for replies.
class UsbDevice {
public:
    virtual ~UsbDevice() = default;
    // Writes all of `bytes` as one transfer.
    virtual UsbStatus bulkWrite(std::span<const std::uint8_t> bytes, std::uint32_t timeoutMs) = 0;
    // Fills all of `target`, however large, before `timeoutMs` has passed. A
    // backend with a transfer size limit splits the read itself. `received`
    // tells how many bytes arrived, also on failure.
    virtual UsbStatus bulkRead(std::span<std::uint8_t> target, std::uint32_t timeoutMs, std::size_t& received) = 0;
};

class UsbBus {
public:
    virtual ~UsbBus() = default;
    // The devices present, or a failure when the bus cannot be enumerated at all.
    virtual UsbStatus listDevices(std::vector<UsbDeviceInfo>& devices) = 0;
    // Opens the device and claims its interface; null with `status` set on failure.
    virtual std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& device, UsbStatus& status) = 0;
};

// The libusb-1.0 bus of this machine.
std::unique_ptr<UsbBus> makeLibUsbBus();

// How a read of `total` bytes is cut into transfers of at most `maxTransfer`
// bytes each (Linux usbfs refuses single buffers above 16 MB by default).
std::vector<std::size_t> splitTransfers(std::size_t total, std::size_t maxTransfer);

} // namespace kor
