#include "tools/pack/DefaultNames.h"

#include "effect/DescriptionFormat.h"
#include "tools/pack/Utf8Path.h"

std::string DefaultFileStem(const std::string& shaderPath) {
  const std::string stem = PathText(Utf8Path(shaderPath).stem());
  return stem.empty() ? "shader" : stem;
}

std::string DefaultPluginName(const std::string& shaderPath) {
  std::string name;
  for (const char c : DefaultFileStem(shaderPath)) {
    if (c >= ' ' && c <= '~' && name.size() < 16) name += c;
  }
  return name.empty() ? "Shader" : name;
}

std::string DefaultPluginId(const std::string& name, unsigned salt) {
  std::string id;
  for (const char c : name) {
    if (id.size() == 2) break;
    if (c >= 'a' && c <= 'z') id += static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) id += c;
  }
  while (id.size() < 2) id += 'X';
  const std::string salted = name + '#' + std::to_string(salt);
  std::uint32_t hash = description_format::Crc32(
      reinterpret_cast<const unsigned char*>(salted.data()), salted.size());
  const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int i = 0; i < 2; ++i, hash /= 36) id += kDigits[hash % 36];
  // The built-in plugin's identifier is taken.
  return id == "HLXM" ? DefaultPluginId(name, salt + 1) : id;
}
