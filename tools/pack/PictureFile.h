// A picture packed into a plugin for one of its channels, read from a PNG
// file (any colour type and depth) as RGBA8, bottom row first, as OpenGL
// takes it.
#pragma once

#include <string>

#include "effect/PluginDescription.h"

// Fills `channel`'s size and pixels from `path`; false with `error`
// ("path: error: ...") when the file is no PNG or too large.
bool ReadChannelPicture(const std::string& path, ChannelDescription& channel, std::string& error);
