#include "tagColorIndex.h"

#include <new>

namespace KTX {

tagFileIndex* tagColorIndex::Clone() const {
    return new (std::nothrow) tagColorIndex(*this);
}

}  // namespace KTX
