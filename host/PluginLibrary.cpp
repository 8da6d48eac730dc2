#include "host/PluginLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <fstream>

namespace host {

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string& error) {
  if (!std::ifstream(path).good()) {
    error = "cannot open plugin file '" + path + "'";
    return nullptr;
  }
#if defined(_WIN32)
  HMODULE handle = LoadLibraryA(path.c_str());
  if (handle == nullptr) {
    error = "'" + path + "' is not a plugin library that can be loaded";
    return nullptr;
  }
  auto plugMain = reinterpret_cast<FFPlugMainFunc>(
      reinterpret_cast<void*>(GetProcAddress(handle, "plugMain")));
  if (plugMain == nullptr) {
    FreeLibrary(handle);
    error = "'" + path + "' has no plugMain export: not a FreeFrame plugin";
    return nullptr;
  }
  return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, plugMain, path));
#else
  // A path without a slash would be searched for; a host means this file.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
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
  return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, plugMain, path));
#endif
}

PluginLibrary::~PluginLibrary() {
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

}  // namespace host
