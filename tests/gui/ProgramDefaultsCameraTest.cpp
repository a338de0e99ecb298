#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/FilterWheel.h"
#include "settings/ProgramDefaultsDialog.h"
#include "sim/SimCamera.h"
#include "sim/SimWheel.h"
#include "support/TestProgram.h"

#include <QCheckBox>

#include <gtest/gtest.h>

namespace kor {
namespace {

// The simulated camera found, with a wheel on its serial port that also
// stands in for the USB wheel.
struct Devices {
    test::TestProgram t;
    Program& p = t.program;
    std::shared_ptr<sim::SimCamera> camera = std::make_shared<sim::SimCamera>(t.clock);
    std::shared_ptr<sim::SimWheel> wheel = std::make_shared<sim::SimWheel>(5);
    sim::SimWheelSerial serial{*wheel};

    Devices()
    {
        p.settings.showInterfaceDetails = 'n';
        p.camera.bus = std::make_unique<sim::SimCameraBus>(camera);
        FindCamera(p);
        camera->attachSerialDevice(1, &serial);
        p.wheel.link = std::make_unique<sim::SimWheelLink>(wheel);
    }
};

QCheckBox* box(QWidget& w, const QString& text)
{
    for (auto* b : w.findChildren<QCheckBox*>())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no check box " << text.toStdString();
    return nullptr;
}

TEST(ProgramDefaultsCamera, ForceMaximumCoolingReachesTheCooler)
{
    Devices d;
    d.p.camera.CoolerSetPoint = 10;
    TProgramDefaultsDialog dialog(d.p);
    box(dialog, QStringLiteral("Force Maximum Cooling"))->click();
    EXPECT_EQ(d.p.settings.forceMaximumCooling, 'y');
    EXPECT_EQ(d.p.camera.CoolerSetPoint, -40);

    ASSERT_TRUE(CoolerExchange(d.p));
    EXPECT_EQ(d.camera->cooler.setPointC, -40);
    EXPECT_TRUE(d.camera->cooler.on);
    // Cooling off while forced: the camera is told to cool as hard as it can.
    d.p.camera.CoolingOn = false;
    ASSERT_TRUE(CoolerExchange(d.p));
    EXPECT_TRUE(d.camera->cooler.forced);
}

TEST(ProgramDefaultsCamera, UseUsbFilterwheelOpensTheWheel)
{
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "no wheel on USB" : "a wheel on USB");
        Devices d;
        d.wheel->missing = missing;
        TProgramDefaultsDialog dialog(d.p);
        QCheckBox* use = box(dialog, QStringLiteral("Use USB Filterwheel "));
        use->click();
        EXPECT_EQ(use->isChecked(), !missing); // stays off when none is found
        EXPECT_EQ(d.p.settings.useUsbFilterWheel, missing ? 'n' : 'y');
        EXPECT_EQ(d.p.wheel.WheelPresent, !missing);
        EXPECT_EQ(d.p.settings.filterCount, missing ? 7 : 5); // the wheel's own report
        EXPECT_TRUE(d.t.messages.messages.empty());
    }

    // Switched off, the USB wheel is given up (the serial port takes the commands); switched on, it is found again.
    Devices d;
    TProgramDefaultsDialog dialog(d.p);
    QCheckBox* use = box(dialog, QStringLiteral("Use USB Filterwheel "));
    use->click();
    use->click();
    EXPECT_FALSE(d.p.wheel.WheelPresent);
    EXPECT_EQ(d.p.settings.useUsbFilterWheel, 'n');
    use->click();
    EXPECT_TRUE(d.p.wheel.WheelPresent);
    EXPECT_TRUE(d.t.messages.messages.empty());
}

} // namespace
} // namespace kor
