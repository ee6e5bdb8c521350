// A layer of MODE=MAP: one kind of the compound layer's items.
#include <algorithm>

#include "KoElement/KtFeature.h"
#include "mapgisrepair.h"
#include "ogr_mapgis.h"

OGRMapgisMapLayer::OGRMapgisMapLayer(mapgis::FileContext& file, OGRMapgisLayer* poCompound,
                                     mapgis::MapKind eKind, bool bNetwork, bool bOnlyKind)
    : OGRMapgisLayerBase(file),
      m_poCompound(poCompound),
      m_eKind(eKind),
      m_bNetwork(bNetwork),
      m_bOnlyKind(bOnlyKind),
      m_poDefn(new OGRFeatureDefn(
          (file.Settings().strDestName + "_" + mapgis::MapKindSuffix(eKind, bNetwork)).c_str())) {
    m_poDefn->Reference();
    m_poDefn->SetGeomType(mapgis::MapKindGeometryType(eKind, bNetwork));
    OGRFeatureDefn* poSourceDefn = poCompound->GetLayerDefn();
    m_poDefn->GetGeomFieldDefn(0)->SetSpatialRef(poCompound->GetSpatialRef());
    for (int i = 0; i < poSourceDefn->GetFieldCount(); ++i)
        m_poDefn->AddFieldDefn(poSourceDefn->GetFieldDefn(i));
    m_iColor = m_poDefn->GetFieldIndex("Color");
    m_iFillColor = m_poDefn->GetFieldIndex("FillColor");
    m_iLineWidth = m_poDefn->GetFieldIndex("LineWidth");
    m_iSymbolSize = m_poDefn->GetFieldIndex("SymbolSize");
    if (eKind == mapgis::MapKind::Texts) {
        OGRFieldDefn italic("Italic", OFTInteger);
        italic.SetSubType(OFSTBoolean);
        m_poDefn->AddFieldDefn(&italic);
        // The width MAPGIS gives each character of the piece, beside its height.
        OGRFieldDefn width("TextWidth", OFTReal);
        m_poDefn->AddFieldDefn(&width);
        m_iTextWidth = m_poDefn->GetFieldIndex("TextWidth");
        m_iText = m_poDefn->GetFieldIndex("Text");
        m_iTextAngle = m_poDefn->GetFieldIndex("TextAngle");
        m_iTextHeight = m_poDefn->GetFieldIndex("TextHeight");
        m_iFontName = m_poDefn->GetFieldIndex("FontName");
        m_iItalic = m_poDefn->GetFieldIndex("Italic");
    }
    // The compound layer's fields come first, in its order: a feature of either definition
    // gives its fields to this layer's by the same index.
    for (int i = 0; i < m_poDefn->GetFieldCount(); ++i)
        m_fieldMap.push_back(i);
    // A text piece gets its own text from its label: copying the item's whole text into each
    // of its pieces made a text of many pieces quadratic.
    m_pieceFieldMap = m_fieldMap;
    if (m_iText >= 0)
        m_pieceFieldMap[static_cast<size_t>(m_iText)] = -1;
    SetDescription(m_poDefn->GetName());
}

OGRMapgisMapLayer::~OGRMapgisMapLayer() {
    m_poDefn->Release();
}

void OGRMapgisMapLayer::ResetReading() {
    m_nNextItem = 0;
    m_pending.clear();
}

std::unique_ptr<OGRFeature> OGRMapgisMapLayer::NewFeature(OGRFeature& source,
                                                          std::unique_ptr<OGRFeature>* ppoTaken,
                                                          OGRGeometry* poGeom,
                                                          const std::string& strStyle,
                                                          const int* panMap) {
    std::unique_ptr<OGRFeature> poFeature;
    if (ppoTaken != nullptr && *ppoTaken) {
        poFeature = std::move(*ppoTaken);
    } else {
        poFeature = std::make_unique<OGRFeature>(m_poDefn);
        poFeature->SetFieldsFrom(&source, panMap);
        poFeature->SetFID(source.GetFID());
    }
    if (poGeom != nullptr) {
        poGeom = OGRGeometryFactory::forceTo(poGeom, m_poDefn->GetGeomType());
        poGeom->assignSpatialReference(GetSpatialRef());
        poFeature->SetGeometryDirectly(poGeom);
    }
    if (!strStyle.empty())
        poFeature->SetStyleString(strStyle.c_str());
    if (m_itemStyle.color && m_iColor >= 0)
        poFeature->SetField(m_iColor, m_itemStyle.color->c_str());
    if (m_itemStyle.fillColor && m_iFillColor >= 0)
        poFeature->SetField(m_iFillColor, m_itemStyle.fillColor->c_str());
    if (m_itemStyle.width && m_iLineWidth >= 0)
        poFeature->SetField(m_iLineWidth, *m_itemStyle.width);
    if (m_itemStyle.symbolSize && m_iSymbolSize >= 0)
        poFeature->SetField(m_iSymbolSize, *m_itemStyle.symbolSize);
    return poFeature;
}

