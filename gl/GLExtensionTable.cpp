#include "gl/GLExtensionTable.h"

platform::GLEntryPoint GLExtensionTable::LookUpEntry(const platform::GLEntryPointLookup& lookup,
                                                     const char* name) {
  platform::GLEntryPoint address = lookup.Find(name);
  if (address == nullptr) throw MissingEntryPoint{name};
  return address;
}

// Each entry is stored as soon as it is found. The first missing entry ends
// its group: the entries before it keep the addresses just found, it and the
// ones after it keep what they held, and the group's flag says 0.
#define HELIX_LOAD_ENTRY(type, name) name = reinterpret_cast<type>(LookUpEntry(lookup, #name));
#define HELIX_DEFINE_GROUP_LOADER(loader, flag, entries)                       \
  void GLExtensionTable::loader(const platform::GLEntryPointLookup& lookup) { \
    try {                                                                      \
      entries(HELIX_LOAD_ENTRY)                                                \
      flag = 1;                                                                \
    } catch (...) {                                                            \
      flag = 0;                                                                \
    }                                                                          \
  }

HELIX_DEFINE_GROUP_LOADER(LoadSwapInterval, swapIntervalSupported, HELIX_SWAP_INTERVAL_ENTRIES)
HELIX_DEFINE_GROUP_LOADER(LoadMultitexture, multitextureSupported, HELIX_MULTITEXTURE_ENTRIES)
HELIX_DEFINE_GROUP_LOADER(LoadShaderObjects, shaderObjectsSupported, HELIX_SHADER_OBJECT_ENTRIES)
HELIX_DEFINE_GROUP_LOADER(LoadFramebufferObject, framebufferObjectSupported,
                          HELIX_FRAMEBUFFER_OBJECT_ENTRIES)
HELIX_DEFINE_GROUP_LOADER(LoadTimerQuery, timerQuerySupported, HELIX_TIMER_QUERY_ENTRIES)

#undef HELIX_DEFINE_GROUP_LOADER
#undef HELIX_LOAD_ENTRY

void GLExtensionTable::Load() {
  const platform::GLEntryPointLookup lookup;
  LoadSwapInterval(lookup);
  LoadMultitexture(lookup);
  LoadShaderObjects(lookup);
  LoadFramebufferObject(lookup);
}
