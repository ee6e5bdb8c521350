// The progress of a run as the arguments ask for it: GDAL's bar when standard output is a
// terminal, lines "progress 0.420" for a program reading standard output, or nothing.
#pragma once

#include "cli/ImportArguments.h"
#include "cpl_progress.h"

namespace mapgis_import {

class ProgressShown {
public:
    explicit ProgressShown(const Arguments& args);
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

    bool IsShown() const { return m_eShown != Progress::None; }
    // For GDAL's progress callbacks: the function, called with this as its data.
    GDALProgressFunc Function() const;
    void* Data() { return this; }
    // A step of a run that counts its own (an archive's sheets), as a fraction of the whole.
    void Show(double dFraction);
    // The run is complete: the lines end with "progress 1.000", which nothing earlier says.
    void Complete();

    // The largest fraction a line shows before the run is complete.
    static constexpr double kBeforeComplete = 0.999;

private:
    static int CPL_STDCALL Line(double dComplete, const char* pszMessage, void* pData);

    Progress m_eShown;
    int m_nLastPercent = -1;  // of the last line: at most one line a percent
};

}  // namespace mapgis_import
