// A host feature: field descriptions, one value per field, and an owned geometry.
#pragma once

#include <vector>

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxFieldInfo.h"
#include "../KoBase/PlxVariant.h"

namespace KTX {

class KtGeometry;

class KOBASE_API KtFeature {
public:
    KtFeature() = default;
    KtFeature(const KtFeature&) = delete;
    KtFeature& operator=(const KtFeature&) = delete;
    virtual ~KtFeature();

    // Replaces the field descriptions; every value becomes null.
    virtual void SetFieldInfos(const PlxFieldInfos& fieldInfos);
    virtual const PlxFieldInfos& GetFieldInfos() const;
    // Sets the value of the named field; false when there is no such field.
    virtual bool SetValue(const PlxUnicodeString& strField, const PlxVariant& value);
    // Value of the named field, or null when there is no such field.
    virtual const PlxVariant* GetValue(const PlxUnicodeString& strField) const;
    virtual const PlxVariant* GetValue(int iField) const;
    // Takes ownership of pGeometry (null allowed); the geometry held before is deleted,
    // unless it is pGeometry itself.
    virtual void SetGeometry(KtGeometry* pGeometry);
    virtual KtGeometry* GetGeometry() const;
    // Hands the geometry over to the caller; the feature holds none afterwards.
    KtGeometry* DetachGeometry();

    // Back to a new feature: no fields, no values, no geometry.
    void Clear();

private:
    PlxFieldInfos m_fieldInfos;
    std::vector<PlxVariant> m_vecValues;
    KtGeometry* m_pGeometry = nullptr;
};

}  // namespace KTX
