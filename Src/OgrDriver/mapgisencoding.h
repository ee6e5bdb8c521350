// The charset an exchange file is read in, from the ENCODING open option.
#pragma once

#include <string>

#include "KoBase/PlxTypes.h"

namespace mapgis {

// Charset for an ENCODING value (AUTO, GBK, GB18030, UTF-8; case ignored). AUTO looks at the
// start of the file: UTF-8 when it holds UTF-8 characters beyond ASCII and no byte sequence
// that is not UTF-8, else GB18030, the charset MAPGIS writes. False for an unknown value.
bool CharsetFromOption(const std::string& strValue, const std::string& strPath,
                       KTX::PLXCharset* peCharset);

// Whether the file reads as UTF-8: valid, with characters beyond ASCII, judged on its first
// 4096 such characters or its first 16 MiB, whichever ends first (an unreadable file counts
// as not).
bool IsFileUtf8(const std::string& strPath);

}  // namespace mapgis
