// Lookups of MAPGIS line type, fill pattern and symbol numbers in the style mapping table.
#include <gtest/gtest.h>

#include <string>

#include "KtReadMAPGISFile.h"
#include "TestFiles.h"

namespace {

using KTX::KtReadMAPGISFile;

int LoadTable(const std::string& strName) {
    KtReadMAPGISFile reader;
    return reader.LoadStyleMapTable(
        KTX::PlxUnicodeString::FromUtf8(testfiles::DataFile("style/" + strName)));
}

class StyleTable : public ::testing::Test {
protected:
    // Leaves the tables as a freshly loaded library has them.
    void TearDown() override { KtReadMAPGISFile::ReleaseSharedTables(); }
};

TEST_F(StyleTable, NothingIsMappedBeforeATableIsLoaded) {
    KtReadMAPGISFile::ReleaseSharedTables();
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(7), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineFillStyleByID(7), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineSymbolStyleByID(7), 0);
}

TEST_F(StyleTable, NumbersAreAskedForAsDecimalKeys) {
    ASSERT_EQ(LoadTable("first.stt"), 1);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(7), 3);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(-3), 5);
    EXPECT_EQ(KtReadMAPGISFile::FineFillStyleByID(7), 6);
    EXPECT_EQ(KtReadMAPGISFile::FineFillStyleByID(-3), 0);
}

TEST_F(StyleTable, SymbolsAreAskedForInTheCustomSymbolsGroup) {
    ASSERT_EQ(LoadTable("first.stt"), 1);
    EXPECT_EQ(KtReadMAPGISFile::FineSymbolStyleByID(7), 9);
    // Number 8 is mapped in another symbol library only.
    EXPECT_EQ(KtReadMAPGISFile::FineSymbolStyleByID(8), 0);
}

TEST_F(StyleTable, UnmappedNumbersGiveStyleZero) {
    ASSERT_EQ(LoadTable("first.stt"), 1);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(3), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(70), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineSymbolStyleByID(-7), 0);
}

TEST_F(StyleTable, SecondLoadReplacesTheFirst) {
    ASSERT_EQ(LoadTable("first.stt"), 1);
    ASSERT_EQ(LoadTable("second.stt"), 1);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(7), 8);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(-3), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineSymbolStyleByID(7), 0);
}

TEST_F(StyleTable, FailedLoadLeavesNothingMapped) {
    ASSERT_EQ(LoadTable("first.stt"), 1);
    EXPECT_EQ(LoadTable("absent.stt"), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(7), 0);
    ASSERT_EQ(LoadTable("first.stt"), 1);
    EXPECT_EQ(LoadTable("malformed.stt"), 0);
    EXPECT_EQ(KtReadMAPGISFile::FineLineStyleByID(7), 0);
}

}  // namespace
