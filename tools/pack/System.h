// What ffgl-pack needs from the operating system, one source file per
// platform.
#pragma once

#include <string>
#include <vector>

// The command line as UTF-8 (Windows passes it in the wide code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The folder the running program lies in (UTF-8).
std::string ProgramFolder();

// Renames `from` over `to`, replacing it in one step.
bool RenameOver(const std::string& from, const std::string& to);

// Whether stderr is a terminal (for the progress bar).
bool ErrorsGoToTerminal();

// After an error: when the program has a console window of its own (a file
// dropped on it in Explorer), waits for Enter so the message can be read.
void HoldConsoleOpen();
