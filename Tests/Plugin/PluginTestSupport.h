// Shared helpers of the plug-in tests: files written by a test, a reader over one, the
// shared colour and style tables, and the shapes of what the readers return.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KtReadMAPGISFile.h"
#include "TestFiles.h"

namespace pt {

using Points = std::vector<KTX::PlxPoint2D>;

inline KTX::PlxUnicodeString U(const std::string& s) {
    return KTX::PlxUnicodeString::FromUtf8(s);
}
inline std::string Utf8(const KTX::PlxUnicodeString& s) {
    return s.ToUtf8();
}
// The lines, each ended.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& line : lines)
        s += line + "\n";
    return s;
}

// Colour index file: a title, the count, then per colour five lines of 16 fields whose
// fifth holds "No:number", then "K=", "C=", "M=" and "Y=" percentages, each bracketed.
struct Cmyk {
    int nID, nC, nM, nY, nK;
};
inline std::string ColorFile(const std::vector<Cmyk>& colors) {
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

// Fills the shared colour table (and style table when given); empties both when it goes,
// so no test sees another's tables.
class SharedTables {
public:
    SharedTables(const testfiles::TempDir& dir, std::initializer_list<Cmyk> colors,
                 const std::string& strStyles = "") {
        KTX::KtReadMAPGISFile tables;
        tables.LoadColorData(U(dir.Write("colors.clr", ColorFile(colors))), KTX::PLXCharsetUTF8);
        if (!strStyles.empty())
            tables.LoadStyleMapTable(U(dir.Write("styles.stt", strStyles)));
    }
    ~SharedTables() { KTX::KtReadMAPGISFile::ReleaseSharedTables(); }
};

// (C, M, Y, K) = (0,100,100,0) is pure red, (100,0,100,0) green, (100,100,0,0) blue.
constexpr KTX::PLXCOLOR kRed = KTX::PLXRGB(255, 0, 0);
constexpr KTX::PLXCOLOR kGreen = KTX::PLXRGB(0, 255, 0);
constexpr KTX::PLXCOLOR kBlue = KTX::PLXRGB(0, 0, 255);
constexpr std::initializer_list<Cmyk> kRgbColors = {
    {3, 0, 100, 100, 0}, {5, 100, 0, 100, 0}, {7, 100, 100, 0, 0}};

// The colour a style holds when its flag is set, else 0 (black is never expected).
inline KTX::PLXCOLOR ColorIf(bool bSet, KTX::PLXCOLOR cr) {
    return bSet ? cr : 0;
}

// A reader that has pre-read one file written by the test; the records go with it.
template <class Reader>
class PreRead {
public:
    ~PreRead() {
        for (KTX::tagFileIndex* p : index)
            delete p;
    }
    bool Read(const std::string& strText, const std::string& strName) {
        return reader.PreReadFile(U(dir.Write(strName, strText)), KTX::PLXCharsetUTF8, defn, index);
    }
    template <class Record>
    Record& At(int i) {
        return dynamic_cast<Record&>(*index[i]);
    }
    bool ReadItem(int i, KTX::KtFeature& feature, bool bCADMode = true) {
        if (i >= Count())
            return false;
        reader.m_bCADMode = bCADMode;
        return reader.ReadItemData(index[i], &feature);
    }
    int Count() const { return index.GetSize(); }

    testfiles::TempDir dir;
    Reader reader;
    KTX::KtFeatureClassDefn defn;
    KTX::PlxArray<KTX::tagFileIndex*> index;
};

// left, top, right, bottom.
inline std::vector<double> Bound(const KTX::PlxRect2D& rc) {
    return {rc.left, rc.top, rc.right, rc.bottom};
}

// The "RbUserID" value of a feature, -1 when it has none.
inline int UserID(const KTX::KtFeature& feature) {
    const KTX::PlxVariant* p = feature.GetValue(KTX::kUserIDFieldName);
    return p == nullptr || p->IsNull() ? -1 : p->ToInt();
}

// Refused-item log records of the reader source file named (e.g. "KtReadWatFile") since
// the last call; any other log record fails the test.
inline int TakeRefusedLogs(const std::string& strSource) {
    int n = 0;
    for (const KTX::KtLogRecord& r : KTX::KtLogFile::GetInstance(false)->TakeRecords()) {
        EXPECT_EQ(Utf8(r.strMessage), "IMe056");
        EXPECT_EQ(r.nLevel, 400);
        EXPECT_EQ(Utf8(r.strSourceFile), "..\\..\\..\\Src\\FileParserMAPGIS\\" + strSource);
        ++n;
    }
    return n;
}

// Every part of a line, every ring of a region, and of a compound every part's in turn, a
// point as a part of one point.
inline std::vector<Points> Parts(const KTX::KtGeometry* pGeometry) {
    std::vector<Points> parts;
    const auto addParts = [&parts](const auto* p) {
        for (int i = 0; i < p->GetSubCount(); ++i)
            parts.emplace_back(p->GetPoints(i), p->GetPoints(i) + p->GetSubPntCount(i));
    };
    if (const auto* pLine = dynamic_cast<const KTX::KtGeoLine*>(pGeometry)) {
        addParts(pLine);
    } else if (const auto* pRegion = dynamic_cast<const KTX::KtGeoRegion*>(pGeometry)) {
        addParts(pRegion);
    } else if (const auto* pPoint = dynamic_cast<const KTX::KtGeoPoint*>(pGeometry)) {
        parts.push_back({pPoint->GetPoint()});
    } else if (const auto* pCompound = dynamic_cast<const KTX::KtGeoCompound*>(pGeometry)) {
        for (int i = 0; i < pCompound->GetCount(); ++i) {
            for (Points& part : Parts(pCompound->GetAt(i)))
                parts.push_back(std::move(part));
        }
    }
    return parts;
}

inline void ExpectNear(const KTX::PlxPoint2D& p, double dX, double dY) {
    EXPECT_NEAR(p.x, dX, 1e-9);
    EXPECT_NEAR(p.y, dY, 1e-9);
}

// A laid-out piece of a text: a sub-text with its anchor, angle and style size, or a
// fraction bar ("bar") at its end point.
struct Piece {
    std::string text;
    double x, y;
    double h = 0, w = 0;  // text style height and width; 0 without a style
    double a = 0;
};

inline void AddPieces(const KTX::KtGeometry* pGeometry, std::vector<Piece>& pieces) {
    if (const auto* pText = dynamic_cast<const KTX::KtGeoText*>(pGeometry)) {
        const KTX::KtTextStyle* pStyle = pText->GetTextStyle();
        for (int i = 0; i < pText->GetSubCount(); ++i) {
            pieces.push_back({Utf8(pText->GetSub(i)->GetText()), pText->GetSubAnchor(i).x,
                              pText->GetSubAnchor(i).y, pStyle ? pStyle->GetHeight() : 0,
                              pStyle ? pStyle->GetWidth() : 0, pText->GetSub(i)->GetAngle()});
        }
    } else if (const auto* pCompound = dynamic_cast<const KTX::KtGeoCompound*>(pGeometry)) {
        for (int i = 0; i < pCompound->GetCount(); ++i)
            AddPieces(pCompound->GetAt(i), pieces);
    } else if (const auto* pLine = dynamic_cast<const KTX::KtGeoLine*>(pGeometry)) {
        const Points bar = Parts(pLine).at(0);
        pieces.push_back({"bar", bar.back().x, bar.back().y});
    }
}

inline void ExpectPieces(const KTX::KtGeometry* pGeometry, const std::vector<Piece>& expected) {
    std::vector<Piece> pieces;
    AddPieces(pGeometry, pieces);
    ASSERT_EQ(pieces.size(), expected.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE("piece " + std::to_string(i));
        EXPECT_EQ(pieces[i].text, expected[i].text);
        ExpectNear({pieces[i].x, pieces[i].y}, expected[i].x, expected[i].y);
        EXPECT_EQ(pieces[i].h, expected[i].h);
        EXPECT_EQ(pieces[i].w, expected[i].w);
        EXPECT_NEAR(pieces[i].a, expected[i].a, 1e-9);
    }
}

}  // namespace pt

