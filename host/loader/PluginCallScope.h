// What the host does around everything a plugin's code runs in: plugMain
// calls, loading and unloading. While the plugin runs, standard output is
// pointed where the host sends plugin output (so a plugin's printing never
// mixes into the host's own output, a JSON object say), and an observer, if
// one is set, hears when the plugin starts and stops running (the child
// process of validate and info tells its parent, for the watchdog).
#pragma once

namespace host {

// Where a plugin's writes to standard output go from now on: a descriptor
// of the process (standard error, a pipe). Set once, before loading.
void SendPluginOutputTo(int descriptor);
// In a crash handler: standard output is the host's again. Safe there.
void RestoreHostOutput();

using PluginRunBegins = void (*)(const char* what);
using PluginRunEnds = void (*)();
void ObservePluginRuns(PluginRunBegins begins, PluginRunEnds ends);

// Names for the scopes that are not plugMain calls.
extern const char kLoading[];    // "while loading"
extern const char kUnloading[];  // "at unload"
// Where a fault in the plugin's code outside every call happened.
extern const char kOwnThread[];  // "on a thread of its own"

// The code of a loaded plugin library, so that a fault outside every call
// can still be told to be the plugin's (a thread of its own). Safe to ask
// from a fatal-signal handler.
void NotePluginCode(const void* begin, const void* end);
void ForgetPluginCode(const void* begin);
bool IsPluginCode(const void* address);

// The phase a crash outside any call happened in (kLoading, kUnloading), or
// null. Safe to read from a fatal-signal handler.
const char* PluginPhaseInProgress();

// One stretch of the plugin's code: a plugMain call named by its function
// code ("FF_PROCESSOPENGL"), or kLoading or kUnloading. Nests.
class PluginCallScope {
 public:
  explicit PluginCallScope(const char* what);
  ~PluginCallScope();
  PluginCallScope(const PluginCallScope&) = delete;
  PluginCallScope& operator=(const PluginCallScope&) = delete;

 private:
  const char* outerPhase_;
  bool phase_;
};

namespace output_detail {
// Per platform (PluginOutput_posix.cpp, PluginOutput_win32.cpp).
int Duplicate(int descriptor);
void PointStandardOutputAt(int descriptor);
void FlushStandardOutput();
}  // namespace output_detail

}  // namespace host
