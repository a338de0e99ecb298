#pragma once

namespace kor {

class Program;
class Workspace;

// Contrast stretches. Each fills StretchTable (entry k is the output for the
// input values 2k and 2k + 1, halved: 0 to 32767) and maps CurrentImage
// through it. A labelled image keeps its first 10 rows.

// Maps every pixel v to 2 x StretchTable[v / 2] after an undo snapshot, under
// the progress caption "CONTRAST STRETCH"; redisplays when asked.
void ApplyStretchTable(Program& program, bool redisplay);

// The rational curve used for nebulae: entry k = trunc(P 32768 x / (x (P - 1) + 1))
// with x = k / 32768. Appends "Non-Linear Stretch : power P".
void BuildNonLinearTable(Workspace& ws, int power);

// Fills StretchTable with the background-removal curve for the level L (high
// byte, 3 to 255) and appends its history line. False (and nothing changes)
// when L < 3.
bool BuildRemoveBackgroundTable(Workspace& ws, int level);

// The menu commands. Each one that changes the image ends with Redisplay; the
// ones that may do nothing return whether they changed it.
bool normalStretch(Program& program, int black, int white); // black 0-255, white 1-300
bool powerStretch(Program& program, double power);          // 0.1 to 3.0; 1.0 does nothing
void sineStretch(Program& program);
void logStretch(Program& program);
void antilogStretch(Program& program);
void invertImage(Program& program);
// Works from the background level of the last repaint.
bool removeBackground(Program& program);
void nonLinearStretch(Program& program, int power); // 1 to 50

} // namespace kor
