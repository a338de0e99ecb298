#pragma once

#include <filesystem>
#include <string>

namespace kor {

// The program's root directory and every fixed file name in it. The root holds
// the settings file, the temporary bitmaps, the default dark and flat frame
// names and is the default auto-save directory. It is $KOR_T53K_HOME when set,
// else ~/autosave. Every fixed name is spelled in exactly one letter case here.
class Paths {
public:
    explicit Paths(std::filesystem::path root) : m_root(std::move(root)) {}

    // The root from the environment: $KOR_T53K_HOME, else $HOME/autosave.
    static Paths fromEnvironment();

    static constexpr const char* kSettingsFileName = "KOR_T53K.ini";
    static constexpr const char* kDisplayBitmapName = "korT53k.bmp";
    static constexpr const char* kSmallFrameBitmapName = "korT53kf.bmp";
    static constexpr const char* kGuiderBitmapName = "korT53kg.bmp";
    static constexpr const char* kPrintBitmapName = "KORT53K9.bmp";
    static constexpr const char* kDefaultDarkName = "dark.def";
    static constexpr const char* kDefaultFlatName = "flat.def";
    static constexpr const char* kHotPixelTestMapName = "testdata.hpm";
    static constexpr const char* kHotPixelTestListName = "testdata.csv";

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path settingsFile() const { return m_root / kSettingsFileName; }
    std::filesystem::path displayBitmap() const { return m_root / kDisplayBitmapName; }
    std::filesystem::path smallFrameBitmap() const { return m_root / kSmallFrameBitmapName; }
    std::filesystem::path guiderBitmap() const { return m_root / kGuiderBitmapName; }
    std::filesystem::path printBitmap() const { return m_root / kPrintBitmapName; }
    std::filesystem::path defaultDarkFrame() const { return m_root / kDefaultDarkName; }
    std::filesystem::path defaultFlatField() const { return m_root / kDefaultFlatName; }
    std::filesystem::path hotPixelTestMap() const { return m_root / kHotPixelTestMapName; }
    std::filesystem::path hotPixelTestList() const { return m_root / kHotPixelTestListName; }

private:
    std::filesystem::path m_root;
};

} // namespace kor
