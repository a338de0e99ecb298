#pragma once

#include "camera/FilterWheel.h"
#include "sim/SimCamera.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kor::sim {

// A filter wheel of `positions` filters. It can be plugged into the camera's
// serial port (the 4-byte commands) or stand in for the USB wheel (the 3-byte
// reports); either way it records where it was sent.
class SimWheel {
public:
    explicit SimWheel(int positions = 7) : positions(positions) {}

    int positions;
    int position = 1;
    // Every position asked for, in order, and the commands that were malformed.
    std::vector<int> moves;
    int badCommands = 0;

    // Opening fails, or the next write or read fails.
    bool missing = false;
    bool failNextWrite = false;
    bool failNextRead = false;

    void moveTo(int p);
};

// The wheel on one of the camera's serial ports.
class SimWheelSerial final : public SimSerialDevice {
public:
    explicit SimWheelSerial(SimWheel& wheel) : m_wheel(wheel) {}
    void receive(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> transmit(std::size_t) override { return {}; }

private:
    SimWheel& m_wheel;
    std::vector<std::uint8_t> m_pending;
};

// The wheel as a USB HID device: a report 00 p 00 moves it to p (0: no move);
// each reply carries the number of positions in its third byte.
class SimWheelLink final : public WheelLink {
public:
    explicit SimWheelLink(std::shared_ptr<SimWheel> wheel) : m_wheel(std::move(wheel)) {}
    bool open(std::string& error) override;
    bool writeReport(const WheelReport& report) override;
    bool readReport(WheelReport& report, int timeoutMs) override;
    int lastError() const override { return m_error; }

private:
    std::shared_ptr<SimWheel> m_wheel;
    bool m_replyPending = false;
    int m_error = 0;
};

} // namespace kor::sim
