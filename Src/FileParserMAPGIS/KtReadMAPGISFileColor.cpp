// The colour index file: two header lines (a title, then the number of colours), then one
// five-line record per colour. In every record line the fifth comma-separated field holds a
// label and a number between one enclosing character on each side: "label:number" on the
// record's first line (the colour number), "label=number" on the four lines that follow
// (black, cyan, magenta and yellow percentages).
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

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

// Colour numbers and the table position of their first entry, ordered by number: every
// item with a colour looks its number up, and a MAPGIS colour library holds a thousand
// colours or more. Rebuilt whenever the table changes.
std::vector<std::pair<int, int>>& ColorLookup() {
    static std::vector<std::pair<int, int>> lookup;
    return lookup;
}

}  // namespace

void KtReadMAPGISFile::IndexColorData() {
    std::vector<std::pair<int, int>>& lookup = ColorLookup();
    lookup.clear();
    lookup.reserve(static_cast<std::size_t>(m_ArrColorIndex.GetSize()));
    for (int i = 0; i < m_ArrColorIndex.GetSize(); ++i)
        lookup.emplace_back(m_ArrColorIndex[i].nItemID, i);
    // Stable, so that of equal numbers the first entry comes first and is the one kept.
    std::stable_sort(lookup.begin(), lookup.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    lookup.erase(std::unique(lookup.begin(), lookup.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 lookup.end());
}

int KtReadMAPGISFile::LoadColorData(const PlxUnicodeString& strPath, PLXCharset eCharset) {
    m_ArrColorIndex.RemoveAll();
    IndexColorData();

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
    IndexColorData();
    return nCount;
}

bool KtReadMAPGISFile::FindColorByID(int nColorID, std::int64_t& nColor) {
    const std::vector<std::pair<int, int>>& lookup = ColorLookup();
    const auto it = std::lower_bound(
        lookup.begin(), lookup.end(), nColorID,
        [](const std::pair<int, int>& entry, int nID) { return entry.first < nID; });
    if (it != lookup.end() && it->first == nColorID && it->second < m_ArrColorIndex.GetSize()) {
        const tagColorIndex& entry = m_ArrColorIndex[it->second];

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

void KtReadMAPGISFile::ReleaseColorData() {
    m_ArrColorIndex.RemoveAll();
    IndexColorData();
}

}  // namespace KTX
