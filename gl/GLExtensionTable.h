// The OpenGL entry points the plugin looks up at run time, in four groups,
// each behind a flag that says whether the latest Load found all of its
// entries. The flags are the plugin's only test of what the driver offers.
#pragma once

#include "gl/GLApi.h"
#include "gl/GLExtensionEntries.h"
#include "platform/Platform.h"

struct GLExtensionTable {
  // Cleared to zero: every flag 0, every entry null. Nothing clears it again.
  GLExtensionTable() = default;

  // Loads the groups in the order swap interval, multitexture, shader
  // objects, framebuffer objects, each whatever became of the others. Never
  // fails; the outcome is the four flags. Needs a current OpenGL context.
  void Load();

  // Each loads its group through one lookup for the current context.
  void LoadSwapInterval(const platform::GLEntryPointLookup& lookup);
  void LoadMultitexture(const platform::GLEntryPointLookup& lookup);
  void LoadShaderObjects(const platform::GLEntryPointLookup& lookup);
  void LoadFramebufferObject(const platform::GLEntryPointLookup& lookup);
  // Not part of Load: only a plugin that times its passes asks for them,
  // and only where the context offers timer queries.
  void LoadTimerQuery(const platform::GLEntryPointLookup& lookup);

  // The address of the named entry point; throws MissingEntryPoint when the
  // platform has none. Only the group loaders call it, and they catch.
  static platform::GLEntryPoint LookUpEntry(const platform::GLEntryPointLookup& lookup,
                                            const char* name);

#define HELIX_DECLARE_ENTRY(type, name) type name = nullptr;
  int multitextureSupported = 0;
  HELIX_MULTITEXTURE_ENTRIES(HELIX_DECLARE_ENTRY)
  int shaderObjectsSupported = 0;
  HELIX_SHADER_OBJECT_ENTRIES(HELIX_DECLARE_ENTRY)
  int framebufferObjectSupported = 0;
  HELIX_FRAMEBUFFER_OBJECT_ENTRIES(HELIX_DECLARE_ENTRY)
  int swapIntervalSupported = 0;
  HELIX_SWAP_INTERVAL_ENTRIES(HELIX_DECLARE_ENTRY)
  int timerQuerySupported = 0;
  HELIX_TIMER_QUERY_ENTRIES(HELIX_DECLARE_ENTRY)
#undef HELIX_DECLARE_ENTRY
};

// Thrown by LookUpEntry for an entry point the platform does not have.
struct MissingEntryPoint {
  const char* name;
};
