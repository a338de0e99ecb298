#include "shell/CommandRegistration.h"

namespace kor {

void registerCommands(CommandRegistry& commands, CommandContext& context)
{
    bindShellCommands(commands, context);
    bindDisplayCommands(commands, context);
    bindProcessingCommands(commands, context);
    bindFileCommands(commands, context);
    bindCameraCommands(commands, context);
}

} // namespace kor
