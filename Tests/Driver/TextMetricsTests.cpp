// MODE=MAP's text pieces as MAPGIS lays them out and sizes them. A spaced text: a full-width
// character advances W + S along the angle, a half-width one W / 2 + S, from the plug-in's
// first position, the given point moved up by H perpendicular to the baseline. Each piece's
// TextWidth is W for a full-width character and W / 2 otherwise; the pieces of a text with
// control codes keep the plug-in's places and widths (W × 0.5 at full size, W × 0.25 for a
// subscript). Every position below is worked out by hand from the record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriverTestSupport.h"
#include "TestFiles.h"
#include "mapgiswidechars.h"

using drivertest::OpenMapgis;

namespace {

constexpr double kCos30 = 0.8660254037844386;  // √3 / 2; sin 30° = 0.5

struct Piece {
    std::string strText;
    double dfX, dfY, dfHeight, dfWidth, dfAngle;
};

struct TextCase {
    const char* pszName;
    std::string strRecord;  // one text record of a point file
    std::vector<std::string> options;
    std::vector<Piece> pieces;
};

// The pieces of "中文AB图", H 6, W 6, S 0.2, from P0, along angle a: the advances are
// 中 6 + 0.2, 文 6.2, A 3 + 0.2, B 3.2, so the pieces stand 0, 6.2, 12.4, 15.6 and 18.8 along
// the baseline (the plug-in had them 3.2 apart: 0, 3.2, 6.4, 9.6, 12.8).
std::vector<Piece> Title(double dfX0, double dfY0, double dfCos, double dfSin, double dfAngle) {
    const char* const texts[] = {"中", "文", "A", "B", "图"};
    const double along[] = {0, 6.2, 12.4, 15.6, 18.8};
    const double widths[] = {6, 6, 3, 3, 6};
    std::vector<Piece> pieces;
    for (int i = 0; i < 5; ++i) {
        pieces.push_back(
            {texts[i], dfX0 + along[i] * dfCos, dfY0 + along[i] * dfSin, 6, widths[i], dfAngle});
    }
    return pieces;
}

std::vector<TextCase> Cases() {
    return {
        // At (100, 200), angle 0: P0 = (100, 206).
        {"TitleFlat",
         "100,200,1,0,\"中文AB图\",6,6,0.2,0,1,0,0,0,1,0,0",
         {},
         Title(100, 206, 1, 0, 0)},
        // Angle 30: P0 = (100 - 6 × 0.5, 200 + 6 × cos 30) = (97, 205.196...).
        {"TitleAt30",
         "100,200,1,0,\"中文AB图\",6,6,0.2,30,1,0,0,0,1,0,0",
         {},
         Title(97, 200 + 6 * kCos30, kCos30, 0.5, 30)},
        // One character: at P0, its own width.
        {"OneFullWidth",
         "100,200,1,0,\"中\",6,6,0.2,0,1,0,0,0,1,0,0",
         {},
         {{"中", 100, 206, 6, 6, 0}}},
        {"OneHalfWidth",
         "100,200,1,0,\"A\",6,6,0.2,0,1,0,0,0,1,0,0",
         {},
         {{"A", 100, 206, 6, 3, 0}}},
        // S -0.5: 中 advances 6 - 0.5 = 5.5, A 3 - 0.5 = 2.5: at 0, 5.5, 8.
        {"NegativeSpacing",
         "0,0,1,0,\"中A文\",6,6,-0.5,0,1,0,0,0,1,0,0",
         {},
         {{"中", 0, 6, 6, 6, 0}, {"A", 5.5, 6, 6, 3, 0}, {"文", 8, 6, 6, 6, 0}}},
        // S -4: the plug-in's advance 3 - 4 = -1 runs backwards; MAPGIS's 6 - 4 = 2 does not.
        {"SpacingBeyondHalfWidth",
         "0,0,1,0,\"中中\",6,6,-4,0,1,0,0,0,1,0,0",
         {},
         {{"中", 0, 6, 6, 6, 0}, {"中", 2, 6, 6, 6, 0}}},
        // SCALE=2 doubles the coordinates: P0 (0, 6) becomes (0, 12), A's 6.2 along becomes
        // 12.4. Heights and widths stay in the file's units, as TextHeight always has.
        {"Scaled",
         "0,0,1,0,\"中A\",6,6,0.2,0,1,0,0,0,1,0,0",
         {"SCALE=2"},
         {{"中", 0, 12, 6, 6, 0}, {"A", 12.4, 12, 6, 3, 0}}},
        // Control codes, H 10, W 8, S 1, from P0 (0, 10): the run "中文" one character per
        // piece W / 2 + S = 5 apart (0, 5), the base H at 10, its subscript half a height
        // down at 10 + W / 2 = 14, height 5; widths W × 0.5 = 4 and, subscript, W × 0.25 = 2.
        {"ControlCodes",
         "0,0,1,0,\"中文H#-2#=\",10,8,1,0,1,0,0,0,1,0,0",
         {},
         {{"中", 0, 10, 10, 4, 0},
          {"文", 5, 10, 10, 4, 0},
          {"H", 10, 10, 10, 4, 0},
          {"2", 14, 5, 5, 2, 0}}},
        // A fraction from P0 (0, 10): the numerator 1.25 H up, the denominator 0.25 H down,
        // both centred on the longer one (2 characters: x + 2 × W × 0.25 = 4).
        {"Fraction",
         "0,0,1,0,\"/12/3/\",10,8,0,0,1,0,0,0,1,0,0",
         {},
         {{"12", 0, 22.5, 10, 4, 0}, {"3", 2, 7.5, 10, 4, 0}}},
        // Vertical, H 8, S 0: the characters 1.1 × 8 = 8.8 apart downward from the given point.
        {"Vertical",
         "0,0,1,0,\"北京\",8,8,0,0,1,0,0,1,1,0,0",
         {},
         {{"北", 0, 0, 8, 8, 0}, {"京", 0, -8.8, 8, 8, 0}}},
    };
}

std::string WriteSheet(const testfiles::TempDir& dir, const std::string& strRecord) {
    return dir.Write("t.wat", "WMAPGIS points\n1\n" + strRecord + "\n");
}

class TextMetrics : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextMetrics, PiecesWhereAndAsWideAsMapgisDrawsThem) {
    const TextCase& c = GetParam();
    testfiles::TempDir dir;
    GDALDatasetUniquePtr ds = OpenMapgis(WriteSheet(dir, c.strRecord), "MAP", c.options);
    ASSERT_NE(ds, nullptr);
    OGRLayer* poTexts = ds->GetLayerByName("t_texts");
    ASSERT_NE(poTexts, nullptr);
    std::vector<std::unique_ptr<OGRFeature>> got;
    for (auto& f : *poTexts)
        got.emplace_back(f.release());
    ASSERT_EQ(got.size(), c.pieces.size());
    for (size_t i = 0; i < got.size(); ++i) {
        const Piece& want = c.pieces[i];
        const OGRFeature& f = *got[i];
        SCOPED_TRACE(want.strText + " #" + std::to_string(i));
        EXPECT_EQ(f.GetFieldAsString("Text"), want.strText);
        const OGRPoint* poPoint = f.GetGeometryRef()->toPoint();
        EXPECT_NEAR(poPoint->getX(), want.dfX, 1e-9);
        EXPECT_NEAR(poPoint->getY(), want.dfY, 1e-9);
        EXPECT_DOUBLE_EQ(f.GetFieldAsDouble("TextHeight"), want.dfHeight);
        EXPECT_DOUBLE_EQ(f.GetFieldAsDouble("TextWidth"), want.dfWidth);
        EXPECT_DOUBLE_EQ(f.GetFieldAsDouble("TextAngle"), want.dfAngle);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, TextMetrics, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.pszName); });

