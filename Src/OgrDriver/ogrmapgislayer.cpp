// A plug-in layer as an OGR layer.
#include <algorithm>

#include "KoGeometry/KtGeometry.h"
#include "mapgisschema.h"
#include "ogr_mapgis.h"

OGRMapgisLayer::OGRMapgisLayer(OGRMapgisDataSource* poDS,
                               std::shared_ptr<mapgis::PluginSession> session, int iLayer,
                               const mapgis::LayerSummary& summary)
    : m_poDS(poDS),
      m_session(std::move(session)),
      m_iLayer(iLayer),
      m_summary(summary),
      m_eKind(mapgis::LayerKindFromType(summary.nType)),
      m_poDefn(new OGRFeatureDefn(summary.strName.c_str())) {
    m_poDefn->Reference();
    m_poDefn->SetGeomType(mapgis::LayerGeometryType(m_eKind));
    mapgis::AddLayerFields(*m_poDefn, m_eKind);
    SetDescription(m_poDefn->GetName());
    m_nCursor = m_session->GetCursor(m_iLayer);
}

OGRMapgisLayer::~OGRMapgisLayer() {
    StopReadAhead();
    m_poDefn->Release();
}

void OGRMapgisLayer::ResetReading() {
    m_nNextItem = 0;
}

bool OGRMapgisLayer::Reopen() {
    StopReadAhead();
    std::string strError;
    std::vector<mapgis::LogMessage> messages;
    std::shared_ptr<mapgis::PluginSession> session =
        mapgis::PluginSession::Open(m_poDS->GetSettings(), &strError, &messages);
    const int iLayer = session ? session->FindLayer(m_summary.strName) : -1;
    if (iLayer < 0 || session->GetLayerSummary(iLayer).nItemCount != m_summary.nItemCount) {
        CPLError(CE_Failure, CPLE_FileIO, "%s: cannot read layer %s again%s%s",
                 m_poDS->Reporter().GetFileName().c_str(), m_summary.strName.c_str(),
                 strError.empty() ? " (the file has changed)" : ": ", strError.c_str());
        return false;
    }
    m_session = std::move(session);
    m_iLayer = iLayer;
    m_nCursor = m_session->GetCursor(m_iLayer);
    return true;
}

void OGRMapgisLayer::StopReadAhead() {
    if (!m_readAhead)
        return;
    m_readAhead->Stop();
    m_readAhead.reset();
    m_nCursor = m_session->GetCursor(m_iLayer);
}

mapgis::ItemRead OGRMapgisLayer::ReadAtCursor() {
    mapgis::ItemRead read = m_readAhead ? m_readAhead->Next() : m_session->ReadNext(m_iLayer);
    if (read.bEnd) {
        m_nEnd = m_nCursor;
    } else {
        m_nCursor = read.nItem + 1;
        Note(read);
    }
    return read;
}

bool OGRMapgisLayer::SeekTo(std::int64_t nItem) {
    if (m_nCursor > nItem && !Reopen())
        return false;
    while (m_nCursor < nItem) {
        if (ReadAtCursor().bEnd)
            return false;
    }
    return true;
}

const mapgis::CensusItem* OGRMapgisLayer::CensusItemAt(std::int64_t nItem) {
    if (!m_poDS->HasCensus())
        return nullptr;
    const mapgis::Census& census = m_poDS->GetCensus();
    if (!m_censusItems)
        m_censusItems = mapgis::LayerItems(census, m_eKind);
    // A census that disagrees with the index in size cannot name the item.
    if (static_cast<std::int64_t>(m_censusItems->size()) != m_summary.nItemCount || nItem < 0 ||
        nItem >= m_summary.nItemCount) {
        return nullptr;
    }
    return &census.items[(*m_censusItems)[static_cast<size_t>(nItem)]];
}

void OGRMapgisLayer::Note(const mapgis::ItemRead& read) {
    if (m_notes.IsNoted(read.nItem))
        return;
    std::vector<std::string> messages;
    for (const mapgis::LogMessage& msg : read.messages)
        messages.push_back(msg.Describe());
    const bool bRefused = !read.feature;
    m_notes.Add(read.nItem, bRefused, messages);
    // With a census the warning names the line of the item; without, its feature id.
    if (!messages.empty()) {
        if (const mapgis::CensusItem* pItem = CensusItemAt(read.nItem)) {
            const std::string strWho = mapgis::DescribeItem(*pItem);
            if (bRefused) {
                m_poDS->WarnItem(pItem->nLine,
                                 strWho + " refused: " + mapgis::RefusalReason(*pItem, messages));
            } else {
                for (const std::string& strText : messages)
                    m_poDS->WarnItem(pItem->nLine, strWho + ": " + strText);
            }
        } else {
            for (const std::string& strText : messages) {
                m_poDS->Reporter().Warn(m_summary.strName + " feature " +
                                        std::to_string(read.nItem + 1) + ": " + strText);
            }
        }
    }
    if (bRefused) {
        CPLDebug("MAPGIS", "%s: %s item %d refused by the reader",
                 m_poDS->Reporter().GetFileName().c_str(), m_summary.strName.c_str(),
                 static_cast<int>(read.nItem + 1));
    }
}

