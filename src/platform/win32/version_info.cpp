// Version resources through Version.dll, which is loaded from the system folder for each
// reading so that the stub neither imports it nor keeps it.
#include "platform/version_info.h"

#include <cstdlib>

#include "platform/win32/handles.h"

namespace wb {

namespace {

using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
using LangFn = DWORD(WINAPI*)(DWORD, LPSTR, DWORD);

// Version blocks are a few kilobytes; a size beyond this is not believed.
constexpr DWORD kMaxBlockBytes = 1024 * 1024;

struct FreeTraits {
    using Type = void*;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type p) noexcept { std::free(p); }
};

// A string value of the block; the resource may lack its terminating NUL, so at most
// the length it states is taken.
std::string QueryText(QueryFn query, const void* block, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    if (!query(block, name, reinterpret_cast<void**>(&text), &length) || !text) return {};
    size_t n = 0;
    while (n < length && text[n]) ++n;
    return std::string(text, n);
}

std::string Decimal(unsigned value) {
    char text[12];
    int n = 0;
    do {
        text[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    std::string out;
    while (n > 0) out += text[--n];
    return out;
}

// Four upper-case hexadecimal digits with leading zeros.
std::string Hex4(unsigned value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4) out[size_t(i)] = kDigits[value & 15];
    return out;
}

}  // namespace

bool ReadFileVersion(const char* path, FileVersionInfo& out) {
    out = FileVersionInfo{};
    UniqueModule dll(LoadSystemLibrary("version.dll"));
    if (!dll) return false;
    auto size = reinterpret_cast<SizeFn>(GetProcAddress(dll.get(), "GetFileVersionInfoSizeA"));
    auto info = reinterpret_cast<InfoFn>(GetProcAddress(dll.get(), "GetFileVersionInfoA"));
    auto query = reinterpret_cast<QueryFn>(GetProcAddress(dll.get(), "VerQueryValueA"));
    auto languageName = reinterpret_cast<LangFn>(GetProcAddress(dll.get(), "VerLanguageNameA"));
    if (!size || !info || !query) return false;

    DWORD ignored = 0;
    DWORD bytes = size(path, &ignored);
    if (bytes == 0 || bytes > kMaxBlockBytes) return false;
    Unique<FreeTraits> block(std::calloc(1, bytes));
    if (!block || !info(path, 0, bytes, block.get())) return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (query(block.get(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength) && fixed &&
        fixedLength >= sizeof(VS_FIXEDFILEINFO) && fixed->dwSignature == 0xFEEF04BD) {
        out.Version = Decimal(HIWORD(fixed->dwFileVersionMS)) + "." +
                      Decimal(LOWORD(fixed->dwFileVersionMS)) + "." +
                      Decimal(HIWORD(fixed->dwFileVersionLS)) + "." +
                      Decimal(LOWORD(fixed->dwFileVersionLS));
        out.FixedVersion = (uint64_t{fixed->dwFileVersionMS} << 32) | fixed->dwFileVersionLS;
        out.HasFixedVersion = true;
    }

    struct Translation {
        WORD Language;
        WORD CodePage;
    };
    Translation* translations = nullptr;
    UINT translationBytes = 0;
    if (query(block.get(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
              &translationBytes) &&
        translations && translationBytes >= sizeof(Translation)) {
        if (languageName) {
            char name[128] = {};
            DWORD n = languageName(translations->Language, name, sizeof name);
            if (n > 0 && n < sizeof name) out.Language.assign(name, n);
        }
        std::string key = "\\StringFileInfo\\" + Hex4(translations->Language) +
                          Hex4(translations->CodePage) + "\\";
        out.FileVersion = QueryText(query, block.get(), (key + "FileVersion").c_str());
        out.Description = QueryText(query, block.get(), (key + "FileDescription").c_str());
    }
    return true;
}

}  // namespace wb
