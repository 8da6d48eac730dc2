// The effect's registration, its factory, and its parameters.
#include "effect/HelixmorphicsV1.h"

#include <new>

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

FFUInt32 CreateHelixmorphicsV1(CFreeFrameGLPlugin** out) {
  if (out == nullptr) return FF_FAIL;
  try {
    *out = new HelixmorphicsV1();
  } catch (...) {
    *out = nullptr;
  }
  return *out != nullptr ? FF_SUCCESS : FF_FAIL;
}

HelixmorphicsV1::HelixmorphicsV1() {
  SetMinimumInputs(0);
  SetMaximumInputs(2);
  RegisterNumericParameter(kSpeed, "Speed", FF_TYPE_STANDARD, 0.1f);
  userSpeed = 0.5f;
  RegisterNumericParameter(kDistort, "Distort", FF_TYPE_STANDARD, 0.0f);
  userMouseX = 0.5f;
  RegisterNumericParameter(kMode, "Mode", FF_TYPE_STANDARD, 0.0f);
  userMouseY = 0.5f;
  ResetState();
  initialized = false;
}

void HelixmorphicsV1::ResetState() {
  clock = AnimationClock{};
  for (float& value : mouseValues) value = 0.5f;
  userSpeed = userMouseX = userMouseY = userMouseLeftX = userMouseLeftY = 0.5f;
  for (float& value : dateValues) value = 0.0f;
  for (float& value : channelTime) value = 0.0f;
  for (auto& resolution : channelResolution) {
    resolution[0] = 0.0f;
    resolution[1] = 0.0f;
    resolution[2] = 1.0f;
  }
  // Forgotten, not deleted: ResetState makes no GL call.
  inputCopy = InputCopy{};
}

std::atomic<float>* HelixmorphicsV1::ParameterField(FFUInt32 index) {
  switch (index) {
    case kSpeed: return &userSpeed;
    case kDistort: return &userMouseX;
    case kMode: return &userMouseY;
    case kMouseLeftX: return &userMouseLeftX;
    case kMouseLeftY: return &userMouseLeftY;
    case kRed: return &userRed;
    case kGreen: return &userGreen;
    case kBlue: return &userBlue;
    case kAlpha: return &userAlpha;
    default: return nullptr;
  }
}

FFUInt32 HelixmorphicsV1::SetFloatParameter(FFUInt32 index, float value) {
  std::atomic<float>* field = ParameterField(index);
  if (field == nullptr) return FF_FAIL;
  field->store(value);  // stored as given: no clamping
  return FF_SUCCESS;
}

float HelixmorphicsV1::GetFloatParameter(FFUInt32 index) {
  const std::atomic<float>* field = ParameterField(index);
  return field != nullptr ? field->load() : -1.0f;
}
