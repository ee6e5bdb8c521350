// The OGR driver "MAPGIS": MAPGIS exchange files (.wat, .wal, .wap, .wan) read through the
// MAPGIS import plug-in.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gdal_priv.h"
#include "mapgisaccount.h"
#include "mapgisdriver.h"
#include "mapgisfilecontext.h"
#include "mapgisitemnotes.h"
#include "mapgiskinds.h"
#include "mapgismapstyle.h"
#include "mapgisplugin.h"
#include "mapgisreadahead.h"
#include "mapgistextfids.h"
#include "mapgistextmetrics.h"
#include "ogrsf_frmts.h"

namespace KTX {
class KtGeometry;
}

// What both kinds of layer answer alike from what each knows of itself: its extent
// (Extent) and whether that and its feature count are known without a read (ExtentKnown,
// CountKnown).
template <class Layer>
class OGRMapgisLayerBase : public OGRLayer {
public:
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 11, 0)
    OGRErr IGetExtent(int iGeomField, OGREnvelope* psExtent, bool bForce) override {
        return iGeomField == 0 ? Self().Extent(psExtent, bForce) : OGRERR_FAILURE;
    }
#else
    OGRErr GetExtent(OGREnvelope* psExtent, int bForce) override {
        return Self().Extent(psExtent, bForce != 0);
    }
    OGRErr GetExtent(int iGeomField, OGREnvelope* psExtent, int bForce) override {
        return iGeomField == 0 ? Self().Extent(psExtent, bForce != 0) : OGRERR_FAILURE;
    }
#endif
    int TestCapability(const char* pszCap) override {
        if (EQUAL(pszCap, OLCRandomRead) || EQUAL(pszCap, OLCStringsAsUTF8) ||
            EQUAL(pszCap, OLCCurveGeometries)) {
            return TRUE;
        }
        if (EQUAL(pszCap, OLCFastGetExtent))
            return Self().ExtentKnown();
        if (EQUAL(pszCap, OLCFastFeatureCount))
            return Self().CountKnown() && m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
        return FALSE;
    }
    char** GetMetadataDomainList() override {
        // The default domain holds DESCRIPTION once asked for; listed before, so that ogr2ogr
        // copies it.
        return BuildMetadataDomainList(OGRLayer::GetMetadataDomainList(), TRUE, "MAPGIS",
                                       m_file.GetReading().bAccount ? "" : nullptr, nullptr);
    }

protected:
    explicit OGRMapgisLayerBase(mapgis::FileContext& file) : m_file(file) {}
    // With ACCOUNT=YES, DESCRIPTION is the account of the file in one sentence (the MAPGIS
    // domain's FILE_... figures, read as they are); set on the first request for the default
    // domain.
    void SetDescriptionItem() {
        if (m_bDescribed || !m_file.GetReading().bAccount)
            return;
        m_bDescribed = true;
        const std::string& strSummary = m_file.AccountSummary();
        if (!strSummary.empty())
            OGRLayer::SetMetadataItem("DESCRIPTION", strSummary.c_str());
    }

    mapgis::FileContext& m_file;

private:
    Layer& Self() {
        return static_cast<Layer&>(*this);
    }

    bool m_bDescribed = false;
};

