#include "camera/CameraCommands.h"
#include "camera/CameraControls.h"
#include "camera/CameraPanelDialog.h"
#include "camera/Exposure.h"
#include "shell/MainWindow.h"
#include "sim/SimCamera.h"
#include "support/TestProgram.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace kor {
namespace {

template <class T> T* child(QWidget& w, const QString& text)
{
    for (T* c : w.findChildren<T*>())
        if (c->text() == text)
            return c;
    ADD_FAILURE() << "no control " << text.toStdString();
    return nullptr;
}

// A program with the simulated camera found, as the engine shows the panel.
struct Panel {
    test::TestProgram t;
    Panel()
    {
        t.program.settings.showInterfaceDetails = 'n';
        t.program.useSimulator = true;
        FindCamera(t.program);
        ReadFirmwareVersion(t.program);
    }
};

TEST(CameraPanel, UnitsArrowsAndTexts)
{
    Panel s;
    Program& p = s.t.program;
    TCameraPanelDialog panel(p);
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("KOR_T53K Control Interface"));
    struct Unit {
        const char* caption;
        char unit;
        int maximum, value;
    };
    const Unit units[] = {{"Thousandths", 'q', 500, 5},
                          {"Hundredth's", 'h', 500, 5},
                          {"Tenth's", 't', 100, 5},
                          {"Minutes", 'm', 90, 1},
                          {"Seconds", 's', 300, 1}};
    for (const Unit& u : units) {
        SCOPED_TRACE(u.caption);
        child<QRadioButton>(panel, QString::fromLatin1(u.caption))->click();
        EXPECT_EQ(p.exposure.ExposureUnit, u.unit);
        EXPECT_EQ(p.exposure.ExposureValue, u.value);
        EXPECT_EQ(panel.exposureValueBar()->maximum(), u.maximum);
        EXPECT_EQ(panel.exposureValueField()->text(), QString::number(u.value));
    }

    // Each step starts from the number typed; the range of the unit bounds it.
    child<QRadioButton>(panel, QStringLiteral("Tenth's"))->click();
    panel.exposureValueField()->setText(QStringLiteral("99"));
    panel.exposureValueBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(p.exposure.ExposureValue, 100);
    panel.exposureValueBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(p.exposure.ExposureValue, 100);
    panel.exposureValueField()->setText(QStringLiteral("1"));
    panel.exposureValueBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(p.exposure.ExposureValue, 1);

    // Counts and pauses within their ranges, and the camera mode text they give.
    EXPECT_EQ(panel.modeText()->text(), QStringLiteral("Single Image"));
    panel.countBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(p.exposure.ExposureCount, 1);
    panel.countBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(p.exposure.ExposureCount, 2);
    EXPECT_EQ(panel.modeText()->text(), QStringLiteral("Auto Merging"));
    child<QCheckBox>(panel, QStringLiteral("Continuous Mode"))->click();
    EXPECT_TRUE(p.exposure.ContinuousMode);
    EXPECT_EQ(panel.modeText()->text(), QStringLiteral("Series Imaging"));
    for (int i = 0; i < 25; ++i)
        panel.pauseBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(p.exposure.PauseBetween, 20);

    child<QRadioButton>(panel, QStringLiteral("Binned 2x2 (Mono)"))->click();
    EXPECT_EQ(p.workspace.ExposureMode, 3);
    EXPECT_TRUE(p.workspace.BinnedMode);
    child<QRadioButton>(panel, QStringLiteral("High Resolution (Colour)"))->click();
    EXPECT_FALSE(p.workspace.BinnedMode);
    EXPECT_EQ(child<QLineEdit>(panel, QStringLiteral("1.11"))->text(), QStringLiteral("1.11"));

    child<QPushButton>(panel, QStringLiteral("Help"))->click();
    ASSERT_EQ(s.t.messages.messages.size(), 1u);
    EXPECT_EQ(s.t.messages.messages[0].title, kCameraPanelHelpTitle);
    EXPECT_EQ(s.t.messages.messages[0].text, kCameraPanelHelpText);
}

TEST(CameraPanel, CoolerRules)
{
    Panel s;
    Program& p = s.t.program;
    TCameraPanelDialog panel(p);
    QCheckBox* coolingOn = child<QCheckBox>(panel, QStringLiteral("Cooling On"));
    ASSERT_TRUE(p.camera.CoolingOn);
    coolingOn->click();
    EXPECT_FALSE(p.camera.CoolingOn);
    coolingOn->click();
    EXPECT_TRUE(p.camera.CoolingOn);
    panel.setPointBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(p.camera.CoolerSetPoint, -39);
    panel.setPointBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(p.camera.CoolerSetPoint, 35);

    p.settings.forceMaximumCooling = 'y';
    coolingOn->click();
    EXPECT_TRUE(p.camera.CoolingOn); // cannot be switched off
    panel.setPointBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(p.camera.CoolerSetPoint, 35);
    EXPECT_EQ(child<QLineEdit>(panel, QStringLiteral("Max Cooling Set"))->text(), QStringLiteral("Max Cooling Set"));
}