// Building blocks of small area (.wap) and network (.wan) files.
namespace topo {

// The count of the lines, then the lines.
inline std::string Block(const std::vector<std::string>& lines) {
    return std::to_string(lines.size()) + "\n" + pt::Lines(lines);
}

// An arc of an area file: attribute line (9 fields), an unused pair, the areas on either
// side, the points and the identifier line.
inline std::string WapArc(const std::string& strAreas, const std::vector<std::string>& points,
                          int nID, const std::string& strAttr = "1,0,2,0.5,0,0,0,0,0") {
    return strAttr + "\n1,2\n" + strAreas + "\n" + Block(points) + std::to_string(nID) + ",0.0\n";
}

// An area: attribute line (11 fields: fill colour, pattern, -, -, -, pattern colour, -, -,
// identifier, -, -) and its arc references.
inline std::string WapArea(int nID, const std::vector<std::string>& refs, int nFillColor = 1,
                           int nPattern = 0, int nPatternColor = 0) {
    return std::to_string(nFillColor) + "," + std::to_string(nPattern) + ",0.0,0.0,0.0," +
           std::to_string(nPatternColor) + ",0,0," + std::to_string(nID) + ",0,0\n" + Block(refs);
}

// An arc of a network file; the third line's first field is the network line that draws it.
inline std::string WanArc(const std::vector<std::string>& points, int nID,
                          const std::string& strThird = "0,0,0",
                          const std::string& strAttr = "1,0,2,5,0,0,0,0,0") {
    return strAttr + "\n1,2\n" + strThird + "\n" + Block(points) + std::to_string(nID) + ",0.0\n";
}

// A node of a network file: coordinates, the count line and the reference lines.
inline std::string WanNode(const std::string& strXY, const std::string& strCount,
                           const std::vector<std::string>& refs) {
    return strXY + "\n" + strCount + "\n" + pt::Lines(refs);
}

// A network line: its first line (identifier in field 2) and its arc references.
inline std::string WanLine(const std::string& strFirst, const std::vector<std::string>& refs) {
    return strFirst + "\n" + Block(refs);
}

}  // namespace topo