mapgis::MapStyle OGRMapgisMapLayer::MapStyleAt(std::int64_t nItem) {
    const std::optional<size_t> iItem = m_poCompound->CensusItemAt(nItem);
    if (!iItem)
        return mapgis::MapStyle();
    return mapgis::MapStyleOf(m_file.GetCensus()->Style(*iItem), m_file.GetColorLibrary());
}

GIntBig OGRMapgisMapLayer::FirstTextFid(std::int64_t nItem) const {
    return nItem == m_nCatalogued ? m_nFeatures + 1 : m_textFids.FirstOf(nItem);
}

std::string OGRMapgisMapLayer::StyleOf(const mapgis::ItemRead& read, const KTX::KtGeometry* pGeom,
                                       std::vector<mapgis::MapLabel>* pLabels) const {
    std::string strStyle = mapgis::MapStyleString(pGeom, m_tools, pLabels);
    if (!read.bRepaired)
        return strStyle;
    mapgis::RestoreCommas(strStyle);
    for (size_t i = 0; pLabels != nullptr && i < pLabels->size(); ++i) {
        mapgis::RestoreCommas((*pLabels)[i].strTool);
        mapgis::RestoreCommas((*pLabels)[i].strText);
    }
    return strStyle;
}

OGRMapgisMapLayer::Features OGRMapgisMapLayer::TakeTexts(OGRFeature& source,
                                                         const mapgis::ItemRead& read,
                                                         mapgis::KindPiece& piece,
                                                         std::unique_ptr<OGRFeature>* ppoTaken) {
    Features features;
    const KTX::KtGeometry& geom = *read.feature->GetGeometry();
    std::vector<mapgis::MapLabel> labels;
    StyleOf(read, &geom, &labels);
    std::vector<mapgis::TextPiece> texts = mapgis::PlaceTexts(
        piece, labels, mapgis::TextMetricsOf(geom), m_file.GetPlacement().dScale);
    for (mapgis::TextPiece& text : texts) {
        // The last piece may be the source, whose fields the others copied.
        const bool bLast = &text == &texts.back();
        const mapgis::MapLabel& label = text.label;
        std::unique_ptr<OGRFeature> poFeature =
            NewFeature(source, bLast ? ppoTaken : nullptr, text.poAnchor.release(), label.strTool,
                       m_pieceFieldMap.data());
        if (text.bLabel) {
            poFeature->SetField(m_iText, label.strText.c_str());
            poFeature->SetField(m_iTextAngle, label.dfAngle);
        } else if (poFeature.get() != &source && m_iText >= 0 &&
                   source.IsFieldSetAndNotNull(m_iText)) {
            poFeature->SetField(m_iText, source.GetFieldAsString(m_iText));
        }
        if (label.height)
            poFeature->SetField(m_iTextHeight, *label.height);
        if (text.width)
            poFeature->SetField(m_iTextWidth, *text.width);
        if (!label.strColor.empty())
            poFeature->SetField(m_iColor, label.strColor.c_str());
        if (!label.strFont.empty())
            poFeature->SetField(m_iFontName, label.strFont.c_str());
        if (label.italic)
            poFeature->SetField(m_iItalic, *label.italic ? 1 : 0);
        features.push_back(std::move(poFeature));
    }
    return features;
}

OGRMapgisMapLayer::Features OGRMapgisMapLayer::Take(std::int64_t nItem,
                                                    const mapgis::ItemRead* pRead) {
    if (pRead == nullptr || !pRead->feature) {
        Catalogue(nItem, Features());
        return Features();
    }
    // Read for this layer alone: the item's feature is made with its definition and becomes
    // its last piece.
    std::unique_ptr<OGRFeature> poSource = m_poCompound->MakeFeature(*pRead, false, m_poDefn);
    OGRFeature& source = *poSource;
    std::vector<mapgis::KindPiece> pieces =
        mapgis::CutByKind(source, m_bNetwork,
                          mapgis::IsFilled(m_file.GetCensus(), m_poCompound->CensusItemAt(nItem),
                                           pRead->feature->GetGeometry()));
    return TakePieces(nItem, source, *pRead, pieces, &poSource);
}

