// The one Setup state of the process.
#include "startup/setup_state.h"

namespace wb {

SetupState Setup;

}  // namespace wb
