#pragma once

namespace kor {

class Program;
struct AutoProcessingChoices;

// The non-linear power of each stretch mode; 0 when no stretch is chosen.
int autoStretchPower(const AutoProcessingChoices& choices);

// Runs the chosen chain on CurrentImage: background removal (from the band
// level) and non-linear stretch, the high-pass kernel, the unsharp mask; each
// applied step with its own undo snapshot and history line. Ends with Redisplay.
void RunAutoProcessing(Program& program);

// The stretch modes the dialog's radio buttons choose between.
enum class AutoStretchMode { None, Weak, Strong, User };
AutoStretchMode autoStretchMode(const AutoProcessingChoices& choices);
void setAutoStretchMode(AutoProcessingChoices& choices, AutoStretchMode mode);

// The ranges the dialog accepts.
inline constexpr int kMinUserStretchPower = 2, kMaxUserStretchPower = 29;
inline constexpr int kMinUnsharpDiameter = 2, kMaxUnsharpDiameter = 6;
inline constexpr int kMinUnsharpPower = 1, kMaxUnsharpPower = 6;
bool validAutoProcessingNumbers(int userPower, int diameter, int power);

} // namespace kor
