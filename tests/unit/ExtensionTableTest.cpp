// Loading the extension table: which names are asked for, in which order,
// and what a missing entry does to its group.
#include <gtest/gtest.h>

#include "gl/GLExtensionTable.h"
#include "tests/fakegl/FakeGL.h"

namespace {

class ExtensionTableTest : public ::testing::Test {
 protected:
  void SetUp() override { fakegl::Reset(); }
  const std::vector<std::string>& LookedUp() { return fakegl::Get().lookedUp; }
};

TEST_F(ExtensionTableTest, FreshTableHasNoGroupAndNoEntry) {
  GLExtensionTable table;
  EXPECT_EQ(0, table.multitextureSupported);
  EXPECT_EQ(0, table.shaderObjectsSupported);
  EXPECT_EQ(0, table.framebufferObjectSupported);
  EXPECT_EQ(0, table.swapIntervalSupported);
  EXPECT_EQ(nullptr, table.glActiveTexture);
  EXPECT_EQ(nullptr, table.glGetShaderSourceARB);
  EXPECT_EQ(nullptr, table.glRenderbufferStorageEXT);
  EXPECT_EQ(nullptr, table.wglGetSwapIntervalEXT);
}

TEST_F(ExtensionTableTest, FullLoadAsksForAll92NamesGroupByGroupInLoadOrder) {
  GLExtensionTable table;
  table.Load();
  const auto& names = LookedUp();
  ASSERT_EQ(92u, names.size());
  // Swap interval first, then multitexture, shader objects, framebuffers.
  EXPECT_EQ("wglSwapIntervalEXT", names[0]);
  EXPECT_EQ("wglGetSwapIntervalEXT", names[1]);
  EXPECT_EQ("glActiveTexture", names[2]);
  EXPECT_EQ("glClientActiveTexture", names[3]);
  EXPECT_EQ("glMultiTexCoord1d", names[4]);
  EXPECT_EQ("glMultiTexCoord4sv", names[35]);
  EXPECT_EQ("glDeleteObjectARB", names[36]);
  EXPECT_EQ("glUseProgramObjectARB", names[45]);
  EXPECT_EQ("glUniformMatrix4fvARB", names[65]);
  EXPECT_EQ("glGetShaderSourceARB", names[74]);
  EXPECT_EQ("glBindFramebufferEXT", names[75]);
  EXPECT_EQ("glGenerateMipmapEXT", names[86]);
  EXPECT_EQ("glRenderbufferStorageEXT", names[91]);
  EXPECT_EQ(1, table.multitextureSupported);
  EXPECT_EQ(1, table.shaderObjectsSupported);
  EXPECT_EQ(1, table.framebufferObjectSupported);
  EXPECT_EQ(1, table.swapIntervalSupported);
  EXPECT_NE(nullptr, table.glGetShaderSourceARB);
}

TEST_F(ExtensionTableTest, NothingFoundAsksOnlyTheFirstNameOfEachGroup) {
  fakegl::Get().everyEntryMissing = true;
  GLExtensionTable table;
  table.Load();
  EXPECT_EQ((std::vector<std::string>{"wglSwapIntervalEXT", "glActiveTexture",
                                      "glDeleteObjectARB", "glBindFramebufferEXT"}),
            LookedUp());
  EXPECT_EQ(0, table.multitextureSupported + table.shaderObjectsSupported +
                   table.framebufferObjectSupported + table.swapIntervalSupported);
}

TEST_F(ExtensionTableTest, MissingEntryEndsOnlyItsOwnGroup) {
  fakegl::Get().missingEntries = {"glUseProgramObjectARB", "wglSwapIntervalEXT"};
  GLExtensionTable table;
  table.Load();
  const auto& names = LookedUp();
  // One lookup for the swap-interval group, 34 for multitexture, ten for
  // the shader objects (ending at the missing one), then framebuffers.
  ASSERT_EQ(1u + 34u + 10u + 17u, names.size());
  EXPECT_EQ("glUseProgramObjectARB", names[44]);
  EXPECT_EQ("glBindFramebufferEXT", names[45]);
  EXPECT_EQ(0, table.swapIntervalSupported);
  EXPECT_EQ(1, table.multitextureSupported);
  EXPECT_EQ(0, table.shaderObjectsSupported);
  EXPECT_EQ(1, table.framebufferObjectSupported);
  // The nine entries before the missing one hold addresses; it and the rest
  // stay null in a fresh table.
  EXPECT_NE(nullptr, table.glDeleteObjectARB);
  EXPECT_NE(nullptr, table.glLinkProgramARB);
  EXPECT_EQ(nullptr, table.glUseProgramObjectARB);
  EXPECT_EQ(nullptr, table.glValidateProgramARB);
  EXPECT_EQ(nullptr, table.glGetShaderSourceARB);
}

TEST_F(ExtensionTableTest, UnusedEntryStillDecidesItsGroup) {
  fakegl::Get().missingEntries = {"glGenerateMipmapEXT"};
  GLExtensionTable table;
  table.Load();
  EXPECT_EQ(0, table.framebufferObjectSupported);
  EXPECT_EQ(1, table.shaderObjectsSupported);
}

TEST_F(ExtensionTableTest, SecondLoadReevaluatesGroupsAndKeepsUnreachedEntries) {
  GLExtensionTable table;
  table.Load();
  const auto firstLinkProgram = table.glLinkProgramARB;
  const auto firstGetShaderSource = table.glGetShaderSourceARB;

  fakegl::Get().missingEntries = {"glCompileShaderARB"};
  table.Load();
  EXPECT_EQ(0, table.shaderObjectsSupported);
  EXPECT_EQ(1, table.multitextureSupported);
  // Entries after the missing one keep what the first load found.
  EXPECT_EQ(firstLinkProgram, table.glLinkProgramARB);
  EXPECT_EQ(firstGetShaderSource, table.glGetShaderSourceARB);

  fakegl::Get().missingEntries.clear();
  table.Load();
  EXPECT_EQ(1, table.shaderObjectsSupported);
}

}  // namespace
