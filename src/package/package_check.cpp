// Decodes a Package's blocks once to check them, so that a damaged setup is refused before
// its first file lands on the disk rather than half way through.
#include "package/package_check.h"

#include <memory>

#include "handover/contract.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "platform/files.h"
#include "platform/window.h"

namespace wb {

int CheckPackage(const PackageReader& reader) {
    UniqueFile file(FileOpen(reader.Path.c_str(), FileAccess::Read));
    ExtractCursor cursor;
    if (!file || !StartCursor(reader, file.get(), cursor)) return -1;
    int damaged = 0;
    for (const PackageEntry& e : reader.Entries) {
        if (!IsSafeRelativePath(e.Name)) ++damaged;
        if (e.Kind != int32_t(pck::kKindFile)) continue;
        if (e.Size <= 0 || e.PackedSize == e.Size) {
            // Stored bytes carry no checksum; they only have to be there.
            if (e.PackedSize > cursor.FileLength - cursor.Position) {
                ++damaged;
                cursor.Position = cursor.FileLength;
                continue;
            }
            cursor.Position += e.PackedSize;
            if (!FileSeek(file.get(), uint32_t(cursor.Position))) return -1;
        } else {
            std::unique_ptr<uint8_t[]> data;
            if (!DecodeEntryBlock(cursor, e, data)) ++damaged;
        }
        DrainEvents();
    }
    return damaged;
}

}  // namespace wb
