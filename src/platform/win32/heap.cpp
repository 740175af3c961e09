// The installer's private heap: every allocation of the program comes from one growable
// heap that is destroyed whole at the end of the run.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {

HANDLE g_heap = nullptr;

HANDLE PrivateHeap() noexcept {
    if (!g_heap) g_heap = HeapCreate(0, 4096, 0);
    return g_heap ? g_heap : GetProcessHeap();
}

void* Allocate(std::size_t size) noexcept {
    return HeapAlloc(PrivateHeap(), 0, size ? size : 1);
}

void Release(void* p) noexcept {
    if (p) HeapFree(PrivateHeap(), 0, p);
}

}  // namespace

namespace wb {
// Destroys the heap; nothing may be allocated or freed afterwards (the process ends).
void PrivateHeapEnd() noexcept {
    if (g_heap) HeapDestroy(g_heap);
    g_heap = nullptr;
}
}  // namespace wb

// The stub is built without exceptions: an allocation that fails ends the process rather
// than letting a null pointer run on.
void* operator new(std::size_t size) {
    void* p = Allocate(size);
    if (!p) ExitProcess(3);
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
