#include "plugin/FFGLPluginRegistration.h"

#include <cstring>
#include <new>

#include "plugin/OwnedText.h"

CFFGLPluginRegistration* currentRegistration = nullptr;

namespace {

// Copies up to `width` characters, stopping after a NUL; the record starts
// zero-filled, so the bytes after a short name stay zero.
void CopyFixedWidth(char* field, std::size_t width, const char* text) {
  if (text == nullptr) return;
  for (std::size_t i = 0; i < width; ++i) {
    field[i] = text[i];
    if (text[i] == '\0') break;
  }
}

}  // namespace

CFFGLPluginRegistration::CFFGLPluginRegistration(
    InstanceFactory factoryFunction, const char* uniqueId, const char* name,
    FFUInt32 apiMajorVersion, FFUInt32 apiMinorVersion, FFUInt32 pluginMajorVersion,
    FFUInt32 pluginMinorVersion, FFUInt32 pluginType, const char* description, const char* about,
    FFUInt32 extendedDataSize, const void* extendedDataBlock)
    : factory(factoryFunction) {
  info.APIMajorVersion = apiMajorVersion;
  info.APIMinorVersion = apiMinorVersion;
  CopyFixedWidth(info.PluginName, sizeof info.PluginName, name);
  CopyFixedWidth(info.PluginUniqueID, sizeof info.PluginUniqueID, uniqueId);
  info.PluginType = pluginType;
  extendedInfo.About = CopyOwnedText(about);
  extendedInfo.Description = CopyOwnedText(description);
  extendedInfo.PluginMajorVersion = pluginMajorVersion;
  extendedInfo.PluginMinorVersion = pluginMinorVersion;
  if (extendedDataSize > 0 && extendedDataBlock != nullptr) {
    auto* copy = new (std::nothrow) unsigned char[extendedDataSize];
    if (copy != nullptr) {
      std::memcpy(copy, extendedDataBlock, extendedDataSize);
      extendedInfo.FreeFrameExtendedDataBlock = copy;
      extendedInfo.FreeFrameExtendedDataSize = extendedDataSize;
    }
  }
  currentRegistration = this;
}

CFFGLPluginRegistration::~CFFGLPluginRegistration() {
  delete[] extendedInfo.About;
  delete[] extendedInfo.Description;
  delete[] static_cast<unsigned char*>(extendedInfo.FreeFrameExtendedDataBlock);
  extendedInfo.About = nullptr;
  extendedInfo.Description = nullptr;
  extendedInfo.FreeFrameExtendedDataBlock = nullptr;
}