OGRFeature* OGRMapgisLayer::MakeFeature(const mapgis::ItemRead& read) {
    auto poFeature = std::make_unique<OGRFeature>(m_poDefn);
    poFeature->SetFID(read.nItem + 1);
    mapgis::FillAttributes(*poFeature, *read.feature, m_eKind);
    const KTX::KtGeometry* pGeom = read.feature->GetGeometry();
    if (pGeom == nullptr)
        return poFeature.release();
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = mapgis::ToLayerGeometry(*pGeom, m_eKind, warnings);
    if (poGeom)
        poFeature->SetGeometryDirectly(poGeom.release());
    // Geometry warnings once per item, however often it is read.
    if (!warnings.empty() && m_geometryChecked.insert(read.nItem).second) {
        std::string strWho = m_summary.strName + " feature " + std::to_string(read.nItem + 1);
        if (poFeature->IsFieldSetAndNotNull(0)) {
            strWho += " (RbUserID " + std::to_string(poFeature->GetFieldAsInteger(0)) + ")";
        }
        for (const std::string& strWarning : warnings) {
            m_notes.AddMessage(read.nItem, strWarning);
            m_poDS->Reporter().Warn(strWho + ": " + strWarning);
        }
    }
    return poFeature.release();
}

OGRFeature* OGRMapgisLayer::GetNextFeature() {
    for (;;) {
        if ((m_nEnd && m_nNextItem >= *m_nEnd) || !SeekTo(m_nNextItem)) {
            m_poDS->Reporter().Flush();
            return nullptr;
        }
        if (!m_readAhead && !m_nEnd && m_poDS->ReadsAhead())
            m_readAhead = std::make_unique<mapgis::ItemReadAhead>(m_session, m_iLayer);
        mapgis::ItemRead read = ReadAtCursor();
        if (read.bEnd) {
            m_poDS->Reporter().Flush();
            return nullptr;
        }
        m_nNextItem = read.nItem + 1;
        if (!read.feature)
            continue;
        std::unique_ptr<OGRFeature> poFeature(MakeFeature(read));
        if (m_readAhead)
            m_readAhead->Recycle(std::move(read));
        if ((m_poFilterGeom == nullptr || FilterGeometry(poFeature->GetGeometryRef())) &&
            (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(poFeature.get()))) {
            return poFeature.release();
        }
    }
}

OGRFeature* OGRMapgisLayer::GetFeature(GIntBig nFID) {
    const std::int64_t nItem = nFID - 1;
    if (nItem < 0 || nItem >= m_summary.nItemCount || (m_nEnd && nItem >= *m_nEnd)) {
        return nullptr;
    }
    if (!SeekTo(nItem))
        return nullptr;
    mapgis::ItemRead read = ReadAtCursor();
    if (read.bEnd || !read.feature)
        return nullptr;
    return MakeFeature(read);
}

void OGRMapgisLayer::ReadToEnd() {
    while (!m_nEnd)
        ReadAtCursor();
}

bool OGRMapgisLayer::CountAll() {
    if (m_nCount)
        return true;
    ReadToEnd();
    if (m_notes.NotedCount() < *m_nEnd) {
        // Items before the cursor were never read through this layer.
        if (!SeekTo(0))
            return false;
        while (m_nCursor < *m_nEnd) {
            if (ReadAtCursor().bEnd)
                break;
        }
    }
    m_nCount = m_notes.NotedCount() - m_notes.RefusedCount();
    return true;
}

GIntBig OGRMapgisLayer::GetFeatureCount(int bForce) {
    if (m_poFilterGeom != nullptr || m_poAttrQuery != nullptr) {
        return OGRLayer::GetFeatureCount(bForce);
    }
    if (!m_nCount && !bForce)
        return -1;
    if (!CountAll())
        return -1;
    return *m_nCount;
}

OGRErr OGRMapgisLayer::GetExtent(OGREnvelope* psExtent, int /*bForce*/) {
    const KTX::PlxRect2D& rc = m_summary.rcBound;
    // An index without coordinates keeps the start values: min 1e10, max -1e10.
    if (rc.left > rc.right || rc.bottom > rc.top)
        return OGRERR_FAILURE;
    psExtent->MinX = rc.left;
    psExtent->MaxX = rc.right;
    psExtent->MinY = rc.bottom;
    psExtent->MaxY = rc.top;
    return OGRERR_NONE;
}

