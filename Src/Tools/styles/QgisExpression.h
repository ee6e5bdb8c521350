// Text in QGIS expressions.
#pragma once

#include <string>

namespace mapgis_import {

// A field as a QGIS expression names it: "name", a double quote in it doubled.
inline std::string ExpressionField(const std::string& strField) {
    std::string out(1, '"');
    for (char c : strField) {
        if (c == '"')
            out += c;
        out += c;
    }
    return out + '"';
}

}  // namespace mapgis_import
