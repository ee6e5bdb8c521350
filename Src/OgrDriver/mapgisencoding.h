// The charset an exchange file is read in, from the ENCODING open option.
#pragma once

#include <string>

#include "KoBase/PlxTypes.h"

namespace mapgis {

// Charset for an ENCODING value (AUTO, GBK, GB18030, UTF-8; case ignored). AUTO looks at the
// file: UTF-8 when every byte sequence in it is valid UTF-8, else GB18030, the charset MAPGIS
// writes. False for an unknown value.
bool CharsetFromOption(const std::string& strValue, const std::string& strPath,
                       KTX::PLXCharset* peCharset);

// Whether the whole file is valid UTF-8 (an unreadable file counts as not).
bool IsFileUtf8(const std::string& strPath);

}  // namespace mapgis