OGRErr OGRMapgisLayer::GetExtent(int iGeomField, OGREnvelope* psExtent, int bForce) {
    if (iGeomField != 0)
        return OGRERR_FAILURE;
    return GetExtent(psExtent, bForce);
}

int OGRMapgisLayer::TestCapability(const char* pszCap) {
    if (EQUAL(pszCap, OLCFastGetExtent) || EQUAL(pszCap, OLCRandomRead) ||
        EQUAL(pszCap, OLCStringsAsUTF8) || EQUAL(pszCap, OLCCurveGeometries)) {
        return TRUE;
    }
    if (EQUAL(pszCap, OLCFastFeatureCount)) {
        return m_nCount && m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
    }
    return FALSE;
}

void OGRMapgisLayer::BuildMetadata() {
    m_aosMetadata.Clear();
    m_aosMetadata.SetNameValue("ITEM_COUNT", std::to_string(m_summary.nItemCount).c_str());
    m_aosMetadata.SetNameValue("LAYER_TYPE", std::to_string(m_summary.nType).c_str());
    if (!CountAll())
        return;
    const std::int64_t nRefused = m_notes.NotedCount() - *m_nCount;
    m_aosMetadata.SetNameValue("FEATURE_COUNT", std::to_string(*m_nCount).c_str());
    m_aosMetadata.SetNameValue("REFUSED_COUNT", std::to_string(nRefused).c_str());
    // Grouped in the order each text first appears.
    std::vector<std::pair<std::string, int>> refused;
    std::vector<std::pair<std::string, int>> others;
    auto add = [](std::vector<std::pair<std::string, int>>& groups, const std::string& text) {
        auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const auto& g) { return g.first == text; });
        if (it == groups.end()) {
            groups.emplace_back(text, 1);
        } else {
            ++it->second;
        }
    };
    m_notes.ForEach([&](std::int64_t, bool bRefused, const std::vector<std::string>& messages) {
        if (bRefused && messages.empty())
            add(refused, "no message from the reader");
        for (const std::string& text : messages)
            add(bRefused ? refused : others, text);
    });
    for (size_t i = 0; i < refused.size(); ++i) {
        const std::string strValue = std::to_string(refused[i].second) + ": " + refused[i].first;
        m_aosMetadata.SetNameValue(("REFUSED_REASON_" + std::to_string(i + 1)).c_str(),
                                   strValue.c_str());
    }
    for (size_t i = 0; i < others.size(); ++i) {
        const std::string strValue = std::to_string(others[i].second) + ": " + others[i].first;
        m_aosMetadata.SetNameValue(("MESSAGE_" + std::to_string(i + 1)).c_str(), strValue.c_str());
    }
    m_poDS->AddAccount(m_aosMetadata);
}

std::optional<mapgis::LayerResults> OGRMapgisLayer::Results() {
    if (!CountAll())
        return std::nullopt;
    mapgis::LayerResults results;
    results.eKind = m_eKind;
    results.positions.resize(static_cast<size_t>(*m_nEnd));
    m_notes.ForEach(
        [&](std::int64_t nItem, bool bRefused, const std::vector<std::string>& messages) {
            if (nItem >= *m_nEnd)
                return;
            mapgis::PositionResult& pos = results.positions[static_cast<size_t>(nItem)];
            pos.bRead = true;
            pos.bRefused = bRefused;
            if (bRefused)
                pos.messages = messages;
        });
    return results;
}

char** OGRMapgisLayer::GetMetadata(const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        BuildMetadata();
        return m_aosMetadata.List();
    }
    return OGRLayer::GetMetadata(pszDomain);
}

const char* OGRMapgisLayer::GetMetadataItem(const char* pszName, const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        // The definition's figures need no read.
        if (EQUAL(pszName, "ITEM_COUNT") || EQUAL(pszName, "LAYER_TYPE")) {
            m_aosMetadata.SetNameValue("ITEM_COUNT", std::to_string(m_summary.nItemCount).c_str());
            m_aosMetadata.SetNameValue("LAYER_TYPE", std::to_string(m_summary.nType).c_str());
        } else {
            BuildMetadata();
        }
        return m_aosMetadata.FetchNameValue(pszName);
    }
    return OGRLayer::GetMetadataItem(pszName, pszDomain);
}

char** OGRMapgisLayer::GetMetadataDomainList() {
    return BuildMetadataDomainList(OGRLayer::GetMetadataDomainList(), TRUE, "MAPGIS", nullptr);
}
