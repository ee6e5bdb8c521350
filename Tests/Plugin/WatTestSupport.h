// Shared helpers of the point file reader tests: access to the reader's protected and private
// operations, a reader over a file written by the test, and a colour index file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KtReadWatFile.h"
#include "TestFiles.h"

namespace KTX {

struct KtReadWatFileTestAccess {
    using Cells = PlxArray<tagTextCell*>;

    static bool CanConversionText(const KtReadWatFile& r, const PlxUnicodeString& s) {
        return r.CanConversionText(s);
    }
    static int ConversionText(const KtReadWatFile& r, const PlxUnicodeString& s, double x, double y,
                              double h, double w, double sp, double a, Cells& c) {
        return r.ConversionText(s, x, y, h, w, sp, a, c);
    }
    static int ExcuteText01(const KtReadWatFile& r, const PlxUnicodeString& s, int iGroup,
                            int iBase, double& x, double& y, double h, double w, double sp,
                            double a, Cells& c) {
        return r.ExcuteText01(s, iGroup, iBase, x, y, h, w, sp, a, c);
    }
    static int ExcuteText02(const KtReadWatFile& r, const PlxUnicodeString& s, int iGroup,
                            int iBase, double& x, double& y, double h, double w, double sp,
                            double a, Cells& c) {
        return r.ExcuteText02(s, iGroup, iBase, x, y, h, w, sp, a, c);
    }
    static void ExcuteText03(const KtReadWatFile& r, const PlxUnicodeString& s, double x, double y,
                             double h, double w, double sp, double a, Cells& c) {
        r.ExcuteText03(s, x, y, h, w, sp, a, c);
    }
    static int ExcuteText04(const KtReadWatFile& r, const PlxUnicodeString& s, double x, double y,
                            double h, double w, double sp, double a, Cells& c) {
        return r.ExcuteText04(s, x, y, h, w, sp, a, c);
    }
    static int ExcuteText05(const KtReadWatFile& r, const PlxUnicodeString& s, double& x, double& y,
                            double h, double w, double sp, double a, Cells& c) {
        return r.ExcuteText05(s, x, y, h, w, sp, a, c);
    }
    static PlxPoint2D RatotePoint2D(const KtReadWatFile& r, const PlxPoint2D& c,
                                    const PlxPoint2D& p, double a) {
        return r.RatotePoint2D(c, p, a);
    }
    static PlxUnicodeString MAPGISFont2KTXFont(const KtReadWatFile& r, int n) {
        return r.MAPGISFont2KTXFont(n);
    }
    static int PrevProcessFileData(KtReadWatFile& r, int nPos, PlxUnicodeString& strLine) {
        return r.PrevProcessFileData(nPos, strLine);
    }
};

}  // namespace KTX

