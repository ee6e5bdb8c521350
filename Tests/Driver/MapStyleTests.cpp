// MODE=MAP's style values: colours from a colour library built here (its colours worked out by
// hand from the inks), widths in the file's millimetres, font families from the font table.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "DriverTestSupport.h"
#include "TestFiles.h"
#include "mapgisdriver.h"
#include "mapgismapstyle.h"

using drivertest::OpenMapgis;

namespace {

// Colour numbers 1 to 5 as K, C, M, Y, with spot colour 0 (K0 C0 M200 Y100) at full amount in
// number 4. By hand, x' = 255 - (255 - K)(255 - x) / 255 rounded and RGB = 255 - x':
//   1  K0 C0 M255 Y255   -> (0, 255, 255)                       #FF0000
//   2  K0 C255 M255 Y0   -> (255, 255, 0)                       #0000FF
//   3  K51 C0 M100 Y0    -> C' = 255 - 204 = 51, M' = 255 - round(204 * 155 / 255 = 124)
//                           = 131, Y' = 51                      #CC7CCC
//   4  K0 C0 M0 Y0 + spot 0 -> (0, 200, 100)                    #FF379B
//   5  K0 C0 M0 Y255     -> (0, 0, 255)                         #FFFF00
std::string Library() {
    std::string out(156 + 32 * 5, '\0');
    std::memcpy(&out[0], "PCOLOR 3", 8);
    out[8] = 6;   // the highest colour number + 1
    out[10] = 1;  // one spot colour
    const unsigned char spot[] = {0, 0, 200, 100};
    std::memcpy(&out[12], spot, 4);
    const unsigned char inks[5][4] = {
        {0, 0, 255, 255}, {0, 255, 255, 0}, {51, 0, 100, 0}, {0, 0, 0, 0}, {0, 0, 0, 255}};
    for (size_t i = 0; i < 5; ++i)
        std::memcpy(&out[156 + 32 * i], inks[i], 4);
    out[156 + 32 * 3 + 4] = static_cast<char>(255);  // number 4: spot 0 at its full amount
    return out;
}

// Two lines: colour 1 width 0.15, colour 4 width 0.3 (style line fields 2 and 3).
const char* const kLines =
    "WMAP lines\n2\n"
    "0,0,1,0.15,0,0,0,0,0\n2\n0,0\n10,0\n1,0\n"
    "0,0,4,0.3,0,0,0,0,0\n2\n0,5\n10,5\n2,0\n";

// Two squares, each drawn with the pen of its arc (colour 1 width 0.2, colour 3 width 0.3):
// area 1 fill colour 2 with pattern colour 0 (in no library), area 2 fill colour 2 with
// pattern colour 5, which the reader takes for fill and outline.
const char* const kAreas =
    "WMAP areas\n2\n"
    "0,0,1,0.2,0,0,0,0,0\n1,0\n1,0\n5\n0,0\n10,0\n10,10\n0,10\n0,0\n1,0.000\n"
    "0,0,3,0.3,0,0,0,0,0\n1,0\n2,0\n5\n20,0\n30,0\n30,10\n20,10\n20,0\n2,0.000\n"
    "1\n2\n"
    "2,0,0,0,0,0,0,0,1,0,0\n2\n1\n0\n"
    "2,0,0,0,0,5,0,0,2,0,0\n2\n2\n0\n";

// A network line over arc 2 backwards, then arc 1: drawn with arc 2's pen (colour 4, width
// 0.3), the pen of the arc it starts with. The reader gives network lines no RbUserID.
const char* const kNetwork =
    "WMAP network\n2\n"
    "0,0,1,0.15,0,0,0,0,0\n0,0\n0,0,0\n2\n0,0\n10,0\n1,0\n"
    "0,0,4,0.3,0,0,0,0,0\n0,0\n0,0,0\n2\n20,0\n10,0\n2,0\n"
    "2\n0,0\n1\n"
    "1\n0,0,7\n2\n-2\n1\n";

// A text of colour 3 in font 1, a symbol of colour 1 and width 0.5, a filled circle (line
// colour 2, width 1, fill colour 5), an arc of colour 4 and width 0.5, a text of colour 9 (in
// no library) in font 3.
const char* const kPoints =
    "WMAP points\n5\n"
    "60,60,1,0,\"AB\",4,3,0,0,1,0,0,0,3,0,0\n"
    "14,24,2,1,12,4.0,4.0,0.0,0,1,0.5,0,0\n"
    "30,30,3,2,5.0,2,1,1,5,0,0\n"
    "50,50,4,3,25.0,0.0,135.0,0.5,4,0,0\n"
    "70,70,5,0,\"CD\",4,3,0,0,3,0,0,0,9,0,0\n";

struct Want {
    std::string strColor, strFillColor;
    double dfWidth;                     // 0: none
    std::vector<std::string> styleHas;  // what the style string holds
    std::string strStyle{};             // the style string read
};

// The features of a layer by RbUserID.
std::map<int, Want> Features(GDALDataset& ds, const char* pszLayer) {
    std::map<int, Want> out;
    OGRLayer* poLayer = ds.GetLayerByName(pszLayer);
    EXPECT_NE(poLayer, nullptr) << pszLayer;
    if (poLayer == nullptr)
        return out;
    for (auto& f : *poLayer) {
        const char* pszStyle = f->GetStyleString();
        out[f->GetFieldAsInteger("RbUserID")] = {f->GetFieldAsString("Color"),
                                                 f->GetFieldAsString("FillColor"),
                                                 f->GetFieldAsDouble("LineWidth"),
                                                 {},
                                                 pszStyle != nullptr ? pszStyle : ""};
    }
    return out;
}

struct StyleCase {
    const char* pszName;
    const char* pszFile;
    const char* pszContent;
    const char* pszLayer;
    std::map<int, Want> want;
};

class MapStyle : public ::testing::TestWithParam<StyleCase> {};

TEST_P(MapStyle, ColoursFromTheLibraryWidthsInMillimetres) {
    const StyleCase& c = GetParam();
    testfiles::TempDir dir;
    const std::string strLibrary = dir.Write("Pcolor.lib", Library());
    GDALDatasetUniquePtr ds =
        OpenMapgis(dir.Write(c.pszFile, c.pszContent), "MAP", {"COLOR_INDEX=" + strLibrary});
    ASSERT_NE(ds, nullptr);
    const std::map<int, Want> got = Features(*ds, c.pszLayer);
    ASSERT_EQ(got.size(), c.want.size());
    for (const auto& [nId, want] : c.want) {
        const Want& g = got.at(nId);
        EXPECT_EQ(g.strColor, want.strColor) << nId;
        EXPECT_EQ(g.strFillColor, want.strFillColor) << nId;
        EXPECT_DOUBLE_EQ(g.dfWidth, want.dfWidth) << nId;
        for (const std::string& strPart : want.styleHas)
            EXPECT_NE(g.strStyle.find(strPart), std::string::npos) << nId << ": " << g.strStyle;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MapStyle,
    ::testing::Values(
        StyleCase{"Lines",
                  "l.wal",
                  kLines,
                  "l_lines",
                  {{1, {"#FF0000", "", 0.15, {"PEN(c:#FF0000,w:0.15mm"}}},
                   {2, {"#FF379B", "", 0.3, {"PEN(c:#FF379B,w:0.3mm"}}}}},
        StyleCase{
            "Areas",
            "a.wap",
            kAreas,
            "a_areas",
            {{1, {"#FF0000", "#0000FF", 0.2, {"PEN(c:#FF0000,w:0.2mm", "BRUSH(fc:#0000FF"}}},
             {2, {"#FFFF00", "#FFFF00", 0.3, {"PEN(c:#FFFF00,w:0.3mm", "BRUSH(fc:#FFFF00"}}}}},
        StyleCase{"NetworkLines",
                  "n.wan",
                  kNetwork,
                  "n_network",
                  {{0, {"#FF379B", "", 0.3, {"PEN(c:#FF379B,w:0.3mm"}}}}},
        StyleCase{"Texts",
                  "p.wat",
                  kPoints,
                  "p_texts",
                  {{1, {"#CC7CCC", "", 0, {"LABEL(", "c:#CC7CCC"}}}, {5, {"", "", 0, {"LABEL("}}}}},
        StyleCase{"Symbols",
                  "p.wat",
                  kPoints,
                  "p_points",
                  {{2, {"#FF0000", "", 0.5, {"SYMBOL(", "c:#FF0000"}}}}},
        StyleCase{"Circles",
                  "p.wat",
                  kPoints,
                  "p_areas",
                  {{3, {"#0000FF", "#FFFF00", 1, {"PEN(c:#0000FF,w:1mm", "BRUSH(fc:#FFFF00"}}}}},
        StyleCase{"Arcs",
                  "p.wat",
                  kPoints,
                  "p_lines",
                  {{4, {"#FF379B", "", 0.5, {"PEN(c:#FF379B,w:0.5mm"}}}}}),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return info.param.pszName; });

// The reader's own layers keep its values: a line file's widths divided by ten.
TEST(MapStyleWidths, CompoundModeKeepsTheReadersWidths) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("l.wal", kLines);
    for (const auto& [pszMode, pszLayer, dfFirst, dfSecond] :
         {std::tuple{"MAP", "l_lines", 0.15, 0.3}, std::tuple{"COMPOUND", "l", 0.015, 0.03}}) {
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, pszMode);
        ASSERT_NE(ds, nullptr) << pszMode;
        const std::map<int, Want> got = Features(*ds, pszLayer);
        ASSERT_EQ(got.size(), 2u) << pszMode;
        EXPECT_DOUBLE_EQ(got.at(1).dfWidth, dfFirst) << pszMode;
        EXPECT_DOUBLE_EQ(got.at(2).dfWidth, dfSecond) << pszMode;
        // Without a colour source the reader gives no colour, and MODE=MAP none either.
        EXPECT_EQ(got.at(1).strColor, "") << pszMode;
    }
}

