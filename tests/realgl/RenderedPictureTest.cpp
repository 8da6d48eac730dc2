// The picture the shipped plugin draws on real OpenGL, compared pixel by
// pixel with the built-in program's statements evaluated on the CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/gl/HostFramebuffer.h"
#include "tests/realgl/BuiltInProgram.h"
#include "tests/realgl/MesaContext.h"

namespace {

using mesa::Call;

constexpr int kWidth = 320;
constexpr int kHeight = 180;

using reference::Rgb;

class RenderedPictureTest : public ::testing::TestWithParam<float> {};

TEST_P(RenderedPictureTest, MatchesTheProgramEvaluatedOnTheCpu) {
  const float mode = GetParam();
  const host::HostGL& gl = mesa::GL();
  host::HostFramebuffer target(gl, kWidth, kHeight);
  ASSERT_TRUE(target.IsComplete());
  target.Clear(0.2f, 0.2f, 0.2f, 0.0f);

  FFGLViewportStruct viewport{0, 0, kWidth, kHeight};
  const FFWord instance = Call(FF_INSTANTIATEGL, &viewport);
  ASSERT_NE(FFWord{FF_FAIL}, instance);
  SetParameterStruct speed{0, FFWordFromFloat(0.0f)};
  SetParameterStruct modeValue{2, FFWordFromFloat(mode)};
  ASSERT_EQ(FF_SUCCESS, Call(FF_SETPARAMETER, &speed, instance));
  ASSERT_EQ(FF_SUCCESS, Call(FF_SETPARAMETER, &modeValue, instance));

  target.Bind();
  ProcessOpenGLStruct frame{0, nullptr, target.Framebuffer()};
  ASSERT_EQ(FF_SUCCESS, Call(FF_PROCESSOPENGL, &frame, instance));

  // The host's state is as it was.
  GLint framebuffer = -1, activeUnit = -1, program = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(static_cast<GLint>(target.Framebuffer()), framebuffer);
  EXPECT_EQ(GL_TEXTURE0, activeUnit);
  EXPECT_EQ(0, program);

  const std::vector<std::uint8_t> pixels = target.ReadPixels();
  int compared = 0, close = 0, opaque = 0;
  for (int row = 0; row < kHeight; ++row) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* pixel = &pixels[(static_cast<std::size_t>(row) * kWidth + x) * 4];
      opaque += pixel[3] == 255;
      Rgb expected{};
      // Rows come top first; gl_FragCoord counts from the bottom, at centres.
      const float fragY = static_cast<float>(kHeight - 1 - row) + 0.5f;
      if (!reference::EvaluateBuiltInProgram(static_cast<float>(x) + 0.5f, fragY, kWidth, kHeight,
                                              0.0f, 0.0f, mode, expected)) {
        continue;
      }
      ++compared;
      close += std::abs(pixel[0] - expected.r) <= 3 && std::abs(pixel[1] - expected.g) <= 3 &&
               std::abs(pixel[2] - expected.b) <= 3;
    }
  }
  EXPECT_EQ(kWidth * kHeight, opaque);
  ASSERT_GT(compared, kWidth * kHeight / 3);
  const double share = static_cast<double>(close) / compared;
  std::printf("mode %.1f: %d of %d well-defined pixels within 3/255 (%.3f%%)\n",
              static_cast<double>(mode), close, compared, share * 100.0);
  EXPECT_GE(share, 0.99);
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
}

INSTANTIATE_TEST_SUITE_P(BothBandPatterns, RenderedPictureTest, ::testing::Values(0.0f, 1.0f));

}  // namespace
