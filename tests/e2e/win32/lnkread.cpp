// Test program that reads a shell link back through the system's shell-link object and
// prints what it holds, one "Name=Value" line each:
//   lnkread PATH   Target, Arguments, WorkingDir, Description, IconFile, IconIndex,
//                  ShowCmd, HotKey
// Exit code 1 when the link cannot be loaded.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() { if (p) p->Release(); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lnkread PATH\n");
        return 2;
    }
    CoInitialize(nullptr);
    int rc = 1;
    {
        Released<IShellLinkA> link;
        Released<IPersistFile> file;
        wchar_t wide[MAX_PATH * 2];
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkA, reinterpret_cast<void**>(&link.p))) &&
            SUCCEEDED(link.p->QueryInterface(IID_IPersistFile,
                                             reinterpret_cast<void**>(&file.p))) &&
            MultiByteToWideChar(CP_ACP, 0, argv[1], -1, wide, MAX_PATH * 2) > 0 &&
            SUCCEEDED(file.p->Load(wide, STGM_READ))) {
            char text[1024];
            WIN32_FIND_DATAA find;
            text[0] = 0;
            link.p->GetPath(text, sizeof text, &find, SLGP_RAWPATH);
            std::printf("Target=%s\n", text);
            text[0] = 0;
            link.p->GetArguments(text, sizeof text);
            std::printf("Arguments=%s\n", text);
            text[0] = 0;
            link.p->GetWorkingDirectory(text, sizeof text);
            std::printf("WorkingDir=%s\n", text);
            text[0] = 0;
            link.p->GetDescription(text, sizeof text);
            std::printf("Description=%s\n", text);
            int index = -99;
            text[0] = 0;
            link.p->GetIconLocation(text, sizeof text, &index);
            std::printf("IconFile=%s\nIconIndex=%d\n", text, index);
            int show = -99;
            link.p->GetShowCmd(&show);
            std::printf("ShowCmd=%d\n", show);
            WORD hotKey = 0;
            link.p->GetHotkey(&hotKey);
            std::printf("HotKey=%u\n", unsigned(hotKey));
            rc = 0;
        }
    }
    CoUninitialize();
    std::fflush(stdout);
    return rc;
}
