#include "plugin/LiveInstances.h"

#include <cstdlib>

#include "plugin/FreeFrameGLPlugin.h"

namespace live_instances {
namespace {

// A plain growable array: hosts keep a handful of instances and a linear
// scan is cheapest.
CFreeFrameGLPlugin** entries = nullptr;
FFUInt32 count = 0;
FFUInt32 capacity = 0;

// The table goes with the library: a host that rescans its plugins would
// otherwise lose it on every unload. Instances still live then belong to
// the host, which can no longer call them.
struct ReleaseAtUnload {
  ~ReleaseAtUnload() {
    std::free(entries);
    entries = nullptr;
    count = 0;
    capacity = 0;
  }
} releaseAtUnload;

}  // namespace

bool Add(CFreeFrameGLPlugin* instance) {
  if (count == capacity) {
    const FFUInt32 grown = capacity == 0 ? 16 : capacity * 2;
    void* larger = std::realloc(entries, grown * sizeof *entries);
    if (larger == nullptr) return false;
    entries = static_cast<CFreeFrameGLPlugin**>(larger);
    capacity = grown;
  }
  entries[count++] = instance;
  return true;
}

void Remove(CFreeFrameGLPlugin* instance) {
  for (FFUInt32 i = 0; i < count; ++i) {
    if (entries[i] == instance) {
      entries[i] = entries[--count];
      return;
    }
  }
}

CFreeFrameGLPlugin* Find(FFWord identifier) {
  if (identifier == 0) return nullptr;
  for (FFUInt32 i = 0; i < count; ++i) {
    if (reinterpret_cast<FFWord>(entries[i]) == identifier) return entries[i];
  }
  return nullptr;
}

FFUInt32 Count() { return count; }

}  // namespace live_instances
