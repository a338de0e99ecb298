#pragma once

#include <cstddef>
#include <functional>
#include <set>

namespace kor {

// "Let pending window messages through, and tell me whether the user asked to
// stop." Long operations call drain() between their steps; a key press or a left
// or right mouse-button press since the previous drain counts as a stop request.
class EventPump {
public:
    virtual ~EventPump() = default;

    // Dispatches pending events. Returns true when a stop was requested.
    virtual bool drain() = 0;
};

// An event pump for headless runs: nothing to dispatch, nobody to press a key.
class QuietEventPump final : public EventPump {
public:
    bool drain() override { return false; }
};

// Replays a script for tests: "the user presses a key at drain number N"
// (counting from 1), and optionally runs a callback at every drain, standing in
// for what the user does while the operation pumps messages.
class ScriptedEventPump final : public EventPump {
public:
    ScriptedEventPump() = default;
    explicit ScriptedEventPump(std::set<std::size_t> stopAtDrains) : m_stopAt(std::move(stopAtDrains)) {}

    bool drain() override
    {
        ++m_drains;
        if (m_onDrain)
            m_onDrain(m_drains);
        return m_stopAt.count(m_drains) != 0;
    }

    void stopAt(std::size_t drainNumber) { m_stopAt.insert(drainNumber); }
    void onDrain(std::function<void(std::size_t)> callback) { m_onDrain = std::move(callback); }
    std::size_t drains() const { return m_drains; }

private:
    std::set<std::size_t> m_stopAt;
    std::function<void(std::size_t)> m_onDrain;
    std::size_t m_drains = 0;
};

} // namespace kor
