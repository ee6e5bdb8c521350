// The program's messages.
#include "report/Messages.h"

#include <cstdio>

namespace mapgis_import {

int Fail(int nCode, const std::string& strMessage) {
    std::fprintf(stderr, "%s: %s\n", kProgram, strMessage.c_str());
    return nCode;
}

}  // namespace mapgis_import