OGRMapgisMapLayer::Features OGRMapgisMapLayer::TakePieces(std::int64_t nItem, OGRFeature& source,
                                                          const mapgis::ItemRead& read,
                                                          std::vector<mapgis::KindPiece>& pieces,
                                                          std::unique_ptr<OGRFeature>* ppoTaken) {
    Features features;
    const KTX::KtGeometry* pGeom = read.feature->GetGeometry();
    m_itemStyle = MapStyleAt(nItem);
    if (m_bNetwork && m_eKind == mapgis::MapKind::Points)
        m_itemStyle.symbolSize = mapgis::kNodeSizeMm;
    m_tools = mapgis::MapToolsOf(m_eKind, m_itemStyle, m_file.Fonts());
    for (mapgis::KindPiece& piece : pieces) {
        if (piece.eKind != m_eKind)
            continue;
        const KTX::KtGeometry* pStyled = piece.bStyled ? pGeom : nullptr;
        if (m_eKind == mapgis::MapKind::Texts && pStyled != nullptr && piece.poGeom != nullptr &&
            !piece.poGeom->IsEmpty()) {
            features = TakeTexts(source, read, piece, ppoTaken);
        } else {
            features.push_back(NewFeature(source, ppoTaken, piece.poGeom.release(),
                                          StyleOf(read, pStyled), m_fieldMap.data()));
        }
    }
    // The item's identity is its RbUserID: the pieces of a text are features of their own.
    if (m_eKind == mapgis::MapKind::Texts) {
        GIntBig nFid = FirstTextFid(nItem);
        for (auto& poFeature : features)
            poFeature->SetFID(nFid == OGRNullFID ? OGRNullFID : nFid++);
    }
    Catalogue(nItem, features);
    return features;
}

void OGRMapgisMapLayer::Catalogue(std::int64_t nItem, const Features& features) {
    if (nItem != m_nCatalogued)
        return;
    ++m_nCatalogued;
    if (m_eKind == mapgis::MapKind::Texts)
        m_textFids.Add(static_cast<std::int64_t>(features.size()));
    m_nFeatures += static_cast<GIntBig>(features.size());
    for (const auto& poFeature : features) {
        const OGRGeometry* poGeom = poFeature->GetGeometryRef();
        if (poGeom == nullptr || poGeom->IsEmpty())
            continue;
        OGREnvelope env;
        poGeom->getEnvelope(&env);
        m_extent.Merge(env);
    }
}

OGRMapgisMapLayer::Features OGRMapgisMapLayer::ReadOn(std::int64_t nFrom, std::int64_t* pnAt) {
    mapgis::ItemRead read = m_poCompound->NextReadFrom(nFrom, Wanted());
    *pnAt = read.bEnd ? m_poCompound->End() : read.nItem;
    SkipEmpty(nFrom, *pnAt);
    if (read.bEnd)
        return Features();
    Features features = Take(*pnAt, &read);
    m_poCompound->Recycle(std::move(read));
    return features;
}

void OGRMapgisMapLayer::SkipEmpty(std::int64_t nFrom, std::int64_t nAt) {
    if (m_nCatalogued < nFrom || m_nCatalogued >= nAt)
        return;
    while (m_eKind == mapgis::MapKind::Texts && m_textFids.Size() < nAt)
        m_textFids.Add(0);
    m_nCatalogued = nAt;
}

OGRMapgisMapLayer::Features OGRMapgisMapLayer::ReadAt(std::int64_t nItem) {
    mapgis::ItemRead read = m_poCompound->ReadAt(nItem);
    return Take(nItem, read.bEnd ? nullptr : &read);
}

