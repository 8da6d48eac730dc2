// The in-process watchdog (render): a thread that ends the run when the
// plugin's code has run longer than the limit without returning.
#include <atomic>
#include <chrono>
#include <cstdio>

#include "host/loader/CrashGuard.h"
#include "host/cli/Isolation.h"
#include "host/output/System.h"
#include "host/loader/PluginCallScope.h"

namespace cli {
namespace {

std::atomic<const char*> running{nullptr};
std::atomic<long long> startedAt{0};
std::atomic<int> depth{0};
std::atomic<long long> limit{0};
char text[64];

long long Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Begins(const char* what) {
  if (depth.fetch_add(1) != 0) return;
  startedAt.store(Now());
  running.store(what);
}

void Ends() {
  if (depth.fetch_sub(1) == 1) running.store(nullptr);
}

void Look() {
  const char* what = running.load();
  if (what != nullptr && Now() - startedAt.load() > limit.load()) {
    guard_detail::OnPluginHang(text, what);
  }
}

}  // namespace

void StartWatchdog(double seconds) {
  if (!(seconds > 0)) return;
  std::snprintf(text, sizeof text, "did not return within %g s", seconds);
  limit.store(static_cast<long long>(seconds * 1000.0));
  host::ObservePluginRuns(Begins, Ends);
  RunEvery(50, Look);
}

}  // namespace cli
