// validate and info run the plugin in a child process (this program again),
// and the parent reports: whatever the plugin does to its process (exit,
// a crash on any thread or while loading or unloading, a call that never
// returns, printing on standard output) becomes a FAIL line naming the call
// and the summary (validate) or one message (info), and --json output stays
// valid. render, bench and play run in process.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace cli {

// A plugin call, loading or unloading that runs longer than this is ended
// as hung: far beyond what a frame or an instance's shaders take, even on a
// software renderer.
constexpr double kDefaultWatchdogSeconds = 20.0;

struct IsolationOptions {
  double watchdogSeconds = kDefaultWatchdogSeconds;  // 0: no watchdog
  bool inProcess = false;
};
// Takes --watchdog SECONDS and --in-process out of a command's words; false
// with a usage message.
bool TakeIsolationOptions(std::vector<std::string>& words, IsolationOptions& options,
                          std::string& error);

// Sets up the process for running a plugin: in a child that a parent
// started, the plugin's output goes to the parent and every plugin call is
// told to it; elsewhere the plugin's output goes to standard error.
void PreparePluginProcess();
// True in a child process that a parent started.
bool IsChild();
// In a child: one event for the parent (a kind letter and its texts).
void SendToParent(char kind, std::initializer_list<std::string> fields);
// In a child: the command has ended with `status`, its plugin unloaded.
void FinishChild(int status);
// In a child: a crash inside a plugin call, for the parent to report (a
// crash reporter: see CrashGuard.h).
int ReportCrashToParent(const char* fault, const char* call);

// The parent's side: runs `command` with `words` in a child and reports;
// the exit status.
int RunInChild(const std::string& command, const std::vector<std::string>& words,
               const IsolationOptions& options);

// In process (render): a call that runs longer than `seconds` ends the run
// as a crash would, naming the call. 0: none.
void StartWatchdog(double seconds);

}  // namespace cli
