#pragma once

#include "camera/UsbBus.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

namespace kor::test {

// A device that records every block written and answers reads from a queue
// of replies (a read with an empty queue times out).
struct FakeUsbLog {
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::size_t> readSizes;
    std::deque<std::vector<std::uint8_t>> replies;
};

class FakeUsbDevice final : public UsbDevice {
public:
    explicit FakeUsbDevice(std::shared_ptr<FakeUsbLog> log) : m_log(std::move(log)) {}
    UsbStatus bulkWrite(std::span<const std::uint8_t> bytes, std::uint32_t) override
    {
        m_log->writes.emplace_back(bytes.begin(), bytes.end());
        return UsbStatus::Ok;
    }
    UsbStatus bulkRead(std::span<std::uint8_t> target, std::uint32_t, std::size_t& received) override
    {
        m_log->readSizes.push_back(target.size());
        received = 0;
        if (m_log->replies.empty())
            return UsbStatus::Timeout;
        const std::vector<std::uint8_t> reply = std::move(m_log->replies.front());
        m_log->replies.pop_front();
        received = std::min(reply.size(), target.size());
        std::copy_n(reply.begin(), received, target.begin());
        return reply.size() > target.size() ? UsbStatus::Overflow : UsbStatus::Ok;
    }

private:
    std::shared_ptr<FakeUsbLog> m_log;
};

// A bus with a fixed device list; opening a device gives a FakeUsbDevice on
// the shared log, or fails with `openStatus`.
class FakeUsbBus final : public UsbBus {
public:
    std::vector<UsbDeviceInfo> devices;
    UsbStatus listStatus = UsbStatus::Ok;
    UsbStatus openStatus = UsbStatus::Ok;
    std::vector<UsbDeviceInfo> opened;
    std::shared_ptr<FakeUsbLog> log = std::make_shared<FakeUsbLog>();

    UsbStatus listDevices(std::vector<UsbDeviceInfo>& out) override
    {
        out = devices;
        return listStatus;
    }
    std::unique_ptr<UsbDevice> open(const UsbDeviceInfo& device, UsbStatus& status) override
    {
        status = openStatus;
        if (openStatus != UsbStatus::Ok)
            return nullptr;
        opened.push_back(device);
        return std::make_unique<FakeUsbDevice>(log);
    }
};

} // namespace kor::test
