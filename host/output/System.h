// What the command-line host needs from the operating system, one source
// file per platform (System_posix.cpp, System_win32.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace cli {

// True when `stream` is an interactive terminal (progress bars go there).
bool IsTerminal(std::FILE* stream);
// The full path of an executable found on PATH, or "" when there is none.
std::string FindProgram(const std::string& name);
// `text` quoted as one argument for the platform's shell.
std::string ShellQuote(const std::string& text);
// A pipe into a child's standard input (binary), or null. The child is
// registered with the crash guard, which stops it on a crash or Ctrl-C.
std::FILE* OpenWritePipe(const std::string& command);
// Waits for the child; its exit status.
int CloseWritePipe(std::FILE* pipe);
// A child that exits early must give a write error, not kill the host.
void IgnoreBrokenPipes();
// True for a character that separates folders in a path.
bool IsSeparator(char c);
long ProcessId();
// Calls `task` every `milliseconds` on a thread of its own, for as long as
// the process runs (the watchdog).
void RunEvery(int milliseconds, void (*task)());
// Where OpenGL comes from, for the help text.
extern const char kOpenGLNote[];

}  // namespace cli
