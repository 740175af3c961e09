// The lock over a standard mutex, for native builds.
#include "platform/lock.h"

#include <mutex>
#include <new>

namespace wb {

struct PlatformLock {
    std::mutex Mutex;
};

PlatformLock* LockCreate() noexcept { return new (std::nothrow) PlatformLock; }

void LockEnter(PlatformLock* lock) noexcept {
    if (lock) lock->Mutex.lock();
}

void LockLeave(PlatformLock* lock) noexcept {
    if (lock) lock->Mutex.unlock();
}

}  // namespace wb
