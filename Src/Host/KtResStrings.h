// Lookup in the host's resource string table.
#pragma once

namespace KTX {

// The text of a resource identifier, or null. The table is static: the result needs no
// allocation, which the crash routine relies on.
const char16_t* FindResString(const char16_t* pszID, int nLength);

}  // namespace KTX
