// Input textures on real OpenGL: a host picture inside a larger hardware
// texture is copied whole and reaches the program's sampler, stretched over
// the host's viewport, for both channels and across size changes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/realgl/EffectOnMesa.h"

namespace {

using mesa::HostInputTexture;
using mesa::Picture;

const char kShowChannel0[] =
    "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
    "  fragColor = texture2D(iChannel0, fragCoord / iResolution.xy);\n}\n";
const char kShowChannel1[] =
    "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
    "  fragColor = texture2D(iChannel1, fragCoord / iResolution.xy);\n}\n";

bool Near(const std::uint8_t* pixel, int r, int g, int b) {
  return std::abs(pixel[0] - r) <= 3 && std::abs(pixel[1] - g) <= 3 && std::abs(pixel[2] - b) <= 3;
}

// The four quadrants fill the viewport and nothing outside the picture
// (magenta) shows anywhere.
void ExpectWholePictureStretched(const Picture& picture) {
  const int w = picture.width;
  const int h = picture.height;
  EXPECT_TRUE(Near(picture.At(w / 4, h / 4), 255, 0, 0));
  EXPECT_TRUE(Near(picture.At(3 * w / 4, h / 4), 0, 255, 0));
  EXPECT_TRUE(Near(picture.At(w / 4, 3 * h / 4), 0, 0, 255));
  EXPECT_TRUE(Near(picture.At(3 * w / 4, 3 * h / 4), 255, 255, 255));
  // The picture's corners reach the viewport's corners.
  EXPECT_TRUE(Near(picture.At(1, 1), 255, 0, 0));
  EXPECT_TRUE(Near(picture.At(w - 2, h - 2), 255, 255, 255));
  int magenta = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* pixel = picture.At(x, y);
      magenta += pixel[0] > 128 && pixel[1] < 64 && pixel[2] > 128;
    }
  }
  EXPECT_EQ(0, magenta);
}

class InputTextureTest : public ::testing::Test {
 protected:
  void SetUp() override { mesa::GL(); }
  void TearDown() override { effect.DeInitGL(); }

  void Prepare(const char* text, int width, int height) {
    target = std::make_unique<host::HostFramebuffer>(mesa::GL(), width, height);
    ASSERT_TRUE(target->IsComplete());
    FFGLViewportStruct viewport{0, 0, static_cast<FFUInt32>(width),
                                static_cast<FFUInt32>(height)};
    ASSERT_EQ(FF_SUCCESS, effect.InitGLWithFragment(&viewport, text));
    ASSERT_TRUE(effect.initialized);
  }

  HelixmorphicsV1 effect;
  std::unique_ptr<host::HostFramebuffer> target;
};

TEST_F(InputTextureTest, PictureInsideLargerTextureIsCopiedWholeAndStretched) {
  Prepare(kShowChannel0, 320, 180);
  HostInputTexture input(200, 100, 256, 128);
  const Picture picture = mesa::RenderFrame(effect, *target, {&input.record});
  ExpectWholePictureStretched(picture);
  // The host's framebuffer and viewport are back, nothing stays bound.
  GLint framebuffer = -1, viewport[4] = {}, bound = -1, program = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(static_cast<GLint>(target->Framebuffer()), framebuffer);
  EXPECT_EQ(320, viewport[2]);
  EXPECT_EQ(180, viewport[3]);
  EXPECT_EQ(0, bound);
  EXPECT_EQ(0, program);
}

TEST_F(InputTextureTest, ViewportSmallerThanThePictureStillGetsAllOfIt) {
  Prepare(kShowChannel0, 96, 64);
  HostInputTexture input(200, 100, 256, 128);
  ExpectWholePictureStretched(mesa::RenderFrame(effect, *target, {&input.record}));
}

TEST_F(InputTextureTest, SecondInputReachesChannelOne) {
  Prepare(kShowChannel1, 160, 90);
  HostInputTexture unused(8, 8, 8, 8);
  HostInputTexture second(120, 60, 128, 64);
  ExpectWholePictureStretched(mesa::RenderFrame(effect, *target, {&unused.record, &second.record}));
  EXPECT_EQ(0u, effect.inputCopy.channelTexture[0]);  // channel 0 is not sampled
  EXPECT_NE(0u, effect.inputCopy.channelTexture[1]);
}

TEST_F(InputTextureTest, InputThatChangesSizeIsRemadeAtTheNewSize) {
  Prepare(kShowChannel0, 160, 90);
  HostInputTexture large(200, 100, 256, 128);
  ExpectWholePictureStretched(mesa::RenderFrame(effect, *target, {&large.record}));
  HostInputTexture small(60, 30, 64, 32);
  ExpectWholePictureStretched(mesa::RenderFrame(effect, *target, {&small.record}));
  GLint width = 0, height = 0;
  glBindTexture(GL_TEXTURE_2D, effect.inputCopy.channelTexture[0]);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(60, width);
  EXPECT_EQ(30, height);
}

}  // namespace
