#include "host/gl/HostGL.h"

#include "host/gl/GLContext.h"

namespace host {

bool HostGL::Load(const GLContext& context, std::string& error) {
#define HOST_GL_LOAD(type, name)                                    \
  name = reinterpret_cast<type>(context.GetProcAddress(#name));     \
  if (name == nullptr) {                                            \
    error = "the OpenGL context lacks " #name;                      \
    return false;                                                   \
  }
  HOST_GL_ENTRIES(HOST_GL_LOAD)
#undef HOST_GL_LOAD
  return true;
}

std::string GLContext::Description() const {
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return std::string(renderer != nullptr ? renderer : "?") + " / " +
         (version != nullptr ? version : "?");
}

}  // namespace host
