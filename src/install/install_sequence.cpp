// The installation sequence: the steps both runs share, the quiet installation, and the
// Install task runner.
#include "install/install_sequence.h"

#include "config/install_scope.h"
#include "config/language_table.h"
#include "config/link_names.h"
#include "config/pref_file.h"
#include "config/registry_text.h"
#include "config/setup_description.h"
#include "config/special_folders.h"
#include "contract/contract.h"
#include "handover/log_merge.h"
#include "handover/uninstall_log.h"
#include "install/association.h"
#include "install/elevated_trust.h"
#include "install/install_steps.h"
#include "install/install_tasks.h"
#include "install/package_files.h"
#include "install/program_runner.h"
#include "install/script_host.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "install/upgrade.h"
#include "install/version_check.h"
#include "log/install_log.h"
#include "platform/ansi_path.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/window.h"
#include "state/setup_state.h"

namespace wb {

namespace {

// "%InstallDir%" and then "%ProgDir%" replaced by the installation folder.
std::string WithInstallDir(const std::string& text) {
    return ReplaceText(ReplaceText(text, "%InstallDir%", Setup.InstallDir), "%ProgDir%",
                       Setup.InstallDir);
}

void AddRecord(TaskKind kind, std::initializer_list<std::string> fields) {
    Setup.UninstallRecords.push_back(UninstallRecord(kind, fields));
}

// Kinds 0 to 4: program and web shortcuts in the desktop, Start-menu or Startup folder.
std::string RunShortcutTask(const InstallTask& task) {
    const std::string name = LinkFileName(TaskField(task, 2));
    const int8_t iconIndex = TaskByte(TaskField(task, 4));
    std::string icon = ResolveTaskIcon(TaskField(task, 5), iconIndex, Setup.InstallDir);
    const TaskKind kind = TaskKind(task.Kind);
    const bool web = kind == TaskKind::DesktopWebLink || kind == TaskKind::StartMenuWebLink;
    std::string folder =
        kind == TaskKind::StartMenuLink || kind == TaskKind::StartMenuWebLink ? Setup.StartMenuDir
        : kind == TaskKind::StartupLink ? SpecialFolder(kFolderStartup)
                                        : SpecialFolder(kFolderDesktop);
    const std::string link = folder + name;
    std::string target;
    if (web) {
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
    const std::string file = ShortcutFileFor(target, link);
    AddRecord(kind, {file});
    return PathExists(file.c_str()) ? "shortcut " + file : "shortcut FAILED " + file;
}

// Kind 5: a file of the setup placed under a link name, after the version check.
std::string RunFileTask(const InstallTask& task) {
    const std::string name = LinkFileName(TaskField(task, 2));
    std::string destination = name;
    if (!TaskField(task, 4).empty()) {
        destination = ExpandPathMacros(WithInstallDir(TaskField(task, 4) + name), true);
    }
    AddRecord(TaskKind::PackageFile, {destination});
    CopyWithVersionCheck(Setup.TempDir + TaskField(task, 3), destination);
    return "file " + destination;
}

// Kind 6: a registry string value. A per-user installation writes a classes-root value
// into the user's own classes, and records it there for the uninstaller.
std::string RunRegistryTask(const InstallTask& task) {
    uint32_t rootNumber = static_cast<uint32_t>(ParseLeadingNumber(TaskField(task, 2)));
    std::string key = TaskField(task, 3);
    if (Setup.PerUser) UserClassesInstead(rootNumber, key);
    const std::string data = WithInstallDir(TaskField(task, 5));
    RegRoot root;
    bool written = false;
    if (RegRootFromNumber(rootNumber, root)) {
        written = RegWriteText(root, key.c_str(), TaskField(task, 4).c_str(), data.c_str()) == 2;
    }
    AddRecord(TaskKind::RegistryValue, {DecimalText(rootNumber), key, TaskField(task, 4)});
    return (written ? "registry value " : "registry value FAILED ") + DecimalText(rootNumber) +
           "\\" + key + "\\" + TaskField(task, 4);
}

// Kind 8: a key in a Preference file of the program. The setup description is the open
// Preference document during the loop, so it is closed and opened again around it.
std::string RunPreferenceTask(const InstallTask& task) {
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
    return "key " + TaskField(task, 4) + " in " + file;
}

// Kind 9: a file copied (unless it came with the program files), then registered or run.
std::string RunRegisterTask(const InstallTask& task) {
    std::string system = SpecialFolder(kFolderSystem);
    if (!system.empty() && system.back() != '\\') system += '\\';
    const bool inProgram = TaskField(task, 2).find("%ProgDir%") != std::string::npos;
    std::string folder = ExpandPathMacros(TaskField(task, 2), false);
    folder = ReplaceText(folder, "%ProgDir%", Setup.InstallDir);
    const std::string target = folder + TaskField(task, 3);
    if (inProgram) {
        AddRecord(TaskKind::SystemFile, {system, target});
    } else {
        CopyWithVersionCheck(Setup.TempDir + FilePartOf(target), target);
    }
    // Quoted, so that a target under a folder with blanks reaches regsvr32 whole.
    const bool registers = ParseLeadingNumber(TaskField(task, 4)) != 0;
    const std::string regsvr32 = registers ? SystemProgramPath("regsvr32.exe") : std::string();
    const std::string what = (registers ? "regsvr32 " : "program ") + target;
    if (registers && regsvr32.empty()) return what + " could NOT be started (no system folder)";
    ProgramRecord* run =
        registers ? RunProgram(regsvr32, "/S " + Quoted(target), FolderPartOf(target),
                               kRunWait | kRunKeepRecord)
                  : RunProgram(target, "", FolderPartOf(target), kRunWait | kRunKeepRecord);
    if (!run) return what + " could NOT be started";
    return what + " ended with exit code " + std::to_string(ProgramExitCode(run));
}

// Kind 10: a file-extension association, asked first when field 7 is "1". The quiet run
// takes the box's default answer, Yes, without showing it.
std::string RunAssociationTask(const InstallTask& task) {
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
            return "association ." + extension + " declined by the user";
        }
    }
    AssociateExtension(extension, TaskField(task, 4), program, iconSpec, Setup.PerUser != 0);
    AddRecord(TaskKind::Association, {extension, FilePartOf(program)});
    return "association ." + extension + " -> " + program;
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
        if (Setup.PerUser) {
            // Not skipped in silence: the check warned the author, and the log names each.
            const std::string reason = MachineOnlyTaskReason(task.Fields);
            if (!reason.empty()) {
                LogLine("Install task " + std::to_string(i) + " (kind " +
                        std::to_string(task.Kind) +
                        "): NOT done, a per-user installation cannot do it: " + reason);
                continue;
            }
        }
        std::string outcome;
        switch (TaskKind(task.Kind)) {
            case TaskKind::DesktopLink:
            case TaskKind::StartMenuLink:
            case TaskKind::DesktopWebLink:
            case TaskKind::StartMenuWebLink:
            case TaskKind::StartupLink: outcome = RunShortcutTask(task); break;
            case TaskKind::PackageFile: outcome = RunFileTask(task); break;
            case TaskKind::RegistryValue: outcome = RunRegistryTask(task); break;
            case TaskKind::PreferenceKey: outcome = RunPreferenceTask(task); break;
            case TaskKind::SystemFile: outcome = RunRegisterTask(task); break;
            case TaskKind::Association: outcome = RunAssociationTask(task); break;
            default: outcome = "nothing to do for this kind"; break;  // 7, above 10, negative
        }
        LogLine("Install task " + std::to_string(i) + " (kind " + std::to_string(task.Kind) +
                "): " + outcome);
    }
    PrefClose();
}

