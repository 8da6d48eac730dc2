// What the real-OpenGL tests and the soaks share: one Mesa context
// (surfaceless EGL) made current for the whole test program, the host's own
// GL entry points, and the shipped plugin library loaded as a host loads it.
// Each is made on first use and kept until the process ends: unloading
// Mesa's driver or the plugin at exit would leave the leak checker unable
// to tell the driver's allocations from ours or to name the plugin's
// functions.
#pragma once

#include "host/gl/GLContext.h"
#include "host/gl/HostGL.h"
#include "host/loader/PluginLibrary.h"

namespace mesa {

host::GLContext& Context();
const host::HostGL& GL();
host::PluginLibrary& Plugin();

// plugMain of the shipped library.
FFWord Call(FFUInt32 code, FFWord input = 0, FFWord instance = 0);
template <typename T>
FFWord Call(FFUInt32 code, T* input, FFWord instance = 0) {
  return Call(code, reinterpret_cast<FFWord>(input), instance);
}

}  // namespace mesa
