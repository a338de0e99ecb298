#include "camera/UsbBus.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>

namespace kor {

namespace {

// Endpoints and interface of the camera, kept in one place.
constexpr unsigned char kBulkOutEndpoint = 0x01;
constexpr unsigned char kBulkInEndpoint = 0x82;
constexpr int kCameraInterface = 0;

// Large reads are cut into transfers of this size, several in flight at once so
// that the camera never waits for the host between them. Well below usbfs' 16 MB.
constexpr std::size_t kTransferBytes = 4u << 20;
constexpr std::size_t kTransfersInFlight = 4;

UsbStatus fromLibUsb(int code)
{
    switch (code) {
    case LIBUSB_SUCCESS: return UsbStatus::Ok;
    case LIBUSB_ERROR_TIMEOUT: return UsbStatus::Timeout;
    case LIBUSB_ERROR_NO_DEVICE: return UsbStatus::NoDevice;
    case LIBUSB_ERROR_ACCESS: return UsbStatus::Access;
    case LIBUSB_ERROR_BUSY: return UsbStatus::Busy;
    case LIBUSB_ERROR_OVERFLOW: return UsbStatus::Overflow;
    case LIBUSB_ERROR_NOT_SUPPORTED: return UsbStatus::NotSupported;
    default: return UsbStatus::Io;
    }
}

UsbStatus fromTransferStatus(libusb_transfer_status status)
{
    switch (status) {
    case LIBUSB_TRANSFER_COMPLETED: return UsbStatus::Ok;
    case LIBUSB_TRANSFER_TIMED_OUT: return UsbStatus::Timeout;
    case LIBUSB_TRANSFER_NO_DEVICE: return UsbStatus::NoDevice;
    case LIBUSB_TRANSFER_OVERFLOW: return UsbStatus::Overflow;
    default: return UsbStatus::Io;
    }
}

class LibUsbDevice final : public UsbDevice {
public:
    LibUsbDevice(libusb_context* context, libusb_device_handle* handle) : m_context(context), m_handle(handle) {}
    ~LibUsbDevice() override
    {
        libusb_release_interface(m_handle, kCameraInterface);
        libusb_close(m_handle);
    }

    UsbStatus bulkWrite(std::span<const std::uint8_t> bytes, std::uint32_t timeoutMs) override
    {
        int sent = 0;
        const int rc = libusb_bulk_transfer(m_handle, kBulkOutEndpoint, const_cast<unsigned char*>(bytes.data()),
                                            int(bytes.size()), &sent, timeoutMs);
        if (rc != LIBUSB_SUCCESS)
            return fromLibUsb(rc);
        return std::size_t(sent) == bytes.size() ? UsbStatus::Ok : UsbStatus::Io;
    }

    UsbStatus bulkRead(std::span<std::uint8_t> target, std::uint32_t timeoutMs, std::size_t& received) override;

private:
    struct Slot {
        libusb_transfer* transfer = nullptr;
        bool busy = false;
    };
    static void LIBUSB_CALL onDone(libusb_transfer* transfer) { static_cast<Slot*>(transfer->user_data)->busy = false; }

    libusb_context* m_context;
    libusb_device_handle* m_handle;
};

// Queues up to kTransfersInFlight transfers over consecutive pieces of the
// target and refills as they complete, in order, until the whole target is
// filled, a transfer fails or comes back short, or the deadline passes.
UsbStatus LibUsbDevice::bulkRead(std::span<std::uint8_t> target, std::uint32_t timeoutMs, std::size_t& received)
{
    received = 0;
    const std::vector<std::size_t> pieces = splitTransfers(target.size(), kTransferBytes);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);

    std::vector<Slot> slots(std::min(kTransfersInFlight, pieces.size()));
    for (auto& slot : slots) {
        slot.transfer = libusb_alloc_transfer(0);
        if (!slot.transfer) {
            for (auto& s : slots)
                libusb_free_transfer(s.transfer);
            return UsbStatus::Io;
        }
    }

    std::size_t next = 0;      // next piece to submit
    std::size_t completed = 0; // pieces done, in order
    std::size_t offset = 0;    // where the next submitted piece starts
    UsbStatus status = UsbStatus::Ok;
    auto submit = [&](Slot& slot) {
        libusb_fill_bulk_transfer(slot.transfer, m_handle, kBulkInEndpoint, target.data() + offset, int(pieces[next]),
                                  &LibUsbDevice::onDone, &slot, timeoutMs);
        const int rc = libusb_submit_transfer(slot.transfer);
        if (rc != LIBUSB_SUCCESS)
            return fromLibUsb(rc);
        slot.busy = true;
        offset += pieces[next++];
        return UsbStatus::Ok;
    };
    for (auto& slot : slots)
        if (next < pieces.size() && status == UsbStatus::Ok)
            status = submit(slot);

