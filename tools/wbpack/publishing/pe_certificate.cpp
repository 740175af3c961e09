// Reads a PE file's security directory and the first entry of its certificate table.
#include "wbpack/publishing/pe_certificate.h"

#include "package/package_locator.h"
#include "platform/text.h"

namespace wb {

namespace {

constexpr uint16_t kRevision2 = 0x0200;
constexpr uint16_t kPkcsSignedData = 0x0002;
constexpr size_t kCertificateHeader = 8;  // length, revision, type

}  // namespace

bool CarriesCertificateTable(const uint8_t* data, size_t size) noexcept {
    // The headers are read as the installer reads them, so wbpack and the stub agree on
    // where a signed setup's table is.
    PeFacts pe;
    if (ReadPeInMemory(data, size, pe) != PeKind::Signed || pe.TableSize < kCertificateHeader) {
        return false;
    }
    const uint8_t* entry = data + pe.TableOffset;
    const uint32_t length = ReadLe32(entry);
    return length > kCertificateHeader && length <= pe.TableSize &&
           ReadLe16(entry + 4) == kRevision2 && ReadLe16(entry + 6) == kPkcsSignedData &&
           entry[kCertificateHeader] == 0x30;  // DER SEQUENCE
}

}  // namespace wb
