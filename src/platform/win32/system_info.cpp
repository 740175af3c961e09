// The system information service over kernel32.
#include "platform/system_info.h"

#include <windows.h>

namespace wb {

uint16_t UserDefaultLanguage() noexcept { return GetUserDefaultLangID(); }

uint32_t SystemVersion() noexcept { return GetVersion(); }

}  // namespace wb
