// File-extension associations: the per-user layout of newer systems and the machine-wide
// layout of older ones.
#include "install/association.h"

#include "config/link_names.h"
#include "config/registry_text.h"
#include "platform/system_info.h"

namespace wb {

namespace {

void WriteDefault(RegRoot root, const std::string& key, const std::string& text) {
    RegWriteText(root, key.c_str(), "", text.c_str());
}

// The classes the keys go to: the merged classes root, or the user's own classes.
struct Classes {
    RegRoot Root;
    std::string Prefix;
};

}  // namespace

void AssociateExtension(const std::string& extension, const std::string& description,
                        const std::string& programPath, const std::string& iconSpec,
                        bool perUser) {
    // Without an extension the rows would land on the "." key and the class roots.
    if (extension.empty()) return;
    const std::string program = FilePartOf(programPath);
    const std::string command = "\"" + programPath + "\" \"%1\"";
    const std::string shown = description.empty() ? program : description;

    if (perUser || ((SystemVersion() >> 16) & 0xFF) != 0) {
        const Classes c = perUser ? Classes{RegRoot::CurrentUser, "Software\\Classes\\"}
                                  : Classes{RegRoot::ClassesRoot, ""};
        const std::string type = extension + "_auto_file";
        WriteDefault(c.Root, c.Prefix + "Applications\\" + program + "\\shell\\open\\command",
                     command);
        WriteDefault(c.Root, c.Prefix + "." + extension, type);
        WriteDefault(c.Root, c.Prefix + type, shown);
        if (!iconSpec.empty()) WriteDefault(c.Root, c.Prefix + type + "\\DefaultIcon", iconSpec);
        RegWriteText(RegRoot::CurrentUser,
                     ("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\." +
                      extension).c_str(),
                     "Application", program.c_str());
        return;
    }
    const std::string classes = "Software\\Classes\\";
    WriteDefault(RegRoot::LocalMachine, classes + "." + extension, program);
    WriteDefault(RegRoot::LocalMachine, classes + program, shown);
    if (!iconSpec.empty()) {
        WriteDefault(RegRoot::LocalMachine, classes + program + "\\DefaultIcon", iconSpec);
    }
    WriteDefault(RegRoot::LocalMachine, classes + program + "\\shell\\open\\command", command);
}

}  // namespace wb
