// Each row of the bad-host-input table in docs/host-contract.md: the input a careless or
// hostile host can send through plugMain and the result word it gets, with
// no crash and nothing left behind. The fake driver finds every uniform, so
// the built-in program counts as sampling both input channels and the
// input-copy path runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "effect/HelixmorphicsV1.h"
#include "plugin/FreeFrame.h"
#include "plugin/PlugMain.h"
#include "tests/fakegl/FakeGL.h"

namespace {

const FFUInt32 kInstanceCodes[] = {FF_GETPARAMETERDISPLAY, FF_SETPARAMETER, FF_GETPARAMETER,
                                   FF_GETINPUTSTATUS,      FF_PROCESSOPENGL, FF_SETTIME,
                                   FF_DEINSTANTIATEGL};

class BadHostInput : public ::testing::Test {
 protected:
  void SetUp() override {
    fakegl::Reset();
    fakegl::Get().uniformMask = ~0u;
    fakegl::Get().recording = false;
    ASSERT_EQ(plugMain(FF_INITIALISE, 0, 0), FF_SUCCESS);
  }

  void TearDown() override {
    for (FFWord id : live_) EXPECT_EQ(plugMain(FF_DEINSTANTIATEGL, 0, id), FF_SUCCESS);
    EXPECT_EQ(plugMain(FF_DEINITIALISE, 0, 0), FF_SUCCESS);
    EXPECT_EQ(fakegl::Get().fault, "");
    EXPECT_EQ(fakegl::Get().liveTextures.size(), 0u);
    EXPECT_EQ(fakegl::Get().liveFramebuffers.size(), 0u);
    EXPECT_EQ(fakegl::Get().liveObjects.size(), 0u);
  }

  FFWord Instantiate() {
    const FFGLViewportStruct viewport{0, 0, 64, 64};
    const FFWord id = plugMain(FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport), 0);
    EXPECT_NE(id, FF_FAIL);
    if (id != FF_FAIL) live_.push_back(id);
    return id;
  }

  // A valid record for every code that reads one, so that only the
  // identifier is wrong.
  FFWord ValidInputFor(FFUInt32 code) {
    switch (code) {
      case FF_SETPARAMETER:
        return reinterpret_cast<FFWord>(&set_);
      case FF_PROCESSOPENGL:
        return reinterpret_cast<FFWord>(&emptyFrame_);
      case FF_SETTIME:
        return reinterpret_cast<FFWord>(&time_);
      default:
        return 0;
    }
  }

  static FFWord Set(FFWord id, FFUInt32 index, float value) {
    SetParameterStruct set{index, FFWordFromFloat(value)};
    return plugMain(FF_SETPARAMETER, reinterpret_cast<FFWord>(&set), id);
  }

  static std::string Display(FFWord id, FFUInt32 index) {
    const char* text = reinterpret_cast<const char*>(plugMain(FF_GETPARAMETERDISPLAY, index, id));
    if (text == nullptr) return "(null)";
    EXPECT_NE(std::memchr(text, '\0', CFreeFrameGLPlugin::kDisplayBufferSize), nullptr);
    return text;
  }

  static FFWord Frame(FFWord id, FFUInt32 count, FFGLTextureStruct** entries) {
    const ProcessOpenGLStruct frame{count, entries, 0};
    return plugMain(FF_PROCESSOPENGL, reinterpret_cast<FFWord>(&frame), id);
  }

  std::vector<FFWord> live_;
  SetParameterStruct set_{0, FFWordFromFloat(0.5f)};
  ProcessOpenGLStruct emptyFrame_{0, nullptr, 0};
  double time_ = 1.0;
};

TEST_F(BadHostInput, NullIdentifierFailsOnEveryInstanceCode) {
  for (FFUInt32 code : kInstanceCodes) {
    EXPECT_EQ(plugMain(code, ValidInputFor(code), 0), FF_FAIL) << "code " << code;
  }
}

TEST_F(BadHostInput, DestroyedIdentifierFailsOnEveryInstanceCode) {
  const FFWord id = Instantiate();
  ASSERT_EQ(plugMain(FF_DEINSTANTIATEGL, 0, id), FF_SUCCESS);
  live_.clear();
  for (FFUInt32 code : kInstanceCodes) {
    EXPECT_EQ(plugMain(code, ValidInputFor(code), id), FF_FAIL) << "code " << code;
  }
}

TEST_F(BadHostInput, AmongManyInstancesOnlyTheDestroyedOnesFail) {
  // Enough instances to outgrow the live list's first blocks of slots, and
  // freed slots taken again by later instances.
  for (int i = 0; i < 60; ++i) Instantiate();
  std::vector<FFWord> destroyed;
  for (std::size_t i = 0; i < live_.size(); i += 2) {
    ASSERT_EQ(plugMain(FF_DEINSTANTIATEGL, 0, live_[i]), FF_SUCCESS);
    destroyed.push_back(live_[i]);
  }
  std::vector<FFWord> kept;
  for (std::size_t i = 1; i < live_.size(); i += 2) kept.push_back(live_[i]);
  live_ = kept;
  for (int i = 0; i < 20; ++i) Instantiate();
  for (FFWord id : live_) EXPECT_EQ(plugMain(FF_GETINPUTSTATUS, 0, id), 1u);
  for (FFWord id : destroyed) {
    // An address freed earlier may have been handed out again.
    if (std::find(live_.begin(), live_.end(), id) != live_.end()) continue;
    EXPECT_EQ(plugMain(FF_GETINPUTSTATUS, 0, id), FF_FAIL);
  }
}

