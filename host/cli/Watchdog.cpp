// The in-process watchdog (render): a thread that ends the run when the
// plugin's code has run longer than the limit without returning.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "host/cli/CrashGuard.h"
#include "host/cli/Isolation.h"
#include "host/loader/PluginCallScope.h"

namespace cli {
namespace {

std::atomic<const char*> running{nullptr};
std::atomic<long long> startedAt{0};
std::atomic<int> depth{0};

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

}  // namespace

void StartWatchdog(double seconds) {
  if (!(seconds > 0)) return;
  host::ObservePluginRuns(Begins, Ends);
  const auto limit = static_cast<long long>(seconds * 1000.0);
  static char text[64];
  std::snprintf(text, sizeof text, "did not return within %g s", seconds);
  std::thread([limit] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const char* what = running.load();
      if (what != nullptr && Now() - startedAt.load() > limit) {
        guard_detail::OnPluginHang(text, what);
      }
    }
  }).detach();
}

}  // namespace cli
