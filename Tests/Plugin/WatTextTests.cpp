// Annotation texts and multi-line texts: anchors, the plain, spaced, vertical and control-code
// paths, text styles and font faces. Text record fields: x, y, id, kind, 'text', height H,
// width W, spacing S, angle A, font, -, font style, arrangement, colour, -, -.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KoBase/KtStringEx.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "WatTestSupport.h"

using testfiles::TempDir;
using wattest::ExpectRefusedLogs;
using wattest::U;
using wattest::Utf8;
using wattest::WatFile;
using wattest::WatText;

namespace {

constexpr double kEps = 1e-9;

struct TextFields {
    std::string x = "0", y = "0";
    std::string text = "Ab";
    std::string height = "10", width = "8", space = "0", angle = "0";
    int nFont = 1, nStyle = 0, nArrange = 0, nColor = 3;

    std::string Record() const {
        return x + "," + y + ",60,0,'" + text + "'," + height + "," + width + "," + space + "," +
               angle + "," + std::to_string(nFont) + ",0," + std::to_string(nStyle) + "," +
               std::to_string(nArrange) + "," + std::to_string(nColor) + ",0,0";
    }
};

std::string Resource(const char* id) {
    KTX::KtStringEx s;
    EXPECT_TRUE(s.LoadResString(U(id))) << id;
    return Utf8(s);
}

void ExpectAnchor(const KTX::KtGeoText& text, int i, double x, double y) {
    const KTX::PlxPoint2D p = text.GetSubAnchor(i);
    EXPECT_NEAR(p.x, x, kEps) << "sub-text " << i;
    EXPECT_NEAR(p.y, y, kEps) << "sub-text " << i;
}

class WatTextItem : public ::testing::Test {
protected:
    void SetUp() override {
        KTX::KtLogFile::GetInstance(true);
        wattest::LoadTestColors(dir);
    }

    // Reads the one record of a file; the geometry stays with the returned feature.
    std::unique_ptr<KTX::KtFeature> ReadOne(const std::string& record, bool bCADMode, bool& bOk) {
        m_pWat = std::make_unique<WatFile>(dir, WatText({record}));
        EXPECT_EQ(m_pWat->Count(), 1);
        if (m_pWat->Count() != 1)
            return std::make_unique<KTX::KtFeature>();
        return m_pWat->Read(0, bCADMode, bOk);
    }

    const KTX::KtGeoText* ReadText(const std::string& record, bool bCADMode = true) {
        bool bOk = false;
        m_pFeature = ReadOne(record, bCADMode, bOk);
        EXPECT_TRUE(bOk);
        return dynamic_cast<const KTX::KtGeoText*>(m_pFeature->GetGeometry());
    }

    const KTX::KtGeoCompound* ReadCompound(const std::string& record, bool bCADMode = true) {
        bool bOk = false;
        m_pFeature = ReadOne(record, bCADMode, bOk);
        EXPECT_TRUE(bOk);
        return dynamic_cast<const KTX::KtGeoCompound*>(m_pFeature->GetGeometry());
    }

    TempDir dir;
    std::unique_ptr<WatFile> m_pWat;
    std::unique_ptr<KTX::KtFeature> m_pFeature;
};

TEST_F(WatTextItem, PlainTextIsAnchoredOneHeightLeftOfItsBaseline) {
    TextFields f;
    f.x = "10", f.y = "10", f.height = "2", f.angle = "90";
    const KTX::KtGeoText* pText = ReadText(f.Record());
    ASSERT_NE(pText, nullptr);
    ASSERT_EQ(pText->GetSubCount(), 1);
    EXPECT_EQ(Utf8(pText->GetSub(0)->GetText()), "Ab");
    EXPECT_EQ(pText->GetSub(0)->GetAngle(), 90);
    ExpectAnchor(*pText, 0, 8, 10);
}

TEST_F(WatTextItem, PlainTextStyle) {
    TextFields f;
    f.height = "6", f.width = "5";
    const KTX::KtGeoText* pText = ReadText(f.Record());
    ASSERT_NE(pText, nullptr);
    ExpectAnchor(*pText, 0, 0, 6);
    const KTX::KtTextStyle* pStyle = pText->GetTextStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetForeColor(), wattest::kRed);
    EXPECT_EQ(pStyle->GetHeight(), 6);
    EXPECT_EQ(pStyle->GetWidth(), 2.5);
    EXPECT_EQ(Utf8(pStyle->GetFaceName()), Resource("IMl001"));
    EXPECT_FALSE(pStyle->IsItalic());
}

