// Fuzz target: any bytes opened as a Package file, and extracted when they open, must
// neither crash nor touch memory outside a buffer, nor write outside the target folder.
#include "fuzz/extract_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::OpenAndExtract(data, size, "input.pck", "txt|");
    return 0;
}
