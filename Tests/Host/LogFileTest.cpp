// KtLogFile: records, resource texts, threads, and the crash routine handing signals on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "KtLogFile.h"
#include "KtStringEx.h"

using KTX::KtLogFile;
using KTX::PlxUnicodeString;

namespace {

class LogFile : public ::testing::Test {
protected:
    void SetUp() override { m_pLog = KtLogFile::GetInstance(true); }
    void TearDown() override { m_pLog->Clear(); }
    KtLogFile* m_pLog = nullptr;
};

TEST_F(LogFile, RecordsKeepLevelMessageSourceAndLine) {
    EXPECT_EQ(KtLogFile::GetInstance(false), m_pLog);
    m_pLog->RecordLog(400, u"IMe056", u"..\\..\\..\\Src\\FileParserMAPGIS\\KtReadWatFile", 812);
    m_pLog->RecordLog(200, u"plain text", u"unit", 3);
    ASSERT_EQ(m_pLog->GetRecordCount(), 2);
    const std::vector<KTX::KtLogRecord> recs = m_pLog->GetRecords();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].nLevel, 400);
    EXPECT_EQ(recs[0].strMessage.Str(), u"IMe056");
    EXPECT_EQ(recs[0].strSourceFile.Str(), u"..\\..\\..\\Src\\FileParserMAPGIS\\KtReadWatFile");
    EXPECT_EQ(recs[0].nSourceLine, 812);
    EXPECT_EQ(recs[1].nLevel, 200);
    EXPECT_EQ(recs[1].nSourceLine, 3);
    // GetRecords copies; the log still holds them.
    EXPECT_EQ(m_pLog->GetRecordCount(), 2);
}

TEST_F(LogFile, GetTextResolvesResourceIdentifiers) {
    KTX::KtStringEx strExpected;
    ASSERT_TRUE(strExpected.LoadResString(u"IMe056"));
    KTX::KtLogRecord rec;
    rec.strMessage = u"IMe056";
    EXPECT_EQ(rec.GetText(), strExpected);
    rec.strMessage = u"no such identifier";
    EXPECT_EQ(rec.GetText().Str(), u"no such identifier");
}

TEST_F(LogFile, TakeRecordsEmptiesAndNewSessionClears) {
    m_pLog->RecordLog(300, u"a", u"s", 1);
    m_pLog->RecordLog(300, u"b", u"s", 2);
    const std::vector<KTX::KtLogRecord> taken = m_pLog->TakeRecords();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[1].strMessage.Str(), u"b");
    EXPECT_EQ(m_pLog->GetRecordCount(), 0);
    m_pLog->RecordLog(300, u"c", u"s", 3);
    EXPECT_EQ(KtLogFile::GetInstance(false)->GetRecordCount(), 1);
    EXPECT_EQ(KtLogFile::GetInstance(true)->GetRecordCount(), 0);
}

TEST_F(LogFile, WriteGivesOneLinePerRecord) {
    m_pLog->RecordLog(400, u"IMl002", u"src/a", 12);
    m_pLog->RecordLog(100, u"\u4E2D", u"b", 0);
    std::FILE* pFile = std::tmpfile();
    ASSERT_NE(pFile, nullptr);
    m_pLog->Write(pFile);
    std::rewind(pFile);
    std::string text;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pFile)) > 0)
        text.append(buf, n);
    std::fclose(pFile);
    EXPECT_EQ(text, "400 src/a:12: SimHei\n100 b:0: \xE4\xB8\xAD\n");
}

TEST_F(LogFile, WriteWorksOnStreamsWithoutDescriptor) {
    m_pLog->RecordLog(200, u"x", u"s", 1);
    char buf[64] = {};
    std::FILE* pFile = fmemopen(buf, sizeof buf - 1, "w");
    ASSERT_NE(pFile, nullptr);
    m_pLog->Write(pFile);
    std::fclose(pFile);
    EXPECT_STREQ(buf, "200 s:1: x\n");
}

TEST_F(LogFile, RecordsFromManyThreadsAreAllKept) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 2000; ++i)
                m_pLog->RecordLog(200, u"m", u"thread", t * 10000 + i);
        });
    }
    // Readers run alongside the writers.
    for (int i = 0; i < 100; ++i)
        EXPECT_LE(m_pLog->GetRecords().size(), 8000u);
    for (std::thread& th : threads)
        th.join();
    const std::vector<KTX::KtLogRecord> recs = m_pLog->GetRecords();
    ASSERT_EQ(recs.size(), 8000u);
    long long nSum = 0;
    for (const KTX::KtLogRecord& r : recs)
        nSum += r.nSourceLine;
    // Sum over t of (2000 * t * 10000 + 0 + ... + 1999).
    EXPECT_EQ(nSum, 2000LL * 10000 * (0 + 1 + 2 + 3) + 4LL * (1999 * 2000 / 2));
}

