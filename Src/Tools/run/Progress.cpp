// Progress bar or progress lines.
#include "run/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mapgis_import {

namespace {

Progress Shown(const Arguments& args) {
    if (args.eProgress != Progress::Bar)
        return args.eProgress;
    return !args.bQuiet && isatty(fileno(stdout)) ? Progress::Bar : Progress::None;
}

}  // namespace

ProgressShown::ProgressShown(const Arguments& args) : m_eShown(Shown(args)) {}

GDALProgressFunc ProgressShown::Function() const {
    switch (m_eShown) {
        case Progress::Bar:
            return GDALTermProgress;
        case Progress::Lines:
            return Line;
        case Progress::None:
            break;
    }
    return nullptr;
}

void ProgressShown::Show(double dFraction) {
    if (m_eShown == Progress::Bar)
        GDALTermProgress(dFraction, nullptr, nullptr);
    else if (m_eShown == Progress::Lines)
        Line(dFraction, nullptr, this);
}

void ProgressShown::Complete() {
    if (m_eShown != Progress::Lines)
        return;
    std::fputs("progress 1.000\n", stdout);
    std::fflush(stdout);
}

int CPL_STDCALL ProgressShown::Line(double dComplete, const char*, void* pData) {
    auto* poShown = static_cast<ProgressShown*>(pData);
    const double dShown = std::clamp(dComplete, 0.0, kBeforeComplete);
    const int nPercent = static_cast<int>(std::floor(dShown * 100));
    if (nPercent > poShown->m_nLastPercent) {
        poShown->m_nLastPercent = nPercent;
        std::printf("progress %.3f\n", dShown);
        std::fflush(stdout);
    }
    return TRUE;
}

}  // namespace mapgis_import
