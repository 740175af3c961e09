// Registry text helpers over the registry service.
#include "config/registry_text.h"

namespace wb {

std::string RegReadText(RegRoot root, const char* key, const char* name) {
    char buffer[kRegTextCapacity];
    uint32_t length = 0;
    if (!RegQuery(root, key ? key : "", name, RegAccess::Read, buffer, sizeof buffer, length)) {
        return {};
    }
    if (length > sizeof buffer) return {};
    // The data need not carry its NUL; it ends at the first NUL or at its length.
    uint32_t end = 0;
    while (end < length && buffer[end] != '\0') ++end;
    return std::string(buffer, end);
}

int RegWriteText(RegRoot root, const char* key, const char* name, const char* text) {
    return RegSetString(root, key ? key : "", name ? name : "", text ? text : "");
}

bool RegRootFromNumber(uint32_t number, RegRoot& root) noexcept {
    switch (number) {
        case 0x80000000u: root = RegRoot::ClassesRoot; return true;
        case 0x80000001u: root = RegRoot::CurrentUser; return true;
        case 0x80000002u: root = RegRoot::LocalMachine; return true;
        default: return false;
    }
}

}  // namespace wb
