// The effect's factory, its parameters and their display texts.
#include "effect/ShaderEffect.h"

#include <cmath>
#include <cstdio>
#include <new>

FFUInt32 CreateShaderEffect(const PluginDescription& description, CFreeFrameGLPlugin** out) {
  if (out == nullptr) return FF_FAIL;
  try {
    *out = new ShaderEffect(description);
  } catch (...) {
    *out = nullptr;
  }
  return *out != nullptr ? FF_SUCCESS : FF_FAIL;
}

ShaderEffect::ShaderEffect(const PluginDescription& description) : description_(description) {
  SetMinimumInputs(description_.minimumInputs);
  SetMaximumInputs(description_.maximumInputs);
  SetSupportsTime(description_.hostTime);
  const std::size_t count = description_.parameters.size();
  parameterCount_ = static_cast<FFUInt32>(
      count < PluginDescription::kMaximumParameters ? count
                                                    : PluginDescription::kMaximumParameters);
  for (int& index : feedParameter) index = -1;
  for (FFUInt32 i = 0; i < parameterCount_; ++i) {
    const ParameterDescription& parameter = description_.parameters[i];
    if (parameter.announced) {
      RegisterNumericParameter(i, parameter.name.c_str(), parameter.type, parameter.defaultValue);
    }
    const auto feed = static_cast<FFUInt32>(parameter.feed);
    if (parameter.feed != ParameterFeed::kNone && feed < std::size(feedParameter) &&
        feedParameter[feed] < 0) {
      feedParameter[feed] = static_cast<int>(i);
    }
  }
  ResetState();
  initialized = false;
}

void ShaderEffect::ResetState() {
  clock = AnimationClock{};
  for (float& value : mouseValues) value = 0.5f;
  for (FFUInt32 i = 0; i < parameterCount_; ++i) {
    parameterValues[i] = description_.parameters[i].initialValue;
  }
  for (float& value : dateValues) value = 0.0f;
  for (float& value : channelTime) value = 0.0f;
  for (auto& resolution : channelResolution) {
    resolution[0] = 0.0f;
    resolution[1] = 0.0f;
    resolution[2] = 1.0f;
  }
  // Forgotten, not deleted: ResetState makes no GL call.
  inputCopy = InputCopy{};
  channelTextures = ChannelTextures{};
  frameNumber = 0;
  timeDelta = 0.0f;
  frameRate = 60.0f;
  mouseDown = false;
  mousePress[0] = mousePress[1] = 0.0f;
  hostTime = clockHostTime = 0.0;
  hostTimeGiven = false;
}

FFUInt32 ShaderEffect::SetTime(double time) {
  if (!description_.hostTime) return CFreeFrameGLPlugin::SetTime(time);
  if (!std::isfinite(time)) return FF_FAIL;
  hostTime = time;
  hostTimeGiven = true;
  return FF_SUCCESS;
}

FFUInt32 ShaderEffect::SetFloatParameter(FFUInt32 index, float value) {
  if (index >= parameterCount_) return FF_FAIL;
  parameterValues[index].store(value);  // stored as given: no clamping
  return FF_SUCCESS;
}

float ShaderEffect::GetFloatParameter(FFUInt32 index) {
  return index < parameterCount_ ? parameterValues[index].load() : -1.0f;
}

const char* ShaderEffect::GetParameterDisplay(FFUInt32 index) {
  if (description_.timePasses && index == parameterCount_) {
    return ShowDisplayText(passTimer.text);
  }
  if (index >= parameterCount_ || GetParameterType(index) == FF_FAIL) {
    return CFreeFrameGLPlugin::GetParameterDisplay(index);
  }
  const ParameterDescription& parameter = description_.parameters[index];
  const float value = parameterValues[index].load();
  switch (parameter.display) {
    case ParameterDisplay::kRange: {
      const double shown = parameter.displayMinimum +
                           double{value} * (double{parameter.displayMaximum} -
                                            double{parameter.displayMinimum});
      char text[kDisplayBufferSize];
      std::snprintf(text, sizeof text, "%g", shown);
      return ShowDisplayText(text);
    }
    case ParameterDisplay::kLabels: {
      const std::size_t count = parameter.labels.size();
      if (count == 0) break;
      const double clamped = std::isnan(value) ? 0.0 : std::fmin(std::fmax(value, 0.0f), 1.0f);
      const auto label = static_cast<std::size_t>(std::lround(clamped * double(count - 1)));
      return ShowDisplayText(parameter.labels[label].c_str());
    }
    default:
      break;
  }
  return CFreeFrameGLPlugin::GetParameterDisplay(index);
}
