// One frame's OpenGL calls, in order and with their arguments, the state a
// frame leaves to the host, the animation clock and the date.
#include <gtest/gtest.h>

#include "effect/HelixmorphicsV1.h"
#include "effect/ShaderEffect.h"
#include "tests/fakegl/FakeGL.h"
#include "host/instrument/AllocationCounter.h"

namespace {

class FrameCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakegl::Reset();
    fakegl::Get().viewport[0] = 10;
    fakegl::Get().viewport[1] = 20;
    fakegl::Get().viewport[2] = 320;
    fakegl::Get().viewport[3] = 180;
  }

  // Prepares a program whose uniforms sit at the given locations.
  void Init(std::map<std::string, int> locations, const char* text = "void main() {}") {
    fakegl::Get().uniformLocations = std::move(locations);
    FFGLViewportStruct viewport{0, 0, 320, 180};
    ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, text));
    ASSERT_TRUE(effect.initialized);
    program = effect.shader.ProgramObject();
    fakegl::ClearCalls();
  }

  FFUInt32 Frame(std::vector<FFGLTextureStruct*> inputs, FFUInt32 hostFramebuffer = 7) {
    frameInputs = std::move(inputs);
    ProcessOpenGLStruct frame{static_cast<FFUInt32>(frameInputs.size()), frameInputs.data(),
                              hostFramebuffer};
    return effect.ProcessOpenGL(&frame);
  }

  static std::vector<std::string> Quad(const char* s, const char* t) {
    return {"glBegin(0x0007)",
            "glTexCoord2f(0, 0)",
            "glVertex2f(-1, -1)",
            std::string("glTexCoord2f(0, ") + t + ")",
            "glVertex2f(-1, 1)",
            std::string("glTexCoord2f(") + s + ", " + t + ")",
            "glVertex2f(1, 1)",
            std::string("glTexCoord2f(") + s + ", 0)",
            "glVertex2f(1, -1)",
            "glEnd()"};
  }

  static void Append(std::vector<std::string>& to, const std::vector<std::string>& calls) {
    to.insert(to.end(), calls.begin(), calls.end());
  }

  void ExpectHostStateRestored(unsigned hostFramebuffer) {
    const fakegl::State& gl = fakegl::Get();
    EXPECT_EQ(hostFramebuffer, gl.boundFramebuffer);
    EXPECT_EQ(0x84C0u, gl.activeTexture);
    EXPECT_EQ(0u, gl.boundTexture[0]);
    EXPECT_EQ(0u, gl.boundTexture[1]);
    EXPECT_FALSE(gl.texture2DEnabled[0]);
    EXPECT_EQ(0u, gl.currentProgram);
  }

  HelixmorphicsV1 effect;
  unsigned program = 0;
  std::vector<FFGLTextureStruct*> frameInputs;
};

TEST_F(FrameCallsTest, UninitializedInstanceMakesNoCallAndKeepsItsState) {
  fakegl::Get().counterValue = 123456789;
  EXPECT_EQ(FF_SUCCESS, Frame({}));
  EXPECT_TRUE(fakegl::Get().calls.empty());
  EXPECT_EQ(0.0, effect.clock.currentTime);
  EXPECT_EQ(0.0f, effect.clock.elapsedTime);
  EXPECT_EQ(0.0f, effect.viewportWidth);
}

TEST_F(FrameCallsTest, BuiltInUniformsWithoutInputs) {
  Init({{"time", 0}, {"mouse", 1}, {"resolution", 2}});
  effect.parameterValues[HelixmorphicsV1::kDistort] = 0.25f;
  effect.parameterValues[HelixmorphicsV1::kMode] = 0.75f;
  FFGLTextureStruct ignored{8, 8, 8, 8, 5};
  EXPECT_EQ(FF_SUCCESS, Frame({&ignored}));  // nothing samples it
  std::vector<std::string> expected = {
      "glGetFloatv(0x0ba2)",
      "glUseProgramObjectARB(" + std::to_string(program) + ")",
      "glUniform1fARB(0, 0)",
      "glUniform2fARB(2, 320, 180)",
      "glUniform2fARB(1, 0.25, 0.75)",
      "glEnable(0x0de1)"};
  Append(expected, Quad("1", "1"));
  Append(expected, {"glDisable(0x0de1)", "glActiveTexture(0x84c0)", "glUseProgramObjectARB(0)"});
  EXPECT_EQ(expected, fakegl::Get().calls);
  EXPECT_EQ(0u, fakegl::Get().liveTextures.size());
  ExpectHostStateRestored(0);  // no copy ran: the framebuffer was not touched
}

