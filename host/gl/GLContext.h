// An OpenGL context the headless host owns, made current on the calling
// thread without any display or window the user sees: EGL on Mesa's
// surfaceless platform on Linux, a hidden window with WGL on Windows. It is
// a desktop OpenGL compatibility-profile context, as FreeFrame GL plugins
// expect (fixed-function drawing and ARB shader objects).
#pragma once

#include <memory>
#include <string>

namespace host {

class GLContext {
 public:
  virtual ~GLContext() = default;

  // Creates a context and makes it current. On failure returns null and
  // says why in `error`.
  static std::unique_ptr<GLContext> Create(std::string& error);

  // An entry point of this context, or null.
  virtual void* GetProcAddress(const char* name) const = 0;
  virtual bool MakeCurrent() = 0;
  // "renderer / version" of the context, for reports.
  std::string Description() const;
};

}  // namespace host
