#pragma once

class QWidget;

namespace kor {

class Program;

// The menu commands of the "Contrast" and "Filters" menus, the "Mirror" and
// "Flip" view commands, "Create Mono Image from Raw" and "Set Auto
// Processing". Each opens its dialog (parented to `parent`) where it has one,
// shows the wait cursor while the image is processed and ends with Redisplay.

// "Contrast" menu.
void normalStretchCommand(Program& program, QWidget* parent);    // "&Normal Stretch"
void powerLawStretchCommand(Program& program, QWidget* parent);  // "&Power Law Stretch"
void sineStretchCommand(Program& program, QWidget* parent);      // "&Sine Law Stretch"
void logStretchCommand(Program& program, QWidget* parent);       // "&Logarithmic Stretch"
void antilogStretchCommand(Program& program, QWidget* parent);   // "&Antilogarithmic Stretch"
void invertImageCommand(Program& program, QWidget* parent);      // "&Invert image to Negative"
void removeBackgroundCommand(Program& program, QWidget* parent); // "&Remove Background"
void nonLinearStretchCommand(Program& program, QWidget* parent); // "N&on-Linear Stretch"

// "Filters" menu.
void unsharpMaskCommand(Program& program, QWidget* parent);       // unsharp mask
void medianFilterCommand(Program& program, QWidget* parent);      // median filter
void lowPassCommand(Program& program, QWidget* parent);           // "Low Pass &Weighted Mean &Smoother"
void gaussianCommand(Program& program, QWidget* parent);          // "&Gaussian Smoother Filter"
void highPassLowPowerCommand(Program& program, QWidget* parent);  // "&High Pass, Low Power"
void highPassHighPowerCommand(Program& program, QWidget* parent); // "High Pass, High &Power"
void smootherSharperCommand(Program& program, QWidget* parent);   // "&Smoother/Sharper Filter"
void basReliefCommand(Program& program, QWidget* parent);         // "&Bas Relief Generator"
void gradientFilterCommand(Program& program, QWidget* parent);    // gradient filter

// View commands.
void mirrorImageCommand(Program& program, QWidget* parent); // "&Mirror Image"
void flipImageCommand(Program& program, QWidget* parent);   // "Flip Image"

void monoFromRawCommand(Program& program, QWidget* parent);           // "Create Mono Image from Raw"
void autoProcessingChoicesCommand(Program& program, QWidget* parent); // "Set Auto &Processing"

} // namespace kor
