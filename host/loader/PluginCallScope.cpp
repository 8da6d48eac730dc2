#include "host/loader/PluginCallScope.h"

#include <atomic>

namespace host {

const char kLoading[] = "while loading";
const char kUnloading[] = "at unload";
const char kOwnThread[] = "on a thread of its own";

namespace {

std::atomic<int> hostOutput{-1};
std::atomic<int> pluginOutput{-1};
// Plugin code running on any thread, nested or not: standard output is
// pointed back at the host only when the last one ends.
std::atomic<int> running{0};
std::atomic<PluginRunBegins> observerBegins{nullptr};
std::atomic<PluginRunEnds> observerEnds{nullptr};
std::atomic<const char*> phase{nullptr};

// A few libraries at once: play holds a new build while the old one runs.
constexpr int kCodeRanges = 4;
std::atomic<const char*> codeBegins[kCodeRanges];
std::atomic<const char*> codeEnds[kCodeRanges];

}  // namespace

void NotePluginCode(const void* begin, const void* end) {
  if (begin == nullptr) return;
  for (int i = 0; i < kCodeRanges; ++i) {
    const char* expected = nullptr;
    if (codeBegins[i].compare_exchange_strong(expected, static_cast<const char*>(begin))) {
      codeEnds[i].store(static_cast<const char*>(end));
      return;
    }
  }
}

void ForgetPluginCode(const void* begin) {
  for (int i = 0; i < kCodeRanges; ++i) {
    const char* expected = static_cast<const char*>(begin);
    if (begin != nullptr && codeBegins[i].compare_exchange_strong(expected, nullptr)) return;
  }
}

bool IsPluginCode(const void* address) {
  const auto* at = static_cast<const char*>(address);
  for (int i = 0; i < kCodeRanges; ++i) {
    const char* begin = codeBegins[i].load();
    if (begin != nullptr && at >= begin && at < codeEnds[i].load()) return true;
  }
  return false;
}

void SendPluginOutputTo(int descriptor) {
  if (hostOutput.load() < 0) hostOutput.store(output_detail::Duplicate(1));
  pluginOutput.store(descriptor);
}

void RestoreHostOutput() {
  const int host = hostOutput.load();
  if (host >= 0) output_detail::PointStandardOutputAt(host);
}

void ObservePluginRuns(PluginRunBegins begins, PluginRunEnds ends) {
  observerBegins.store(begins);
  observerEnds.store(ends);
}

const char* PluginPhaseInProgress() { return phase.load(); }

PluginCallScope::PluginCallScope(const char* what)
    : outerPhase_(phase.load()), phase_(what == kLoading || what == kUnloading) {
  if (phase_) phase.store(what);
  const PluginRunBegins begins = observerBegins.load();
  if (begins != nullptr) begins(what);
  if (pluginOutput.load() >= 0 && running.fetch_add(1) == 0) {
    // What the host printed so far goes to its own output first.
    output_detail::FlushStandardOutput();
    output_detail::PointStandardOutputAt(pluginOutput.load());
  }
}

PluginCallScope::~PluginCallScope() {
  if (pluginOutput.load() >= 0 && running.fetch_sub(1) == 1) {
    // What the plugin left in the C library's buffer is the plugin's.
    output_detail::FlushStandardOutput();
    RestoreHostOutput();
  }
  const PluginRunEnds ends = observerEnds.load();
  if (ends != nullptr) ends();
  if (phase_) phase.store(outerPhase_);
}

}  // namespace host
