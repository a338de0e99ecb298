#include "processing/ProcessingCommandsWindow.h"
#include "shell/CommandRegistration.h"
#include "shell/MainWindow.h"

namespace kor {

void bindProcessingCommands(CommandRegistry& commands, CommandContext& context)
{
    using Command = void (*)(Program&, QWidget*);
    const std::pair<CommandId, Command> table[] = {
        {CommandId::NormalStretch, normalStretchCommand},
        {CommandId::PowerLawStretch, powerLawStretchCommand},
        {CommandId::SineLawStretch, sineStretchCommand},
        {CommandId::LogarithmicStretch, logStretchCommand},
        {CommandId::AntilogarithmicStretch, antilogStretchCommand},
        {CommandId::InvertImage, invertImageCommand},
        {CommandId::RemoveBackground, removeBackgroundCommand},
        {CommandId::NonLinearStretch, nonLinearStretchCommand},
        {CommandId::UnsharpMask, unsharpMaskCommand},
        {CommandId::MedianFilter, medianFilterCommand},
        {CommandId::WeightedMeanSmoother, lowPassCommand},
        {CommandId::GaussianSmoother, gaussianCommand},
        {CommandId::HighPassLowPower, highPassLowPowerCommand},
        {CommandId::HighPassHighPower, highPassHighPowerCommand},
        {CommandId::SmootherSharperFilter, smootherSharperCommand},
        {CommandId::BasRelief, basReliefCommand},
        {CommandId::GradientFilter, gradientFilterCommand},
        {CommandId::MirrorImage, mirrorImageCommand},
        {CommandId::FlipImage, flipImageCommand},
        {CommandId::MonoFromRaw, monoFromRawCommand},
        {CommandId::SetAutoProcessing, autoProcessingChoicesCommand},
    };
    for (const auto& [id, command] : table)
        commands.bind(id, [&context, command = command] { command(context.program, &context.frame); });
}

} // namespace kor
