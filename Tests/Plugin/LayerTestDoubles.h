// Test doubles for the layers: a reader that hands out prepared geometries, and access to
// the protected state of any layer class.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "KoElement/KtFeature.h"
#include "KoGeometry/KtGeometry.h"
#include "KtReadMAPGISFile.h"
#include "tagFileIndex.h"

namespace layertest {

// Answers for records by their identifier: the type, whether the read fails, and a copy of
// the prepared geometry. Remembers every read and the CAD flag it saw.
class FakeReader : public KTX::KtReadMAPGISFile {
public:
    int GetType(const KTX::tagFileIndex* pIndex) const override {
        if (pIndex == nullptr)
            return 0;
        auto it = m_types.find(pIndex->nItemID);
        return it == m_types.end() ? 0 : it->second;
    }
    bool ReadItemData(const KTX::tagFileIndex* pIndex, KTX::KtFeature* pFeature) const override {
        m_readIDs.push_back(pIndex->nItemID);
        m_cadModes.push_back(m_bCADMode);
        if (m_failing.count(pIndex->nItemID) != 0)
            return false;
        InitUserID(pFeature);
        pFeature->SetValue(KTX::kUserIDFieldName, KTX::PlxVariant(pIndex->nItemID));
        auto it = m_geometries.find(pIndex->nItemID);
        if (it != m_geometries.end())
            pFeature->SetGeometry(it->second->Clone());
        return true;
    }

    void SetGeometry(int nID, std::unique_ptr<KTX::KtGeometry> pGeometry) {
        m_geometries[nID] = std::move(pGeometry);
    }

    std::map<int, int> m_types;
    std::set<int> m_failing;
    std::map<int, std::unique_ptr<KTX::KtGeometry>> m_geometries;
    mutable std::vector<int> m_readIDs;
    mutable std::vector<bool> m_cadModes;
};

// A layer of class Layer whose reader and index the test puts in place.
template <class Layer>
class OpenLayer : public Layer {
public:
    using Layer::BuildReadFile;
    using Layer::m_arrFileIndex;
    using Layer::m_bCADMode;
    using Layer::m_nCurrentFeature;
    using Layer::m_nSegmentCount;
    using Layer::m_pReadFile;

    // Hands the reader to the layer and indexes one record per identifier (0: a null record).
    FakeReader* Install(std::unique_ptr<FakeReader> pReader, const std::vector<int>& ids) {
        m_pReadFile = pReader.release();
        for (int nID : ids) {
            m_arrFileIndex.Add(nID == 0 ? nullptr : new KTX::tagFileIndex(nID, 0));
        }
        return static_cast<FakeReader*>(m_pReadFile);
    }
};

// A batch of empty features owned by the test.
class FeatureBatch {
public:
    explicit FeatureBatch(int nSize) {
        for (int i = 0; i < nSize; ++i) {
            m_owned.push_back(std::make_unique<KTX::KtFeature>());
            m_arr.Add(m_owned.back().get());
        }
    }
    KTX::PlxArray<KTX::KtFeature*>& Array() { return m_arr; }
    KTX::KtFeature& operator[](int i) { return *m_owned[static_cast<size_t>(i)]; }

private:
    std::vector<std::unique_ptr<KTX::KtFeature>> m_owned;
    KTX::PlxArray<KTX::KtFeature*> m_arr;
};

// The "RbUserID" value of a feature, or -1 when it has none.
inline int UserID(const KTX::KtFeature& feature) {
    const KTX::PlxVariant* pValue = feature.GetValue(KTX::kUserIDFieldName);
    return pValue == nullptr || pValue->IsNull() ? -1 : pValue->ToInt();
}

}  // namespace layertest
