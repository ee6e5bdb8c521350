// Index records of every kind are created and deleted through the base record, in any order
// and in numbers that span many of the pool's blocks, and keep their values meanwhile.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "KtIndexRecordPool.h"
#include "KtReadWanFile.h"
#include "KtReadWapFile.h"
#include "tagArcIndex.h"
#include "tagFileIndex.h"

using KTX::tagArcIndex;
using KTX::tagFileIndex;

namespace {

TEST(IndexPool, ManyPlainRecordsKeepTheirValuesUntilDeleted) {
    std::vector<tagFileIndex*> records;
    for (int i = 0; i < 20000; ++i)
        records.push_back(new tagFileIndex(i, 3 * i));
    // Every other one goes first; new ones reuse their places.
    for (size_t i = 0; i < records.size(); i += 2) {
        delete records[i];
        records[i] = new tagFileIndex(-static_cast<int>(i), 7);
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const int n = static_cast<int>(i);
        EXPECT_EQ(records[i]->nItemID, i % 2 == 0 ? -n : n);
        EXPECT_EQ(records[i]->nFilePos, i % 2 == 0 ? 7 : 3 * n);
    }
    for (tagFileIndex* p : records)
        delete p;
    // All returned: the pool starts afresh.
    std::unique_ptr<tagFileIndex> pAfter(new tagFileIndex(1, 2));
    EXPECT_EQ(pAfter->nItemID, 1);
}

TEST(IndexPool, RecordsOfEveryKindDeletedThroughTheBase) {
    std::vector<tagFileIndex*> records;
    // One arc table for all areas: the last area deleted releases it.
    auto pTable = std::make_shared<KTX::KtWapArcTable>();
    pTable->arcs.push_back({-1, 0, 0, 0});
    pTable->refs.push_back(1);
    for (int i = 0; i < 1000; ++i) {
        auto* pArc = new tagArcIndex;
        pArc->nArcNo = i;
        records.push_back(pArc);
        auto* pArea = new KTX::tagWapIndex;
        pArea->arrArcs = KTX::KtAreaArcs(pTable, 0, 1);
        records.push_back(pArea);
        records.push_back(new KTX::tagWanIndex);
        records.push_back(new tagFileIndex(i, i));
        records.push_back(records.back()->Clone());
    }
    EXPECT_EQ(static_cast<const tagArcIndex*>(records[5])->nArcNo, 1);
    EXPECT_EQ(records[9]->nItemID, 1);
    for (tagFileIndex* p : records)
        delete p;
}

// Larger than any pooled record: taken from the general allocator.
struct LargeRecord : public tagFileIndex {
    unsigned char bytes[KTX::indexpool::kMaxPooledSize] = {};
};
static_assert(!KTX::indexpool::IsPooled(sizeof(LargeRecord)), "a record beyond the pools");

TEST(IndexPool, RecordsOfEverySizeClassKeepTheirOwnPlaces) {
    // Plain records (16 bytes), arcs (32), areas and nodes (48), network lines (64) and
    // records beyond the pools interleaved across many blocks: a slot given out twice, or to
    // the wrong size, shows as a value overwritten by a neighbour.
    std::vector<std::unique_ptr<tagFileIndex>> records;
    for (int i = 0; i < 9000; ++i) {
        switch (i % 6) {
            case 0:
                records.emplace_back(new tagFileIndex(i, -i));
                break;
            case 1:
                records.emplace_back(new tagArcIndex);
                break;
            case 2:
                records.emplace_back(new KTX::tagWapIndex);
                break;
            case 3:
                records.emplace_back(new KTX::tagWanPointIndex);
                break;
            case 4:
                records.emplace_back(new KTX::tagWanIndex);
                break;
            default:
                records.emplace_back(new LargeRecord);
                break;
        }
        records.back()->nItemID = i;
        records.back()->nFilePos = -i;
    }
    // Free a third of them and take their places with records of other kinds.
    for (size_t i = 0; i < records.size(); i += 3) {
        records[i].reset(i % 2 == 0 ? static_cast<tagFileIndex*>(new KTX::tagWapIndex)
                                    : new tagArcIndex);
        records[i]->nItemID = static_cast<int>(i);
        records[i]->nFilePos = -static_cast<int>(i);
    }
    for (size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(records[i]->nItemID, static_cast<int>(i));
        ASSERT_EQ(records[i]->nFilePos, -static_cast<int>(i));
    }
}

TEST(IndexPool, NothrowCloneOfAPlainRecordIsIndependent) {
    std::unique_ptr<tagFileIndex> pOriginal(new (std::nothrow) tagFileIndex(5, 6));
    ASSERT_NE(pOriginal, nullptr);
    std::unique_ptr<tagFileIndex> pCopy(pOriginal->Clone());
    pOriginal.reset();
    ASSERT_NE(pCopy, nullptr);
    EXPECT_EQ(pCopy->nItemID, 5);
    EXPECT_EQ(pCopy->nFilePos, 6);
}

}  // namespace
