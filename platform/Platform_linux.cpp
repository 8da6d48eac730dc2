// Linux: the host's context may have been made current through EGL or GLX.
// Neither library is linked: a lookup finds whichever is already loaded in
// the process and asks the one whose context is current, so the plugin works
// under both kinds of host.
#include "platform/Platform.h"

#include <dlfcn.h>

#include <cstring>
#include <ctime>
#include <initializer_list>

namespace platform {
namespace {

using GetCurrentFunc = void* (*)();
using GetProcFunc = GLEntryPoint (*)(const char*);

struct WindowSystemApi {
  const char* libraries[2];
  const char* getCurrentName;
  const char* getProcName;
};

constexpr WindowSystemApi kEgl{{"libEGL.so.1", "libEGL.so"}, "eglGetCurrentContext",
                               "eglGetProcAddress"};
constexpr WindowSystemApi kGlx{{"libGLX.so.0", "libGL.so.1"}, "glXGetCurrentContext",
                               "glXGetProcAddressARB"};

// Finds the API's functions in a library the process has already loaded; a
// library that is not loaded cannot have made a context current.
bool FindApi(const WindowSystemApi& api, GetCurrentFunc& getCurrent, GetProcFunc& getProc) {
  for (const char* library : api.libraries) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) continue;
    getCurrent = reinterpret_cast<GetCurrentFunc>(dlsym(handle, api.getCurrentName));
    getProc = reinterpret_cast<GetProcFunc>(dlsym(handle, api.getProcName));
    dlclose(handle);  // drops only the reference NOLOAD took
    if (getCurrent != nullptr && getProc != nullptr) return true;
  }
  return false;
}

}  // namespace

// The API that has a context current answers every name of this lookup.
GLEntryPointLookup::GLEntryPointLookup() {
  GetProcFunc fallback = nullptr;
  for (const WindowSystemApi* api : {&kEgl, &kGlx}) {
    GetCurrentFunc getCurrent = nullptr;
    GetProcFunc getProc = nullptr;
    if (!FindApi(*api, getCurrent, getProc)) continue;
    if (getCurrent() != nullptr) {
      find_ = getProc;
      return;
    }
    if (fallback == nullptr) fallback = getProc;
  }
  // No context is current through either API: the entry points cannot be
  // called meaningfully, but an address from a loaded API is still an
  // address for the host's next context.
  find_ = fallback;
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

}  // namespace platform
