#include "camera/CameraLink.h"

#include "messages/Messages.h"
#include "program/Program.h"

#include <sys/utsname.h>

#include <cstdio>

namespace kor {

namespace {

// The filter wheel shares the camera's vendor id but is a HID device of its own.
constexpr std::uint16_t kFilterWheelProductId = 0x0920;

void kernelVersion(int& major, int& minor)
{
    major = minor = 0;
    utsname name{};
    if (::uname(&name) == 0)
        std::sscanf(name.release, "%d.%d", &major, &minor);
}

} // namespace

CameraLink::CameraLink() = default;

DiscoveryResult FindCamera(Program& program)
{
    CameraLink& camera = program.camera;
    // A new search starts from nothing: an earlier handle would keep the interface claimed.
    CloseDevices(camera);
    if (!camera.bus)
        camera.bus = program.useSimulator ? makeSimulatedCameraBus(program) : makeLibUsbBus();

    std::vector<UsbDeviceInfo> devices;
    if (camera.bus->listDevices(devices) != UsbStatus::Ok) {
        ShowMessage(program.messages, kMsgOwnText, "Could not attach to PnP node");
        return DiscoveryResult::NothingSeen;
    }

    const bool ignoreIds = isSet(program.settings.ignoreCameraVidPid);
    DiscoveryResult result = DiscoveryResult::NothingSeen;
    for (const UsbDeviceInfo& device : devices) {
        if (device.vendorId != kCameraVendorId || device.productId == kFilterWheelProductId)
            continue;
        result = DiscoveryResult::DeviceSeen;
        char productText[8];
        std::snprintf(productText, sizeof productText, "%04x", unsigned(device.productId));
        camera.CameraProductId = productText;
        if (device.productId != kCameraProductId && !ignoreIds)
            continue;
        UsbStatus status = UsbStatus::Ok;
        std::unique_ptr<UsbDevice> handle = camera.bus->open(device, status);
        if (!handle) {
            std::string text = "Could not open HID device";
            if (status == UsbStatus::Access)
                text += "\n(no permission for the USB device: install the udev rules, see the README)";
            else if (status == UsbStatus::Busy)
                text += "\n(the camera is in use by another program)";
            ShowFreeText(program.messages, "Error", text);
            return DiscoveryResult::NothingSeen;
        }
        // When several devices match, the last one opened is the camera.
        camera.CameraHandle = std::move(handle);
        camera.cameraDevice = device;
    }

    if (!camera.CameraHandle) {
        ShowMessage(program.messages, kMsgOwnText, "USB KORIO device not found");
        camera.CameraPresent = false;
        return result;
    }

    camera.LegacyWindows = false;
    if (isSet(program.settings.showInterfaceDetails)) {
        int major = 0, minor = 0;
        kernelVersion(major, minor);
        // The identifying integer is the bus number times 1000 plus the device address.
        char text[128];
        std::snprintf(text, sizeof text, "Camera Found, \nKORIO = %6d\nO/S = %4d.%4d\nPID = %s",
                      camera.cameraDevice.bus * 1000 + camera.cameraDevice.address, major, minor,
                      camera.CameraProductId.c_str());
        ShowMessage(program.messages, kMsgOwnText, text);
    }
    camera.CameraPresent = true;
    return result;
}

bool SendBlock(Program& program)
{
    CameraLink& camera = program.camera;
    const bool sizeOk = camera.TransferCount >= 0 && std::size_t(camera.TransferCount) <= kCommandBlockBytes;
    UsbStatus status = UsbStatus::NoDevice;
    if (camera.CameraHandle && sizeOk)
        status = camera.CameraHandle->bulkWrite(std::span(camera.CommandBlock).first(std::size_t(camera.TransferCount)),
                                                kWriteTimeoutMs);
    if (status != UsbStatus::Ok) {
        if (status == UsbStatus::NoDevice)
            CloseDevices(camera);
        ShowMessage(program.messages, kMsgOwnText, "Could not write KORIO Output - try rebooting USB device");
        return false;
    }
    return true;
}

bool ReadBlock(Program& program)
{
    CameraLink& camera = program.camera;
    UsbStatus status = UsbStatus::NoDevice;
    if (camera.TransferCount < 0 || std::size_t(camera.TransferCount) > camera.ReadTarget.size()) {
        status = UsbStatus::Overflow; // a read larger than its target is never issued
    } else if (camera.CameraHandle) {
        std::size_t received = 0;
        status = camera.CameraHandle->bulkRead(camera.ReadTarget.first(std::size_t(camera.TransferCount)),
                                               camera.ReadTimeoutMs, received);
        if (status == UsbStatus::Ok && received != std::size_t(camera.TransferCount))
            status = UsbStatus::Io;
    }
    if (status == UsbStatus::Ok)
        return true;
    if (status == UsbStatus::NoDevice)
        CloseDevices(camera);
    char text[96];
    std::snprintf(text, sizeof text, "Error %d trying to read KORIO data from USB\n", usbErrorNumber(status));
    ShowMessage(program.messages, kMsgOwnText, text);
    return false;
}

void CloseDevices(CameraLink& camera)
{
    camera.CameraHandle.reset();
    camera.CameraPresent = false;
}

} // namespace kor
