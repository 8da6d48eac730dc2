// The shader program wrapper: the OpenGL calls of compiling, linking and
// deleting, and its answers in each state.
#include <gtest/gtest.h>

#include "gl/FFGLShader.h"
#include "tests/fakegl/FakeGL.h"

namespace {

class ShaderWrapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakegl::Reset();
    table.Load();
    fakegl::ClearCalls();
  }
  GLExtensionTable table;
  FFGLShader shader;
};

TEST_F(ShaderWrapperTest, FreshWrapperIsUnusableAndTouchesNoGL) {
  EXPECT_EQ(0, shader.IsUsable());
  EXPECT_EQ(0, shader.MakeCurrent());
  shader.DeleteObjects();
  EXPECT_EQ(0, shader.CompileAndLink("v", "f"));  // no table yet
  EXPECT_TRUE(fakegl::Get().calls.empty());
}

TEST_F(ShaderWrapperTest, CompileAndLinkCallsInOrderFragmentFirst) {
  shader.UseExtensionTable(&table);
  EXPECT_EQ(1, shader.CompileAndLink("vertex text", "fragment text"));
  EXPECT_EQ((std::vector<std::string>{
                "glCreateProgramObjectARB() -> 1",
                "glCreateShaderObjectARB(0x8b31) -> 2",
                "glCreateShaderObjectARB(0x8b30) -> 3",
                "glShaderSourceARB(3, 1, null)",
                "glCompileShaderARB(3)",
                "glGetObjectParameterivARB(3, 0x8b81)",
                "glAttachObjectARB(1, 3)",
                "glShaderSourceARB(2, 1, null)",
                "glCompileShaderARB(2)",
                "glGetObjectParameterivARB(2, 0x8b81)",
                "glAttachObjectARB(1, 2)",
                "glLinkProgramARB(1)",
                "glGetObjectParameterivARB(1, 0x8b82)",
            }),
            fakegl::Get().calls);
  EXPECT_EQ("fragment text", fakegl::Get().shaderSource[3]);
  EXPECT_EQ(1, shader.IsUsable());

  // A second compile reuses the three objects.
  fakegl::ClearCalls();
  EXPECT_EQ(1, shader.CompileAndLink("v2", "f2"));
  EXPECT_TRUE(fakegl::Calls("glCreate").empty());
  EXPECT_EQ(2u, fakegl::Calls("glAttachObjectARB").size());
}

TEST_F(ShaderWrapperTest, FragmentCompileFailureReadsLogAndLinksVertexAlone) {
  fakegl::Get().fragmentCompileStatus = 0;
  shader.UseExtensionTable(&table);
  // The driver links the vertex shader alone; the result is its answer, but
  // such a program is not one to draw with.
  EXPECT_EQ(1, shader.CompileAndLink("v", "f"));
  EXPECT_EQ((std::vector<std::string>{"glGetInfoLogARB(3, 1023)"}), fakegl::Calls("glGetInfoLog"));
  EXPECT_EQ((std::vector<std::string>{"glAttachObjectARB(1, 2)"}), fakegl::Calls("glAttach"));
  EXPECT_TRUE(fakegl::Called("glLinkProgramARB(1)"));
  EXPECT_EQ(0, shader.IsUsable());
}

TEST_F(ShaderWrapperTest, CompileStatusOtherThanOneIsFailure) {
  fakegl::Get().fragmentCompileStatus = 2;
  fakegl::Get().vertexCompileStatus = 2;
  shader.UseExtensionTable(&table);
  EXPECT_EQ(0, shader.CompileAndLink("v", "f"));
  EXPECT_TRUE(fakegl::Calls("glAttach").empty());
  EXPECT_TRUE(fakegl::Calls("glLink").empty());
}

TEST_F(ShaderWrapperTest, OverlongReportedLogLengthStaysInsideTheBuffer) {
  // A driver reporting more than it may write must not make the wrapper
  // write its terminator past the log buffer (the sanitizer build checks).
  fakegl::Get().fragmentCompileStatus = 0;
  fakegl::Get().vertexCompileStatus = 0;
  fakegl::Get().infoLogLength = 5000;
  shader.UseExtensionTable(&table);
  EXPECT_EQ(0, shader.CompileAndLink("v", "f"));
  fakegl::Get().infoLogLength = -7;
  EXPECT_EQ(0, shader.CompileAndLink("v", "f"));
}

TEST_F(ShaderWrapperTest, EmptyAndNullTextsCreateObjectsButCompileNothing) {
  shader.UseExtensionTable(&table);
  EXPECT_EQ(0, shader.CompileAndLink("", ""));
  EXPECT_EQ(3u, fakegl::Calls("glCreate").size());
  EXPECT_TRUE(fakegl::Calls("glShaderSource").empty());
  EXPECT_EQ(0, shader.LinkStatus());

  fakegl::ClearCalls();
  EXPECT_EQ(1, shader.CompileAndLink("v", nullptr));
  EXPECT_EQ((std::vector<std::string>{"glShaderSourceARB(2, 1, null)"}),
            fakegl::Calls("glShaderSource"));
}

TEST_F(ShaderWrapperTest, DeleteObjectsOrderAndWhatRemains) {
  shader.UseExtensionTable(&table);
  ASSERT_EQ(1, shader.CompileAndLink("v", "f"));
  fakegl::ClearCalls();
  shader.DeleteObjects();
  EXPECT_EQ((std::vector<std::string>{"glDeleteObjectARB(3)", "glDeleteObjectARB(2)",
                                      "glDeleteObjectARB(1)"}),
            fakegl::Get().calls);
  EXPECT_EQ(1, shader.LinkStatus());
  EXPECT_EQ(0, shader.IsUsable());
  EXPECT_EQ(0, shader.MakeCurrent());
  EXPECT_TRUE(fakegl::Get().liveObjects.empty());
  fakegl::ClearCalls();
  shader.DeleteObjects();
  EXPECT_TRUE(fakegl::Get().calls.empty());
}

TEST_F(ShaderWrapperTest, ClearCurrentAlwaysUnbindsAndNeedsTheGroup) {
  shader.UseExtensionTable(&table);
  EXPECT_EQ(1, shader.ClearCurrent());
  EXPECT_TRUE(fakegl::Called("glUseProgramObjectARB(0)"));

  table.shaderObjectsSupported = 0;
  fakegl::ClearCalls();
  EXPECT_EQ(0, shader.ClearCurrent());
  EXPECT_EQ(0, shader.MakeCurrent());
  EXPECT_TRUE(fakegl::Get().calls.empty());
}

}  // namespace
