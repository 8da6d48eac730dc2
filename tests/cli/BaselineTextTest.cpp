// The benchmark's baseline, written by the build from the plugin's literal,
// must be the very text the plugin compiles, or the plugin/baseline ratio
// compares different work.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "effect/ShaderTexts.h"

TEST(BenchBaseline, FragmentFileIsTheBuiltInText) {
  std::ifstream file(BASELINE_FRAGMENT, std::ios::binary);
  ASSERT_TRUE(file.good()) << BASELINE_FRAGMENT;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, shader_texts::FragmentShaderText);
  EXPECT_EQ(text.size(), 599u);
}
