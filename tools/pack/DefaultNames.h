// A plugin's name and identifier when the user gives none, from the shader
// file's name.
#pragma once

#include <string>

// The file's stem, printable ASCII only, cut to the 16 characters of the
// record's name field ("Shader" when nothing is left).
std::string DefaultPluginName(const std::string& shaderPath);

// Four printable characters: the name's first two letters or digits in
// capitals and two drawn from a hash of the name and `salt` (a folder of
// shaders asks again with another salt when two would share one).
std::string DefaultPluginId(const std::string& name, unsigned salt = 0);

// The file name (without extension) the plugins are written under.
std::string DefaultFileStem(const std::string& shaderPath);