// One layer of the plug-in. Reads go through the plug-in's cursor, which can be set to any
// position of the layer's index. Feature ids are the item's position in the layer's index
// counted from 1, so an item the plug-in refuses leaves a gap.
class OGRMapgisLayer final : public OGRMapgisLayerBase<OGRMapgisLayer>,
                             public OGRGetNextFeatureThroughRaw<OGRMapgisLayer> {
public:
    OGRMapgisLayer(mapgis::FileContext& file, std::shared_ptr<mapgis::PluginSession> session,
                   int iLayer, const mapgis::LayerSummary& summary);
    ~OGRMapgisLayer() override;

    OGRFeatureDefn* GetLayerDefn() override { return m_poDefn; }
    void ResetReading() override;
    DEFINE_GET_NEXT_FEATURE_THROUGH_RAW(OGRMapgisLayer)
    OGRFeature* GetFeature(GIntBig nFID) override;
    GIntBig GetFeatureCount(int bForce) override;

    // Domain "MAPGIS": ITEM_COUNT and LAYER_TYPE; once every position has been read,
    // FEATURE_COUNT, REFUSED_COUNT and the reasons grouped with counts: REFUSED_REASON_n and
    // MESSAGE_n (messages on imported features), each "<count>: <text>". With the open
    // option ACCOUNT=YES the layer is read through for them when needed, and the account of
    // the whole file follows (FILE_... items, see the data source). Otherwise nothing here
    // reads the file.
    char** GetMetadata(const char* pszDomain) override;
    const char* GetMetadataItem(const char* pszName, const char* pszDomain) override;

    // What reading each position of the index gave; reads every position not read yet.
    mapgis::LayerResults Results();
    // The next read of the sequential read from position nItem on, which it moves to when it
    // stands elsewhere; refused items are passed over, bEnd at the end. For the map layers,
    // each of which reads on from a position of its own. Reading ahead, the positions wanted
    // does not hold are passed over unread (null: none is). Give the read back to Recycle.
    mapgis::ItemRead NextReadFrom(std::int64_t nItem,
                                  const std::shared_ptr<const std::vector<bool>>& wanted = nullptr);
    void Recycle(mapgis::ItemRead read);
    // Reads the item at a position; the read-ahead, if any, is stopped first.
    mapgis::ItemRead ReadAt(std::int64_t nItem);
    // The feature of an item read, with its style string when bStyle (the map layers write
    // their own from the read).
    // poDefn: another definition whose fields start with this layer's.
    std::unique_ptr<OGRFeature> MakeFeature(const mapgis::ItemRead& read, bool bStyle = true,
                                            OGRFeatureDefn* poDefn = nullptr);
    std::int64_t End() const { return m_nEnd; }
    // The bound the pre-read gathered, placed: for point files, of the items' anchors only.
    OGREnvelope Bound() const;
    // The number of the census item at a position of the index, taking the census when the
    // data source repairs or accounts.
    std::optional<size_t> CensusItemAt(std::int64_t nItem);

private:
    friend class OGRMapgisLayerBase<OGRMapgisLayer>;
    OGRFeature* GetNextRawFeature();
    // The next read of the sequential read at m_nNextItem.
    mapgis::ItemRead ReadNextInOrder();
    // The next read of a batch the plug-in makes in this thread: its code stays in the
    // instruction cache from one item to the next, which an item read between features of
    // the driver and the caller does not.
    mapgis::ItemRead ReadInBatch();
    // The next item read in order that the plug-in did not refuse; bEnd at the end.
    mapgis::ItemRead NextRead();
    // Stops the read-ahead and drops the reads of a batch not taken yet.
    void StopReadAhead();
    // A refused item that the host can read after all, read so (REPAIR=YES).
    void Repair(mapgis::ItemRead& read);
    void Note(const mapgis::ItemRead& read);
    void SetGeometry(std::int64_t nItem, const KTX::KtGeometry& geom, OGRFeature& feature);
    // Tells the data source of a text its charset could not decode, once per item.
    void NoteReplaced(std::int64_t nItem, const OGRFeature& feature);
    // The envelope of a feature read at that position joins the extent when it is the next
    // one the extent lacks.
    void GrowExtent(std::int64_t nItem, const OGRFeature* poFeature);
    // Reads the positions a full count still lacks; with bExtent, also those a point file's
    // extent lacks.
    void ReadMissing(bool bExtent);
    bool AllNoted() const { return m_notes.NotedCount() >= End(); }
    bool ExtentKnown() const { return m_bBoundIsExtent || m_nGrown >= End(); }
    bool CountKnown() const { return AllNoted(); }
    OGRErr Extent(OGREnvelope* psExtent, bool bForce);
    void BuildMetadata();

    std::shared_ptr<mapgis::PluginSession> m_session;
    int m_iLayer;
    mapgis::LayerSummary m_summary;
    mapgis::LayerKind m_eKind;
    OGRFeatureDefn* m_poDefn;
    int m_iText;                   // the "Text" field; -1 for layers without one
    std::int64_t m_nEnd;           // positions in the index
    std::int64_t m_nNextItem = 0;  // where the sequential read goes on
    std::int64_t m_nCursor = 0;    // where the session's cursor stands
    std::unique_ptr<mapgis::ItemReadAhead> m_readAhead;
    static constexpr std::size_t kBatch = 16;
    std::deque<mapgis::ItemRead> m_batch;  // reads of the sequential read not taken yet
    std::shared_ptr<const std::vector<bool>> m_wanted;  // of the sequential read under way
    mapgis::ItemNotes m_notes;
    std::set<std::int64_t> m_geometryChecked;
    std::set<std::int64_t> m_replacedItems;
    // Line, area and network files give their exact extent before any read; the items of a
    // point file reach beyond their anchors (radii, arc ends, text boxes), so its extent is
    // the union of the features' envelopes, gathered position by position from the start.
    bool m_bBoundIsExtent;
    OGREnvelope m_extent;
    std::int64_t m_nGrown = 0;  // positions 0 to m_nGrown - 1 are in m_extent
    CPLStringList m_aosMetadata;
    std::optional<mapgis::LayerItems> m_censusItems;
};

