#include "plugin/LiveInstances.h"

#include <cstdlib>

#include "plugin/FreeFrameGLPlugin.h"

namespace live_instances {
namespace {

// A plain growable array: hosts keep a handful of instances, a linear scan
// is cheapest, and the storage is never released while the library is
// loaded, so no destructor runs at unload while a host may still call.
CFreeFrameGLPlugin** entries = nullptr;
FFUInt32 count = 0;
FFUInt32 capacity = 0;

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