TEST_F(FrameCallsTest, SampledInputIsCopiedWithItsOwnViewportThenHostViewportRestored) {
  Init({{"iChannel0", 3}});
  FFGLTextureStruct input{200, 100, 256, 128, 42};
  EXPECT_EQ(FF_SUCCESS, Frame({&input}));
  const std::string texture = std::to_string(effect.inputCopy.channelTexture[0]);
  const std::string framebuffer = std::to_string(effect.inputCopy.copyFramebuffer);
  std::vector<std::string> expected = {
      "glGetFloatv(0x0ba2)",
      "glGenFramebuffersEXT(1) -> " + framebuffer,
      "glGenTextures(1) -> " + texture,
      "glActiveTexture(0x84c0)",
      "glBindTexture(0x0de1, " + texture + ")",
      "glTexImage2D(0x0de1, 0, 0x1908, 200, 100, 0, 0x1908, 0x1401, null)",
      "glTexParameterf(0x0de1, 0x2802, 10497.0)",
      "glTexParameterf(0x0de1, 0x2803, 10497.0)",
      "glTexParameterf(0x0de1, 0x8072, 10497.0)",
      "glTexParameteri(0x0de1, 0x2801, 0x2601)",
      "glTexParameteri(0x0de1, 0x2800, 0x2601)",
      "glBindTexture(0x0de1, 0)",
      "glActiveTexture(0x84c0)",
      "glBindFramebufferEXT(0x8d40, " + framebuffer + ")",
      "glFramebufferTexture2DEXT(0x8d40, 0x8ce0, 0x0de1, " + texture + ", 0)",
      "glViewport(0, 0, 200, 100)",
      "glBindTexture(0x0de1, 42)",
      "glEnable(0x0de1)"};
  Append(expected, Quad("0.78125", "0.78125"));
  Append(expected, {"glDisable(0x0de1)", "glBindTexture(0x0de1, 0)",
                    "glBindFramebufferEXT(0x8d40, 7)", "glViewport(10, 20, 320, 180)",
                    "glUseProgramObjectARB(" + std::to_string(program) + ")",
                    "glUniform1iARB(3, 0)", "glActiveTexture(0x84c0)",
                    "glBindTexture(0x0de1, " + texture + ")", "glEnable(0x0de1)"});
  Append(expected, Quad("1", "1"));
  Append(expected, {"glDisable(0x0de1)", "glActiveTexture(0x84c0)", "glBindTexture(0x0de1, 0)",
                    "glUseProgramObjectARB(0)"});
  EXPECT_EQ(expected, fakegl::Get().calls);
  ExpectHostStateRestored(7);

  // Same size next frame: the texture is reused, nothing is created.
  fakegl::ClearCalls();
  EXPECT_EQ(FF_SUCCESS, Frame({&input}));
  EXPECT_TRUE(fakegl::Calls("glGen").empty());
  EXPECT_EQ(std::to_string(effect.inputCopy.channelTexture[0]), texture);
}

