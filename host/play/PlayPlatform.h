// What play needs from the system beyond GLFW, one file per platform
// (PlayPlatform_posix.cpp, PlayPlatform_win32.cpp).
#pragma once

#include <string>

namespace play {

// False with a one-line reason when there is no display to open a window on.
bool DisplayAvailable(std::string& reason);

// This process's number: keeps the plugin copies of concurrent players apart.
long ProcessId();

}  // namespace play
