// Fuzzes the host's line stream: decoding in every charset, reading to the end, and
// returning to a remembered position, which must give the same line again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "KoStream/KtFileStdio.h"

namespace {

// A charset the stream does not know must be refused, not guessed.
constexpr KTX::PLXCharset kUnknownCharset = static_cast<KTX::PLXCharset>(936);

struct Line {
    std::int64_t nPosition;
    std::u16string strText;
};

}  // namespace

// The first byte picks the charset (bits 0 and 1; bit 2 an unknown one) and the read buffer
// (bits 3 to 7, 512 to 2496 bytes, so that lines cross buffer ends); the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize == 0)
        return 0;
    const std::string strPath = fuzzinput::WriteTempFile("lines.txt", pData + 1, nSize - 1);
    const bool bUnknown = (pData[0] & 4) != 0;
    const KTX::PLXCharset eCharset = bUnknown ? kUnknownCharset : fuzzinput::CharsetOf(pData[0]);
    const int nBufferSize = 512 + 64 * (pData[0] >> 3);
    const auto nFileSize = static_cast<std::int64_t>(nSize - 1);

    KTX::KtFileStdio file;
    const bool bOpen = file.Open(KTX::PlxUnicodeString::FromUtf8(strPath), KTX::KTFILE_READ,
                                 nBufferSize, eCharset);
    fuzzinput::Require(bOpen != bUnknown, "known charsets open, unknown ones are refused");
    if (!bOpen)
        return 0;
    fuzzinput::Require(file.GetLength() == nFileSize, "the length is the file's");

    std::vector<Line> lines;
    KTX::PlxUnicodeString strLine;
    for (;;) {
        const std::int64_t nPosition = file.GetPosition();
        fuzzinput::Require(nPosition >= 0 && nPosition <= nFileSize, "the position is in the file");
        fuzzinput::Require(file.IsEOF() == (nPosition == nFileSize), "end of file at the end");
        if (!file.ReadLine(strLine)) {
            fuzzinput::Require(strLine.IsEmpty(), "no line past the end");
            break;
        }
        fuzzinput::Require(file.GetPosition() > nPosition, "every line takes bytes");
        lines.push_back({nPosition, std::u16string(strLine.GetString(), strLine.GetLength())});
    }

    // Back to every remembered line, last first, then in file order.
    for (std::size_t i = lines.size(); i-- > 0;) {
        fuzzinput::Require(file.SetPosition(lines[i].nPosition, KTX::KTFILE_BEGIN),
                           "back to a line");
        fuzzinput::Require(file.GetPosition() == lines[i].nPosition, "the position is kept");
        fuzzinput::Require(file.ReadLine(strLine), "a remembered line is read again");
        fuzzinput::Require(
            std::u16string(strLine.GetString(), strLine.GetLength()) == lines[i].strText,
            "a remembered position gives the same line");
        if (i + 1 < lines.size())
            fuzzinput::Require(file.GetPosition() == lines[i + 1].nPosition,
                               "the next line follows");
    }
    fuzzinput::Require(!file.SetPosition(nFileSize + 1, KTX::KTFILE_BEGIN),
                       "no position past the end");
    fuzzinput::Require(!file.SetPosition(-1, KTX::KTFILE_BEGIN), "no position before the start");
    file.Close();
    fuzzinput::Require(!file.IsOpen(), "Close closes");
    return 0;
}
