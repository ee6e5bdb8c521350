// Builds colour index files: two header lines, then five-line records whose lines have 16
// comma fields, the fifth carrying "label:colour number" or "label=percent" between one
// enclosing character on each side.
#pragma once

#include <string>

namespace colorfile {

// A record line with the given text as its fifth field, enclosed in quotes.
inline std::string Line(const std::string& strValue) {
    return "0,0,0,0,\"" + strValue + "\",0,0,0,0,0,0,0,0,0,0,0\n";
}

inline std::string Record(int nColor, int nCyan, int nMagenta, int nYellow, int nBlack) {
    return Line("Color:" + std::to_string(nColor)) + Line("Black=" + std::to_string(nBlack)) +
           Line("Cyan=" + std::to_string(nCyan)) + Line("Magenta=" + std::to_string(nMagenta)) +
           Line("Yellow=" + std::to_string(nYellow));
}

inline std::string Header(int nCount) {
    return "MAPGIS colour index\n" + std::to_string(nCount) + "\n";
}

}  // namespace colorfile
