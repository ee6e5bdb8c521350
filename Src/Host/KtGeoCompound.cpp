#include "KtGeoCompound.h"

#include <cstddef>

#include "KtGeoLine.h"
#include "KtGeoPointUtil.h"
#include "KtGeoRegion.h"

namespace KTX {

namespace {

// Whether pTarget is one of the parts of compound, at any depth.
bool Reaches(const KtGeoCompound& compound, const KtGeometry* pTarget) {
    for (int i = 0; i < compound.GetCount(); ++i) {
        const KtGeometry* pPart = compound.GetAt(i);
        if (pPart == pTarget)
            return true;
        if (pPart->GetType() == KTGEO_COMPOUND &&
            Reaches(static_cast<const KtGeoCompound&>(*pPart), pTarget)) {
            return true;
        }
    }
    return false;
}

std::vector<KtGeometry*> CloneAll(const std::vector<KtGeometry*>& vecParts) {
    std::vector<KtGeometry*> vecCopies;
    vecCopies.reserve(vecParts.size());
    for (const KtGeometry* pPart : vecParts)
        vecCopies.push_back(pPart->Clone());
    return vecCopies;
}

void DeleteAll(std::vector<KtGeometry*>& vecParts) {
    for (KtGeometry* pPart : vecParts)
        delete pPart;
    vecParts.clear();
}

}  // namespace

KtGeoCompound::KtGeoCompound(const KtGeoCompound& other)
    : KtGeometry(other), m_vecParts(CloneAll(other.m_vecParts)) {}

KtGeoCompound& KtGeoCompound::operator=(const KtGeoCompound& other) {
    if (this == &other)
        return *this;
    std::vector<KtGeometry*> vecCopies = CloneAll(other.m_vecParts);
    KtGeometry::operator=(other);
    DeleteAll(m_vecParts);
    m_vecParts.swap(vecCopies);
    return *this;
}

KtGeoCompound::~KtGeoCompound() {
    DeleteAll(m_vecParts);
}

bool KtGeoCompound::AddCompound(KtGeometry* pGeometry, bool bTakeOwnership) {
    if (pGeometry == nullptr || pGeometry == this)
        return false;
    if (!bTakeOwnership) {
        m_vecParts.push_back(pGeometry->Clone());
        return true;
    }
    // Taking a compound that holds this one would make each own the other.
    if (pGeometry->GetType() == KTGEO_COMPOUND &&
        Reaches(static_cast<const KtGeoCompound&>(*pGeometry), this)) {
        return false;
    }
    m_vecParts.push_back(pGeometry);
    return true;
}

const KtGeometry* KtGeoCompound::GetAt(int i) const {
    if (i < 0 || i >= GetCount())
        return nullptr;
    return m_vecParts[static_cast<size_t>(i)];
}

bool KtGeoCompound::Divide(PlxArray<KtGeometry*>& arrParts, bool bCopy) const {
    arrParts.RemoveAll();
    if (m_vecParts.empty())
        return false;
    arrParts.Reserve(GetCount());
    for (KtGeometry* pPart : m_vecParts)
        arrParts.Add(bCopy ? pPart->Clone() : pPart);
    return true;
}

bool KtGeoCompound::IsValid() const {
    if (m_vecParts.empty())
        return false;
    for (const KtGeometry* pPart : m_vecParts) {
        if (!pPart->IsValid())
            return false;
    }
    return true;
}

KtGeometry* KtGeoCompound::Clone() const {
    return new KtGeoCompound(*this);
}

void KtGeoCompound::Rotate(const PlxPoint2D& centre, double dAngle) {
    for (KtGeometry* pPart : m_vecParts)
        pPart->Rotate(centre, dAngle);
}

bool KtGeoCompound::ConvertToLine(KtGeoLine* pLine, int nSegments) const {
    if (pLine == nullptr || nSegments < 0)
        return false;
    KtGeoLine all;
    KtGeoLine part;
    for (const KtGeometry* pPart : m_vecParts) {
        if (!pPart->ConvertToLine(&part, nSegments))
            continue;
        for (int i = 0; i < part.GetSubCount(); ++i) {
            all.AddSub(part.GetPoints(i), part.GetSubPntCount(i));
        }
    }
    if (!all.IsValid())
        return false;
    pLine->Clear();
    for (int i = 0; i < all.GetSubCount(); ++i) {
        pLine->AddSub(all.GetPoints(i), all.GetSubPntCount(i));
    }
    return true;
}

bool KtGeoCompound::ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const {
    if (pRegion == nullptr || nSegments < 0)
        return false;
    KtGeoRegion all;
    KtGeoRegion part;
    for (const KtGeometry* pPart : m_vecParts) {
        if (!pPart->ConvertToRegion(&part, nSegments))
            continue;
        for (int i = 0; i < part.GetSubCount(); ++i) {
            all.AddSub(part.GetPoints(i), part.GetSubPntCount(i));
        }
    }
    if (!all.IsValid())
        return false;
    pRegion->Clear();
    for (int i = 0; i < all.GetSubCount(); ++i) {
        pRegion->AddSub(all.GetPoints(i), all.GetSubPntCount(i));
    }
    return true;
}

bool KtGeoCompound::GetBound(PlxRect2D& rcBound) const {
    bool bAny = false;
    for (const KtGeometry* pPart : m_vecParts) {
        PlxRect2D rc;
        if (!pPart->GetBound(rc))
            continue;
        // A part's bound is spanned by its lower-left and upper-right corners.
        geo::ExtendBound(rcBound, PlxPoint2D(rc.left, rc.bottom), !bAny);
        geo::ExtendBound(rcBound, PlxPoint2D(rc.right, rc.top), false);
        bAny = true;
    }
    return bAny;
}

}  // namespace KTX
