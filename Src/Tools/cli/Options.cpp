// The option table and what is made from it.
#include "cli/Options.h"

#include <getopt.h>
#include <strings.h>
#include <sys/stat.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "plan/SheetShares.h"

namespace mapgis_import {

namespace {

enum class Value { None, Required, Optional };

// Sets what an option given as strSpelling asks for; pszValue is null for an option given
// without a value. False with a message for a value refused.
using Setter = bool (*)(const std::string& strSpelling, const char* pszValue, Arguments& args,
                        std::string* pstrError);

struct Option {
    // The short spelling first when there is one; an old spelling may have one dash (-a_srs).
    std::array<const char*, 3> spellings;
    Value eValue;
    const char* pszValueName;          // in the lists: "OUTPUT"
    bool Arguments::*pbFlag;           // a flag: the member it sets
    std::string Arguments::*pstrText;  // a text: the member it sets
    Setter pfnSet;                     // anything else, or a text that is checked
    bool bToWorkers;                   // given to each worker of an archive as it was given
    const char* pszHelp;               // its lines in the lists; null: not listed
};

Option Flag(std::array<const char*, 3> spellings, bool Arguments::*pbFlag, bool bToWorkers,
            const char* pszHelp) {
    return {spellings, Value::None, nullptr, pbFlag, nullptr, nullptr, bToWorkers, pszHelp};
}

Option Text(std::array<const char*, 3> spellings, const char* pszValueName,
            std::string Arguments::*pstrText, bool bToWorkers, const char* pszHelp,
            Setter pfnCheck = nullptr) {
    return {spellings, Value::Required, pszValueName, nullptr,
            pstrText,  pfnCheck,        bToWorkers,   pszHelp};
}

Option Special(std::array<const char*, 3> spellings, Value eValue, const char* pszValueName,
               Setter pfnSet, const char* pszHelp) {
    return {spellings, eValue, pszValueName, nullptr, nullptr, pfnSet, false, pszHelp};
}

bool IsOneOf(const char* pszValue, std::initializer_list<const char*> names) {
    for (const char* psz : names) {
        if (strcasecmp(psz, pszValue) == 0)
            return true;
    }
    return false;
}

bool SetEncoding(const std::string&, const char* pszValue, Arguments& args,
                 std::string* pstrError) {
    if (!IsOneOf(pszValue, {"AUTO", "GBK", "GB18030", "UTF-8"})) {
        *pstrError =
            std::string("--encoding ") + pszValue + ": expected AUTO, GBK, GB18030 or UTF-8";
        return false;
    }
    args.strEncoding = pszValue;
    return true;
}

bool SetDbfEncoding(const std::string&, const char* pszValue, Arguments& args,
                    std::string* pstrError) {
    if (!IsOneOf(pszValue, {"UTF-8", "GBK"})) {
        *pstrError = std::string("--dbf-encoding ") + pszValue + ": expected UTF-8 or GBK";
        return false;
    }
    args.strDbfEncoding = pszValue;
    return true;
}

bool SetName(const std::string&, const char* pszValue, Arguments& args, std::string* pstrError) {
    if (*pszValue == '\0') {
        *pstrError = "--name needs a non-empty name";
        return false;
    }
    args.strName = pszValue;
    return true;
}

bool SetJobs(const std::string& strSpelling, const char* pszValue, Arguments& args,
             std::string* pstrError) {
    char* pszEnd = nullptr;
    const long nJobs = std::strtol(pszValue, &pszEnd, 10);
    if (*pszValue == '\0' || *pszEnd != '\0' || nJobs < 1 || nJobs > 1024) {
        *pstrError = strSpelling + " " + pszValue + ": expected a number of workers from 1 to 1024";
        return false;
    }
    args.nJobs = static_cast<int>(nJobs);
    return true;
}

bool SetReport(const std::string&, const char* pszValue, Arguments& args, std::string* pstrError) {
    // Refused before any work: opening a FIFO without a reader would hang at the end.
    struct stat sStat;
    if (stat(pszValue, &sStat) == 0 && !S_ISREG(sStat.st_mode)) {
        *pstrError = std::string("--report ") + pszValue + ": not a regular file";
        return false;
    }
    args.strReport = pszValue;
    return true;
}

bool SetMerge(const std::string&, const char* pszValue, Arguments& args, std::string* pstrError) {
    if (pszValue != nullptr && std::strcmp(pszValue, "common") != 0 &&
        std::strcmp(pszValue, "sheets") != 0) {
        *pstrError =
            std::string("--merge=") + pszValue + ": expected --merge=common or --merge=sheets";
        return false;
    }
    args.strMerge = pszValue != nullptr ? pszValue : "common";
    return true;
}

bool SetShard(const std::string&, const char* pszValue, Arguments& args, std::string* pstrError) {
    if (!ParseShare(pszValue, &args.nShare, &args.nShares)) {
        *pstrError = std::string("--shard ") + pszValue +
                     ": expected K/N, share K from 1 to N of N shares (N at most " +
                     std::to_string(kMaxShares) + ")";
        return false;
    }
    return true;
}

bool SetProgress(const std::string&, const char* pszValue, Arguments& args,
                 std::string* pstrError) {
    if (std::strcmp(pszValue, "bar") == 0) {
        args.eProgress = Progress::Bar;
    } else if (std::strcmp(pszValue, "lines") == 0) {
        args.eProgress = Progress::Lines;
    } else if (std::strcmp(pszValue, "none") == 0) {
        args.eProgress = Progress::None;
    } else {
        *pstrError = std::string("--progress ") + pszValue + ": expected bar, lines or none";
        return false;
    }
    return true;
}

// The connection string an archive passes its worker: read once, then wiped from the
// process's environment (its bytes too, which /proc shows) before anything else can copy it.
bool TakeOutputFromEnvironment(const std::string&, const char*, Arguments& args,
                               std::string* pstrError) {
    char* pszValue = std::getenv(kConnectionVariable);
    if (pszValue == nullptr) {
        *pstrError =
            std::string("--output-from-environment: ") + kConnectionVariable + " is not set";
        return false;
    }
    args.strOutput = pszValue;
    std::memset(pszValue, 0, std::strlen(pszValue));
    unsetenv(kConnectionVariable);
    return true;
}

constexpr bool kToWorkers = true;
constexpr bool kOwn = false;

const std::vector<Option>& Options() {
    static const std::vector<Option> kOptions = {
        Text({"-o", "--output"}, "OUTPUT", &Arguments::strOutput, kOwn,
             "output dataset (default: the first input with the\n"
             "extension of the format, .gpkg for GeoPackage)"),
        Text({"-f", "--format"}, "FORMAT", &Arguments::strFormat, kOwn,
             "GDAL vector driver, e.g. GPKG, GeoJSON, \"ESRI Shapefile\"\n"
             "(default: from the output's extension, else GPKG)"),
        Flag({"--typed"}, &Arguments::bTyped, kToWorkers,
             "the reader's point, line, area and text layers: plain\n"
             "geometries, the identifier (and a text's text and\n"
             "angle); default: a layer per kind, every item with its\n"
             "MAPGIS style"),
        Flag({"--compound", "--no-split"}, &Arguments::bCompound, kToWorkers,
             "one layer per input with every item, for formats that\n"
             "take mixed geometries (GeoPackage, FlatGeobuf, CSV,\n"
             "GeoJSON, KML); QGIS shows one geometry type per layer.\n"
             "--no-split is the same"),
        Text({"--encoding"}, "E", &Arguments::strEncoding, kToWorkers,
             "charset of the input: AUTO (default: UTF-8 when the\n"
             "start of the file holds valid UTF-8 beyond ASCII, else\n"
             "GB18030), GBK, GB18030 or UTF-8",
             SetEncoding),
        Text({"--colors"}, "FILE", &Arguments::strColors, kOwn,
             "MAPGIS colour index file that turns colour numbers into\n"
             "colours, or MAPGIS's colour library Pcolor.lib (the map\n"
             "layers only); without either items are drawn grey"),
        Text({"--slib"}, "DIR", &Arguments::strLibraryDir, kOwn,
             "MAPGIS's system library folder: its Pcolor.lib gives\n"
             "the colours when --colors is not given"),
        Text({"--font-map"}, "FILE", &Arguments::strFontMap, kToWorkers,
             "UTF-8 lines face=family (# comments) naming the font\n"
             "family of a MAPGIS face, over the shipped table"),
        Text({"--name"}, "NAME", &Arguments::strName, kOwn,
             "dataset name the layers are named after (default: the\n"
             "input's file name without extension)",
             SetName),
        Text({"--srs", "-a_srs"}, "SRS", &Arguments::strSrs, kToWorkers,
             "coordinate system of every layer (-a_srs also works):\n"
             "EPSG:4527, WKT or a PROJ string; or CGCS2000, XIAN80,\n"
             "BEIJING54 for the Gauss-Kruger system of that datum\n"
             "whose zone number the eastings carry in front (39 for\n"
             "39 511 100), looked up in PROJ's database. Without it\n"
             "no system is claimed (GeoPackage: undefined Cartesian)\n"
             "and the summary says which --srs the coordinates fit.\n"
             "KML and GeoJSON get longitude/latitude: they need it."),
        Text({"--scale"}, "F", &Arguments::strScale, kToWorkers,
             "multiply the coordinates by F (paper millimetres to\n"
             "ground metres: the map's scale / 1000)"),
        Text({"--offset"}, "DX,DY", &Arguments::strOffset, kToWorkers,
             "then add DX and DY; both before the system is assigned"),
        Flag({"--no-repair"}, &Arguments::bNoRepair, kToWorkers,
             "refuse annotation whose text holds commas, as the reader\n"
             "does; by default it is read with its delimiters honoured\n"
             "and counted as repaired"),
        Text({"--dbf-encoding"}, "E", &Arguments::strDbfEncoding, kToWorkers,
             "charset of shapefile attributes: UTF-8 (default, with a\n"
             ".cpg) or GBK for ArcGIS versions that need it",
             SetDbfEncoding),
        Flag({"--no-style"}, &Arguments::bNoStyle, kToWorkers, "write no styles"),
        Flag({"--style-only"}, &Arguments::bStyleOnly, kOwn,
             "write nothing but NAME.qml beside each input: the style\n"
             "QGIS loads for the files of a sheet opened directly\n"
             "through the MAPGIS driver (either MODE)"),
        Flag({"--overwrite", "-overwrite"}, &Arguments::bOverwrite, kToWorkers,
             "replace an existing output (-overwrite also works); in\n"
             "PostgreSQL the tables of the sheets imported"),
        Flag({"-r", "--recursive"}, &Arguments::bRecursive, kOwn,
             "an archive: the subfolders of the folders too"),
        Special({"-j", "--jobs"}, Value::Required, "N", SetJobs,
                "an archive: N worker processes (default: one per core;\n"
                "a merge imports its sheets itself)"),
        Special({"--report"}, Value::Required, "FILE", SetReport,
                "a line per input with its account and exit status: CSV\n"
                "when FILE ends in .csv, else JSON lines"),
        Flag({"--resume"}, &Arguments::bResume, kOwn,
             "an archive: skip the sheets whose output exists (an\n"
             "output appears only once complete)"),
        Text({"--schema"}, "S", &Arguments::strSchema, kToWorkers,
             "PostgreSQL: the schema of the tables (default: public)"),
        Text({"--root"}, "DIR", &Arguments::strRoot, kOwn,
             "an archive: name the sheets by their path from DIR, a\n"
             "folder above the folders given (default: from each\n"
             "folder given, with its name when there are several)"),
        Special({"--merge"}, Value::Optional, nullptr, SetMerge,
                "an archive into the one dataset OUTPUT: common layers\n"
                "NAME_points, NAME_lines... with a field sheet naming\n"
                "each feature's sheet (a/b/1); --merge=sheets: layers of\n"
                "each sheet of their own, a_b_1_points..."),
        Flag({"--list-sheets"}, &Arguments::bListSheets, kOwn,
             "an archive: print its sheets' names (their paths from\n"
             "the root, as the report has them), a line each in the\n"
             "order they are imported, and import nothing; with\n"
             "--shard, the sheets of that share"),
        Special({"--shard"}, Value::Required, "K/N", SetShard,
                "an archive: import the K-th of N shares of its sheets,\n"
                "for N machines or jobs importing one each; a sheet's\n"
                "share follows from a hash of its name alone, so adding\n"
                "sheets elsewhere moves no other"),
        Special({"--progress"}, Value::Required, "HOW", SetProgress,
                "bar (default): a progress bar when standard output is a\n"
                "terminal; lines: a line \"progress F\" per step on\n"
                "standard output, F from 0.000 to 1.000 (1.000 once the\n"
                "import is complete), for a program to read; none"),
        Flag({"-q", "--quiet", "-quiet"}, &Arguments::bQuiet, kOwn,
             "no progress bar and no summary"),
        Flag({"-h", "--help"}, &Arguments::bHelp, kOwn, "this text"),
        Flag({"--version"}, &Arguments::bVersion, kOwn, "the version of mapgis-import and of GDAL"),
        Special({"--output-from-environment"}, Value::None, nullptr, TakeOutputFromEnvironment,
                nullptr),
        Flag({"--help-man"}, &Arguments::bHelpMan, kOwn, nullptr),
        Flag({"--worker"}, &Arguments::bWorker, kOwn, nullptr),
    };
    return kOptions;
}

bool IsShort(const char* pszSpelling) {
    return pszSpelling[0] == '-' && pszSpelling[1] != '-' && pszSpelling[2] == '\0';
}

// The spelling the lists show: the short one and the first long one ("-o, --output").
std::string Shown(const Option& option) {
    const auto& spellings = option.spellings;
    std::string out = spellings[0];
    if (IsShort(spellings[0]) && spellings[1] != nullptr)
        out += std::string(", ") + spellings[1];
    return out;
}

// The spelling an option has without its dashes: the name getopt knows it by.
const char* Undashed(const char* pszSpelling) {
    return pszSpelling + std::strspn(pszSpelling, "-");
}

// A name getopt knows a long option by ("overwrite" for --overwrite and -overwrite).
struct LongSpelling {
    const char* pszName;
    size_t iOption;
};

// getopt's own tables, made from ours. Every long spelling is registered without its dashes and
// parsed as getopt_long_only does; what was typed is then checked against the spelling.
class GetoptTables {
public:
    GetoptTables() {
        m_strShort = ":";  // a missing value told apart from an unknown option
        const std::vector<Option>& options = Options();
        for (size_t i = 0; i < options.size(); ++i) {
            for (const char* psz : options[i].spellings) {
                if (psz != nullptr)
                    Register(psz, i, options[i].eValue);
            }
        }
        for (const LongSpelling& spelling : m_spellings) {
            m_long.push_back({spelling.pszName, HasArg(options[spelling.iOption].eValue), nullptr,
                              static_cast<int>(kLongBase + m_long.size())});
        }
        m_long.push_back({nullptr, 0, nullptr, 0});
    }

