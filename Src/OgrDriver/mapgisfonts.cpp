// The shipped font table and the users' font tables.
#include "mapgisfonts.h"

#include "cpl_string.h"
#include "cpl_vsi.h"

namespace mapgis {

namespace {

// Faces by their Chinese names and by the names the reader gives them.
constexpr const char* kShipped[][2] = {
    {"宋体", "AR PL UMing CN"},        {"SimSun", "AR PL UMing CN"},
    {"仿宋", "AR PL UMing CN"},        {"FangSong", "AR PL UMing CN"},
    {"仿宋_GB2312", "AR PL UMing CN"}, {"楷体", "AR PL UKai CN"},
    {"KaiTi", "AR PL UKai CN"},        {"楷体_GB2312", "AR PL UKai CN"},
    {"黑体", "WenQuanYi Zen Hei"},     {"SimHei", "WenQuanYi Zen Hei"},
};

std::string Trimmed(const std::string& s) {
    const size_t nStart = s.find_first_not_of(" \t\r");
    if (nStart == std::string::npos)
        return std::string();
    return s.substr(nStart, s.find_last_not_of(" \t\r") - nStart + 1);
}

}  // namespace

FontTable::FontTable() {
    for (const auto& entry : kShipped)
        m_families[entry[0]] = entry[1];
}

bool FontTable::AddLine(const std::string& strLine, std::string* pstrWhy) {
    const std::string strEntry = Trimmed(strLine.substr(0, strLine.find('#')));
    if (strEntry.empty())
        return true;
    if (!CPLIsUTF8(strEntry.c_str(), -1)) {
        *pstrWhy = "not UTF-8";
        return false;
    }
    const size_t nEquals = strEntry.find('=');
    const std::string strFace =
        nEquals == std::string::npos ? std::string() : Trimmed(strEntry.substr(0, nEquals));
    const std::string strFamily =
        nEquals == std::string::npos ? std::string() : Trimmed(strEntry.substr(nEquals + 1));
    if (strFace.empty() || strFamily.empty() || strFamily.find('=') != std::string::npos) {
        *pstrWhy = "expected face=family, got \"" + strEntry + "\"";
        return false;
    }
    m_families[strFace] = strFamily;
    return true;
}

bool FontTable::Load(const std::string& strPath, std::string* pstrError) {
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "rb");
    if (fp == nullptr) {
        *pstrError = strPath + ": cannot be read";
        return false;
    }
    bool bOk = true;
    int nLine = 0;
    while (const char* pszLine = CPLReadLine2L(fp, -1, nullptr)) {
        ++nLine;
        std::string strWhy;
        std::string strText = pszLine;
        // A byte order mark is the charset's, not the first entry's.
        if (nLine == 1 && strText.compare(0, 3, "\xEF\xBB\xBF") == 0)
            strText.erase(0, 3);
        if (!AddLine(strText, &strWhy)) {
            *pstrError = strPath + ":" + std::to_string(nLine) + ": " + strWhy;
            bOk = false;
            break;
        }
    }
    VSIFCloseL(fp);
    return bOk;
}

bool CheckFontMap(const std::string& strPath, std::string* pstrError) {
    FontTable fonts;
    return fonts.Load(strPath, pstrError);
}

const std::string& FontTable::Family(const std::string& strFace) const {
    const auto it = m_families.find(strFace);
    return it != m_families.end() ? it->second : strFace;
}

}  // namespace mapgis
