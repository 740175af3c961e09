// Settling who a run installs for before anything is installed, and starting the setup
// again with administrator rights when an installation for all users needs them.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Decides Setup.PerUser from the setup's Scope, the switches, the process's elevation and
// the uninstall entries of this GUID that already exist. True when the run goes on in this
// process. False when it has ended here: `exitCode` is kExitScopeRefused (nothing offered
// fits; a wizard run shows why), or the code of the elevated run that a machine-wide
// installation without administrator rights started (kExitElevationDeclined when the
// prompt was declined or the system could not start it). A wizard run of a setup that
// offers both scopes without a switch goes on: the settings page asks.
bool SettleScope(unsigned& exitCode);

// Starts this setup again through the administrator prompt with its own command line and
// `extraParameters` (appended after a blank when not empty) and waits: true with the
// elevated run's `exitCode`, false when the prompt was declined or the system could not
// start it. The elevated run writes its own install log; a file named by "/L:" is closed
// here first, so that it can.
bool RestartElevated(const std::string& extraParameters, uint32_t& exitCode);

// True when installing for all users needs a restart: the process is known not to run
// elevated (before Vista, where the system cannot tell, it just tries).
bool MachineScopeNeedsRestart();

// The settled scope as the install log and the wizard show it.
const char* ScopeText(bool perUser);

}  // namespace wb
