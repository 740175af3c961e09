// Version resources through Version.dll, which is loaded at run time so that the stub does
// not import it.
#include "platform/version_info.h"

#include <cstdio>
#include <vector>

#include "platform/win32/handles.h"

namespace wb {

namespace {

using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
using LangFn = DWORD(WINAPI*)(DWORD, LPSTR, DWORD);

struct VersionApi {
    SizeFn Size = nullptr;
    InfoFn Info = nullptr;
    QueryFn Query = nullptr;
    LangFn LanguageName = nullptr;
};

const VersionApi& Api() {
    static VersionApi api;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        // Kept loaded for the rest of the run; the process end releases it.
        if (HMODULE dll = LoadSystemLibrary("version.dll")) {
            api.Size = reinterpret_cast<SizeFn>(GetProcAddress(dll, "GetFileVersionInfoSizeA"));
            api.Info = reinterpret_cast<InfoFn>(GetProcAddress(dll, "GetFileVersionInfoA"));
            api.Query = reinterpret_cast<QueryFn>(GetProcAddress(dll, "VerQueryValueA"));
            api.LanguageName = reinterpret_cast<LangFn>(GetProcAddress(dll, "VerLanguageNameA"));
        }
    }
    return api;
}

}  // namespace

bool ReadFileVersion(const char* path, FileVersionInfo& out) {
    out = FileVersionInfo{};
    const VersionApi& api = Api();
    if (!api.Size || !api.Info || !api.Query) return false;
    DWORD ignored = 0;
    DWORD size = api.Size(path, &ignored);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!api.Info(path, 0, size, data.data())) return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (api.Query(data.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength) && fixed &&
        fixedLength >= sizeof(VS_FIXEDFILEINFO)) {
        char text[64];
        std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu",
                      static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                      static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                      static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                      static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)));
        out.Version = text;
    }

    struct Translation {
        WORD Language;
        WORD CodePage;
    };
    Translation* translations = nullptr;
    UINT translationBytes = 0;
    if (api.Query(data.data(), "\\VarFileInfo\\Translation",
                  reinterpret_cast<void**>(&translations), &translationBytes) &&
        translations && translationBytes >= sizeof(Translation)) {
        if (api.LanguageName) {
            char name[128] = {};
            DWORD n = api.LanguageName(translations->Language, name, sizeof name);
            if (n > 0 && n < sizeof name) out.Language.assign(name, n);
        }
        char key[64];
        std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileDescription",
                      translations->Language, translations->CodePage);
        char* text = nullptr;
        UINT textLength = 0;
        // The resource may lack the terminating NUL: take at most the length it states.
        if (api.Query(data.data(), key, reinterpret_cast<void**>(&text), &textLength) && text) {
            size_t n = 0;
            while (n < textLength && text[n]) ++n;
            out.Description.assign(text, n);
        }
    }
    return true;
}

}  // namespace wb
