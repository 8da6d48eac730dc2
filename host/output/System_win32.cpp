#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "host/loader/CrashGuard.h"
#include "host/output/System.h"

namespace cli {
namespace {

// The one child a pipe runs at a time (ffmpeg).
HANDLE pipeChild = nullptr;

}  // namespace

const char kOpenGLNote[] =
    "OpenGL runs in a hidden window through the system's OpenGL driver (WGL).";

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::string FindProgram(const std::string& name) {
  char found[MAX_PATH] = {};
  const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(found, length) : std::string();
}

std::string ShellQuote(const std::string& text) {
  // Windows command lines: double quotes; a path cannot contain one.
  return "\"" + text + "\"";
}

// _popen without cmd.exe in between and without hiding the child's
// process, which the crash guard needs to stop it.
std::FILE* OpenWritePipe(const std::string& command) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return nullptr;
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  std::string line = command;
  const BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &child);
  CloseHandle(readEnd);
  if (!started) {
    CloseHandle(writeEnd);
    return nullptr;
  }
  CloseHandle(child.hThread);
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_BINARY);
  std::FILE* stream = descriptor == -1 ? nullptr : _fdopen(descriptor, "wb");
  if (stream == nullptr) {
    if (descriptor == -1) CloseHandle(writeEnd);
    if (descriptor != -1) _close(descriptor);
    TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hProcess);
    return nullptr;
  }
  pipeChild = child.hProcess;
  RegisterChild(static_cast<long>(child.dwProcessId));
  return stream;
}

int CloseWritePipe(std::FILE* pipe) {
  std::fclose(pipe);
  RegisterChild(0);
  DWORD status = 1;
  WaitForSingleObject(pipeChild, INFINITE);
  GetExitCodeProcess(pipeChild, &status);
  CloseHandle(pipeChild);
  pipeChild = nullptr;
  return static_cast<int>(status);
}

void IgnoreBrokenPipes() {}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

namespace {

struct Repeated {
  int milliseconds;
  void (*task)();
};

DWORD WINAPI RepeatForever(void* parameter) {
  const Repeated repeated = *static_cast<Repeated*>(parameter);
  delete static_cast<Repeated*>(parameter);
  for (;;) {
    Sleep(static_cast<DWORD>(repeated.milliseconds));
    repeated.task();
  }
}

}  // namespace

void RunEvery(int milliseconds, void (*task)()) {
  HANDLE thread = CreateThread(nullptr, 0, RepeatForever, new Repeated{milliseconds, task}, 0,
                               nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

}  // namespace cli
