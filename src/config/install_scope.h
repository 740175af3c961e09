// Who an installation is for: every user of the machine, or only the user who runs the
// setup. What the setup description offers, what a switch asks for, which one a run takes,
// and which Install tasks only a machine-wide installation can carry out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/setup_records.h"  // ScopeOffer, ScopeSwitch

namespace wb {

// What a run does: install for all users, for the current user, or end (kExitScopeRefused).
enum class ScopeChoice : uint8_t { Machine, User, Refused };

// "machine", "user" or "both" in any letter case; an empty text is "machine". False for
// any other text (`out` then stays Machine, the default).
bool ParseScopeOffer(const std::string& text, ScopeOffer& out);

// What a run settles on. A switch for a scope the setup does not offer is refused. Without
// a switch a setup offering both follows an installation of this program that this user
// already has (per-user entry first, then the machine's), else the process: elevated (1)
// means all users, anything else the current user. A choice that meets an installation
// of the same program in the other scope is refused too, so that neither is silently
// taken over.
struct ScopeFacts {
    ScopeOffer Offer = ScopeOffer::Machine;
    ScopeSwitch Switch = ScopeSwitch::None;
    int Elevation = -1;            // ProcessElevation: 1, 0, or -1 unknown
    bool MachineEntry = false;     // the machine's uninstall entry of this GUID exists
    bool UserEntry = false;        // this user's uninstall entry of this GUID exists
};
ScopeChoice DecideScope(const ScopeFacts& facts);

// Why the Install task `fields` (split at "|", fields[0] the kind) cannot be carried out by
// an installation for the current user alone; empty when it can. Values under
// HKEY_LOCAL_MACHINE, files placed into the machine's folders (%ProgramFiles%, %Windows%,
// %System%, %CommonFiles%, %Fonts%), a copy into one of them, and registering a library
// (regsvr32 writes the machine's classes) need rights an ordinary user lacks.
std::string MachineOnlyTaskReason(const std::vector<std::string>& fields);

// The per-user form of a registry task's root and key: the classes root becomes the
// user's own classes (HKEY_CURRENT_USER\Software\Classes). `rootNumber` and `key` are
// changed in place; false for a root that stays as it is.
bool UserClassesInstead(uint32_t& rootNumber, std::string& key);

}  // namespace wb
