#include "shell/CommandMap.h"

#include <cassert>

namespace kor {

namespace {

using C = CommandId;
constexpr EnableRule kTelescope = EnableRule::TelescopeSet;
constexpr EnableRule kPicture = EnableRule::PictureShown;
constexpr EnableRule kAlways = EnableRule::Always;

constexpr const char* kFile = "&File";
constexpr const char* kEdit = "&Edit";
constexpr const char* kView = "&View";
constexpr const char* kColour = "&Colour";
constexpr const char* kContrast = "Co&ntrast";
constexpr const char* kFilters = "Filte&rs";
constexpr const char* kMerging = "&Merging";
constexpr const char* kHelp = "Hel&p";
constexpr const char* kTop = "";

const std::vector<CommandInfo> kCommands = {
    {C::FileOpen, kFile, "&Open...     \tCtl+O", "Get an image from Disk", "Ctrl+O"},
    {C::FileSave, kFile, "&Save...   \tCTL+S", "Save Image in Raw data format", "Ctrl+S"},
    {C::FileSaveTiff, kFile, "Save as &Tiff file...", "", ""},
    {C::FileSaveFits, kFile, "S&ave as FITS file...   \tCtl+F", "Save Image as a FITs file", "Ctrl+F"},
    {C::FileSaveRgbFits, kFile, "Save as &RGB Fits file  \tCtl+R",
     "Export image as RGB FITs file - for reading into other programs", "Ctrl+R"},
    {C::FileQuickSaveFits, kFile, "&Quick Save as FITS...\tCtl+Q ", "", "Ctrl+Q"},
    {C::FileLoadNextAutosaved, kFile, "Load next &Autosaved File  \tCtl+A ", "", "Ctrl+A"},
    {C::FileSaveFlat, kFile, "Save Fl&at File", "", ""},
    {C::FileDelete, kFile, "&Delete File...", "", ""},
    {C::FileEditAutosaveFitsText, kFile, "&Load/Edit AutoSave FITS text", "", ""},
    {C::FileSelectDarkFrame, kFile, "Select Dark &Frame...",
     "Select a file to be used as a dark frame for automatic processing", ""},
    {C::FileSelectFlatField, kFile, "Select Flatfield File...",
     "Select a Flatfield frame to be used for automatic processing", ""},
    {C::SetProgramDefaults, kFile, "Set Program Defa&ults", "View and change most program variables", ""},
    {C::CameraInterface, kFile, "KOR T53K Camera &Interface\tCTL+Z", "Main Camera Control", "Ctrl+Z"},
    {C::AutoGuiderCamera, kFile, "AutoGuider Camera \tCTL+G", "Load the AutoGuider Camera Control Dialog", "Ctrl+G"},
    {C::SubFrameSelection, kFile, "Sub-Frame Selection", "", ""},
    {C::PickSubFrame, kFile, "Pick Sub-Frame", "", ""},
    {C::DefaultSubFrameCentre, kFile, "Default Sub-Frame Centre", "", ""},
    {C::PickGuideStar, kFile, "Pic&k Guide Star\tCTL+K", "", "Ctrl+K"},
    {C::FocusFrameCentre, kFile, "Focus Frame Centre", "", ""},
    {C::DefaultFocusFrameCentre, kFile, "Default Focus Frame Centre", "", ""},
    {C::ShowImageCentre, kFile, "Show Image Centre", "", "", kAlways, true},
    {C::StartAutoGuiding, kFile, "Start Auto-Guiding", "", "", kTelescope},
    {C::TrainAutoGuiding, kFile, "Train Auto-Guiding", "", "", kTelescope},
    {C::TelescopeControl, kFile, "Telescope &Control", "Control a LX200 telescope or Autoguider port", "", kTelescope},
    {C::PrintSetup, kFile, "P&rint setup...", "", ""},
    {C::Print, kFile, "&Print...", "", "", kPicture},
    {C::Exit, kFile, "E&xit", "", "Alt+X"},

    {C::UndoLastFilter, kEdit, "&Undo Last Filter", "", ""},
    {C::UndoLastColourFilter, kEdit, "Undo &Last Colour Filter\tCTL+V", "", "Ctrl+V"},
    {C::Copy, kEdit, "&Copy\tShift+Ins", "", "", kPicture},
    {C::SetAutoProcessing, kEdit, "Set Auto &Processing", "", ""},
    {C::CreateHotPixelMap, kEdit, "Create Hot Pixel Map", "Creates a Hot Pixel Map from loaded Darkframe", ""},
    {C::LoadHotPixelMap, kEdit, "Load Hot Pixel Map File", "Select  a hot Pixel Map to be used with Image Processing",
     ""},

    {C::FitToWindow, kView, "&Fit to window", "", "", kAlways, true},
    {C::BinHighResDisplay, kView, "Bin High Res Display\tCTL+W",
     "Toggle between showing High Res Images in binned mode", "Ctrl+W", kAlways, true},
    {C::FalseColourPalette, kView, "False Colour P&alette", "", "", kAlways, true},
    {C::AutoContrast, kView, "&Auto contrast stretch image", "", "", kAlways, true},
    {C::MaxPaletteStretch, kView, "Max Palette Stretch", "Control Display Stretch", ""},
    {C::MirrorImage, kView, "&Mirror Image", "", ""},
    {C::FlipImage, kView, "Flip Image", "", ""},
    {C::Photometry, kView, "&Photometry of Image", "Photometry of image - caution, use with unstretched images ", ""},
    {C::IntensityPlot3D, kView, "3-D &Intensity Plot", "", ""},
    {C::RowIntensityPlot, kView, "Intensity Plot of Current R&ow", "", ""},
    {C::ProcessingHistory, kView, "Processing &History", "", ""},
    {C::ShowFitsDetails, kView, "&Show/Edit Current Image FITS details", "", ""},
    {C::ShowValues, kView, "Show &Values", "Show Values of each Pixel, and display colour planes", ""},

    {C::SynthesizeColour, kColour, "&Synthesize Colour Image\tCTL+C", "Convert to Colour Image from RGB values", ""},
    {C::MonoFromRaw, kColour, "Create Mono Image from Raw", "", ""},
    {C::SetColourBalance, kColour, "Set Colour &Balance\tCTL+B",
     "Set colours relative to each other by setting Colour Balance", ""},
    {C::AntiAliasFilter, kColour, "&Apply Anti-Alias Filter", "Remove colour fringes by applying Anti Alias Filter",
     ""},
    {C::AdjustChromatism, kColour, "Adjust Chroma&tism", "Adjust colour planes relative to each other", ""},
    {C::ColourOverloadSmoothing, kColour, "Colour &Overload Smoothing", "", ""},
    {C::LowPassColourFilter, kColour, "&Low Pass Colour Filter ", "Smooth colour irregularities with a low pass filter",
     ""},
    {C::BalanceColourHistogram, kColour, "Balance Colour &Histogram", "", ""},

    {C::Label, kTop, "&Label    ", "", ""},

    {C::NormalStretch, kContrast, "&Normal Stretch   \tCtl+N",
     "Adjust the Contrast manually. setting max and min values", "Ctrl+N"},
    {C::PowerLawStretch, kContrast, "&Power Law Stretch", "Power Law contrast stretch", ""},
    {C::SineLawStretch, kContrast, "&Sine Law Stretch", "", ""},
    {C::LogarithmicStretch, kContrast, "&Logarithmic Stretch", "", ""},
    {C::AntilogarithmicStretch, kContrast, "&Antilogarithmic Stretch", "", ""},
    {C::InvertImage, kContrast, "&Invert image to Negative", "", ""},
    {C::RemoveBackground, kContrast, "&Remove Background    \tCtl+B", "Automatically make background black", "Ctrl+B"},
    {C::NonLinearStretch, kContrast, "N&on-Linear Stretch   \tCtl+L", "Apply a non-linear stretch - good for nebulae",
     "Ctrl+L"},

    {C::UnsharpMask, kFilters, "&Unsharp masking HPF   \tCtl+U",
     "Apply an unsharp mask - good for enhancing planetary detail", "Ctrl+U"},
    {C::HighPassLowPower, kFilters, "&High Pass, Low Power", "", ""},
    {C::HighPassHighPower, kFilters, "High Pass, High &Power", "", ""},
    {C::SmootherSharperFilter, kFilters, "&Smoother/Sharper Filter", "", ""},
    {C::GaussianSmoother, kFilters, "&Gaussian Smoother Filter", "", ""},
    {C::WeightedMeanSmoother, kFilters, "Low Pass &Weighted Mean &Smoother", "", ""},
    {C::BasRelief, kFilters, "&Bas Relief Generator", "", ""},
    {C::GradientFilter, kFilters, "Gradient &Filter", "", ""},
    {C::MedianFilter, kFilters, "&Median Filter - Noise Reduction",
     "Median Filter - use to reduce electronic noise in image", ""},
    {C::ApplyHotPixelMap, kFilters, "Apply Hot Pixel Map", "Apply a pre-loaded hot pixel map", ""},

    {C::SubtractDarkFrame, kMerging, "&Subtract Image (Dark Frame)  \tCtl+D",
     "Subtract a dark frame from currently displayed image", "Ctrl+D"},
    {C::ApplyFlatField, kMerging, "Apply &Flat Field", "Apply a flatfield to the currently displayed image", ""},
    {C::MergeImages, kMerging, "Merge two Images &together   \tCtl+M", "Merge current image with one already saved",
     "Ctrl+M"},

    {C::Histogram, kTop, "&Histogram", "", "Ctrl+H"},

    {C::Help, kHelp, "Help in using KOR_T53K_USB", "", ""},
    {C::About, kHelp, "About KOR_T53K_USB", "", ""},

    {C::UseDisplayStretch, nullptr, "Use Display Stretch", "Use Display Stretch", ""},
    {C::DontUseDisplayStretch, nullptr, "Dont use Display Stretch", "Dont use Display Stretch", ""},
    {C::MaxStretchToggle, nullptr, "Max Stretch Toggle", "", ""},
    {C::MaxStretchDo, nullptr, "Max Stretch Do", "", ""},
    {C::StartAutoGuidingPosted, nullptr, "Start AutoGuiding", "", ""},
    {C::RedisplayRequest, nullptr, "Redisplay", "", ""},
};

const std::vector<MenuBarEntry> kMenuBar = {
    {kFile, false, C::FileOpen},    {kEdit, false, C::FileOpen},    {kView, false, C::FileOpen},
    {kColour, false, C::FileOpen},  {"&Label    ", true, C::Label}, {kContrast, false, C::FileOpen},
    {kFilters, false, C::FileOpen}, {kMerging, false, C::FileOpen}, {"&Histogram", true, C::Histogram},
    {kHelp, false, C::FileOpen},
};

using K = ToolBarEntry::Kind;
const std::vector<ToolBarEntry> kToolBar = {
    {K::Button, C::FileSave, "Sv"},
    {K::Button, C::FileSaveFits, "Ft"},
    {K::Button, C::FileOpen, "Op"},
    {K::Separator, C::FileOpen, nullptr},
    {K::Button, C::CameraInterface, "Cam"},
    {K::Button, C::AutoGuiderCamera, "AG"},
    {K::Separator, C::FileOpen, nullptr},
    {K::Button, C::BinHighResDisplay, "Bin"},
    {K::Button, C::UseDisplayStretch, "DS"},
    {K::Button, C::MaxPaletteStretch, "Max"},
    {K::WideSeparator, C::FileOpen, nullptr},
    {K::Button, C::SetProgramDefaults, "Def"},
    {K::Separator, C::FileOpen, nullptr},
    {K::Button, C::Photometry, "Ph"},
    {K::Separator, C::FileOpen, nullptr},
    {K::Button, C::ShowValues, "Val"},
    {K::Button, C::SynthesizeColour, "RGB"},
    {K::Button, C::SetColourBalance, "Bal"},
    {K::Button, C::AntiAliasFilter, "AA"},
    {K::Button, C::LowPassColourFilter, "LP"},
    {K::NarrowSeparator, C::FileOpen, nullptr},
    {K::Button, C::NormalStretch, "NS"},
    {K::Button, C::NonLinearStretch, "NL"},
    {K::Button, C::PowerLawStretch, "PL"},
    {K::Button, C::RemoveBackground, "RB"},
    {K::Button, C::UnsharpMask, "UM"},
    {K::Button, C::MedianFilter, "Md"},
    {K::Separator, C::FileOpen, nullptr},
    {K::Button, C::SubtractDarkFrame, "Dk"},
    {K::Button, C::ApplyFlatField, "Fl"},
    {K::Button, C::MergeImages, "Mg"},
    {K::Button, C::TelescopeControl, "Tel"},
};

} // namespace

const std::vector<CommandInfo>& commandTable()
{
    return kCommands;
}

const CommandInfo& commandInfo(CommandId id)
{
    for (const auto& c : kCommands)
        if (c.id == id)
            return c;
    assert(false && "command missing from the table");
    return kCommands.front();
}

const std::vector<MenuBarEntry>& menuBarLayout()
{
    return kMenuBar;
}

const std::vector<ToolBarEntry>& toolBarLayout()
{
    return kToolBar;
}

void CommandRegistry::bind(CommandId id, Handler handler, Checked checked)
{
    m_handlers[id] = std::move(handler);
    if (checked)
        m_checked[id] = std::move(checked);
}

bool CommandRegistry::isChecked(CommandId id) const
{
    const auto it = m_checked.find(id);
    return it != m_checked.end() && it->second();
}

bool CommandRegistry::run(CommandId id) const
{
    const auto it = m_handlers.find(id);
    if (it == m_handlers.end())
        return false;
    it->second();
    return true;
}

} // namespace kor
