// The font families that stand for MAPGIS's font faces in MODE=MAP: the faces the reader
// names are Windows's Chinese faces, which Linux users rarely have.
#pragma once

#include <map>
#include <string>

#include "mapgisdriver.h"

namespace mapgis {

class FontTable {
public:
    // The shipped table: MAPGIS's common faces to Debian's CJK fonts (fonts-arphic-uming,
    // fonts-arphic-ukai, fonts-wqy-zenhei).
    FontTable();

    // Adds the lines of a user's table, each "face=family" in UTF-8 ("#" starts a comment),
    // over the shipped ones; false with "<file>:<line>: ..." for a malformed line.
    bool Load(const std::string& strPath, std::string* pstrError);
    // Adds one line of a table; false with why it is malformed.
    bool AddLine(const std::string& strLine, std::string* pstrWhy);

    // The family that stands for the face; the face itself when the table has none.
    const std::string& Family(const std::string& strFace) const;

private:
    std::map<std::string, std::string> m_families;
};

}  // namespace mapgis
