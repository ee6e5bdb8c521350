// What the driver checks of a file before reading it, and file names as bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "KoStream/KtFileStdio.h"
#include "mapgissource.h"

namespace {

TEST(SourceChecks, FirstLineThatReadsAsDataIsNoHeader) {
    struct Case {
        const char* pszStart;
        bool bHeader;
    };
    const Case cases[] = {
        {"WMAP9022\n862\n", true},
        {"WMAP`D22\r\n3\r\n", true},
        {"MAPGIS point file\n", true},
        {"\xE5\x9B\xBE\xE5\xB1\x82\n", true},  // a header in Chinese
        {"\n3\n", true},                       // empty: nothing says it is data
        {"\xEF\xBB\xBFWMAP lines\n", true},
        {"862\n523412.50,3364180.25\n", false},
        {"523412.50,3364180.25,1,0,\"x\",4,3,0,0,1,0,0,0,3,0,0\n", false},
        {"-1\n", false},
        {"+7\n", false},
        {".5,1\n", false},
        {"  437\n", false},
        {"\xEF\xBB\xBF"
         "30\n",
         false},
    };
    for (const Case& c : cases) {
        std::string strWhy;
        const std::string strStart = c.pszStart;
        EXPECT_EQ(mapgis::CheckHeaderLine(strStart.data(), strStart.size(), &strWhy), c.bHeader)
            << strStart;
        EXPECT_EQ(strWhy.empty(), c.bHeader) << strStart;
    }
    std::string strWhy;
    mapgis::CheckHeaderLine("437\r\n1,0", 8, &strWhy);
    EXPECT_EQ(strWhy.rfind("line 1 is not a header line: \"437\" reads as data", 0), 0u) << strWhy;
}

TEST(SourceChecks, NamesShownWithTheirBytesEscaped) {
    EXPECT_EQ(mapgis::ShownPath("a/\xD6\xD0\xCE\xC4.wal"), "a/\\xd6\\xd0\\xce\\xc4.wal");
    EXPECT_EQ(mapgis::ShownPath("\xE4\xB8\xAD\xE6\x96\x87.wal"), "\xE4\xB8\xAD\xE6\x96\x87.wal");
    // Overlong and surrogate forms are not UTF-8.
    EXPECT_EQ(mapgis::ShownPath("\xC0\xAF\xED\xA0\x80"), "\\xc0\\xaf\\xed\\xa0\\x80");
    EXPECT_EQ(mapgis::DecodedName("\xD6\xD0\xCE\xC4"), "\xE4\xB8\xAD\xE6\x96\x87");  // 中文
    EXPECT_EQ(mapgis::DecodedName("sheet_1"), "sheet_1");
    EXPECT_EQ(mapgis::DecodedName("a\xFF"), "a\\xff");  // neither UTF-8 nor GB18030
}

// The host opens a file by the name the driver hands it, byte for byte.
TEST(SourceChecks, HostOpensNamesInAnyBytes) {
    char szDir[] = "/tmp/mapgis-source-XXXXXX";
    ASSERT_NE(mkdtemp(szDir), nullptr);
    const std::string strDir = szDir;
    for (const std::string strName :
         {"\xD6\xD0\xCE\xC4.wal", "\xE4\xB8\xAD.wal", "a\xFF\x80.wal"}) {
        const std::string strPath = strDir + "/" + strName;
        std::FILE* fp = std::fopen(strPath.c_str(), "wb");
        ASSERT_NE(fp, nullptr);
        std::fputs("WMAP lines\n0\n", fp);
        std::fclose(fp);
        KTX::KtFileStdio file;
        EXPECT_TRUE(
            file.Open(mapgis::HostPath(strPath), KTX::KTFILE_READ, 8192, KTX::PLXCharsetUTF8))
            << mapgis::ShownPath(strPath);
        KTX::PlxUnicodeString strLine;
        EXPECT_TRUE(file.ReadLine(strLine));
        EXPECT_EQ(strLine.ToUtf8(), "WMAP lines");
        file.Close();
        std::remove(strPath.c_str());
    }
    // A FIFO is refused at once, not waited on.
    const std::string strFifo = strDir + "/pipe.wal";
    ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    KTX::KtFileStdio file;
    EXPECT_FALSE(file.Open(mapgis::HostPath(strFifo), KTX::KTFILE_READ, 8192, KTX::PLXCharsetUTF8));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(mapgis::WhyNotAFile(strFifo), "a FIFO (named pipe), not a file");
    EXPECT_EQ(mapgis::WhyNotAFile(strDir), "a folder, not a file");
    EXPECT_EQ(mapgis::WhyNotAFile(strDir + "/none"), "no such file");
    std::remove(strFifo.c_str());
    rmdir(strDir.c_str());
}

}  // namespace