TEST_F(FrameCallsTest, InputThatChangesSizeIsRemadeInTheSameFrame) {
  Init({{"iChannel0", 3}, {"iChannelResolution[0]", 4}});
  FFGLTextureStruct input{64, 32, 64, 32, 42};
  ASSERT_EQ(FF_SUCCESS, Frame({&input}));
  const unsigned first = effect.inputCopy.channelTexture[0];
  fakegl::ClearCalls();
  input.Width = 48;
  input.Height = 40;
  ASSERT_EQ(FF_SUCCESS, Frame({&input}));
  const auto calls = fakegl::Get().calls;
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ("glDeleteTextures(1, " + std::to_string(first) + ")", calls[1]);
  EXPECT_EQ("glGenTextures(1) -> " + std::to_string(effect.inputCopy.channelTexture[0]), calls[2]);
  EXPECT_TRUE(fakegl::Called("glTexImage2D(0x0de1, 0, 0x1908, 48, 40, 0, 0x1908, 0x1401, null)"));
  // The same frame's resolution upload carries the new size; channels 2 and
  // 3 carry the viewport.
  EXPECT_TRUE(fakegl::Called("glUniform3fvARB(4, 4, 48, 40, 1, 0, 0, 1, 320, 180, 1, 320, 180, 1)"));
  EXPECT_EQ(1u, fakegl::Get().liveTextures.size());
}

TEST_F(FrameCallsTest, ChannelOneNeedsTwoInputs) {
  Init({{"tex1", 2}});
  FFGLTextureStruct input{16, 16, 16, 16, 42};
  EXPECT_EQ(FF_SUCCESS, Frame({&input}));
  EXPECT_TRUE(fakegl::Calls("glGenFramebuffers").empty());
  EXPECT_TRUE(fakegl::Calls("glBindTexture").empty());
  EXPECT_TRUE(fakegl::Calls("glUniform1i").empty());

  // With two inputs, channel 1 is copied on unit 1 and bound there.
  fakegl::ClearCalls();
  FFGLTextureStruct second{8, 8, 8, 8, 43};
  EXPECT_EQ(FF_SUCCESS, Frame({nullptr, &second}));
  EXPECT_TRUE(fakegl::Called("glUniform1iARB(2, 1)"));
  EXPECT_TRUE(fakegl::Called("glActiveTexture(0x84c1)"));
  EXPECT_TRUE(fakegl::Called("glBindTexture(0x0de1, " + std::to_string(effect.inputCopy.channelTexture[1]) + ")"));
  EXPECT_EQ(0u, effect.inputCopy.channelTexture[0]);
  ExpectHostStateRestored(7);
  EXPECT_EQ(0u, fakegl::Get().boundTexture[1]);
}

TEST_F(FrameCallsTest, InputWithoutHandleIsCopiedButNotBound) {
  Init({{"iChannel0", 3}});
  FFGLTextureStruct input{16, 16, 16, 16, 0};
  EXPECT_EQ(FF_SUCCESS, Frame({&input}));
  EXPECT_TRUE(fakegl::Called("glBindTexture(0x0de1, 0)"));
  EXPECT_EQ(1u, fakegl::Calls("glFramebufferTexture2D").size());
  EXPECT_TRUE(fakegl::Calls("glUniform1i").empty());
  // The only unit selections: the texture creation's and the final one.
  EXPECT_EQ(3u, fakegl::Calls("glActiveTexture").size());
}

TEST_F(FrameCallsTest, ZeroSizeInputCountsAsNoInput) {
  Init({{"iChannel0", 3}});
  for (FFGLTextureStruct input : {FFGLTextureStruct{0, 16, 16, 16, 42},
                                  FFGLTextureStruct{16, 0, 16, 16, 42},
                                  FFGLTextureStruct{16, 16, 0, 16, 42},
                                  FFGLTextureStruct{16, 16, 16, 0, 42}}) {
    fakegl::ClearCalls();
    EXPECT_EQ(FF_SUCCESS, Frame({&input}));
    EXPECT_TRUE(fakegl::Calls("glGenTextures").empty());
    EXPECT_TRUE(fakegl::Calls("glUniform1i").empty());
    EXPECT_TRUE(fakegl::Calls("glBindTexture").empty());
  }
}

