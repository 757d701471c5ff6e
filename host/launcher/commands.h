// The shell's built-in commands: echo, set, option, history, paste (prints the clipboard),
// exit, and the plug-in's command.
#pragma once

enum CommandResult { CommandDone = 0, CommandExit = 1 };

// Runs one entered line. CommandExit when the line asks the shell to end; the exit code is
// then in *exitCode.
int RunCommandLine(const wchar_t *line, int *exitCode);

// The message for a command the shell does not know.
void ReportUnknownCommand(const wchar_t *name);
