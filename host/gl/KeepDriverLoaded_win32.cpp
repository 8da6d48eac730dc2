// Windows: no leak checker to mislead, and the system unloads OpenGL drivers
// only at exit anyway, so there is nothing to keep.
#include "host/gl/KeepDriverLoaded.h"

namespace host {

LibrariesBefore LoadedLibraries() { return {}; }

void KeepLoadedUntilExit(const LibrariesBefore&) {}

}  // namespace host
