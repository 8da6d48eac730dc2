// A reader-writer lock for the little state the plugin shares between host
// threads. It lives in static storage as it is: no constructor has to run
// before its first use and nothing is released at unload. Readers never nest.
#pragma once

#if defined(_WIN32)
namespace platform {
// An SRWLOCK: one pointer, all zero when unlocked.
struct NativeReadWriteLock {
  void* word = nullptr;
};
}  // namespace platform
#else
#include <pthread.h>
namespace platform {
struct NativeReadWriteLock {
#if defined(PTHREAD_RWLOCK_WRITER_NONRECURSIVE_INITIALIZER_NP)
  // A waiting writer holds back new readers, so a steady stream of
  // describing calls cannot keep it out.
  pthread_rwlock_t lock = PTHREAD_RWLOCK_WRITER_NONRECURSIVE_INITIALIZER_NP;
#else
  pthread_rwlock_t lock = PTHREAD_RWLOCK_INITIALIZER;
#endif
};
}  // namespace platform
#endif

namespace platform {

class ReadWriteLock {
 public:
  constexpr ReadWriteLock() = default;
  ReadWriteLock(const ReadWriteLock&) = delete;
  ReadWriteLock& operator=(const ReadWriteLock&) = delete;

  void LockShared();
  void UnlockShared();
  void LockExclusive();
  void UnlockExclusive();

 private:
  NativeReadWriteLock native_;
};

// Holds a lock exclusive (for writing) for a scope.
class ExclusiveLockGuard {
 public:
  explicit ExclusiveLockGuard(ReadWriteLock& lock) : lock_(lock) { lock_.LockExclusive(); }
  ~ExclusiveLockGuard() { lock_.UnlockExclusive(); }
  ExclusiveLockGuard(const ExclusiveLockGuard&) = delete;
  ExclusiveLockGuard& operator=(const ExclusiveLockGuard&) = delete;

 private:
  ReadWriteLock& lock_;
};

}  // namespace platform
