#include "tests/realgl/MesaContext.h"

#include <cstdio>
#include <cstdlib>

namespace mesa {
namespace {

[[noreturn]] void Abort(const std::string& why) {
  std::fprintf(stderr, "tests on Mesa cannot run: %s\n", why.c_str());
  std::abort();
}

}  // namespace

host::GLContext& Context() {
  static host::GLContext* context = [] {
    std::string error;
    auto made = host::GLContext::Create(error);
    if (made == nullptr) Abort(error);
    return made.release();
  }();
  return *context;
}

const host::HostGL& GL() {
  static host::HostGL gl = [] {
    host::HostGL loaded;
    std::string error;
    if (!loaded.Load(Context(), error)) Abort(error);
    return loaded;
  }();
  return gl;
}

host::PluginLibrary& Plugin() {
  static host::PluginLibrary* plugin = [] {
    std::string error;
    auto loaded = host::PluginLibrary::Load(HELIX_PLUGIN_PATH, error);
    if (loaded == nullptr) Abort(error);
    return loaded.release();
  }();
  return *plugin;
}

FFWord Call(FFUInt32 code, FFWord input, FFWord instance) {
  Context();
  return Plugin().Call(code, input, instance);
}

}  // namespace mesa
