// The process-wide list of instances that FF_INSTANTIATEGL handed to a host
// and FF_DEINSTANTIATEGL has not yet destroyed. The entry point checks every
// instance identifier against it, so a stale or made-up identifier is
// answered with FF_FAIL instead of being dereferenced.
//
// Host threads may add, remove and look up at the same time. A lookup takes
// no lock: it scans slots that never move, so a frame on one instance never
// waits for another thread's instantiation.
#pragma once

#include "plugin/FreeFrame.h"

class CFreeFrameGLPlugin;

namespace live_instances {

// Adds an instance; false when the list cannot grow (the caller then
// refuses the instantiation).
bool Add(CFreeFrameGLPlugin* instance);
void Remove(CFreeFrameGLPlugin* instance);
// The live instance with this identifier, or null.
CFreeFrameGLPlugin* Find(FFWord identifier);

}  // namespace live_instances
