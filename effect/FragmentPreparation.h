// Completing a fragment text of either convention into the text the driver
// compiles. The plugin does it when an instance is made; ffgl-pack does the
// same to check a shader before packing it.
#pragma once

#include <string>

// A text that declares "uniform float time;" is complete; any other is in
// the mainImage convention and gets the uniform declarations in front.
bool NeedsUniformHeader(const std::string& text);
// ... and main() after it, when it defines mainImage.
bool NeedsMainWrapper(const std::string& text);

// Replaces `text` with the text the driver compiles.
void PrepareFragmentText(std::string& text);
