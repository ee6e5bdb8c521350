// Damaged files: every sample cut short, with bytes flipped, lines doubled or dropped, line
// ends mixed, a byte order mark, NUL bytes, extreme counts and huge lines. Each import must
// end within seconds and bounded memory, and either read its features (with an account that
// adds up) or fail with a message that names the file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
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

std::string ReadBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The lines without their ends, CR LF or LF.
std::vector<std::string> SplitLines(const std::string& strBytes) {
    std::vector<std::string> lines;
    std::istringstream in(strBytes);
    for (std::string strLine; std::getline(in, strLine);) {
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        lines.push_back(strLine);
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& s : lines)
        out += s + "\n";
    return out;
}

bool IsCountLine(const std::string& s) {
    if (s.empty())
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (!(std::isdigit(static_cast<unsigned char>(s[i])) || (i == 0 && s[i] == '-')))
            return false;
    }
    return true;
}

long MaxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Variant {
    std::string strName;
    std::string strBytes;
};

using Mutation = std::function<std::vector<Variant>(const std::vector<std::string>& lines,
                                                    const std::string& strBytes)>;

// A spread of up to n positions below nSize, first and last included.
std::vector<size_t> Spread(size_t nSize, size_t n) {
    std::vector<size_t> out;
    if (nSize == 0)
        return out;
    const size_t nStep = nSize <= n ? 1 : nSize / n;
    for (size_t i = 0; i < nSize; i += nStep)
        out.push_back(i);
    if (out.back() != nSize - 1)
        out.push_back(nSize - 1);
    return out;
}

std::vector<Variant> TruncatedAtEveryLine(const std::vector<std::string>& lines,
                                          const std::string&) {
    std::vector<Variant> out;
    for (size_t n = 0; n < lines.size(); ++n) {
        out.push_back({"first " + std::to_string(n) + " lines",
                       JoinLines(std::vector<std::string>(lines.begin(), lines.begin() + n))});
    }
    return out;
}

std::vector<Variant> TruncatedAtBytes(const std::vector<std::string>&, const std::string& s) {
    std::vector<Variant> out;
    for (size_t n : Spread(s.size(), 24))
        out.push_back({"first " + std::to_string(n) + " bytes", s.substr(0, n)});
    return out;
}

std::vector<Variant> BytesFlipped(const std::vector<std::string>&, const std::string& s) {
    std::vector<Variant> out;
    for (size_t n : Spread(s.size(), 24)) {
        std::string strBytes = s;
        strBytes[n] = static_cast<char>(strBytes[n] ^ 0xA5);
        out.push_back({"byte " + std::to_string(n) + " flipped", strBytes});
    }
    return out;
}

std::vector<Variant> LinesDoubledOrDropped(const std::vector<std::string>& lines,
                                           const std::string&) {
    std::vector<Variant> out;
    for (size_t n : Spread(lines.size(), 16)) {
        std::vector<std::string> doubled = lines;
        doubled.insert(doubled.begin() + static_cast<long>(n), lines[n]);
        out.push_back({"line " + std::to_string(n + 1) + " doubled", JoinLines(doubled)});
        std::vector<std::string> dropped = lines;
        dropped.erase(dropped.begin() + static_cast<long>(n));
        out.push_back({"line " + std::to_string(n + 1) + " dropped", JoinLines(dropped)});
    }
    return out;
}

std::vector<Variant> Encodings(const std::vector<std::string>& lines, const std::string& s) {
    std::string strMixed;
    for (size_t i = 0; i < lines.size(); ++i)
        strMixed += lines[i] + (i % 2 == 0 ? "\r\n" : "\n");
    std::vector<Variant> out = {{"CRLF and LF mixed", strMixed},
                                {"UTF-8 byte order mark", "\xEF\xBB\xBF" + s}};
    for (size_t n : Spread(s.size(), 4)) {
        std::string strBytes = s;
        strBytes[n] = '\0';
        out.push_back({"NUL at byte " + std::to_string(n), strBytes});
    }
    return out;
}

std::vector<Variant> ExtremeCounts(const std::vector<std::string>& lines, const std::string&) {
    std::vector<Variant> out;
    for (size_t n = 0; n < lines.size(); ++n) {
        if (!IsCountLine(lines[n]))
            continue;
        for (const char* pszCount : {"0", "-1", "2147483647"}) {
            std::vector<std::string> changed = lines;
            changed[n] = pszCount;
            out.push_back({"line " + std::to_string(n + 1) + " = " + pszCount, JoinLines(changed)});
        }
    }
    return out;
}

struct Family {
    const char* pszName;
    Mutation mutate;
};

const Family kFamilies[] = {
    {"TruncatedAtEveryLine", TruncatedAtEveryLine},
    {"TruncatedAtBytes", TruncatedAtBytes},
    {"BytesFlipped", BytesFlipped},
    {"LinesDoubledOrDropped", LinesDoubledOrDropped},
    {"Encodings", Encodings},
    {"ExtremeCounts", ExtremeCounts},
};

const char* const kSamples[] = {"sample.wal", "sample.wat", "sample.wap", "sample.wan"};

