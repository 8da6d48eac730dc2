#include "host/loader/CrashGuard.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/ExitStatus.h"
#include "host/loader/PluginCallScope.h"
#include "host/loader/PluginLibrary.h"

namespace cli {
namespace {

// One per file being written at once (encoding threads included).
constexpr int kSlots = 16;
constexpr std::size_t kPathLength = 4096;

char prefix[64] = "ffgl-host: ";
char temporaries[kSlots][kPathLength];
// Taken: claimed by a thread; used: its path is complete and to be removed.
std::atomic<bool> slotTaken[kSlots];
std::atomic<bool> slotUsed[kSlots];
std::atomic<long> child{0};
std::atomic<bool> handling{false};
std::atomic<bool> progressLineOpen{false};

int OneLineReport(const char* fault, const char* call) {
  WriteCrashLine(fault, call);
  return kExitCrash;
}

std::atomic<CrashReporter> reporter{OneLineReport};
std::atomic<OutsideFaultListener> outsideListener{nullptr};

// Stops ffmpeg first: it may still be writing into a temporary file.
void CleanUp() {
  if (progressLineOpen.load()) WriteRaw(2, "\n");
  const long process = child.exchange(0);
  if (process != 0) guard_detail::StopChild(process);
  for (int i = 0; i < kSlots; ++i) {
    if (slotUsed[i].load()) guard_detail::RemoveFile(temporaries[i]);
  }
}

}  // namespace

void SetCrashReporter(CrashReporter report) { reporter.store(report); }

void SetOutsideFaultListener(OutsideFaultListener listener) { outsideListener.store(listener); }

void WriteCrashLine(const char* fault, const char* call) {
  WriteRaw(2, MessagePrefix());
  WriteRaw(2, "the plugin crashed (");
  WriteRaw(2, fault);
  WriteRaw(2, ")");
  WriteRaw(2, CallPreposition(call));
  WriteRaw(2, call);
  WriteRaw(2, "\n");
}

const char* MessagePrefix() { return prefix; }

const char* CallPreposition(const char* call) {
  return call == host::kLoading || call == host::kUnloading || call == host::kOwnThread ? " "
                                                                                       : " in ";
}

namespace {

// exit() inside the plugin's code ends the process as a crash would, with
// its report, not as the host's own success.
void OnExit() {
  const char* call = host::PluginCallInProgress();
  if (call == nullptr) call = host::PluginPhaseInProgress();
  if (call != nullptr) guard_detail::OnPluginCrash("called exit", call);
}

}  // namespace

void InstallCrashGuard(const char* command) {
  std::snprintf(prefix, sizeof prefix, "ffgl-host %s: ", command);
  guard_detail::InstallHandlers();
  std::atexit(OnExit);
}

int RegisterTemporary(const std::string& path) {
  if (path.size() >= kPathLength) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (slotTaken[i].exchange(true)) continue;
    std::memcpy(temporaries[i], path.c_str(), path.size() + 1);
    slotUsed[i].store(true);
    return i;
  }
  return -1;
}

void ForgetTemporary(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  slotUsed[slot].store(false);
  slotTaken[slot].store(false);
}

void RegisterChild(long processId) { child.store(processId); }

void SetProgressLineOpen(bool open) { progressLineOpen.store(open); }

void EndProgressLine() {
  if (progressLineOpen.exchange(false)) std::fputc('\n', stderr);
}

namespace guard_detail {

void OnPluginCrash(const char* fault, const char* call) {
  // A second fault while reporting the first ends the process at once.
  if (handling.exchange(true)) ExitNow(kExitCrash);
  // The report goes to the host's own standard output, not the plugin's.
  host::RestoreHostOutput();
  CleanUp();
  ExitNow(reporter.load()(fault, call));
}

void OnPluginHang(const char* what, const char* call) {
  if (handling.exchange(true)) ExitNow(kExitCrash);
  host::RestoreHostOutput();
  CleanUp();
  WriteRaw(2, MessagePrefix());
  WriteRaw(2, "the plugin ");
  WriteRaw(2, what);
  WriteRaw(2, CallPreposition(call));
  WriteRaw(2, call);
  WriteRaw(2, "\n");
  ExitNow(kExitCrash);
}

void OnFaultOutsideCalls(const char* fault) {
  const OutsideFaultListener listener = outsideListener.load();
  if (listener != nullptr) listener(fault);
}

void OnInterrupt(int status) {
  if (handling.exchange(true)) ExitNow(status);
  CleanUp();
  WriteRaw(2, MessagePrefix());
  WriteRaw(2, "interrupted\n");
  ExitNow(status);
}

}  // namespace guard_detail
}  // namespace cli
