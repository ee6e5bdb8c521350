// Decodes one line of bytes in a file's charset into UTF-16.
#pragma once

#include <cstddef>
#include "PlxTypes.h"
#include "PlxUnicodeString.h"

namespace KTX {

class KtCharsetDecoder {
public:
    KtCharsetDecoder() = default;
    ~KtCharsetDecoder();
    KtCharsetDecoder(const KtCharsetDecoder&) = delete;
    KtCharsetDecoder& operator=(const KtCharsetDecoder&) = delete;

    // Prepares decoding from eCharset; false for a charset the host does not know.
    bool Init(PLXCharset eCharset);
    // Replaces strOut with the decoded bytes; each byte that is not valid in the charset
    // becomes one U+FFFD.
    void Decode(const char* p, std::size_t n, PlxUnicodeString& strOut);

private:
    // Two-byte characters of a Chinese charset by lead and trail byte; 0 where the pair is not
    // one plain character (iconv then decides).
    struct DoubleByteTable;
    static const DoubleByteTable* TableOf(PLXCharset eCharset);

    void DecodeMultiByte(const char* p, std::size_t n, PlxUnicodeString& strOut);
    void Release();

    PLXCharset m_eCharset = PLXCharsetUTF8;
    void* m_pIconv = nullptr;  // an iconv_t for the Chinese charsets
    const DoubleByteTable* m_pTable = nullptr;
};

}  // namespace KTX
