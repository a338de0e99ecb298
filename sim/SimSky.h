#pragma once

#include <cstdint>
#include <vector>

namespace kor::sim {

// A star of the simulated sky. Positions are in pixels of the full-resolution
// imaging sensor; the guider sensor looks at another part of the same sky.
struct SimStar {
    double x = 0, y = 0;
    double flux = 0;                     // electrons per second over the whole star
    double red = 1, green = 1, blue = 1; // relative brightness through each filter
};

struct SimSkyConfig {
    std::uint32_t seed = 53;
    int fieldStars = 400;
    double seeingFwhmPixels = 3.0;
    // Star images widen by this many pixels (sigma) per focuser step away from best focus.
    double defocusSigmaPerStep = 0.02;
    double bestFocusPosition = 0;
    double skyElectronsPerSecond = 40; // per pixel, at the centre of the field
    double vignetting = 0.25;          // fraction lost at the corners
    double readNoiseElectrons = 8;
    double biasLevel = 100;
    // Dark current doubles for every 6 degrees of sensor temperature.
    double darkElectronsPerSecondAtZeroC = 2.0;
    double rotationDegrees = 0;
    int hotPixelCount = 60;
};

struct SimHotPixel {
    int x = 0, y = 0;
    double electronsPerSecond = 0;
};

// Where the guider sensor's pixel (0, 0) sits in the sky, in imaging-sensor pixels.
inline constexpr double kGuiderSkyX = 4300;
inline constexpr double kGuiderSkyY = 1100;

// The seeded sky: a random field with a close pair and a few bright stars in
// view of both sensors, plus the imaging sensor's fixed hot pixels.
class SimSky {
public:
    explicit SimSky(SimSkyConfig config = {});

    SimSkyConfig config;
    std::vector<SimStar> stars;
    std::vector<SimHotPixel> hotPixels;

    // Focuser position the mount sets; star width follows it.
    double focusPosition = 0;

    // Star-image sigma in full-resolution pixels for the present seeing and focus.
    double starSigma() const;
};

} // namespace kor::sim
