// COM over ole32: initialisation and new GUIDs.
#include "platform/com.h"

#include "platform/win32/handles.h"

namespace wb {

bool ComStart() noexcept { return SUCCEEDED(CoInitialize(nullptr)); }
void ComEnd() noexcept { CoUninitialize(); }

std::string NewGuidText() {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) return {};
    wchar_t wide[64];
    int n = StringFromGUID2(guid, wide, 64);
    if (n <= 1) return {};
    char text[64];
    int m = WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    if (m <= 1) return {};
    return std::string(text, static_cast<size_t>(m - 1));
}

}  // namespace wb
