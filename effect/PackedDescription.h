// Reading the description that ffgl-pack appended to this library's file.
#pragma once

#include <string>

#include "effect/PluginDescription.h"

// The description packed after the library's image; false with `error`
// saying why there is none or it cannot be used.
bool LoadPackedDescription(PluginDescription& description, std::string& error);
