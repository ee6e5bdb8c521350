// KtStyleMapMgr: the table format, lookups in both directions, refusal of malformed tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KtFile.h"
#include "KtLogFile.h"
#include "KtStyleMapMgr.h"
#include "TestFiles.h"

using KTX::KtFillStyleParam;
using KTX::KtLineStyleParam;
using KTX::KtStyleMapMgr;
using KTX::KtSymbolParam;
using KTX::PlxUnicodeString;

namespace {

PlxUnicodeString U(const std::string& s) {
    return PlxUnicodeString::FromUtf8(s);
}

// The host number an import lookup answers, or "-" for no mapping.
std::u16string Line(const KtStyleMapMgr& mgr, const char16_t* pszKey, bool bImport = true) {
    KtLineStyleParam q;
    q.m_strKey = pszKey;
    const KtLineStyleParam* p = mgr.GetLineStyle(q, bImport);
    return p == nullptr ? u"-" : p->m_strKey.Str();
}

std::u16string Fill(const KtStyleMapMgr& mgr, const char16_t* pszKey, bool bImport = true) {
    KtFillStyleParam q;
    q.m_strKey = pszKey;
    const KtFillStyleParam* p = mgr.GetFillStyle(q, bImport);
    return p == nullptr ? u"-" : p->m_strKey.Str();
}

std::u16string Symbol(const KtStyleMapMgr& mgr, const char16_t* pszGroup, const char16_t* pszKey,
                      bool bImport = true) {
    KtSymbolParam q;
    q.m_strGroup = pszGroup;
    q.m_strKey = pszKey;
    const KtSymbolParam* p = mgr.GetSymbolStyle(q, bImport);
    return p == nullptr ? u"-" : p->m_strKey.Str();
}

class StyleMap : public ::testing::Test {
protected:
    void TearDown() override { KTX::KtLogFile::GetInstance(true); }
    KtStyleMapMgr m_mgr;
    testfiles::TempDir m_dir;
};

TEST_F(StyleMap, SmallTableImportLookups) {
    ASSERT_EQ(m_mgr.Open(U(testfiles::DataFile("host/stylemap-small.stt"))), 1);
    EXPECT_TRUE(m_mgr.IsOpen());
    EXPECT_EQ(Line(m_mgr, u"7"), u"2");
    EXPECT_EQ(Line(m_mgr, u"-3"), u"5");
    EXPECT_EQ(Line(m_mgr, u"8"), u"2");
    EXPECT_EQ(Line(m_mgr, u"11"), u"0");
    EXPECT_EQ(Line(m_mgr, u"3"), u"-");
    EXPECT_EQ(Line(m_mgr, u"0"), u"-");
    EXPECT_EQ(Line(m_mgr, u"abc"), u"-");
    EXPECT_EQ(Line(m_mgr, u""), u"-");
    EXPECT_EQ(Line(m_mgr, u"7x"), u"-");
    // The key is a number: its spelling does not matter.
    EXPECT_EQ(Line(m_mgr, u"07"), u"2");
    EXPECT_EQ(Line(m_mgr, u" +7 "), u"2");
    EXPECT_EQ(Fill(m_mgr, u"0"), u"0");
    EXPECT_EQ(Fill(m_mgr, u"4"), u"5");
    EXPECT_EQ(Fill(m_mgr, u"7"), u"-");  // a line number is no fill number
    EXPECT_EQ(Symbol(m_mgr, u"Custom Symbols", u"7"), u"8");
    EXPECT_EQ(Symbol(m_mgr, u"Custom Symbols", u"1"), u"2");
    EXPECT_EQ(Symbol(m_mgr, u"Other Library", u"7"), u"4");
    EXPECT_EQ(Symbol(m_mgr, u"Other Library", u"1"), u"-");
    EXPECT_EQ(Symbol(m_mgr, u"custom symbols", u"7"), u"-");
    EXPECT_EQ(Symbol(m_mgr, u"", u"7"), u"-");
}

TEST_F(StyleMap, AnswersCarryTheDescription) {
    ASSERT_EQ(m_mgr.Open(U(testfiles::DataFile("host/stylemap-small.stt"))), 1);
    KtLineStyleParam q;
    q.m_strKey = u"-3";
    const KtLineStyleParam* p = m_mgr.GetLineStyle(q, true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_strName.Str(), u"negative number, tab before the description");
    q.m_strKey = u"11";
    p = m_mgr.GetLineStyle(q, true);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->m_strName.IsEmpty());
    KtSymbolParam s;
    s.m_strKey = u"7";
    s.m_strGroup = u"Other Library";
    const KtSymbolParam* ps = m_mgr.GetSymbolStyle(s, true);
    ASSERT_NE(ps, nullptr);
    EXPECT_EQ(ps->m_strName.Str(), u"square");
    EXPECT_EQ(ps->m_strGroup.Str(), u"Other Library");
    // The answer stays where it is across further lookups.
    s.m_strKey = u"9";
    EXPECT_NE(m_mgr.GetSymbolStyle(s, true), ps);
    EXPECT_EQ(ps->m_strKey.Str(), u"4");
}

