// The wizard's pictures and folder pickers. Until the picture loader and the two folder
// choosers are part of the stub, the image controls stay empty and the pickers pick
// nothing, which leaves the folder fields as they are.
#include "ui/wizard_pictures.h"

namespace wb {

void LoadWizardPictures() {}

std::string PickProgramFolder() { return {}; }

std::string PickStartMenuFolder() { return {}; }

}  // namespace wb
