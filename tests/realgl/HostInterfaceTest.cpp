// The host interface as a host sees it: the shipped library loaded by path
// and driven through plugMain alone.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "effect/HelixmorphicsV1.h"
#include "tests/realgl/MesaContext.h"

namespace {

using mesa::Call;
using P = HelixmorphicsV1;  // the parameter indices

constexpr FFWord kFail = 0xFFFFFFFFu;
constexpr FFWord kBitsOfPointOne = 0x3DCCCCCDu;

FFWord Instantiate() {
  FFGLViewportStruct viewport{0, 0, 64, 64};
  return Call(FF_INSTANTIATEGL, &viewport);
}

FFWord SetParameter(FFWord instance, FFUInt32 index, float value) {
  SetParameterStruct set{index, FFWordFromFloat(value)};
  return Call(FF_SETPARAMETER, &set, instance);
}

std::string Display(FFWord instance, FFUInt32 index) {
  const auto* text = reinterpret_cast<const char*>(Call(FF_GETPARAMETERDISPLAY, index, instance));
  return text != nullptr ? text : "(null)";
}

TEST(HostInterfaceTest, InformationRecordsHaveTheirFixedWidthFields) {
  const auto* info = reinterpret_cast<const PluginInfoStruct*>(Call(FF_GETINFO));
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(1u, info->APIMajorVersion);
  EXPECT_EQ(6u, info->APIMinorVersion);
  EXPECT_EQ(0, std::memcmp(info->PluginUniqueID, "HLXM", 4));
  EXPECT_EQ(0, std::memcmp(info->PluginName, "Helixmorphics1_D", 16));  // no terminator
  EXPECT_EQ(FF_SOURCE, info->PluginType);

  const auto* extended =
      reinterpret_cast<const PluginExtendedInfoStruct*>(Call(FF_GETEXTENDEDINFO));
  ASSERT_NE(nullptr, extended);
  EXPECT_EQ(1u, extended->PluginMajorVersion);
  EXPECT_EQ(4u, extended->PluginMinorVersion);
  EXPECT_EQ(0u, extended->FreeFrameExtendedDataSize);
  EXPECT_EQ(nullptr, extended->FreeFrameExtendedDataBlock);
  ASSERT_NE(nullptr, extended->Description);
  ASSERT_NE(nullptr, extended->About);
  EXPECT_GT(std::strlen(extended->Description), 0u);
}

TEST(HostInterfaceTest, TemplateIsMadeOnDemandAndRemadeAfterDeinitialise) {
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINITIALISE));
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINITIALISE));
  EXPECT_EQ(3u, Call(FF_GETNUMPARAMETERS));
  EXPECT_EQ(FF_SUCCESS, Call(FF_INITIALISE));
  EXPECT_EQ(FF_SUCCESS, Call(FF_INITIALISE));
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINITIALISE));
  EXPECT_EQ(3u, Call(FF_GETNUMPARAMETERS));
}

TEST(HostInterfaceTest, ParametersAreDescribedByTheTemplate) {
  const char* names[] = {"Speed", "Distort", "Mode"};
  const FFWord defaults[] = {kBitsOfPointOne, 0, 0};
  for (FFUInt32 i = 0; i < P::kRegisteredParameterCount; ++i) {
    const auto* name = reinterpret_cast<const char*>(Call(FF_GETPARAMETERNAME, i));
    ASSERT_NE(nullptr, name);
    char expected[16] = {};
    std::memcpy(expected, names[i], std::strlen(names[i]));
    EXPECT_EQ(0, std::memcmp(expected, name, 16)) << names[i];  // zero-padded
    EXPECT_EQ(defaults[i], Call(FF_GETPARAMETERDEFAULT, i));
    EXPECT_EQ(FF_TYPE_STANDARD, Call(FF_GETPARAMETERTYPE, i));
  }
  for (FFWord unknown : {FFWord{P::kRegisteredParameterCount}, FFWord{0xFFFFFFFFu}}) {
    EXPECT_EQ(0u, Call(FF_GETPARAMETERNAME, unknown));
    EXPECT_EQ(kFail, Call(FF_GETPARAMETERDEFAULT, unknown));
    EXPECT_EQ(kFail, Call(FF_GETPARAMETERTYPE, unknown));
  }
}

TEST(HostInterfaceTest, CapabilitiesAndUnhandledCodes) {
  EXPECT_EQ(1u, Call(FF_GETPLUGINCAPS, FF_CAP_PROCESSOPENGL));
  EXPECT_EQ(0u, Call(FF_GETPLUGINCAPS, FF_CAP_SETTIME));
  EXPECT_EQ(0u, Call(FF_GETPLUGINCAPS, FF_CAP_MINIMUMINPUTFRAMES));
  EXPECT_EQ(2u, Call(FF_GETPLUGINCAPS, FF_CAP_MAXIMUMINPUTFRAMES));
  for (FFWord other : {0u, 1u, 2u, 3u, 15u, 99u, 0xFFFFFFFFu}) {
    EXPECT_EQ(0u, Call(FF_GETPLUGINCAPS, other)) << other;
  }
  for (FFUInt32 code : {3u, 11u, 12u, 14u, 21u, 1000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(kFail, Call(code)) << code;
  }
}

TEST(HostInterfaceTest, NewInstanceStartsFromTheRegisteredDefaults) {
  const FFWord instance = Instantiate();
  ASSERT_NE(kFail, instance);
  ASSERT_NE(0u, instance);
  EXPECT_EQ(kBitsOfPointOne, Call(FF_GETPARAMETER, P::kSpeed, instance));
  EXPECT_EQ(0u, Call(FF_GETPARAMETER, P::kDistort, instance));
  EXPECT_EQ(0u, Call(FF_GETPARAMETER, P::kMode, instance));
  // The hidden values: mouse-left position 0.5, colour 1.0.
  EXPECT_EQ(0.5f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kMouseLeftX, instance)));
  EXPECT_EQ(1.0f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kAlpha, instance)));
  EXPECT_EQ(1u, Call(FF_GETINPUTSTATUS, 0, instance));
  EXPECT_EQ(1u, Call(FF_GETINPUTSTATUS, 1, instance));
  EXPECT_EQ(kFail, Call(FF_GETINPUTSTATUS, 2, instance));
  EXPECT_EQ(kFail, Call(FF_GETINPUTSTATUS, 0xFFFFFFFFu, instance));
  double hostTime = 1.5;
  EXPECT_EQ(kFail, Call(FF_SETTIME, &hostTime, instance));
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
}

