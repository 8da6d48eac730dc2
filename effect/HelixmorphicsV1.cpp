// The effect's factory and its parameters.
#include "effect/HelixmorphicsV1.h"

#include <new>

#include "effect/ShaderTexts.h"

namespace {

const EffectSettings kBuiltInSettings{shader_texts::FragmentShaderText,
                                      {"Speed", "Distort", "Mode"},
                                      {0.1f, 0.0f, 0.0f},
                                      0,
                                      false};

}  // namespace

FFUInt32 CreateHelixmorphicsV1(CFreeFrameGLPlugin** out) {
  return CreateEffectInstance(kBuiltInSettings, out);
}

FFUInt32 CreateEffectInstance(const EffectSettings& settings, CFreeFrameGLPlugin** out) {
  if (out == nullptr) return FF_FAIL;
  try {
    *out = new HelixmorphicsV1(settings);
  } catch (...) {
    *out = nullptr;
  }
  return *out != nullptr ? FF_SUCCESS : FF_FAIL;
}

HelixmorphicsV1::HelixmorphicsV1() : HelixmorphicsV1(kBuiltInSettings) {}

HelixmorphicsV1::HelixmorphicsV1(const EffectSettings& chosen) : settings(chosen) {
  SetMinimumInputs(settings.minimumInputs);
  SetMaximumInputs(2);
  RegisterNumericParameter(kSpeed, settings.parameterNames[kSpeed], FF_TYPE_STANDARD,
                           settings.parameterDefaults[kSpeed]);
  userSpeed = 0.5f;
  RegisterNumericParameter(kDistort, settings.parameterNames[kDistort], FF_TYPE_STANDARD,
                           settings.parameterDefaults[kDistort]);
  userMouseX = 0.5f;
  RegisterNumericParameter(kMode, settings.parameterNames[kMode], FF_TYPE_STANDARD,
                           settings.parameterDefaults[kMode]);
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
