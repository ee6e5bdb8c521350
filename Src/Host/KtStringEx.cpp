// The host's resource strings: message texts of the import log and the font faces that
// stand for MAPGIS font numbers.
#include "KtStringEx.h"

#include <iterator>

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

bool KtStringEx::LoadResString(const PlxUnicodeString& strID) {
    for (const ResString& res : kResStrings) {
        if (strID == PlxUnicodeString(res.pszID)) {
            *static_cast<PlxUnicodeString*>(this) = PlxUnicodeString(res.pszText);
            return true;
        }
    }
    Empty();
    return false;
}

}  // namespace KTX
