// The one Setup state of the process.
#include "state/setup_state.h"

namespace wb {

SetupState Setup;

}  // namespace wb
