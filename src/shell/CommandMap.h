#pragma once

// The command map of the main window.
//
// Every menu item, tool-bar button and shortcut is one command, named by a
// stable CommandId. The menu table below (commandTable()) fixes each item's
// menu, text, access key, shortcut label, status-bar hint and enabling rule; it
// is never edited to switch a command on. A subsystem makes its commands work by
// binding handlers in its own registration function, called from
// registerCommands() (CommandRegistration.cpp), one line per subsystem:
//
//     void bindFileCommands(CommandRegistry& commands, CommandContext& context)
//     {
//         commands.bind(CommandId::FileOpen, [&] { openImage(context); });
//     }
//
// A command without a handler is shown greyed, never silently inert; a bound
// command is enabled unless its rule (telescope type set, picture shown) says
// otherwise. A toggle can give a `checked` function for its check mark.

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kor {

enum class CommandId {
    // File
    FileOpen,
    FileSave,
    FileSaveTiff,
    FileSaveFits,
    FileSaveRgbFits,
    FileQuickSaveFits,
    FileLoadNextAutosaved,
    FileSaveFlat,
    FileDelete,
    FileEditAutosaveFitsText,
    FileSelectDarkFrame,
    FileSelectFlatField,
    SetProgramDefaults,
    CameraInterface,
    AutoGuiderCamera,
    SubFrameSelection,
    PickSubFrame,
    DefaultSubFrameCentre,
    PickGuideStar,
    FocusFrameCentre,
    DefaultFocusFrameCentre,
    ShowImageCentre,
    StartAutoGuiding,
    TrainAutoGuiding,
    TelescopeControl,
    PrintSetup,
    Print,
    Exit,
    // Edit
    UndoLastFilter,
    UndoLastColourFilter,
    Copy,
    SetAutoProcessing,
    CreateHotPixelMap,
    LoadHotPixelMap,
    // View
    FitToWindow,
    BinHighResDisplay,
    FalseColourPalette,
    AutoContrast,
    MaxPaletteStretch,
    MirrorImage,
    FlipImage,
    Photometry,
    IntensityPlot3D,
    RowIntensityPlot,
    ProcessingHistory,
    ShowFitsDetails,
    ShowValues,
    // Colour
    SynthesizeColour,
    MonoFromRaw,
    SetColourBalance,
    AntiAliasFilter,
    AdjustChromatism,
    ColourOverloadSmoothing,
    LowPassColourFilter,
    BalanceColourHistogram,
    // Top level
    Label,
    // Contrast
    NormalStretch,
    PowerLawStretch,
    SineLawStretch,
    LogarithmicStretch,
    AntilogarithmicStretch,
    InvertImage,
    RemoveBackground,
    NonLinearStretch,
    // Filters
    UnsharpMask,
    HighPassLowPower,
    HighPassHighPower,
    SmootherSharperFilter,
    GaussianSmoother,
    WeightedMeanSmoother,
    BasRelief,
    GradientFilter,
    MedianFilter,
    ApplyHotPixelMap,
    // Merging
    SubtractDarkFrame,
    ApplyFlatField,
    MergeImages,
    // Top level
    Histogram,
    // Help
    Help,
    About,
    // Commands without a menu item.
    UseDisplayStretch,
    DontUseDisplayStretch,
    MaxStretchToggle,
    MaxStretchDo,
    StartAutoGuidingPosted,
    RedisplayRequest,
};

// When a bound command may run.
enum class EnableRule {
    Always,
    TelescopeSet, // only while a telescope type is set
    PictureShown, // only while a display bitmap exists
};

struct CommandInfo {
    CommandId id;
    // The menu the item sits in; empty for a top-level item of the menu bar,
    // null for a command without a menu item.
    const char* menu;
    // Exact text: '&' marks the access key, the text after a tab is the shortcut label.
    const char* text;
    const char* hint;
    // The real accelerator ("Ctrl+O"), or empty where the label is only a label.
    const char* shortcut;
    EnableRule rule = EnableRule::Always;
    bool checkable = false;
};

// Every command in menu order (menus in menu-bar order), then the commands
// without a menu item.
const std::vector<CommandInfo>& commandTable();
const CommandInfo& commandInfo(CommandId id);

// The menus of the menu bar in order; a null name is a top-level item.
struct MenuBarEntry {
    const char* title; // menu title, or the top-level item's text
    bool topLevelItem;
    CommandId item; // for a top-level item
};
const std::vector<MenuBarEntry>& menuBarLayout();

// The tool bar, left to right.
struct ToolBarEntry {
    enum class Kind { Button, Separator, WideSeparator, NarrowSeparator };
    Kind kind;
    CommandId command;
    const char* glyph; // short text drawn on the button
};
const std::vector<ToolBarEntry>& toolBarLayout();

// The handlers bound to commands.
class CommandRegistry {
public:
    using Handler = std::function<void()>;
    using Checked = std::function<bool()>;

    void bind(CommandId id, Handler handler, Checked checked = {});
    bool isBound(CommandId id) const { return m_handlers.count(id) != 0; }
    // Whether the command shows a check mark now (false without a `checked` function).
    bool isChecked(CommandId id) const;
    // Runs the handler; false when none is bound.
    bool run(CommandId id) const;

private:
    std::map<CommandId, Handler> m_handlers;
    std::map<CommandId, Checked> m_checked;
};

} // namespace kor
