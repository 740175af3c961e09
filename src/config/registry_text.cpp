// Registry text helpers over the registry service.
#include "config/registry_text.h"

#include "platform/text.h"

namespace wb {

std::string RegReadText(RegRoot root, const char* key, const char* name) {
    char buffer[kRegTextCapacity];
    uint32_t length = 0;
    if (!RegQuery(root, key ? key : "", name, RegAccess::Read, buffer, sizeof buffer, length)) {
        return {};
    }
    if (length > sizeof buffer) return {};
    return TextBeforeNul(buffer, length);
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
