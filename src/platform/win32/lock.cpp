// The lock over a critical section.
#include "platform/lock.h"

#include <windows.h>

#include <new>

namespace wb {

struct PlatformLock {
    CRITICAL_SECTION Section;
};

PlatformLock* LockCreate() noexcept {
    auto* lock = new (std::nothrow) PlatformLock;
    if (lock) InitializeCriticalSection(&lock->Section);
    return lock;
}

void LockEnter(PlatformLock* lock) noexcept {
    if (lock) EnterCriticalSection(&lock->Section);
}

void LockLeave(PlatformLock* lock) noexcept {
    if (lock) LeaveCriticalSection(&lock->Section);
}

}  // namespace wb
