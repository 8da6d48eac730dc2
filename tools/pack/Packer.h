// Packing one shader file into plugins for the chosen targets.
#pragma once

#include <string>
#include <vector>

#include "tools/pack/PackOptions.h"

struct PackResult {
  bool ok = false;
  std::string name, id, type;
  std::vector<std::string> written;   // the plugin files
  std::vector<std::string> messages;  // errors and warnings, one a line
};

// A checked shader's packed description, nothing written yet. `sources`
// are the files it was made from (the shader, its vertex text, its
// pictures), for those who watch them for changes.
struct PackedShader {
  PackResult result;  // ok when `packed` holds the description
  std::vector<unsigned char> packed;
  std::vector<std::string> sources;
};
PackedShader PackInMemory(const std::string& shaderPath, const PackOptions& options,
                          const std::string& id = "");

// Checks `shaderPath` and writes its plugins. `id` overrides the options'
// and the default identifier when not empty.
PackResult PackShader(const std::string& shaderPath, const PackOptions& options,
                      const std::string& id = "");
