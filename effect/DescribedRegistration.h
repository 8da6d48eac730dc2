// The registration record of a plugin of the shader effect, made from its
// description.
#pragma once

#include "effect/PluginDescription.h"
#include "plugin/FFGLPluginRegistration.h"

struct DescribedRegistration {
  DescribedRegistration(const PluginDescription& d, InstanceFactory factory)
      : record(factory, d.uniqueId, d.name.c_str(), 1, 6, d.versionMajor, d.versionMinor,
               d.pluginType, d.description.c_str(), d.about.c_str(), 0, nullptr) {}

  CFFGLPluginRegistration record;
};
