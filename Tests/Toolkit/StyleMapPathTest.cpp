// The style mapping table beside the host library: finding it from the library's folder,
// loading it, and the import lookups the readers make for line, fill and symbol numbers.
#include <gtest/gtest.h>

#include "KtFile.h"
#include "KtStyleMapMgr.h"
#include "TestFiles.h"

using KTX::KtFile;
using KTX::KtStyleMapMgr;
using KTX::PlxUnicodeString;

namespace {

TEST(FilePath, ExtensionsAndJoinedPaths) {
    const struct {
        const char16_t* pszPath;
        const char16_t* pszExt;
    } exts[] = {{u"/data/maps/roads.wal", u".wal"}, {u"Roads.WAT", u".WAT"},
                {u"/data/v1.2/rivers", u""},        {u"a.tar.gz", u".gz"},
                {u"\u5730\u56FE.wan", u".wan"},     {u"", u""}};
    for (const auto& c : exts)
        EXPECT_EQ(KtFile::GetExt(c.pszPath).Str(), c.pszExt);
    EXPECT_EQ(KtFile::GetAbsolutePath(u"/opt/gis/lib/", u"./Resource/stmg.stt").Str(),
              u"/opt/gis/lib/Resource/stmg.stt");
    EXPECT_EQ(KtFile::GetAbsolutePath(u"/opt/gis/lib", u"./Resource/stmg.stt").Str(),
              u"/opt/gis/lib/Resource/stmg.stt");
    EXPECT_EQ(KtFile::GetAbsolutePath(u"/opt/./gis//lib/", u"../share/x.stt").Str(),
              u"/opt/gis/share/x.stt");
}

TEST(FilePath, KoBaseIsFoundWithItsStyleTable) {
    const PlxUnicodeString strFolder = KtFile::GetModulePath(u"KoBase");
    ASSERT_FALSE(strFolder.IsEmpty());
    EXPECT_EQ(strFolder.Str().front(), u'/');
    EXPECT_EQ(strFolder.Str().back(), u'/');
    EXPECT_TRUE(KtFile::Exists(strFolder + u"libKoBase.so"));
    EXPECT_TRUE(KtFile::Exists(KtFile::GetAbsolutePath(strFolder, u"./Resource/stmg.stt")));
    EXPECT_TRUE(KtFile::GetModulePath(u"NoSuchLibraryAnywhere").IsEmpty());
}

// What the readers get for a MAPGIS number, asked for as they ask: -1 for no mapping.
// 'l' looks up a line type, 'f' a fill pattern, 's' a symbol of the group.
int Mapped(const KtStyleMapMgr& mgr, char cKind, int nNumber,
           const char16_t* pszGroup = u"Custom Symbols") {
    const auto answer = [](const auto* p) { return p == nullptr ? -1 : KTX::ugatoi(p->m_strKey); };
    PlxUnicodeString strKey;
    strKey.Format(u"%d", nNumber);
    KTX::KtLineStyleParam line;
    KTX::KtFillStyleParam fill;
    KTX::KtSymbolParam symbol;
    line.m_strKey = fill.m_strKey = symbol.m_strKey = strKey;
    symbol.m_strGroup = pszGroup;
    return cKind == 'l'   ? answer(mgr.GetLineStyle(line, true))
           : cKind == 'f' ? answer(mgr.GetFillStyle(fill, true))
                          : answer(mgr.GetSymbolStyle(symbol, true));
}

TEST(StyleMap, ImportLookups) {
    KtStyleMapMgr mgr;
    EXPECT_EQ(Mapped(mgr, 'l', 7), -1);
    ASSERT_EQ(mgr.Open(PlxUnicodeString::FromUtf8(testfiles::DataFile("host/stylemap-small.stt"))),
              1);
    EXPECT_EQ(Mapped(mgr, 'l', 7), 2);
    EXPECT_EQ(Mapped(mgr, 'l', 8), 2);
    EXPECT_EQ(Mapped(mgr, 'l', 11), 0);
    EXPECT_EQ(Mapped(mgr, 'l', 3), -1);
    EXPECT_EQ(Mapped(mgr, 'f', 4), 5);   // an indented line
    EXPECT_EQ(Mapped(mgr, 'f', 7), -1);  // a line number is no fill number
    EXPECT_EQ(Mapped(mgr, 's', 7), 8);
    EXPECT_EQ(Mapped(mgr, 's', 7, u"Other Library"), 4);
    EXPECT_EQ(Mapped(mgr, 's', 1, u"Other Library"), -1);
    EXPECT_EQ(Mapped(mgr, 's', 7, u"custom symbols"), -1);
    // The readers close the table before every load; a missing table maps nothing.
    mgr.Close();
    EXPECT_EQ(Mapped(mgr, 'l', 7), -1);
    EXPECT_EQ(mgr.Open(u"/no/such/folder/stmg.stt"), 0);
    EXPECT_EQ(Mapped(mgr, 's', 7), -1);

    // The table beside the library: line type 1 is the solid line, host style 0, and fill
    // pattern 0 the solid fill; every number lands on a style the host has.
    ASSERT_EQ(
        mgr.Open(KtFile::GetAbsolutePath(KtFile::GetModulePath(u"KoBase"), u"./Resource/stmg.stt")),
        1);
    EXPECT_EQ(Mapped(mgr, 'l', 1), 0);
    EXPECT_EQ(Mapped(mgr, 'f', 0), 0);
    const struct {
        char cKind;
        int nLast, nLastStyle;
    } ranges[] = {{'s', 11, 10}, {'l', 10, 8}, {'f', 6, 7}};
    for (const auto& r : ranges) {
        for (int i = 1; i <= r.nLast; ++i) {
            const int nStyle = Mapped(mgr, r.cKind, i);
            EXPECT_TRUE(nStyle >= 0 && nStyle <= r.nLastStyle) << r.cKind << i << ": " << nStyle;
        }
    }
    EXPECT_EQ(Mapped(mgr, 's', 0), -1);
}

}  // namespace
