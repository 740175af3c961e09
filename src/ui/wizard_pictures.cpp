// The wizard's pictures and folder pickers: the side image and header icon from the setup's
// files, and the two Change buttons' choosers.
#include "ui/wizard_pictures.h"

#include "config/language_table.h"
#include "platform/files.h"
#include "platform/window.h"
#include "state/setup_state.h"
#include "ui/folder_requester.h"
#include "ui/images.h"
#include "ui/start_menu_chooser.h"
#include "ui/wizard_controls.h"

namespace wb {

namespace {

constexpr int kHeaderImage = 1, kSideImageNumber = 2;

// Loads `path` as image `number` into `control` when the file is there; a picture that
// does not load leaves the control as it was.
void ShowPicture(int number, const std::string& path, int control) {
    if (!PathExists(path.c_str()) || !LoadImageFile(number, path.c_str(), 0)) return;
    const GdiImage* image = ImageRecord(number);
    SetControlImage(control, ImageHandle(number), image && image->IsIcon);
}

}  // namespace

void LoadWizardPictures() {
    // The built-in icon, image 1 since start-up, until the setup brings its own.
    if (const GdiImage* icon = ImageRecord(kHeaderImage)) {
        SetControlImage(kHeaderIcon, icon->Handle, icon->IsIcon);
    }
    std::string folder = Setup.TempDir;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    ShowPicture(kSideImageNumber, folder + Setup.SplashBitmap, kSideImage);
    Setup.HeaderIconFile = folder + "header.ico";
    ShowPicture(kHeaderImage, Setup.HeaderIconFile, kHeaderIcon);
}

std::string PickProgramFolder() {
    return ChooseFolder(Setup.ProgDirDefault, LangText("Requester", "RQ2_Titel"));
}

std::string PickStartMenuFolder() { return ChooseStartMenuFolder(); }

}  // namespace wb
