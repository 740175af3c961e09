// A lock for state that any thread may reach.
#pragma once

namespace wb {

struct PlatformLock;  // opaque; a critical section on Windows

// A new lock, never freed (locks live as long as the process). Null only when memory ran out.
PlatformLock* LockCreate() noexcept;
void LockEnter(PlatformLock* lock) noexcept;
void LockLeave(PlatformLock* lock) noexcept;

// Holds a lock for one scope.
class ScopedLock {
public:
    explicit ScopedLock(PlatformLock* lock) noexcept : lock_(lock) { LockEnter(lock_); }
    ~ScopedLock() { LockLeave(lock_); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;
private:
    PlatformLock* lock_;
};

}  // namespace wb
