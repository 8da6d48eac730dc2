#include "host/gl/KeepDriverLoaded.h"

#include <dlfcn.h>
#include <link.h>

namespace host {

LibrariesBefore LoadedLibraries() {
  LibrariesBefore paths;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* found) {
        if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
          static_cast<LibrariesBefore*>(found)->insert(info->dlpi_name);
        }
        return 0;
      },
      &paths);
  return paths;
}

void KeepLoadedUntilExit(const LibrariesBefore& before) {
  for (const std::string& path : LoadedLibraries()) {
    if (before.count(path) == 0) dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
  }
}

}  // namespace host
