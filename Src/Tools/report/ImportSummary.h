// The closing summary of mapgis-import: per output layer the features written and the
// bounds; per input the account of its items: written, refused by the reader (with line and
// reason), not importable by design, passed over by the reader (with line and why).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "gdal.h"
#include "ogr_api.h"

namespace mapgis_import {

struct LayerResult {
    std::string strInput;
    std::string strOutputLayer;
    std::string strPart;  // the kind of the input's items it holds; empty: all
    long long nFeatures = 0;
    bool bHasBounds = false;
    OGREnvelope bounds;
    std::vector<std::string> messages;  // "<count>: <text>", about features written
};

// The account of one input, from its "MAPGIS" metadata domain.
struct InputAccount {
    std::string strInput;
    std::string strProblem;  // set when the account could not be given
    long long nItems = 0;
    long long nImported = 0;
    long long nRepaired = 0;  // of the imported
    long long nRefused = 0;
    long long nNotImportable = 0;
    long long nSkipped = 0;
    // "note: <what the file says of itself that does not hold, naming its line>" first (a
    // header line missing, a count beyond the items, texts the charset lost), then
    // "<line>: <what became of the item>".
    std::vector<std::string> entries;
};

inline const std::string kNotePrefix = "note: ";

// The account of an input after its layers have been translated.
InputAccount CollectAccount(GDALDatasetH hSource, const std::string& strInput);

// "sample.wat: 11 items: 9 written, 1 refused, 1 not importable, 0 skipped", or why there is
// no account.
std::string AccountLine(const InputAccount& account);

// Reads the figures of a MAPGIS source layer (its "MAPGIS" metadata domain) after the layer
// has been translated.
LayerResult CollectLayerResult(OGRLayerH hSource, const std::string& strInput,
                               const std::string& strOutputLayer);

// Where the coordinates lie: the system assigned (empty: none) and the placement asked for.
struct SystemSummary {
    std::string strSystem;
    std::string strScale;
    std::string strOffset;
};

void PrintSummary(std::FILE* pOut, const std::string& strOutput,
                  const std::vector<LayerResult>& results,
                  const std::vector<InputAccount>& accounts, const SystemSummary& system);

}  // namespace mapgis_import
