#include "tagArcIndex.h"

#include <new>

namespace KTX {

tagFileIndex* tagArcIndex::Clone() const {
    return new (std::nothrow) tagArcIndex(*this);
}

}  // namespace KTX