// Opens the file in both modes and reads everything, the account included. Returns a
// description of what was wrong, or an empty string.
std::string CheckImport(const std::string& strPath, const std::string& strMode) {
    drivertest::ErrorCollector errors;
    const auto start = std::chrono::steady_clock::now();
    CPLStringList aosOptions;
    aosOptions.SetNameValue("MODE", strMode.c_str());
    aosOptions.SetNameValue("ACCOUNT", "YES");
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    GDALDatasetUniquePtr ds(GDALDataset::Open(strPath.c_str(),
                                              GDAL_OF_VECTOR | GDAL_OF_VERBOSE_ERROR, apszDrivers,
                                              aosOptions.List(), nullptr));
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
        CSLConstList papszMD = ds->GetMetadata("MAPGIS");
        if (const char* psz = CSLFetchNameValue(papszMD, "FILE_ACCOUNT_PROBLEM")) {
            strProblem = std::string("no account: ") + psz;
        } else {
            auto number = [&](const char* pszKey) {
                const char* pszValue = CSLFetchNameValue(papszMD, pszKey);
                return pszValue == nullptr ? -1LL : CPLAtoGIntBig(pszValue);
            };
            if (number("FILE_ITEM_COUNT") !=
                number("FILE_IMPORTED_COUNT") + number("FILE_REFUSED_COUNT") +
                    number("FILE_NOT_IMPORTABLE_COUNT") + number("FILE_SKIPPED_COUNT")) {
                strProblem = "the account does not add up";
            }
        }
    }
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (dSeconds > kMaxSeconds)
        strProblem += " took " + std::to_string(dSeconds) + " s";
    return strProblem;
}

struct HostileCase {
    const char* pszSample;
    const Family* pFamily;
};

std::vector<HostileCase> AllCases() {
    std::vector<HostileCase> out;
    for (const char* pszSample : kSamples) {
        for (const Family& family : kFamilies)
            out.push_back({pszSample, &family});
    }
    return out;
}

class HostileFiles : public ::testing::TestWithParam<HostileCase> {};

// MAPGIS_HOSTILE_STRIDE=n tries every n-th variant only: the sanitizer build in CI is several
// times slower and the optimised build has already tried them all.
size_t VariantStride() {
    const char* psz = std::getenv("MAPGIS_HOSTILE_STRIDE");
    const long n = psz == nullptr ? 1 : std::strtol(psz, nullptr, 10);
    return n > 1 ? static_cast<size_t>(n) : 1;
}

}  // namespace

TEST_P(HostileFiles, EndInTimeAndBoundedMemoryWithFeaturesOrAClearMessage) {
    const HostileCase& c = GetParam();
    const std::string strBytes = ReadBytes(drivertest::Sample(c.pszSample));
    ASSERT_FALSE(strBytes.empty());
    const std::vector<Variant> variants = c.pFamily->mutate(SplitLines(strBytes), strBytes);
    ASSERT_FALSE(variants.empty());
    testfiles::TempDir dir;
    const std::string strExt = CPLGetExtension(c.pszSample);
    const long nRssBefore = MaxRssKiB();
    for (size_t i = 0; i < variants.size(); i += VariantStride()) {
        const std::string strPath =
            dir.Write("v" + std::to_string(i) + "." + strExt, variants[i].strBytes);
        for (const char* pszMode : {"COMPOUND", "TYPED"}) {
            const std::string strProblem = CheckImport(strPath, pszMode);
            EXPECT_EQ(strProblem, "")
                << c.pszSample << ", " << variants[i].strName << ", " << pszMode;
        }
        std::remove(strPath.c_str());
    }
    EXPECT_LT(MaxRssKiB() - nRssBefore, kMaxGrowthKiB);
}

INSTANTIATE_TEST_SUITE_P(Samples, HostileFiles, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) {
                             std::string strName = info.param.pszSample;
                             strName = strName.substr(strName.size() - 3) + "_" +
                                       info.param.pFamily->pszName;
                             return strName;
                         });

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

TEST(HostileFile, EmptyFileAndFolderFailWithAMessage) {
    testfiles::TempDir dir;
    const std::string strEmpty = dir.Write("empty.wal", "");
    const std::string strFolder = dir.Path() + "/folder.wat";
    ASSERT_EQ(mkdir(strFolder.c_str(), 0755), 0);
    for (const std::string& strPath : {strEmpty, strFolder}) {
        drivertest::ErrorCollector errors;
        EXPECT_EQ(drivertest::OpenMapgis(strPath, "COMPOUND"), nullptr);
        ASSERT_EQ(errors.errors.size(), 1u) << strPath;
        EXPECT_NE(errors.errors[0].find(strPath), std::string::npos) << errors.errors[0];
    }
}

TEST(HostileFile, FilesOf2GiBAreRefusedBeforeAnyRead) {
    testfiles::TempDir dir;
    // A sparse file: a proper beginning, longer than the header bytes the driver is shown,
    // then nothing written up to 2 GiB.
    const std::string strPath = dir.Write(
        "big.wal", "lines" + std::string(2048, ' ') + "\n1\n1,0,3,5,0,0,0,0,0\n1\n0,0\n1,0\n");
    ASSERT_EQ(truncate(strPath.c_str(), 1LL << 31), 0);
    drivertest::ErrorCollector errors;
    EXPECT_EQ(drivertest::OpenMapgis(strPath, "COMPOUND"), nullptr);
    ASSERT_EQ(errors.errors.size(), 1u);
    EXPECT_NE(errors.errors[0].find("big.wal: 2147483648 bytes: files of 2 GiB or more"),
              std::string::npos)
        << errors.errors[0];
    // One byte less is within reach of 32-bit positions: the open is attempted (and the
    // NUL bytes then keep it from being taken for an exchange file).
    ASSERT_EQ(truncate(strPath.c_str(), (1LL << 31) - 1), 0);
    drivertest::ErrorCollector second;
    drivertest::OpenMapgis(strPath, "COMPOUND");
    for (const std::string& s : second.errors)
        EXPECT_EQ(s.find("2 GiB"), std::string::npos) << s;
}
