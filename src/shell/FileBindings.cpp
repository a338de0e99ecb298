#include "files/FileCommandsWindow.h"
#include "shell/CommandRegistration.h"
#include "shell/MainWindow.h"

namespace kor {

void bindFileCommands(CommandRegistry& commands, CommandContext& context)
{
    using Command = void (*)(QWidget*, Program&);
    const std::pair<CommandId, Command> table[] = {
        {CommandId::FileOpen, openFileCommand},
        {CommandId::LoadHotPixelMap, openFileCommand},
        {CommandId::FileSave, saveFileCommand},
        {CommandId::FileSaveFlat, saveFlatFileCommand},
        {CommandId::FileLoadNextAutosaved, loadNextAutosavedCommand},
        {CommandId::FileDelete, deleteFileCommand},
        {CommandId::FileSelectDarkFrame, selectDarkFrameCommand},
        {CommandId::FileSelectFlatField, selectFlatFieldCommand},
        {CommandId::FileSaveFits, saveFitsCommand},
        {CommandId::FileQuickSaveFits, quickSaveFitsCommand},
        {CommandId::FileEditAutosaveFitsText, editAutosaveFitsTextCommand},
        {CommandId::ShowFitsDetails, editCurrentFitsDetailsCommand},
        {CommandId::FileSaveTiff, saveTiffCommand},
        {CommandId::CreateHotPixelMap, createHotPixelMapCommand},
        {CommandId::ApplyHotPixelMap, applyHotPixelMapCommand},
    };
    for (const auto& [id, command] : table)
        commands.bind(id, [&context, command = command] { command(&context.frame, context.program); });
}

} // namespace kor
