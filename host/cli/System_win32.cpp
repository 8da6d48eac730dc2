#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "host/cli/System.h"

namespace cli {

const char kOpenGLNote[] =
    "OpenGL runs in a hidden window through the system's OpenGL driver (WGL).";

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::string FindProgram(const std::string& name) {
  char found[MAX_PATH] = {};
  const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(found, length) : std::string();
}

std::string ShellQuote(const std::string& text) {
  // cmd.exe: double quotes; a path cannot contain one on Windows.
  return "\"" + text + "\"";
}

std::FILE* OpenWritePipe(const std::string& command) {
  // cmd.exe /c strips one pair of outer quotes from the whole line.
  return _popen(("\"" + command + "\"").c_str(), "wb");
}

int CloseWritePipe(std::FILE* pipe) { return _pclose(pipe); }

void IgnoreBrokenPipes() {}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

}  // namespace cli
