// The system's restart question.
#pragma once

namespace wb {

// Asks the user whether to restart the system now and restarts it on consent; the answer
// is not reported. Nothing happens when the system's restart prompt is not available.
void PromptSystemRestart() noexcept;

}  // namespace wb
