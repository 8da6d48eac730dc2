// Preparing a fragment text of either convention, finding its uniforms, and
// the GL lifecycle of an instance (InitGL / DeInitGL).
#include <gtest/gtest.h>

#include "effect/HelixmorphicsV1.h"
#include "effect/ShaderTexts.h"
#include "tests/fakegl/FakeGL.h"

namespace {

using namespace shader_texts;

class ShaderPreparationTest : public ::testing::Test {
 protected:
  void SetUp() override { fakegl::Reset(); }

  // The fragment text the fake received for the instance's program.
  std::string CompiledFragment() {
    return fakegl::Get().shaderSource[effect.shader.FragmentShaderObject()];
  }

  FFGLViewportStruct viewport{0, 0, 640, 360};
  HelixmorphicsV1 effect;
};

TEST_F(ShaderPreparationTest, ConstructionAndDestructionMakeNoGLCall) {
  { HelixmorphicsV1 unused; }
  EXPECT_TRUE(fakegl::Get().calls.empty());
  EXPECT_TRUE(fakegl::Get().lookedUp.empty());
}

TEST_F(ShaderPreparationTest, BuiltInProgramIsCompiledUnchangedAndLeavesNothingCurrent) {
  fakegl::Get().uniformLocations = {{"time", 0}, {"mouse", 1}, {"resolution", 2}};
  ASSERT_EQ(FF_SUCCESS, effect.InitGL(&viewport));
  EXPECT_TRUE(effect.initialized);
  EXPECT_EQ(FragmentShaderText, CompiledFragment());
  EXPECT_EQ(VertexShaderText, fakegl::Get().shaderSource[effect.shader.VertexShaderObject()]);
  EXPECT_EQ(640.0f, effect.viewportWidth);
  EXPECT_EQ(360.0f, effect.viewportHeight);
  EXPECT_EQ(0, effect.timeLocation);
  EXPECT_EQ(1, effect.mouseLocation);
  EXPECT_EQ(2, effect.resolutionLocation);
  for (GLint location : effect.channelLocation) EXPECT_EQ(-1, location);
  EXPECT_EQ(-1, effect.iResolutionLocation);
  EXPECT_EQ(-1, effect.inputColourLocation);
  EXPECT_EQ(0u, fakegl::Get().currentProgram);
  // The program is made current for the lookups and released after them.
  const auto uses = fakegl::Calls("glUseProgramObjectARB");
  ASSERT_EQ(2u, uses.size());
  EXPECT_EQ("glUseProgramObjectARB(0)", uses.back());
}

TEST_F(ShaderPreparationTest, MainImageTextGetsHeaderDeclarationAndWrapper) {
  const std::string body = "void mainImage(out vec4 c, in vec2 p) { c = vec4(1.0); }";
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, body.c_str()));
  EXPECT_EQ(std::string(UniformHeader) + InputColourDeclaration + body + MainImageWrapper,
            CompiledFragment());
}

TEST_F(ShaderPreparationTest, TextWithoutEitherMarkerGetsNoWrapper) {
  const std::string body = "void main() { gl_FragColor = vec4(iGlobalTime); }";
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, body.c_str()));
  EXPECT_EQ(std::string(UniformHeader) + InputColourDeclaration + body, CompiledFragment());
}

TEST_F(ShaderPreparationTest, TimeMarkerIsAnExactSubstringAnywhere) {
  // Other spacing does not match and is converted...
  const std::string spaced = "uniform float  time; void main() {}";
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, spaced.c_str()));
  EXPECT_EQ(std::string(UniformHeader) + InputColourDeclaration + spaced, CompiledFragment());
  // ...while the marker inside a comment counts.
  const std::string commented = "// uniform float time;\nvoid main() {}";
  HelixmorphicsV1 second;
  ASSERT_EQ(FF_SUCCESS, second.InitGLWithFragment(&viewport, commented.c_str()));
  EXPECT_EQ(commented, fakegl::Get().shaderSource[second.shader.FragmentShaderObject()]);
  second.DeInitGL();
}

