#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/play/PlayPlatform.h"

namespace play {

// A program without a desktop (a service) fails in GLFW's window creation,
// which says so; there is nothing to look at before.
bool DisplayAvailable(std::string&) { return true; }

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

}  // namespace play