// The faces the reader names (font 1: IMl001, font 3: IMl002) as families: the shipped table,
// then a user's table over it.
TEST(MapStyleFonts, FacesBecomeFamilies) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("p.wat", kPoints);
    const std::string strUser = dir.Write("fonts.txt",
                                          "# my fonts\n"
                                          "\n"
                                          "SimSun = Noto Serif CJK SC  # a comment\n");
    struct {
        std::vector<std::string> options;
        std::string strFirst, strFifth;
    } cases[] = {{{}, "AR PL UMing CN", "WenQuanYi Zen Hei"},
                 {{"FONT_MAP=" + strUser}, "Noto Serif CJK SC", "WenQuanYi Zen Hei"}};
    for (const auto& c : cases) {
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, "MAP", c.options);
        ASSERT_NE(ds, nullptr);
        std::map<int, std::string> fonts;
        for (auto& f : *ds->GetLayerByName("p_texts")) {
            const std::string strFamily = f->GetFieldAsString("FontName");
            fonts[f->GetFieldAsInteger("RbUserID")] = strFamily;
            EXPECT_NE(std::string(f->GetStyleString()).find("f:\"" + strFamily + "\""),
                      std::string::npos);
        }
        EXPECT_EQ(fonts, (std::map<int, std::string>{{1, c.strFirst}, {5, c.strFifth}}));
    }
}

