// What the real-OpenGL tests share: one Mesa context (surfaceless EGL) made
// current for the whole test program, the host's own GL entry points, and
// the shipped plugin library loaded as a host loads it.
#pragma once

#include "host/GLContext.h"
#include "host/HostGL.h"
#include "host/PluginLibrary.h"

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
