// Numbers as style strings write them: "%.10g" of the "C" locale, whatever the locale is.
#pragma once

#include <string>

namespace mapgis {

// Appends d as printf's "%.10g" in the "C" locale writes it; returns out.
std::string& AppendGeneral10(std::string& out, double d);

}  // namespace mapgis