    static constexpr int kLongBase = 256;

    const char* ShortOptions() const { return m_strShort.c_str(); }
    const option* LongOptions() const { return m_long.data(); }
    const LongSpelling& Long(int nId) const { return m_spellings[nId - kLongBase]; }
    // The option of a short letter, or -1.
    int OfShort(int c) const {
        const size_t n = m_strShortIds.find(static_cast<char>(c));
        return n == std::string::npos ? -1 : static_cast<int>(m_shortOptions[n]);
    }

private:
    static int HasArg(Value eValue) {
        return eValue == Value::None       ? no_argument
               : eValue == Value::Required ? required_argument
                                           : optional_argument;
    }
    void Register(const char* pszSpelling, size_t iOption, Value eValue) {
        if (IsShort(pszSpelling)) {
            m_strShort += pszSpelling[1];
            if (eValue == Value::Required)
                m_strShort += ':';
            m_strShortIds += pszSpelling[1];
            m_shortOptions.push_back(iOption);
            return;
        }
        for (const LongSpelling& spelling : m_spellings) {
            if (std::strcmp(spelling.pszName, Undashed(pszSpelling)) == 0)
                return;
        }
        m_spellings.push_back({Undashed(pszSpelling), iOption});
    }

    std::string m_strShort;
    std::string m_strShortIds;
    std::vector<size_t> m_shortOptions;
    std::vector<LongSpelling> m_spellings;
    std::vector<option> m_long;
};

bool Apply(const Option& option, const std::string& strSpelling, const char* pszValue,
           Arguments* pArgs, std::string* pstrError) {
    if (option.pfnSet != nullptr)
        return option.pfnSet(strSpelling, pszValue, *pArgs, pstrError);
    if (option.pbFlag != nullptr && pszValue == nullptr) {
        pArgs->*option.pbFlag = true;
        return true;
    }
    if (option.pstrText != nullptr && pszValue != nullptr) {
        pArgs->*option.pstrText = pszValue;
        return true;
    }
    // A row of the table that sets nothing with what it takes: never silently ignored.
    *pstrError = strSpelling + ": the option is not handled";
    return false;
}

// The message for what getopt refused: nResult ':' (a missing value) or '?'.
std::string Refused(int nResult, char** argv) {
    const bool bShort = optopt > 0 && optopt < GetoptTables::kLongBase;
    const std::string strTyped =
        bShort ? std::string("-") + static_cast<char>(optopt) : std::string(argv[optind - 1]);
    if (nResult == ':')
        return strTyped + " needs a value";
    if (optopt >= GetoptTables::kLongBase)
        return strTyped.substr(0, strTyped.find('=')) + " takes no value";
    return "unknown option " + strTyped;
}

// What was typed for the long option just parsed, without its value ("--merge").
std::string Typed(char** argv) {
    const bool bSeparateValue = optarg != nullptr && optarg == argv[optind - 1];
    const std::string strTyped = argv[optind - (bSeparateValue ? 2 : 1)];
    return strTyped.substr(0, strTyped.find('='));
}

// Whether the long option was typed as one of its spellings: getopt takes abbreviations and
// either count of dashes, which would make later options ambiguous and old scripts break.
bool IsSpelling(const Option& option, const std::string& strTyped) {
    for (const char* psz : option.spellings) {
        if (psz != nullptr && strTyped == psz)
            return true;
    }
    return false;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, Arguments* pArgs,
                    std::string* pstrError) {
    static const GetoptTables tables;
    std::vector<std::string> copies = {"mapgis-import"};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : copies)
        argv.push_back(&s[0]);
    argv.push_back(nullptr);
    const int argc = static_cast<int>(copies.size());
    optind = 0;  // glibc starts afresh: a parse does not depend on the one before
    opterr = 0;
    for (;;) {
        const int nResult = getopt_long_only(argc, argv.data(), tables.ShortOptions(),
                                             tables.LongOptions(), nullptr);
        if (nResult == -1)
            break;
        if (nResult == '?' || nResult == ':') {
            *pstrError = Refused(nResult, argv.data());
            return false;
        }
        std::string strSpelling = std::string("-") + static_cast<char>(nResult);
        int iOption = tables.OfShort(nResult);
        if (nResult >= GetoptTables::kLongBase) {
            strSpelling = Typed(argv.data());
            iOption = static_cast<int>(tables.Long(nResult).iOption);
            if (!IsSpelling(Options()[iOption], strSpelling)) {
                *pstrError = "unknown option " + strSpelling;
                return false;
            }
        }
        if (!Apply(Options()[iOption], strSpelling, optarg, pArgs, pstrError))
            return false;
    }
    pArgs->inputs.assign(argv.begin() + optind, argv.begin() + argc);
    if (!pArgs->bHelp && !pArgs->bVersion && !pArgs->bHelpMan && !pArgs->bWorker &&
        pArgs->inputs.empty()) {
        *pstrError = "no input file";
        return false;
    }
    return true;
}

std::string OptionsHelp() {
    constexpr size_t kColumn = 21;
    std::string out;
    for (const Option& option : Options()) {
        if (option.pszHelp == nullptr)
            continue;
        std::string strLeft = Shown(option);
        if (option.pszValueName != nullptr)
            strLeft += std::string(" ") + option.pszValueName;
        out += "  " + strLeft +
               std::string(strLeft.size() < kColumn ? kColumn - strLeft.size() : 1, ' ');
        for (const char* psz = option.pszHelp; *psz != '\0'; ++psz) {
            out += *psz;
            if (*psz == '\n')
                out += std::string(kColumn + 2, ' ');
        }
        out += '\n';
    }
    return out;
}

namespace {

// Text for roff: its backslashes and hyphens escaped, a line starting with a dot or a quote
// kept as text.
std::string Roff(const std::string& strText) {
    std::string out;
    for (size_t i = 0; i < strText.size(); ++i) {
        const char c = strText[i];
        const bool bLineStart = i == 0 || strText[i - 1] == '\n';
        if (bLineStart && (c == '.' || c == '\''))
            out += "\\&";
        out += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
    }
    return out;
}

}  // namespace

std::string OptionsManPage() {
    std::string out;
    for (const Option& option : Options()) {
        if (option.pszHelp == nullptr)
            continue;
        out += ".TP\n\\fB" + Roff(Shown(option)) + "\\fR";
        if (option.pszValueName != nullptr)
            out += " \\fI" + Roff(option.pszValueName) + "\\fR";
        std::string strHelp = option.pszHelp;
        strHelp[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(strHelp[0])));
        out += "\n" + Roff(strHelp) + (strHelp.back() == '.' ? "\n" : ".\n");
    }
    return out;
}

std::vector<std::string> WorkerOptions(const Arguments& args) {
    std::vector<std::string> out;
    for (const Option& option : Options()) {
        if (!option.bToWorkers)
            continue;
        const char* pszSpelling = option.spellings[IsShort(option.spellings[0]) ? 1 : 0];
        if (option.pbFlag != nullptr && args.*option.pbFlag) {
            out.emplace_back(pszSpelling);
        } else if (option.pstrText != nullptr && !(args.*option.pstrText).empty()) {
            out.emplace_back(pszSpelling);
            out.push_back(args.*option.pstrText);
        }
    }
    return out;
}

}  // namespace mapgis_import
