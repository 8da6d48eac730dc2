// The parameter registry and the registration record, for the cases the
// effect's own registrations do not reach: text and boolean parameters,
// clamping, name widths and repeated indices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "effect/ShaderEffect.h"
#include "plugin/FFGLPluginManager.h"
#include "plugin/FFGLPluginRegistration.h"
#include "plugin/FreeFrameGLPlugin.h"

namespace {

TEST(ParameterRegistryTest, EmptyRegistryAnswersUnregistered) {
  CFFGLPluginManager registry;
  EXPECT_EQ(0u, registry.GetParameterCount());
  EXPECT_EQ(nullptr, registry.GetParameterName(0));
  EXPECT_EQ(FF_FAIL, registry.GetParameterType(0));
  EXPECT_EQ(FFWord{FF_FAIL}, registry.GetParameterDefault(0));
}

TEST(ParameterRegistryTest, NumericDefaultsAreClampedAndNaNKept) {
  CFFGLPluginManager registry;
  registry.RegisterNumericParameter(0, "a", FF_TYPE_STANDARD, 1.5f);
  registry.RegisterNumericParameter(1, "b", FF_TYPE_STANDARD, -0.25f);
  registry.RegisterNumericParameter(2, "c", FF_TYPE_STANDARD, 0.1f);
  registry.RegisterNumericParameter(3, "d", FF_TYPE_STANDARD,
                                    std::numeric_limits<float>::quiet_NaN());
  registry.RegisterBooleanParameter(4, "e", 0, true);
  registry.RegisterBooleanParameter(5, "f", 0, false);
  EXPECT_EQ(1.0f, FFFloatFromWord(registry.GetParameterDefault(0)));
  EXPECT_EQ(0.0f, FFFloatFromWord(registry.GetParameterDefault(1)));
  EXPECT_EQ(FFWord{0x3DCCCCCDu}, registry.GetParameterDefault(2));
  EXPECT_TRUE(std::isnan(FFFloatFromWord(registry.GetParameterDefault(3))));
  EXPECT_EQ(FFWord{0x3F800000u}, registry.GetParameterDefault(4));
  EXPECT_EQ(FFWord{0}, registry.GetParameterDefault(5));
}

TEST(ParameterRegistryTest, TextDefaultIsTheRegistrysOwnCopy) {
  CFFGLPluginManager registry;
  char text[] = "abc";
  registry.RegisterTextParameter(0, "t", FF_TYPE_TEXT, text);
  registry.RegisterTextParameter(1, "u", FF_TYPE_TEXT, nullptr);
  const auto* copy = reinterpret_cast<const char*>(registry.GetParameterDefault(0));
  ASSERT_NE(nullptr, copy);
  EXPECT_NE(static_cast<const char*>(text), copy);
  text[0] = 'x';
  EXPECT_STREQ("abc", copy);
  EXPECT_EQ(FFWord{0}, registry.GetParameterDefault(1));
}

TEST(ParameterRegistryTest, NamesFillExactlySixteenBytes) {
  CFFGLPluginManager registry;
  registry.RegisterNumericParameter(0, "Speed", FF_TYPE_STANDARD, 0.0f);
  registry.RegisterNumericParameter(1, "ABCDEFGHIJKLMNOPQRST", FF_TYPE_STANDARD, 0.0f);
  const char expected[16] = {'S', 'p', 'e', 'e', 'd'};
  EXPECT_EQ(0, std::memcmp(expected, registry.GetParameterName(0), 16));
  EXPECT_EQ(0, std::memcmp("ABCDEFGHIJKLMNOP", registry.GetParameterName(1), 16));
}

TEST(ParameterRegistryTest, RepeatedIndexIsCountedButTheFirstAnswers) {
  CFFGLPluginManager registry;
  registry.RegisterNumericParameter(2, "first", FF_TYPE_STANDARD, 0.25f);
  registry.RegisterNumericParameter(2, "second", FF_TYPE_TEXT, 0.75f);
  EXPECT_EQ(2u, registry.GetParameterCount());
  EXPECT_EQ(FF_TYPE_STANDARD, registry.GetParameterType(2));
  EXPECT_EQ(0.25f, FFFloatFromWord(registry.GetParameterDefault(2)));
}

TEST(ParameterRegistryTest, BaseInstanceAnswersItsDefaults) {
  CFreeFrameGLPlugin plugin;
  plugin.SetMaximumInputs(2);
  EXPECT_EQ(FF_SUCCESS, plugin.InitGL(nullptr));
  EXPECT_EQ(FF_SUCCESS, plugin.DeInitGL());
  EXPECT_EQ(FF_FAIL, plugin.SetFloatParameter(0, 1.0f));
  EXPECT_EQ(FF_FAIL, plugin.SetTextParameter(0, "x"));
  EXPECT_EQ(FF_FAIL, plugin.ProcessOpenGL(nullptr));
  EXPECT_EQ(FF_FAIL, plugin.SetTime(1.0));
  EXPECT_EQ(0.0f, plugin.GetFloatParameter(0));
  EXPECT_EQ(FFWord{FF_FAIL}, plugin.GetTextParameter(0));
  EXPECT_EQ(1u, plugin.GetInputStatus(1));
  EXPECT_EQ(FF_FAIL, plugin.GetInputStatus(2));
  EXPECT_EQ(FF_FAIL, plugin.GetInputStatus(0xFFFFFFFFu));
}

TEST(ParameterRegistryTest, RegistrationRecordCopiesFixedWidthFieldsAndTexts) {
  const char about[] = "about";
  const unsigned char block[3] = {1, 2, 3};
  CFFGLPluginRegistration* const loaded = currentRegistration;
  CFFGLPluginRegistration record(nullptr, "AB", "xy", 1, 6, 2, 3, FF_EFFECT, nullptr, about, 3,
                                 block);
  const PluginInfoStruct* info = record.Info();
  const char name[16] = {'x', 'y'};
  EXPECT_EQ(0, std::memcmp(name, info->PluginName, 16));
  EXPECT_EQ(0, std::memcmp("AB\0\0", info->PluginUniqueID, 4));
  EXPECT_EQ(nullptr, record.ExtendedInfo()->Description);
  ASSERT_NE(nullptr, record.ExtendedInfo()->About);
  EXPECT_NE(about, record.ExtendedInfo()->About);
  EXPECT_STREQ("about", record.ExtendedInfo()->About);
  EXPECT_EQ(3u, record.ExtendedInfo()->FreeFrameExtendedDataSize);
  EXPECT_NE(static_cast<const void*>(block), record.ExtendedInfo()->FreeFrameExtendedDataBlock);
  EXPECT_EQ(&record, currentRegistration);
  currentRegistration = loaded;  // the effect's own record answers again
}

}  // namespace

