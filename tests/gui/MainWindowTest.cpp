#include "shell/MainWindow.h"
#include "display/StretchDisplayDialog.h"
#include "messages/Messages.h"
#include "settings/ProgramDefaultsDialog.h"
#include "shell/CommandMap.h"
#include "support/TestProgram.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace kor {
namespace {

using C = CommandId;

struct Shell {
    test::TestProgram t;
    std::unique_ptr<TKOR_T53KFrame> frame;
    Shell()
    {
        t.program.startUp();
        frame = std::make_unique<TKOR_T53KFrame>(t.program);
        frame->show();
    }
};

// The commands that are bound (the window's own and those of the subsystems
// built so far); every other command stays greyed until its subsystem binds it.
const std::set<CommandId> kShellBound = {C::NormalStretch, C::PowerLawStretch, C::SineLawStretch,
                                         C::LogarithmicStretch, C::AntilogarithmicStretch, C::InvertImage,
                                         C::RemoveBackground, C::NonLinearStretch, C::UnsharpMask,
                                         C::MedianFilter, C::WeightedMeanSmoother, C::GaussianSmoother,
                                         C::HighPassLowPower, C::HighPassHighPower, C::SmootherSharperFilter,
                                         C::BasRelief, C::GradientFilter, C::MirrorImage, C::FlipImage,
                                         C::MonoFromRaw, C::SetAutoProcessing,
                                         C::FileOpen, C::LoadHotPixelMap, C::FileSave, C::FileSaveFlat,
                                         C::FileLoadNextAutosaved, C::FileDelete, C::FileSelectDarkFrame,
                                         C::FileSelectFlatField, C::FileSaveFits, C::FileQuickSaveFits,
                                         C::FileEditAutosaveFitsText, C::ShowFitsDetails, C::FileSaveTiff,
                                         C::CreateHotPixelMap, C::ApplyHotPixelMap,
                                         C::SetProgramDefaults,
                                         C::ShowImageCentre,
                                         C::PrintSetup,
                                         C::Print,
                                         C::Exit,
                                         C::UndoLastFilter,
                                         C::UndoLastColourFilter,
                                         C::Copy,
                                         C::FitToWindow,
                                         C::BinHighResDisplay,
                                         C::FalseColourPalette,
                                         C::AutoContrast,
                                         C::MaxPaletteStretch,
                                         C::ProcessingHistory,
                                         C::Label,
                                         C::Help,
                                         C::About,
                                         C::UseDisplayStretch,
                                         C::DontUseDisplayStretch,
                                         C::MaxStretchToggle,
                                         C::MaxStretchDo,
                                         C::RedisplayRequest,
                                         C::CameraInterface,
                                         C::SubFrameSelection,
                                         C::SubtractDarkFrame,
                                         C::ApplyFlatField};

TEST(MainWindow, FrameHasTheProgramTitleAndPlace)
{
    Shell s;
    EXPECT_EQ(s.frame->windowTitle(), QStringLiteral("KOR_T53K_USB - (Untitled)"));
    EXPECT_EQ(s.frame->frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(s.frame->geometry().size(), QSize(1024, 768));
    s.t.program.files.currentFileName = "/data/night/M42.FIT";
    s.t.program.Redisplay();
    EXPECT_EQ(s.frame->windowTitle(), QStringLiteral("KOR_T53K_USB - M42.FIT"));
}

// One pass over the whole command map: each item's place, text, hint, shortcut and enabled state.
TEST(MainWindow, CommandMapItemsTextsHintsShortcutsAndEnabling)
{
    Shell s;
    std::vector<QString> menuTitles;
    std::map<QString, std::vector<QAction*>> menus;
    for (QAction* top : s.frame->menuBar()->actions()) {
        menuTitles.push_back(top->text());
        if (top->menu())
            for (QAction* item : top->menu()->actions())
                menus[top->text()].push_back(item);
    }
    EXPECT_EQ(menuTitles, (std::vector<QString>{"&File", "&Edit", "&View", "&Colour", "&Label    ", "Co&ntrast",
                                                "Filte&rs", "&Merging", "&Histogram", "Hel&p"}));

    std::map<QString, std::size_t> position;
    for (const CommandInfo& info : commandTable()) {
        SCOPED_TRACE(info.text);
        QAction* act = s.frame->action(info.id);
        ASSERT_NE(act, nullptr);
        EXPECT_EQ(act->text(), QString::fromLatin1(info.text));
        EXPECT_EQ(act->statusTip(), QString::fromLatin1(info.hint));
        EXPECT_EQ(act->shortcut(), QKeySequence(QString::fromLatin1(info.shortcut)));
        const bool bound = kShellBound.count(info.id) != 0;
        const bool allowed = info.rule != EnableRule::TelescopeSet; // telescope type 'n' at first start
        // "Dont use Display Stretch" is hidden (and so disabled) while the flag is clear.
        const bool shown = info.id != C::DontUseDisplayStretch;
        EXPECT_EQ(act->isEnabled(), bound && allowed && shown && info.rule != EnableRule::PictureShown);
        if (info.menu && info.menu[0] != '\0') {
            // Items sit in their menu in table order.
            const auto& items = menus[QString::fromLatin1(info.menu)];
            const std::size_t at = position[QString::fromLatin1(info.menu)]++;
            ASSERT_LT(at, items.size());
            EXPECT_EQ(items[at], act);
        }
    }
    for (const auto& [title, items] : menus)
        EXPECT_EQ(items.size(), position[title]) << title.toStdString();
}

TEST(MainWindow, AcceleratorTableAndLabelOnlyShortcuts)
{
    Shell s;
    const std::vector<std::pair<const char*, CommandId>> accelerators = {{"Ctrl+Z", C::CameraInterface},
                                                                         {"Alt+X", C::Exit},
                                                                         {"Ctrl+H", C::Histogram},
                                                                         {"Ctrl+Q", C::FileQuickSaveFits},
                                                                         {"Ctrl+K", C::PickGuideStar},
                                                                         {"Ctrl+A", C::FileLoadNextAutosaved},
                                                                         {"Ctrl+G", C::AutoGuiderCamera},
                                                                         {"Ctrl+O", C::FileOpen},
                                                                         {"Ctrl+F", C::FileSaveFits},
                                                                         {"Ctrl+S", C::FileSave},
                                                                         {"Ctrl+N", C::NormalStretch},
                                                                         {"Ctrl+B", C::RemoveBackground},
                                                                         {"Ctrl+L", C::NonLinearStretch},
                                                                         {"Ctrl+U", C::UnsharpMask},
                                                                         {"Ctrl+D", C::SubtractDarkFrame},
                                                                         {"Ctrl+M", C::MergeImages},
                                                                         {"Ctrl+V", C::UndoLastColourFilter},
                                                                         {"Ctrl+W", C::BinHighResDisplay},
                                                                         {"Ctrl+R", C::FileSaveRgbFits}};
    std::map<QString, CommandId> byKey;
    for (const CommandInfo& info : commandTable())
        if (!s.frame->action(info.id)->shortcut().isEmpty())
            byKey[s.frame->action(info.id)->shortcut().toString()] = info.id;
    ASSERT_EQ(byKey.size(), accelerators.size());
    for (const auto& [key, id] : accelerators)
        EXPECT_EQ(byKey[QString::fromLatin1(key)], id) << key;
    // "CTL+C", "CTL+B" and "Shift+Ins" are labels only.
    for (CommandId id : {C::SynthesizeColour, C::SetColourBalance, C::Copy})
        EXPECT_TRUE(s.frame->action(id)->shortcut().isEmpty());
}

TEST(MainWindow, ToolBarOrderAndTwoStateButtons)
{
    Shell s;
    std::vector<QString> order;
    for (QAction* act : s.frame->toolBar()->actions())
        if (!act->isSeparator() && !act->text().isEmpty() && act->isVisible())
            order.push_back(act->text().section('\t', 0, 0).trimmed());
    EXPECT_EQ(order, (std::vector<QString>{"&Save...",
                                           "S&ave as FITS file...",
                                           "&Open...",
                                           "KOR T53K Camera &Interface",
                                           "AutoGuider Camera",
                                           "Bin High Res Display",
                                           "Use Display Stretch",
                                           "Max Palette Stretch",
                                           "Set Program Defa&ults",
                                           "&Photometry of Image",
                                           "Show &Values",
                                           "&Synthesize Colour Image",
                                           "Set Colour &Balance",
                                           "&Apply Anti-Alias Filter",
                                           "&Low Pass Colour Filter",
                                           "&Normal Stretch",
                                           "N&on-Linear Stretch",
                                           "&Power Law Stretch",
                                           "&Remove Background",
                                           "&Unsharp masking HPF",
                                           "&Median Filter - Noise Reduction",
                                           "&Subtract Image (Dark Frame)",
                                           "Apply &Flat Field",
                                           "Merge two Images &together"}));

    QAction* bin = s.frame->action(C::BinHighResDisplay);
    const qint64 offGlyph = bin->icon().cacheKey();
    bin->trigger();
    EXPECT_TRUE(s.t.program.workspace.BinDisplay);
    EXPECT_TRUE(bin->isChecked());
    EXPECT_NE(bin->icon().cacheKey(), offGlyph);
    EXPECT_EQ(s.t.program.workspace.DisplayWidth, 1950);

    QAction* use = s.frame->action(C::UseDisplayStretch);
    QAction* dont = s.frame->action(C::DontUseDisplayStretch);
    EXPECT_TRUE(use->isVisible());
    EXPECT_FALSE(dont->isVisible());
    use->trigger();
    EXPECT_TRUE(s.t.program.workspace.DisplayStretch);
    EXPECT_FALSE(use->isVisible());
    EXPECT_TRUE(dont->isVisible());
    dont->trigger();
    EXPECT_FALSE(s.t.program.workspace.DisplayStretch);
}

TEST(MainWindow, TelescopeItemsFollowTheTelescopeType)
{
    Shell s;
    // Bound as the telescope subsystem will bind them, so only the rule decides.
    for (CommandId id : {C::StartAutoGuiding, C::TrainAutoGuiding, C::TelescopeControl})
        s.frame->commands().bind(id, [] {});
    s.frame->updateCommandStates();
    const auto telescopeButtonVisible = [&] {
        for (QAction* act : s.frame->toolBar()->actions())
            if (act->text() == QStringLiteral("Telescope &Control"))
                return act->isVisible();
        return false;
    };
    EXPECT_FALSE(telescopeButtonVisible());
    for (CommandId id : {C::StartAutoGuiding, C::TrainAutoGuiding, C::TelescopeControl})
        EXPECT_FALSE(s.frame->action(id)->isEnabled());

    s.t.program.settings.telescopeType = 'l';
    s.frame->updateTelescopeButton();
    EXPECT_TRUE(telescopeButtonVisible());
    for (CommandId id : {C::StartAutoGuiding, C::TrainAutoGuiding, C::TelescopeControl})
        EXPECT_TRUE(s.frame->action(id)->isEnabled());
    EXPECT_TRUE(s.frame->action(C::TelescopeControl)->isVisible()); // the menu item stays either way
}

TEST(MainWindow, CopyIsEnabledOnceAPictureIsShownAndCopiesIt)
{
    Shell s;
    QAction* copy = s.frame->action(C::Copy);
    EXPECT_FALSE(copy->isEnabled());
    s.t.program.workspace.BinDisplay = true;
    s.t.program.Redisplay();
    EXPECT_TRUE(copy->isEnabled());
    copy->trigger();
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), QSize(1950, 1308));
    EXPECT_EQ(QColor(image.pixel(3, 1000)).red(), 2000 * 25 / 256);
    EXPECT_TRUE(std::filesystem::exists(s.t.program.paths.displayBitmap()));
}