TEST_F(ShaderPreparationTest, FirstKnownNameSettlesEachLocation) {
  fakegl::Get().uniformLocations = {{"texture", 4},         {"iChannel0", 5},
                                    {"time", 6},            {"iGlobalTime", 7},
                                    {"iChannelTime[0]", 8}, {"iChannelTime[1]", 9},
                                    {"iChannel1", 10},      {"iChannelResolution[4]", 11}};
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, "void main() {}"));
  EXPECT_EQ(4, effect.channelLocation[0]);
  EXPECT_EQ(10, effect.channelLocation[1]);
  EXPECT_EQ(6, effect.timeLocation);
  EXPECT_EQ(8, effect.channelTimeLocation);
  EXPECT_EQ(11, effect.channelResolutionLocation);
  const auto lookups = fakegl::Calls("glGetUniformLocationARB");
  auto asked = [&](const std::string& name) {
    for (const auto& call : lookups) {
      if (call.find(", " + name + ")") != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_FALSE(asked("iChannel0"));
  EXPECT_FALSE(asked("tex0"));
  EXPECT_FALSE(asked("iGlobalTime"));
  EXPECT_TRUE(asked("iChannelTime[4]"));
  EXPECT_FALSE(asked("iChannelTime[1]"));
  EXPECT_FALSE(asked("iChannelResolution[0]"));
  // 28 names, less the ones a settled field skips: tex0, backbuffer, bbuff,
  // iChannel0, iGlobalTime, iChannelTime[1..3], iChannelResolution[0..3].
  EXPECT_EQ(28u - 12u, lookups.size());
}

TEST_F(ShaderPreparationTest, DriverWithoutMultitextureIsRefusedBeforeAnythingElse) {
  fakegl::Get().missingEntries = {"glMultiTexCoord2f"};
  effect.viewportWidth = 12.0f;
  EXPECT_EQ(FF_FAIL, effect.InitGL(&viewport));
  EXPECT_FALSE(effect.initialized);
  EXPECT_EQ(12.0f, effect.viewportWidth);
  EXPECT_TRUE(fakegl::Get().calls.empty());
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
  EXPECT_TRUE(fakegl::Get().calls.empty());
}

TEST_F(ShaderPreparationTest, DriverWithoutShaderObjectsIsRefused) {
  fakegl::Get().missingEntries = {"glGetShaderSourceARB"};
  EXPECT_EQ(FF_FAIL, effect.InitGL(&viewport));
}

TEST_F(ShaderPreparationTest, DriverWithoutFramebufferObjectsIsAccepted) {
  fakegl::Get().missingEntries = {"glBindFramebufferEXT"};
  EXPECT_EQ(FF_SUCCESS, effect.InitGL(&viewport));
  EXPECT_TRUE(effect.initialized);
}

TEST_F(ShaderPreparationTest, FailedCompileKeepsInstanceAliveAndDeInitFreesItsObjects) {
  fakegl::Get().fragmentCompileStatus = 0;
  fakegl::Get().linkStatus = 0;
  EXPECT_EQ(FF_SUCCESS, effect.InitGL(&viewport));
  EXPECT_FALSE(effect.initialized);
  EXPECT_EQ(3u, fakegl::Get().liveObjects.size());
  fakegl::ClearCalls();
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
  EXPECT_TRUE(fakegl::Get().liveObjects.empty());
  // Not initialized: no program to release from being current.
  EXPECT_TRUE(fakegl::Calls("glUseProgramObjectARB").empty());
}

TEST_F(ShaderPreparationTest, DeInitGLReleasesEverythingOnceAndIsSafeTwice) {
  fakegl::Get().uniformLocations = {{"iChannel0", 3}};
  ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, "void main() {}"));
  // Give the instance a copy texture and framebuffer through a frame.
  FFGLTextureStruct input{16, 16, 16, 16, 99};
  FFGLTextureStruct* inputs[] = {&input};
  ProcessOpenGLStruct frame{1, inputs, 7};
  ASSERT_EQ(FF_SUCCESS, effect.ProcessOpenGL(&frame));
  ASSERT_EQ(1u, fakegl::Get().liveTextures.size());
  ASSERT_EQ(1u, fakegl::Get().liveFramebuffers.size());

  fakegl::ClearCalls();
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
  EXPECT_TRUE(fakegl::Get().liveTextures.empty());
  EXPECT_TRUE(fakegl::Get().liveFramebuffers.empty());
  EXPECT_TRUE(fakegl::Get().liveObjects.empty());
  EXPECT_EQ("glUseProgramObjectARB(0)", fakegl::Get().calls.front());
  EXPECT_FALSE(effect.initialized);

  fakegl::ClearCalls();
  EXPECT_EQ(FF_SUCCESS, effect.DeInitGL());
  EXPECT_TRUE(fakegl::Get().calls.empty());
}

TEST_F(ShaderPreparationTest, ClockCountsMillisecondsFromRestart) {
  fakegl::Get().counterFrequency = 1000000;
  fakegl::Get().counterValue = 5000000;
  effect.clock.Restart();
  EXPECT_DOUBLE_EQ(0.0, effect.clock.Milliseconds());
  fakegl::Get().counterValue += 2500;
  EXPECT_DOUBLE_EQ(2.5, effect.clock.Milliseconds());
}

}  // namespace