namespace {

// A described parameter shows its value as the description says, and what
// it feeds follows it; a hidden one is accepted but never announced.
TEST(DescribedParameterTest, DisplaysAndFeedsFollowTheDescription) {
  PluginDescription description;
  ParameterDescription shape;
  shape.name = "Shape";
  shape.display = ParameterDisplay::kLabels;
  shape.labels = {"Circle", "Square", "Triangle"};
  ParameterDescription size;
  size.name = "Size";
  size.display = ParameterDisplay::kRange;
  size.displayMinimum = -2.5f;
  size.displayMaximum = 2.5f;
  size.feed = ParameterFeed::kMouseX;
  ParameterDescription hidden;
  hidden.announced = false;
  hidden.initialValue = 0.75f;
  hidden.feed = ParameterFeed::kRed;
  description.parameters = {shape, size, hidden};
  ShaderEffect effect(description);

  EXPECT_EQ(2u, effect.GetParameterCount());
  const struct {
    FFUInt32 index;
    float value;
    const char* shown;
  } cases[] = {{0, 0.0f, "Circle"}, {0, 0.5f, "Square"}, {0, 0.8f, "Triangle"},
               {0, 7.0f, "Triangle"}, {0, -1.0f, "Circle"}, {1, 0.0f, "-2.5"},
               {1, 0.5f, "0"},       {1, 1.0f, "2.5"}};
  for (const auto& c : cases) {
    effect.SetFloatParameter(c.index, c.value);
    EXPECT_STREQ(c.shown, effect.GetParameterDisplay(c.index)) << c.index << " " << c.value;
  }
  EXPECT_EQ(1.0f, effect.FeedValue(ParameterFeed::kMouseX));
  EXPECT_EQ(0.75f, effect.FeedValue(ParameterFeed::kRed));
  EXPECT_EQ(FF_SUCCESS, effect.SetFloatParameter(2, 0.25f));
  EXPECT_EQ(0.25f, effect.FeedValue(ParameterFeed::kRed));
  EXPECT_EQ(FF_FAIL, effect.SetFloatParameter(3, 0.25f));
  // Feeds no parameter names keep their resting values.
  EXPECT_EQ(0.5f, effect.FeedValue(ParameterFeed::kClockSpeed));
  EXPECT_EQ(1.0f, effect.FeedValue(ParameterFeed::kAlpha));
}

}  // namespace