TEST_F(BadHostInput, MadeUpIdentifiersFailOnEveryInstanceCode) {
  const FFWord live = Instantiate();
  const FFWord madeUp[] = {1, FF_FAIL, live + 8, live - 8, reinterpret_cast<FFWord>(&set_),
                           std::numeric_limits<FFWord>::max()};
  for (FFWord id : madeUp) {
    for (FFUInt32 code : kInstanceCodes) {
      EXPECT_EQ(plugMain(code, ValidInputFor(code), id), FF_FAIL) << "code " << code;
    }
  }
  // The live instance is untouched by all of it.
  EXPECT_EQ(plugMain(FF_GETPARAMETER, HelixmorphicsV1::kSpeed, live), FFWordFromFloat(0.1f));
}

TEST_F(BadHostInput, UnhandledAndUnknownCodesFail) {
  const FFWord id = Instantiate();
  const FFUInt32 codes[] = {FF_PROCESSFRAME, FF_INSTANTIATE, FF_DEINSTANTIATE, FF_PROCESSFRAMECOPY,
                            21u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu};
  for (FFUInt32 code : codes) {
    EXPECT_EQ(plugMain(code, 0, 0), FF_FAIL) << "code " << code;
    EXPECT_EQ(plugMain(code, 0, id), FF_FAIL) << "code " << code;
  }
}