TEST(MapStyleFonts, AMalformedTableIsRefusedNamingItsLine) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("p.wat", kPoints);
    for (const char* pszTable : {"SimSun=A\nSimHei B\n", "SimSun=A\n=B\n", "x=y\n\xff=B\n"}) {
        const std::string strUser = dir.Write("fonts.txt", pszTable);
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, "MAP", {"FONT_MAP=" + strUser});
        CPLPopErrorHandler();
        EXPECT_EQ(ds, nullptr) << pszTable;
        EXPECT_NE(std::string(CPLGetLastErrorMsg()).find(strUser + ":2: "), std::string::npos)
            << CPLGetLastErrorMsg();
    }
}

// What mapgis-import checks of --font-map before any work: what FONT_MAP refuses, said the
// same way.
TEST(MapStyleFonts, CheckedBeforeUseAsFontMapTakesThem) {
    testfiles::TempDir dir;
    const std::string strMissing = dir.Path() + "/none.txt";
    struct {
        std::string strPath;
        bool bTaken;
        std::string strError;
    } cases[] = {
        {dir.Write("good.txt", "\xEF\xBB\xBFSimSun=A\n# note\n\nSimHei = B # why\n"), true, ""},
        {dir.Write("bad.txt", "SimSun=A\nSimHei B\n"), false, dir.Path() + "/bad.txt:2: "},
        {strMissing, false, strMissing + ": cannot be read"},
    };
    for (const auto& c : cases) {
        std::string strError;
        EXPECT_EQ(mapgis::CheckFontMap(c.strPath, &strError), c.bTaken) << c.strPath;
        EXPECT_EQ(strError.substr(0, c.strError.size()), c.strError) << c.strPath;
        EXPECT_EQ(strError.empty(), c.bTaken) << strError;
    }
}

