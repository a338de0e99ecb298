#include "files/DeleteFileDialog.h"
#include "files/FitsDetailsDialog.h"
#include "files/HotPixelMap.h"
#include "files/HotPixelMapDialog.h"
#include "support/TestProgram.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace kor {
namespace {

QPushButton* button(QWidget& dialog, const QString& text)
{
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

TEST(FilesFitsDetailsDialog, ShowsTheFieldsAndStoresThemOnContinue)
{
    test::TestProgram t;
    Program& p = t.program;
    p.settings.fitsObject = "M42";
    p.settings.utOffsetHours = 40; // out of range: shown as 0
    p.files.fits.exposureSeconds = 2.5;
    TFitsDetailsDialog dialog(p);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("FITS DETAILS"));
    EXPECT_EQ(dialog.objectField()->text(), QStringLiteral("M42"));
    EXPECT_EQ(dialog.exposureField()->text(), QStringLiteral("2.500000"));
    EXPECT_EQ(dialog.utOffsetBar()->value(), 0);

    dialog.objectField()->setText(QStringLiteral("M31"));
    dialog.exposureField()->setText(QStringLiteral("30"));
    dialog.historyField()->setPlainText(QString(300, QLatin1Char('h')));
    dialog.utOffsetBar()->setValue(-5);
    EXPECT_EQ(dialog.utOffsetValue()->text(), QStringLiteral("-5"));
    dialog.eightBitBox()->setChecked(true);
    EXPECT_TRUE(p.files.fits.eightBit); // at once
    EXPECT_EQ(p.settings.fitsObject, "M42");

    button(dialog, QStringLiteral("Continue"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(p.settings.fitsObject, "M31");
    EXPECT_EQ(p.files.fits.exposureSeconds, 30);
    EXPECT_EQ(p.settings.fitsHistory.size(), 254u);
    EXPECT_EQ(p.settings.utOffsetHours, -5);
}

TEST(FilesFitsDetailsDialog, AbortStoresNothing)
{
    test::TestProgram t;
    TFitsDetailsDialog dialog(t.program);
    dialog.objectField()->setText(QStringLiteral("M31"));
    button(dialog, QStringLiteral("Abort"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(t.program.settings.fitsObject, "");
}

TEST(FilesHotPixelMapDialog, SearchesOnEveryChangeAndSavesTheMap)
{
    test::TestProgram t;
    Program& p = t.program;
    std::filesystem::create_directories(p.paths.root());
    Workspace& ws = p.workspace;
    ws.BinnedMode = true;
    ws.SetGeometry();
    ws.CurrentImage[100 * 1950 + 100] = 30000;
    ws.CurrentImage[200 * 1950 + 100] = 20000;
    THotPixelMapDialog dialog(p);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Calculate Hot Pixel Map"));
    EXPECT_EQ(dialog.thresholdBar()->minimum(), 5000);
    EXPECT_EQ(dialog.thresholdBar()->pageStep(), 100);
    dialog.thresholdBar()->setValue(25000);
    EXPECT_EQ(dialog.foundLabel()->text(), QStringLiteral("1"));
    dialog.thresholdBar()->setValue(15000);
    EXPECT_EQ(dialog.foundLabel()->text(), QStringLiteral("2"));

    dialog.nameField()->setText(QStringLiteral("bad?name"));
    dialog.changeButton()->click();
    EXPECT_EQ(t.messages.codes(), std::vector<int>{41});
    EXPECT_EQ(dialog.nameField()->text(), QStringLiteral("T53K_HPM"));
    dialog.nameField()->setText(QStringLiteral("cold"));
    dialog.changeButton()->click();
    EXPECT_TRUE(dialog.pathField()->text().endsWith(QStringLiteral("cold.HPM")));

    dialog.saveButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(std::filesystem::file_size(p.paths.root() / "cold.HPM"), 15u + 4 + 8);
}

TEST(FilesDeleteFileDialog, AsksWithThePath)
{
    TDeleteFileDialog dialog(QStringLiteral("/data/m42.FIT"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("DELETE FILE DIALOG"));
    EXPECT_EQ(dialog.pathField()->text(), QStringLiteral("/data/m42.FIT"));
    EXPECT_TRUE(dialog.pathField()->isReadOnly());
    bool asked = false;
    for (auto* label : dialog.findChildren<QLabel*>())
        asked = asked || label->text() == QStringLiteral("Delete this file?");
    EXPECT_TRUE(asked);
    button(dialog, QStringLiteral("OK"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace kor
