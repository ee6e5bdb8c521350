// A plug-in layer as an OGR layer.
#include <algorithm>
#include <cstring>

#include "KoGeometry/KtGeometry.h"
#include "mapgisrepair.h"
#include "mapgisschema.h"
#include "ogr_mapgis.h"

OGRMapgisLayer::OGRMapgisLayer(mapgis::FileContext& file,
                               std::shared_ptr<mapgis::PluginSession> session, int iLayer,
                               const mapgis::LayerSummary& summary)
    : OGRMapgisLayerBase(file),
      m_session(std::move(session)),
      m_iLayer(iLayer),
      m_summary(summary),
      m_eKind(mapgis::LayerKindFromType(summary.nType)),
      m_poDefn(new OGRFeatureDefn(summary.strName.c_str())),
      m_nEnd(summary.nItemCount),
      m_bBoundIsExtent(!EQUAL(CPLGetExtension(file.Settings().strPath.c_str()), "wat")) {
    m_poDefn->Reference();
    m_poDefn->SetGeomType(mapgis::LayerGeometryType(m_eKind));
    mapgis::AddLayerFields(*m_poDefn, m_eKind);
    m_iText = m_poDefn->GetFieldIndex("Text");
    SetDescription(m_poDefn->GetName());
    m_nCursor = m_session->GetCursor(m_iLayer);
}

OGRMapgisLayer::~OGRMapgisLayer() {
    StopReadAhead();
    m_poDefn->Release();
}

void OGRMapgisLayer::ResetReading() {
    StopReadAhead();
    m_nNextItem = 0;
    m_wanted.reset();
}

void OGRMapgisLayer::StopReadAhead() {
    m_batch.clear();
    if (!m_readAhead)
        return;
    m_readAhead->Stop();
    m_readAhead.reset();
    m_nCursor = m_session->GetCursor(m_iLayer);
}

mapgis::ItemRead OGRMapgisLayer::ReadAt(std::int64_t nItem) {
    StopReadAhead();
    if (m_nCursor != nItem)
        m_session->SetCursor(m_iLayer, nItem);
    mapgis::ItemRead read = m_session->ReadNext(m_iLayer);
    m_nCursor = read.bEnd ? nItem : read.nItem + 1;
    if (!read.bEnd) {
        Repair(read);
        Note(read);
    }
    return read;
}

mapgis::ItemRead OGRMapgisLayer::ReadNextInOrder() {
    mapgis::ItemRead read;
    if (m_readAhead || m_file.GetReading().bReadAhead) {
        if (!m_readAhead) {
            if (m_nCursor != m_nNextItem)
                m_session->SetCursor(m_iLayer, m_nNextItem);
            m_readAhead = std::make_unique<mapgis::ItemReadAhead>(m_session, m_iLayer, m_wanted);
        }
        read = m_readAhead->Next();
    } else {
        read = ReadInBatch();
    }
    if (!read.bEnd) {
        Repair(read);
        Note(read);
    }
    return read;
}

mapgis::ItemRead OGRMapgisLayer::ReadInBatch() {
    if (m_batch.empty()) {
        if (m_nCursor != m_nNextItem)
            m_session->SetCursor(m_iLayer, m_nNextItem);
        m_session->ReadBatch(m_iLayer, kBatch, m_batch, false, m_wanted.get());
        m_nCursor = m_session->GetCursor(m_iLayer);
    }
    mapgis::ItemRead read = std::move(m_batch.front());
    m_batch.pop_front();
    return read;
}

std::optional<size_t> OGRMapgisLayer::CensusItemAt(std::int64_t nItem) {
    const mapgis::Census* pCensus = m_file.GetCensus();
    // Repairs need the item's record, which only the census finds: taken on the first need.
    // With ACCOUNT the census begun at open is waited for.
    if (pCensus == nullptr && (m_file.GetReading().bRepair || m_file.GetReading().bAccount))
        pCensus = m_file.TakeCensus();
    if (pCensus == nullptr)
        return std::nullopt;
    if (!m_censusItems)
        m_censusItems.emplace(*pCensus, m_eKind);
    // A census that disagrees with the index in size cannot name the item.
    if (static_cast<std::int64_t>(m_censusItems->Size()) != m_summary.nItemCount || nItem < 0 ||
        nItem >= m_summary.nItemCount) {
        return std::nullopt;
    }
    return (*m_censusItems)[static_cast<size_t>(nItem)];
}