TEST(ProgramDefaults, ControlsWriteAtOnceAndBadDirectoryIsRefused)
{
    test::TestProgram t;
    t.program.startUp();
    TProgramDefaultsDialog dialog(t.program);
    const auto radio = [&](const char* text) {
        for (auto* b : dialog.findChildren<QRadioButton*>())
            if (b->text() == QString::fromLatin1(text))
                return b;
        return static_cast<QRadioButton*>(nullptr);
    };
    radio("Red")->click();
    EXPECT_EQ(t.program.settings.windowBackground, 'r');
    radio("Meade LX200 (Tm)")->click();
    EXPECT_EQ(t.program.settings.telescopeType, 'l');
    radio("0.5 pixel")->click();
    EXPECT_EQ(t.program.settings.driftThresholdMilliPixels, 500);
    for (auto* box : dialog.findChildren<QCheckBox*>()) {
        if (box->text() == QStringLiteral("Swap e/w direction"))
            box->click();
        if (box->text() == QStringLiteral("AO Unit Available"))
            box->click();
        if (box->text() == QStringLiteral("Unsigned Int FITs Format")) {
            EXPECT_FALSE(box->isEnabled());
        }
    }
    EXPECT_EQ(t.program.settings.driveDirections, (std::array<char, 4>{'n', 's', 'w', 'e'}));
    EXPECT_EQ(t.program.settings.aoUnitAvailable, 'y');
    EXPECT_EQ(t.program.settings.guideDrive, 'A');

    // A directory below a plain file can never be created: message 52, and the dialog stays open.
    const auto file = t.dir.path() / "plain";
    std::ofstream(file) << "x";
    dialog.autosaveDirEdit()->setText(QString::fromStdString((file / "sub").string()));
    dialog.show();
    dialog.saveChanges();
    EXPECT_EQ(t.messages.codes(), std::vector<int>{kMsgInvalidDirectory});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(t.program.settings.AutosaveDir, "");

    const auto good = t.dir.path() / "images";
    dialog.autosaveDirEdit()->setText(QString::fromStdString(good.string()));
    dialog.saveChanges();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(t.program.settings.AutosaveDir, good.string());
    EXPECT_TRUE(std::filesystem::is_directory(good));
}

TEST(StretchDisplay, PagingJumpsToTheEndsAndEveryChangeRedisplays)
{
    auto ws = std::make_unique<Workspace>();
    DisplayStretchSettings stretch;
    int toggles = 0, applies = 0;
    TStretchDisplayDialog dialog(
        stretch, *ws, [&] { ++toggles; }, [&] { ++applies; });
    dialog.powerBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(stretch.power, 50);
    dialog.powerBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(stretch.power, 2);
    dialog.powerBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(stretch.power, 3);
    dialog.blackBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(stretch.black, 1);
    dialog.activate()->click();
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(applies, 5);
}

} // namespace
} // namespace kor
