#include "processing/AutoProcessingDialog.h"
#include "processing/FilterDialog.h"
#include "processing/MonoFromRawDialog.h"
#include "processing/ProcessingCommandsWindow.h"
#include "processing/ProcessingWidgetsQt.h"
#include "processing/StretchDialog.h"
#include "support/TestProgram.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace kor {
namespace {

void clickHelp(QDialog& dialog)
{
    auto* help = dialog.findChild<QPushButton*>("help");
    ASSERT_NE(help, nullptr);
    help->click();
}

TEST(ProcessingDialogs, NormalStretchKeepsBlackBelowWhite)
{
    test::TestProgram t;
    TNormalStretchDialog dialog(t.program);
    EXPECT_EQ(dialog.windowTitle(), "Normal Stretch");
    EXPECT_EQ(dialog.black(), 0);
    EXPECT_EQ(dialog.white(), 255);
    dialog.whiteControl()->setValue(100);
    dialog.blackControl()->setValue(150);
    EXPECT_EQ(dialog.black(), 98);
    dialog.whiteControl()->setValue(50);
    EXPECT_EQ(dialog.white(), 100);
    dialog.blackControl()->box()->setText("40");
    dialog.findChildren<QPushButton*>()[0]->click(); // "Set Black"
    EXPECT_EQ(dialog.black(), 40);
    EXPECT_EQ(dialog.whiteControl()->box()->text(), "100");
    dialog.grab(); // paints the histogram picture
    clickHelp(dialog);
    ASSERT_EQ(t.messages.messages.size(), 1u);
    EXPECT_EQ(t.messages.messages[0].title, "KOR_T53K_USB - Normal Stretch");
}

TEST(ProcessingDialogs, PowerLawStepsInTenthsAndItsArrowStopsAtTwoTenths)
{
    test::TestProgram t;
    TPowerLawDialog dialog(t.program);
    EXPECT_EQ(dialog.power(), 1.0);
    EXPECT_EQ(dialog.powerControl()->box()->text(), "1.0");
    dialog.powerControl()->setValue(3);
    dialog.powerControl()->bar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(dialog.powerControl()->box()->text(), "0.2");
    dialog.powerControl()->bar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(dialog.power(), 0.2);
    dialog.powerControl()->setValue(30);
    dialog.powerControl()->bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(dialog.power(), 3.0);
}

TEST(ProcessingDialogs, NonLinearResetsABadTypedPowerAndStaysOpen)
{
    test::TestProgram t;
    TNonLinearDialog dialog(t.program);
    dialog.show();
    EXPECT_EQ(dialog.powerControl()->box()->text(), "25");
    dialog.powerControl()->box()->setText("60");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.powerControl()->box()->text(), "25");
    dialog.powerControl()->box()->setText("1");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.power(), 1);
}

TEST(ProcessingDialogs, FilterDialogsOpenWithTheirDefaults)
{
    test::TestProgram t;
    TUnsharpMaskDialog unsharp(t.program);
    EXPECT_EQ(unsharp.radius(), 3);
    EXPECT_EQ(unsharp.power(), 1);
    TMedianDialog median(t.program);
    EXPECT_EQ(median.radius(), 1);
    EXPECT_EQ(median.powerControl()->box()->text(), "0.6");
    median.powerControl()->setValue(10);
    EXPECT_EQ(median.powerControl()->box()->text(), "1.0");
    clickHelp(median);
    EXPECT_EQ(t.messages.messages.at(0).title, "KOR_T53K_USB - Median Filter");
    TSingleFilterDialog single(t.program, 3);
    EXPECT_EQ(single.position(), 3);
    single.positionButton(4)->click();
    EXPECT_EQ(single.position(), 4);
}

TEST(ProcessingDialogs, AutoProcessingChoicesChangeAtOnceAndSaveValidates)
{
    test::TestProgram t;
    AutoProcessingChoices& c = t.program.settings.autoProcessing;
    c.strongStretch = 'y';
    TAutoProcessingDialog dialog(t.program);
    dialog.show();
    EXPECT_TRUE(dialog.strongStretch->isChecked());
    EXPECT_EQ(dialog.userPower->text(), "4");
    dialog.weakStretch->click();
    dialog.unsharpMask->click();
    EXPECT_EQ(c.weakStretch, 'y');
    EXPECT_EQ(c.strongStretch, 'n');
    EXPECT_EQ(c.unsharpMask, 'y');
    dialog.diameter->setText("7");
    dialog.accept();
    EXPECT_EQ(t.messages.beeps, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(c.unsharpDiameter, 3);
    dialog.diameter->setText("5");
    dialog.userPower->setText("29");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(c.unsharpDiameter, 5);
    EXPECT_EQ(c.userStretchPower, 29);
}

// Accepts whichever modal dialog the command opens.
void acceptNextDialog()
{
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
}

TEST(ProcessingDialogs, CommandsRunThroughTheirDialogsWithUndoAndHistory)
{
    test::TestProgram t;
    t.program.startUp();
    int redisplays = 0;
    t.program.setRedisplay([&] { ++redisplays; });
    const std::uint16_t before = t.program.workspace.CurrentImage[std::size_t(100) * kFullWidth + 7];

    acceptNextDialog();
    medianFilterCommand(t.program, nullptr);
    acceptNextDialog();
    normalStretchCommand(t.program, nullptr);
    EXPECT_EQ(t.program.workspace.historyLineCount(), 2);
    EXPECT_EQ(t.program.workspace.HistoryLines[1], "Normal Stretch : max 510 , min : 0");
    t.program.undoLastFilter();
    EXPECT_EQ(t.program.workspace.CurrentImage[std::size_t(100) * kFullWidth + 7], before);

    acceptNextDialog();
    autoProcessingChoicesCommand(t.program, nullptr);
    EXPECT_TRUE(std::filesystem::exists(t.program.paths.settingsFile()));
    acceptNextDialog();
    monoFromRawCommand(t.program, nullptr);
    EXPECT_EQ(t.program.workspace.HistoryLines[1], "Image Converted to Single Colour");
    EXPECT_EQ(redisplays, 4);
}

} // namespace
} // namespace kor
