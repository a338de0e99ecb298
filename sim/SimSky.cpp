#include "sim/SimSky.h"

#include "sim/SimRandom.h"

#include <cmath>

namespace kor::sim {

SimSky::SimSky(SimSkyConfig c) : config(c)
{
    SimRandom random(config.seed);
    auto colour = [&](SimStar& s) {
        // From red to blue-white stars.
        const double t = random.uniform();
        s.red = 0.7 + 0.5 * (1 - t);
        s.green = 1.0;
        s.blue = 0.6 + 0.6 * t;
    };
    // The field covers the imaging sensor with a margin for pointing offsets,
    // and the guider's part of the sky.
    for (int i = 0; i < config.fieldStars; ++i) {
        SimStar s;
        if (i % 5 == 4) {
            s.x = kGuiderSkyX - 50 + random.uniform() * 600;
            s.y = kGuiderSkyY - 50 + random.uniform() * 390;
        } else {
            s.x = -100 + random.uniform() * 4100;
            s.y = -100 + random.uniform() * 2816;
        }
        // Many faint stars, few bright ones.
        s.flux = 2000 * std::pow(50.0, random.uniform() * random.uniform() * 3);
        colour(s);
        stars.push_back(s);
    }
    // A close pair, and bright stars for focusing and guiding.
    stars.push_back({1500.0, 1000.0, 400000, 1, 1, 1});
    stars.push_back({1507.5, 1003.25, 250000, 1.1, 1, 0.8});
    stars.push_back({2600.25, 1800.5, 3000000, 1, 1, 1});
    stars.push_back({800.5, 2100.75, 1500000, 0.8, 1, 1.2});
    stars.push_back({kGuiderSkyX + 250.3, kGuiderSkyY + 145.6, 3000000, 1, 1, 1});
    stars.push_back({kGuiderSkyX + 120.0, kGuiderSkyY + 60.0, 500000, 1, 1, 1});
    stars.push_back({kGuiderSkyX + 125.0, kGuiderSkyY + 63.0, 300000, 1, 1, 1});

    for (int i = 0; i < config.hotPixelCount; ++i)
        hotPixels.push_back(
            {int(random.uniform() * 3900), int(random.uniform() * 2616), 200 + 2000 * random.uniform()});
}

double SimSky::starSigma() const
{
    const double seeing = config.seeingFwhmPixels / 2.3548;
    const double defocus = config.defocusSigmaPerStep * (focusPosition - config.bestFocusPosition);
    return std::sqrt(seeing * seeing + defocus * defocus);
}

} // namespace kor::sim
