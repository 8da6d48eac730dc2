// The built-in plugin's registration record. Plugins made from shader files
// link their own record in place of this one.
#include "effect/HelixmorphicsV1.h"
#include "plugin/FFGLPluginRegistration.h"

namespace {

const char kDescription[] =
    "Animated interference bands in colours swinging between orange and blue";
const char kAbout[] =
    "Helixmorphics 1.4: a FreeFrame GL video source. Speed sets the animation rate, "
    "Distort bends the bands, Mode blends between two band patterns.";

// Built by static initialisation when the library loads, before a host can
// call plugMain; destroyed at unload.
const CFFGLPluginRegistration registration(CreateHelixmorphicsV1, "HLXM", "Helixmorphics1_D",
                                           1, 6, 1, 4, FF_SOURCE, kDescription, kAbout, 0,
                                           nullptr);

}  // namespace