TEST_F(StyleMap, ExportLookupsGiveTheFirstForeignNumber) {
    ASSERT_EQ(m_mgr.Open(U(testfiles::DataFile("host/stylemap-small.stt"))), 1);
    EXPECT_EQ(Line(m_mgr, u"2", false), u"7");  // 7 and 8 both map to 2; 7 comes first
    EXPECT_EQ(Line(m_mgr, u"5", false), u"-3");
    EXPECT_EQ(Line(m_mgr, u"7", false), u"-");
    EXPECT_EQ(Fill(m_mgr, u"5", false), u"4");
    EXPECT_EQ(Symbol(m_mgr, u"Other Library", u"8", false), u"9");
    EXPECT_EQ(Symbol(m_mgr, u"Custom Symbols", u"8", false), u"7");
    EXPECT_EQ(Symbol(m_mgr, u"Custom Symbols", u"4", false), u"-");
    // Without a group, the first mapping of any group.
    KtSymbolParam q;
    q.m_strKey = u"8";
    const KtSymbolParam* p = m_mgr.GetSymbolStyle(q, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_strKey.Str(), u"7");
    EXPECT_EQ(p->m_strGroup.Str(), u"Custom Symbols");
}

TEST_F(StyleMap, ClosedManagerMapsNothing) {
    EXPECT_FALSE(m_mgr.IsOpen());
    EXPECT_EQ(Line(m_mgr, u"7"), u"-");
    ASSERT_EQ(m_mgr.Open(U(testfiles::DataFile("host/stylemap-small.stt"))), 1);
    m_mgr.Close();
    EXPECT_FALSE(m_mgr.IsOpen());
    EXPECT_EQ(Line(m_mgr, u"7"), u"-");
    EXPECT_EQ(Symbol(m_mgr, u"Custom Symbols", u"7"), u"-");
    EXPECT_EQ(m_mgr.Open(U(m_dir.Path() + "/missing.stt")), 0);
    EXPECT_EQ(m_mgr.Open(U(m_dir.Path())), 0);
    EXPECT_FALSE(m_mgr.IsOpen());
}

TEST_F(StyleMap, SecondOpenReplacesTheFirst) {
    ASSERT_EQ(m_mgr.Open(U(m_dir.Write("a.stt", "line 7 2 a\nfill 1 2 a\n"))), 1);
    ASSERT_EQ(m_mgr.Open(U(m_dir.Write("b.stt", "line 8 3 b\n"))), 1);
    EXPECT_EQ(Line(m_mgr, u"7"), u"-");
    EXPECT_EQ(Line(m_mgr, u"8"), u"3");
    EXPECT_EQ(Fill(m_mgr, u"1"), u"-");
    // A refused table leaves nothing loaded, not the table before it.
    EXPECT_EQ(m_mgr.Open(U(m_dir.Write("c.stt", "line 9 1 c\nbroken\n"))), 0);
    EXPECT_FALSE(m_mgr.IsOpen());
    EXPECT_EQ(Line(m_mgr, u"8"), u"-");
    EXPECT_EQ(Line(m_mgr, u"9"), u"-");
}

TEST_F(StyleMap, EmptyAndCommentOnlyTablesLoad) {
    EXPECT_EQ(m_mgr.Open(U(m_dir.Write("e.stt", ""))), 1);
    EXPECT_TRUE(m_mgr.IsOpen());
    EXPECT_EQ(m_mgr.Open(U(m_dir.Write("c.stt", "# only\n\n   \r\n#line 7 2\n"))), 1);
    EXPECT_EQ(Line(m_mgr, u"7"), u"-");
}

