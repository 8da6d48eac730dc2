// A loaded plugin as a host sees it through plugMain: its information
// records, parameters and capabilities read once after FF_INITIALISE, and
// GL instances that render into the host's framebuffer. Works for any
// FreeFrame GL 1.x plugin, source or effect.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/loader/PackedInputs.h"
#include "host/loader/PluginLibrary.h"
#include "plugin/FreeFrame.h"

namespace host {

class HostFramebuffer;

struct ParameterDescription {
  FFUInt32 index = 0;
  std::string name;
  FFUInt32 type = 0;
  bool isText = false;
  float defaultValue = 0.0f;  // numeric parameters
  std::string defaultText;    // text parameters
};

struct PluginDescription {
  std::string name;        // the 16-character field, trailing NULs dropped
  std::string identifier;  // the 4-character field
  FFUInt32 apiMajor = 0;
  FFUInt32 apiMinor = 0;
  FFUInt32 type = 0;
  bool hasExtendedInfo = false;
  FFUInt32 pluginMajor = 0;
  FFUInt32 pluginMinor = 0;
  std::string description;
  std::string about;
  std::vector<ParameterDescription> parameters;
  bool processesOpenGL = false;
  bool supportsHostTime = false;
  FFUInt32 minimumInputs = 0;
  FFUInt32 maximumInputs = 0;
  // A plugin made from an ISF file: the shader's inputs by their own names.
  std::vector<NamedInput> namedInputs;
};

// True when a result word is FF_FAIL: 0xFFFFFFFF in the low 32 bits, which
// 64-bit plugins return zero- or sign-extended.
inline bool IsFail(FFWord word) { return static_cast<FFUInt32>(word) == FF_FAIL; }

// A fixed-width text field of a record: up to `width` characters, ending at
// the first NUL if there is one.
std::string FixedWidthText(const char* field, std::size_t width);
// A NUL-terminated text a plugin hands out, read no further than `limit`.
std::string PluginText(const char* text, std::size_t limit = 4096);

class PluginSession {
 public:
  // Loads the library, reads its information record and initialises it.
  // Null with a one-line reason in `error` when any of it fails.
  static std::unique_ptr<PluginSession> Open(const std::string& path, std::string& error);
  ~PluginSession();  // FF_DEINITIALISE
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  const PluginLibrary& Library() const { return *library_; }
  const PluginDescription& Description() const { return description_; }
  // The parameter called `name` (exact, else ignoring case), or null.
  const ParameterDescription* FindParameter(const std::string& name) const;

 private:
  explicit PluginSession(std::unique_ptr<PluginLibrary> library) : library_(std::move(library)) {}
  bool Describe(std::string& error);

  std::unique_ptr<PluginLibrary> library_;
  PluginDescription description_;
};

// One FF_INSTANTIATEGL instance, destroyed with FF_DEINSTANTIATEGL.
class PluginInstance {
 public:
  // Null with a one-line reason in `error` when the plugin refuses.
  static std::unique_ptr<PluginInstance> Create(const PluginLibrary& library, int width,
                                                int height, std::string& error);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  FFWord Id() const { return id_; }
  bool SetFloat(FFUInt32 index, float value) const;
  bool SetText(FFUInt32 index, const std::string& text) const;
  FFWord Get(FFUInt32 index) const;
  std::string Display(FFUInt32 index) const;
  bool SetTime(double seconds) const;
  // One frame into `target` (bound by the caller, as a host does), with
  // `inputs` as the input textures; null entries mean "no input here".
  FFWord ProcessFrame(const HostFramebuffer& target,
                      const std::vector<FFGLTextureStruct*>& inputs) const;

 private:
  PluginInstance(const PluginLibrary& library, FFWord id) : library_(library), id_(id) {}
  const PluginLibrary& library_;
  FFWord id_;
};

}  // namespace host
