// The built-in plugin, HelixmorphicsV1: the shader effect with its own
// description (the interference-band program and its nine parameters).
#pragma once

#include "effect/ShaderEffect.h"

class HelixmorphicsV1 : public ShaderEffect {
 public:
  // The nine numeric parameters by index. The first three are registered
  // with the host; the rest are accepted by the setter and getter but never
  // announced.
  enum Parameter : FFUInt32 {
    kSpeed,
    kDistort,
    kMode,
    kMouseLeftX,
    kMouseLeftY,
    kRed,
    kGreen,
    kBlue,
    kAlpha,
    kParameterCount,
    kRegisteredParameterCount = kMode + 1,
  };

  HelixmorphicsV1();
};

// The built-in plugin's description; built on first use, kept until unload.
const PluginDescription& HelixmorphicsV1Description();

// The factory kept in the built-in plugin's registration record.
FFUInt32 CreateHelixmorphicsV1(CFreeFrameGLPlugin** out);
