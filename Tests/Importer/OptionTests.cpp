// The command line: options refused with their message, every spelling of an option, and an
// archive worker's command line read back as the archive's arguments.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace mapgis_import {
namespace {

struct Refusal {
    std::vector<std::string> args;
    const char* pszError;
};

class OptionRefused : public testing::TestWithParam<Refusal> {};

TEST_P(OptionRefused, SaysWhy) {
    Arguments args;
    std::string strError;
    EXPECT_FALSE(ParseArguments(GetParam().args, &args, &strError));
    EXPECT_EQ(strError, GetParam().pszError);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, OptionRefused,
    testing::Values(
        Refusal{{"--bogus", "a.wal"}, "unknown option --bogus"},
        Refusal{{"a.wal", "-bogus"}, "unknown option -bogus"},
        Refusal{{"a.wal", "-x"}, "unknown option -x"},
        // getopt would take these for --overwrite and --typed: old scripts must not change
        // meaning when an option is added.
        Refusal{{"a.wal", "--over"}, "unknown option --over"},
        Refusal{{"a.wal", "-typed"}, "unknown option -typed"},
        Refusal{{"a.wal", "--a_srs", "EPSG:4326"}, "unknown option --a_srs"},
        Refusal{{"a.wal", "-o"}, "-o needs a value"},
        Refusal{{"a.wal", "--output"}, "--output needs a value"},
        Refusal{{"a.wal", "--progress"}, "--progress needs a value"},
        Refusal{{"a.wal", "--typed=yes"}, "--typed takes no value"},
        Refusal{{"a.wal", "--quiet=1"}, "--quiet takes no value"},
        Refusal{{"a.wal", "-j", "0"}, "-j 0: expected a number of workers from 1 to 1024"},
        Refusal{{"a.wal", "--jobs", "4x"},
                "--jobs 4x: expected a number of workers from 1 to 1024"},
        Refusal{{"a.wal", "-j1025"}, "-j 1025: expected a number of workers from 1 to 1024"},
        Refusal{{"a.wal", "--merge=all"}, "--merge=all: expected --merge=common or --merge=sheets"},
        Refusal{{"a.wal", "--progress=dots"}, "--progress dots: expected bar, lines or none"},
        Refusal{{"a.wal", "--encoding", "latin1"},
                "--encoding latin1: expected AUTO, GBK, GB18030 or UTF-8"},
        Refusal{{"a.wal", "--dbf-encoding", "UTF-16"},
                "--dbf-encoding UTF-16: expected UTF-8 or GBK"},
        Refusal{{"a.wal", "--name", ""}, "--name needs a non-empty name"},
        Refusal{{"a", "--shard", "0/2"},
                "--shard 0/2: "
                "expected K/N, share K from 1 to N of N shares (N at most 100000)"},
        Refusal{{"a", "--shard", "3/2"},
                "--shard 3/2: "
                "expected K/N, share K from 1 to N of N shares (N at most 100000)"},
        Refusal{{"a", "--shard", "x/y"},
                "--shard x/y: "
                "expected K/N, share K from 1 to N of N shares (N at most 100000)"},
        Refusal{{"a", "--shard=2"},
                "--shard 2: "
                "expected K/N, share K from 1 to N of N shares (N at most 100000)"},
        Refusal{{"a", "--shard"}, "--shard needs a value"},
        Refusal{{"a.wal", "--report", "/dev/null"}, "--report /dev/null: not a regular file"},
        Refusal{{}, "no input file"}, Refusal{{"-q", "--overwrite"}, "no input file"}));

struct Accepted {
    std::vector<std::string> args;
    std::function<bool(const Arguments&)> holds;
    const char* pszWhat;
};

class OptionAccepted : public testing::TestWithParam<Accepted> {};

TEST_P(OptionAccepted, SetsWhatItNames) {
    Arguments args;
    std::string strError;
    ASSERT_TRUE(ParseArguments(GetParam().args, &args, &strError)) << strError;
    EXPECT_TRUE(GetParam().holds(args)) << GetParam().pszWhat;
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, OptionAccepted,
    testing::Values(
        Accepted{{"a.wal", "-a_srs", "EPSG:4527"},
                 [](const Arguments& a) { return a.strSrs == "EPSG:4527"; },
                 "-a_srs"},
        Accepted{{"a.wal", "--srs=EPSG:4527"},
                 [](const Arguments& a) { return a.strSrs == "EPSG:4527"; },
                 "--srs="},
        Accepted{{"a.wal", "-quiet"}, [](const Arguments& a) { return a.bQuiet; }, "-quiet"},
        Accepted{{"a.wal", "--quiet"}, [](const Arguments& a) { return a.bQuiet; }, "--quiet"},
        Accepted{{"-q", "a.wal"}, [](const Arguments& a) { return a.bQuiet; }, "-q"},
        Accepted{
            {"a.wal", "-overwrite"}, [](const Arguments& a) { return a.bOverwrite; }, "-overwrite"},
        Accepted{
            {"a.wal", "--no-split"}, [](const Arguments& a) { return a.bCompound; }, "--no-split"},
        Accepted{{"a.wal", "-j4"}, [](const Arguments& a) { return a.nJobs == 4; }, "-j4"},
        Accepted{{"a.wal", "--jobs", "1024"},
                 [](const Arguments& a) { return a.nJobs == 1024; },
                 "--jobs 1024"},
        Accepted{{"a.wal", "--merge"},
                 [](const Arguments& a) { return a.strMerge == "common"; },
                 "--merge"},
        Accepted{{"a.wal", "--merge=sheets"},
                 [](const Arguments& a) { return a.strMerge == "sheets"; },
                 "--merge=sheets"},
        Accepted{{"a", "--shard", "2/3"},
                 [](const Arguments& a) { return a.nShare == 2 && a.nShares == 3; },
                 "--shard 2/3"},
        Accepted{{"a"},
                 [](const Arguments& a) { return a.nShares == 0 && !a.bListSheets; },
                 "every sheet by default"},
        Accepted{{"a", "-r", "--list-sheets"},
                 [](const Arguments& a) { return a.bListSheets && a.bRecursive; },
                 "--list-sheets"},
        Accepted{{"a.wal"},
                 [](const Arguments& a) { return a.eProgress == Progress::Bar; },
                 "the bar by default"},
        Accepted{{"a.wal", "--progress=lines"},
                 [](const Arguments& a) { return a.eProgress == Progress::Lines; },
                 "lines"},
        Accepted{{"a.wal", "--progress", "none"},
                 [](const Arguments& a) { return a.eProgress == Progress::None; },
                 "none"},
        Accepted{{"a.wal", "--encoding", "gbk"},
                 [](const Arguments& a) { return a.strEncoding == "gbk"; },
                 "any case"},
        Accepted{{"-h"}, [](const Arguments& a) { return a.bHelp && a.inputs.empty(); }, "-h"},
        Accepted{{"a.wal", "-q", "b.wap", "-o", "out.gpkg", "c.wat"},
                 [](const Arguments& a) {
                     return a.inputs == std::vector<std::string>{"a.wal", "b.wap", "c.wat"} &&
                            a.strOutput == "out.gpkg";
                 },
                 "inputs between options, in their order"},
        Accepted{{"--name", "-quiet", "a.wal"},
                 [](const Arguments& a) { return a.strName == "-quiet" && !a.bQuiet; },
                 "a value that looks like an option"},
        Accepted{{"--", "-x.wal", "-"},
                 [](const Arguments& a) {
                     return a.inputs == std::vector<std::string>{"-x.wal", "-"};
                 },
                 "inputs after --"}));

TEST(WorkerOptions, AreTheSheetOptionsAsGiven) {
    Arguments args;
    args.bTyped = true;
    args.strSrs = "EPSG:4527";
    args.strColors = "colors.txt";  // each sheet's own is chosen by the archive
    args.nJobs = 3;
    const std::vector<std::string> expected = {"--typed",   "--encoding",     "AUTO", "--srs",
                                               "EPSG:4527", "--dbf-encoding", "UTF-8"};
    EXPECT_EQ(WorkerOptions(args), expected);
}

TEST(WorkerOptions, ReadBackAsTheArchiveGaveThem) {
    Arguments given;
    given.bTyped = true;
    given.bCompound = true;
    given.strEncoding = "GB18030";
    given.strFontMap = "fonts.txt";
    given.strSrs = "CGCS2000";
    given.strScale = "0.5";
    given.strOffset = "100,-200";
    given.bNoRepair = true;
    given.strDbfEncoding = "GBK";
    given.bNoStyle = true;
    given.bOverwrite = true;
    given.strSchema = "maps";
    given.bRecursive = true;
    given.bResume = true;
    given.strMerge = "sheets";
    std::vector<std::string> line = {"1.wal"};
    const std::vector<std::string> options = WorkerOptions(given);
    line.insert(line.end(), options.begin(), options.end());
    Arguments read;
    std::string strError;
    ASSERT_TRUE(ParseArguments(line, &read, &strError)) << strError;
    EXPECT_TRUE(read.bTyped && read.bCompound && read.bNoRepair && read.bNoStyle &&
                read.bOverwrite);
    EXPECT_EQ(read.strEncoding, "GB18030");
    EXPECT_EQ(read.strFontMap, "fonts.txt");
    EXPECT_EQ(read.strSrs, "CGCS2000");
    EXPECT_EQ(read.strScale, "0.5");
    EXPECT_EQ(read.strOffset, "100,-200");
    EXPECT_EQ(read.strDbfEncoding, "GBK");
    EXPECT_EQ(read.strSchema, "maps");
    // The archive's own options stay with it.
    EXPECT_FALSE(read.bRecursive || read.bResume);
    EXPECT_EQ(read.strMerge, "");
    EXPECT_EQ(read.inputs, std::vector<std::string>{"1.wal"});
}

// Every option --help lists is parsed into something: none is listed without a handler.
TEST(OptionLists, EveryListedOptionIsAccepted) {
    const std::string strHelp = "\n" + OptionsHelp();
    size_t nListed = 0;
    for (size_t nAt = 0; (nAt = strHelp.find("\n  -", nAt)) != std::string::npos; ++nAt) {
        const size_t nEnd = strHelp.find("  ", nAt + 3);
        const std::string strLeft = strHelp.substr(nAt + 3, nEnd - nAt - 3);
        // "-o, --output OUTPUT": the long spelling, and a value of the kind named.
        const size_t nSpace = strLeft.rfind(' ');
        const bool bValue = nSpace != std::string::npos && strLeft[nSpace + 1] != '-';
        const std::string strOption = strLeft.substr(
            strLeft.rfind(' ', bValue ? nSpace - 1 : std::string::npos) + 1,
            bValue ? nSpace - strLeft.rfind(' ', nSpace - 1) - 1 : std::string::npos);
        const std::string strKind = bValue ? strLeft.substr(nSpace + 1) : "";
        const std::string strValue = strKind == "E"     ? "UTF-8"
                                     : strKind == "N"   ? "2"
                                     : strKind == "HOW" ? "none"
                                     : strKind == "K/N" ? "1/2"
                                                        : "x";
        std::vector<std::string> args = {"a.wal", strOption};
        if (bValue)
            args.push_back(strValue);
        Arguments parsed;
        std::string strError;
        EXPECT_TRUE(ParseArguments(args, &parsed, &strError)) << strOption << ": " << strError;
        ++nListed;
    }
    // -o to --version: the 30 options of the command line, the hidden ones aside.
    EXPECT_EQ(nListed, 30u);
}

TEST(OptionLists, HelpAlignsTheTexts) {
    const std::string strHelp = OptionsHelp();
    EXPECT_NE(strHelp.find("  -o, --output OUTPUT  output dataset (default: the first input with "
                           "the\n                       extension of the format"),
              std::string::npos);
    EXPECT_NE(strHelp.find("\n  --typed              the reader's point"), std::string::npos);
    EXPECT_NE(strHelp.find("\n  -q, --quiet          no progress bar"), std::string::npos);
    EXPECT_EQ(strHelp.find("--output-from-environment"), std::string::npos);
    EXPECT_EQ(strHelp.find("--help-man"), std::string::npos);
}

TEST(OptionLists, ManPageInRoff) {
    const std::string strPage = OptionsManPage();
    const std::string strFirst =
        ".TP\n\\fB\\-o, \\-\\-output\\fR \\fIOUTPUT\\fR\nOutput dataset (default";
    EXPECT_EQ(strPage.rfind(strFirst, 0), 0u) << strPage.substr(0, 80);
    EXPECT_NE(strPage.find(".TP\n\\fB\\-\\-no\\-style\\fR\nWrite no styles.\n"), std::string::npos);
    EXPECT_EQ(strPage.find("environment"), std::string::npos);
}

}  // namespace
}  // namespace mapgis_import