TEST_F(WatTextItem, UnknownColourKeepsTheDefault) {
    TextFields f;
    f.nColor = 99;
    const KTX::KtGeoText* pText = ReadText(f.Record());
    ASSERT_NE(pText, nullptr);
    ASSERT_NE(pText->GetTextStyle(), nullptr);
    EXPECT_FALSE(pText->GetTextStyle()->IsSet(KTX::KtTextStyle::ForeColorSet));
    EXPECT_TRUE(pText->GetTextStyle()->IsSet(KTX::KtTextStyle::HeightSet));
}

TEST_F(WatTextItem, TypedLayersGetNoTextStyle) {
    const KTX::KtGeoText* pText = ReadText(TextFields().Record(), false);
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(pText->GetTextStyle(), nullptr);
}

TEST_F(WatTextItem, ItalicOnlyForStyleThree) {
    for (int nStyle : {1, 2, 3, 4}) {
        SCOPED_TRACE(nStyle);
        TextFields f;
        f.nStyle = nStyle;
        const KTX::KtGeoText* pText = ReadText(f.Record());
        ASSERT_NE(pText, nullptr);
        ASSERT_NE(pText->GetTextStyle(), nullptr);
        EXPECT_EQ(pText->GetTextStyle()->IsItalic(), nStyle == 3);
    }
}

TEST_F(WatTextItem, FontNumbersChooseFaces) {
    const struct {
        int nFont;
        const char* id;
    } kCases[] = {{-1, "IMl001"}, {0, "IMl001"}, {1, "IMl001"}, {2, "IMl004"},
                  {3, "IMl002"},  {4, "IMl005"}, {5, "IMl001"}, {99, "IMl001"}};
    KTX::KtReadWatFile reader;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.nFont);
        EXPECT_EQ(Utf8(KTX::KtReadWatFileTestAccess::MAPGISFont2KTXFont(reader, c.nFont)),
                  Resource(c.id));
        TextFields f;
        f.nFont = c.nFont;
        const KTX::KtGeoText* pText = ReadText(f.Record());
        ASSERT_NE(pText, nullptr);
        EXPECT_EQ(Utf8(pText->GetTextStyle()->GetFaceName()), Resource(c.id));
    }
    // The four faces differ, so the checks above tell them apart.
    EXPECT_NE(Resource("IMl001"), Resource("IMl002"));
    EXPECT_NE(Resource("IMl004"), Resource("IMl005"));
}

TEST_F(WatTextItem, TinySpacingCountsAsNone) {
    TextFields f;
    f.space = "5e-11";
    const KTX::KtGeoText* pText = ReadText(f.Record());
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(pText->GetSubCount(), 1);
}

TEST_F(WatTextItem, SpacedTextBecomesOneTextPerCharacter) {
    TextFields f;
    f.text = "abc", f.height = "2", f.width = "4", f.space = "1";
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record());
    ASSERT_NE(pCompound, nullptr);
    ASSERT_EQ(pCompound->GetCount(), 3);
    // Each character advances W/2 + S = 3 and is anchored H above its baseline point.
    const char* kChars[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
        const auto* pText = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(i));
        ASSERT_NE(pText, nullptr);
        EXPECT_EQ(Utf8(pText->GetSub(0)->GetText()), kChars[i]);
        ExpectAnchor(*pText, 0, 3.0 * i, 2);
        ASSERT_NE(pText->GetTextStyle(), nullptr);
        EXPECT_EQ(pText->GetTextStyle()->GetWidth(), 2);
    }
}

TEST_F(WatTextItem, NegativeSpacingIsSpaced) {
    TextFields f;
    f.text = "ab", f.height = "2", f.width = "4", f.space = "-0.2", f.angle = "90";
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record(), false);
    ASSERT_NE(pCompound, nullptr);
    ASSERT_EQ(pCompound->GetCount(), 2);
    // Along the y axis, each anchor shifted by H to the left (negative x).
    const auto* pSecond = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(1));
    ASSERT_NE(pSecond, nullptr);
    ExpectAnchor(*pSecond, 0, -2, 1.8);
    EXPECT_EQ(pSecond->GetSub(0)->GetAngle(), 90);
    EXPECT_EQ(pSecond->GetTextStyle(), nullptr);
}

