// Linux: a context on Mesa's surfaceless EGL platform. There is no default
// framebuffer; everything is drawn into framebuffer objects.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include "host/gl/GLContext.h"
#include "host/gl/KeepDriverLoaded.h"

namespace host {
namespace {

class EGLContextHolder final : public GLContext {
 public:
  EGLContextHolder(EGLDisplay display, EGLContext context) : display_(display), context_(context) {}
  ~EGLContextHolder() override {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
    eglTerminate(display_);
  }
  void* GetProcAddress(const char* name) const override {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
  }
  bool MakeCurrent() override {
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
  }

 private:
  EGLDisplay display_;
  EGLContext context_;
};

}  // namespace

std::unique_ptr<GLContext> GLContext::Create(std::string& error) {
  const LibrariesBefore loadedBefore = LoadedLibraries();
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay == nullptr) {
    error = "no OpenGL available: EGL lacks eglGetPlatformDisplayEXT";
    return nullptr;
  }
  EGLDisplay display =
      getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0;
  EGLint minor = 0;
  if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE) {
    error = "no OpenGL available: cannot open Mesa's surfaceless EGL display "
            "(is libgl1-mesa-dri installed?)";
    return nullptr;
  }
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    eglTerminate(display);
    error = "no OpenGL available: EGL does not offer desktop OpenGL";
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  if (eglChooseConfig(display, configAttributes, &config, 1, &configCount) != EGL_TRUE ||
      configCount == 0) {
    config = nullptr;  // EGL_KHR_no_config_context, which Mesa has
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    eglTerminate(display);
    error = "no OpenGL available: cannot create a compatibility-profile OpenGL context";
    return nullptr;
  }
  auto holder = std::make_unique<EGLContextHolder>(display, context);
  if (!holder->MakeCurrent()) {
    error = "no OpenGL available: cannot make the context current without a surface";
    return nullptr;
  }
  KeepLoadedUntilExit(loadedBefore);
  return holder;
}

}  // namespace host
