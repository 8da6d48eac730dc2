// The template instance: the one instance that describes the plugin to the
// host (parameter count, names, defaults and types, capabilities). The first
// code that needs it makes it; FF_DEINITIALISE destroys it, and so does
// unloading the library if the host never sends that. Host threads may ask at
// once: it is made exactly once, and never destroyed while a call reads it.
#pragma once

#include "plugin/FreeFrameGLPlugin.h"

namespace template_instance {

// The template held for reading, made first if there is none; it stays alive
// until the reader goes. Empty when it cannot be made (no registration
// record, or its factory fails).
class Reader {
 public:
  Reader();
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  explicit operator bool() const { return instance_ != nullptr; }
  const CFreeFrameGLPlugin& operator*() const { return *instance_; }
  const CFreeFrameGLPlugin* operator->() const { return instance_; }

 private:
  const CFreeFrameGLPlugin* instance_ = nullptr;
};

// Destroys the template, if there is one, once the calls reading it are done.
void Destroy();

}  // namespace template_instance