TEST_F(FrameCallsTest, WithoutFramebufferObjectsTheHostTextureIsBoundDirectly) {
  fakegl::Get().missingEntries = {"glIsRenderbufferEXT"};
  Init({{"iChannel0", 3}});
  FFGLTextureStruct input{16, 16, 32, 32, 42};
  EXPECT_EQ(FF_SUCCESS, Frame({&input}));
  EXPECT_TRUE(fakegl::Calls("glGenFramebuffers").empty());
  EXPECT_TRUE(fakegl::Calls("glBindFramebuffer").empty());
  EXPECT_TRUE(fakegl::Calls("glGenTextures").empty());
  EXPECT_TRUE(fakegl::Called("glUniform1iARB(3, 0)"));
  EXPECT_TRUE(fakegl::Called("glBindTexture(0x0de1, 42)"));
  ExpectHostStateRestored(0);
}

TEST_F(FrameCallsTest, EveryLocationNegativeStillDrawsAndAdvancesTheClock) {
  Init({});
  effect.parameterValues[HelixmorphicsV1::kSpeed] = 1.0f;
  fakegl::Get().counterValue += 500000;  // half a second
  EXPECT_EQ(FF_SUCCESS, Frame({}));
  EXPECT_TRUE(fakegl::Calls("glUniform").empty());
  EXPECT_EQ(2u, fakegl::Calls("glUseProgramObjectARB").size());
  EXPECT_EQ(1u, fakegl::Calls("glBegin").size());
  EXPECT_FLOAT_EQ(1.0f, effect.clock.elapsedTime);
}

TEST_F(FrameCallsTest, EveryUniformRowWithItsValues) {
  Init({{"time", 1},        {"resolution", 2},          {"mouse", 3},  {"surfaceSize", 4},
        {"iMouse", 5},      {"iResolution", 6},         {"iDate", 7},  {"iChannelTime[0]", 8},
        {"inputColour", 9}, {"iChannelResolution[0]", 10}});
  effect.parameterValues[HelixmorphicsV1::kDistort] = 0.5f;
  effect.parameterValues[HelixmorphicsV1::kMode] = 0.25f;
  effect.parameterValues[HelixmorphicsV1::kMouseLeftX] = 0.1f;
  effect.parameterValues[HelixmorphicsV1::kMouseLeftY] = 1.0f;
  effect.parameterValues[HelixmorphicsV1::kRed] = 0.2f;
  fakegl::Get().localTime.tm_year = 126;
  fakegl::Get().localTime.tm_mon = 0;
  fakegl::Get().localTime.tm_mday = 31;
  fakegl::Get().localTime.tm_hour = 1;
  fakegl::Get().localTime.tm_min = 2;
  fakegl::Get().localTime.tm_sec = 3;
  ASSERT_EQ(FF_SUCCESS, Frame({}));
  EXPECT_EQ((std::vector<std::string>{
                "glUniform1fARB(1, 0)",
                "glUniform2fARB(2, 320, 180)",
                "glUniform2fARB(3, 0.5, 0.25)",
                "glUniform2fARB(4, 32, 180)",
                "glUniform4fARB(5, 160, 45, 32, 180)",
                "glUniform3fARB(6, 320, 180, 1)",
                "glUniform3fvARB(10, 4, 0, 0, 1, 0, 0, 1, 320, 180, 1, 320, 180, 1)",
                // Year from 1900, month from 1, seconds since midnight.
                "glUniform4fARB(7, 126, 1, 31, 3723)",
                "glUniform1fvARB(8, 4, 0, 0, 0, 0)",
                "glUniform4fARB(9, 0.2, 1, 1, 1)",
            }),
            fakegl::Calls("glUniform"));
}

TEST_F(FrameCallsTest, SpeedScalesTheAnimationClock) {
  Init({{"time", 0}});
  const std::int64_t second = fakegl::Get().counterFrequency;
  Frame({});  // the first frame starts from the program's ready time
  const float start = effect.clock.elapsedTime;
  effect.parameterValues[HelixmorphicsV1::kSpeed] = 0.0f;
  fakegl::Get().counterValue += 3 * second;
  Frame({});
  EXPECT_FLOAT_EQ(start, effect.clock.elapsedTime);
  effect.parameterValues[HelixmorphicsV1::kSpeed] = 0.5f;
  fakegl::Get().counterValue += second;
  Frame({});
  EXPECT_FLOAT_EQ(start + 1.0f, effect.clock.elapsedTime);
  effect.parameterValues[HelixmorphicsV1::kSpeed] = 1.0f;
  fakegl::Get().counterValue += second;
  Frame({});
  EXPECT_FLOAT_EQ(start + 3.0f, effect.clock.elapsedTime);
  for (float value : effect.channelTime) EXPECT_FLOAT_EQ(effect.clock.elapsedTime, value);
}

