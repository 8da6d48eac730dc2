// Windows: the lock is a slim reader-writer lock (KERNEL32, Vista onwards).
#include "platform/Threads.h"

#include <windows.h>

namespace platform {
namespace {

static_assert(sizeof(SRWLOCK) == sizeof(NativeReadWriteLock), "an SRWLOCK is one pointer");

PSRWLOCK Native(NativeReadWriteLock& native) { return reinterpret_cast<PSRWLOCK>(&native.word); }

}  // namespace

void ReadWriteLock::LockShared() { AcquireSRWLockShared(Native(native_)); }
void ReadWriteLock::UnlockShared() { ReleaseSRWLockShared(Native(native_)); }
void ReadWriteLock::LockExclusive() { AcquireSRWLockExclusive(Native(native_)); }
void ReadWriteLock::UnlockExclusive() { ReleaseSRWLockExclusive(Native(native_)); }

}  // namespace platform
