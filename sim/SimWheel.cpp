#include "sim/SimWheel.h"

#include <cerrno>

namespace kor::sim {

void SimWheel::moveTo(int p)
{
    moves.push_back(p);
    if (p >= 1 && p <= positions)
        position = p;
}

void SimWheelSerial::receive(std::span<const std::uint8_t> bytes)
{
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    while (m_pending.size() >= 4) {
        const std::uint8_t* c = m_pending.data();
        if (c[0] == 0xA5 && c[1] == 0x01 && std::uint8_t(c[0] + c[1] + c[2]) == c[3]) {
            m_wheel.moveTo(c[2]);
            m_pending.erase(m_pending.begin(), m_pending.begin() + 4);
        } else {
            ++m_wheel.badCommands;
            m_pending.erase(m_pending.begin()); // look for the next command start
        }
    }
}

bool SimWheelLink::open(std::string& error)
{
    if (m_wheel->missing) {
        error.clear(); // nothing found is no error to show
        return false;
    }
    return true;
}

bool SimWheelLink::writeReport(const WheelReport& report)
{
    if (m_wheel->failNextWrite) {
        m_wheel->failNextWrite = false;
        m_error = EIO;
        return false;
    }
    if (report[0] != 0 || report[2] != 0)
        ++m_wheel->badCommands;
    else if (report[1] != 0)
        m_wheel->moveTo(report[1]);
    m_replyPending = true;
    return true;
}

bool SimWheelLink::readReport(WheelReport& report, int)
{
    if (m_wheel->failNextRead || !m_replyPending) {
        m_wheel->failNextRead = false;
        m_error = ETIMEDOUT;
        return false;
    }
    m_replyPending = false;
    report = {0, std::uint8_t(m_wheel->position), std::uint8_t(m_wheel->positions)};
    return true;
}

} // namespace kor::sim
