#include <dlfcn.h>
#include <link.h>

#include <fstream>

#include "host/loader/LibraryFile.h"
#include "host/loader/PluginCallScope.h"
#include "host/loader/PluginLibrary.h"

namespace host {
namespace {

struct CodeSearch {
  ElfW(Addr) base;
  const void* begin = nullptr;
  const void* end = nullptr;
};

// The executable segments of the object loaded at `base`.
int FindCode(dl_phdr_info* info, std::size_t, void* data) {
  auto* search = static_cast<CodeSearch*>(data);
  if (info->dlpi_addr != search->base) return 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
    const auto* begin = reinterpret_cast<const char*>(info->dlpi_addr + segment.p_vaddr);
    if (search->begin == nullptr || begin < search->begin) search->begin = begin;
    if (begin + segment.p_memsz > search->end) search->end = begin + segment.p_memsz;
  }
  return 1;
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string& error) {
  if (!std::ifstream(path).good()) {
    error = "cannot open plugin file '" + path + "'";
    return nullptr;
  }
  // A path without a slash would be searched for; a host means this file.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  std::string truncation;
  if (!LibraryFileIsWhole(loadPath, truncation)) {
    error = "'" + path + "' is not a plugin library that can be loaded (" + truncation + ")";
    return nullptr;
  }
  void* handle = nullptr;
  {
    PluginCallScope loading(kLoading);
    handle = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = "'" + path + "' is not a plugin library that can be loaded" +
            (reason != nullptr ? std::string(" (") + reason + ")" : std::string());
    return nullptr;
  }
  auto plugMain = reinterpret_cast<FFPlugMainFunc>(dlsym(handle, "plugMain"));
  if (plugMain == nullptr) {
    dlclose(handle);
    error = "'" + path + "' has no plugMain export: not a FreeFrame plugin";
    return nullptr;
  }
  std::unique_ptr<PluginLibrary> library(new PluginLibrary(handle, plugMain, path));
  Dl_info where{};
  if (dladdr(reinterpret_cast<void*>(plugMain), &where) != 0) {
    CodeSearch search{reinterpret_cast<ElfW(Addr)>(where.dli_fbase)};
    dl_iterate_phdr(FindCode, &search);
    library->codeBegin_ = search.begin;
    library->codeEnd_ = search.end;
    NotePluginCode(search.begin, search.end);
  }
  return library;
}

PluginLibrary::~PluginLibrary() {
  ForgetPluginCode(codeBegin_);
  PluginCallScope unloading(kUnloading);
  dlclose(handle_);
}

}  // namespace host