TEST_F(FrameCallsTest, FramesAfterTheFirstAllocateNothing) {
  Init({{"iChannel0", 3}, {"tex1", 4}, {"time", 0}, {"iChannelResolution[0]", 5}, {"iDate", 6}});
  FFGLTextureStruct first{32, 32, 64, 64, 42};
  FFGLTextureStruct second{16, 8, 16, 8, 43};
  std::vector<FFGLTextureStruct*> inputs = {&first, &second};
  ProcessOpenGLStruct frame{2, inputs.data(), 7};
  fakegl::Get().recording = false;  // the recorder itself allocates
  ASSERT_EQ(FF_SUCCESS, effect.ProcessOpenGL(&frame));
  const std::uint64_t before = allocations::NewCount();
  for (int i = 0; i < 100; ++i) effect.ProcessOpenGL(&frame);
  EXPECT_EQ(before, allocations::NewCount());
}

// A frame of two passes, the first into a quarter-width persistent buffer
// the second samples: the host's state is put back, later frames allocate
// nothing, and the buffer goes with DeInitGL. On a driver without float
// textures a FLOAT buffer fails InitGL with one line saying so.
TEST_F(FrameCallsTest, PassesPutTheHostStateBackAndAllocateNothing) {
  PluginDescription d;
  d.name = "Passes";
  d.vertexText = d.fragmentText = "void main() {}";
  UniformDescription sampler;
  sampler.name = "trail";
  sampler.feed = UniformFeed::kBufferSampler;
  d.uniforms = {sampler};
  d.buffers.resize(1);
  d.buffers[0].name = "trail";
  d.buffers[0].persistent = true;
  d.buffers[0].width = {{SizeOp::kWidth, 0.0f, 0}, {SizeOp::kNumber, 4.0f, 0}, {SizeOp::kDivide, 0.0f, 0}};
  d.passes = {{1}, {0}};
  fakegl::Get().uniformLocations = {{"trail", 0}};
  FFGLViewportStruct viewport{0, 0, 320, 180};
  {
    ShaderEffect passes(d);
    ASSERT_EQ(FF_SUCCESS, passes.InitGL(&viewport));
    ProcessOpenGLStruct frame{0, nullptr, 7};
    fakegl::Get().recording = false;
    ASSERT_EQ(FF_SUCCESS, passes.ProcessOpenGL(&frame));
    const std::uint64_t before = allocations::NewCount();
    for (int i = 0; i < 10; ++i) passes.ProcessOpenGL(&frame);
    EXPECT_EQ(before, allocations::NewCount());
    fakegl::Get().recording = true;
    fakegl::ClearCalls();
    passes.ProcessOpenGL(&frame);
    ExpectHostStateRestored(7);
    EXPECT_EQ(0u, fakegl::Get().boundTexture[2]);
    EXPECT_EQ(80, passes.passBuffers.buffers[0].width);
    EXPECT_EQ(180, passes.passBuffers.buffers[0].height);
    std::string lastViewport;
    for (const std::string& call : fakegl::Get().calls) {
      if (call.rfind("glViewport", 0) == 0) lastViewport = call;
    }
    EXPECT_EQ("glViewport(10, 20, 320, 180)", lastViewport);
    passes.DeInitGL();
    EXPECT_EQ(0u, fakegl::Get().liveTextures.size());
    EXPECT_EQ(0u, fakegl::Get().liveFramebuffers.size());
  }
  d.buffers[0].floating = true;
  ShaderEffect floating(d);
  EXPECT_EQ(FF_FAIL, floating.InitGL(&viewport));
  EXPECT_NE(std::string::npos, fakegl::Get().debugText.find("'Passes': the OpenGL context has no float textures"))
      << fakegl::Get().debugText;
}

}  // namespace
