// The line file reader on its own: the index, positioned reads and what it refuses. Item:
// a style line of 9 fields, the point count, the points and "identifier,-".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KtReadWalFile.h"
#include "PluginTestSupport.h"

namespace {

using KTX::KtFeature;
using KTX::tagFileIndex;
using WalRead = pt::PreRead<KTX::KtReadWalFile>;

std::string Basic() {
    return testfiles::ReadFile(testfiles::DataFile("wal/basic.wal"));
}

TEST(WalReader, RecordsThatNoLongerMatchAreRefused) {
    WalRead read;
    ASSERT_TRUE(read.Read(Basic(), "t.wal"));
    ASSERT_EQ(read.Count(), 3);
    KtFeature feature;
    EXPECT_FALSE(read.reader.ReadItemData(nullptr, &feature));
    EXPECT_FALSE(read.reader.ReadItemData(read.index[0], nullptr));
    EXPECT_TRUE(feature.GetFieldInfos().IsEmpty());
    for (const tagFileIndex& record :
         {tagFileIndex(555, read.index[1]->nFilePos), tagFileIndex(101, 1 << 20)}) {
        EXPECT_FALSE(read.reader.ReadItemData(&record, &feature));
        EXPECT_EQ(pt::UserID(feature), -1);
        EXPECT_EQ(feature.GetGeometry(), nullptr);
    }
}

TEST(WalReader, PointCountsThatMakeNoLine) {
    // One point is indexed but makes no line.
    WalRead single;
    ASSERT_TRUE(single.Read("T\n1\n1,0,1,1,0,0,0,0,0\n1\n5,5\n401,0\n", "t.wal"));
    ASSERT_EQ(single.Count(), 1);
    KtFeature feature;
    EXPECT_FALSE(single.ReadItem(0, feature));
    EXPECT_EQ(feature.GetGeometry(), nullptr);
    WalRead read;
    ASSERT_TRUE(read.Read("T\n1\n1,0,1,1,0,0,0,0,0\n2000000000\n1,1\n2,2\n9,0\n", "t.wal"));
    // The point lines run to the end of the file: no identifier line is left, and "9,0"
    // counts as a point.
    EXPECT_EQ(read.Count(), 0);
    EXPECT_EQ(pt::Bound(read.defn.GetBound()), (std::vector<double>{1, 2, 9, 0}));
    const tagFileIndex record(9, 4);
    EXPECT_FALSE(read.reader.ReadItemData(&record, &feature));
}

}  // namespace
