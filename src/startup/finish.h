// The end of a run: removing the temporary setup folder.
#pragma once

namespace wb {

// Deletes the files directly in the temporary setup folder (sub-folders are not entered,
// attributes are not changed) and then the folder itself. Does nothing when TempDir is
// empty; failures are ignored, so a folder that still holds something stays.
void RemoveTempDir();

}  // namespace wb
