// An ISF shader made into the complete program a plugin carries: the
// declarations ISF promises put in front of the fragment and vertex texts
// (the file's own NAME.vs or a default one), IMG_ calls rewritten, and the
// plugin's parameters, uniforms and inputs from its header.
#pragma once

#include <string>

#include "tools/pack/IsfInputs.h"
#include "tools/pack/ShaderSource.h"

struct IsfShader {
  IsfHeader header;
  IsfPlugin plugin;
};

// Fills `source` (texts and line mapping) and `shader` from the ISF file
// whose text `source.text` holds; false with `error` at the file's line.
bool TranslateIsf(const std::string& path, ShaderSource& source, IsfShader& shader,
                  std::string& error);
