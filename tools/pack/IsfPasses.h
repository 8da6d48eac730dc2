// An ISF header's PASSES, PERSISTENT_BUFFERS and IMPORTED: the buffers its
// passes draw into, with their size expressions parsed into the postfix
// form the plugin evaluates, and the pictures it imports, read beside the
// shader file. Each becomes an image the shader samples by name.
#pragma once

#include <string>

#include "tools/pack/IsfInputs.h"

// False with `error` ("path:line: error: ...") for a malformed pass or
// expression, or a picture that cannot be read.
bool MapIsfPasses(const IsfHeader& header, const std::string& text, const std::string& path,
                  IsfPlugin& plugin, std::string& error);

// Parses one WIDTH or HEIGHT expression; false with `error` saying why.
bool ParseSizeExpression(const std::string& expression, const IsfPlugin& plugin,
                         std::vector<SizeTerm>& terms, std::string& error);
