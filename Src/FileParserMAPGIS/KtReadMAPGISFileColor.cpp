// The colour index file: two header lines (a title, then the number of colours), then one
// five-line record per colour. In every record line the fifth comma-separated field holds a
// label and a number between one enclosing character on each side: "label:number" on the
// record's first line (the colour number), "label=number" on the four lines that follow
// (black, cyan, magenta and yellow percentages).
#include <cstdint>

#include "KoStream/KtFileStdio.h"
#include "KtReadMAPGISFile.h"

namespace KTX {

namespace {

constexpr int kColorFileFieldCount = 16;
constexpr int kColorFileValueField = 4;

// The number text of a record line: the fifth field without its enclosing characters, split
// at strSeparator into exactly a label and a number. False when the line is not of that form.
bool LabelledNumber(const PlxUnicodeString& strLine, const PlxUnicodeString& strSeparator,
                    PlxUnicodeString& strNumber) {
    PlxArray<PlxUnicodeString> arrFields;
    if (strLine.Split(arrFields, u",") != kColorFileFieldCount)
        return false;
    const PlxUnicodeString& strField = arrFields[kColorFileValueField];
    if (strField.GetLength() < 2)
        return false;
    const PlxUnicodeString strInner = strField.Mid(1, strField.GetLength() - 2);
    PlxArray<PlxUnicodeString> arrParts;
    if (strInner.Split(arrParts, strSeparator) != 2)
        return false;
    strNumber = arrParts[1];
    return true;
}

// A percentage line; the default stays when the line is malformed. Negative numbers wrap
// to very large percentages, as the table stores them unsigned.
void ReadPercentage(KtFileStdio& file, std::uint32_t& nValue) {
    PlxUnicodeString strLine;
    file.ReadLine(strLine);
    PlxUnicodeString strNumber;
    if (LabelledNumber(strLine, u"=", strNumber)) {
        nValue = static_cast<std::uint32_t>(ugatoi(strNumber));
    }
}

// One channel from its single-precision value: truncated toward zero, then clamped to a
// byte. A value beyond the signed 32-bit range has no integer to clamp and reads as 0.
int ToChannel(float fValue) {
    if (!(fValue >= -2147483648.0f && fValue < 2147483648.0f))
        return 0;
    const int nValue = static_cast<int>(fValue);
    if (nValue < 0)
        return 0;
    if (nValue > 255)
        return 255;
    return nValue;
}

}  // namespace

int KtReadMAPGISFile::LoadColorData(const PlxUnicodeString& strPath, PLXCharset eCharset) {
    m_ArrColorIndex.RemoveAll();

    if (!OpenStream(strPath, eCharset, OnOpenFailure::DeleteStream))
        return 0;

    PlxUnicodeString strLine;
    m_pFile->ReadLine(strLine);
    m_pFile->ReadLine(strLine);
    const int nCount = ugatoi(strLine);

    while (!m_pFile->IsEOF()) {
        m_pFile->ReadLine(strLine);
        PlxUnicodeString strNumber;
        if (!LabelledNumber(strLine, u":", strNumber))
            continue;

        tagColorIndex entry;
        entry.nItemID = ugatoi(strNumber);
        entry.nFilePos = 0;
        ReadPercentage(*m_pFile, entry.nBlack);
        ReadPercentage(*m_pFile, entry.nCyan);
        ReadPercentage(*m_pFile, entry.nMagenta);
        ReadPercentage(*m_pFile, entry.nYellow);
        m_ArrColorIndex.Add(entry);
    }

    m_pFile->Close();
    delete m_pFile;
    m_pFile = nullptr;
    m_bOpen = false;
    return nCount;
}

bool KtReadMAPGISFile::FindColorByID(int nColorID, std::int64_t& nColor) {
    for (const tagColorIndex& entry : m_ArrColorIndex) {
        if (entry.nItemID != nColorID)
            continue;

        const float c = static_cast<float>(entry.nCyan / 100.0);
        const float m = static_cast<float>(entry.nMagenta / 100.0);
        const float y = static_cast<float>(entry.nYellow / 100.0);
        const float k = static_cast<float>(entry.nBlack / 100.0);
        const float t = 1.0f - k;
        const int nRed = ToChannel((1.0f - (t * c + k)) * 255.0f);
        const int nGreen = ToChannel((1.0f - (t * m + k)) * 255.0f);
        const int nBlue = ToChannel((1.0f - (t * y + k)) * 255.0f);

        const PLXCOLOR cr = PLXRGB(static_cast<unsigned>(nRed), static_cast<unsigned>(nGreen),
                                   static_cast<unsigned>(nBlue));
        nColor = static_cast<std::int64_t>(static_cast<std::uint64_t>(cr));
        return true;
    }
    return false;
}

}  // namespace KTX
