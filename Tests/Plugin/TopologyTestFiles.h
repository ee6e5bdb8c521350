// Building blocks of small area (.wap) and network (.wan) files for the topology reader
// tests, and a holder for what a pre-read produces.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KoBase/PlxArray.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KtReadMAPGISFile.h"
#include "TestFiles.h"
#include "tagFileIndex.h"

namespace topotest {

// Lines joined, each ended by a line feed.
inline std::string Lines(std::initializer_list<std::string> lines) {
    std::string s;
    for (const std::string& line : lines)
        s += line + "\n";
    return s;
}

inline std::string PointLines(const std::vector<std::string>& points) {
    std::string s = std::to_string(points.size()) + "\n";
    for (const std::string& p : points)
        s += p + "\n";
    return s;
}

// An arc entry of an area file: attribute line (9 fields), an unused pair, the numbers of
// the areas on either side, the points and the identifier line.
inline std::string WapArc(const std::string& strAreas, const std::vector<std::string>& points,
                          int nID, const std::string& strAttr = "1,0,2,0.5,0,0,0,0,0") {
    return strAttr + "\n1,2\n" + strAreas + "\n" + PointLines(points) + std::to_string(nID) +
           ",0.0\n";
}

// An area entry: attribute line (11 fields; fill colour, pattern, pattern colour, id) and
// its arc references.
inline std::string WapArea(int nID, const std::vector<std::string>& refs, int nFillColor = 1,
                           int nPattern = 0, int nPatternColor = 0) {
    std::string s = std::to_string(nFillColor) + "," + std::to_string(nPattern) + ",0.0,0.0,0.0," +
                    std::to_string(nPatternColor) + ",0,0," + std::to_string(nID) + ",0,0\n";
    s += std::to_string(refs.size()) + "\n";
    for (const std::string& r : refs)
        s += r + "\n";
    return s;
}

// An arc entry of a network file; the third line's first field must be 0 for the arc to
// be drawn.
inline std::string WanArc(const std::vector<std::string>& points, int nID,
                          const std::string& strThird = "0,0,0",
                          const std::string& strAttr = "1,0,2,5,0,0,0,0,0") {
    return strAttr + "\n1,2\n" + strThird + "\n" + PointLines(points) + std::to_string(nID) +
           ",0.0\n";
}

// A node entry of a network file: coordinates, count line, reference lines.
inline std::string WanNode(const std::string& strXY, const std::string& strCount,
                           const std::vector<std::string>& refs) {
    std::string s = strXY + "\n" + strCount + "\n";
    for (const std::string& r : refs)
        s += r + "\n";
    return s;
}

// A network line entry: first line (identifier in field 2) and its arc references.
inline std::string WanLine(const std::string& strFirst, const std::vector<std::string>& refs) {
    std::string s = strFirst + "\n" + std::to_string(refs.size()) + "\n";
    for (const std::string& r : refs)
        s += r + "\n";
    return s;
}

// A colour index file: two header lines, then per colour a five-line record (number, then
// black, cyan, magenta and yellow percentages), each line of 16 fields.
struct Cmyk {
    int nID, nC, nM, nY, nK;
};
inline std::string ColorFile(std::initializer_list<Cmyk> colors) {
    const auto line = [](const std::string& strField) {
        return "a,b,c,d,[" + strField + "],f,g,h,i,j,k,l,m,n,o,p\n";
    };
    std::string s = "colour table\n" + std::to_string(colors.size()) + "\n";
    for (const Cmyk& c : colors) {
        s += line("No:" + std::to_string(c.nID)) + line("K=" + std::to_string(c.nK)) +
             line("C=" + std::to_string(c.nC)) + line("M=" + std::to_string(c.nM)) +
             line("Y=" + std::to_string(c.nY));
    }
    return s;
}

// Loads colour and style tables into the reader base for one test and empties them after.
class SharedTables {
public:
    SharedTables(const testfiles::TempDir& dir, const std::string& strColors,
                 const std::string& strStyles) {
        KTX::KtReadMAPGISFile tables;
        tables.LoadColorData(KTX::PlxUnicodeString::FromUtf8(dir.Write("colors.txt", strColors)),
                             KTX::PLXCharsetUTF8);
        tables.LoadStyleMapTable(
            KTX::PlxUnicodeString::FromUtf8(dir.Write("styles.stt", strStyles)));
    }
    ~SharedTables() { KTX::KtReadMAPGISFile::ReleaseSharedTables(); }
    SharedTables(const SharedTables&) = delete;
    SharedTables& operator=(const SharedTables&) = delete;
};

// A reader with what its pre-read of one written file produced; the records are deleted
// with the holder.
template <class Reader>
class PreRead {
public:
    ~PreRead() {
        for (KTX::tagFileIndex* p : index)
            delete p;
    }
    bool Read(const std::string& strText, const std::string& strExt) {
        m_strPath = m_dir.Write("t" + strExt, strText);
        return reader.PreReadFile(KTX::PlxUnicodeString::FromUtf8(m_strPath), KTX::PLXCharsetUTF8,
                                  defn, index);
    }
    template <class Record>
    const Record& At(int i) const {
        return dynamic_cast<const Record&>(*index[i]);
    }
    const std::string& Path() const { return m_strPath; }
    const testfiles::TempDir& Dir() const { return m_dir; }

    Reader reader;
    KTX::KtFeatureClassDefn defn;
    KTX::PlxArray<KTX::tagFileIndex*> index;

private:
    testfiles::TempDir m_dir;
    std::string m_strPath;
};

// Log records of refused items written since the last call.
inline int TakeRefusedItemLogs() {
    int n = 0;
    for (const KTX::KtLogRecord& r : KTX::KtLogFile::GetInstance(false)->TakeRecords()) {
        if (r.strMessage == KTX::PlxUnicodeString(KTX::kRefusedItemMessage) &&
            r.nLevel == KTX::kRefusedItemLogLevel &&
            r.strSourceFile ==
                KTX::PlxUnicodeString(u"..\\..\\..\\Src\\FileParserMAPGIS\\KtReadTopologyFile")) {
            ++n;
        }
    }
    return n;
}

// Byte offset of a line in a file's text, found from the text itself.
inline int OffsetOf(const std::string& strText, const std::string& strLine) {
    const size_t nPos = strText.find("\n" + strLine + "\n");
    return nPos == std::string::npos ? -1 : static_cast<int>(nPos + 1);
}

}  // namespace topotest
