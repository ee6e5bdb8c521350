// KtFile: names and extensions of '/' and '\\' paths, joining, and the folder of a library.
#include <gtest/gtest.h>

#include <string>

#include "KtFile.h"
#include "TestFiles.h"

using KTX::KtFile;
using KTX::PlxUnicodeString;

namespace {

struct NameCase {
    const char16_t* pszPath;
    const char16_t* pszExt;
    const char16_t* pszTitle;
    const char16_t* pszFileName;
};

class FileNameCases : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameCases, SplitsFolderTitleAndExtension) {
    const NameCase& c = GetParam();
    EXPECT_EQ(KtFile::GetExt(c.pszPath).Str(), c.pszExt);
    EXPECT_EQ(KtFile::GetTitle(c.pszPath).Str(), c.pszTitle);
    EXPECT_EQ(KtFile::GetFileName(c.pszPath).Str(), c.pszFileName);
}

INSTANTIATE_TEST_SUITE_P(
    Host, FileNameCases,
    ::testing::Values(NameCase{u"/data/maps/roads.wal", u".wal", u"roads", u"roads.wal"},
                      NameCase{u"D:\\maps\\Roads.WAT", u".WAT", u"Roads", u"Roads.WAT"},
                      NameCase{u"C:/old\\mixed/x.wap", u".wap", u"x", u"x.wap"},
                      NameCase{u"/data/v1.2/rivers", u"", u"rivers", u"rivers"},
                      NameCase{u"a.tar.gz", u".gz", u"a.tar", u"a.tar.gz"},
                      NameCase{u"name.", u".", u"name", u"name."},
                      NameCase{u"/data/", u"", u"", u""}, NameCase{u"", u"", u"", u""},
                      NameCase{u"\u5730\u56FE.wan", u".wan", u"\u5730\u56FE",
                               u"\u5730\u56FE.wan"}));

struct JoinCase {
    const char16_t* pszFolder;
    const char16_t* pszRelative;
    const char16_t* pszExpected;
};

class AbsolutePathCases : public ::testing::TestWithParam<JoinCase> {};

TEST_P(AbsolutePathCases, JoinsAndResolvesDotSteps) {
    const JoinCase& c = GetParam();
    EXPECT_EQ(KtFile::GetAbsolutePath(c.pszFolder, c.pszRelative).Str(), c.pszExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Host, AbsolutePathCases,
    ::testing::Values(
        JoinCase{u"/opt/gis/lib/", u"./Resource/stmg.stt", u"/opt/gis/lib/Resource/stmg.stt"},
        JoinCase{u"/opt/gis/lib", u"./Resource/stmg.stt", u"/opt/gis/lib/Resource/stmg.stt"},
        JoinCase{u"/opt/gis/lib/", u"../share/./x.stt", u"/opt/gis/share/x.stt"},
        JoinCase{u"/opt/./gis//lib/", u"a/../b", u"/opt/gis/lib/b"},
        JoinCase{u"/", u"../../a", u"/a"}, JoinCase{u"rel/dir", u"../../../x", u"../x"},
        JoinCase{u"", u"./a/b", u"a/b"}, JoinCase{u"/opt/gis", u"/etc/stmg.stt", u"/etc/stmg.stt"},
        JoinCase{u"C:\\gis\\bin\\", u".\\Resource\\stmg.stt", u"C:/gis/bin/Resource/stmg.stt"},
        JoinCase{u"C:\\gis", u"..\\..\\x", u"C:/x"},
        JoinCase{u"/opt", u"D:\\data\\a.wal", u"D:\\data\\a.wal"},
        JoinCase{u"/opt/gis/", u"Resource/", u"/opt/gis/Resource/"}));

TEST(FileModule, KoBaseIsFoundWithItsResourceFolder) {
    const PlxUnicodeString strFolder = KtFile::GetModulePath(u"KoBase");
    ASSERT_FALSE(strFolder.IsEmpty());
    EXPECT_EQ(strFolder.Str().back(), u'/');
    EXPECT_EQ(strFolder.Str().front(), u'/');
    EXPECT_TRUE(KtFile::Exists(strFolder + u"libKoBase.so"));
    // The build places the style mapping table beside the library.
    EXPECT_TRUE(KtFile::Exists(KtFile::GetAbsolutePath(strFolder, u"./Resource/stmg.stt")));
}

TEST(FileModule, OtherLoadedLibrariesAndUnknownNames) {
    // The C library is loaded in every process, as libc.so.6.
    const PlxUnicodeString strLibc = KtFile::GetModulePath(u"c");
    ASSERT_FALSE(strLibc.IsEmpty());
    EXPECT_EQ(strLibc.Str().back(), u'/');
    EXPECT_TRUE(KtFile::Exists(strLibc + u"libc.so.6"));
    EXPECT_TRUE(KtFile::GetModulePath(u"NoSuchLibraryAnywhere").IsEmpty());
    EXPECT_TRUE(KtFile::GetModulePath(PlxUnicodeString()).IsEmpty());
}

TEST(FileExists, FilesAndFolders) {
    testfiles::TempDir dir;
    const std::string strFile = dir.Write("x.wal", "");
    EXPECT_TRUE(KtFile::Exists(PlxUnicodeString::FromUtf8(strFile)));
    EXPECT_TRUE(KtFile::Exists(PlxUnicodeString::FromUtf8(dir.Path())));
    EXPECT_FALSE(KtFile::Exists(PlxUnicodeString::FromUtf8(dir.Path() + "/y.wal")));
    EXPECT_FALSE(KtFile::Exists(PlxUnicodeString()));
}

}  // namespace
