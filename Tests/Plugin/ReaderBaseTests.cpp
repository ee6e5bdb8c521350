// What every reader shares: the index records, the identifier field and the arc lookup.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KtReadMAPGISFile.h"
#include "tagArcIndex.h"
#include "tagColorIndex.h"
#include "tagFileIndex.h"

namespace {

using KTX::KtReadMAPGISFile;
using KTX::PlxArray;
using KTX::tagArcIndex;
using KTX::tagColorIndex;
using KTX::tagFileIndex;

class ReaderBaseProbe : public KtReadMAPGISFile {
public:
    using KtReadMAPGISFile::FindArcByItemID;
    using KtReadMAPGISFile::InitUserID;
};

tagArcIndex Arc(int nItemID, int nArcNo, int nArea1 = 0, int nArea2 = 0) {
    tagArcIndex arc;
    arc.nItemID = nItemID;
    arc.nFilePos = nItemID * 100;
    arc.nArcNo = nArcNo;
    arc.nArea1 = nArea1;
    arc.nArea2 = nArea2;
    return arc;
}

void ExpectNotFound(const tagArcIndex& arc) {
    EXPECT_EQ(arc.nItemID, -1);
    EXPECT_EQ(arc.nFilePos, 0);
    EXPECT_EQ(arc.nArcNo, 0);
    EXPECT_EQ(arc.nArea1, 0);
    EXPECT_EQ(arc.nArea2, 0);
}

class ArcLookup : public ::testing::Test {
protected:
    void SetUp() override {
        arcs.Add(Arc(31, 1, 4, 5));
        arcs.Add(Arc(32, 7, 6, 0));
        arcs.Add(Arc(33, 3));
        arcs.Add(Arc(34, 7, 9, 9));
    }
    ReaderBaseProbe reader;
    PlxArray<tagArcIndex> arcs;
};

TEST_F(ArcLookup, NegativeReferenceNamesTheSameArc) {
    const tagArcIndex forward = reader.FindArcByItemID(3, arcs);
    const tagArcIndex backward = reader.FindArcByItemID(-3, arcs);
    EXPECT_EQ(forward.nItemID, 33);
    EXPECT_EQ(backward.nItemID, 33);
    EXPECT_EQ(backward.nFilePos, 3300);
    EXPECT_EQ(backward.nArcNo, 3);
}

TEST_F(ArcLookup, FirstOfTwoArcsWithOneNumberWins) {
    const tagArcIndex arc = reader.FindArcByItemID(-7, arcs);
    EXPECT_EQ(arc.nItemID, 32);
    EXPECT_EQ(arc.nArea1, 6);
    EXPECT_EQ(arc.nArea2, 0);
}

TEST_F(ArcLookup, MissingNumberGivesTheNotFoundRecord) {
    ExpectNotFound(reader.FindArcByItemID(2, arcs));
    ExpectNotFound(reader.FindArcByItemID(0, arcs));
    ExpectNotFound(reader.FindArcByItemID(-2147483647 - 1, arcs));
}

TEST_F(ArcLookup, EmptyListGivesTheNotFoundRecord) {
    ExpectNotFound(reader.FindArcByItemID(1, PlxArray<tagArcIndex>()));
}

TEST(ReaderBase, UserIDFieldIsOneInt32Field) {
    ReaderBaseProbe reader;
    KTX::KtFeature feature;
    KTX::KtFeature* pFeature = &feature;
    reader.InitUserID(pFeature);
    const KTX::PlxFieldInfos& fields = feature.GetFieldInfos();
    ASSERT_EQ(fields.GetSize(), 1);
    EXPECT_EQ(fields[0].m_strName, KTX::PlxUnicodeString(u"RbUserID"));
    EXPECT_EQ(fields[0].m_nType, KTX::PLX_FIELD_INT32);
    EXPECT_EQ(fields[0].m_nType, 100);
    EXPECT_EQ(fields[0].m_nSize, 4);
    EXPECT_TRUE(feature.SetValue(u"RbUserID", KTX::PlxVariant(42)));
    EXPECT_EQ(feature.GetValue(u"RbUserID")->ToInt(), 42);

    KTX::KtFeature* pNone = nullptr;
    reader.InitUserID(pNone);
    EXPECT_EQ(pNone, nullptr);
}

TEST(ReaderBase, BaseReaderReadsNothing) {
    KtReadMAPGISFile reader;
    EXPECT_TRUE(reader.m_bCADMode);
    const tagFileIndex index(5, 0);
    KTX::KtFeature feature;
    KTX::KtFeatureClassDefn defn;
    PlxArray<tagFileIndex*> arrIndex;
    EXPECT_EQ(reader.GetType(&index), 0);
    EXPECT_FALSE(reader.ReadItemData(&index, &feature));
    EXPECT_FALSE(reader.PreReadFile(u"whatever.wal", KTX::PLXCharsetUTF8, defn, arrIndex));
    EXPECT_EQ(arrIndex.GetSize(), 0);
    EXPECT_FALSE(index.ReadData(nullptr, &feature, true));
    EXPECT_TRUE(feature.GetFieldInfos().IsEmpty());
}

TEST(IndexRecord, CloneIsIndependent) {
    auto* pOriginal = new tagFileIndex(17, 4096);
    std::unique_ptr<tagFileIndex> pCopy(pOriginal->Clone());
    ASSERT_NE(pCopy, nullptr);
    EXPECT_NE(pCopy.get(), pOriginal);
    delete pOriginal;
    EXPECT_EQ(pCopy->nItemID, 17);
    EXPECT_EQ(pCopy->nFilePos, 4096);
    EXPECT_EQ(typeid(*pCopy), typeid(tagFileIndex));
}

TEST(IndexRecord, DerivedRecordsCloneEveryField) {
    tagColorIndex color;
    color.nItemID = 9;
    color.nCyan = 1;
    color.nMagenta = 2;
    color.nYellow = 3;
    color.nBlack = 4;
    std::unique_ptr<tagFileIndex> pColor(color.Clone());
    const auto* pColorCopy = dynamic_cast<const tagColorIndex*>(pColor.get());
    ASSERT_NE(pColorCopy, nullptr);
    EXPECT_EQ(pColorCopy->nItemID, 9);
    EXPECT_EQ(pColorCopy->nCyan, 1u);
    EXPECT_EQ(pColorCopy->nMagenta, 2u);
    EXPECT_EQ(pColorCopy->nYellow, 3u);
    EXPECT_EQ(pColorCopy->nBlack, 4u);

    const tagArcIndex arc = Arc(12, -5, 6, 7);
    std::unique_ptr<tagFileIndex> pArc(arc.Clone());
    const auto* pArcCopy = dynamic_cast<const tagArcIndex*>(pArc.get());
    ASSERT_NE(pArcCopy, nullptr);
    EXPECT_EQ(pArcCopy->nItemID, 12);
    EXPECT_EQ(pArcCopy->nFilePos, 1200);
    EXPECT_EQ(pArcCopy->nArcNo, -5);
    EXPECT_EQ(pArcCopy->nArea1, 6);
    EXPECT_EQ(pArcCopy->nArea2, 7);
}

}  // namespace
