#include "tagFileIndex.h"

#include <new>

namespace KTX {

tagFileIndex* tagFileIndex::Clone() const {
    return new (std::nothrow) tagFileIndex(nItemID, nFilePos);
}

bool tagFileIndex::ReadData(KtFileStdio* /*pFile*/, KtFeature* /*pFeature*/,
                            bool /*bCADMode*/) const {
    return false;
}

}  // namespace KTX