void PublishInstallDir(const std::string& folder) {
    Setup.InstallDir = folder;
    if (!Setup.InstallDir.empty() && Setup.InstallDir.back() != '\\') Setup.InstallDir += '\\';
    SetProcessEnvironment("InstallDir", Setup.InstallDir.c_str());
}

bool InstallDirUsable() {
    if (!PathLostCharacters(Setup.InstallDir)) return true;
    LogLine("The installation folder " + Setup.InstallDir +
            " holds characters this system's code page cannot carry: nothing is installed");
    return false;
}

unsigned InstallProgramFiles(bool progress) {
    // Read before the Package's own uninstall.dat replaces it; reading changes nothing. With
    // administrator rights a log that ordinary users could have written is trusted only
    // inside the installation folder.
    if (!Setup.NoUninstall) {
        const std::string log = Setup.InstallDir + kUninstallLogName;
        RememberEarlierLog(Setup.InstallDir, !RunsElevated() || OnlyAdministratorsWrite(log));
    }
    const unsigned files = InstallPackageFiles(progress);
    if (files != kExitOk) {
        LogLine("The installation ended before anything was registered (exit code " +
                std::to_string(files) + ")");
        return files;
    }
    // Only now that the new copy is whole may the earlier one in another folder go.
    if (!Setup.NoUninstall) RemoveEarlierCopyElsewhere();
    return kExitOk;
}