void OGRMapgisLayer::Repair(mapgis::ItemRead& read) {
    if (read.feature || !m_file.GetReading().bRepair)
        return;
    const std::optional<size_t> iItem = CensusItemAt(read.nItem);
    if (!iItem)
        return;
    const mapgis::Census& census = *m_file.GetCensus();
    const mapgis::CensusItem item = census.Item(*iItem);
    if (!item.bIndexed || census.Note(*iItem).empty())
        return;
    mapgis::ItemRead repaired =
        mapgis::ReadRepairedRecord(m_file.Settings(), m_eKind, census.Note(*iItem));
    if (!repaired.feature)
        return;
    read.feature = std::move(repaired.feature);
    read.messages = std::move(repaired.messages);
    read.bRepaired = true;
    if (!m_notes.IsNoted(read.nItem))
        m_file.WarnItem(census.Line(*iItem),
                        mapgis::DescribeItem(census, *iItem) + " " + mapgis::kRepairedNote);
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
        if (const std::optional<size_t> iItem = CensusItemAt(read.nItem)) {
            const mapgis::Census& census = *m_file.GetCensus();
            const mapgis::CensusItem item = census.Item(*iItem);
            const std::string strWho = mapgis::DescribeItem(census, *iItem);
            if (bRefused) {
                m_file.WarnItem(census.Line(*iItem),
                                strWho + " refused: " + mapgis::RefusalReason(item, messages));
            } else {
                for (const std::string& strText : messages)
                    m_file.WarnItem(census.Line(*iItem), strWho + ": " + strText);
            }
        } else {
            for (const std::string& strText : messages) {
                m_file.Reporter().Warn(m_summary.strName + " feature " +
                                       std::to_string(read.nItem + 1) + ": " + strText);
            }
        }
    }
    if (bRefused) {
        CPLDebug("MAPGIS", "%s: %s item %d refused by the reader",
                 m_file.Reporter().GetFileName().c_str(), m_summary.strName.c_str(),
                 static_cast<int>(read.nItem + 1));
    }
}

void OGRMapgisLayer::NoteReplaced(std::int64_t nItem, const OGRFeature& feature) {
    if (m_iText < 0 || !feature.IsFieldSetAndNotNull(m_iText))
        return;
    // U+FFFD is what the host's decoders give for bytes the charset does not have.
    if (std::strstr(feature.GetFieldAsString(m_iText), "\xEF\xBF\xBD") != nullptr &&
        m_replacedItems.insert(nItem).second) {
        m_file.NoteReplacedText();
    }
}

std::unique_ptr<OGRFeature> OGRMapgisLayer::MakeFeature(const mapgis::ItemRead& read, bool bStyle,
                                                        OGRFeatureDefn* poDefn) {
    auto poFeature = std::make_unique<OGRFeature>(poDefn != nullptr ? poDefn : m_poDefn);
    poFeature->SetFID(read.nItem + 1);
    mapgis::FillAttributes(*poFeature, *read.feature, m_eKind, bStyle);
    if (read.bRepaired)
        mapgis::RestoreCommas(*poFeature);
    NoteReplaced(read.nItem, *poFeature);
    if (const KTX::KtGeometry* pGeom = read.feature->GetGeometry())
        SetGeometry(read.nItem, *pGeom, *poFeature);
    GrowExtent(read.nItem, poFeature.get());
    return poFeature;
}

void OGRMapgisLayer::SetGeometry(std::int64_t nItem, const KTX::KtGeometry& geom,
                                 OGRFeature& feature) {
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = mapgis::ToLayerGeometry(geom, m_eKind, warnings);
    if (poGeom) {
        m_file.GetPlacement().Apply(*poGeom);
        poGeom->assignSpatialReference(GetSpatialRef());
        feature.SetGeometryDirectly(poGeom.release());
    }
    // Geometry warnings once per item, however often it is read.
    if (!warnings.empty() && m_geometryChecked.insert(nItem).second) {
        std::string strWho = m_summary.strName + " feature " + std::to_string(nItem + 1);
        if (feature.IsFieldSetAndNotNull(0)) {
            strWho += " (RbUserID " + std::to_string(feature.GetFieldAsInteger(0)) + ")";
        }
        for (const std::string& strWarning : warnings) {
            m_notes.AddMessage(nItem, strWarning);
            m_file.Reporter().Warn(strWho + ": " + strWarning);
        }
    }
}

void OGRMapgisLayer::GrowExtent(std::int64_t nItem, const OGRFeature* poFeature) {
    if (m_bBoundIsExtent || nItem != m_nGrown)
        return;
    ++m_nGrown;
    const OGRGeometry* poGeom = poFeature != nullptr ? poFeature->GetGeometryRef() : nullptr;
    if (poGeom == nullptr || poGeom->IsEmpty())
        return;
    OGREnvelope env;
    poGeom->getEnvelope(&env);
    m_extent.Merge(env);
}

mapgis::ItemRead OGRMapgisLayer::NextRead() {
    for (;;) {
        if (m_nNextItem >= End()) {
            m_file.Reporter().Flush();
            mapgis::ItemRead end;
            end.bEnd = true;
            return end;
        }
        mapgis::ItemRead read = ReadNextInOrder();
        if (read.bEnd) {
            m_file.Reporter().Flush();
            return read;
        }
        m_nNextItem = read.nItem + 1;
        if (read.feature)
            return read;
        GrowExtent(read.nItem, nullptr);
    }
}

void OGRMapgisLayer::Recycle(mapgis::ItemRead read) {
    if (m_readAhead)
        m_readAhead->Recycle(std::move(read));
}

OGRFeature* OGRMapgisLayer::GetNextRawFeature() {
    mapgis::ItemRead read = NextRead();
    if (read.bEnd)
        return nullptr;
    OGRFeature* poFeature = MakeFeature(read).release();
    Recycle(std::move(read));
    return poFeature;
}

