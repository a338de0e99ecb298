#include "camera/CameraCommands.h"
#include "camera/CameraControls.h"
#include "camera/CameraLink.h"
#include "sim/SimCamera.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kor {
namespace {

// The panel as the monitor sees it: its refresh exchanges the cooler command
// with the simulated camera, as the dialog's does, and what it showed is kept.
struct RecordingPanel final : MonitorPanel {
    Program& program;
    std::vector<std::string> captions;
    std::vector<int> temperatures;
    int invalidations = 0;
    bool waitCursor = false;
    int waitCursorShown = 0;

    explicit RecordingPanel(Program& p) : program(p) {}
    void setMonitorCaption(const char* caption) override { captions.emplace_back(caption); }
    bool RefreshPanel() override
    {
        EXPECT_TRUE(waitCursor);
        CameraLink& camera = program.camera;
        bool answered = true;
        if (camera.CoolerAvailable && camera.CameraPresent)
            answered = CoolerExchange(program);
        temperatures.push_back(camera.SensorTemperature);
        return answered;
    }
    void invalidatePanel() override { ++invalidations; }
    void showWaitCursor(bool on) override
    {
        waitCursor = on;
        waitCursorShown += on;
    }
};

struct Monitor {
    test::TestProgram t;
    std::shared_ptr<sim::SimCamera> camera = std::make_shared<sim::SimCamera>(t.clock);
    RecordingPanel panel{t.program};
    std::optional<TemperatureMonitor> monitor;

    Monitor()
    {
        t.program.settings.showInterfaceDetails = 'n';
        t.program.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
        FindCamera(t.program);
        camera->cooler.degreesPerSecond = 2; // a degree every half second
        camera->cooler.on = true;
        t.program.camera.CoolerSetPoint = -20;
        monitor.emplace(t.program, panel);
    }

    // The instants at which the camera received a cooler command.
    std::vector<std::uint32_t> coolerCommandTimes() const
    {
        std::vector<std::uint32_t> times;
        for (std::size_t i = 0; i < camera->blocks.size(); ++i)
            if (camera->blocks[i].size() > 1 && camera->blocks[i][1] == kCmdCooler)
                times.push_back(camera->blockTimesMs[i]);
        return times;
    }
};

TEST(TemperatureMonitor, ReadsEveryHalfSecondUntilAClick)
{
    Monitor m;
    const std::uint32_t start = m.t.clock.nowMs();
    m.t.events.stopAt(4); // the user clicks during the fourth wait
    m.t.events.onDrain([&](std::size_t) { EXPECT_TRUE(m.monitor->TemperatureMonitoring()); });
    m.monitor->press();

    EXPECT_EQ(m.t.events.drains(), 4u);
    EXPECT_EQ(m.coolerCommandTimes(), (std::vector<std::uint32_t>{start + 500, start + 1000, start + 1500}));
    EXPECT_EQ(m.panel.temperatures, (std::vector<int>{15, 14, 13})); // a fresh reading at every turn
    EXPECT_EQ(m.panel.invalidations, 3);
    EXPECT_EQ(m.panel.waitCursorShown, 3);
    EXPECT_FALSE(m.panel.waitCursor);
    EXPECT_EQ(m.panel.captions, (std::vector<std::string>{"Monitoring", "Monitor"}));
    EXPECT_FALSE(m.monitor->TemperatureMonitoring());
    EXPECT_TRUE(m.t.messages.messages.empty());
}

// Every way the loop ends while it pumps messages: it returns, the caption
// (where the panel still exists) is "Monitor", and no refresh follows.
TEST(TemperatureMonitor, EndsAtItsNextTurn)
{
    struct Case {
        const char* what;
        std::function<void(Monitor&)> atSecondDrain;
        std::size_t refreshes;
        std::vector<std::string> captions;
        std::size_t messages;
    };
    const Case cases[] = {
        {"a second press of Monitor", [](Monitor& m) { m.monitor->press(); }, 1, {"Monitoring", "Monitor"}, 0},
        {"a closing button", [](Monitor& m) { m.monitor->panelClosed(); }, 1, {"Monitoring", "Monitor"}, 0},
        {"the panel destroyed", [](Monitor& m) { m.monitor.reset(); }, 1, {"Monitoring"}, 0},
        // The camera pulled out: the exchange after that fails, is shown once, and ends the loop.
        {"the camera unplugged", [](Monitor& m) { m.camera->unplug(); }, 2, {"Monitoring", "Monitor"}, 1},
        {"the camera not answering", [](Monitor& m) { m.camera->timeOutNextRead(); }, 2, {"Monitoring", "Monitor"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Monitor m;
        m.t.events.onDrain([&](std::size_t n) {
            if (n == 2)
                c.atSecondDrain(m);
        });
        m.monitor->press();
        EXPECT_EQ(m.panel.temperatures.size(), c.refreshes);
        EXPECT_EQ(m.panel.captions, c.captions);
        EXPECT_EQ(m.t.messages.messages.size(), c.messages);
        EXPECT_FALSE(m.panel.waitCursor);
        if (m.monitor) {
            EXPECT_FALSE(m.monitor->TemperatureMonitoring());
        }
    }
}

} // namespace
} // namespace kor
