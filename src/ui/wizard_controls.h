// The numbers of the wizard window and of its controls; the event loop dispatches on them.
#pragma once

namespace wb {

constexpr int kWizardWindow = 1;

enum WizardControl : int {
    kHeaderPanel = 1,
    kHeaderSubtitle = 2,
    kHeaderIcon = 3,
    kHomepageLink = 4,
    kBackButton = 5,
    kNextButton = 6,
    kCancelButton = 7,
    kInstallButton = 8,
    kExitButton = 9,
    kInfoPanel = 10,
    kReadmeViewer = 11,
    kLicencePanel = 12,
    kLicenceViewer = 13,
    kAcceptOption = 14,
    kDeclineOption = 15,
    kSettingsPanel = 16,
    kHeaderTitle = 17,
    kProgDirLabel = 18,
    kProgDirField = 19,
    kProgDirChange = 20,
    kStartMenuLabel = 21,
    kStartMenuField = 22,
    kStartMenuChange = 23,
    kNoStartMenuBox = 24,
    kDesktopIconBox = 25,
    kWelcomePanel = 26,
    kWelcomeTitle = 27,
    kWelcomeText = 28,
    kSideImage = 30,
    kInstallPanel = 31,
    kInstallTitle = 32,
    kInstallPrompt = 33,
    kInstallStatus = 34,
    kInstallLog = 35,
    kRunProgramBox = 36,
    kProgressBar = 37,
    kScopeAllUsers = 38,
    kScopeOnlyMe = 39,
};

}  // namespace wb
