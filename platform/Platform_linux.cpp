// Linux: the host's context may have been made current through EGL or GLX.
// Neither library is linked: a lookup finds whichever is already loaded in
// the process and asks the one whose context is current, so the plugin works
// under both kinds of host.
#include "platform/Platform.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace platform {
namespace {

using GetCurrentFunc = void* (*)();
using GetProcFunc = GLEntryPoint (*)(const char*);

// One window-system API and, once found, its two functions. They are found
// once per process, not once per table: searching the loaded libraries
// costs more than all 92 lookups together.
class WindowSystemApi {
 public:
  constexpr WindowSystemApi(const char* library, const char* otherLibrary,
                            const char* getCurrentName, const char* getProcName)
      : libraries_{library, otherLibrary}, getCurrentName_(getCurrentName),
        getProcName_(getProcName) {}
  ~WindowSystemApi() {
    if (handle_ != nullptr) dlclose(handle_);
  }

  bool Found() const { return getCurrent_.load(std::memory_order_acquire) != nullptr; }

  // Finds the API in a library the process has already loaded (a library
  // that is not loaded cannot have made a context current) and holds the
  // library while the plugin is loaded, so the functions stay valid.
  bool Find() {
    static std::mutex searching;
    const std::lock_guard<std::mutex> lock(searching);
    if (Found()) return true;
    for (const char* library : libraries_) {
      void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
      if (handle == nullptr) continue;
      auto getCurrent = reinterpret_cast<GetCurrentFunc>(dlsym(handle, getCurrentName_));
      auto getProc = reinterpret_cast<GetProcFunc>(dlsym(handle, getProcName_));
      if (getCurrent != nullptr && getProc != nullptr) {
        handle_ = handle;
        getProc_.store(getProc, std::memory_order_relaxed);
        getCurrent_.store(getCurrent, std::memory_order_release);
        return true;
      }
      dlclose(handle);  // drops only the reference NOLOAD took
    }
    return false;
  }

  bool HasContextCurrent() const {
    const GetCurrentFunc getCurrent = getCurrent_.load(std::memory_order_acquire);
    return getCurrent != nullptr && getCurrent() != nullptr;
  }

  GetProcFunc GetProc() const { return getProc_.load(std::memory_order_acquire); }

 private:
  const char* libraries_[2];
  const char* getCurrentName_;
  const char* getProcName_;
  void* handle_ = nullptr;
  std::atomic<GetCurrentFunc> getCurrent_{nullptr};
  std::atomic<GetProcFunc> getProc_{nullptr};
};

WindowSystemApi egl("libEGL.so.1", "libEGL.so", "eglGetCurrentContext", "eglGetProcAddress");
WindowSystemApi glx("libGLX.so.0", "libGL.so.1", "glXGetCurrentContext", "glXGetProcAddressARB");

// EGL and GLX promise that the addresses they return do not depend on the
// context, and asking costs more than compiling a small program (a lock and
// a hash in the dispatcher per name). So each API's answers are kept, by the
// address of the name asked for (the table's names are literals), in a
// table no thread ever waits on. Names not found are asked again.
class RememberedEntries {
 public:
  GLEntryPoint Find(const WindowSystemApi& api, const char* name) {
    const std::size_t start = (reinterpret_cast<std::uintptr_t>(name) >> 3) % kSlots;
    for (std::size_t probe = 0; probe < kSlots; ++probe) {
      Slot& slot = slots_[(start + probe) % kSlots];
      const char* key = slot.name.load(std::memory_order_acquire);
      if (key == name) {
        const GLEntryPoint known = slot.address.load(std::memory_order_acquire);
        if (known != nullptr) return known;
        break;  // being filled by another thread: ask directly
      }
      if (key != nullptr) continue;
      const GLEntryPoint address = api.GetProc()(name);
      if (address == nullptr) return nullptr;
      const char* expected = nullptr;
      if (slot.name.compare_exchange_strong(expected, name, std::memory_order_acq_rel)) {
        slot.address.store(address, std::memory_order_release);
      }
      return address;
    }
    return api.GetProc()(name);
  }

 private:
  static constexpr std::size_t kSlots = 512;
  struct Slot {
    std::atomic<const char*> name{nullptr};
    std::atomic<GLEntryPoint> address{nullptr};
  };
  Slot slots_[kSlots];
};

RememberedEntries eglEntries;
RememberedEntries glxEntries;
GLEntryPoint FindThroughEgl(const char* name) { return eglEntries.Find(egl, name); }
GLEntryPoint FindThroughGlx(const char* name) { return glxEntries.Find(glx, name); }
GLEntryPoint (*const kFinders[])(const char*) = {FindThroughEgl, FindThroughGlx};

}  // namespace

// The API that has a context current answers every name of this lookup.
GLEntryPointLookup::GLEntryPointLookup() {
  WindowSystemApi* const apis[] = {&egl, &glx};
  for (int i = 0; i < 2; ++i) {
    if (apis[i]->HasContextCurrent()) {
      find_ = kFinders[i];
      return;
    }
  }
  // None found so far has a context current: the host may have loaded its
  // API since the last search.
  for (int i = 0; i < 2; ++i) {
    if (!apis[i]->Found() && apis[i]->Find() && apis[i]->HasContextCurrent()) {
      find_ = kFinders[i];
      return;
    }
  }
  // No context is current through either API: the entry points cannot be
  // called meaningfully, but an address from a loaded API is still an
  // address for the host's next context.
  for (int i = 0; i < 2; ++i) {
    if (apis[i]->Found()) {
      find_ = kFinders[i];
      return;
    }
  }
}

std::int64_t CounterFrequency() { return 1000000000; }

std::int64_t CounterValue() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool CurrentLocalTime(std::tm& out) {
  std::memset(&out, 0, sizeof out);
  const std::time_t now = std::time(nullptr);
  return localtime_r(&now, &out) != nullptr;
}

void WriteDebugText(const char* text) {
  if (text != nullptr) std::fputs(text, stderr);
}

}  // namespace platform
