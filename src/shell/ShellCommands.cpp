#include "display/ImageLabel.h"
#include "display/StretchDisplayDialog.h"
#include "files/BitmapFile.h"
#include "messages/Messages.h"
#include "platform/Paths.h"
#include "settings/ProgramDefaultsDialog.h"
#include "settings/SettingsFile.h"
#include "shell/CommandRegistration.h"
#include "shell/LabelDialog.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>
#include <QVBoxLayout>

#include <chrono>
#include <ctime>
#include <memory>

namespace kor {

namespace {

constexpr const char* kManualFileName = "index.html";

// The bundled manual: installed beside the program, or in the source tree's docs/ next to a build.
QString findManual()
{
    const QString bin = QCoreApplication::applicationDirPath();
    for (const QString& dir :
         {bin + "/../share/doc/kor-t53k", bin + "/../docs", bin + "/../../docs", bin + "/../../../docs"}) {
        const QFileInfo file(dir + "/" + kManualFileName);
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return {};
}

void showAbout(QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Help About KOR_T53K_USB"));
    auto* layout = new QVBoxLayout(&dialog);
    for (const char* line : {"KOR_T53K_USB Image processing software for use with Kestrova KOR T53K cameras",
                             "Version  -  3.10a", "Date  -  07/01/2014"})
        layout->addWidget(new QLabel(QString::fromLatin1(line), &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

// Universal time now: local time plus the "Time Difference to UT" hours.
std::tm universalTimeNow(const Program& program)
{
    const std::time_t now = std::time(nullptr) + std::time_t(program.settings.utOffsetHours) * 3600;
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// Writes the shown picture as the print bitmap, for the print and for whoever reads it.
void writePrintBitmap(Program& program, const DisplayPicture& picture)
{
    BitmapResult result;
    if (picture.indexed) {
        result = writeMonoBitmap(program.paths.printBitmap(), picture.indices.data(),
                                 {picture.width, picture.height, picture.width, 1}, picture.palette);
    } else {
        result = writeColourBitmap(
            program.paths.printBitmap(), picture.width, picture.height,
            [&](int row, std::uint8_t* bgr) {
                const std::uint32_t* src = picture.rgb32.data() + std::size_t(row) * picture.width;
                for (int x = 0; x < picture.width; ++x, bgr += 3) {
                    bgr[0] = std::uint8_t(src[x]);
                    bgr[1] = std::uint8_t(src[x] >> 8);
                    bgr[2] = std::uint8_t(src[x] >> 16);
                }
            },
            program.progress);
    }
    if (result != BitmapResult::Ok)
        ShowMessage(program.messages, result == BitmapResult::CreateFailed   ? kMsgTempBitmapFailed
                                      : result == BitmapResult::HeaderFailed ? kMsgTempBitmapHeader
                                                                             : kMsgTempBitmapFile);
}

} // namespace

void bindShellCommands(CommandRegistry& commands, CommandContext& c)
{
    commands.bind(CommandId::About, [&c] { showAbout(&c.frame); });
    commands.bind(CommandId::Help, [&c] {
        const QString manual = findManual();
        if (manual.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
            ShowFreeText(c.program.messages, "KOR_T53K", "WinHelp failed!");
    });
    commands.bind(CommandId::PrintSetup, [&c] {
        QPageSetupDialog dialog(&c.frame.printer(), &c.frame);
        dialog.exec();
    });
    commands.bind(CommandId::Print, [&c] {
        const DisplayPicture* picture = c.window.display().picture();
        if (!picture)
            return;
        writePrintBitmap(c.program, *picture);
        QPrintDialog dialog(&c.frame.printer(), &c.frame);
        if (dialog.exec() != QDialog::Accepted)
            return;
        QPainter painter(&c.frame.printer());
        const QImage image = c.window.pictureImage();
        const QRect page = painter.viewport();
        const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRect(page.topLeft(), size), image);
    });
    commands.bind(CommandId::Copy, [&c] {
        // The picture as an image; an indexed image carries its palette with it.
        const QImage image = c.window.pictureImage();
        if (!image.isNull())
            QGuiApplication::clipboard()->setImage(image);
    });
    commands.bind(CommandId::UndoLastFilter, [&c] { c.program.undoLastFilter(); });
    commands.bind(CommandId::UndoLastColourFilter, [&c] { c.program.undoLastColourFilter(); });
    commands.bind(CommandId::ProcessingHistory, [&c] {
        ShowFreeText(c.program.messages, "KOR_T53K - PROCESSING HISTORY", processingHistoryText(c.program.workspace));
    });
    auto labelText = std::make_shared<QString>();
    commands.bind(CommandId::Label, [&c, labelText] {
        TLabelDialog dialog(*labelText, &c.frame);
        if (dialog.exec() != QDialog::Accepted)
            return;
        *labelText = dialog.text();
        StampLabel(c.program.workspace, dialog.autoDate(), labelText->toLatin1().toStdString(),
                   universalTimeNow(c.program));
        c.program.Redisplay();
    });
    commands.bind(CommandId::SetProgramDefaults, [&c] {
        if (LoadSettings(c.program.settings, c.program.paths, c.program.messages) != SettingsResult::Ok)
            ShowMessage(c.program.messages, kMsgIniLoadFailed);
        TProgramDefaultsDialog dialog(c.program, &c.frame);
        const bool saved = dialog.exec() == QDialog::Accepted;
        if (saved && SaveSettings(c.program.settings, c.program.paths) != SettingsResult::Ok)
            ShowMessage(c.program.messages, kMsgIniSaveFailed);
        // The values set stay in effect after "Cancel" too, so the telescope button follows either way.
        c.frame.updateTelescopeButton();
        c.window.viewport()->update();
    });
    commands.bind(CommandId::Exit, [&c] { c.frame.close(); });
}

void bindDisplayCommands(CommandRegistry& commands, CommandContext& c)
{
    Workspace& ws = c.program.workspace;
    const auto redisplay = [&c] {
        c.program.Redisplay();
        c.window.resetScrollRanges(false);
    };
    commands.bind(
        CommandId::FitToWindow,
        [&c, &ws] {
            if (ws.PickingMode)
                return; // photometry picking keeps the scale it started with
            ws.FitToWindow = !ws.FitToWindow;
            c.window.resetScrollRanges(true);
        },
        [&ws] { return ws.FitToWindow; });
    commands.bind(
        CommandId::BinHighResDisplay,
        [&ws, redisplay] {
            ws.BinDisplay = !ws.BinDisplay;
            const int step = ws.BinDisplay ? 2 : 1;
            ws.DisplayWidth = ws.ImageWidth / step;
            ws.DisplayHeight = ws.ImageHeight / step;
            redisplay();
        },
        [&ws] { return ws.BinDisplay; });
    const auto toggle = [&commands, redisplay](CommandId id, bool& flag) {
        commands.bind(
            id,
            [&flag, redisplay] {
                flag = !flag;
                redisplay();
            },
            [&flag] { return flag; });
    };
    toggle(CommandId::FalseColourPalette, ws.FalseColour);
    toggle(CommandId::AutoContrast, ws.AutoContrast);
    toggle(CommandId::ShowImageCentre, ws.ShowCentre);
    toggle(CommandId::UseDisplayStretch, ws.DisplayStretch);
    toggle(CommandId::DontUseDisplayStretch, ws.DisplayStretch);
    toggle(CommandId::MaxStretchToggle, ws.DisplayStretch);
    commands.bind(CommandId::MaxStretchDo, [&c] { c.program.Redisplay(); });
    commands.bind(CommandId::RedisplayRequest, [&c] {
        c.program.Redisplay();
        c.window.resetScrollRanges(false);
    });
    auto dialog = std::make_shared<QPointer<TStretchDisplayDialog>>();
    commands.bind(CommandId::MaxPaletteStretch, [&c, &ws, dialog] {
        if (!*dialog) {
            *dialog = new TStretchDisplayDialog(
                c.window.display().stretch, ws, [&c] { c.frame.runCommand(CommandId::MaxStretchToggle); },
                [&c] { c.frame.runCommand(CommandId::MaxStretchDo); }, &c.frame);
            (*dialog)->setAttribute(Qt::WA_DeleteOnClose);
        }
        (*dialog)->refresh();
        (*dialog)->show();
        (*dialog)->raise();
    });
}

} // namespace kor
