// An ISF header's INPUTS as FreeFrame parameters and the named uniforms
// that carry their values, and its images as the plugin's video inputs.
#pragma once

#include <string>
#include <vector>

#include "effect/PluginDescription.h"
#include "tools/pack/IsfHeader.h"

struct IsfPlugin {
  FFUInt32 pluginType = FF_SOURCE;
  int inputs = 0;  // video inputs, 0 to 2
  std::vector<ParameterDescription> parameters;
  std::vector<UniformDescription> uniforms;
  std::string declarations;  // the GLSL uniform declarations of the inputs
  std::vector<std::string> images;  // image names, sampled with IMG_ functions
  std::vector<BufferDescription> buffers;
  std::vector<PassDescription> passes;
  std::vector<PictureDescription> pictures;
  std::vector<std::string> pictureFiles;  // where each imported picture was read
};

// False with `error` ("path:line: error: ...") for an input the plugin
// cannot feed, a malformed entry or too many parameters.
bool MapIsfInputs(const IsfHeader& header, const std::string& text, const std::string& path,
                  IsfPlugin& plugin, std::string& error);
