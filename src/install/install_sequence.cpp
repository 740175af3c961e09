// The installation sequence: the steps both runs share, the quiet installation, and the
// Install task runner.
#include "install/install_sequence.h"

#include "config/language_table.h"
#include "config/pref_file.h"
#include "config/registry_text.h"
#include "config/setup_description.h"
#include "config/special_folders.h"
#include "handover/uninstall_log.h"
#include "install/association.h"
#include "install/install_steps.h"
#include "install/install_tasks.h"
#include "install/link_names.h"
#include "install/package_files.h"
#include "install/program_runner.h"
#include "install/script_host.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "install/version_check.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/window.h"
#include "startup/setup_state.h"
#include "startup/startup.h"

namespace wb {

namespace {

// "%InstallDir%" and then "%ProgDir%" replaced by the installation folder.
std::string WithInstallDir(const std::string& text) {
    return ReplaceText(ReplaceText(text, "%InstallDir%", Setup.InstallDir), "%ProgDir%",
                       Setup.InstallDir);
}

void AddRecord(int kind, std::initializer_list<std::string> fields) {
    std::string record = std::to_string(kind);
    for (const std::string& f : fields) record += "|" + f;
    Setup.UninstallRecords.push_back(record);
}

// Kinds 0 to 4: program and web shortcuts in the desktop, Start-menu or Startup folder.
void RunShortcutTask(const InstallTask& task) {
    const std::string name = LinkFileName(TaskField(task, 2));
    const int8_t iconIndex = TaskByte(TaskField(task, 4));
    std::string icon = ResolveTaskIcon(TaskField(task, 5), iconIndex, Setup.InstallDir);
    const int kind = task.Kind;
    std::string folder = kind == 1 || kind == 3 ? Setup.StartMenuDir
                         : kind == 4            ? SpecialFolder(kFolderStartup)
                                                : SpecialFolder(kFolderDesktop);
    const std::string link = folder + name;
    std::string target;
    if (kind == 2 || kind == 3) {
        target = TaskField(task, 3);
        int index = iconIndex;
        if (icon == "|") {
            icon = kWebLinkIconFile;
            index = 0;
        }
        CreateShortcut(target, link, "", "", 1, "", 0, icon, index);
    } else {
        target = ResolveTaskPath(TaskField(task, 3), Setup.InstallDir);
        CreateShortcut(target, link, FolderPartOf(target), TaskField(task, 6), 1, "", 0, icon,
                       iconIndex);
    }
    AddRecord(kind, {ShortcutFileFor(target, link)});
}

// Kind 5: a file of the setup placed under a link name, after the version check.
void RunFileTask(const InstallTask& task) {
    const std::string name = LinkFileName(TaskField(task, 2));
    std::string destination = name;
    if (!TaskField(task, 4).empty()) {
        destination = ExpandPathMacros(WithInstallDir(TaskField(task, 4) + name), true);
    }
    AddRecord(5, {destination});
    CopyWithVersionCheck(Setup.TempDir + TaskField(task, 3), destination);
}

// Kind 6: a registry string value.
void RunRegistryTask(const InstallTask& task) {
    const uint32_t rootNumber = static_cast<uint32_t>(ParseLeadingNumber(TaskField(task, 2)));
    const std::string data = WithInstallDir(TaskField(task, 5));
    RegRoot root;
    if (RegRootFromNumber(rootNumber, root)) {
        RegWriteText(root, TaskField(task, 3).c_str(), TaskField(task, 4).c_str(), data.c_str());
    }
    AddRecord(6, {std::to_string(rootNumber), TaskField(task, 3), TaskField(task, 4)});
}

// Kind 8: a key in a Preference file of the program. The setup description is the open
// Preference document during the loop, so it is closed and opened again around it.
void RunPreferenceTask(const InstallTask& task) {
    const std::string file = Setup.InstallDir + TaskField(task, 2);
    std::string value = ExpandPathMacros(TaskField(task, 5), false);
    value = ExpandInstallMacros(value, Setup.StartMenuDir, Setup.InstallDir);
    PrefClose();
    PrefOpen(file.c_str());
    if (!TaskField(task, 3).empty()) PrefGroup(TaskField(task, 3).c_str());
    PrefWriteString(TaskField(task, 4).c_str(), value.c_str());
    PrefClose();
    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("UserTask");
}

// Kind 9: a file copied (unless it came with the program files), then registered or run.
void RunRegisterTask(const InstallTask& task) {
    std::string system = SpecialFolder(kFolderSystem);
    if (!system.empty() && system.back() != '\\') system += '\\';
    const bool inProgram = TaskField(task, 2).find("%ProgDir%") != std::string::npos;
    std::string folder = ExpandPathMacros(TaskField(task, 2), false);
    folder = ReplaceText(folder, "%ProgDir%", Setup.InstallDir);
    const std::string target = folder + TaskField(task, 3);
    if (inProgram) {
        AddRecord(9, {system, target});
    } else {
        CopyWithVersionCheck(Setup.TempDir + FilePartOf(target), target);
    }
    // Quoted, so that a target under a folder with blanks reaches regsvr32 whole.
    if (ParseLeadingNumber(TaskField(task, 4)) != 0) {
        RunProgram(system + "regsvr32.exe", "/S " + Quoted(target), FolderPartOf(target),
                   kRunWait | kRunKeepRecord);
    } else {
        RunProgram(target, "", FolderPartOf(target), kRunWait | kRunKeepRecord);
    }
}

// Kind 10: a file-extension association, asked first when field 7 is "1". The quiet run
// takes the box's default answer, Yes, without showing it.
void RunAssociationTask(const InstallTask& task) {
    const std::string program = Setup.InstallDir + TaskField(task, 2);
    const int8_t iconIndex = TaskByte(TaskField(task, 5));
    std::string iconSpec;
    if (iconIndex != -1 && !TaskField(task, 6).empty()) {
        std::string icon = ResolveTaskPath(TaskField(task, 6), Setup.InstallDir);
        if (PathExists(icon.c_str())) iconSpec = icon + "," + std::to_string(iconIndex);
    }
    const std::string extension = TaskField(task, 3);
    if (TaskField(task, 7) == "1" && !Setup.QuietMode) {
        std::string text = ReplaceText(LangText("Requester", "RQ5_Msg"), "$Extension",
                                       "*." + extension) + "  ";
        std::string caption = " " + LangText("Requester", "RQ5_Titel");
        if (ShowMessage(text.c_str(), caption.c_str(), MessageBoxKind::QuestionYesNo) !=
            MessageBoxAnswer::Yes) {
            return;
        }
    }
    AssociateExtension(extension, TaskField(task, 4), program, iconSpec);
    AddRecord(10, {extension, FilePartOf(program)});
}

}  // namespace

void RunInstallTasks() {
    Setup.UninstallRecords.clear();
    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("UserTask");
    const int16_t count = static_cast<int16_t>(static_cast<uint16_t>(PrefReadNumber("Number", 0)));
    for (int i = 1; i <= count; ++i) {
        const std::string value = PrefReadString(("Task" + std::to_string(i)).c_str());
        if (value.empty()) continue;
        const InstallTask task = ParseInstallTask(value);
        switch (task.Kind) {
            case 0: case 1: case 2: case 3: case 4: RunShortcutTask(task); break;
            case 5: RunFileTask(task); break;
            case 6: RunRegistryTask(task); break;
            case 8: RunPreferenceTask(task); break;
            case 9: RunRegisterTask(task); break;
            case 10: RunAssociationTask(task); break;
            default: break;  // 7, above 10 and negative kinds do nothing
        }
    }
    PrefClose();
}

void PublishInstallDir(const std::string& folder) {
    Setup.InstallDir = folder;
    if (!Setup.InstallDir.empty() && Setup.InstallDir.back() != '\\') Setup.InstallDir += '\\';
    SetProcessEnvironment("InstallDir", Setup.InstallDir.c_str());
}

unsigned InstallProgramFiles(bool progress) {
    const ExtractResult files = InstallPackageFiles(progress);
    if (!files.Opened || files.Damaged > 0) return kExitDamaged;
    return files.Failed > 0 ? kExitWriteFailed : kExitOk;
}

void RegisterProgram(const std::string& publisher, const std::string& contact) {
    if (Setup.ProgLink.empty() || Setup.NoUninstall) return;
    RegisterUninstall(Setup.ProgLink, Setup.Titel + "  " + Setup.Version, publisher, Setup.Web,
                      contact, Setup.InstallDir + Setup.ProgExe,
                      Setup.InstallDir + "uninstall.exe");
}

void CreateDesktopShortcut(const std::string& linkPath) {
    CreateShortcut(Setup.InstallDir + Setup.ProgExe, linkPath, Setup.InstallDir,
                   Setup.ProgParameter, 1, "", 0, "|", 0);
}

std::string DesktopLinkPath() {
    return SpecialFolder(kFolderDesktop) + Setup.ProgLink + ".lnk";
}

void CompleteInstallation() {
    if (!Setup.NoUninstall) WriteUninstallLog();
    if (!Setup.ScriptFile.empty()) {
        const std::string script = Setup.TempDir + Setup.ScriptFile;
        if (PathExists(script.c_str())) RunScript(script);
    }
}

unsigned InstallQuietly() {
    LoadSetupDescription();
    PublishInstallDir(Setup.ProgDirDefault);
    Setup.StartProg = 0;

    // A damaged inner Package stops here, before anything is registered.
    const unsigned files = InstallProgramFiles(false);
    if (files == kExitDamaged) return files;

    RegisterProgram("", "");
    // The desktop shortcut is recorded for the uninstaller here too, or a removal would
    // leave it behind pointing at nothing.
    if (Setup.DesktopIconState != 0) {
        Setup.DesktopLink = DesktopLinkPath();
        CreateDesktopShortcut(Setup.DesktopLink);
    }
    if (Setup.StartMenuEnabled) CreateStartMenuEntries(Setup.StartMenuDefault);
    RunInstallTasks();
    CompleteInstallation();
    return files;
}

}  // namespace wb