TEST(HostInterfaceTest, ParameterValuesAreStoredUnclampedForAllNineIndices) {
  const FFWord instance = Instantiate();
  ASSERT_NE(kFail, instance);
  EXPECT_EQ(FF_SUCCESS, SetParameter(instance, P::kSpeed, 1.5f));
  EXPECT_EQ(FF_SUCCESS, SetParameter(instance, P::kDistort, -2.0f));
  EXPECT_EQ(FF_SUCCESS, SetParameter(instance, P::kAlpha, 0.25f));
  EXPECT_EQ(1.5f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kSpeed, instance)));
  EXPECT_EQ(-2.0f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kDistort, instance)));
  EXPECT_EQ(0.25f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kAlpha, instance)));
  // Index 9 and above are refused and change nothing.
  EXPECT_EQ(kFail, SetParameter(instance, P::kParameterCount, 0.75f));
  EXPECT_EQ(kFail, SetParameter(instance, 0xFFFFFFFFu, 0.75f));
  EXPECT_EQ(-1.0f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kParameterCount, instance)));
  EXPECT_EQ(1.5f, FFFloatFromWord(Call(FF_GETPARAMETER, P::kSpeed, instance)));
  // A float result fills only the low 32 bits of the word.
  EXPECT_EQ(0u, Call(FF_GETPARAMETER, P::kDistort, instance) >> 31 >> 1);
  // No record to read.
  EXPECT_EQ(kFail, Call(FF_SETPARAMETER, 0, instance));
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
}

TEST(HostInterfaceTest, DisplayTextsShareOneBufferAndAlwaysFitWhole) {
  const FFWord instance = Instantiate();
  ASSERT_NE(kFail, instance);
  const FFWord first = Call(FF_GETPARAMETERDISPLAY, P::kSpeed, instance);
  EXPECT_EQ("0.100000", std::string(reinterpret_cast<const char*>(first)));
  EXPECT_EQ("0.000000", Display(instance, P::kDistort));
  // The earlier address now holds the later text.
  EXPECT_EQ("0.000000", std::string(reinterpret_cast<const char*>(first)));
  // The registry knows indices 0 to 2 only.
  EXPECT_EQ(0u, Call(FF_GETPARAMETERDISPLAY, P::kMouseLeftX, instance));
  EXPECT_EQ(0u, Call(FF_GETPARAMETERDISPLAY, P::kRed, instance));

  SetParameter(instance, P::kSpeed, -1.0f);
  EXPECT_EQ("-1.000000", Display(instance, P::kSpeed));
  SetParameter(instance, P::kSpeed, -FLT_MAX);
  EXPECT_EQ("-340282346638528859811704183484516925440.000000", Display(instance, P::kSpeed));
  SetParameter(instance, P::kSpeed, std::numeric_limits<float>::infinity());
  EXPECT_EQ("inf", Display(instance, P::kSpeed));
  SetParameter(instance, P::kSpeed, std::numeric_limits<float>::quiet_NaN());
  EXPECT_NE(std::string::npos, Display(instance, P::kSpeed).find("nan"));
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
}

TEST(HostInterfaceTest, OnlyLiveInstanceIdentifiersAreAccepted) {
  const FFWord instance = Instantiate();
  ASSERT_NE(kFail, instance);
  ASSERT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
  ProcessOpenGLStruct frame{0, nullptr, 0};
  double hostTime = 0.0;
  SetParameterStruct set{0, 0};
  for (FFWord stale : {FFWord{0}, instance, FFWord{0x1234}, instance + 8}) {
    EXPECT_EQ(kFail, Call(FF_GETPARAMETERDISPLAY, P::kSpeed, stale));
    EXPECT_EQ(kFail, Call(FF_SETPARAMETER, &set, stale));
    EXPECT_EQ(kFail, Call(FF_GETPARAMETER, P::kSpeed, stale));
    EXPECT_EQ(kFail, Call(FF_GETINPUTSTATUS, 0, stale));
    EXPECT_EQ(kFail, Call(FF_PROCESSOPENGL, &frame, stale));
    EXPECT_EQ(kFail, Call(FF_SETTIME, &hostTime, stale));
    EXPECT_EQ(kFail, Call(FF_DEINSTANTIATEGL, 0, stale));
  }
  EXPECT_EQ(kFail, Call(FF_INSTANTIATEGL, 0));  // no viewport
}

TEST(HostInterfaceTest, InstancesOutliveTheTemplate) {
  const FFWord instance = Instantiate();
  ASSERT_NE(kFail, instance);
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINITIALISE));
  EXPECT_EQ(FF_SUCCESS, SetParameter(instance, P::kMode, 0.5f));
  EXPECT_EQ("0.500000", Display(instance, P::kMode));
  EXPECT_EQ(kFail, Call(FF_PROCESSOPENGL, FFWord{0}, instance));  // no record
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
}

}  // namespace