TEST_F(WatTextItem, VerticalTextIsOneTextWithASubTextPerCharacter) {
    TextFields f;
    f.x = "10", f.y = "10", f.text = "abc", f.height = "2", f.nArrange = 2;
    const KTX::KtGeoText* pText = ReadText(f.Record());
    ASSERT_NE(pText, nullptr);
    ASSERT_EQ(pText->GetSubCount(), 3);
    ExpectAnchor(*pText, 0, 10, 10);
    ExpectAnchor(*pText, 1, 10, 7.8);
    ExpectAnchor(*pText, 2, 10, 5.6);
    EXPECT_EQ(Utf8(pText->GetSub(2)->GetText()), "c");
    ASSERT_NE(pText->GetTextStyle(), nullptr);
    EXPECT_EQ(pText->GetTextStyle()->GetHeight(), 2);
}

TEST_F(WatTextItem, VerticalTextTurnsAboutItsPoint) {
    TextFields f;
    f.x = "10", f.y = "10", f.text = "ab", f.height = "2", f.angle = "90", f.nArrange = 1;
    const KTX::KtGeoText* pText = ReadText(f.Record(), false);
    ASSERT_NE(pText, nullptr);
    ASSERT_EQ(pText->GetSubCount(), 2);
    // (10, 7.8) turned a quarter about (10, 10) lands at (12.2, 10).
    ExpectAnchor(*pText, 0, 10, 10);
    ExpectAnchor(*pText, 1, 12.2, 10);
    EXPECT_EQ(pText->GetSub(1)->GetAngle(), 90);
}

TEST_F(WatTextItem, EmptyTextIsRefusedWithoutLog) {
    for (int nArrange : {0, 1}) {
        SCOPED_TRACE(nArrange);
        TextFields f;
        f.text = "";
        f.nArrange = nArrange;
        bool bOk = true;
        auto pFeature = ReadOne(f.Record(), true, bOk);
        EXPECT_FALSE(bOk);
        EXPECT_EQ(pFeature->GetGeometry(), nullptr);
    }
    EXPECT_EQ(KTX::KtLogFile::GetInstance(false)->GetRecordCount(), 0);
}

TEST_F(WatTextItem, SubscriptTextBecomesPositionedPieces) {
    TextFields f;
    f.y = "-10", f.text = "H#-2#=O";
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record());
    ASSERT_NE(pCompound, nullptr);
    ASSERT_EQ(pCompound->GetCount(), 3);
    const struct {
        const char* text;
        double x, y, height, width;
    } kPieces[] = {{"H", 0, 0, 10, 4}, {"2", 4, -5, 5, 2}, {"O", 6, 0, 10, 4}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto* pText = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(i));
        ASSERT_NE(pText, nullptr);
        EXPECT_EQ(Utf8(pText->GetSub(0)->GetText()), kPieces[i].text);
        ExpectAnchor(*pText, 0, kPieces[i].x, kPieces[i].y);
        ASSERT_NE(pText->GetTextStyle(), nullptr);
        EXPECT_EQ(pText->GetTextStyle()->GetHeight(), kPieces[i].height);
        EXPECT_EQ(pText->GetTextStyle()->GetWidth(), kPieces[i].width);
        EXPECT_EQ(pText->GetTextStyle()->GetForeColor(), wattest::kRed);
    }
}

TEST_F(WatTextItem, FractionBecomesBarAndTwoTexts) {
    TextFields f;
    f.y = "-10", f.text = "/12/3/";
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record());
    ASSERT_NE(pCompound, nullptr);
    ASSERT_EQ(pCompound->GetCount(), 3);
    const auto* pBar = dynamic_cast<const KTX::KtGeoLine*>(pCompound->GetAt(0));
    ASSERT_NE(pBar, nullptr);
    ASSERT_EQ(pBar->GetPointCount(), 2);
    EXPECT_NEAR(pBar->GetPoints(0)[0].x, 0, kEps);
    EXPECT_NEAR(pBar->GetPoints(0)[0].y, 0, kEps);
    EXPECT_NEAR(pBar->GetPoints(0)[1].x, 8, kEps);
    EXPECT_NEAR(pBar->GetPoints(0)[1].y, 0, kEps);
    ASSERT_NE(pBar->GetStyle(), nullptr);
    EXPECT_EQ(pBar->GetStyle()->GetLineColor(), wattest::kRed);
    const auto* pNum = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(1));
    const auto* pDen = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(2));
    ASSERT_NE(pNum, nullptr);
    ASSERT_NE(pDen, nullptr);
    ExpectAnchor(*pNum, 0, 0, 12.5);
    ExpectAnchor(*pDen, 0, 2, -2.5);
}