// Every point of a geometry, in order.
void CollectPoints(const OGRGeometry& geom, std::vector<OGRPoint>& points) {
    if (wkbFlatten(geom.getGeometryType()) == wkbPoint) {
        points.push_back(*geom.toPoint());
    } else if (OGR_GT_IsSubClassOf(wkbFlatten(geom.getGeometryType()), wkbGeometryCollection)) {
        for (const OGRGeometry* poPart : *geom.toGeometryCollection())
            CollectPoints(*poPart, points);
    }
}

// Texts whose layout the plug-in's own reading gives: the map layer's pieces stand exactly
// where the compound's do, also rotated.
TEST(TextMetricsKept, CodedAndVerticalTextsStandAsInTheCompound) {
    for (const char* pszRecord : {
             "0,0,1,0,\"中文H#-2#=\",10,8,1,0,1,0,0,0,1,0,0",
             "0,0,1,0,\"H#-2#=O\",10,8,0,25,1,0,0,0,1,0,0",
             "0,0,1,0,\"北京\",8,8,0,0,1,0,0,1,1,0,0",
             "0,0,1,0,\"北京A\",8,8,0.5,30,1,0,0,1,1,0,0",
         }) {
        SCOPED_TRACE(pszRecord);
        testfiles::TempDir dir;
        const std::string strPath = WriteSheet(dir, pszRecord);
        GDALDatasetUniquePtr compound = OpenMapgis(strPath, "COMPOUND");
        GDALDatasetUniquePtr map = OpenMapgis(strPath, "MAP");
        ASSERT_NE(compound, nullptr);
        ASSERT_NE(map, nullptr);
        std::unique_ptr<OGRFeature> item(compound->GetLayer(0)->GetNextFeature());
        ASSERT_NE(item, nullptr);
        std::vector<OGRPoint> want;
        CollectPoints(*item->GetGeometryRef(), want);
        std::vector<OGRPoint> got;
        for (auto& f : *map->GetLayerByName("t_texts"))
            got.push_back(*f->GetGeometryRef()->toPoint());
        ASSERT_EQ(got.size(), want.size());
        ASSERT_GT(got.size(), 1u);
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].getX(), want[i].getX()) << i;
            EXPECT_EQ(got[i].getY(), want[i].getY()) << i;
        }
    }
}

