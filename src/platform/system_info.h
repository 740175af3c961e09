// System information: the user's language and the system's version number.
#pragma once

#include <cstdint>

namespace wb {

uint16_t UserDefaultLanguage() noexcept;  // GetUserDefaultLangID
uint32_t SystemVersion() noexcept;        // GetVersion

}  // namespace wb