TEST(CameraPanel, ClosingButtons)
{
    Panel s;
    Program& p = s.t.program;
    {
        TCameraPanelDialog panel(p);
        panel.exposureValueField()->setText(QStringLiteral("0"));
        child<QPushButton>(panel, QStringLiteral("Take Photo"))->click();
        EXPECT_FALSE(panel.isHidden() && panel.result() == QDialog::Accepted); // nothing to expose: stays open
        EXPECT_EQ(panel.panelResult(), PanelResult::Cancelled);
        panel.exposureValueField()->setText(QStringLiteral("7"));
        child<QPushButton>(panel, QStringLiteral("Take Photo"))->click();
        EXPECT_EQ(panel.panelResult(), PanelResult::TakePhoto);
        EXPECT_EQ(p.exposure.ExposureValue, 7);
    }
    {
        TCameraPanelDialog panel(p);
        child<QPushButton>(panel, QStringLiteral("Go to Autoguider"))->click();
        EXPECT_FALSE(panel.autoguiderRequested());
        EXPECT_EQ(s.t.messages.messages.back().text, "Please select a telescope drive method before using autoguider");
        p.settings.telescopeType = 'l';
        child<QPushButton>(panel, QStringLiteral("Go to Autoguider"))->click();
        EXPECT_TRUE(panel.autoguiderRequested());
        EXPECT_EQ(panel.panelResult(), PanelResult::Cancelled);
    }
}

TEST(CameraPanel, SubFrameSizes)
{
    Panel s;
    struct Case {
        const char* caption;
        int code, width, height;
    };
    for (const Case& c : {Case{"1/2 Frame (1516x1008)", 2, 1950, 1308}, Case{"1/3 Frame (1011x672)", 3, 1300, 872},
                          Case{"1/4 Frame (758x504)", 4, 975, 654}}) {
        TSubFrameDialog dialog(s.t.program, 9);
        EXPECT_TRUE(child<QRadioButton>(dialog, QStringLiteral("1/4 Frame (758x504)"))->isChecked());
        child<QRadioButton>(dialog, QString::fromLatin1(c.caption))->click();
        EXPECT_EQ(dialog.choice().code, c.code);
        EXPECT_EQ(dialog.choice().width, c.width);
        EXPECT_EQ(dialog.choice().height, c.height);
    }
}

// The menu command, "Take Photo" and the simulated sky in the window.
TEST(CameraPanel, TakePhotoFromTheMenuShowsTheSimulatedSky)
{
    test::TestProgram t;
    t.program.startUp();
    t.program.settings.showInterfaceDetails = 'n';
    t.program.useSimulator = true;
    auto frame = std::make_unique<TKOR_T53KFrame>(t.program);
    frame->show();
    t.program.workspace.ExposureMode = 1;
    t.program.exposure.ExposureUnit = 's';
    t.program.exposure.ExposureValue = 2;
    bool panelSeen = false;
    QTimer::singleShot(0, [&] {
        QWidget* panel = QApplication::activeModalWidget();
        ASSERT_NE(panel, nullptr);
        panelSeen = panel->windowTitle() == QStringLiteral("KOR_T53K Control Interface");
        if (const char* shot = std::getenv("KOR_CAMERA_SCREENSHOT"))
            panel->grab().save(QString::fromLocal8Bit(shot) + QStringLiteral(".panel.png"));
        child<QPushButton>(*panel, QStringLiteral("Take Photo"))->click();
    });
    frame->runCommand(CommandId::CameraInterface);
    EXPECT_TRUE(panelSeen);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("KOR_T53K_USB - Varn Camera Image"));
    EXPECT_EQ(t.program.workspace.ImageWidth, 3900);
    // Saturated stars on the sky: the picture holds the simulated field.
    std::size_t bright = 0;
    for (std::size_t i = 0; i < t.program.workspace.PixelCount; ++i)
        bright += t.program.workspace.CurrentImage[i] > 20000;
    EXPECT_GT(bright, 10u);
    if (const char* shot = std::getenv("KOR_CAMERA_SCREENSHOT"))
        frame->grab().save(QString::fromLocal8Bit(shot));
}

} // namespace
} // namespace kor
