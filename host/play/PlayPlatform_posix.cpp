#include <unistd.h>

#include <cstdlib>

#include "host/play/PlayPlatform.h"

namespace play {

bool DisplayAvailable(std::string& reason) {
  // Checked before GLFW, which may wait on a connection without a display.
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0')) return true;
  reason = "no display to open a window on (DISPLAY is not set); use 'render' without one";
  return false;
}

long ProcessId() { return static_cast<long>(::getpid()); }

}  // namespace play
