// Items the reader refuses for a reason the host can see through: a text record whose text
// holds commas. The record, its text's commas stood in for, is read by the plug-in from a
// file of its own, and the feature gets its commas back.
#pragma once

#include <string>

#include "mapgisgeometry.h"
#include "mapgisplugin.h"
#include "ogr_feature.h"

namespace mapgis {

// Reads the repaired record (a point file's first line, UTF-8, see CensusItem) with the
// import's settings, from the layer of that kind; a read without a feature when the plug-in
// refuses it still.
ItemRead ReadRepairedRecord(const ImportSettings& settings, LayerKind eKind,
                            const std::string& strRecord);

// Puts the commas back into the feature's texts and style string.
void RestoreCommas(OGRFeature& feature);
// Puts the commas back into a text or style string of the feature.
void RestoreCommas(std::string& s);

// What the account and the warnings say of a repaired item.
constexpr const char* kRepairedNote =
    "repaired: its text holds commas, read with the text's delimiters honoured";

}  // namespace mapgis
