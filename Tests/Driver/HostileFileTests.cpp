// Damaged files: samples cut short, with bytes flipped, lines doubled or dropped, and more.
// Each import must end within seconds and bounded memory, and either read its features (with
// an account that adds up) or fail with a message that names the file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "DriverTestSupport.h"
#include "TestFiles.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build is unoptimised and checks every access: a read of 20 MB of 10 MB lines
// takes a few times longer there, and its quarantine holds on to freed memory.
constexpr double kMaxSeconds = 15.0;
constexpr long kMaxGrowthKiB = 1024 * 1024;
#else
constexpr double kMaxSeconds = 5.0;
constexpr long kMaxGrowthKiB = 256 * 1024;
#endif

using Lines = std::vector<std::string>;

// The processor time of the process, every thread's: a runaway read shows in it whatever else
// the machine is doing, where the time on the clock does not.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The first nCount lines, each ended with a line feed.
std::string Join(const Lines& lines, size_t nCount = std::string::npos) {
    std::string out;
    for (size_t i = 0; i < lines.size() && i < nCount; ++i)
        out += lines[i] + "\n";
    return out;
}

long MaxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A spread of up to n positions below nSize, first and last included.
std::vector<size_t> Spread(size_t nSize, size_t n) {
    std::vector<size_t> out;
    for (size_t i = 0; i < nSize; i += nSize <= n ? 1 : nSize / n)
        out.push_back(i);
    if (!out.empty() && out.back() != nSize - 1)
        out.push_back(nSize - 1);
    return out;
}

struct Variant {
    std::string strName;
    std::string strBytes;
};

// The damaged variants of a file, from its bytes.
std::vector<Variant> Variants(const std::string& s) {
    Lines lines;
    std::istringstream in(s);
    for (std::string strLine; std::getline(in, strLine);) {
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        lines.push_back(strLine);
    }
    std::vector<Variant> out = {{"UTF-8 byte order mark", "\xEF\xBB\xBF" + s}, {"CRLF and LF", ""}};
    for (size_t i = 0; i < lines.size(); ++i)
        out[1].strBytes += lines[i] + (i % 2 == 0 ? "\r\n" : "\n");
    for (size_t n = 0; n < lines.size(); ++n) {
        out.push_back({"first " + std::to_string(n) + " lines", Join(lines, n)});
        if (lines[n].empty() || lines[n].find_first_not_of("-0123456789") != std::string::npos)
            continue;
        for (const char* pszCount : {"0", "-1", "2147483647"}) {
            Lines changed = lines;
            changed[n] = pszCount;
            out.push_back({"line " + std::to_string(n + 1) + " = " + pszCount, Join(changed)});
        }
    }
    for (size_t n : Spread(lines.size(), 16)) {
        Lines doubled = lines;
        doubled.insert(doubled.begin() + static_cast<long>(n), lines[n]);
        out.push_back({"line " + std::to_string(n + 1) + " doubled", Join(doubled)});
        doubled.erase(doubled.begin() + static_cast<long>(n),
                      doubled.begin() + static_cast<long>(n) + 2);
        out.push_back({"line " + std::to_string(n + 1) + " dropped", Join(doubled)});
    }
    for (size_t n : Spread(s.size(), 24)) {
        out.push_back({"first " + std::to_string(n) + " bytes", s.substr(0, n)});
        std::string strBytes = s;
        strBytes[n] = static_cast<char>(strBytes[n] ^ 0xA5);
        out.push_back({"byte " + std::to_string(n) + " flipped", strBytes});
        strBytes[n] = '\0';
        out.push_back({"NUL at byte " + std::to_string(n), strBytes});
    }
    return out;
}

// Reads everything, the account included: what was wrong, or an empty string.
std::string CheckImport(const std::string& strPath, const std::string& strMode) {
    drivertest::ErrorCollector errors;
    const double dStart = CpuSeconds();
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(strPath, strMode, {"ACCOUNT=YES"},
                                                     GDAL_OF_VECTOR | GDAL_OF_VERBOSE_ERROR);
    std::string strProblem;
    if (ds == nullptr) {
        const std::string strName = CPLGetFilename(strPath.c_str());
        if (errors.errors.empty() || errors.errors.back().find(strName) == std::string::npos)
            strProblem = "failed without a message naming the file";
    } else {
        for (int i = 0; i < ds->GetLayerCount(); ++i) {
            for (auto& f : *ds->GetLayer(i))
                (void)f;
        }
        auto number = [&](const char* pszKey) {
            return drivertest::MapgisNumber(ds.get(), pszKey);
        };
        if (const char* psz = ds->GetMetadataItem("FILE_ACCOUNT_PROBLEM", "MAPGIS")) {
            strProblem = std::string("no account: ") + psz;
        } else if (number("FILE_ITEM_COUNT") !=
                   number("FILE_IMPORTED_COUNT") + number("FILE_REFUSED_COUNT") +
                       number("FILE_NOT_IMPORTABLE_COUNT") + number("FILE_SKIPPED_COUNT")) {
            strProblem = "the account does not add up";
        }
    }
    const double dSeconds = CpuSeconds() - dStart;
    if (dSeconds > kMaxSeconds)
        strProblem += " took " + std::to_string(dSeconds) + " s of processor time";
    return strProblem;
}

