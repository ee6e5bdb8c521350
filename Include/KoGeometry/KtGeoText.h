// A text geometry: one or more sub-texts, each a string at its own anchor with its own
// baseline angle (degrees, counter-clockwise), sharing one text style.
// Validity: at least one sub-text; a sub-text's text is never empty.
#pragma once

#include <vector>

#include "../KoBase/PlxUnicodeString.h"
#include "../KoElement/KtTextStyle.h"
#include "KtGeometry.h"

namespace KTX {

class KOBASE_API KtSubText {
public:
    KtSubText() = default;
    KtSubText(const PlxUnicodeString& strText, double dAngle)
        : m_strText(strText), m_dAngle(dAngle) {}

    const PlxUnicodeString& GetText() const { return m_strText; }
    void SetText(const PlxUnicodeString& s) { m_strText = s; }
    double GetAngle() const { return m_dAngle; }
    void SetAngle(double d) { m_dAngle = d; }

private:
    PlxUnicodeString m_strText;
    double m_dAngle = 0.0;
};

class KOBASE_API KtGeoText : public KtGeometry {
public:
    KtGeoText() = default;

    // Replaces the content with one sub-text. False (and unchanged) for an empty text or a
    // non-finite anchor or angle.
    bool Make(const PlxUnicodeString& strText, const PlxPoint2D& pntAnchor, double dAngle);
    // Appends a sub-text; same rules as Make.
    bool AddSub(const PlxUnicodeString& strText, const PlxPoint2D& pntAnchor, double dAngle);
    bool AddSub(const PlxPoint2D& pntAnchor, const KtSubText& sub);

    int GetSubCount() const { return static_cast<int>(m_vecSubs.size()); }
    // Sub-text i, or null for an index outside the sub-texts.
    const KtSubText* GetSub(int i) const;
    // Anchor of sub-text i ((0, 0) outside the sub-texts).
    PlxPoint2D GetSubAnchor(int i) const;

    // With bMerge false the text takes a copy of the style (null removes it); with bMerge
    // true only the members the given style has set replace the current ones.
    void SetTextStyle(const KtTextStyle* pStyle, bool bMerge);
    // The text style, or null when the text has none.
    const KtTextStyle* GetTextStyle() const;

    int GetType() const override { return KTGEO_TEXT; }
    bool IsValid() const override { return !m_vecSubs.empty(); }
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    // Bound of the anchors only: the extent of the characters depends on the font.
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    struct Sub {
        PlxPoint2D pntAnchor;
        KtSubText text;
    };
    std::vector<Sub> m_vecSubs;
    KtTextStyle m_TextStyle;
    bool m_bHasTextStyle = false;
};

}  // namespace KTX
