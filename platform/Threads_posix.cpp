// POSIX: the lock is a pthread read-write lock.
#include "platform/Threads.h"

namespace platform {

void ReadWriteLock::LockShared() { pthread_rwlock_rdlock(&native_.lock); }
void ReadWriteLock::UnlockShared() { pthread_rwlock_unlock(&native_.lock); }
void ReadWriteLock::LockExclusive() { pthread_rwlock_wrlock(&native_.lock); }
void ReadWriteLock::UnlockExclusive() { pthread_rwlock_unlock(&native_.lock); }

}  // namespace platform