struct BadTable {
    const char* pszName;
    const char* pszText;
};

class StyleMapRefused : public ::testing::TestWithParam<BadTable> {};

TEST_P(StyleMapRefused, MalformedLineRefusesTheWholeTable) {
    KTX::KtLogFile::GetInstance(true);
    testfiles::TempDir dir;
    KtStyleMapMgr mgr;
    const std::string strText = std::string("line 1 0 solid\n") + GetParam().pszText + "\n";
    EXPECT_EQ(mgr.Open(U(dir.Write("bad.stt", strText))), 0) << GetParam().pszName;
    EXPECT_FALSE(mgr.IsOpen());
    EXPECT_EQ(Line(mgr, u"1"), u"-");
    // The refusal is reported in the log with the number of the bad line, the last one of
    // the table here.
    const std::vector<KTX::KtLogRecord> recs = KTX::KtLogFile::GetInstance(false)->TakeRecords();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].nSourceLine,
              static_cast<int>(std::count(strText.begin(), strText.end(), '\n')));
}

INSTANTIATE_TEST_SUITE_P(
    Host, StyleMapRefused,
    ::testing::Values(BadTable{"unknown kind", "lines 7 2 x"},
                      BadTable{"missing host number", "line 7"},
                      BadTable{"host number not a number", "line 7 dash x"},
                      BadTable{"foreign number with text", "line 7a 2 x"},
                      BadTable{"real number", "fill 1.5 2 x"},
                      BadTable{"too large", "line 99999999999 1 x"},
                      BadTable{"plus sign", "line +7 2 x"},
                      BadTable{"duplicate foreign number", "line 1 3 again"},
                      BadTable{"symbol without group", "symbol 7 2 x"},
                      BadTable{"unquoted group", "symbol Custom 7 2 x"},
                      BadTable{"empty group", "symbol \"\" 7 2 x"},
                      BadTable{"unterminated group", "symbol \"Custom Symbols 7 2 x"},
                      BadTable{"group glued to number", "symbol \"G\"7 2 x"},
                      BadTable{"duplicate symbol", "symbol \"G\" 7 2 x\nsymbol \"G\" 7 3 y"},
                      BadTable{"word only", "solid"}),
    [](const ::testing::TestParamInfo<BadTable>& info) {
        std::string s = info.param.pszName;
        for (char& c : s) {
            if (c == ' ')
                c = '_';
        }
        return s;
    });

TEST(StyleMapShipped, TableBesideTheLibraryLoadsAndMapsIntoHostRanges) {
    const PlxUnicodeString strPath =
        KTX::KtFile::GetAbsolutePath(KTX::KtFile::GetModulePath(u"KoBase"), u"./Resource/stmg.stt");
    KtStyleMapMgr mgr;
    ASSERT_EQ(mgr.Open(strPath), 1) << strPath.ToUtf8();
    // MAPGIS line type 1 is the plain solid line, host line style 0.
    EXPECT_EQ(Line(mgr, u"1"), u"0");
    // Every mapped number lands on a style the host has.
    for (int i = 1; i <= 10; ++i) {
        const std::u16string r =
            Line(mgr, PlxUnicodeString::FromUtf8(std::to_string(i)).GetString());
        ASSERT_NE(r, u"-") << i;
        EXPECT_LE(KTX::ugatoi(PlxUnicodeString(r)), 8) << i;
    }
    // Fill pattern 0 is the solid fill.
    EXPECT_EQ(Fill(mgr, u"0"), u"0");
    for (int i = 0; i <= 6; ++i) {
        const std::u16string r =
            Fill(mgr, PlxUnicodeString::FromUtf8(std::to_string(i)).GetString());
        ASSERT_NE(r, u"-") << i;
        EXPECT_LE(KTX::ugatoi(PlxUnicodeString(r)), 7) << i;
    }
    for (int i = 1; i <= 11; ++i) {
        const std::u16string r = Symbol(mgr, u"Custom Symbols",
                                        PlxUnicodeString::FromUtf8(std::to_string(i)).GetString());
        ASSERT_NE(r, u"-") << i;
        EXPECT_LE(KTX::ugatoi(PlxUnicodeString(r)), 10) << i;
    }
    EXPECT_EQ(Line(mgr, u"-3"), u"-");
    EXPECT_EQ(Symbol(mgr, u"Custom Symbols", u"0"), u"-");
}

}  // namespace
