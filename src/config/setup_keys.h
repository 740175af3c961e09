// Every group and key of setup.ini that a setup reads, with its type, default and effect,
// and the fields of each Install task kind: the one list the authoring tool checks a
// description against and writes its starter description from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "contract/contract.h"  // TaskKind, kUserTaskGroup

namespace wb {

enum class SetupKeyType : uint8_t {
    Text,
    Number,  // a 32-bit decimal number
    Byte,    // a decimal number of which only the low 8 bits count
};

struct SetupKey {
    const char* Group;
    const char* Key;
    SetupKeyType Type;
    const char* Default;  // as the installer takes it when the key is absent
    const char* Effect;   // one line for the author
    const char* Example;  // a value a starter description writes
};

// Groups in the order the starter description writes them; names are spelled as the
// installer reads them ("Titel", "StartMenue", "Unistall").
std::span<const SetupKey> SetupKeys();

// The known key `key` of `group` (letter case ignored), or nullptr.
const SetupKey* FindSetupKey(const char* group, const char* key);

enum class TaskFieldUse : uint8_t {
    Name,          // shortcut name (".lnk" added)
    ProgramPath,   // file relative to the installation folder, or with Path macros
    WebAddress,
    IconIndex,     // signed 8-bit number; -1 the target's own icon
    IconFile,
    Arguments,
    SetupFile,     // file of the setup (beside setup.ini in the project)
    TargetFolder,  // destination folder with Path macros, %InstallDir% or %ProgDir%
    RootKey,       // number of a predefined registry root
    Subkey,
    ValueName,
    Data,
    PrefFile,      // Preference file relative to the installation folder
    PrefGroup,
    PrefKey,
    PrefValue,
    SystemFolder,  // folder with Path macros or %ProgDir%
    FileName,
    Flag,          // a number: 0 or 1
    Extension,
    Description,
    AskFirst,      // "1": ask the user first
};

struct TaskFieldSpec {
    const char* Name;
    TaskFieldUse Use;
    bool Required;  // must be written and not empty
};

struct TaskKindSpec {
    TaskKind Kind;
    const char* Title;
    std::span<const TaskFieldSpec> Fields;  // fields 2, 3, ... (field 1 is the kind)
    size_t MinFields;                       // fields a task must write, the kind included
    const char* Example;                // a whole task value
};

// The kinds that do something: every TaskKind but Nothing.
std::span<const TaskKindSpec> TaskKinds();
// The kind numbered `kind`, or nullptr for one that does nothing.
const TaskKindSpec* FindTaskKind(int kind);

}  // namespace wb