class HostileFiles : public ::testing::TestWithParam<const char*> {};

// MAPGIS_HOSTILE_STRIDE=n tries every n-th variant only: the sanitizer build in CI is several
// times slower and the optimised build has already tried them all.
size_t VariantStride() {
    const char* psz = std::getenv("MAPGIS_HOSTILE_STRIDE");
    const long n = psz == nullptr ? 1 : std::strtol(psz, nullptr, 10);
    return n > 1 ? static_cast<size_t>(n) : 1;
}

}  // namespace

TEST_P(HostileFiles, EndInTimeAndBoundedMemoryWithFeaturesOrAClearMessage) {
    const std::string strBytes = testfiles::ReadFile(drivertest::Sample(GetParam()));
    ASSERT_FALSE(strBytes.empty());
    const std::vector<Variant> variants = Variants(strBytes);
    testfiles::TempDir dir;
    const long nRssBefore = MaxRssKiB();
    for (size_t i = 0; i < variants.size(); i += VariantStride()) {
        const std::string strPath = dir.Write(
            "v" + std::to_string(i) + "." + CPLGetExtension(GetParam()), variants[i].strBytes);
        for (const char* pszMode : {"COMPOUND", "TYPED"}) {
            EXPECT_EQ(CheckImport(strPath, pszMode), "")
                << GetParam() << ", " << variants[i].strName << ", " << pszMode;
        }
        std::remove(strPath.c_str());
    }
    EXPECT_LT(MaxRssKiB() - nRssBefore, kMaxGrowthKiB);
}

INSTANTIATE_TEST_SUITE_P(Samples, HostileFiles,
                         ::testing::Values("sample.wal", "sample.wat", "sample.wap", "sample.wan"),
                         [](const auto& info) { return std::string(CPLGetExtension(info.param)); });

TEST(HostileFile, LinesOfTenMegabytes) {
    testfiles::TempDir dir;
    const std::string strHuge(10 * 1024 * 1024, '7');
    const std::string strPoints =
        dir.Write("huge.wat", "points\n2\n1,2,3,0,\"" + strHuge + "\",4,3,0,0,1,0,0,0,3,0,0\n" +
                                  strHuge + ",2,4,1,12,4.0,4.0,0.0,0,3,0.5,0,0\n");
    const std::string strLines =
        dir.Write("huge.wal", "lines\n1\n1,0,3,5,0,0,0,0,0\n2\n" + strHuge + ",0\n10,10\n5,0\n");
    for (const std::string& strPath : {strPoints, strLines}) {
        for (const char* pszMode : {"COMPOUND", "TYPED"})
            EXPECT_EQ(CheckImport(strPath, pszMode), "") << strPath << ", " << pszMode;
    }
}

// A folder, and a sparse file of 2 GiB with a proper beginning longer than the header bytes
// the driver is shown: refused before any read, with one message naming them.
TEST(HostileFile, FoldersAndFilesOf2GiBFailWithAMessage) {
    testfiles::TempDir dir;
    const std::string strFolder = dir.Path() + "/folder.wat";
    ASSERT_EQ(mkdir(strFolder.c_str(), 0755), 0);
    const std::string strBig = dir.Write(
        "big.wal", "lines" + std::string(2048, ' ') + "\n1\n1,0,3,5,0,0,0,0,0\n1\n0,0\n1,0\n");
    ASSERT_EQ(truncate(strBig.c_str(), 1LL << 31), 0);
    const std::pair<std::string, std::string> kCases[] = {
        {strFolder, strFolder}, {strBig, "big.wal: 2147483648 bytes: files of 2 GiB or more"}};
    for (const auto& [strPath, strMessage] : kCases) {
        drivertest::ErrorCollector errors;
        EXPECT_EQ(drivertest::OpenMapgis(strPath, "COMPOUND"), nullptr);
        ASSERT_EQ(errors.errors.size(), 1u) << strPath;
        EXPECT_NE(errors.errors[0].find(strMessage), std::string::npos) << errors.errors[0];
    }
    // One byte less is within reach of 32-bit positions: the open is attempted (and the
    // NUL bytes then keep it from being taken for an exchange file).
    ASSERT_EQ(truncate(strBig.c_str(), (1LL << 31) - 1), 0);
    drivertest::ErrorCollector errors;
    drivertest::OpenMapgis(strBig, "COMPOUND");
    for (const std::string& s : errors.errors)
        EXPECT_EQ(s.find("2 GiB"), std::string::npos) << s;
}