    bool cancelling = false;
    auto cancelAll = [&] {
        cancelling = true;
        for (auto& s : slots)
            if (s.busy)
                libusb_cancel_transfer(s.transfer);
    };
    if (status != UsbStatus::Ok)
        cancelAll(); // a submission failed: take back the pieces already queued
    // Pieces complete in submission order, piece n in slot n % slots.size().
    while (completed < next) {
        Slot& slot = slots[completed % slots.size()];
        while (slot.busy) {
            if (!cancelling && std::chrono::steady_clock::now() >= deadline) {
                status = UsbStatus::Timeout;
                cancelAll();
            }
            timeval tv{0, 100000};
            libusb_handle_events_timeout_completed(m_context, &tv, nullptr);
        }
        if (!cancelling) {
            const std::size_t got = std::size_t(slot.transfer->actual_length);
            received += got;
            UsbStatus pieceStatus = fromTransferStatus(slot.transfer->status);
            if (pieceStatus == UsbStatus::Ok && got != pieces[completed])
                pieceStatus = UsbStatus::Io; // a short reply
            if (pieceStatus != UsbStatus::Ok) {
                status = pieceStatus;
                cancelAll();
            }
        }
        ++completed;
        if (!cancelling && next < pieces.size()) {
            status = submit(slots[next % slots.size()]);
            if (status != UsbStatus::Ok)
                cancelAll();
        }
    }
    for (auto& slot : slots)
        libusb_free_transfer(slot.transfer);
    return status;
}

class LibUsbBus final : public UsbBus {
public:
    LibUsbBus() { m_initStatus = libusb_init(&m_context); }
    ~LibUsbBus() override
    {
        if (m_initStatus == LIBUSB_SUCCESS)
            libusb_exit(m_context);
    }

    UsbStatus listDevices(std::vector<UsbDeviceInfo>& devices) override
    {
        devices.clear();
        if (m_initStatus != LIBUSB_SUCCESS)
            return fromLibUsb(m_initStatus);
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(m_context, &list);
        if (count < 0)
            return fromLibUsb(int(count));
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS)
                continue;
            UsbDeviceInfo info;
            info.bus = libusb_get_bus_number(list[i]);
            info.address = libusb_get_device_address(list[i]);
            info.vendorId = descriptor.idVendor;
            info.productId = descriptor.idProduct;
            info.token = std::size_t(info.bus) << 8 | std::size_t(info.address);
            devices.push_back(info);
        }
        libusb_free_device_list(list, 1);
        return UsbStatus::Ok;
    }

    std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& wanted, UsbStatus& status) override
    {
        status = UsbStatus::NoDevice;
        if (m_initStatus != LIBUSB_SUCCESS)
            return nullptr;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(m_context, &list);
        if (count < 0) {
            status = fromLibUsb(int(count));
            return nullptr;
        }
        libusb_device_handle* handle = nullptr;
        for (ssize_t i = 0; i < count; ++i) {
            if (libusb_get_bus_number(list[i]) != wanted.bus || libusb_get_device_address(list[i]) != wanted.address)
                continue;
            const int rc = libusb_open(list[i], &handle);
            status = fromLibUsb(rc);
            if (rc != LIBUSB_SUCCESS)
                handle = nullptr;
            break;
        }
        libusb_free_device_list(list, 1);
        if (!handle)
            return nullptr;
        libusb_set_auto_detach_kernel_driver(handle, 1);
        const int rc = libusb_claim_interface(handle, kCameraInterface);
        if (rc != LIBUSB_SUCCESS) {
            status = fromLibUsb(rc);
            libusb_close(handle);
            return nullptr;
        }
        status = UsbStatus::Ok;
        return std::make_unique<LibUsbDevice>(m_context, handle);
    }

private:
    libusb_context* m_context = nullptr;
    int m_initStatus = LIBUSB_ERROR_OTHER;
};

} // namespace

std::unique_ptr<UsbBus> makeLibUsbBus()
{
    return std::make_unique<LibUsbBus>();
}

std::vector<std::size_t> splitTransfers(std::size_t total, std::size_t maxTransfer)
{
    std::vector<std::size_t> pieces;
    for (std::size_t left = total; left > 0;) {
        const std::size_t piece = std::min(left, maxTransfer);
        pieces.push_back(piece);
        left -= piece;
    }
    return pieces;
}

} // namespace kor
