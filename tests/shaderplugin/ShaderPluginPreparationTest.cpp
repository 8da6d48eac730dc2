// Plugins made from shader files on the fake driver: the build checks the
// text the plugin compiles, and a rejected program is reported once.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "effect/HelixmorphicsV1.h"
#include "tests/fakegl/FakeGL.h"

namespace {

const FFGLViewportStruct kViewport{0, 0, 64, 36};

EffectSettings SettingsFor(const char* text) {
  return EffectSettings{text, {"Speed", "Mouse X", "Mouse Y"}, {0.5f, 0.5f, 0.5f}, 0, true};
}

std::string ReadFile(const char* path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

TEST(ShaderPlugin, BuildCheckedTheTextThePluginCompiles) {
  fakegl::Reset();
  const std::string carried = ReadFile(ORBITS_CARRIED_TEXT);
  ASSERT_EQ(0u, carried.find("#define iTime iGlobalTime\n"));
  HelixmorphicsV1 effect(SettingsFor(carried.c_str()));
  ASSERT_EQ(FF_SUCCESS, effect.InitGL(&kViewport));
  EXPECT_EQ(ReadFile(ORBITS_PREPARED_TEXT), fakegl::Get().latestFragmentSource);
  effect.DeInitGL();
}

TEST(ShaderPlugin, RejectedProgramIsReportedOnceWithTheDriversLog) {
  fakegl::Reset();
  fakegl::Get().fragmentCompileStatus = 0;
  fakegl::Get().infoLogLength = 5;  // the fake's log: "eeeee"
  // First the built-in plugin, which stays silent (the report is once per
  // process), then three instances of a shader-file plugin.
  HelixmorphicsV1 builtIn;
  ASSERT_EQ(FF_SUCCESS, builtIn.InitGL(&kViewport));
  builtIn.DeInitGL();
  EXPECT_EQ("", fakegl::Get().debugText);
  for (int i = 0; i < 3; ++i) {
    HelixmorphicsV1 effect(SettingsFor("void mainImage(out vec4 c, in vec2 p) { c = 1; }"));
    ASSERT_EQ(FF_SUCCESS, effect.InitGL(&kViewport));
    EXPECT_FALSE(effect.initialized);
    effect.DeInitGL();
  }
  const std::string& written = fakegl::Get().debugText;
  EXPECT_NE(std::string::npos, written.find("rejected its shader program"));
  EXPECT_EQ(written.find("rejected"), written.rfind("rejected"));
  EXPECT_NE(std::string::npos, written.find("\neeeee\n"));
}

}  // namespace
