#pragma once

#include <ctime>
#include <string>

namespace kor {

// The FITS header values that are not kept in the settings file. The texts that
// are (object, observer, origin, telescope, instrument, comment and history
// text, filter, focal length, aperture, UT offset, unsigned flag) are the
// settings' own fields, so the settings file always holds what a save writes.
struct FitsObservation {
    std::string date; // DATE-OBS, at most 11 characters
    std::string time; // TIME-OBS, at most 9 characters
    double exposureSeconds = 0.0;
    double pixelWidth = 0.0;
    double pixelHeight = 0.0;
    // "8 bit integer (16 bit default)": the next FITS save writes the 8-bit form.
    bool eightBit = false;
};

inline constexpr int kHotPixelThresholdMin = 5000;
inline constexpr int kHotPixelThresholdMax = 65535;
inline constexpr const char* kDefaultHotPixelMapName = "T53K_HPM";

struct HotPixelMapState {
    int count = 0;                              // valid entries of Workspace::HotPixelList
    int threshold = kHotPixelThresholdMax;      // a pixel at least this value is hot
    bool loaded = false;                        // a map was computed or loaded
    std::string name = kDefaultHotPixelMapName; // the file is <AutosaveDir>/<name>.HPM
};

// What the file commands remember for the run.
struct FileState {
    // Frames for the automatic calibration of new exposures.
    std::string DarkFramePath;
    std::string FlatFieldPath;
    // Number of the last auto-saved file loaded; 0 = none.
    int ReplayCounter = 0;
    // The file last opened or saved; empty while untitled.
    std::string currentFileName;
    // The filter the next open or save dialog starts with (1 own files, 2 FITS, 3 all),
    // and the directory it starts in.
    int filterIndex = 1;
    std::string lastDirectory;
    // Binning digit ('2', '3' or '4') of the last sub-frame readout; the exposure
    // engine sets it, the binned colour raw file records it.
    char SubFrameBaseDigit = '2';
    FitsObservation fits;
    // Start and end of the last exposure, recorded by the exposure engine for the
    // mid-exposure time of quick save; 0 when no exposure was taken this run.
    std::time_t exposureStart = 0;
    std::time_t exposureEnd = 0;
    HotPixelMapState hotPixels;
};

} // namespace kor
