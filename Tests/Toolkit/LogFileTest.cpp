// KtLogFile and the resource texts: records the driver takes after every read, their message
// texts, and the crash routine the plug-in installs ahead of the host's own handlers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "KtLogFile.h"
#include "KtStringEx.h"

using KTX::KtLogFile;
using KTX::KtStringEx;

namespace {

TEST(LogFile, TakeRecordsHandsOverWhatWasRecordedAndEmpties) {
    KtLogFile* pLog = KtLogFile::GetInstance(true);
    EXPECT_EQ(KtLogFile::GetInstance(false), pLog);
    pLog->RecordLog(400, u"IMe056", u"..\\Src\\FileParserMAPGIS\\KtReadWatFile", 812);
    pLog->RecordLog(200, u"plain text", u"unit", 3);
    const std::vector<KTX::KtLogRecord> recs = pLog->TakeRecords();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].nLevel, 400);
    EXPECT_EQ(recs[0].strMessage.Str(), u"IMe056");
    EXPECT_EQ(recs[0].strSourceFile.Str(), u"..\\Src\\FileParserMAPGIS\\KtReadWatFile");
    EXPECT_EQ(recs[0].nSourceLine, 812);
    EXPECT_EQ(recs[1].strMessage.Str(), u"plain text");
    EXPECT_TRUE(pLog->TakeRecords().empty());
    // A new session starts empty.
    pLog->RecordLog(300, u"c", u"s", 3);
    EXPECT_EQ(KtLogFile::GetInstance(true)->TakeRecords().size(), 0u);
}

TEST(ResourceString, MessagesAndFontFacesOfMapgisFonts) {
    const struct {
        const char16_t* pszID;
        const char16_t* pszText;
    } cases[] = {{u"IMl001", u"SimSun"},
                 {u"IMl002", u"SimHei"},
                 {u"IMl004", u"FangSong"},
                 {u"IMl005", u"KaiTi"}};
    for (const auto& c : cases) {
        KtStringEx s;
        EXPECT_TRUE(s.LoadResString(c.pszID));
        EXPECT_EQ(s.Str(), c.pszText);
    }
    KtStringEx s;
    ASSERT_TRUE(s.LoadResString(u"IMe056"));
    EXPECT_NE(s.Find(u"refused"), -1);
    for (const char16_t* pszID : {u"IMx999", u"ime056"}) {
        EXPECT_FALSE(s.LoadResString(pszID));
        EXPECT_TRUE(s.IsEmpty());
    }
    // A record's text is the resource text, or the message itself when it names none.
    KTX::KtLogRecord rec;
    rec.strMessage = u"IMe056";
    ASSERT_TRUE(s.LoadResString(u"IMe056"));
    EXPECT_EQ(rec.GetText(), s);
    rec.strMessage = u"no such identifier";
    EXPECT_EQ(rec.GetText().Str(), u"no such identifier");
}

void ExitWith42(int) {
    _exit(42);
}

int g_nSeen = 0;
void NoteSignal(int nSignal) {
    g_nSeen = nSignal;
}

// As the plug-in does it: Dump installed in front of the handler it replaces, which is
// remembered. Then a record, and the signal; exits with 9 if the handler ran and returned,
// with 7 if the process otherwise lives on.
void RaiseBehindDump(int nSignal, void (*pfnPrevious)(int)) {
    std::signal(nSignal, pfnPrevious);
    KtLogFile::RememberPreviousHandler(nSignal, std::signal(nSignal, &KtLogFile::Dump));
    KtLogFile::GetInstance(false)->RecordLog(400, u"IMe056", u"KtReadWatFile", 77);
    std::raise(nSignal);
    _exit(g_nSeen == nSignal ? 9 : 7);
}

TEST(LogFileDeathTest, DumpWritesTheRecordsThenHandsTheSignalOn) {
    // Each check runs in a freshly started child, not a fork of this threaded process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RaiseBehindDump(SIGTERM, &ExitWith42), ::testing::ExitedWithCode(42),
                "400 KtReadWatFile:77: An item .*refused");
    EXPECT_EXIT(RaiseBehindDump(SIGINT, SIG_DFL), ::testing::KilledBySignal(SIGINT),
                "400 KtReadWatFile:77: An item");
    EXPECT_EXIT(RaiseBehindDump(SIGTERM, SIG_IGN), ::testing::ExitedWithCode(7), "");
    EXPECT_EXIT(RaiseBehindDump(SIGTERM, &NoteSignal), ::testing::ExitedWithCode(9), "");
}

}  // namespace
