#include "processing/AutoProcessing.h"

#include "display/BackgroundLevel.h"
#include "processing/Filters.h"
#include "processing/Stretches.h"
#include "program/Program.h"

namespace kor {

namespace {
constexpr int kWeakPower = 2;
constexpr int kStrongPower = 18;
} // namespace

AutoStretchMode autoStretchMode(const AutoProcessingChoices& choices)
{
    if (isSet(choices.weakStretch))
        return AutoStretchMode::Weak;
    if (isSet(choices.strongStretch))
        return AutoStretchMode::Strong;
    if (isSet(choices.userStretch))
        return AutoStretchMode::User;
    return AutoStretchMode::None;
}

void setAutoStretchMode(AutoProcessingChoices& choices, AutoStretchMode mode)
{
    choices.weakStretch = mode == AutoStretchMode::Weak ? 'y' : 'n';
    choices.strongStretch = mode == AutoStretchMode::Strong ? 'y' : 'n';
    choices.userStretch = mode == AutoStretchMode::User ? 'y' : 'n';
}

int autoStretchPower(const AutoProcessingChoices& choices)
{
    switch (autoStretchMode(choices)) {
    case AutoStretchMode::Weak: return kWeakPower;
    case AutoStretchMode::Strong: return kStrongPower;
    case AutoStretchMode::User: return choices.userStretchPower;
    case AutoStretchMode::None: break;
    }
    return 0;
}

bool validAutoProcessingNumbers(int userPower, int diameter, int power)
{
    return userPower >= kMinUserStretchPower && userPower <= kMaxUserStretchPower && diameter >= kMinUnsharpDiameter &&
           diameter <= kMaxUnsharpDiameter && power >= kMinUnsharpPower && power <= kMaxUnsharpPower;
}

void RunAutoProcessing(Program& program)
{
    Workspace& ws = program.workspace;
    const AutoProcessingChoices& choices = program.settings.autoProcessing;
    const int power = autoStretchPower(choices);
    if (power > 0) {
        const int level = BackgroundLevelByBand(ws);
        if (isSet(choices.removeBackground) && BuildRemoveBackgroundTable(ws, level))
            ApplyStretchTable(program, false);
        BuildNonLinearTable(ws, power);
        ApplyStretchTable(program, false);
    }
    if (isSet(choices.highPassLowPower)) {
        ApplyKernel(program, KernelId::HighPassLowPower, false);
        ws.AppendHistory(kernel(KernelId::HighPassLowPower).history);
    }
    if (isSet(choices.unsharpMask))
        UnsharpMask(program, choices.unsharpDiameter, choices.unsharpPower, false);
    program.Redisplay();
}

} // namespace kor
