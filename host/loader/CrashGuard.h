// What the host does when a plugin crashes or the user interrupts a run:
// it says which plugMain call crashed (or "interrupted"), removes its
// half-written files, stops ffmpeg, and exits with a documented status,
// instead of dying silently. The handlers are per platform
// (CrashGuard_posix.cpp: signal handlers; CrashGuard_win32.cpp: unhandled
// exception filter and console control handler). A fault outside any
// plugin call is left to the platform's default handling.
#pragma once

#include <string>

namespace cli {

// Installs the handlers; `command` names the run in messages.
void InstallCrashGuard(const char* command);

// Replaces the one-line crash report. Runs inside the crash handler, so it
// may only use WriteRaw and the formatting helpers below; returns the exit
// status.
using CrashReporter = int (*)(const char* fault, const char* call);
void SetCrashReporter(CrashReporter reporter);
// The one-line report on standard error: "the plugin crashed (FAULT) in
// CALL", or "... while loading" / "... at unload" outside any call.
void WriteCrashLine(const char* fault, const char* call);
// " in " before a plugMain call's name, " " before a phase ("while loading").
const char* CallPreposition(const char* call);
// Told of a fatal fault on a thread outside every plugin call, before the
// platform's default handling ends the process (a child process tells its
// parent). Runs inside the crash handler.
using OutsideFaultListener = void (*)(const char* fault);
void SetOutsideFaultListener(OutsideFaultListener listener);

// Writes straight to standard output (1) or standard error (2); safe in a
// crash handler. Whatever the C library still buffers is not written.
void WriteRaw(int stream, const char* text);
// "ffgl-host COMMAND: ", the start of every message.
const char* MessagePrefix();

// A file being written that must not outlive a crash or an interruption;
// returns a slot for ForgetTemporary, or -1 when all slots are taken.
int RegisterTemporary(const std::string& path);
void ForgetTemporary(int slot);
// A child process (ffmpeg) to stop on a crash or an interruption; 0: none.
void RegisterChild(long processId);
// While a progress bar's line is open on standard error, a crash or
// interruption message starts on a line of its own.
void SetProgressLineOpen(bool open);
// Ends an open progress line, before an ordinary failure message.
void EndProgressLine();

namespace guard_detail {
// Shared by the platform handlers.
[[noreturn]] void OnPluginCrash(const char* fault, const char* call);
// The watchdog's end of a call that does not return: "the plugin WHAT CALL".
[[noreturn]] void OnPluginHang(const char* what, const char* call);
[[noreturn]] void OnInterrupt(int status);
void OnFaultOutsideCalls(const char* fault);
// Per platform.
void InstallHandlers();
void RemoveFile(const char* path);
void StopChild(long processId);
[[noreturn]] void ExitNow(int status);
}  // namespace guard_detail

}  // namespace cli
