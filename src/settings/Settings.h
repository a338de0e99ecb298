#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kor {

// The stretch and filter chain run on every new image (fields 19-27 of the
// settings file, stored twice).
struct AutoProcessingChoices {
    char weakStretch = 'n';
    char strongStretch = 'n';
    char userStretch = 'n';
    std::int16_t userStretchPower = 4;
    char highPassLowPower = 'n';
    char unsharpMask = 'n';
    std::int16_t unsharpDiameter = 3;
    std::int16_t unsharpPower = 1;
    char removeBackground = 'n';

    bool operator==(const AutoProcessingChoices&) const = default;
};

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb&) const = default;
};

inline constexpr int kMaxFilters = 8;

// Every persistent setting of the program, one member per settings-file field,
// with the program's defaults. Flags hold their file letters ('y'/'n' or
// '1'/'0'), so what is loaded is what is written back.
struct Settings {
    std::int16_t AutosaveCounter = 0;           // 1: number of the last auto-saved file
    std::int16_t utOffsetHours = 0;             // 2: universal time = local time + this
    char telescopeComPort = '1';                // 3: '1' COM1, '2' COM2
    std::int16_t unused4 = 0;                   // 4
    std::int16_t guideStarMaskRadius = 8;       // 5: pixels: 7, 8, 9, 11, 13 or 15
    std::int16_t unused6 = 1;                   // 6
    char windowBackground = 'l';                // 7: 'l' light grey, 'r' red, 'g' grey
    char focusDelayOneSecond = '0';             // 8: '1'/'0'
    std::int16_t raPixelsPerSecond = 2;         // 9
    std::int16_t decPixelsPerSecond = 2;        // 10
    std::int16_t raBacklash = 0;                // 11: 0-30
    std::int16_t decBacklash = 0;               // 12: 0-30
    char ignoreDriftBelowThreshold = '1';       // 13: '1'/'0'
    char telescopeType = 'n';                   // 14: 'n' none, 'l' LX200, 'b' autoguider socket
    char disableInterruptsDuringDownload = '1'; // 15: '1'/'0'
    std::int16_t raHysteresis = 0;              // 16: at most 20
    std::int16_t decHysteresis = 0;             // 17: at most 20
    // 18: [0],[1] the north/south letters in order, [2],[3] the east/west letters.
    std::array<char, 4> driveDirections{'n', 's', 'e', 'w'};
    AutoProcessingChoices autoProcessing;       // 19-27, again as 63-64 and 67-73
    char unused28 = 'n';                        // 28
    std::string fitsObject;                     // 29
    std::string fitsTelescope;                  // 30
    std::string fitsInstrument = "Kestrova CCD"; // 31
    std::string fitsObserver;                   // 32
    std::string fitsOrigin;                     // 33
    std::string fitsHistory;                    // 34-37: at most 255 characters
    std::string fitsComment;                    // 38-41: at most 255 characters
    std::string fitsFilter = "None";            // 42
    double fitsFocalLengthInches = 0.0;         // 43
    double fitsApertureSquareInches = 0.0;      // 44
    char unsignedIntFits = 'y';                 // 45: cleared on every load
    char showInterfaceDetails = 'y';            // 46
    std::string AutosaveDir;                    // 47: empty means the root directory
    std::int16_t guiderRaPixelsPerSecond = 6;   // 48
    std::int16_t guiderDecPixelsPerSecond = 6;  // 49
    std::int16_t guiderRaBacklash = 0;          // 50: 0-30
    std::int16_t guiderDecBacklash = 0;         // 51: 0-30
    std::int16_t guiderRaHysteresis = 0;        // 52: at most 20
    std::int16_t guiderDecHysteresis = 0;       // 53: at most 20
    char ignoreBacklash = 'y';                  // 54
    char serialFilterWheel = 'n';               // 55
    double guiderDefaultAngle = 0.0;            // 56: degrees; stored truncated to an integer
    char ignoreRaAngle = 'y';                   // 57
    std::int16_t filterCount = 7;               // 58: 1-8
    std::array<std::string, kMaxFilters> filterNames{"Blank",    "Filter 2", "Filter 3", "Filter 4",
                                                     "Filter 5", "Filter 6", "Filter 7", "Filter 8"}; // 59
    char colourLineOffset = 'y';                // 60
    char colourPixelOffset = 'n';               // 61
    char applyAntiAlias = 'y';                  // 62
    char irFilterUsed = 'n';                    // 65
    std::int16_t colourSetting = 3;             // 66: 1-9
    char colourSmoothingFilter = 'y';           // 74
    char ignoreCameraVidPid = 'n';              // 75
    std::int16_t aoRaScale = 6;                 // 76
    std::int16_t aoDecScale = 6;                // 77
    std::int16_t aoTrainedRaScale = 6;          // 78
    std::int16_t aoTrainedDecScale = 6;         // 79
    char aoParallelMode = 'n';                  // 80: 'y' parallel, 'n' serial
    std::int16_t aoPortSelect = 0;              // 81: 1 "Ser 1", 0 "Ser 2", 3 PC port
    char guideDrive = 'T';                      // 82: 'T' telescope drives, 'A' AO unit
    std::array<char, 4> guiderDirections{'n', 's', 'e', 'w'}; // 83-86
    char aoUnitAvailable = 'n';                 // 87
    char aoHalfRate = 'y';                      // 88
    std::int16_t aoPcComPort = 0;               // 89
    std::array<char, 4> directionLetters{'N', 'S', 'T', 'W'}; // 90-93
    char guiderBin2x2 = 'n';                    // 94
    char guiderClearCamera = 'n';               // 95
    char noNorthCorrections = 'n';              // 96
    char noSouthCorrections = 'n';              // 97
    std::int16_t driftThresholdMilliPixels = 1000; // 98: 1000, 800, 500 or 200
    char tiff16Bit = 'n';                       // 99
    char useUsbFilterWheel = 'n';               // 100
    char forceMaximumCooling = 'n';             // 101

    bool operator==(const Settings&) const = default;
};

inline bool isSet(char flag)
{
    return flag == 'y' || flag == '1';
}

// The window background colour that field 7 selects.
Rgb backgroundColour(const Settings& settings);

} // namespace kor
