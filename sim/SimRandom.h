#pragma once

#include <cstdint>

namespace kor::sim {

// A small, fast, seeded generator: the simulator draws ten million noise
// values per full frame.
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}

    std::uint64_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Approximately standard normal: four 16-bit uniforms summed (Irwin-Hall),
    // centred and scaled to unit variance.
    float normal()
    {
        const std::uint64_t v = next();
        const int sum = int(v & 0xffff) + int((v >> 16) & 0xffff) + int((v >> 32) & 0xffff) + int(v >> 48);
        return float(sum - 2 * 65535) * (1.7320508f / 65536.0f);
    }

private:
    std::uint64_t m_state;
};

} // namespace kor::sim
