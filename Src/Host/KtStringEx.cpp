// The host's resource strings: message texts of the import log and the font faces that
// stand for MAPGIS font numbers.
#include "KtStringEx.h"

#include <string_view>

#include "KtResStrings.h"

namespace KTX {

namespace {

struct ResString {
    const char16_t* pszID;
    const char16_t* pszText;
};

constexpr ResString kResStrings[] = {
    {u"IMe056",
     u"An item of the exchange file was refused: a record does not have the expected number "
     u"of fields or does not match the rest of the file."},
    // MAPGIS font 0 and 1 (the Song face), 2 (the bold Hei face), 4 and 5.
    {u"IMl001", u"SimSun"},
    {u"IMl002", u"SimHei"},
    {u"IMl004", u"FangSong"},
    {u"IMl005", u"KaiTi"},
};

}  // namespace

const char16_t* FindResString(const char16_t* pszID, int nLength) {
    if (pszID == nullptr || nLength <= 0)
        return nullptr;
    const std::u16string_view id(pszID, static_cast<size_t>(nLength));
    for (const ResString& res : kResStrings) {
        if (id == res.pszID)
            return res.pszText;
    }
    return nullptr;
}

bool KtStringEx::LoadResString(const PlxUnicodeString& strID) {
    const char16_t* pszText = FindResString(strID.GetString(), strID.GetLength());
    if (pszText == nullptr) {
        Empty();
        return false;
    }
    *static_cast<PlxUnicodeString*>(this) = PlxUnicodeString(pszText);
    return true;
}

}  // namespace KTX
