// Returning to remembered positions spread over a large file, as the area and network
// readers do: more places than the stream keeps windows for, far apart, visited in turns,
// and lines longer than a read block.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KtFileStdio.h"
#include "TestFiles.h"

using KTX::KtFileStdio;
using KTX::PlxUnicodeString;

namespace {

class StreamWindows : public ::testing::Test {
protected:
    // Lines "line <n>" of 100 bytes each with CRLF, so line n starts at byte 100 * n.
    void SetUp() override {
        std::string text;
        for (int i = 0; i < kLines; ++i) {
            std::string line = "line " + std::to_string(i);
            line.resize(98, '.');
            text += line + "\r\n";
        }
        path = dir.Write("lines.txt", text);
        ASSERT_TRUE(file.Open(PlxUnicodeString::FromUtf8(path), KTX::KTFILE_READ, 8192,
                              KTX::PLXCharsetGBK));
    }

    std::string LineAt(int n) {
        EXPECT_TRUE(file.SetPosition(static_cast<std::int64_t>(n) * 100, KTX::KTFILE_BEGIN));
        PlxUnicodeString s;
        EXPECT_TRUE(file.ReadLine(s));
        return s.ToUtf8().substr(0, s.ToUtf8().find('.'));
    }

    static constexpr int kLines = 20000;  // 2 MB
    testfiles::TempDir dir;
    std::string path;
    KtFileStdio file;
};

TEST_F(StreamWindows, EightPlacesVisitedInTurnsEachReadOnward) {
    // Eight cursors 2500 lines (250 kB) apart, each moving on one line per turn.
    std::vector<int> cursors;
    for (int k = 0; k < 8; ++k)
        cursors.push_back(k * 2500);
    for (int turn = 0; turn < 300; ++turn) {
        for (int& n : cursors) {
            ASSERT_EQ(LineAt(n), "line " + std::to_string(n));
            EXPECT_EQ(file.GetPosition(), static_cast<std::int64_t>(n + 1) * 100);
            ++n;
        }
    }
}

TEST_F(StreamWindows, BackAndForthBetweenTheEndsOfTheFile) {
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(LineAt(kLines - 1 - i), "line " + std::to_string(kLines - 1 - i));
        EXPECT_EQ(LineAt(i), "line " + std::to_string(i));
    }
    EXPECT_TRUE(file.SetPosition(static_cast<std::int64_t>(kLines) * 100, KTX::KTFILE_BEGIN));
    EXPECT_TRUE(file.IsEOF());
}

TEST(StreamWindowsLongLines, LinesLongerThanABlockAfterJumps) {
    testfiles::TempDir dir;
    const std::string a(200000, 'a');
    const std::string b(150000, 'b');
    const std::string path = dir.Write("long.txt", "short\n" + a + "\n" + b + "\nend\n");
    KtFileStdio file;
    ASSERT_TRUE(
        file.Open(PlxUnicodeString::FromUtf8(path), KTX::KTFILE_READ, 8192, KTX::PLXCharsetUTF8));
    const std::int64_t nB = 6 + static_cast<std::int64_t>(a.size()) + 1;
    PlxUnicodeString s;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(file.SetPosition(nB, KTX::KTFILE_BEGIN));
        ASSERT_TRUE(file.ReadLine(s));
        EXPECT_EQ(s.GetLength(), static_cast<int>(b.size()));
        EXPECT_EQ(s.GetAt(0), u'b');
        ASSERT_TRUE(file.SetPosition(6, KTX::KTFILE_BEGIN));
        ASSERT_TRUE(file.ReadLine(s));
        EXPECT_EQ(s.GetLength(), static_cast<int>(a.size()));
        EXPECT_EQ(s.GetAt(static_cast<int>(a.size()) - 1), u'a');
        ASSERT_TRUE(file.ReadLine(s));
        EXPECT_EQ(s.GetAt(0), u'b');
        ASSERT_TRUE(file.ReadLine(s));
        EXPECT_EQ(s.Str(), u"end");
    }
}

}  // namespace
