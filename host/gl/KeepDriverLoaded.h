// The OpenGL driver, and the libraries it brings in, stay loaded until the
// process ends. Tearing down the window system would unload them, and what
// they keep for the life of the process would then look to the leak checker
// like a leak of nameless code, indistinguishable from one of ours or the
// plugin's. Libraries loaded later (the plugin) are not affected.
#pragma once

#include <set>
#include <string>

namespace host {

using LibrariesBefore = std::set<std::string>;

// The libraries loaded now; taken before the context is made.
LibrariesBefore LoadedLibraries();
// Keeps every library loaded since `before` until the process ends.
void KeepLoadedUntilExit(const LibrariesBefore& before);

}  // namespace host
