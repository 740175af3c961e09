// The registry service over advapi32 (ANSI).
#include "platform/registry.h"

#include "platform/win32/handles.h"

namespace wb {
namespace {

HKEY RootKey(RegRoot root) noexcept {
    switch (root) {
        case RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
        case RegRoot::CurrentUser: return HKEY_CURRENT_USER;
        case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CURRENT_USER;
}

}  // namespace

bool RegQuery(RegRoot root, const char* key, const char* name, RegAccess access, char* buffer,
              uint32_t capacity, uint32_t& length) noexcept {
    length = 0;
    UniqueRegKey handle;
    REGSAM sam = access == RegAccess::Read ? KEY_READ : KEY_ALL_ACCESS;
    if (LONG rc = RegOpenKeyExA(RootKey(root), key ? key : "", 0, sam, handle.put());
        rc != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD size = capacity;
    LONG rc = RegQueryValueExA(handle.get(), (name && *name) ? name : nullptr, nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer), &size);
    length = size;
    // ERROR_MORE_DATA leaves the needed size in `size`: the data does not fit.
    return rc == ERROR_SUCCESS && size <= capacity;
}

int RegSetString(RegRoot root, const char* key, const char* name, const char* text) noexcept {
    UniqueRegKey handle;
    if (RegCreateKeyA(RootKey(root), key ? key : "", handle.put()) != ERROR_SUCCESS) return 0;
    const char* data = text ? text : "";
    DWORD size = DWORD(lstrlenA(data)) + 1;  // the terminating NUL belongs to the value
    if (RegSetValueExA(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                       size) != ERROR_SUCCESS) {
        return 1;
    }
    return 2;
}

}  // namespace wb