// Handlers for the crash-routine tests, which run in child processes.
void ExitWith42(int) {
    _exit(42);
}

int g_nSeen = 0;
void NoteSignal(int nSignal) {
    g_nSeen = nSignal;
}

void InstallDump(int nSignal) {
    KtLogFile::RememberPreviousHandler(nSignal, std::signal(nSignal, &KtLogFile::Dump));
}

class LogFileDeathTest : public LogFile {
protected:
    // Each check runs in a freshly started child, not a fork of this threaded process.
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        LogFile::SetUp();
    }
};

TEST_F(LogFileDeathTest, DumpWritesTheRecordsThenCallsThePreviousHandler) {
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, &ExitWith42);
            InstallDump(SIGTERM);
            KtLogFile::GetInstance(false)->RecordLog(400, u"IMe056", u"KtReadWatFile", 77);
            std::raise(SIGTERM);
            _exit(0);
        },
        ::testing::ExitedWithCode(42), "400 KtReadWatFile:77: An item .*refused");
}

TEST_F(LogFileDeathTest, WithoutPreviousHandlerTheSignalEndsTheProcess) {
    EXPECT_EXIT(
        {
            InstallDump(SIGINT);
            KtLogFile::GetInstance(false)->RecordLog(300, u"last words", u"u", 5);
            std::raise(SIGINT);
            _exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "300 u:5: last words");
}

TEST_F(LogFileDeathTest, InstallingTwiceKeepsTheFirstPreviousHandler) {
    // The plug-in loaded a second time installs Dump again; signal() then returns Dump.
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, &ExitWith42);
            InstallDump(SIGTERM);
            InstallDump(SIGTERM);
            if (KtLogFile::GetPreviousHandler(SIGTERM) != &ExitWith42)
                _exit(1);
            std::raise(SIGTERM);
            _exit(0);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST_F(LogFileDeathTest, InstallingTwiceWithoutPreviousHandlerStillEndsTheProcess) {
    EXPECT_EXIT(
        {
            InstallDump(SIGTERM);
            InstallDump(SIGTERM);
            std::raise(SIGTERM);
            _exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

TEST_F(LogFileDeathTest, IgnoredSignalStaysIgnored) {
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, SIG_IGN);
            InstallDump(SIGTERM);
            std::raise(SIGTERM);
            _exit(7);
        },
        ::testing::ExitedWithCode(7), "");
}

TEST_F(LogFileDeathTest, PreviousHandlerThatReturnsLetsTheProcessGoOn) {
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, &NoteSignal);
            InstallDump(SIGTERM);
            std::raise(SIGTERM);
            _exit(g_nSeen == SIGTERM ? 9 : 1);
        },
        ::testing::ExitedWithCode(9), "");
}

TEST(LogFileHandlers, RememberedHandlerPerSignal) {
    EXPECT_EQ(KtLogFile::GetPreviousHandler(SIGUSR2), SIG_DFL);
    KtLogFile::RememberPreviousHandler(SIGUSR2, &NoteSignal);
    EXPECT_EQ(KtLogFile::GetPreviousHandler(SIGUSR2), &NoteSignal);
    EXPECT_EQ(KtLogFile::GetPreviousHandler(SIGUSR1), SIG_DFL);
    KtLogFile::RememberPreviousHandler(SIGUSR2, &KtLogFile::Dump);
    EXPECT_EQ(KtLogFile::GetPreviousHandler(SIGUSR2), &NoteSignal);
    KtLogFile::RememberPreviousHandler(SIGUSR2, SIG_DFL);
    EXPECT_EQ(KtLogFile::GetPreviousHandler(SIGUSR2), SIG_DFL);
    EXPECT_EQ(KtLogFile::GetPreviousHandler(-1), SIG_DFL);
    EXPECT_EQ(KtLogFile::GetPreviousHandler(100000), SIG_DFL);
    KtLogFile::RememberPreviousHandler(100000, &NoteSignal);
}

}  // namespace
