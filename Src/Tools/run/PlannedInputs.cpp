// The inputs of an import opened and their layers planned.
#include "run/PlannedInputs.h"

#include "cli/ExitCode.h"
#include "cpl_error.h"
#include "mapgisdriver.h"
#include "run/Inputs.h"
#include "run/Interrupts.h"

namespace mapgis_import {

namespace {

bool Failed(int nExit, const std::string& strWhy, int* pnExit, std::string* pstrWhy) {
    *pnExit = nExit;
    *pstrWhy = strWhy;
    return false;
}

bool Interrupted(int* pnExit, std::string* pstrWhy) {
    return Failed(128 + InterruptSignal(), "interrupted; no output written", pnExit, pstrWhy);
}

}  // namespace

bool OpenPlannedInputs(const Arguments& args, const OutputFormat& format, PlannedInputs* pInputs,
                       int* pnExit, std::string* pstrWhy) {
    for (size_t iSource = 0; iSource < args.inputs.size(); ++iSource) {
        const std::string& strInput = args.inputs[iSource];
        DatasetPtr src(OpenInput(strInput, args, format));
        if (InterruptSignal() != 0)
            return Interrupted(pnExit, pstrWhy);
        if (!src) {
            // A bad SRS, SCALE or OFFSET is the command line's fault, not the input's.
            const bool bUsage = CPLGetLastErrorNo() == CPLE_IllegalArg;
            return Failed(bUsage ? kExitUsage : kExitInput,
                          "cannot import " + mapgis::ShownPath(strInput), pnExit, pstrWhy);
        }
        std::string strName;
        if (!PlanInput(args, format, strInput, iSource, src.get(), &pInputs->plan, &strName)) {
            return Failed(kExitUsage,
                          strInput + ": its layer " + strName +
                              " would take the name of another input's; give the inputs "
                              "different names or folders",
                          pnExit, pstrWhy);
        }
        pInputs->sources.push_back(std::move(src));
    }
    if (pInputs->plan.jobs.empty()) {
        return Failed(kExitInput, "no layer to write: the inputs hold no item to import", pnExit,
                      pstrWhy);
    }
    SortInMapOrder(&pInputs->plan);
    return true;
}

}  // namespace mapgis_import
