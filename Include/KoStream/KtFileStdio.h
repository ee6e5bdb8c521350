// Buffered text file stream: line reading with charset decoding and byte positions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxTypes.h"
#include "../KoBase/PlxUnicodeString.h"

namespace KTX {

// Directions of Open.
enum KtFileDirection : int {
    KTFILE_WRITE = 1,  // not supported by this stream: Open fails
    KTFILE_READ = 2,
};

// Whence of SetPosition.
enum KtFileWhence : int {
    KTFILE_BEGIN = 0,
    KTFILE_CURRENT = 1,
    KTFILE_END = 2,
};

class KOBASE_API KtFileStdio {
public:
    KtFileStdio();
    ~KtFileStdio();
    KtFileStdio(const KtFileStdio&) = delete;
    KtFileStdio& operator=(const KtFileStdio&) = delete;

    // Opens a regular file for reading (nDirection KTFILE_READ) with a read buffer of
    // nBufferSize bytes (the host's usual 8192; values below 512 are raised to it) and the
    // charset its text is decoded from. False when the file cannot be read, is not a regular
    // file, or the direction is not KTFILE_READ. An open stream is closed first.
    bool Open(const PlxUnicodeString& strPath, int nDirection, int nBufferSize,
              PLXCharset eCharset);
    void Close();
    bool IsOpen() const;

    // Reads the next line into strLine without its "\n" or "\r\n" and decodes it to UTF-16;
    // bytes that are not valid in the charset become U+FFFD each, the rest of the line is
    // kept. A UTF-8 byte order mark at the start of the file is skipped. Returns false, with
    // an empty line, when no byte is left.
    bool ReadLine(PlxUnicodeString& strLine);
    // True once no byte is left to read.
    bool IsEOF() const;

    // Byte offset of the next byte to read.
    std::int64_t GetPosition() const;
    // Moves to a byte offset (nWhence a KtFileWhence); false, and the position unchanged,
    // when the result lies outside the file.
    bool SetPosition(std::int64_t nOffset, int nWhence);
    std::int64_t GetLength() const;

    PLXCharset GetCharset() const;
    const PlxUnicodeString& GetPathName() const;
    // A number that names this opening of the stream: no other opening of any stream of the
    // process has had it. 0 while the stream is closed. Lets a reader keep what it read at
    // a position for as long as that opening lasts.
    std::uint64_t GetOpenSerial() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

}  // namespace KTX
