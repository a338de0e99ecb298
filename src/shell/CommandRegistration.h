#pragma once

#include "shell/CommandMap.h"

namespace kor {

class Program;
class TKOR_T53KFrame;
class TKOR_T53KWindow;

// What a command handler may use: the program, the frame (parent of dialogs,
// the tool bar) and the client window (the picture, the scroll position).
struct CommandContext {
    Program& program;
    TKOR_T53KFrame& frame;
    TKOR_T53KWindow& window;
    CommandRegistry& commands;
};

// Each subsystem binds its commands in its own function.
void bindShellCommands(CommandRegistry& commands, CommandContext& context);
void bindDisplayCommands(CommandRegistry& commands, CommandContext& context);
void bindProcessingCommands(CommandRegistry& commands, CommandContext& context);
void bindFileCommands(CommandRegistry& commands, CommandContext& context);
void bindCameraCommands(CommandRegistry& commands, CommandContext& context);

// Binds every subsystem's commands; one line per subsystem.
void registerCommands(CommandRegistry& commands, CommandContext& context);

} // namespace kor
