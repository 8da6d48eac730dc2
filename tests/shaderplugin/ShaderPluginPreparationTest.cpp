// Plugins made from shader files on the fake driver: the text the build
// checks is the text the plugin compiles, and a program the driver rejects
// is reported once on the debug output.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "effect/HelixmorphicsV1.h"
#include "tests/fakegl/FakeGL.h"

namespace {

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

EffectSettings SettingsFor(const char* fragmentText) {
  return EffectSettings{fragmentText, {"Speed", "Mouse X", "Mouse Y"}, {0.5f, 0.5f, 0.5f}, 0, true};
}

TEST(ShaderPlugin, BuildCheckedTheTextThePluginCompiles) {
  fakegl::Reset();
  const std::string carried = ReadFile(ORBITS_CARRIED_TEXT);
  const std::string checked = ReadFile(ORBITS_PREPARED_TEXT);
  ASSERT_NE(std::string::npos, carried.find("#define iTime iGlobalTime\n"));
  HelixmorphicsV1 effect(SettingsFor(carried.c_str()));
  const FFGLViewportStruct viewport{0, 0, 64, 36};
  ASSERT_EQ(FF_SUCCESS, effect.InitGL(&viewport));
  EXPECT_EQ(checked, fakegl::Get().latestFragmentSource);
  effect.DeInitGL();
}

TEST(ShaderPlugin, RejectedProgramIsReportedOnceWithTheDriversLog) {
  fakegl::Reset();
  fakegl::Get().fragmentCompileStatus = 0;
  fakegl::Get().infoLogLength = 5;
  const FFGLViewportStruct viewport{0, 0, 64, 36};
  // The built-in plugin keeps its silence (checked first: the report is
  // made once per process).
  HelixmorphicsV1 builtIn;
  ASSERT_EQ(FF_SUCCESS, builtIn.InitGL(&viewport));
  builtIn.DeInitGL();
  EXPECT_TRUE(fakegl::Get().debugText.empty());

  for (int i = 0; i < 3; ++i) {
    HelixmorphicsV1 effect(SettingsFor("void mainImage(out vec4 c, in vec2 p) { c = 1; }"));
    ASSERT_EQ(FF_SUCCESS, effect.InitGL(&viewport));
    EXPECT_FALSE(effect.initialized);
    effect.DeInitGL();
  }
  // The fake's log: as many 'e's as it may write, then the length it claims.
  const std::string& written = fakegl::Get().debugText;
  EXPECT_NE(std::string::npos, written.find("the OpenGL driver rejected its shader program"));
  EXPECT_NE(std::string::npos, written.find("\neeeee\n"));
  EXPECT_EQ(written.find("rejected"), written.rfind("rejected"));  // once
}

}  // namespace
