#include "host/loader/PluginSession.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/gl/HostFramebuffer.h"
#include "host/loader/PluginMemory.h"

namespace host {

std::string FixedWidthText(const char* field, std::size_t width) {
  return PluginText(field, width);
}

std::string PluginText(const char* text, std::size_t limit) {
  std::string copy;
  return CopyPluginText(text, limit, copy) ? copy : std::string();
}

namespace {

// A text a plugin's record points at: none (null) reads as empty; false
// only when the address cannot be read.
bool ReadRecordText(const char* address, std::string& text) {
  text.clear();
  return address == nullptr || CopyPluginText(address, 4096, text);
}

}  // namespace

std::unique_ptr<PluginSession> PluginSession::Open(const std::string& path, std::string& error) {
  auto library = PluginLibrary::Load(path, error);
  if (library == nullptr) return nullptr;
  const FFWord info = library->Call(FF_GETINFO);
  if (info == 0 || IsFail(info)) {
    error = "'" + path + "' gives no information record: not a working FreeFrame plugin";
    return nullptr;
  }
  if (IsFail(library->Call(FF_INITIALISE))) {
    error = "'" + path + "' refuses to initialise";
    return nullptr;
  }
  std::unique_ptr<PluginSession> session(new PluginSession(std::move(library)));
  if (!session->Describe(error)) return nullptr;
  return session;
}

PluginSession::~PluginSession() { library_->Call(FF_DEINITIALISE); }

bool PluginSession::Describe(std::string& error) {
  const PluginLibrary& plugin = *library_;
  const std::string who = "'" + plugin.Path() + "': ";
  PluginInfoStruct info{};
  if (!CopyPluginRecord(plugin.Call(FF_GETINFO), info)) {
    error = who + "FF_GETINFO gives no information record that can be read";
    return false;
  }
  PluginDescription& d = description_;
  d.name = FixedWidthText(info.PluginName, sizeof info.PluginName);
  d.identifier = FixedWidthText(info.PluginUniqueID, sizeof info.PluginUniqueID);
  d.apiMajor = info.APIMajorVersion;
  d.apiMinor = info.APIMinorVersion;
  d.type = info.PluginType;

  const FFWord extendedWord = plugin.Call(FF_GETEXTENDEDINFO);
  if (extendedWord != 0 && !IsFail(extendedWord)) {
    PluginExtendedInfoStruct extended{};
    if (!CopyPluginRecord(extendedWord, extended) ||
        !ReadRecordText(extended.Description, d.description) ||
        !ReadRecordText(extended.About, d.about)) {
      error = who + "FF_GETEXTENDEDINFO gives a record or text that cannot be read";
      return false;
    }
    d.hasExtendedInfo = true;
    d.pluginMajor = extended.PluginMajorVersion;
    d.pluginMinor = extended.PluginMinorVersion;
  }

  const FFWord count = plugin.Call(FF_GETNUMPARAMETERS);
  // A count this large is a failure word or garbage, not a parameter list.
  if (IsFail(count) || count > 1024) {
    error = "'" + plugin.Path() + "' does not say how many parameters it has";
    return false;
  }
  for (FFUInt32 i = 0; i < static_cast<FFUInt32>(count); ++i) {
    ParameterDescription p;
    p.index = i;
    const FFWord nameWord = plugin.Call(FF_GETPARAMETERNAME, i);
    if (nameWord != 0 && !IsFail(nameWord) &&
        !CopyPluginText(reinterpret_cast<const char*>(nameWord), 16, p.name)) {
      error = who + "FF_GETPARAMETERNAME gives parameter " + std::to_string(i) +
              " a name that cannot be read";
      return false;
    }
    p.type = static_cast<FFUInt32>(plugin.Call(FF_GETPARAMETERTYPE, i));
    p.isText = p.type == FF_TYPE_TEXT;
    const FFWord defaultWord = plugin.Call(FF_GETPARAMETERDEFAULT, i);
    if (p.isText) {
      if (defaultWord != 0 && !IsFail(defaultWord) &&
          !CopyPluginText(reinterpret_cast<const char*>(defaultWord), 4096, p.defaultText)) {
        error = who + "FF_GETPARAMETERDEFAULT gives parameter " + std::to_string(i) +
                " a text that cannot be read";
        return false;
      }
    } else {
      p.defaultValue = FFFloatFromWord(defaultWord);
    }
    d.parameters.push_back(std::move(p));
  }

  d.processesOpenGL = plugin.Call(FF_GETPLUGINCAPS, FF_CAP_PROCESSOPENGL) == 1;
  d.supportsHostTime = plugin.Call(FF_GETPLUGINCAPS, FF_CAP_SETTIME) == 1;
  const FFWord minimum = plugin.Call(FF_GETPLUGINCAPS, FF_CAP_MINIMUMINPUTFRAMES);
  const FFWord maximum = plugin.Call(FF_GETPLUGINCAPS, FF_CAP_MAXIMUMINPUTFRAMES);
  d.minimumInputs = IsFail(minimum) ? 0 : static_cast<FFUInt32>(minimum);
  d.maximumInputs = IsFail(maximum) ? 0 : static_cast<FFUInt32>(maximum);
  for (NamedInput& input : ReadPackedInputs(plugin.Path())) {
    if (input.parameter + input.components <= d.parameters.size()) {
      d.namedInputs.push_back(std::move(input));
    }
  }
  return true;
}

const ParameterDescription* PluginSession::FindParameter(const std::string& name) const {
  for (const auto& p : description_.parameters) {
    if (p.name == name) return &p;
  }
  const auto lower = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
  };
  for (const auto& p : description_.parameters) {
    if (lower(p.name) == lower(name)) return &p;
  }
  return nullptr;
}

