// The OGR driver "MAPGIS": MAPGIS exchange files (.wat, .wal, .wap, .wan) read through the
// MAPGIS import plug-in.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gdal_priv.h"
#include "mapgisaccount.h"
#include "mapgiscensus.h"
#include "mapgisgeometry.h"
#include "mapgisitemnotes.h"
#include "mapgismessages.h"
#include "mapgisplugin.h"
#include "mapgisreadahead.h"
#include "ogrsf_frmts.h"

// Registers the driver with GDAL; the entry GDAL calls when it loads ogr_MAPGIS.so.
extern "C" __attribute__((visibility("default"))) void RegisterOGRMAPGIS();

class OGRMapgisDataSource;

// One layer of the plug-in. The plug-in's cursor only moves forward; this layer rewinds by
// opening the file again and skips forward by reading. Feature ids are the item's position
// in the layer's index counted from 1, so an item the plug-in refuses leaves a gap.
class OGRMapgisLayer final : public OGRLayer {
public:
    OGRMapgisLayer(OGRMapgisDataSource* poDS, std::shared_ptr<mapgis::PluginSession> session,
                   int iLayer, const mapgis::LayerSummary& summary);
    ~OGRMapgisLayer() override;

    OGRFeatureDefn* GetLayerDefn() override { return m_poDefn; }
    void ResetReading() override;
    OGRFeature* GetNextFeature() override;
    OGRFeature* GetFeature(GIntBig nFID) override;
    GIntBig GetFeatureCount(int bForce) override;
    OGRErr GetExtent(OGREnvelope* psExtent, int bForce) override;
    OGRErr GetExtent(int iGeomField, OGREnvelope* psExtent, int bForce) override;
    int TestCapability(const char* pszCap) override;

    // Domain "MAPGIS": ITEM_COUNT, LAYER_TYPE, FEATURE_COUNT, REFUSED_COUNT, and the reasons
    // grouped with counts: REFUSED_REASON_n and MESSAGE_n (messages on imported features),
    // each "<count>: <text>"; then the account of the whole file (FILE_... items, see the
    // data source). Reads the layer through once if it has not been yet, except for
    // ITEM_COUNT and LAYER_TYPE asked alone.
    char** GetMetadata(const char* pszDomain) override;
    const char* GetMetadataItem(const char* pszName, const char* pszDomain) override;
    char** GetMetadataDomainList() override;

    mapgis::LayerKind GetKind() const { return m_eKind; }
    // What reading each position of the index gave; reads the layer through first. Empty
    // when the layer cannot be read again.
    std::optional<mapgis::LayerResults> Results();

private:
    bool SeekTo(std::int64_t nItem);
    bool Reopen();
    mapgis::ItemRead ReadAtCursor();
    // Stops reading ahead; the reads made ahead are dropped and the cursor moves to where
    // the session's cursor stands.
    void StopReadAhead();
    void Note(const mapgis::ItemRead& read);
    OGRFeature* MakeFeature(const mapgis::ItemRead& read);
    void ReadToEnd();
    bool CountAll();
    void BuildMetadata();
    // The census item at a position of the index, once the data source has a census.
    const mapgis::CensusItem* CensusItemAt(std::int64_t nItem);

    OGRMapgisDataSource* m_poDS;
    std::shared_ptr<mapgis::PluginSession> m_session;
    int m_iLayer;
    mapgis::LayerSummary m_summary;
    mapgis::LayerKind m_eKind;
    OGRFeatureDefn* m_poDefn;
    std::int64_t m_nNextItem = 0;  // where the sequential read goes on
    std::int64_t m_nCursor = 0;    // position of the next read in the index
    std::unique_ptr<mapgis::ItemReadAhead> m_readAhead;
    std::optional<std::int64_t> m_nEnd;  // number of positions in the index, once seen
    std::optional<GIntBig> m_nCount;     // features a full read returns
    mapgis::ItemNotes m_notes;
    std::set<std::int64_t> m_geometryChecked;
    CPLStringList m_aosMetadata;
    std::optional<std::vector<size_t>> m_censusItems;
};

class OGRMapgisDataSource final : public GDALDataset {
public:
    static int Identify(GDALOpenInfo* poOpenInfo);
    static GDALDataset* Open(GDALOpenInfo* poOpenInfo);

    ~OGRMapgisDataSource() override;

    int GetLayerCount() override { return static_cast<int>(m_layers.size()); }
    OGRLayer* GetLayer(int i) override;
    int TestCapability(const char*) override { return FALSE; }

    // Domain "MAPGIS": the account of the file. FILE_ITEM_COUNT (the items the file holds;
    // asked alone it takes the census only, without reading features), FILE_IMPORTED_COUNT,
    // FILE_REFUSED_COUNT, FILE_NOT_IMPORTABLE_COUNT, FILE_SKIPPED_COUNT and FILE_ITEM_n,
    // "<line>: <what became of the item>" for each item not imported; FILE_ACCOUNT_PROBLEM
    // instead when no account can be given. Reads every layer through.
    char** GetMetadata(const char* pszDomain) override;
    const char* GetMetadataItem(const char* pszName, const char* pszDomain) override;
    char** GetMetadataDomainList() override;

    const mapgis::ImportSettings& GetSettings() const { return m_settings; }
    mapgis::MessageReporter& Reporter() { return m_reporter; }
    // The census of the file, taken on first request.
    const mapgis::Census& GetCensus();
    bool HasCensus() const { return m_census.has_value(); }
    // Appends the FILE_... items of the account.
    void AddAccount(CPLStringList& aosList);
    // A warning about the item at that line, once per dataset however often it is met.
    void WarnItem(int nLine, const std::string& strText);
    // Whether sequential reads of the layers go on ahead on a second thread.
    bool ReadsAhead() const { return m_bReadAhead; }

private:
    OGRMapgisDataSource(const mapgis::ImportSettings& settings, const std::string& strFileName)
        : m_settings(settings), m_reporter(strFileName) {}
    bool Load();

    mapgis::ImportSettings m_settings;
    mapgis::MessageReporter m_reporter;
    std::vector<std::unique_ptr<OGRMapgisLayer>> m_layers;
    std::optional<mapgis::Census> m_census;
    std::set<std::string> m_warnedItems;
    CPLStringList m_aosMetadata;
    bool m_bReadAhead = true;
};
