#include "plugin/TemplateInstance.h"

#include "platform/Threads.h"
#include "plugin/FFGLPluginRegistration.h"

namespace template_instance {
namespace {

// Readers hold the lock shared for as long as they use the template; making
// and destroying it hold it exclusively.
platform::ReadWriteLock lock;
CFreeFrameGLPlugin* templateInstance = nullptr;

// With the lock held exclusively: makes the template unless another thread
// already has. False when it cannot be made.
bool MakeIfAbsent() {
  if (templateInstance != nullptr) return true;
  CFreeFrameGLPlugin* made = nullptr;
  const FFUInt32 result = currentRegistration->Factory()(&made);
  if (result == FF_FAIL || made == nullptr) return false;
  templateInstance = made;
  return true;
}

// A host that unloads the library without FF_DEINITIALISE would otherwise
// lose the template's memory on every load; it makes no GL call, so it can
// be destroyed at unload.
struct ReleaseAtUnload {
  ~ReleaseAtUnload() { Destroy(); }
} releaseAtUnload;

}  // namespace

Reader::Reader() {
  if (currentRegistration == nullptr) return;
  for (;;) {
    lock.LockShared();
    if (templateInstance != nullptr) {
      instance_ = templateInstance;
      return;
    }
    lock.UnlockShared();
    platform::ExclusiveLockGuard making(lock);
    if (!MakeIfAbsent()) return;
    // Read it under the shared lock; an FF_DEINITIALISE may come in between,
    // and then the next round makes a new one.
  }
}

Reader::~Reader() {
  if (instance_ != nullptr) lock.UnlockShared();
}

void Destroy() {
  CFreeFrameGLPlugin* destroyed = nullptr;
  {
    platform::ExclusiveLockGuard destroying(lock);
    destroyed = templateInstance;
    templateInstance = nullptr;
  }
  delete destroyed;
}

}  // namespace template_instance
