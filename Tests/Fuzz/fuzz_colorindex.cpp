// Fuzzes the colour index file: the load into the colour table and the lookups of colour
// numbers, those written in the file and a range around the usual ones.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "KtReadMAPGISFile.h"

namespace {

void Lookup(int nColorID) {
    constexpr std::int64_t kUntouched = -12345;
    std::int64_t nColor = kUntouched;
    if (KTX::KtReadMAPGISFile::FindColorByID(nColorID, nColor)) {
        fuzzinput::Require(nColor >= 0 && nColor <= 0xFFFFFF,
                           "a colour is packed red, green, blue");
    } else {
        fuzzinput::Require(nColor == kUntouched, "a missing colour leaves the value alone");
    }
}

}  // namespace

// The first byte picks the charset; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize == 0)
        return 0;
    const std::string strPath = fuzzinput::WriteTempFile("colors.clr", pData + 1, nSize - 1);
    KTX::KtReadMAPGISFile tables;
    tables.LoadColorData(KTX::PlxUnicodeString::FromUtf8(strPath), fuzzinput::CharsetOf(pData[0]));
    for (int nID = -3; nID <= 300; ++nID)
        Lookup(nID);
    for (int nID : {-2147483647 - 1, 2147483647, 65535, 65536, 1000000})
        Lookup(nID);
    return 0;
}
