#include "files/FileCommandsWindow.h"

#include "files/DeleteFileDialog.h"
#include "files/FitsDetailsDialog.h"
#include "files/FitsFile.h"
#include "files/HotPixelMap.h"
#include "files/HotPixelMapDialog.h"
#include "files/RawFile.h"
#include "files/TiffFile.h"
#include "messages/Messages.h"
#include "program/Program.h"
#include "settings/SettingsFile.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

#include <ctime>
#include <filesystem>
#include <optional>

namespace kor {

namespace {

// The hour-glass while a file is read or written.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

const QStringList& imageOpenFilters()
{
    static const QStringList filters{QStringLiteral("Kestrova (~*.*)"), QStringLiteral("FITS files (*.FIT *.fit)"),
                                     QStringLiteral("All Files (*)")};
    return filters;
}

struct DialogSpec {
    QString title;
    QStringList filters;
    QString defaultSuffix; // empty: none
    bool save = false;
    bool rememberFilter = true; // the image dialogs share the last filter and directory
};

std::optional<std::filesystem::path> chooseFile(QWidget* parent, Program& program, const DialogSpec& spec)
{
    FileState& files = program.files;
    QFileDialog dialog(parent, spec.title);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(spec.filters);
    if (!spec.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(spec.defaultSuffix);
    const QString start = files.lastDirectory.empty() ? QString::fromStdString(autosaveDirectory(program).string())
                                                      : QString::fromStdString(files.lastDirectory);
    dialog.setDirectory(start);
    if (spec.rememberFilter && files.filterIndex >= 1 && files.filterIndex <= spec.filters.size())
        dialog.selectNameFilter(spec.filters[files.filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const std::filesystem::path chosen = dialog.selectedFiles().first().toStdString();
    if (spec.rememberFilter)
        rememberChoice(files, chosen);
    return chosen;
}

DialogSpec imageOpenDialog(const QString& title)
{
    return {title, imageOpenFilters(), {}, false, true};
}

DialogSpec imageSaveDialog(const QString& title)
{
    return {title,
            {QStringLiteral("Kestrova (~*.*)"), QStringLiteral("FITS files (*.FIT *.fit)"),
             QStringLiteral("All Files(*.*) (*)")},
            {},
            true,
            true};
}

void showCaption(QWidget* parent, const Program& program)
{
    if (parent && parent->window())
        parent->window()->setWindowTitle(QString::fromStdString(windowCaption(program.files)));
}

} // namespace

void openFileCommand(QWidget* parent, Program& program)
{
    const auto path = chooseFile(parent, program, imageOpenDialog(QStringLiteral("Open")));
    if (!path)
        return;
    {
        BusyCursor busy;
        LoadRawFile(program, *path);
    }
    showCaption(parent, program);
}

void saveFileCommand(QWidget* parent, Program& program)
{
    const auto path = chooseFile(parent, program, imageSaveDialog(QStringLiteral("Save")));
    if (!path)
        return;
    {
        BusyCursor busy;
        SaveRawFile(program, *path);
    }
    showCaption(parent, program);
}

void saveFlatFileCommand(QWidget* parent, Program& program)
{
    const auto path = chooseFile(parent, program, imageSaveDialog(QStringLiteral("Save Flat File")));
    if (!path)
        return;
    {
        BusyCursor busy;
        SaveFlatFile(program, *path);
    }
    showCaption(parent, program);
}

void loadNextAutosavedCommand(QWidget* parent, Program& program)
{
    {
        BusyCursor busy;
        LoadNextAutosavedFile(program);
    }
    showCaption(parent, program);
}

void deleteFileCommand(QWidget* parent, Program& program)
{
    const auto path = chooseFile(parent, program, imageOpenDialog(QStringLiteral("Delete File")));
    if (!path)
        return;
    TDeleteFileDialog confirm(QString::fromStdString(path->string()), parent);
    if (confirm.exec() == QDialog::Accepted)
        DeleteImageFile(program, *path);
}

void selectDarkFrameCommand(QWidget* parent, Program& program)
{
    if (const auto path = chooseFile(parent, program, imageOpenDialog(QStringLiteral("Select Dark Frame"))))
        program.files.DarkFramePath = path->string();
}

void selectFlatFieldCommand(QWidget* parent, Program& program)
{
    if (const auto path = chooseFile(parent, program, imageOpenDialog(QStringLiteral("Select Flatfield File"))))
        program.files.FlatFieldPath = path->string();
}

void saveFitsCommand(QWidget* parent, Program& program)
{
    prepareFitsSave(program, std::time(nullptr));
    TFitsDetailsDialog details(program, parent);
    if (details.exec() != QDialog::Accepted)
        return;
    const DialogSpec spec{QStringLiteral("Save as FITS file"),
                          {QStringLiteral("FITS file (*.FIT)"), QStringLiteral("All Files(*.*) (*)")},
                          QStringLiteral("FIT"),
                          true,
                          false};
    const auto path = chooseFile(parent, program, spec);
    if (!path)
        return;
    {
        BusyCursor busy;
        SaveFitsFile(program, *path);
    }
    showCaption(parent, program);
}

void quickSaveFitsCommand(QWidget*, Program& program)
{
    BusyCursor busy;
    QuickSaveCommand(program);
}

void editAutosaveFitsTextCommand(QWidget* parent, Program& program)
{
    if (LoadSettings(program.settings, program.paths, program.messages) != SettingsResult::Ok) {
        ShowMessage(program.messages, kMsgIniLoadFailed);
        return;
    }
    program.files.fits.eightBit = false;
    TFitsDetailsDialog details(program, parent);
    if (details.exec() != QDialog::Accepted)
        return;
    if (SaveSettings(program.settings, program.paths) != SettingsResult::Ok)
        ShowMessage(program.messages, kMsgIniSaveFailed);
}

void editCurrentFitsDetailsCommand(QWidget* parent, Program& program)
{
    TFitsDetailsDialog details(program, parent);
    details.exec();
}

void saveTiffCommand(QWidget* parent, Program& program)
{
    const DialogSpec spec{QStringLiteral("Save as Tiff file"),
                          {QStringLiteral("Tiff file (*.TIF)"), QStringLiteral("All Files(*.*) (*)")},
                          QStringLiteral("TIF"),
                          true,
                          false};
    const auto path = chooseFile(parent, program, spec);
    if (!path)
        return;
    BusyCursor busy;
    SaveTiffFile(program, *path);
}

void createHotPixelMapCommand(QWidget* parent, Program& program)
{
    THotPixelMapDialog dialog(program, parent);
    dialog.exec();
}

void applyHotPixelMapCommand(QWidget*, Program& program)
{
    BusyCursor busy;
    ApplyHotPixelMap(program);
}

} // namespace kor
