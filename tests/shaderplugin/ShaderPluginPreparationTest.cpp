// Plugins made from shader files on the fake driver: ffgl-pack checks the
// text the plugin compiles, and a rejected program is reported once.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>

#include "effect/HelixmorphicsV1.h"
#include "tests/fakegl/FakeGL.h"
#include "tools/pack/ShaderSource.h"

namespace {

const FFGLViewportStruct kViewport{0, 0, 64, 36};

PluginDescription DescriptionFor(const char* text) {
  PluginDescription description = HelixmorphicsV1Description();
  description.fragmentText = text;
  description.reportRejectedProgram = true;
  return description;
}

TEST(ShaderPlugin, PackerChecksTheTextThePluginCompiles) {
  fakegl::Reset();
  ShaderSource source;
  std::string error;
  ASSERT_TRUE(LoadShaderSource(ORBITS_SHADER, source, error)) << error;
  ASSERT_EQ(0u, source.carried.find("#define iTime iGlobalTime\n"));
  // As a source packed with a version line: both ends add the same text.
  source.options.opaque = true;
  source.options.versionLine = "#version 130";
  PrepareSource(source);
  PluginDescription description = DescriptionFor(source.carried.c_str());
  description.siteConventions = true;
  description.opaque = true;
  description.versionLine = "#version 130";
  ShaderEffect effect(description);
  ASSERT_EQ(FF_SUCCESS, effect.InitGL(&kViewport));
  EXPECT_EQ(source.prepared, fakegl::Get().latestFragmentSource);
  EXPECT_EQ(0u, source.prepared.find("#version 130\n"));
  effect.DeInitGL();

  // A complete text on one line without a line break: its main() is
  // renamed, and the main() that follows begins on a line of its own.
  source.carried = "uniform float time; void main() { gl_FragColor = vec4(time); }";
  PrepareSource(source);
  description.fragmentText = source.carried;
  ShaderEffect oneLine(description);
  ASSERT_EQ(FF_SUCCESS, oneLine.InitGL(&kViewport));
  EXPECT_EQ(source.prepared, fakegl::Get().latestFragmentSource);
  EXPECT_NE(std::string::npos, source.prepared.find("}\n#undef main\n"));
  oneLine.DeInitGL();
}

// A Sandbox text's surfacePosition varying is computed by the plugin: its
// declaration is blanked wherever it is written, lines kept, and only it.
TEST(ShaderPlugin, SandboxSurfaceVaryingIsReplacedInPlace) {
  FragmentOptions site;
  site.siteConventions = true;
  const struct {
    const char* declaration;
    bool taken;
  } cases[] = {{"varying vec2 surfacePosition;", true},
               {"varying highp vec2\n  surfacePosition ;", true},
               {"varying vec2 surfacePositions;", false},
               {"myvarying vec2 surfacePosition;", false},
               {"varying vec3 surfacePosition;", false}};
  for (const auto& c : cases) {
    const std::string body = std::string("uniform float time;\n") + c.declaration +
                             "\nvoid main() { gl_FragColor = vec4(time); }\n";
    std::string text = body;
    PrepareFragmentText(text, site);
    const std::string at = text.substr(text.find("uniform float time;"));
    EXPECT_EQ(c.taken, at.find(c.declaration) == std::string::npos) << c.declaration;
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), std::count(at.begin(), at.end(), '\n'));
    EXPECT_EQ(c.taken, text.find("#define surfacePosition") != std::string::npos);
  }
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
    const PluginDescription description =
        DescriptionFor("void mainImage(out vec4 c, in vec2 p) { c = 1; }");
    ShaderEffect effect(description);
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