std::unique_ptr<PluginInstance> PluginInstance::Create(const PluginLibrary& library, int width,
                                                       int height, std::string& error) {
  FFGLViewportStruct viewport{0, 0, static_cast<FFUInt32>(width), static_cast<FFUInt32>(height)};
  const FFWord id = library.Call(FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport));
  if (IsFail(id) || id == 0) {
    error = "'" + library.Path() + "' refuses to create an OpenGL instance at " +
            std::to_string(width) + "x" + std::to_string(height);
    return nullptr;
  }
  return std::unique_ptr<PluginInstance>(new PluginInstance(library, id));
}

PluginInstance::~PluginInstance() { library_.Call(FF_DEINSTANTIATEGL, 0, id_); }

bool PluginInstance::SetFloat(FFUInt32 index, float value) const {
  SetParameterStruct set{index, FFWordFromFloat(value)};
  return !IsFail(library_.Call(FF_SETPARAMETER, reinterpret_cast<FFWord>(&set), id_));
}

bool PluginInstance::SetText(FFUInt32 index, const std::string& text) const {
  SetParameterStruct set{index, reinterpret_cast<FFWord>(text.c_str())};
  return !IsFail(library_.Call(FF_SETPARAMETER, reinterpret_cast<FFWord>(&set), id_));
}

FFWord PluginInstance::Get(FFUInt32 index) const {
  return library_.Call(FF_GETPARAMETER, index, id_);
}

std::string PluginInstance::Display(FFUInt32 index) const {
  const FFWord word = library_.Call(FF_GETPARAMETERDISPLAY, index, id_);
  if (word == 0 || IsFail(word)) return std::string();
  return PluginText(reinterpret_cast<const char*>(word), 256);
}

bool PluginInstance::SetTime(double seconds) const {
  return !IsFail(library_.Call(FF_SETTIME, reinterpret_cast<FFWord>(&seconds), id_));
}

FFWord PluginInstance::ProcessFrame(const HostFramebuffer& target,
                                    const std::vector<FFGLTextureStruct*>& inputs) const {
  ProcessOpenGLStruct frame{static_cast<FFUInt32>(inputs.size()),
                            inputs.empty() ? nullptr
                                           : const_cast<FFGLTextureStruct**>(inputs.data()),
                            target.Framebuffer()};
  return library_.Call(FF_PROCESSOPENGL, reinterpret_cast<FFWord>(&frame), id_);
}

}  // namespace host