TEST_F(BadHostInput, OutOfRangeIndicesGetTheirFailureWords) {
  const FFWord id = Instantiate();
  for (FFUInt32 index : {FFUInt32{HelixmorphicsV1::kRegisteredParameterCount},
                         FFUInt32{HelixmorphicsV1::kParameterCount}, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(plugMain(FF_GETPARAMETERNAME, index, 0), 0u);
    EXPECT_EQ(plugMain(FF_GETPARAMETERDEFAULT, index, 0), FF_FAIL);
    EXPECT_EQ(plugMain(FF_GETPARAMETERTYPE, index, 0), FF_FAIL);
    EXPECT_EQ(plugMain(FF_GETPARAMETERDISPLAY, index, id), 0u);
    EXPECT_EQ(plugMain(FF_GETINPUTSTATUS, index, id), FF_FAIL);
    EXPECT_EQ(plugMain(FF_GETPLUGINCAPS, index, 0), 0u);
  }
  for (FFUInt32 index : {FFUInt32{HelixmorphicsV1::kParameterCount}, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(Set(id, index, 0.5f), FF_FAIL);
    // No parameter there: reads as the float -1.
    EXPECT_EQ(plugMain(FF_GETPARAMETER, index, id), FFWordFromFloat(-1.0f));
  }
  EXPECT_EQ(plugMain(FF_GETINPUTSTATUS, 2, id), FF_FAIL);
}

TEST_F(BadHostInput, NullRecordAddressesFail) {
  const std::size_t shadersBefore = fakegl::Get().liveObjects.size();
  EXPECT_EQ(plugMain(FF_INSTANTIATEGL, 0, 0), FF_FAIL);
  EXPECT_EQ(fakegl::Get().liveObjects.size(), shadersBefore);
  const FFWord id = Instantiate();
  EXPECT_EQ(plugMain(FF_SETPARAMETER, 0, id), FF_FAIL);
  EXPECT_EQ(plugMain(FF_PROCESSOPENGL, 0, id), FF_FAIL);
  EXPECT_EQ(plugMain(FF_SETTIME, 0, id), FF_FAIL);
  // An array address of null with inputs claimed: the channels are empty.
  EXPECT_EQ(Frame(id, 2, nullptr), FF_SUCCESS);
  EXPECT_EQ(fakegl::Get().texturesMade, 0u);
}

TEST_F(BadHostInput, ExtremeParameterValuesAreKeptAndDisplayedWithinTheBuffer) {
  const FFWord id = Instantiate();
  struct Case {
    float value;
    const char* display;
  };
  const Case cases[] = {
      {std::numeric_limits<float>::infinity(), "inf"},
      {-std::numeric_limits<float>::infinity(), "-inf"},
      {FLT_MAX, "340282346638528859811704183484516925440.000000"},
      {-FLT_MAX, "-340282346638528859811704183484516925440.000000"},
      {1e30f, "1000000015047466219876688855040.000000"},
      {-FLT_MIN, "-0.000000"},
  };
  for (const Case& c : cases) {
    for (FFUInt32 index = 0; index < HelixmorphicsV1::kRegisteredParameterCount; ++index) {
      ASSERT_EQ(Set(id, index, c.value), FF_SUCCESS);
      EXPECT_EQ(plugMain(FF_GETPARAMETER, index, id), FFWordFromFloat(c.value));
      EXPECT_EQ(Display(id, index), c.display);
    }
    EXPECT_EQ(Frame(id, 0, nullptr), FF_SUCCESS);
  }
  ASSERT_EQ(Set(id, HelixmorphicsV1::kDistort, std::numeric_limits<float>::quiet_NaN()), FF_SUCCESS);
  EXPECT_TRUE(std::isnan(FFFloatFromWord(plugMain(FF_GETPARAMETER, HelixmorphicsV1::kDistort, id))));
  const std::string nan = Display(id, HelixmorphicsV1::kDistort);
  EXPECT_TRUE(nan == "nan" || nan == "-nan") << nan;
  EXPECT_EQ(Frame(id, 0, nullptr), FF_SUCCESS);
  // Host time is not supported, whatever the value.
  const double times[] = {NAN, INFINITY, -INFINITY, DBL_MAX};
  for (const double& time : times) {
    EXPECT_EQ(plugMain(FF_SETTIME, reinterpret_cast<FFWord>(&time), id), FF_FAIL);
  }
}

TEST_F(BadHostInput, ZeroSizeTexturesAreNotCopied) {
  const FFWord id = Instantiate();
  FFGLTextureStruct zeroWidth{0, 16, 16, 16, 5};
  FFGLTextureStruct zeroHeight{16, 0, 16, 16, 5};
  FFGLTextureStruct zeroHardwareWidth{16, 16, 0, 16, 5};
  FFGLTextureStruct zeroHardwareHeight{16, 16, 16, 0, 5};
  for (FFGLTextureStruct* zero : {&zeroWidth, &zeroHeight, &zeroHardwareWidth, &zeroHardwareHeight}) {
    FFGLTextureStruct* entries[2] = {zero, zero};
    EXPECT_EQ(Frame(id, 2, entries), FF_SUCCESS);
  }
  EXPECT_EQ(fakegl::Get().texturesMade, 0u);
}

TEST_F(BadHostInput, NullEntrySkipsOnlyItsChannel) {
  const FFWord id = Instantiate();
  FFGLTextureStruct input{16, 16, 16, 16, 5};
  FFGLTextureStruct* secondOnly[2] = {nullptr, &input};
  EXPECT_EQ(Frame(id, 2, secondOnly), FF_SUCCESS);
  EXPECT_EQ(fakegl::Get().liveTextures.size(), 1u);
  FFGLTextureStruct* firstOnly[2] = {&input, nullptr};
  EXPECT_EQ(Frame(id, 2, firstOnly), FF_SUCCESS);
  EXPECT_EQ(fakegl::Get().liveTextures.size(), 2u);
  FFGLTextureStruct* none[2] = {nullptr, nullptr};
  EXPECT_EQ(Frame(id, 2, none), FF_SUCCESS);
  EXPECT_EQ(fakegl::Get().liveTextures.size(), 2u);
}

TEST_F(BadHostInput, CountBeyondTheMeaningfulInputsReadsOnlyTheSampledChannels) {
  const FFWord id = Instantiate();
  FFGLTextureStruct input{16, 16, 16, 16, 5};
  // Exactly two entries on the heap, however many the host claims: a read of
  // a third would be caught by the address sanitizer.
  std::vector<FFGLTextureStruct*> entries{&input, &input};
  for (FFUInt32 claimed : {3u, 64u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(Frame(id, claimed, entries.data()), FF_SUCCESS);
  }
  EXPECT_EQ(fakegl::Get().liveTextures.size(), 2u);
  // One claimed input with a one-entry array: channel 1 is not read at all.
  std::vector<FFGLTextureStruct*> one{&input};
  const FFWord other = Instantiate();
  EXPECT_EQ(Frame(other, 1, one.data()), FF_SUCCESS);
  EXPECT_EQ(fakegl::Get().liveTextures.size(), 3u);
}

TEST_F(BadHostInput, DriverWithoutShaderObjectsRefusesTheInstanceAndKeepsNothing) {
  fakegl::Get().missingEntries = {fakegl::FirstEntry(fakegl::Group::ShaderObjects)};
  const FFGLViewportStruct viewport{0, 0, 64, 64};
  EXPECT_EQ(plugMain(FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport), 0), FF_FAIL);
  fakegl::Get().missingEntries = {fakegl::FirstEntry(fakegl::Group::Multitexture)};
  EXPECT_EQ(plugMain(FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport), 0), FF_FAIL);
  EXPECT_EQ(fakegl::Get().liveObjects.size(), 0u);
}

TEST_F(BadHostInput, ZeroSizeViewportGivesAnInstanceThatDraws) {
  const FFGLViewportStruct empty{0, 0, 0, 0};
  const FFWord id = plugMain(FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&empty), 0);
  ASSERT_NE(id, FF_FAIL);
  live_.push_back(id);
  EXPECT_EQ(Frame(id, 0, nullptr), FF_SUCCESS);
}

}  // namespace
