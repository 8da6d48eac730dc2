// A shader file read for packing: its text, the text the plugin carries and
// the text the driver will compile, with what is needed to put compile
// messages back at the file's own lines.
#pragma once

#include <string>

#include "effect/FragmentPreparation.h"

struct ShaderSource {
  std::string shownPath;  // the path as messages name it
  std::string text;       // the file's bytes
  std::string carried;    // what the plugin carries (text, maybe with a #define in front)
  std::string prepared;   // what the driver compiles
  int prefixLines = 0;    // lines of `prepared` before the file's first line
  int userLines = 0;      // lines of the file
  int mainImageLine = 1;  // where messages about the added main() point
  bool mainAdded = false;  // the plugin adds a main() that calls mainImage
  bool samplesInput = false;  // samples input channel 0 or 1 (an effect by default)
  // A complete program's vertex text (an ISF shader's), else empty.
  std::string vertexPrepared;
  std::string vertexShownPath;
  int vertexPrefixLines = 0;
  int vertexUserLines = 0;
  bool samplesNamedTexture = false;  // declares a sampler texture, tex0 or tex1
  bool usesChannel[4] = {false, false, false, false};  // names iChannel0..3
  bool usesMouse = false;                              // names iMouse
  bool ownVersion = false;                             // has its own #version line
  FragmentOptions options;  // how `prepared` was made from `carried`
};

// Reads and prepares `path` (site conventions on, no version line); false
// with `error` ("path: error: ...") when the file cannot be read.
bool LoadShaderSource(const std::string& path, ShaderSource& source, std::string& error);

// The text with comments blanked and line breaks kept, for searching.
std::string WithoutComments(const std::string& text);
// Makes `prepared` and `prefixLines` again from `carried` and `options`.
void PrepareSource(ShaderSource& source);

// The file's line for a line of the prepared text, and a note when it lies
// in text the plugin added.
int UserLine(const ShaderSource& source, int preparedLine, std::string& note);
