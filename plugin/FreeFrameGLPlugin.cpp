#include "plugin/FreeFrameGLPlugin.h"

#include <cstdio>
#include <cstring>

namespace {
// Shared by all instances, as hosts expect of FreeFrame display texts.
char displayBuffer[CFreeFrameGLPlugin::kDisplayBufferSize];
}  // namespace

FFUInt32 CFreeFrameGLPlugin::InitGL(const FFGLViewportStruct*) { return FF_SUCCESS; }
FFUInt32 CFreeFrameGLPlugin::DeInitGL() { return FF_SUCCESS; }
FFUInt32 CFreeFrameGLPlugin::SetFloatParameter(FFUInt32, float) { return FF_FAIL; }
FFUInt32 CFreeFrameGLPlugin::SetTextParameter(FFUInt32, const char*) { return FF_FAIL; }
float CFreeFrameGLPlugin::GetFloatParameter(FFUInt32) { return 0.0f; }
FFWord CFreeFrameGLPlugin::GetTextParameter(FFUInt32) { return FF_FAIL; }
FFUInt32 CFreeFrameGLPlugin::ProcessOpenGL(const ProcessOpenGLStruct*) { return FF_FAIL; }
FFUInt32 CFreeFrameGLPlugin::SetTime(double) { return FF_FAIL; }

FFUInt32 CFreeFrameGLPlugin::GetInputStatus(FFUInt32 index) {
  const int maximum = GetMaximumInputs();
  return (maximum > 0 && index < static_cast<FFUInt32>(maximum)) ? 1u : FF_FAIL;
}

const char* CFreeFrameGLPlugin::GetParameterDisplay(FFUInt32 index) {
  // Through this instance's own registry and getters.
  const FFUInt32 type = GetParameterType(index);
  if (type == FF_FAIL) return nullptr;
  if (type == FF_TYPE_TEXT) return reinterpret_cast<const char*>(GetTextParameter(index));
  const float value = GetFloatParameter(index);
  std::memset(displayBuffer, 0, sizeof displayBuffer);
  // Bounded: an out-of-range text is cut, never written past the buffer.
  std::snprintf(displayBuffer, sizeof displayBuffer, "%f", static_cast<double>(value));
  return displayBuffer;
}

const char* CFreeFrameGLPlugin::ShowDisplayText(const char* text) {
  std::memset(displayBuffer, 0, sizeof displayBuffer);
  std::snprintf(displayBuffer, sizeof displayBuffer, "%s", text);
  return displayBuffer;
}
