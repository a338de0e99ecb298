#pragma once

#include <cstdint>

namespace kor {

// The program's time base: a millisecond counter that wraps at 2^32, as every
// wait and time-out of the program is written against. Elapsed times are
// always computed as an unsigned difference so that the wrap is harmless.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary origin, wrapping at 2^32.
    virtual std::uint32_t nowMs() = 0;

    // Lets at least `ms` milliseconds pass. Busy waits of the program are
    // written as loops of short sleeps so that they can pump messages between them.
    virtual void sleepMs(std::uint32_t ms) = 0;
};

inline std::uint32_t elapsedMs(std::uint32_t since, std::uint32_t now)
{
    return now - since; // unsigned arithmetic: correct across the wrap
}

// Real time from std::chrono::steady_clock.
class SteadyClock final : public Clock {
public:
    std::uint32_t nowMs() override;
    void sleepMs(std::uint32_t ms) override;
};

// Time that moves only when the program waits (or a test advances it), so a
// ten-minute exposure takes no real time and the simulated devices see the
// same instants as the program.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint32_t startMs = 0) : m_now(startMs) {}

    std::uint32_t nowMs() override { return m_now; }
    void sleepMs(std::uint32_t ms) override { m_now += ms; }
    void advanceMs(std::uint32_t ms) { m_now += ms; }

private:
    std::uint32_t m_now;
};

} // namespace kor
