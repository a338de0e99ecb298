#include "shell/CommandRegistration.h"

namespace kor {

void registerCommands(CommandRegistry& commands, CommandContext& context)
{
    bindShellCommands(commands, context);
    bindDisplayCommands(commands, context);
    bindCameraCommands(commands, context);
}

} // namespace kor
