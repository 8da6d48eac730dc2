// Preparing programs on real OpenGL and releasing every object an instance
// made.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/realgl/EffectOnMesa.h"

namespace {

const char kUsesShadertoyUniforms[] =
    "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
    "  vec2 uv = fragCoord / iResolution.xy + iMouse.xy / 1e5;\n"
    "  fragColor = texture2D(iChannel0, uv) * sin(iGlobalTime) + iDate / 1e6;\n}\n";

class ShaderLifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override { mesa::GL(); }
  FFGLViewportStruct viewport{0, 0, 64, 64};
  HelixmorphicsV1 effect;
};

TEST_F(ShaderLifecycleTest, BuiltInProgramLinksAndFindsExactlyItsThreeUniforms) {
  ASSERT_EQ(FF_SUCCESS, effect.InitGL(&viewport));
  EXPECT_TRUE(effect.initialized);
  EXPECT_EQ(1, effect.extensions.multitextureSupported);
  EXPECT_EQ(1, effect.extensions.shaderObjectsSupported);
  EXPECT_EQ(1, effect.extensions.framebufferObjectSupported);
  EXPECT_GE(effect.timeLocation, 0);
  EXPECT_GE(effect.mouseLocation, 0);
  EXPECT_GE(effect.resolutionLocation, 0);
  for (GLint location : effect.channelLocation) EXPECT_EQ(-1, location);
  EXPECT_EQ(-1, effect.iResolutionLocation);
  EXPECT_EQ(-1, effect.dateLocation);
  EXPECT_EQ(-1, effect.surfaceSizeLocation);
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
}

TEST_F(ShaderLifecycleTest, MainImageTextCompilesAfterConversionAndGetsItsLocations) {
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, kUsesShadertoyUniforms));
  ASSERT_TRUE(effect.initialized);
  EXPECT_GE(effect.iResolutionLocation, 0);
  EXPECT_GE(effect.timeLocation, 0);
  EXPECT_GE(effect.iMouseLocation, 0);
  EXPECT_GE(effect.dateLocation, 0);
  EXPECT_GE(effect.channelLocation[0], 0);
  EXPECT_EQ(-1, effect.channelLocation[1]);
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
}

TEST_F(ShaderLifecycleTest, TextThatFailsToCompileLeavesAnIdleInstanceAndNoObjects) {
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, "void mainImage( { nonsense"));
  EXPECT_FALSE(effect.initialized);
  const GLuint program = effect.shader.ProgramObject();
  const GLuint vertex = effect.shader.VertexShaderObject();
  const GLuint fragment = effect.shader.FragmentShaderObject();
  ASSERT_NE(0u, program);
  EXPECT_TRUE(mesa::GL().glIsProgram(program));
  // An idle instance draws nothing.
  host::HostFramebuffer target(mesa::GL(), 64, 64);
  const mesa::Picture picture = mesa::RenderFrame(effect, target, {});
  EXPECT_EQ(0, picture.At(32, 32)[0]);
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
  EXPECT_FALSE(mesa::GL().glIsProgram(program));
  EXPECT_FALSE(mesa::GL().glIsShader(vertex));
  EXPECT_FALSE(mesa::GL().glIsShader(fragment));
}

TEST_F(ShaderLifecycleTest, DeInitGLLeavesNoObjectOfTheInstanceBehind) {
  const char twoChannels[] =
      "void mainImage(out vec4 c, in vec2 p) {\n"
      "  c = texture2D(iChannel0, p / iResolution.xy) + texture2D(iChannel1, p / 8.0);\n}\n";
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, twoChannels));
  ASSERT_TRUE(effect.initialized);
  host::HostFramebuffer target(mesa::GL(), 64, 64);
  mesa::HostInputTexture first(32, 32, 32, 32);
  mesa::HostInputTexture second(16, 8, 16, 16);
  mesa::RenderFrame(effect, target, {&first.record, &second.record});
  const GLuint textures[] = {effect.inputCopy.channelTexture[0], effect.inputCopy.channelTexture[1]};
  const GLuint framebuffer = effect.inputCopy.copyFramebuffer;
  const GLuint objects[] = {effect.shader.ProgramObject(), effect.shader.VertexShaderObject(),
                            effect.shader.FragmentShaderObject()};
  ASSERT_TRUE(glIsTexture(textures[0]) && glIsTexture(textures[1]));
  ASSERT_TRUE(mesa::GL().glIsFramebuffer(framebuffer));

  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
  for (GLuint texture : textures) EXPECT_FALSE(glIsTexture(texture));
  EXPECT_FALSE(mesa::GL().glIsFramebuffer(framebuffer));
  EXPECT_FALSE(mesa::GL().glIsProgram(objects[0]));
  EXPECT_FALSE(mesa::GL().glIsShader(objects[1]));
  EXPECT_FALSE(mesa::GL().glIsShader(objects[2]));
  // A second release deletes nothing and still answers success.
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
}

// Where the host asks for it, each pass's time on the graphics processor
// is the display text of the parameter after the described ones, one
// figure in milliseconds per pass, read without waiting for the driver.
TEST_F(ShaderLifecycleTest, TimedPassesShowTheirMillisecondsAfterTheParameters) {
  PluginDescription d;
  d.name = "Timed";
  d.vertexText = "void main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; }\n";
  d.fragmentText = "uniform sampler2D held;\nvoid main() { gl_FragColor = texture2D(held, vec2(0.5)) + 0.1; }\n";
  UniformDescription held;
  held.name = "held";
  held.feed = UniformFeed::kBufferSampler;
  d.uniforms = {held};
  d.buffers.resize(1);
  d.buffers[0].name = "held";
  d.passes = {{1}, {0}};
  d.timePasses = true;
  ShaderEffect timed(d);
  ASSERT_EQ(FF_SUCCESS, timed.InitGL(&viewport));
  ASSERT_TRUE(timed.passTimer.Active());
  host::HostFramebuffer target(mesa::GL(), 64, 64);
  std::string shown;
  for (int frame = 0; frame < 50 && shown.empty(); ++frame) {
    const mesa::Picture picture = mesa::RenderFrame(timed, target, {});
    EXPECT_NEAR(51, picture.At(10, 10)[0], 1);  // 0.1 over 0.1
    shown = timed.GetParameterDisplay(0);
  }
  EXPECT_TRUE(std::regex_match(shown, std::regex(R"(\d+\.\d{3} \d+\.\d{3})"))) << shown;
  EXPECT_EQ(FF_SUCCESS, timed.DeInitGL());
}

}  // namespace
