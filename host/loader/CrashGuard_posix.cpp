#include <signal.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/loader/CrashGuard.h"
#include "host/loader/PluginCallScope.h"
#include "host/loader/PluginLibrary.h"

namespace cli {
namespace {

struct FatalSignal {
  int number;
  const char* name;
  struct sigaction previous;
};
FatalSignal fatalSignals[] = {{SIGSEGV, "segmentation fault", {}},
                              {SIGBUS, "bus error", {}},
                              {SIGILL, "illegal instruction", {}},
                              {SIGFPE, "arithmetic fault", {}},
                              {SIGABRT, "abort", {}}};

// A stack of its own, so a plugin that overflows its stack is reported too.
alignas(16) char alternateStack[64 * 1024];

// The faulting instruction's address, where this platform says it.
const void* FaultingInstruction(void* context) {
  const auto* machine = &static_cast<const ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
  return reinterpret_cast<const void*>(machine->gregs[REG_RIP]);
#elif defined(__i386__)
  return reinterpret_cast<const void*>(machine->gregs[REG_EIP]);
#elif defined(__aarch64__)
  return reinterpret_cast<const void*>(machine->pc);
#else
  (void)machine;
  return nullptr;
#endif
}

void OnFatalSignal(int number, siginfo_t* info, void* context) {
  for (FatalSignal& fatal : fatalSignals) {
    if (fatal.number != number) continue;
    const char* call = host::PluginCallInProgress();
    if (call == nullptr) call = host::PluginPhaseInProgress();
    // Outside every call, in the plugin's own code: a thread of its own.
    if (call == nullptr && context != nullptr && host::IsPluginCode(FaultingInstruction(context))) {
      call = host::kOwnThread;
    }
    if (call != nullptr) guard_detail::OnPluginCrash(fatal.name, call);
    // Not in a call: whoever handled it before (a sanitizer, the default
    // action) gets it, as if this handler were not there.
    guard_detail::OnFaultOutsideCalls(fatal.name);
    sigaction(number, &fatal.previous, nullptr);
    if (info == nullptr || info->si_code <= 0) raise(number);
    return;  // a fault: the instruction runs again and faults again
  }
}

void OnInterruptSignal(int number) { guard_detail::OnInterrupt(128 + number); }

}  // namespace

void WriteRaw(int stream, const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t written = write(stream, text, left);
    if (written <= 0) return;
    text += written;
    left -= static_cast<std::size_t>(written);
  }
}

namespace guard_detail {

void InstallHandlers() {
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action{};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (FatalSignal& fatal : fatalSignals) sigaction(fatal.number, &action, &fatal.previous);

  struct sigaction interrupt{};
  interrupt.sa_handler = OnInterruptSignal;
  sigemptyset(&interrupt.sa_mask);
  sigaction(SIGINT, &interrupt, nullptr);
  sigaction(SIGTERM, &interrupt, nullptr);
}

void RemoveFile(const char* path) { unlink(path); }

void StopChild(long processId) {
  const auto process = static_cast<pid_t>(processId);
  kill(process, SIGTERM);
  int status = 0;
  while (waitpid(process, &status, 0) == -1 && errno == EINTR) {
  }
}

void ExitNow(int status) { _exit(status); }

}  // namespace guard_detail
}  // namespace cli
