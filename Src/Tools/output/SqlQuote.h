// Names and texts in SQL (SQLite, PostgreSQL).
#pragma once

#include <string>

namespace mapgis_import {

// "name", with its double quotes doubled.
inline std::string QuotedName(const std::string& strName) {
    std::string out = "\"";
    for (char c : strName)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// 'text', with its single quotes doubled.
inline std::string QuotedText(const std::string& strText) {
    std::string out = "'";
    for (char c : strText)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

}  // namespace mapgis_import
