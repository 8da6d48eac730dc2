// A shader file shown by `play`: packed in memory through ffgl-pack's own
// code into a plugin for the running host, and written out as ffgl-pack
// writes it when asked.
#pragma once

#include <string>
#include <vector>

namespace play {

// Whether the file is a library (named as one, or ELF or PE) rather than a
// shader's text.
bool IsPluginLibrary(const std::string& path);

// Packs `shader` into a plugin for this host at `destination`; false with
// the packer's messages (the user's file:line and message) in `error`.
// `sources` gets the files it was made from.
bool PackForPlay(const std::string& shader, const std::string& destination,
                 std::vector<std::string>& sources, std::string& error);

// What ffgl-pack does for the shader, for every target whose template is
// found: one line saying what was written, or why not.
std::string WritePlugins(const std::string& shader);

}  // namespace play
