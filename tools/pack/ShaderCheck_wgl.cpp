// Windows: Debian builds no glslang for Windows, so the shader is compiled
// where it will run, on the machine's own OpenGL driver, in a context of a
// hidden window. Where no context can be made the shader is packed
// unchecked, and the packer says so.
#include "gl/GLApi.h"
#include "tools/pack/ShaderCheck.h"

namespace {

// A hidden window with a legacy OpenGL context current, for as long as the
// object lives; whatever context was current before (ffgl-host play's
// window) is current again after.
class HiddenContext {
 public:
  HiddenContext() : previousDc_(wglGetCurrentDC()), previousContext_(wglGetCurrentContext()) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ffgl-pack shader check";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 16,
                              16, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window_ == nullptr) return;
    dc_ = GetDC(window_);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    const int chosen = ChoosePixelFormat(dc_, &format);
    if (chosen == 0 || !SetPixelFormat(dc_, chosen, &format)) return;
    context_ = wglCreateContext(dc_);
    if (context_ != nullptr && !wglMakeCurrent(dc_, context_)) {
      wglDeleteContext(context_);
      context_ = nullptr;
    }
  }
  ~HiddenContext() {
    if (context_ != nullptr) {
      wglMakeCurrent(previousDc_, previousContext_);
      wglDeleteContext(context_);
    }
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
    if (window_ != nullptr) DestroyWindow(window_);
  }
  bool IsCurrent() const { return context_ != nullptr; }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  HGLRC context_ = nullptr;
  HDC previousDc_;
  HGLRC previousContext_;
};

template <typename Function>
bool Find(Function& function, const char* name) {
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
  return function != nullptr;
}

}  // namespace

ShaderCheck CompileCheck(const ShaderSource& source) {
  ShaderCheck check;
  const HiddenContext context;
  if (!context.IsCurrent()) {
    check.reason = "no OpenGL context could be made on this machine";
    return check;
  }
  PFNGLCREATESHADEROBJECTARBPROC createShader = nullptr;
  PFNGLSHADERSOURCEARBPROC shaderSource = nullptr;
  PFNGLCOMPILESHADERARBPROC compile = nullptr;
  PFNGLGETOBJECTPARAMETERIVARBPROC parameter = nullptr;
  PFNGLGETINFOLOGARBPROC infoLog = nullptr;
  PFNGLDELETEOBJECTARBPROC deleteObject = nullptr;
  if (!(Find(createShader, "glCreateShaderObjectARB") &&
        Find(shaderSource, "glShaderSourceARB") && Find(compile, "glCompileShaderARB") &&
        Find(parameter, "glGetObjectParameterivARB") && Find(infoLog, "glGetInfoLogARB") &&
        Find(deleteObject, "glDeleteObjectARB"))) {
    check.reason = "the OpenGL driver offers no shader objects";
    return check;
  }
  const auto compileOne = [&](const ShaderSource& one, GLenum kind) {
    const GLhandleARB shader = createShader(kind);
    const GLcharARB* text = one.prepared.c_str();
    shaderSource(shader, 1, &text, nullptr);
    compile(shader);
    GLint status = 0;
    GLint length = 0;
    parameter(shader, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    parameter(shader, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    std::string log(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    infoLog(shader, static_cast<GLsizei>(log.size()), nullptr, &log[0]);
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    deleteObject(shader);
    check.checked = true;
    check.passed = status != 0;
    if (!check.passed) {
      check.messages = MapCompileLog(one, log);
      if (check.messages.empty()) {
        check.messages.push_back(one.shownPath + ": error: the driver rejected the shader");
      }
    }
  };
  compileOne(source, GL_FRAGMENT_SHADER_ARB);
  if (check.passed && !source.vertexPrepared.empty()) {
    compileOne(VertexSource(source), GL_VERTEX_SHADER_ARB);
  }
  return check;
}