TEST_F(WatTextItem, RotatedFractionTurnsWithItsText) {
    TextFields f;
    f.x = "10", f.text = "/12/3/", f.angle = "90";
    // The start point is (10 - 10, 0): the fraction turns a quarter about it.
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record(), false);
    ASSERT_NE(pCompound, nullptr);
    ASSERT_EQ(pCompound->GetCount(), 3);
    const auto* pBar = dynamic_cast<const KTX::KtGeoLine*>(pCompound->GetAt(0));
    ASSERT_NE(pBar, nullptr);
    EXPECT_NEAR(pBar->GetPoints(0)[1].x, 0, kEps);
    EXPECT_NEAR(pBar->GetPoints(0)[1].y, 8, kEps);
    EXPECT_EQ(pBar->GetStyle(), nullptr);
    const auto* pNum = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(1));
    const auto* pDen = dynamic_cast<const KTX::KtGeoText*>(pCompound->GetAt(2));
    ASSERT_NE(pNum, nullptr);
    ASSERT_NE(pDen, nullptr);
    ExpectAnchor(*pNum, 0, -12.5, 0);
    ExpectAnchor(*pDen, 0, 2.5, 2);
    EXPECT_EQ(pDen->GetSub(0)->GetAngle(), 90);
    EXPECT_EQ(pDen->GetTextStyle(), nullptr);
}

TEST_F(WatTextItem, CodedTextWithoutPiecesStillGivesACompound) {
    TextFields f;
    f.text = "/";
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record());
    ASSERT_NE(pCompound, nullptr);
    EXPECT_EQ(pCompound->GetCount(), 0);
}

TEST_F(WatTextItem, EmptyPiecesAreLeftOut) {
    TextFields f;
    f.text = "ab#+";
    const KTX::KtGeoCompound* pCompound = ReadCompound(f.Record());
    ASSERT_NE(pCompound, nullptr);
    EXPECT_EQ(pCompound->GetCount(), 2);
}

TEST_F(WatTextItem, MultiLineTextIsMovedByItsOffset) {
    const std::string record = "10,10,61,5,Two lines,6,5,0,90,3,0,3,0,3,0,0,5,0,0";
    const KTX::KtGeoText* pText = ReadText(record);
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(Utf8(pText->GetSub(0)->GetText()), "Two lines");
    ExpectAnchor(*pText, 0, 7, 10);
    EXPECT_EQ(pText->GetSub(0)->GetAngle(), 90);
    const KTX::KtTextStyle* pStyle = pText->GetTextStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetForeColor(), wattest::kGreen);
    EXPECT_EQ(pStyle->GetHeight(), 6);
    EXPECT_EQ(pStyle->GetWidth(), 2.5);
    EXPECT_EQ(Utf8(pStyle->GetFaceName()), Resource("IMl002"));
    EXPECT_TRUE(pStyle->IsItalic());
}

TEST_F(WatTextItem, MultiLineTextKeepsItsWholeField) {
    const KTX::KtGeoText* pText = ReadText("0,0,62,5,'q',6,5,0,0,1,0,0,0,0,0,0,3,0,0", false);
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(Utf8(pText->GetSub(0)->GetText()), "'q'");
    ExpectAnchor(*pText, 0, 0, 0);
    EXPECT_EQ(pText->GetTextStyle(), nullptr);
}

TEST_F(WatTextItem, EmptyMultiLineTextIsRefused) {
    bool bOk = true;
    auto pFeature = ReadOne("0,0,63,5,,6,5,0,0,1,0,0,0,0,0,0,3,0,0", true, bOk);
    EXPECT_FALSE(bOk);
    EXPECT_EQ(pFeature->GetGeometry(), nullptr);
    EXPECT_EQ(KTX::KtLogFile::GetInstance(false)->GetRecordCount(), 0);
}

}  // namespace
