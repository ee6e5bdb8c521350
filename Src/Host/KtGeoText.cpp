#include "KtGeoText.h"

#include "KtGeoPointUtil.h"

namespace KTX {

namespace {

bool IsAcceptable(const PlxUnicodeString& strText, const PlxPoint2D& pntAnchor, double dAngle) {
    return !strText.IsEmpty() && geo::IsFinite(pntAnchor) && std::isfinite(dAngle);
}

}  // namespace

bool KtGeoText::Make(const PlxUnicodeString& strText, const PlxPoint2D& pntAnchor, double dAngle) {
    if (!IsAcceptable(strText, pntAnchor, dAngle))
        return false;
    m_vecSubs.assign(1, Sub{pntAnchor, KtSubText(strText, dAngle)});
    return true;
}

bool KtGeoText::AddSub(const PlxUnicodeString& strText, const PlxPoint2D& pntAnchor,
                       double dAngle) {
    return AddSub(pntAnchor, KtSubText(strText, dAngle));
}

bool KtGeoText::AddSub(const PlxPoint2D& pntAnchor, const KtSubText& sub) {
    if (!IsAcceptable(sub.GetText(), pntAnchor, sub.GetAngle()))
        return false;
    m_vecSubs.push_back(Sub{pntAnchor, sub});
    return true;
}

const KtSubText* KtGeoText::GetSub(int i) const {
    if (i < 0 || i >= GetSubCount())
        return nullptr;
    return &m_vecSubs[static_cast<size_t>(i)].text;
}

PlxPoint2D KtGeoText::GetSubAnchor(int i) const {
    if (i < 0 || i >= GetSubCount())
        return PlxPoint2D();
    return m_vecSubs[static_cast<size_t>(i)].pntAnchor;
}

void KtGeoText::SetTextStyle(const KtTextStyle* pStyle, bool bMerge) {
    if (!bMerge) {
        m_TextStyle = pStyle != nullptr ? *pStyle : KtTextStyle();
        m_bHasTextStyle = pStyle != nullptr;
        return;
    }
    if (pStyle == nullptr)
        return;
    if (!m_bHasTextStyle)
        m_TextStyle = KtTextStyle();
    m_TextStyle.Merge(*pStyle);
    m_bHasTextStyle = true;
}

const KtTextStyle* KtGeoText::GetTextStyle() const {
    return m_bHasTextStyle ? &m_TextStyle : nullptr;
}

KtGeometry* KtGeoText::Clone() const {
    return new KtGeoText(*this);
}

void KtGeoText::Rotate(const PlxPoint2D& centre, double dAngle) {
    if (!geo::IsFinite(centre) || !std::isfinite(dAngle))
        return;
    for (const Sub& sub : m_vecSubs) {
        if (!std::isfinite(sub.text.GetAngle() + dAngle))
            return;
    }
    double c = 1.0, s = 0.0;
    geo::CosSinDeg(dAngle, c, s);
    for (Sub& sub : m_vecSubs) {
        sub.pntAnchor = geo::Rotated(sub.pntAnchor, centre, c, s);
        sub.text.SetAngle(sub.text.GetAngle() + dAngle);
    }
}

bool KtGeoText::GetBound(PlxRect2D& rcBound) const {
    bool bFirst = true;
    for (const Sub& sub : m_vecSubs) {
        geo::ExtendBound(rcBound, sub.pntAnchor, bFirst);
        bFirst = false;
    }
    return !bFirst;
}

}  // namespace KTX
