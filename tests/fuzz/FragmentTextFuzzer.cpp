// Any fragment text, through an instance's whole GL life: preparation (the
// convention test, the conversion, compiling, linking, finding uniforms),
// one frame with two inputs, release. The driver's compiler answers as the
// input says, including a failed compile whose log length is a lie.
//
// The text a driver receives must be the given text, whole, either as it
// stands (it declares "uniform float time;") or behind the declarations of
// the mainImage convention, with main() after it exactly when it defines
// mainImage; and after release no object of the instance may be alive.
#include <string>

#include "effect/HelixmorphicsV1.h"
#include "effect/ShaderTexts.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

std::string ExpectedSource(const std::string& text) {
  if (text.find("uniform float time;") != std::string::npos) return text;
  std::string source = shader_texts::UniformHeader;
  source += shader_texts::InputColourDeclaration;
  source += text;
  if (text.find("void mainImage") != std::string::npos) source += shader_texts::MainImageWrapper;
  return source;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  fakegl::State& driver = FreshDriver();
  const std::uint8_t flags = in.Byte();
  const bool compiles = (flags & 1) == 0;
  const bool links = (flags & 2) == 0;
  driver.fragmentCompileStatus = driver.vertexCompileStatus = compiles ? 1 : 0;
  driver.linkStatus = links ? 1 : 0;
  if ((flags & 4) != 0) {
    driver.missingEntries.insert(fakegl::FirstEntry(fakegl::Group::FramebufferObjects));
  }
  driver.uniformMask = in.Word() ^ 0xFFFFFFFFu;
  driver.infoLogLength = static_cast<int>(in.SmallOrAny(2048));
  const std::string text = in.RestAsText();

  {
    HelixmorphicsV1 effect;
    const FFGLViewportStruct viewport{0, 0, 64, 48};
    Expect(effect.InitGLWithFragment(&viewport, text.c_str()) == FF_SUCCESS,
           "a complete driver refused the instance");
    Expect(effect.initialized == (compiles && links),
           "the instance's readiness does not follow the compiler's answer");
    Expect(driver.latestFragmentSource == ExpectedSource(text),
           "the driver did not receive the text as the conventions make it");
    Expect(driver.currentProgram == 0, "a program is current after preparation");

    FFGLTextureStruct first{32, 16, 64, 16, 7};
    FFGLTextureStruct second{5, 9, 8, 16, 8};
    FFGLTextureStruct* inputs[2] = {&first, &second};
    const ProcessOpenGLStruct frame{2, inputs, 3};
    Expect(effect.ProcessOpenGL(&frame) == FF_SUCCESS, "a frame failed");
    // The same inputs at a new size: the copies are made again.
    first.Width = 31;
    second.Height = 10;
    Expect(effect.ProcessOpenGL(&frame) == FF_SUCCESS, "a frame failed");
    Expect(driver.activeTexture == GL_TEXTURE0, "a frame left a unit other than 0 active");
    Expect(driver.currentProgram == 0, "a frame left a program current");

    Expect(effect.DeInitGL() == FF_SUCCESS, "release failed");
    Expect(effect.DeInitGL() == FF_SUCCESS, "a second release failed");
  }
  ExpectNothingLeft();
  return 0;
}
