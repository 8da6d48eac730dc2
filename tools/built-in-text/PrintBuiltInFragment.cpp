// Writes the built-in fragment text to a file, byte for byte: the
// benchmark's baseline, made from the plugin's own literal so the text is
// kept in one place.
#include <cstdio>
#include <cstring>

#include "effect/ShaderTexts.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) return 1;
  const char* text = shader_texts::FragmentShaderText;
  const bool written = std::fwrite(text, 1, std::strlen(text), file) == std::strlen(text);
  return std::fclose(file) == 0 && written ? 0 : 1;
}