mapgis::ItemRead OGRMapgisLayer::NextReadFrom(
    std::int64_t nItem, const std::shared_ptr<const std::vector<bool>>& wanted) {
    if (nItem != m_nNextItem || wanted != m_wanted) {
        StopReadAhead();
        m_nNextItem = nItem;
        m_wanted = wanted;
    }
    return NextRead();
}

OGRFeature* OGRMapgisLayer::GetFeature(GIntBig nFID) {
    const std::int64_t nItem = nFID - 1;
    if (nItem < 0 || nItem >= End())
        return nullptr;
    mapgis::ItemRead read = ReadAt(nItem);
    if (read.bEnd || !read.feature)
        return nullptr;
    return MakeFeature(read).release();
}

void OGRMapgisLayer::ReadMissing(bool bExtent) {
    for (std::int64_t nItem = 0; nItem < End(); ++nItem) {
        const bool bForExtent = bExtent && !m_bBoundIsExtent && nItem >= m_nGrown;
        if (!bForExtent && m_notes.IsNoted(nItem))
            continue;
        mapgis::ItemRead read = ReadAt(nItem);
        if (read.bEnd)
            break;
        if (bForExtent) {
            if (read.feature)
                MakeFeature(read);
            else
                GrowExtent(nItem, nullptr);
        }
    }
    m_file.Reporter().Flush();
}

GIntBig OGRMapgisLayer::GetFeatureCount(int bForce) {
    if (m_poFilterGeom != nullptr || m_poAttrQuery != nullptr)
        return OGRLayer::GetFeatureCount(bForce);
    if (!AllNoted()) {
        if (!bForce)
            return -1;
        ReadMissing(false);
    }
    return m_notes.NotedCount() - m_notes.RefusedCount();
}

OGREnvelope OGRMapgisLayer::Bound() const {
    OGREnvelope env;
    const KTX::PlxRect2D& rc = m_summary.rcBound;
    // An index without coordinates keeps the start values: min 1e10, max -1e10.
    if (rc.left > rc.right || rc.bottom > rc.top)
        return env;
    env.MinX = rc.left;
    env.MaxX = rc.right;
    env.MinY = rc.bottom;
    env.MaxY = rc.top;
    m_file.GetPlacement().Apply(env);
    return env;
}

OGRErr OGRMapgisLayer::Extent(OGREnvelope* psExtent, bool bForce) {
    if (m_bBoundIsExtent) {
        *psExtent = Bound();
        return psExtent->IsInit() ? OGRERR_NONE : OGRERR_FAILURE;
    }
    if (!ExtentKnown()) {
        if (!bForce)
            return OGRERR_FAILURE;
        ReadMissing(true);
    }
    if (!m_extent.IsInit())
        return OGRERR_FAILURE;
    *psExtent = m_extent;
    return OGRERR_NONE;
}

void OGRMapgisLayer::BuildMetadata() {
    m_aosMetadata.Clear();
    m_aosMetadata.SetNameValue("ITEM_COUNT", std::to_string(m_summary.nItemCount).c_str());
    m_aosMetadata.SetNameValue("LAYER_TYPE", std::to_string(m_summary.nType).c_str());
    const bool bAccount = m_file.GetReading().bAccount;
    if (bAccount)
        ReadMissing(false);
    if (!AllNoted())
        return;
    const std::int64_t nRefused = m_notes.RefusedCount();
    const std::int64_t nCount = m_notes.NotedCount() - nRefused;
    m_aosMetadata.SetNameValue("FEATURE_COUNT", std::to_string(nCount).c_str());
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
    if (bAccount)
        m_file.AddAccount(m_aosMetadata);
}

mapgis::LayerResults OGRMapgisLayer::Results() {
    ReadMissing(false);
    mapgis::LayerResults results;
    results.eKind = m_eKind;
    results.read.resize(static_cast<size_t>(End()));
    results.refused.resize(static_cast<size_t>(End()));
    m_notes.ForEach(
        [&](std::int64_t nItem, bool bRefused, const std::vector<std::string>& messages) {
            if (nItem >= End())
                return;
            const size_t k = static_cast<size_t>(nItem);
            results.read[k] = true;
            results.refused[k] = bRefused;
            if (bRefused && !messages.empty())
                results.messages[k] = messages;
        });
    return results;
}

namespace {

bool IsDefaultDomain(const char* pszDomain) {
    return pszDomain == nullptr || pszDomain[0] == '\0';
}

}  // namespace

char** OGRMapgisLayer::GetMetadata(const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        BuildMetadata();
        return m_aosMetadata.List();
    }
    if (IsDefaultDomain(pszDomain))
        SetDescriptionItem();
    return OGRLayer::GetMetadata(pszDomain);
}

const char* OGRMapgisLayer::GetMetadataItem(const char* pszName, const char* pszDomain) {
    if (IsDefaultDomain(pszDomain) && pszName != nullptr && EQUAL(pszName, "DESCRIPTION"))
        SetDescriptionItem();
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
