#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/files/OpenFile.h"
#include "host/files/WideText_win32.h"
#include "host/cli/ChildProcess.h"

namespace cli {
namespace {

// The handles of the events and plugin-output channels, in the child's
// environment: inherited handles keep their values.
constexpr char kVariable[] = "FFGL_HOST_CHILD_CHANNELS";

using host::Wide;

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

const char* FaultName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    default: return nullptr;
  }
}

class WindowsChild final : public ChildProcess {
 public:
  WindowsChild(HANDLE process, const HANDLE (&ends)[kChildChannels]) : process_(process) {
    for (int i = 0; i < kChildChannels; ++i) ends_[i] = ends[i];
  }
  ~WindowsChild() override {
    for (HANDLE end : ends_) {
      if (end != nullptr) CloseHandle(end);
    }
    if (!waited_) {
      Kill();
      Wait();
    }
    CloseHandle(process_);
  }

  // Pipes cannot be waited on together: each is asked what it holds, and
  // the wait goes on in short sleeps.
  bool Read(int milliseconds, std::string (&channels)[kChildChannels]) override {
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
      bool anyOpen = false;
      bool anyRead = false;
      for (int i = 0; i < kChildChannels; ++i) {
        if (ends_[i] == nullptr) continue;
        DWORD available = 0;
        if (!PeekNamedPipe(ends_[i], nullptr, 0, nullptr, &available, nullptr)) {
          CloseHandle(ends_[i]);
          ends_[i] = nullptr;
          continue;
        }
        anyOpen = true;
        if (available == 0) continue;
        char buffer[65536];
        DWORD got = 0;
        if (ReadFile(ends_[i], buffer, available < sizeof buffer ? available : sizeof buffer, &got,
                     nullptr) &&
            got > 0) {
          channels[i].append(buffer, got);
          anyRead = true;
        }
      }
      if (!anyOpen) return false;
      if (anyRead || (milliseconds >= 0 && GetTickCount64() >= until)) return true;
      Sleep(2);
    }
  }

  void Kill() override { TerminateProcess(process_, 1); }

  ChildEnd Wait() override {
    WaitForSingleObject(process_, INFINITE);
    waited_ = true;
    DWORD code = 1;
    GetExitCodeProcess(process_, &code);
    ChildEnd end;
    const char* fault = FaultName(code);
    if (fault != nullptr || code >= 0xC0000000u) {
      char text[40];
      std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
      end.fault = fault != nullptr ? fault : text;
    } else {
      end.exited = true;
      end.status = static_cast<int>(code);
    }
    return end;
  }

 private:
  HANDLE process_;
  HANDLE ends_[kChildChannels];
  bool waited_ = false;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& arguments,
                                                  std::string& error) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE reads[kChildChannels] = {};
  HANDLE writes[kChildChannels] = {};
  for (int i = 0; i < kChildChannels; ++i) {
    if (!CreatePipe(&reads[i], &writes[i], &inheritable, 0)) {
      error = "cannot start a child process: " + host::SystemErrorText(GetLastError());
      return nullptr;
    }
    SetHandleInformation(reads[i], HANDLE_FLAG_INHERIT, 0);
  }
  wchar_t self[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, self, sizeof self / sizeof self[0]);
  std::wstring line = Quoted(self);
  for (const auto& argument : arguments) line += L" " + Quoted(Wide(argument));
  char channels[64];
  std::snprintf(channels, sizeof channels, "%llu,%llu",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(writes[1])),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(writes[2])));
  SetEnvironmentVariableA(kVariable, channels);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writes[kChildOutput];
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  const BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &child);
  const DWORD reason = GetLastError();
  SetEnvironmentVariableA(kVariable, nullptr);
  for (HANDLE end : writes) CloseHandle(end);
  if (!started) {
    for (HANDLE end : reads) CloseHandle(end);
    error = "cannot start a child process: " + host::SystemErrorText(reason);
    return nullptr;
  }
  CloseHandle(child.hThread);
  return std::make_unique<WindowsChild>(child.hProcess, reads);
}

bool ChildChannelsFromEnvironment(int& events, int& pluginOutput) {
  const char* value = std::getenv(kVariable);
  if (value == nullptr) return false;
  unsigned long long handles[2] = {0, 0};
  if (std::sscanf(value, "%llu,%llu", &handles[0], &handles[1]) != 2) return false;
  SetEnvironmentVariableA(kVariable, nullptr);  // not for the programs this one starts
  events = _open_osfhandle(static_cast<intptr_t>(handles[0]), _O_WRONLY | _O_BINARY);
  pluginOutput = _open_osfhandle(static_cast<intptr_t>(handles[1]), _O_WRONLY | _O_BINARY);
  return events >= 0 && pluginOutput >= 0;
}

void WriteToDescriptor(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const int written = _write(descriptor, bytes, static_cast<unsigned>(size));
    if (written <= 0) return;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace cli
