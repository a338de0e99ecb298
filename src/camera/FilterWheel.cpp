#include "camera/FilterWheel.h"

#include "camera/CameraCommands.h"
#include "messages/Messages.h"
#include "program/Program.h"

#include <hidapi.h>

#include <cerrno>
#include <cstdio>

namespace kor {

namespace {

constexpr int kReplyTimeoutMs = 500;
constexpr std::uint32_t kSettleMs = 4;
constexpr int kLastSentPosition = 8;
// aoPortSelect from this value on routes every serial command to the PC port.
constexpr int kSerialRoutePcPort = 3;

class HidWheelLink final : public WheelLink {
public:
    ~HidWheelLink() override
    {
        if (m_device)
            hid_close(m_device);
    }
    bool open(std::string& error) override
    {
        if (hid_init() != 0) {
            error = "Could not attach to PnP node";
            return false;
        }
        hid_device_info* devices = hid_enumerate(kWheelVendorId, kWheelProductId);
        if (!devices)
            return false;
        if (m_device) { // looked for again after it was given up: one handle at a time
            hid_close(m_device);
            m_device = nullptr;
        }
        m_device = hid_open_path(devices->path);
        hid_free_enumeration(devices);
        if (!m_device) {
            m_error = errno;
            error = "Could not open HID Filterwheel device";
            return false;
        }
        return true;
    }
    bool writeReport(const WheelReport& report) override
    {
        const bool ok = m_device && hid_write(m_device, report.data(), report.size()) == int(report.size());
        if (!ok)
            m_error = errno;
        return ok;
    }
    bool readReport(WheelReport& report, int timeoutMs) override
    {
        const bool ok =
            m_device && hid_read_timeout(m_device, report.data(), report.size(), timeoutMs) == int(report.size());
        if (!ok)
            m_error = errno;
        return ok;
    }
    int lastError() const override { return m_error; }

private:
    hid_device* m_device = nullptr;
    int m_error = 0;
};

std::string withError(const char* format, int error)
{
    char text[128];
    std::snprintf(text, sizeof text, format, error);
    return text;
}

} // namespace

std::unique_ptr<WheelLink> makeHidWheelLink()
{
    return std::make_unique<HidWheelLink>();
}

bool FindWheel(Program& program)
{
    WheelState& wheel = program.wheel;
    if (!wheel.link)
        wheel.link = makeHidWheelLink();
    std::string error;
    if (!wheel.link->open(error)) {
        if (error == "Could not attach to PnP node")
            ShowMessage(program.messages, kMsgOwnText, error);
        else if (!error.empty())
            ShowFreeText(program.messages, "Error", error);
        return false;
    }
    wheel.WheelPresent = true;
    if (!wheel.link->writeReport({0, 0, 0})) {
        ShowMessage(program.messages, kMsgOwnText, "Could not write to USB Filterwheel - try rebooting USB device");
        return true;
    }
    program.clock.sleepMs(kSettleMs);
    WheelReport reply{};
    if (!wheel.link->readReport(reply, kReplyTimeoutMs)) {
        ShowMessage(program.messages, kMsgOwnText,
                    withError("Error %d trying to read data from USB Filterwheel\n", wheel.link->lastError()));
        return true;
    }
    if (reply[2] >= 1 && reply[2] < program.settings.filterCount)
        program.settings.filterCount = std::int16_t(reply[2]);
    return true;
}

std::array<std::uint8_t, 4> serialWheelCommand(int position)
{
    const auto p = std::uint8_t(position);
    return {0xA5, 0x01, p, std::uint8_t(0xA6 + p)};
}

int wheelSerialPort(const Program& program)
{
    return program.settings.telescopeComPort == '2' ? 0 : 1;
}

int wheelPositions(const Program& program)
{
    const int n = program.settings.filterCount;
    return n >= 1 && n <= kMaxFilters ? n : 7;
}

void SelectFilter(Program& program)
{
    WheelState& wheel = program.wheel;
    const int position = wheel.WheelPosition;
    if (position < 1 || position > kLastSentPosition)
        return;
    if (!wheel.WheelPresent) {
        const auto command = serialWheelCommand(position);
        if (program.settings.aoPortSelect >= kSerialRoutePcPort) {
            // The serial commands are routed to the PC's own serial port, which
            // the program cannot drive yet: nothing is sent, and the user is told.
            ShowMessage(program.messages, kMsgOwnText,
                        "The filter wheel was not moved: commands on the PC serial port are not available yet");
            return;
        }
        SendSerialData(program, wheelSerialPort(program), command);
        return;
    }
    if (!wheel.link->writeReport({0, std::uint8_t(position), 0})) {
        ShowMessage(program.messages, kMsgOwnText, "Could not write KORIO Output - try rebooting USB device");
        return;
    }
    program.clock.sleepMs(kSettleMs);
    WheelReport reply{};
    if (!wheel.link->readReport(reply, kReplyTimeoutMs))
        ShowMessage(program.messages, kMsgOwnText,
                    withError("Error %d trying to read KORIO data from USB Filterwheel\n", wheel.link->lastError()));
}

void wheelFirst(Program& program)
{
    program.wheel.WheelPosition = 1;
    SelectFilter(program);
}

void wheelNext(Program& program)
{
    std::int16_t& position = program.wheel.WheelPosition;
    position = position >= wheelPositions(program) ? 1 : std::int16_t(position + 1);
    SelectFilter(program);
}

void wheelPrev(Program& program)
{
    std::int16_t& position = program.wheel.WheelPosition;
    position = position <= 1 ? std::int16_t(wheelPositions(program)) : std::int16_t(position - 1);
    SelectFilter(program);
}

std::string currentFilterName(const Program& program)
{
    const int position = program.wheel.WheelPosition;
    if (position < 1 || position > kMaxFilters)
        return {};
    return program.settings.filterNames[std::size_t(position - 1)];
}

} // namespace kor
