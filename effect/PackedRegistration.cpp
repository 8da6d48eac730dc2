// The registration record of a plugin made by ffgl-pack: the template
// library reads its description from its own file when it loads. A library
// without a usable description registers nothing, so every code that needs
// the record (FF_GETINFO, FF_INITIALISE, FF_INSTANTIATEGL, ...) refuses,
// and it says why once on the debug output.
#include <optional>
#include <string>

#include "effect/DescribedRegistration.h"
#include "effect/PackedDescription.h"
#include "effect/ShaderEffect.h"
#include "platform/Platform.h"

namespace {

// Destroyed in reverse: the record before the description it points into.
PluginDescription description;
std::optional<DescribedRegistration> registration;

FFUInt32 CreateInstance(CFreeFrameGLPlugin** out) { return CreateShaderEffect(description, out); }

struct RegisterAtLoad {
  RegisterAtLoad() {
    try {
      std::string error;
      if (LoadPackedDescription(description, error)) {
        registration.emplace(description, CreateInstance);
        return;
      }
      const std::string line =
          "FreeFrame GL plugin " + error +
          "; the plugin refuses to load (make it again with ffgl-pack).\n";
      platform::WriteDebugText(line.c_str());
    } catch (...) {
      // Without memory there is nothing to register or to report with.
    }
  }
} registerAtLoad;

}  // namespace
