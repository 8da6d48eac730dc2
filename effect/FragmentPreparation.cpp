#include "effect/FragmentPreparation.h"

#include "effect/ShaderTexts.h"

bool NeedsUniformHeader(const std::string& text) {
  return text.find("uniform float time;") == std::string::npos;
}

bool NeedsMainWrapper(const std::string& text) {
  return NeedsUniformHeader(text) && text.find("void mainImage") != std::string::npos;
}

void PrepareFragmentText(std::string& text) {
  if (!NeedsUniformHeader(text)) return;
  std::string converted = shader_texts::UniformHeader;
  converted += shader_texts::InputColourDeclaration;
  converted += text;
  if (NeedsMainWrapper(text)) converted += shader_texts::MainImageWrapper;
  text.swap(converted);
}
