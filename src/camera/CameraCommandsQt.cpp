#include "camera/CameraPanelDialog.h"
#include "camera/Exposure.h"
#include "processing/Calibration.h"
#include "program/Program.h"
#include "shell/CommandRegistration.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QFileDialog>

namespace kor {

namespace {

// The frame file of a manual calibration command; empty when none was chosen.
std::filesystem::path chooseFrame(QWidget* parent, const QString& title)
{
    const QString name = QFileDialog::getOpenFileName(
        parent, title, QString(), QStringLiteral("Kestrova (~*.*);;FITS files (*.FIT *.fit);;All Files (*.*)"));
    return name.toStdString();
}

} // namespace

void bindCameraCommands(CommandRegistry& commands, CommandContext& c)
{
    commands.bind(CommandId::CameraInterface, [&c] {
        bool autoguiderRequested = false;
        bool exposing = false;
        TakeExposure(c.program, [&](Program& program) {
            TCameraPanelDialog panel(program, &c.frame);
            panel.exec();
            autoguiderRequested = panel.autoguiderRequested();
            exposing = panel.panelResult() != PanelResult::Cancelled;
            if (exposing)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            return panel.panelResult();
        });
        if (exposing) {
            QApplication::restoreOverrideCursor();
            c.window.resetScrollRanges(false);
        }
        if (autoguiderRequested && c.commands.isBound(CommandId::AutoGuiderCamera))
            c.commands.run(CommandId::AutoGuiderCamera);
    });
    commands.bind(CommandId::SubFrameSelection, [&c] {
        ExposureState& e = c.program.exposure;
        TSubFrameDialog dialog(c.program, e.SubFrameSize, &c.frame);
        dialog.exec();
        const SubFrameChoice choice = dialog.choice();
        e.SubFrameSize = choice.code;
        e.SubFrameWidth = choice.width;
        e.SubFrameHeight = choice.height;
    });
    commands.bind(CommandId::SubtractDarkFrame, [&c] {
        const std::filesystem::path path = chooseFrame(&c.frame, QStringLiteral("Subtract Image (Dark Frame)"));
        if (!path.empty() && SubtractDarkFrameCommand(c.program, path))
            c.window.resetScrollRanges(false);
    });
    commands.bind(CommandId::ApplyFlatField, [&c] {
        const std::filesystem::path path = chooseFrame(&c.frame, QStringLiteral("Apply Flat Field"));
        if (!path.empty() && ApplyFlatFieldCommand(c.program, path))
            c.window.resetScrollRanges(false);
    });
}

} // namespace kor