// A layer of MODE=MAP: the pieces of one kind of the compound layer's items (areas, lines,
// point symbols, placed texts; a network file's lines and nodes), one geometry type. It reads
// the compound layer by position and keeps its own, so that layers can be read in any order
// or interleaved. Feature ids: the item's in the compound layer; in the texts layer, whose
// items have a feature per placed piece, the pieces numbered from 1 in item order.
class OGRMapgisMapLayer final : public OGRMapgisLayerBase<OGRMapgisMapLayer>,
                                public OGRGetNextFeatureThroughRaw<OGRMapgisMapLayer> {
public:
    // bOnlyKind: the file's items give no other kind, so none is passed over.
    OGRMapgisMapLayer(mapgis::FileContext& file, OGRMapgisLayer* poCompound, mapgis::MapKind eKind,
                      bool bNetwork, bool bOnlyKind);
    ~OGRMapgisMapLayer() override;

    OGRFeatureDefn* GetLayerDefn() override { return m_poDefn; }
    void ResetReading() override;
    DEFINE_GET_NEXT_FEATURE_THROUGH_RAW(OGRMapgisMapLayer)
    OGRFeature* GetFeature(GIntBig nFID) override;
    GIntBig GetFeatureCount(int bForce) override;

    // Domain "MAPGIS": the compound layer's, FEATURE_COUNT this layer's own (once every item
    // has been read), and MAP_KIND, the layer's name suffix ("areas", "texts", "nodes"...).
    char** GetMetadata(const char* pszDomain) override;
    const char* GetMetadataItem(const char* pszName, const char* pszDomain) override;

    using Features = std::vector<std::unique_ptr<OGRFeature>>;
    // The positions from nFrom up to nAt give this layer nothing: read in order and refused
    // (the data source's read of every layer in one pass, which then cuts the item at nAt into
    // pieces this layer makes its features of), or of other kinds by the census.
    void SkipEmpty(std::int64_t nFrom, std::int64_t nAt);
    // By position, whether the item may give this layer a piece, by the census; null before
    // the census is taken and for the only kind of a file. Worked out once, on the first need.
    const std::shared_ptr<const std::vector<bool>>& Wanted();
    // This layer's features of the item's pieces, with the fields of source, drawn with the
    // styles of the read's geometry. ppoTaken: the source itself, when it is of this layer's
    // definition and read for it alone: the last feature is it.
    Features TakePieces(std::int64_t nItem, OGRFeature& source, const mapgis::ItemRead& read,
                        std::vector<mapgis::KindPiece>& pieces,
                        std::unique_ptr<OGRFeature>* ppoTaken = nullptr);

private:
    friend class OGRMapgisLayerBase<OGRMapgisMapLayer>;
    OGRFeature* GetNextRawFeature();
    // This layer's features of the item read at that position; null: none was read.
    Features Take(std::int64_t nItem, const mapgis::ItemRead* pRead);
    // The style string of this layer's tools for the item (pGeom: its geometry, null for
    // none), with each label into pLabels; a repaired item's commas put back in both.
    std::string StyleOf(const mapgis::ItemRead& read, const KTX::KtGeometry* pGeom,
                        std::vector<mapgis::MapLabel>* pLabels = nullptr) const;
    Features TakeTexts(OGRFeature& source, const mapgis::ItemRead& read, mapgis::KindPiece& piece,
                       std::unique_ptr<OGRFeature>* ppoTaken);
    // The item's style values in MODE=MAP, from its style numbers in the census.
    mapgis::MapStyle MapStyleAt(std::int64_t nItem);
    // The id of the item's first text piece; null when the item was never counted.
    GIntBig FirstTextFid(std::int64_t nItem) const;
    // A feature of this layer with the geometry (taken) and style: the one ppoTaken holds, or
    // a new one with the fields of source, panMap giving each source field's index here (-1:
    // not copied).
    std::unique_ptr<OGRFeature> NewFeature(OGRFeature& source,
                                           std::unique_ptr<OGRFeature>* ppoTaken,
                                           OGRGeometry* poGeom, const std::string& strStyle,
                                           const int* panMap);
    // Makes the features of the next kBatchItems items in order (more while none gives one):
    // the driver's code stays in the instruction cache from one item to the next, as the
    // plug-in's does in the compound layer's batches. The compound layer passes over the
    // items the census gives to other layers, unread: a layer of few items (a point file's
    // areas) reads those alone.
    void ReadBatch();
    static constexpr int kBatchItems = 16;
    // The features of the first item read in order from nFrom on; *pnAt: its position.
    Features ReadOn(std::int64_t nFrom, std::int64_t* pnAt);
    Features ReadAt(std::int64_t nItem);
    // Counts the item's features, widens the extent and numbers texts, when the item is the
    // next one not counted yet.
    void Catalogue(std::int64_t nItem, const Features& features);
    void CatalogueAll();
    bool Complete() const { return m_nCatalogued >= m_poCompound->End(); }
    bool ExtentKnown() const { return Complete(); }
    bool CountKnown() const { return Complete(); }
    OGRErr Extent(OGREnvelope* psExtent, bool bForce);
    void BuildMetadata();

    OGRMapgisLayer* m_poCompound;
    mapgis::MapKind m_eKind;
    bool m_bNetwork;
    bool m_bOnlyKind;
    OGRFeatureDefn* m_poDefn;
    std::vector<int> m_fieldMap;
    std::vector<int> m_pieceFieldMap;  // a text piece's: all but Text
    // MODE=MAP's style values of the item being cut, and the fields they set.
    mapgis::MapStyle m_itemStyle;
    mapgis::MapTools m_tools;  // the tools this layer draws the item with
    int m_iFillColor = -1, m_iLineWidth = -1, m_iSymbolSize = -1;
    // Fields a text piece sets from its label.
    int m_iText = -1, m_iTextAngle = -1, m_iTextHeight = -1, m_iColor = -1, m_iFontName = -1,
        m_iItalic = -1;
    int m_iTextWidth = -1;
    std::int64_t m_nNextItem = 0;  // where the sequential read goes on
    std::deque<std::unique_ptr<OGRFeature>> m_pending;
    // Items 0 to m_nCatalogued - 1 are counted: their features, their extent and, for texts,
    // the id of each item's first piece.
    std::int64_t m_nCatalogued = 0;
    GIntBig m_nFeatures = 0;
    OGREnvelope m_extent;
    mapgis::TextFids m_textFids;                        // of the items counted, for texts
    std::shared_ptr<const std::vector<bool>> m_wanted;  // Wanted(), once worked out
    CPLStringList m_aosMetadata;
};

