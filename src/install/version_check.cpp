// Copying a single file over an existing one only after its version has been weighed:
// by the user in the Copy File dialog, or by the version numbers in the quiet run.
#include "install/version_check.h"

#include "install/copy_file_dialog.h"
#include "install/date_mask.h"
#include "install/quiet_replace.h"
#include "log/install_log.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/version_info.h"
#include "platform/window.h"
#include "state/setup_state.h"

namespace wb {

namespace {

// The file's creation time in local time through the dialog's date mask; empty when it
// cannot be read.
std::string CreationText(const std::string& path) {
    UniqueFile file(FileOpen(path.c_str(), FileAccess::Read));
    uint64_t creation = 0, lastWrite = 0;
    CalendarTime local;
    if (!file || !FileGetTimes(file.get(), creation, lastWrite) ||
        !FileTimeToLocalCalendar(creation, local)) {
        return {};
    }
    return FormatDateMask("%yyyy-%mm-%dd  %hh:%ii", local);
}

bool QuietlyReplaces(const std::string& source, const std::string& destination) {
    FileVersionInfo next, current;
    ReadFileVersion(source.c_str(), next);
    ReadFileVersion(destination.c_str(), current);
    return QuietReplaceDecision(next, current);
}

}  // namespace

namespace {

// Copies and logs the outcome with the system's reason when it fails.
void CopyAndLog(const std::string& source, const std::string& destination) {
    if (FileCopy(source.c_str(), destination.c_str())) {
        LogLine("File written: " + destination);
        return;
    }
    const uint32_t error = FileLastError();
    LogLine("File FAILED: " + destination + ": " + SystemErrorText(error) + " (" +
            std::to_string(error) + ")");
}

}  // namespace

int CopyWithVersionCheck(const std::string& source, const std::string& destination) {
    if (PathExists(destination.c_str())) {
        // A quiet run opens no window: the version numbers answer instead of the user.
        if (Setup.QuietMode) {
            if (!QuietlyReplaces(source, destination)) {
                LogLine("File kept (the installed version is not older): " + destination);
                return 0;
            }
            CopyAndLog(source, destination);
            return 1;
        }
        const int replaced = AskReplaceFile(source, destination);
        LogLine((replaced ? "File replaced (the user chose the new one): "
                          : "File kept (the user kept the installed one): ") + destination);
        return replaced;
    }
    // A failed copy does not stop the installation: the caller goes on either way.
    CopyAndLog(source, destination);
    return 1;
}

std::string ReadVersionInfo(const std::string& path) {
    FileVersionInfo info;
    if (PathLength(path.c_str()) > 0) ReadFileVersion(path.c_str(), info);
    return info.FileVersion + "|" + info.Description + "|" + info.Language;
}

int AskReplaceFile(const std::string& newPath, const std::string& currentPath) {
    VersionColumn current =
        MakeVersionColumn(SplitVersionSummary(ReadVersionInfo(currentPath)), CreationText(currentPath));
    VersionColumn next =
        MakeVersionColumn(SplitVersionSummary(ReadVersionInfo(newPath)), CreationText(newPath));
    if (!OpenCopyFileDialog(newPath, current, next)) return 0;
    int result = 0;
    for (;;) {
        WindowEvent e = WaitEvent();
        // Ending the process's event loop ends the question too; the current file stays.
        if (e.Kind == EventKind::Quit) break;
        if (e.Window != kCopyFileWindow || e.Kind != EventKind::Command) continue;
        if (e.Control == kCopyFileYes) {
            FileCopy(newPath.c_str(), currentPath.c_str());
            result = 1;
            break;
        }
        if (e.Control == kCopyFileNo) break;
    }
    CloseNumberedWindow(kCopyFileWindow);
    return result;
}

}  // namespace wb
