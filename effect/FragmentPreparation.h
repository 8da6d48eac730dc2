// Completing a fragment text of either convention into the text the driver
// compiles. The plugin does it when an instance is made; ffgl-pack does the
// same to check a shader before packing it.
#pragma once

#include <string>

#include "effect/PluginDescription.h"

// A text that declares "uniform float time;" is complete; any other is in
// the mainImage convention and gets the uniform declarations in front.
bool NeedsUniformHeader(const std::string& text);
// ... and main() after it, when it defines mainImage.
bool NeedsMainWrapper(const std::string& text);

// Replaces `text` with the text the driver compiles, as the built-in plugin
// always has.
void PrepareFragmentText(std::string& text);

// What of a description decides the compiled text.
struct FragmentOptions {
  bool siteConventions = false;
  bool opaque = false;
  std::string versionLine;

  static FragmentOptions Of(const PluginDescription& d) {
    return FragmentOptions{d.siteConventions, d.opaque, d.versionLine};
  }
};

// True when the text has its own "#version" line.
bool HasVersionLine(const std::string& text);

// The same for a plugin described by `options`; gives the number of lines
// put in front of the text's own first line, so messages can name the
// text's lines. A text's own #version line goes first, and its line is
// left blank where it was.
int PrepareFragmentText(std::string& text, const FragmentOptions& options);
