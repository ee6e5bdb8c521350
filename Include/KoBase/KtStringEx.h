// A string that can load itself from the host's resource strings.
#pragma once

#include "KoBaseExport.h"
#include "PlxUnicodeString.h"

namespace KTX {

class KOBASE_API KtStringEx : public PlxUnicodeString {
public:
    KtStringEx() = default;

    // Replaces the text with the resource string of that identifier ("IMe056", "IMl001", ...)
    // and returns true; an unknown identifier leaves the text empty and returns false.
    bool LoadResString(const PlxUnicodeString& strID);
};

}  // namespace KTX