// A library gives the reader's own layers no colour index: they open, with a warning.
TEST(MapStyleLibrary, OtherModesWarnAndGoOn) {
    testfiles::TempDir dir;
    const std::string strLibrary = dir.Write("Pcolor.lib", Library());
    const std::string strPath = dir.Write("l.wal", kLines);
    for (const char* pszMode : {"COMPOUND", "TYPED"}) {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, pszMode, {"COLOR_INDEX=" + strLibrary});
        const std::string strWarning = CPLGetLastErrorMsg();
        CPLPopErrorHandler();
        ASSERT_NE(ds, nullptr) << pszMode;
        EXPECT_NE(strWarning.find("colour library"), std::string::npos) << strWarning;
        std::unique_ptr<OGRFeature> f(ds->GetLayer(0)->GetNextFeature());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->GetStyleString() == nullptr ||
                      std::string(f->GetStyleString()).find("#FF0000") == std::string::npos,
                  true);
    }
}

}  // namespace

// A network's nodes have no size in the file: MODE=MAP marks them 1 mm across, the reader's
// own layer keeps its marker of 10.
TEST(MapStyleNodes, SmallMarksInTheMapTheReadersSizeElsewhere) {
    GDALDatasetUniquePtr ds = OpenMapgis(drivertest::Sample("sample.wan"), "MAP");
    ASSERT_NE(ds, nullptr);
    OGRLayer* poNodes = ds->GetLayerByName("sample_nodes");
    ASSERT_NE(poNodes, nullptr);
    int nNodes = 0;
    for (auto& f : *poNodes) {
        ++nNodes;
        EXPECT_DOUBLE_EQ(f->GetFieldAsDouble("SymbolSize"), 1.0);
        EXPECT_NE(std::string(f->GetStyleString()).find("s:1mm"), std::string::npos);
    }
    EXPECT_GT(nNodes, 0);
    ds = OpenMapgis(drivertest::Sample("sample.wan"), "COMPOUND");
    ASSERT_NE(ds, nullptr);
    std::unique_ptr<OGRFeature> f(ds->GetLayer(0)->GetNextFeature());
    ASSERT_NE(f, nullptr);
    EXPECT_NE(std::string(f->GetStyleString()).find("s:10mm"), std::string::npos);
}
