// Whether a Windows program carries an Authenticode certificate table: what a signing
// command must have added before wbpack reports a file as signed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb {

// True when the PE file's security directory names a certificate table that lies inside
// the file, after every section, and whose first entry is a revision 2 PKCS#7 signed-data
// certificate. Judging the signature itself is left to the signing tools and Windows.
bool CarriesCertificateTable(const uint8_t* data, size_t size) noexcept;

}  // namespace wb
