// The input-copy path, which the built-in program never takes: the effect's
// own code (linked in) with a program that samples both channels, through
// cycles of preparation, frames whose inputs change size, vanish, arrive
// empty or null, and release. Each copy texture and the copy framebuffer
// must go with the instance, and memory must stay flat.
#include <gtest/gtest.h>

#include <memory>

#include "effect/HelixmorphicsV1.h"
#include "host/gl/HostFramebuffer.h"
#include "tests/soak/SoakHost.h"

namespace {

const char kSamplingText[] =
    "void mainImage(out vec4 colour, in vec2 position) {\n"
    "  vec2 uv = position / iResolution.xy;\n"
    "  colour = 0.5 * texture2D(iChannel0, uv) + 0.5 * inputColour * texture2D(iChannel1, uv);\n"
    "}\n";

const FFGLViewportStruct kViewport{0, 0, 64, 64};

bool Frame(HelixmorphicsV1& effect, const host::HostFramebuffer& target, FFUInt32 count,
           FFGLTextureStruct* first, FFGLTextureStruct* second) {
  FFGLTextureStruct* inputs[2] = {first, second};
  const ProcessOpenGLStruct frame{count, inputs, target.Framebuffer()};
  target.Bind();
  const bool drawn = effect.ProcessOpenGL(&frame) == FF_SUCCESS;
  soak::PresentFrame();
  return drawn;
}

bool Cycle(int cycle, const host::HostFramebuffer& target) {
  CFreeFrameGLPlugin* made = nullptr;
  EXPECT_EQ(CreateHelixmorphicsV1(&made), FF_SUCCESS);
  std::unique_ptr<HelixmorphicsV1> effect(static_cast<HelixmorphicsV1*>(made));
  EXPECT_EQ(effect->InitGLWithFragment(&kViewport, kSamplingText), FF_SUCCESS);
  EXPECT_TRUE(effect->initialized);

  // Two inputs at one size, then at another (each copy is made again).
  for (int step = 0; step < 2; ++step) {
    const int size = cycle + step;
    soak::InputTexture first(8 + size % 5 * 4, 8 + size % 3 * 4);
    soak::InputTexture second(4 + size % 4 * 6, 12 + size % 2 * 8);
    EXPECT_TRUE(Frame(*effect, target, 2, &first.record, &second.record));
  }
  // Inputs that cannot be copied: a null entry and a zero-size record, then
  // none at all.
  soak::InputTexture input(16, 16);
  FFGLTextureStruct zeroSize = input.record;
  zeroSize.Width = 0;
  EXPECT_TRUE(Frame(*effect, target, 2, nullptr, &zeroSize));
  EXPECT_TRUE(Frame(*effect, target, 0, nullptr, nullptr));
  // Only the first input, the count saying so.
  EXPECT_TRUE(Frame(*effect, target, 1, &input.record, nullptr));

  EXPECT_EQ(effect->DeInitGL(), FF_SUCCESS);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "cycle " << cycle;
  return !::testing::Test::HasFailure();
}

TEST(SampledInputSoak, InputCopiesComeAndGoWithFlatMemoryAndNoSurvivingObjects) {
  const host::HostFramebuffer target(mesa::GL(), 64, 64);
  ASSERT_TRUE(target.IsComplete());
  const soak::ObjectCensus hostOnly = soak::CountObjects();

  // The census does see the copies while an instance lives.
  {
    HelixmorphicsV1 effect;
    ASSERT_EQ(effect.InitGLWithFragment(&kViewport, kSamplingText), FF_SUCCESS);
    ASSERT_TRUE(effect.initialized);
    soak::InputTexture first(16, 16);
    soak::InputTexture second(8, 24);
    ASSERT_TRUE(Frame(effect, target, 2, &first.record, &second.record));
    const soak::ObjectCensus withInstance = soak::CountObjects();
    EXPECT_EQ(withInstance.textures, hostOnly.textures + 4);  // two inputs, two copies
    EXPECT_EQ(withInstance.framebuffers, hostOnly.framebuffers + 1);
    EXPECT_EQ(withInstance.programs, hostOnly.programs + 1);
    effect.DeInitGL();
  }

  soak::RunCycles("sampled-input soak", SOAK_CYCLES,
                  [&target](int cycle) { return Cycle(cycle, target); });

  soak::ExpectNoObjectsBeyond("sampled-input soak", hostOnly);
}

}  // namespace
