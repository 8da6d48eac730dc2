#include "host/cli/BareDraw.h"

namespace cli {
namespace {

const char kVertexText[] =
    "void main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; "
    "gl_TexCoord[0] = gl_MultiTexCoord0; gl_FrontColor = gl_Color; }";

}  // namespace

GLuint BareDraw::Compile(GLenum stage, const char* text) {
  const GLuint shader = gl_.glCreateShader(stage);
  gl_.glShaderSource(shader, 1, &text, nullptr);
  gl_.glCompileShader(shader);
  GLint compiled = GL_FALSE;
  gl_.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled != GL_TRUE) {
    char log[512] = {};
    gl_.glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    log_ = log;
    gl_.glDeleteShader(shader);
    return 0;
  }
  return shader;
}

BareDraw::BareDraw(const host::HostGL& gl, const std::string& fragmentText) : gl_(gl) {
  const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexText);
  const GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentText.c_str());
  if (vertex != 0 && fragment != 0) {
    const GLuint program = gl_.glCreateProgram();
    gl_.glAttachShader(program, vertex);
    gl_.glAttachShader(program, fragment);
    gl_.glLinkProgram(program);
    GLint linked = GL_FALSE;
    gl_.glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) {
      program_ = program;
      time_ = gl_.glGetUniformLocation(program, "time");
      mouse_ = gl_.glGetUniformLocation(program, "mouse");
      resolution_ = gl_.glGetUniformLocation(program, "resolution");
    } else {
      log_ = "the program does not link";
      gl_.glDeleteProgram(program);
    }
  }
  // Attached shaders live on with the program.
  if (vertex != 0) gl_.glDeleteShader(vertex);
  if (fragment != 0) gl_.glDeleteShader(fragment);
}

BareDraw::~BareDraw() {
  if (program_ != 0) gl_.glDeleteProgram(program_);
}

void BareDraw::Draw(const host::HostFramebuffer& target, float time, float mouseX,
                    float mouseY) const {
  gl_.glUseProgram(program_);
  if (time_ >= 0) gl_.glUniform1f(time_, time);
  if (mouse_ >= 0) gl_.glUniform2f(mouse_, mouseX, mouseY);
  if (resolution_ >= 0) {
    gl_.glUniform2f(resolution_, static_cast<float>(target.Width()),
                    static_cast<float>(target.Height()));
  }
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-1.0f, 1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glEnd();
  gl_.glUseProgram(0);
}

}  // namespace cli