namespace wattest {

// Owns the pieces a layout operation appended.
struct CellList {
    KTX::PlxArray<KTX::tagTextCell*> arr;
    CellList() = default;
    CellList(const CellList&) = delete;
    CellList& operator=(const CellList&) = delete;
    ~CellList() {
        for (KTX::tagTextCell* p : arr)
            delete p;
    }
    const KTX::tagTextCell& operator[](int i) const { return *arr[i]; }
    int Size() const { return arr.GetSize(); }
};

inline std::string Utf8(const KTX::PlxUnicodeString& s) {
    return s.ToUtf8();
}
inline KTX::PlxUnicodeString U(const std::string& s) {
    return KTX::PlxUnicodeString::FromUtf8(s);
}

// A colour entry of the index file: number and CMYK percentages.
struct ColorEntry {
    int nNumber;
    int nCyan, nMagenta, nYellow, nBlack;
};

// Colour index file text: two header lines, then per colour a number line and the black,
// cyan, magenta and yellow lines, each with 16 comma-separated fields whose fifth carries
// "<label:number>" or "<label=value>" between one enclosing character on each side.
inline std::string ColorFileText(const std::vector<ColorEntry>& entries) {
    auto line = [](const std::string& field) {
        return "0,0,0,0," + field + ",0,0,0,0,0,0,0,0,0,0,0\n";
    };
    std::string text = "MAPGIS colour table\n" + std::to_string(entries.size()) + "\n";
    for (const ColorEntry& e : entries) {
        text += line("[No:" + std::to_string(e.nNumber) + "]");
        text += line("[K=" + std::to_string(e.nBlack) + "]");
        text += line("[C=" + std::to_string(e.nCyan) + "]");
        text += line("[M=" + std::to_string(e.nMagenta) + "]");
        text += line("[Y=" + std::to_string(e.nYellow) + "]");
    }
    return text;
}

// Colours every reader test may rely on: 3 red, 5 green, 7 blue.
inline void LoadTestColors(const testfiles::TempDir& dir) {
    const std::string path =
        dir.Write("colors.txt",
                  ColorFileText({{3, 0, 100, 100, 0}, {5, 100, 0, 100, 0}, {7, 100, 100, 0, 0}}));
    KTX::KtReadMAPGISFile tables;
    ASSERT_EQ(tables.LoadColorData(U(path), KTX::PLXCharsetUTF8), 3);
}

constexpr KTX::PLXCOLOR kRed = KTX::PLXRGB(255, 0, 0);
constexpr KTX::PLXCOLOR kGreen = KTX::PLXRGB(0, 255, 0);
constexpr KTX::PLXCOLOR kBlue = KTX::PLXRGB(0, 0, 255);

// A reader that has pre-read a point file written by the test.
class WatFile {
public:
    // keptTypes: those of a typed layer (SetKeptTypes), none for the compound layer.
    WatFile(const testfiles::TempDir& dir, const std::string& text,
            const std::string& name = "items.wat", std::vector<int> keptTypes = {}) {
        m_path = dir.Write(name, text);
        m_reader.SetKeptTypes(std::move(keptTypes));
        m_bPreRead = m_reader.PreReadFile(U(m_path), KTX::PLXCharsetUTF8, m_defn, m_index);
    }
    ~WatFile() {
        for (KTX::tagFileIndex* p : m_index)
            delete p;
    }
    WatFile(const WatFile&) = delete;
    WatFile& operator=(const WatFile&) = delete;

    bool PreRead() const { return m_bPreRead; }
    KTX::KtReadWatFile& Reader() { return m_reader; }
    const KTX::KtFeatureClassDefn& Defn() const { return m_defn; }
    KTX::PlxArray<KTX::tagFileIndex*>& Index() { return m_index; }
    int Count() const { return m_index.GetSize(); }
    const std::string& Path() const { return m_path; }

    // Reads record i into a new feature; bOk receives the reader's answer.
    std::unique_ptr<KTX::KtFeature> Read(int i, bool bCADMode, bool& bOk) {
        auto pFeature = std::make_unique<KTX::KtFeature>();
        m_reader.m_bCADMode = bCADMode;
        bOk = m_reader.ReadItemData(m_index[i], pFeature.get());
        return pFeature;
    }

private:
    std::string m_path;
    KTX::KtReadWatFile m_reader;
    KTX::KtFeatureClassDefn m_defn;
    KTX::PlxArray<KTX::tagFileIndex*> m_index;
    bool m_bPreRead = false;
};

// A point file with the given records, each a line of its own.
inline std::string WatText(const std::vector<std::string>& records) {
    std::string text = "MAPGIS point file\n" + std::to_string(records.size()) + "\n";
    for (const std::string& r : records)
        text += r + "\n";
    return text;
}

inline int UserID(const KTX::KtFeature& f) {
    const KTX::PlxVariant* p = f.GetValue(KTX::PlxUnicodeString(KTX::kUserIDFieldName));
    return p == nullptr ? -99999 : p->ToInt();
}

inline void ExpectRefusedLogs(int nCount) {
    const std::vector<KTX::KtLogRecord> records = KTX::KtLogFile::GetInstance(false)->GetRecords();
    ASSERT_EQ(static_cast<int>(records.size()), nCount);
    for (const KTX::KtLogRecord& r : records) {
        EXPECT_EQ(r.nLevel, 400);
        EXPECT_EQ(Utf8(r.strMessage), "IMe056");
        EXPECT_EQ(Utf8(r.strSourceFile), "..\\..\\..\\Src\\FileParserMAPGIS\\KtReadWatFile");
        EXPECT_GT(r.nSourceLine, 0);
    }
}

}  // namespace wattest
