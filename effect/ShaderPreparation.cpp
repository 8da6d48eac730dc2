// The GL side of an instance's life apart from drawing: loading the
// extension table, preparing and compiling the shader program, finding its
// uniforms, and releasing every GL object.
#include "effect/ShaderEffect.h"

#include <atomic>
#include <cstddef>
#include <string>

#include "effect/FragmentPreparation.h"
#include "effect/ShaderTexts.h"
#include "plugin/FFGLPluginRegistration.h"
#include "platform/Platform.h"

namespace {
// One report per loaded library: a host that makes instance after instance
// would otherwise repeat it.
std::atomic<bool> rejectedProgramReported{false};
}  // namespace

FFUInt32 ShaderEffect::InitGL(const FFGLViewportStruct* viewport) {
  return InitGLWithFragment(viewport, description_.fragmentText.c_str());
}

FFUInt32 ShaderEffect::InitGLWithFragment(const FFGLViewportStruct* viewport,
                                             const char* fragmentText) {
  extensions.Load();
  if (extensions.multitextureSupported == 0 || extensions.shaderObjectsSupported == 0) {
    return FF_FAIL;
  }
  if (viewport == nullptr) return FF_FAIL;
  const char* why = nullptr;
  if (!PassBuffers::Usable(extensions, description_, why)) {
    ReportUnusable(why);
    return FF_FAIL;
  }
  viewportWidth = static_cast<float>(viewport->width);
  viewportHeight = static_cast<float>(viewport->height);
  clock.Restart();
  // An instance whose program does not build lives on and draws nothing.
  initialized = PrepareProgram(fragmentText != nullptr ? fragmentText : "");
  if (!initialized && description_.reportRejectedProgram) ReportRejectedProgram();
  if (initialized && description_.CompleteProgram() &&
      !passBuffers.AssignUnits(shader, description_, why)) {
    ReportUnusable(why);
    DeInitGL();
    return FF_FAIL;
  }
  return FF_SUCCESS;
}

void ShaderEffect::ReportUnusable(const char* why) const {
  try {
    std::string message = "FreeFrame GL plugin '" + description_.name + "': " + why + ".\n";
    platform::WriteDebugText(message.c_str());
  } catch (...) {
    // Without memory for the message there is nothing to report with.
  }
}

void ShaderEffect::ReportRejectedProgram() const {
  if (rejectedProgramReported.exchange(true)) return;
  try {
    std::string message = "FreeFrame GL plugin '";
    if (currentRegistration != nullptr) {
      // The 16-byte name field holds no terminator when full.
      const auto& name = currentRegistration->Info()->PluginName;
      for (std::size_t i = 0; i < sizeof name && name[i] != '\0'; ++i) message += name[i];
    }
    message += "': the OpenGL driver rejected its shader program; the plugin draws nothing.\n";
    message += shader.CompileLog();
    if (message.back() != '\n') message += '\n';
    platform::WriteDebugText(message.c_str());
  } catch (...) {
    // Without memory for the message there is nothing to report with.
  }
}

bool ShaderEffect::PrepareProgram(std::string fragmentText) {
  const bool complete = description_.CompleteProgram();
  if (!complete) PrepareFragmentText(fragmentText, FragmentOptions::Of(description_));

  shader.UseExtensionTable(&extensions);
  const char* vertexText =
      complete ? description_.vertexText.c_str() : shader_texts::VertexShaderText;
  if (shader.CompileAndLink(vertexText, fragmentText.c_str()) == 0) {
    return false;
  }
  if (shader.IsUsable() == 0 || shader.MakeCurrent() == 0) return false;

  if (description_.siteConventions) {
    LocateSiteUniforms();
  } else {
    LocateUniforms();
  }
  shader.ClearCurrent();  // between frames no program is current
  inputCopy.DeleteTextures();
  if (complete) passBuffers.MakePictures(extensions, description_);
  if (complete && description_.timePasses && !passTimer.Active()) {
    passTimer.Start(extensions, description_.passes.empty() ? 1 : description_.passes.size());
  }
  if (description_.siteConventions) {
    channelTextures.DeleteObjects();
    bool used[4];
    for (int i = 0; i < 4; ++i) used[i] = channelLocation[i] >= 0;
    channelTextures.MakePictures(extensions, description_.channels, used);
    for (int i = 0; i < 4; ++i) {
      const ChannelDescription& c = description_.channels[i];
      if (c.source != ChannelSource::kPicture) continue;
      channelResolution[i][0] = static_cast<float>(c.width);
      channelResolution[i][1] = static_cast<float>(c.height);
    }
    frameNumber = 0;
    clockHostTime = 0.0;
  }
  clock.Restart();  // the animation starts when the program is ready
  return true;
}

void ShaderEffect::LocateUniforms() {
  for (GLint& location : channelLocation) location = -1;
  timeLocation = dateLocation = channelTimeLocation = channelResolutionLocation = -1;
  mouseLocation = iResolutionLocation = iMouseLocation = resolutionLocation = -1;
  surfaceSizeLocation = inputColourLocation = -1;
  if (description_.CompleteProgram()) {
    namedUniforms.Locate(shader, description_, parameterCount_, channelLocation);
    return;
  }

  // In this order; the first name the program knows settles its field, and
  // later names for a settled field are not asked for.
  struct Lookup {
    const char* name;
    GLint* location;
  };
  const Lookup lookups[] = {
      {"texture", &channelLocation[0]},
      {"tex0", &channelLocation[0]},
      {"tex1", &channelLocation[1]},
      {"backbuffer", &channelLocation[0]},
      {"bbuff", &channelLocation[0]},
      {"time", &timeLocation},
      {"mouse", &mouseLocation},
      {"resolution", &resolutionLocation},
      {"surfaceSize", &surfaceSizeLocation},
      {"iChannel0", &channelLocation[0]},
      {"iChannel1", &channelLocation[1]},
      {"iChannel2", &channelLocation[2]},
      {"iChannel3", &channelLocation[3]},
      {"iResolution", &iResolutionLocation},
      {"iMouse", &iMouseLocation},
      {"iGlobalTime", &timeLocation},
      {"iDate", &dateLocation},
      {"iChannelTime[4]", &channelTimeLocation},
      {"iChannelTime[0]", &channelTimeLocation},
      {"iChannelTime[1]", &channelTimeLocation},
      {"iChannelTime[2]", &channelTimeLocation},
      {"iChannelTime[3]", &channelTimeLocation},
      {"iChannelResolution[4]", &channelResolutionLocation},
      {"iChannelResolution[0]", &channelResolutionLocation},
      {"iChannelResolution[1]", &channelResolutionLocation},
      {"iChannelResolution[2]", &channelResolutionLocation},
      {"iChannelResolution[3]", &channelResolutionLocation},
      {"inputColour", &inputColourLocation},
  };
  for (const Lookup& lookup : lookups) {
    if (*lookup.location < 0) *lookup.location = shader.LocateUniform(lookup.name);
  }
}

FFUInt32 ShaderEffect::DeInitGL() {
  if (initialized) shader.ClearCurrent();
  shader.DeleteObjects();
  inputCopy.DeleteObjects(extensions);
  channelTextures.DeleteObjects();
  passBuffers.DeleteObjects(extensions);
  passTimer.DeleteObjects(extensions);
  initialized = false;
  return FF_SUCCESS;
}
