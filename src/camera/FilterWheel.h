#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace kor {

class Program;

inline constexpr std::uint16_t kWheelVendorId = 0x1278;
inline constexpr std::uint16_t kWheelProductId = 0x0920;
inline constexpr std::size_t kWheelReportBytes = 3;
using WheelReport = std::array<std::uint8_t, kWheelReportBytes>;

// The USB filter wheel as the program talks to it: 3-byte output and input
// reports on an opened HID device.
class WheelLink {
public:
    virtual ~WheelLink() = default;
    // Opens the first wheel found; false when there is none or it cannot be opened.
    virtual bool open(std::string& error) = 0;
    virtual bool writeReport(const WheelReport& report) = 0;
    virtual bool readReport(WheelReport& report, int timeoutMs) = 0;
    // The system's error number of the last failure, for the messages.
    virtual int lastError() const = 0;
};

// The wheel through hidapi.
std::unique_ptr<WheelLink> makeHidWheelLink();

// The wheel as the program holds it for its run.
struct WheelState {
    std::unique_ptr<WheelLink> link; // chosen at the first discovery unless a test put its own
    bool WheelPresent = false;
    std::int16_t WheelPosition = 1;
};

// Looks for the USB wheel and opens it; its opening reply may lower the
// number of positions. True when a wheel was found.
bool FindWheel(Program& program);
// Moves the wheel to WheelPosition: the USB report when a USB wheel is open,
// else the serial command on the camera's serial port. When the serial
// commands are routed to the PC's own port, nothing is sent and the user is
// told: that route joins here once the PC serial link exists.
void SelectFilter(Program& program);

// The serial command for a position: A5 01 position checksum.
std::array<std::uint8_t, 4> serialWheelCommand(int position);
// The camera serial port of a serial wheel: 0 when the telescope is on the second port, else 1.
int wheelSerialPort(const Program& program);
// Positions 1..8, as the settings give them (7 outside that range).
int wheelPositions(const Program& program);

// The panel's buttons: "First", "Next" and "Prev" with wrap-around, each followed by SelectFilter.
void wheelFirst(Program& program);
void wheelNext(Program& program);
void wheelPrev(Program& program);
// The name of the filter at WheelPosition.
std::string currentFilterName(const Program& program);

} // namespace kor
