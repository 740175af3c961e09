// The registry service over advapi32 (ANSI).
#include "platform/registry.h"

#include <string>

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

int RegSetNumber(RegRoot root, const char* key, const char* name, uint32_t number) noexcept {
    UniqueRegKey handle;
    if (RegCreateKeyA(RootKey(root), key ? key : "", handle.put()) != ERROR_SUCCESS) return 0;
    DWORD data = number;
    if (RegSetValueExA(handle.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                       sizeof data) != ERROR_SUCCESS) {
        return 1;
    }
    return 2;
}

bool RegRemoveValue(RegRoot root, const char* key, const char* name) noexcept {
    UniqueRegKey handle;
    LONG rc = RegOpenKeyExA(RootKey(root), key ? key : "", 0, KEY_SET_VALUE, handle.put());
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    rc = RegDeleteValueA(handle.get(), (name && *name) ? name : nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

namespace {

// Subkeys go first: the system removes only keys without subkeys.
bool RemoveSubkeys(HKEY parent, const char* key, int depth) noexcept {
    // Registry paths are at most 512 levels deep; a loop deeper than that is no key tree.
    if (depth > 512) return false;
    UniqueRegKey handle;
    LONG rc = RegOpenKeyExA(parent, key, 0, KEY_READ | KEY_WRITE, handle.put());
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    char name[256];
    for (;;) {
        DWORD length = sizeof name;
        // Always the first subkey: each pass removes it, so the next takes its place.
        rc = RegEnumKeyExA(handle.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return false;
        if (!RemoveSubkeys(handle.get(), name, depth + 1)) return false;
        if (RegDeleteKeyA(handle.get(), name) != ERROR_SUCCESS) return false;
    }
    return true;
}

}  // namespace

bool RegRemoveKeyTree(RegRoot root, const char* key) noexcept {
    if (!key || !*key) return false;
    if (!RemoveSubkeys(RootKey(root), key, 0)) return false;
    LONG rc = RegDeleteKeyA(RootKey(root), key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool RegRemoveEmptyKeys(RegRoot root, const char* key) noexcept {
    std::string path = key ? key : "";
    while (!path.empty() && path.back() == '\\') path.pop_back();
    const size_t keep = root == RegRoot::ClassesRoot ? 0 : 1;  // levels that always stay
    for (;;) {
        size_t levels = 1;
        for (char c : path) levels += c == '\\';
        if (path.empty() || levels <= keep) return true;
        UniqueRegKey handle;
        LONG rc = RegOpenKeyExA(RootKey(root), path.c_str(), 0, KEY_READ, handle.put());
        if (rc == ERROR_FILE_NOT_FOUND) return true;
        if (rc != ERROR_SUCCESS) return false;
        DWORD subkeys = 0, values = 0;
        if (RegQueryInfoKeyA(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        handle.reset();
        if (subkeys != 0 || values != 0) return true;
        if (RegDeleteKeyA(RootKey(root), path.c_str()) != ERROR_SUCCESS) return false;
        const size_t cut = path.rfind('\\');
        if (cut == std::string::npos) return true;
        path.resize(cut);
    }
}

}  // namespace wb
