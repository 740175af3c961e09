// Move-only owners for Win32 handles, keys, modules and COM pointers.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace wb {

// Owns one resource whose empty value and release function the Traits give.
template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;
    Unique() noexcept = default;
    explicit Unique(Type v) noexcept : value_(v) {}
    Unique(Unique&& o) noexcept : value_(o.release()) {}
    Unique& operator=(Unique&& o) noexcept { reset(o.release()); return *this; }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }
    Type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Empty(); }
    Type release() noexcept { Type v = value_; value_ = Traits::Empty(); return v; }
    void reset(Type v = Traits::Empty()) noexcept {
        if (value_ != Traits::Empty()) Traits::Close(value_);
        value_ = v;
    }
    // For out-parameters: releases what is held and hands out the slot.
    Type* put() noexcept { reset(); return &value_; }
private:
    Type value_ = Traits::Empty();
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
struct HandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { RegCloseKey(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type h) noexcept { FreeLibrary(h); }
};

using UniqueFileHandle = Unique<FileHandleTraits>;
using UniqueHandle = Unique<HandleTraits>;
using UniqueFindHandle = Unique<FindHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueModule = Unique<ModuleTraits>;

// Owns one reference of a COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) { reset(); p_ = o.p_; o.p_ = nullptr; }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept { if (p_) { p_->Release(); p_ = nullptr; } }
    T** put() noexcept { reset(); return &p_; }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
private:
    T* p_ = nullptr;
};

// Loads a system DLL ("comctl32.dll", "version.dll", "riched20.dll", "setupapi.dll"...)
// from the system folder only, never from the setup's own or the current folder; nullptr
// when it cannot be loaded. Every library the programs do not import statically from the
// system's known DLLs is loaded through here.
HMODULE LoadSystemLibrary(const char* name) noexcept;

}  // namespace wb
