#include "camera/CameraCommands.h"
#include "camera/CameraLink.h"
#include "camera/CameraPanelDialog.h"
#include "platform/EventPumpQt.h"
#include "program/Program.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace kor {
namespace {

// A program whose messages are pumped by the Qt event pump, as in the
// program itself, on the virtual clock, with the simulated camera found.
struct QtPumpedProgram {
    test::TempDir dir;
    RecordingMessageSink messages;
    VirtualClock clock;
    QtEventPump events;
    RecordingProgressReporter progress;
    Program program{Paths(dir.path() / "autosave"), {messages, clock, events, progress}};

    QtPumpedProgram()
    {
        program.settings.showInterfaceDetails = 'n';
        program.useSimulator = true;
        FindCamera(program);
        ReadFirmwareVersion(program);
    }
};

QPushButton* button(QWidget& w, const QString& text)
{
    for (auto* b : w.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

QMouseEvent* leftButton(QEvent::Type type, QWidget* target)
{
    const QPointF at = QPointF(target->rect().center());
    return new QMouseEvent(type, at, target->mapToGlobal(at), Qt::LeftButton,
                           type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
}

// Starts the monitor with a real press of its button; the press returns when the loop has ended.
void pressMonitor(TCameraPanelDialog& panel)
{
    std::unique_ptr<QMouseEvent> press(leftButton(QEvent::MouseButtonPress, panel.monitorButton()));
    QCoreApplication::sendEvent(panel.monitorButton(), press.get());
}

// Should a loop fail to end, a key press a few seconds later ends it, so the test fails rather than hangs.
void safetyNet(QWidget& panel)
{
    QTimer::singleShot(3000, &panel, [&panel] {
        QCoreApplication::postEvent(&panel, new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier));
    });
}

TEST(TemperatureMonitorPanel, AClickWhileMonitoringStopsItAndIsActedOn)
{
    {
        // "Take Photo" clicked while the monitor pumps: the loop ends at its turn and the panel closes with the photo.
        QtPumpedProgram s;
        TCameraPanelDialog panel(s.program);
        panel.show();
        safetyNet(panel);
        const std::uint32_t start = s.clock.nowMs();
        QPushButton* take = button(panel, QStringLiteral("Take Photo"));
        QCoreApplication::postEvent(take, leftButton(QEvent::MouseButtonPress, take));
        QCoreApplication::postEvent(take, leftButton(QEvent::MouseButtonRelease, take));
        pressMonitor(panel);
        EXPECT_EQ(s.clock.nowMs(), start + 500);
        EXPECT_EQ(panel.result(), QDialog::Accepted);
        EXPECT_EQ(panel.panelResult(), PanelResult::TakePhoto);
        EXPECT_EQ(panel.monitorButton()->text(), QStringLiteral("Monitor"));
        EXPECT_FALSE(panel.temperatureMonitor().TemperatureMonitoring());
    }
    {
        // "Monitor" clicked again: its press stops the loop, and its release does not start it anew.
        QtPumpedProgram s;
        TCameraPanelDialog panel(s.program);
        panel.show();
        safetyNet(panel);
        const std::uint32_t start = s.clock.nowMs();
        QPushButton* monitor = panel.monitorButton();
        QCoreApplication::postEvent(monitor, leftButton(QEvent::MouseButtonPress, monitor));
        pressMonitor(panel);
        EXPECT_EQ(monitor->text(), QStringLiteral("Monitor"));
        std::unique_ptr<QMouseEvent> release(leftButton(QEvent::MouseButtonRelease, monitor));
        QCoreApplication::sendEvent(monitor, release.get());
        EXPECT_EQ(s.clock.nowMs(), start + 500);
        EXPECT_EQ(monitor->text(), QStringLiteral("Monitor"));
        EXPECT_FALSE(panel.temperatureMonitor().TemperatureMonitoring());
        EXPECT_TRUE(panel.isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

} // namespace
} // namespace kor
