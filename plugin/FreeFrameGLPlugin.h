// Base class of every plugin instance: the template instance that describes
// the plugin and each instance a host creates. The entry point reaches an
// instance only through these virtual operations; each has the default
// behaviour a plugin gets when it does not override it.
#pragma once

#include "plugin/FFGLPluginManager.h"
#include "plugin/FreeFrame.h"

class CFreeFrameGLPlugin : public CFFGLPluginManager {
 public:
  CFreeFrameGLPlugin() = default;
  ~CFreeFrameGLPlugin() override = default;

  virtual FFUInt32 InitGL(const FFGLViewportStruct* viewport);
  virtual FFUInt32 DeInitGL();
  // Display text of a parameter: a text parameter's own text, or a numeric
  // value formatted like "%f" into the process-wide display buffer (valid
  // until the next numeric display on any instance); null when unregistered.
  virtual const char* GetParameterDisplay(FFUInt32 index);
  virtual FFUInt32 SetFloatParameter(FFUInt32 index, float value);
  virtual FFUInt32 SetTextParameter(FFUInt32 index, const char* text);
  virtual float GetFloatParameter(FFUInt32 index);
  virtual FFWord GetTextParameter(FFUInt32 index);
  virtual FFUInt32 ProcessOpenGL(const ProcessOpenGLStruct* frame);
  virtual FFUInt32 SetTime(double hostTime);
  virtual FFUInt32 GetInputStatus(FFUInt32 index);

  // Capacity of the shared display buffer: the "%f" text of any finite
  // float fits whole (FLT_MAX gives 39 digits, a point and six decimals;
  // with a sign and the terminator that is 48 bytes).
  static constexpr std::size_t kDisplayBufferSize = 48;

 protected:
  // Copies `text` into the shared display buffer, cut to fit, and returns
  // the buffer.
  static const char* ShowDisplayText(const char* text);
};
