// The built-in plugin's description, factory and registration record.
// Plugins made from shader files link the packed registration in place of
// this file.
#include "effect/HelixmorphicsV1.h"

#include <new>

#include "effect/ShaderTexts.h"
#include "effect/DescribedRegistration.h"

namespace {

const char kDescription[] =
    "Animated interference bands in colours swinging between orange and blue";
const char kAbout[] =
    "Helixmorphics 1.4: a FreeFrame GL video source. Speed sets the animation rate, "
    "Distort bends the bands, Mode blends between two band patterns.";

ParameterDescription Parameter(const char* name, float defaultValue, float initialValue,
                               bool announced, ParameterFeed feed) {
  ParameterDescription parameter;
  parameter.name = name;
  parameter.defaultValue = defaultValue;
  parameter.initialValue = initialValue;
  parameter.announced = announced;
  parameter.feed = feed;
  return parameter;
}

PluginDescription MakeDescription() {
  PluginDescription d;
  d.uniqueId[0] = 'H';
  d.uniqueId[1] = 'L';
  d.uniqueId[2] = 'X';
  d.uniqueId[3] = 'M';
  d.name = "Helixmorphics1_D";
  d.pluginType = FF_SOURCE;
  d.versionMajor = 1;
  d.versionMinor = 4;
  d.description = kDescription;
  d.about = kAbout;
  d.minimumInputs = 0;
  d.maximumInputs = 2;
  // Distort and Mode reach the program as the mouse position; the hidden
  // six hold the second mouse position and the input colour.
  using F = ParameterFeed;
  d.parameters = {
      Parameter("Speed", 0.1f, 0.5f, true, F::kClockSpeed),
      Parameter("Distort", 0.0f, 0.5f, true, F::kMouseX),
      Parameter("Mode", 0.0f, 0.5f, true, F::kMouseY),
      Parameter("", 0.5f, 0.5f, false, F::kMouseLeftX),
      Parameter("", 0.5f, 0.5f, false, F::kMouseLeftY),
      Parameter("", 1.0f, 1.0f, false, F::kRed),
      Parameter("", 1.0f, 1.0f, false, F::kGreen),
      Parameter("", 1.0f, 1.0f, false, F::kBlue),
      Parameter("", 1.0f, 1.0f, false, F::kAlpha),
  };
  d.fragmentText = shader_texts::FragmentShaderText;
  d.reportRejectedProgram = false;
  return d;
}

}  // namespace

const PluginDescription& HelixmorphicsV1Description() {
  static const PluginDescription description = MakeDescription();
  return description;
}

HelixmorphicsV1::HelixmorphicsV1() : ShaderEffect(HelixmorphicsV1Description()) {}

FFUInt32 CreateHelixmorphicsV1(CFreeFrameGLPlugin** out) {
  if (out == nullptr) return FF_FAIL;
  try {
    *out = new HelixmorphicsV1();
  } catch (...) {
    *out = nullptr;
  }
  return *out != nullptr ? FF_SUCCESS : FF_FAIL;
}

namespace {

// Built by static initialisation when the library loads, before a host can
// call plugMain; destroyed at unload.
const DescribedRegistration registration(HelixmorphicsV1Description(), CreateHelixmorphicsV1);

}  // namespace