const std::shared_ptr<const std::vector<bool>>& OGRMapgisMapLayer::Wanted() {
    const mapgis::Census* pCensus = m_file.GetCensus();
    if (m_wanted || m_bOnlyKind || pCensus == nullptr || !pCensus->bTaken)
        return m_wanted;
    auto wanted = std::make_shared<std::vector<bool>>(static_cast<size_t>(m_poCompound->End()));
    for (std::int64_t nItem = 0; nItem < m_poCompound->End(); ++nItem) {
        const std::optional<size_t> iItem = m_poCompound->CensusItemAt(nItem);
        (*wanted)[static_cast<size_t>(nItem)] =
            !iItem || mapgis::ItemMapKinds(pCensus->Item(*iItem))[static_cast<size_t>(m_eKind)];
    }
    m_wanted = std::move(wanted);
    return m_wanted;
}

void OGRMapgisMapLayer::ReadBatch() {
    int nItems = 0;
    while (m_nNextItem < m_poCompound->End() && (m_pending.empty() || nItems < kBatchItems)) {
        std::int64_t nAt = 0;
        for (auto& poFeature : ReadOn(m_nNextItem, &nAt))
            m_pending.push_back(std::move(poFeature));
        m_nNextItem = nAt + 1;
        ++nItems;
    }
}

OGRFeature* OGRMapgisMapLayer::GetNextRawFeature() {
    if (m_pending.empty())
        ReadBatch();
    if (m_pending.empty())
        return nullptr;
    OGRFeature* poFeature = m_pending.front().release();
    m_pending.pop_front();
    return poFeature;
}

void OGRMapgisMapLayer::CatalogueAll() {
    while (!Complete()) {
        std::int64_t nAt = 0;
        ReadOn(m_nCatalogued, &nAt);
    }
}

OGRFeature* OGRMapgisMapLayer::GetFeature(GIntBig nFID) {
    std::int64_t nItem = nFID - 1;
    if (m_eKind == mapgis::MapKind::Texts) {
        while (m_nFeatures < nFID && !Complete())
            ReadAt(m_nCatalogued);
        nItem = m_textFids.ItemOf(nFID);
    }
    if (nItem < 0 || nItem >= m_poCompound->End())
        return nullptr;
    for (auto& poFeature : ReadAt(nItem)) {
        if (poFeature->GetFID() == nFID)
            return poFeature.release();
    }
    return nullptr;
}

GIntBig OGRMapgisMapLayer::GetFeatureCount(int bForce) {
    if (m_poFilterGeom != nullptr || m_poAttrQuery != nullptr)
        return OGRLayer::GetFeatureCount(bForce);
    if (!Complete()) {
        if (!bForce)
            return -1;
        CatalogueAll();
    }
    return m_nFeatures;
}

OGRErr OGRMapgisMapLayer::Extent(OGREnvelope* psExtent, bool bForce) {
    if (!Complete()) {
        if (!bForce)
            return OGRERR_FAILURE;
        CatalogueAll();
    }
    if (!m_extent.IsInit())
        return OGRERR_FAILURE;
    *psExtent = m_extent;
    return OGRERR_NONE;
}

void OGRMapgisMapLayer::BuildMetadata() {
    if (m_file.GetReading().bAccount)
        CatalogueAll();
    m_aosMetadata = CPLStringList(CSLDuplicate(m_poCompound->GetMetadata("MAPGIS")));
    m_aosMetadata.SetNameValue("MAP_KIND", mapgis::MapKindSuffix(m_eKind, m_bNetwork));
    m_aosMetadata.SetNameValue("FEATURE_COUNT",
                               Complete() ? std::to_string(m_nFeatures).c_str() : nullptr);
}

char** OGRMapgisMapLayer::GetMetadata(const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        BuildMetadata();
        return m_aosMetadata.List();
    }
    if (pszDomain == nullptr || pszDomain[0] == '\0')
        SetDescriptionItem();
    return OGRLayer::GetMetadata(pszDomain);
}

const char* OGRMapgisMapLayer::GetMetadataItem(const char* pszName, const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        // The definition's figures need no read.
        if (EQUAL(pszName, "MAP_KIND"))
            return mapgis::MapKindSuffix(m_eKind, m_bNetwork);
        if (EQUAL(pszName, "ITEM_COUNT") || EQUAL(pszName, "LAYER_TYPE"))
            return m_poCompound->GetMetadataItem(pszName, pszDomain);
        BuildMetadata();
        return m_aosMetadata.FetchNameValue(pszName);
    }
    if (pszName != nullptr && EQUAL(pszName, "DESCRIPTION"))
        GetMetadata(pszDomain);
    return OGRLayer::GetMetadataItem(pszName, pszDomain);
}
