// The shipped library through plugMain, as a host that opens and closes
// effects all through a show: every cycle initialises the plugin, makes an
// instance, draws a frame without inputs and two with two input textures
// whose size changes, destroys the instance and deinitialises. Memory stays
// flat and no texture, framebuffer, program or shader of the plugin
// outlives its instance.
#include <gtest/gtest.h>

#include "host/gl/HostFramebuffer.h"
#include "tests/soak/SoakHost.h"

namespace {

using mesa::Call;

const FFGLViewportStruct kViewport{0, 0, 64, 64};

// One instance's whole life; false, with the reason reported, on a fault.
bool Cycle(int cycle, const host::HostFramebuffer& target) {
  EXPECT_EQ(Call(FF_INITIALISE), FF_SUCCESS);
  const FFWord id = Call(FF_INSTANTIATEGL, &kViewport);
  EXPECT_NE(id, FF_FAIL);
  if (id == FF_FAIL) return false;
  SetParameterStruct speed{0, FFWordFromFloat(static_cast<float>(cycle % 7) / 7.0f)};
  EXPECT_EQ(Call(FF_SETPARAMETER, &speed), FF_FAIL);  // no instance named
  EXPECT_EQ(Call(FF_SETPARAMETER, &speed, id), FF_SUCCESS);
  EXPECT_NE(Call(FF_GETPARAMETERDISPLAY, 0, id), 0u);

  target.Bind();
  ProcessOpenGLStruct frame{0, nullptr, target.Framebuffer()};
  EXPECT_EQ(Call(FF_PROCESSOPENGL, &frame, id), FF_SUCCESS);
  soak::PresentFrame();
  for (int step = 0; step < 2; ++step) {
    const int size = cycle + step;
    soak::InputTexture first(8 + size % 5 * 4, 8 + size % 3 * 4);
    soak::InputTexture second(4 + size % 4 * 6, 12 + size % 2 * 8);
    FFGLTextureStruct* inputs[2] = {&first.record, &second.record};
    frame = ProcessOpenGLStruct{2, inputs, target.Framebuffer()};
    EXPECT_EQ(Call(FF_PROCESSOPENGL, &frame, id), FF_SUCCESS);
    soak::PresentFrame();
  }

  EXPECT_EQ(Call(FF_DEINSTANTIATEGL, 0, id), FF_SUCCESS);
  EXPECT_EQ(Call(FF_DEINITIALISE), FF_SUCCESS);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "cycle " << cycle;
  return !::testing::Test::HasFailure();
}

TEST(LibrarySoak, InstancesComeAndGoWithFlatMemoryAndNoSurvivingObjects) {
  const host::HostFramebuffer target(mesa::GL(), 64, 64);
  ASSERT_TRUE(target.IsComplete());
  const soak::ObjectCensus hostOnly = soak::CountObjects();

  // The census does see the plugin's objects while an instance lives.
  const FFWord id = Call(FF_INSTANTIATEGL, &kViewport);
  ASSERT_NE(id, FF_FAIL);
  const soak::ObjectCensus withInstance = soak::CountObjects();
  EXPECT_EQ(withInstance.programs, hostOnly.programs + 1);
  EXPECT_EQ(withInstance.shaders, hostOnly.shaders + 2);
  ASSERT_EQ(Call(FF_DEINSTANTIATEGL, 0, id), FF_SUCCESS);

  soak::RunCycles("library soak", SOAK_CYCLES,
                  [&target](int cycle) { return Cycle(cycle, target); });

  soak::ExpectNoObjectsBeyond("library soak", hostOnly);
}

}  // namespace
