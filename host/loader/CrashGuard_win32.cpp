#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/loader/CrashGuard.h"
#include "host/loader/PluginCallScope.h"
#include "host/loader/PluginLibrary.h"

namespace cli {
namespace {

const char* FaultName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    default: return nullptr;
  }
}

// Runs only for exceptions nothing else handled: a plugin that catches its
// own faults is left alone.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
  const char* call = host::PluginCallInProgress();
  if (call == nullptr) call = host::PluginPhaseInProgress();
  if (exception == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  const DWORD code = exception->ExceptionRecord->ExceptionCode;
  const char* name = FaultName(code);
  if (call == nullptr && host::IsPluginCode(exception->ExceptionRecord->ExceptionAddress)) {
    call = host::kOwnThread;
  }
  if (call == nullptr) {
    if (name != nullptr) guard_detail::OnFaultOutsideCalls(name);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  static char unknown[40];
  if (name == nullptr) {
    std::snprintf(unknown, sizeof unknown, "exception 0x%08lX", static_cast<unsigned long>(code));
    name = unknown;
  }
  guard_detail::OnPluginCrash(name, call);
}

HANDLE mainThread = nullptr;

// Runs on a thread of its own: the main thread is stopped first, so it
// cannot report the removed temporary file as a failure of its own.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    if (mainThread != nullptr) SuspendThread(mainThread);
    guard_detail::OnInterrupt(130);
  }
  return FALSE;
}

}  // namespace

void WriteRaw(int stream, const char* text) {
  HANDLE handle = GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD written = 0;
  WriteFile(handle, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

namespace guard_detail {

void InstallHandlers() {
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread,
                  THREAD_SUSPEND_RESUME, FALSE, 0);
  SetUnhandledExceptionFilter(OnUnhandledException);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  // No "program has stopped working" dialog box.
  SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
}

void RemoveFile(const char* path) {
  // Files are opened with FILE_SHARE_DELETE, so this works while the main
  // thread still holds one open; it goes when the process ends.
  wchar_t wide[4096];
  if (MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, 4096) > 0) DeleteFileW(wide);
}

void StopChild(long processId) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                               static_cast<DWORD>(processId));
  if (process == nullptr) return;
  TerminateProcess(process, 130);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
}

void ExitNow(int status) {
  // Not ExitProcess: after a fault, the libraries' detach code must not run.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  for (;;) Sleep(1000);
}

}  // namespace guard_detail
}  // namespace cli