class OGRMapgisDataSource final : public GDALDataset {
public:
    static int Identify(GDALOpenInfo* poOpenInfo);
    static GDALDataset* Open(GDALOpenInfo* poOpenInfo);

    ~OGRMapgisDataSource() override;

    // MODE: which layers the file gives.
    enum class Mode { Map, Compound, Typed };

    int GetLayerCount() override;
    OGRLayer* GetLayer(int i) override;
    // Also the names of the other modes' layers, read through a session of that mode opened
    // on the first such request: a host may list the layers of one mode and open them in
    // another.
    OGRLayer* GetLayerByName(const char* pszName) override;
    // MODE=MAP: RandomLayerRead, the features of every map layer in one pass over the file.
    int TestCapability(const char* pszCap) override;
    void ResetReading() override;
    OGRFeature* GetNextFeature(OGRLayer** ppoBelongingLayer, double* pdfProgressPct,
                               GDALProgressFunc pfnProgress, void* pProgressData) override;

    // Domain "MAPGIS", with the open option ACCOUNT=YES: the account of the file.
    // FILE_ITEM_COUNT (the items the file holds), FILE_IMPORTED_COUNT, FILE_REPAIRED_COUNT
    // (of the imported), FILE_REFUSED_COUNT, FILE_NOT_IMPORTABLE_COUNT, FILE_SKIPPED_COUNT
    // and FILE_ITEM_n, "<line>: <what became of the item>" for each item not imported or
    // repaired; FILE_NOTE_n for what the file says of itself that does not hold (a header
    // line missing, a count beyond its items) and texts its charset lost; FILE_ACCOUNT_PROBLEM
    // instead when no account
    // can be given. Reads every position of every layer not read yet. Empty without
    // ACCOUNT=YES.
    char** GetMetadata(const char* pszDomain) override;
    const char* GetMetadataItem(const char* pszName, const char* pszDomain) override;
    char** GetMetadataDomainList() override;

private:
    OGRMapgisDataSource(std::unique_ptr<mapgis::FileContext> file, Mode eMode)
        : m_file(std::move(file)), m_eMode(eMode) {}
    bool Load();
    // SRS=: the coordinate system of every layer.
    bool AssignSrs(const std::string& strUser);
    // The mode other than this one whose layers have that name, if any.
    std::optional<Mode> OtherModeOf(const char* pszName) const;
    // MODE=MAP: a layer for each kind the census finds.
    void AddMapLayers();
    // The next batch of items of the one-pass read, cut for every map layer; false at the end.
    bool ReadMapBatch();

    // Outlives the layers, which hold it.
    std::unique_ptr<mapgis::FileContext> m_file;
    Mode m_eMode;
    // The plug-in's layers; in MODE=MAP the compound layer the map layers read.
    std::vector<std::unique_ptr<OGRMapgisLayer>> m_layers;
    std::vector<std::unique_ptr<OGRMapgisMapLayer>> m_mapLayers;
    // The one-pass read: where it goes on, and the features of its batch by map layer.
    std::int64_t m_nMapItem = 0;
    std::vector<std::deque<std::unique_ptr<OGRFeature>>> m_mapBatch;
    size_t m_iMapBatchLayer = 0;
    CPLStringList m_aosMetadata;
    CPLStringList m_aosOpenOptions;
    // By mode: the sessions opened for other modes' layer names.
    std::array<std::unique_ptr<OGRMapgisDataSource>, 3> m_otherModes;
    std::array<bool, 3> m_otherModesTried{};
};
