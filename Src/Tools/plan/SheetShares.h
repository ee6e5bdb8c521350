// Shares of an archive's sheets, for several machines each importing one: a sheet's share
// follows from its name alone (its path from the root, "a/b/1"), so that sheets added or
// removed elsewhere in the archive never move it to another share.
#pragma once

#include <cstdint>
#include <string>

namespace mapgis_import {

// FNV-1a of the name's bytes, 64 bits: the same on every machine and in every build.
uint64_t NameHash(const std::string& strName);

// The share, 1 to nShares, of the sheet named strName: its NameHash through MurmurHash3's
// 64-bit finalizer, modulo nShares, plus one.
int ShareOf(const std::string& strName, int nShares);

// "K/N": a share K from 1 to N of N shares (N at most kMaxShares); false for anything else.
bool ParseShare(const std::string& strText, int* pnShare, int* pnShares);

constexpr int kMaxShares = 100000;

}  // namespace mapgis_import
