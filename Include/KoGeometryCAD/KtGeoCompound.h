// A compound geometry: an ordered list of parts of any kind, compounds included.
// Validity: at least one part, and every part valid.
#pragma once

#include <vector>

#include "../KoBase/PlxArray.h"
#include "../KoGeometry/KtGeometry.h"

namespace KTX {

class KOBASE_API KtGeoCompound : public KtGeometry {
public:
    KtGeoCompound() = default;
    KtGeoCompound(const KtGeoCompound& other);
    KtGeoCompound& operator=(const KtGeoCompound& other);
    ~KtGeoCompound() override;

    // Appends a part. With bTakeOwnership the compound takes pGeometry and deletes it when
    // it is destroyed; without, it appends a copy and the caller keeps pGeometry. False for
    // a null pointer or the compound itself (a taken geometry is then not taken).
    bool AddCompound(KtGeometry* pGeometry, bool bTakeOwnership);

    int GetCount() const { return static_cast<int>(m_vecParts.size()); }
    // Part i, still owned by the compound; null outside the parts.
    const KtGeometry* GetAt(int i) const;

    // Fills arrParts (emptied first) with the parts in order. With bCopy the caller receives
    // copies and owns them; without, the pointers stay the compound's. Nested compounds are
    // handed over as they are, not flattened. False for an empty compound.
    bool Divide(PlxArray<KtGeometry*>& arrParts, bool bCopy) const;

    int GetType() const override { return KTGEO_COMPOUND; }
    bool IsValid() const override;
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    // Every part that converts contributes its parts; false when none does.
    bool ConvertToLine(KtGeoLine* pLine, int nSegments) const override;
    bool ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const override;
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    std::vector<KtGeometry*> m_vecParts;
};

}  // namespace KTX