// The table against characters of each kind, by their Unicode East Asian Width.
TEST(FullWidth, CharactersOfEachWidth) {
    const std::pair<char32_t, bool> cases[] = {
        {U'A', false},      {U'é', false},         {U'—', false},  // Na, A (ambiguous), A
        {U'中', true},      {U'图', true},         {U'。', true},  // W, W, W (CJK full stop)
        {U'Ａ', true},      {U'ｱ', false},         {U'あ', true},  // F, H (half-width katakana), W
        {U'한', true},      {U'\u1100', true},     {U'\u115F', true},
        {U'\u1160', false}, {U'\U00020000', true},  // CJK Extension B, W
        {U'\u3000', true},                          // ideographic space, F
        {U'\u303F', false},                         // ideographic half fill space, N
    };
    for (const auto& [c, bFull] : cases)
        EXPECT_EQ(mapgis::IsFullWidth(c), bFull) << static_cast<unsigned>(c);
}

TEST(FullWidth, OnlyCharacterOfUtf8) {
    EXPECT_EQ(mapgis::OnlyCharacter("A"), std::optional<char32_t>(U'A'));
    EXPECT_EQ(mapgis::OnlyCharacter("中"), std::optional<char32_t>(U'中'));
    EXPECT_EQ(mapgis::OnlyCharacter("\xF0\xA0\x80\x80"), std::optional<char32_t>(0x20000));
    for (const char* psz : {"", "AB", "中文", "\xE4\xB8", "\x80", "\xE4\x41\x41"})
        EXPECT_EQ(mapgis::OnlyCharacter(psz), std::nullopt) << psz;
}

}  // namespace
