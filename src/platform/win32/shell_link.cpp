// The shell-link service over the shell's link object (IShellLinkA + IPersistFile).
#include "platform/shell_link.h"

#include <shlobj.h>

#include "platform/win32/handles.h"

namespace wb {

namespace {

// The identifiers are spelled out here: the system's GUID library defines them all in one
// object, which would add a hundred kilobytes of other GUIDs to the installer.
constexpr GUID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace

ShellLinkOutcome ShellLinkWrite(const ShellLinkFields& fields, const char* linkPath) noexcept {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
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
    if (FAILED(link->QueryInterface(kIidPersistFile, file.put_void())) || !file) {
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
