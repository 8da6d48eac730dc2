// Windows: a WGL context on a window that is never shown. WGL needs a device
// context with a pixel format to create a context at all; the window is only
// there to provide one. Everything is drawn into framebuffer objects, so the
// window's own framebuffer is never used.
//
// A context from wglCreateContext is a compatibility-profile context on every
// driver (Mesa under Wine answers "4.5 (Compatibility Profile)"), which is
// what FreeFrame GL plugins expect, so no wglCreateContextAttribsARB step.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "host/gl/GLContext.h"
#include "platform/WglProcAddress.h"

namespace host {
namespace {

const wchar_t kWindowClass[] = L"HelixmorphicsHeadlessHostGL";

std::string WithLastError(const std::string& what) {
  return what + " (Windows error " + std::to_string(GetLastError()) + ")";
}

class WGLContextHolder final : public GLContext {
 public:
  WGLContextHolder(HWND window, HDC deviceContext)
      : window_(window), deviceContext_(deviceContext) {}
  ~WGLContextHolder() override {
    if (context_ != nullptr) {
      if (wglGetCurrentContext() == context_) wglMakeCurrent(nullptr, nullptr);
      wglDeleteContext(context_);
    }
    ReleaseDC(window_, deviceContext_);
    DestroyWindow(window_);
    // Fails harmlessly while another context's window still uses the class.
    UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
  }
  WGLContextHolder(const WGLContextHolder&) = delete;
  WGLContextHolder& operator=(const WGLContextHolder&) = delete;

  bool CreateContext(std::string& error) {
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 32;
    wanted.cAlphaBits = 8;
    wanted.cDepthBits = 24;
    wanted.cStencilBits = 8;
    wanted.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(deviceContext_, &wanted);
    if (format == 0) {
      error = WithLastError("no OpenGL available: no pixel format with OpenGL support");
      return false;
    }
    if (SetPixelFormat(deviceContext_, format, &wanted) != TRUE) {
      error = WithLastError("no OpenGL available: cannot set the window's pixel format");
      return false;
    }
    context_ = wglCreateContext(deviceContext_);
    if (context_ == nullptr) {
      error = WithLastError("no OpenGL available: wglCreateContext failed");
      return false;
    }
    if (!MakeCurrent()) {
      error = WithLastError("no OpenGL available: cannot make the WGL context current");
      return false;
    }
    return true;
  }

  void* GetProcAddress(const char* name) const override {
    PROC address = wglGetProcAddress(name);
    if (platform::IsMissingWglProcAddress(address)) {
      // wglGetProcAddress knows only what lies beyond OpenGL 1.1; the 1.1
      // functions are opengl32's own exports.
      HMODULE opengl32 = GetModuleHandleW(L"opengl32.dll");
      address = opengl32 != nullptr ? ::GetProcAddress(opengl32, name) : nullptr;
    }
    return reinterpret_cast<void*>(address);
  }

  bool MakeCurrent() override { return wglMakeCurrent(deviceContext_, context_) == TRUE; }

 private:
  HWND window_;
  HDC deviceContext_;
  HGLRC context_ = nullptr;
};

}  // namespace

std::unique_ptr<GLContext> GLContext::Create(std::string& error) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // OpenGL needs a device context that keeps its pixel format: CS_OWNDC.
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWindowClass;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    error = WithLastError("no OpenGL available: cannot register a window class");
    return nullptr;
  }
  // Without WS_VISIBLE the window is never shown.
  HWND window = CreateWindowExW(0, kWindowClass, L"Helixmorphics host", WS_OVERLAPPEDWINDOW,
                                0, 0, 64, 64, nullptr, nullptr, module, nullptr);
  if (window == nullptr) {
    error = WithLastError("no OpenGL available: cannot create a hidden window");
    UnregisterClassW(kWindowClass, module);
    return nullptr;
  }
  HDC deviceContext = GetDC(window);
  if (deviceContext == nullptr) {
    error = WithLastError("no OpenGL available: the hidden window has no device context");
    DestroyWindow(window);
    UnregisterClassW(kWindowClass, module);
    return nullptr;
  }
  auto holder = std::make_unique<WGLContextHolder>(window, deviceContext);
  if (!holder->CreateContext(error)) return nullptr;
  return holder;
}

}  // namespace host
