// The shell-link service over the shell's link object (IShellLinkA + IPersistFile).
#include "platform/shell_link.h"

#include <shlobj.h>

#include "platform/win32/handles.h"

namespace wb {

ShellLinkOutcome ShellLinkWrite(const ShellLinkFields& fields, const char* linkPath) noexcept {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())) ||
        !link) {
        return ShellLinkOutcome::NoObject;
    }
    // The setters' results do not decide anything: a link with a field the object did not
    // take is still better than none, and Save reports what matters.
    link->SetPath(fields.Target.c_str());
    link->SetArguments(fields.Arguments.c_str());
    link->SetWorkingDirectory(fields.WorkDir.c_str());
    link->SetDescription(fields.Description.c_str());
    link->SetShowCmd(fields.ShowCmd);
    link->SetHotkey(fields.HotKey);
    link->SetIconLocation(fields.IconFile.c_str(), fields.IconIndex);

    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || !file) {
        return ShellLinkOutcome::NoFileInterface;
    }
    const char* path = linkPath ? linkPath : "";
    int wideLength = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (wideLength <= 0) return ShellLinkOutcome::SaveFailed;
    std::wstring wide(size_t(wideLength), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), wideLength) <= 0) {
        return ShellLinkOutcome::SaveFailed;
    }
    return SUCCEEDED(file->Save(wide.c_str(), TRUE)) ? ShellLinkOutcome::Saved
                                                      : ShellLinkOutcome::SaveFailed;
}

}  // namespace wb