void RegisterProgram(const std::string& publisher, const std::string& contact) {
    if (Setup.ProgLink.empty() || Setup.NoUninstall) return;
    RegisterUninstall(Setup.ProgLink, Setup.Titel + "  " + Setup.Version, publisher, Setup.Web,
                      contact, Setup.InstallDir + Setup.ProgExe,
                      Setup.InstallDir + kUninstallerName);
}

void CreateDesktopShortcut(const std::string& linkPath) {
    CreateShortcut(Setup.InstallDir + Setup.ProgExe, linkPath, Setup.InstallDir,
                   Setup.ProgParameter, 1, "", 0, "|", 0);
}

std::string DesktopLinkPath() {
    return SpecialFolder(kFolderDesktop) + Setup.ProgLink + ".lnk";
}

void CompleteInstallation() {
    if (!Setup.NoUninstall) {
        WriteUninstallLog();
        LogLine("Uninstall log written: " + Setup.InstallDir + kUninstallLogName + " (" +
                std::to_string(Setup.UninstallRecords.size()) + " task records)");
    }
    if (!Setup.ScriptFile.empty()) {
        const std::string script = Setup.TempDir + Setup.ScriptFile;
        if (PathExists(script.c_str())) {
            const bool ran = RunScript(script) != 0;
            LogScriptOutcome(Setup.ScriptFile, ran);
        } else {
            LogLine("Setup script " + Setup.ScriptFile + " is not in the setup: not run");
        }
    }
}

void LogInstallFolders() {
    LogLine("Installation folder: " + Setup.InstallDir);
}

void LogScriptOutcome(const std::string& name, bool ran) {
    if (!ran) {
        LogLine("Setup script " + name + " NOT RUN: " +
                (Setup.ScriptError.empty() ? std::string("no reason known") : Setup.ScriptError));
        return;
    }
    if (Setup.ScriptError.empty()) {
        LogLine("Setup script " + name + " ran without error");
        return;
    }
    LogLine("Setup script " + name + " FAILED" +
            (Setup.ScriptErrorLine > 0 ? " at line " + std::to_string(Setup.ScriptErrorLine) : "") +
            ": " + Setup.ScriptError);
}

unsigned InstallQuietly() {
    LoadSetupDescription();
    PublishInstallDir(Setup.ProgDirDefault);
    Setup.StartProg = 0;
    LogInstallFolders();
    if (!InstallDirUsable()) return kExitWriteFailed;

    // Any failure of the program files stops here: they were rolled back, and nothing
    // may be registered for them.
    const unsigned files = InstallProgramFiles(false);
    if (files != kExitOk) return files;

    RegisterProgram(Setup.Author, Setup.EMail);
    // The desktop shortcut is recorded for the uninstaller here too, or a removal would
    // leave it behind pointing at nothing.
    if (Setup.DesktopIconState != 0) {
        Setup.DesktopLink = DesktopLinkPath();
        CreateDesktopShortcut(Setup.DesktopLink);
    }
    if (Setup.StartMenuEnabled) {
        CreateStartMenuEntries(Setup.StartMenuDefault);
        LogLine("Start-menu folder: " + Setup.StartMenuDir);
    } else {
        LogLine("No Start-menu entries");
    }
    RunInstallTasks();
    CompleteInstallation();
    return files;
}

}  // namespace wb
