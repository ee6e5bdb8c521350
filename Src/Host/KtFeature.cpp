#include "KtFeature.h"

#include "KtGeometry.h"

namespace KTX {

KtFeature::~KtFeature() {
    delete m_pGeometry;
}

void KtFeature::SetFieldInfos(const PlxFieldInfos& fieldInfos) {
    m_fieldInfos = fieldInfos;
    m_vecValues.assign(static_cast<size_t>(m_fieldInfos.GetSize()), PlxVariant());
}

const PlxFieldInfos& KtFeature::GetFieldInfos() const {
    return m_fieldInfos;
}

bool KtFeature::SetValue(const PlxUnicodeString& strField, const PlxVariant& value) {
    const int i = m_fieldInfos.Find(strField);
    if (i < 0)
        return false;
    m_vecValues[static_cast<size_t>(i)] = value;
    return true;
}

const PlxVariant* KtFeature::GetValue(const PlxUnicodeString& strField) const {
    return GetValue(m_fieldInfos.Find(strField));
}

const PlxVariant* KtFeature::GetValue(int iField) const {
    if (iField < 0 || iField >= static_cast<int>(m_vecValues.size()))
        return nullptr;
    return &m_vecValues[static_cast<size_t>(iField)];
}

void KtFeature::SetGeometry(KtGeometry* pGeometry) {
    if (pGeometry != m_pGeometry)
        delete m_pGeometry;
    m_pGeometry = pGeometry;
}

KtGeometry* KtFeature::GetGeometry() const {
    return m_pGeometry;
}

KtGeometry* KtFeature::DetachGeometry() {
    KtGeometry* pGeometry = m_pGeometry;
    m_pGeometry = nullptr;
    return pGeometry;
}

void KtFeature::Clear() {
    // The storage stays: a host that clears its features batch after batch refills them
    // without allocating again.
    m_fieldInfos.SetSize(0);
    m_vecValues.clear();
    SetGeometry(nullptr);
}

}  // namespace KTX
