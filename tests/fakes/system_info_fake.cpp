// The system information fake: a settable language and version.
#include "fakes/fakes.h"
#include "platform/system_info.h"

namespace wb {
namespace {

uint16_t g_language = 0x0409;
uint32_t g_version = 0x0A280105;

}  // namespace

uint16_t UserDefaultLanguage() noexcept { return g_language; }
uint32_t SystemVersion() noexcept { return g_version; }

namespace fake {

void SystemInfoReset() {
    g_language = 0x0409;
    g_version = 0x0A280105;
}
void SystemSetLanguage(uint16_t languageId) { g_language = languageId; }
void SystemSetVersion(uint32_t version) { g_version = version; }

}  // namespace fake
}  // namespace wb
