// Capped warnings of one dataset.
#include "mapgismessages.h"

#include "cpl_error.h"

namespace mapgis {

void MessageReporter::Warn(const std::string& strText) {
    ++m_nTotal;
    if (m_nTotal > kMaxShown) {
        ++m_nHeld;
        return;
    }
    CPLError(CE_Warning, CPLE_AppDefined, "%s: %s", m_strFileName.c_str(), strText.c_str());
}

void MessageReporter::WarnAt(int nLine, const std::string& strText) {
    ++m_nTotal;
    if (m_nTotal > kMaxShown) {
        ++m_nHeld;
        return;
    }
    CPLError(CE_Warning, CPLE_AppDefined, "%s:%d: %s", m_strFileName.c_str(), nLine,
             strText.c_str());
}

void MessageReporter::Flush() {
    if (m_nHeld == 0)
        return;
    CPLError(CE_Warning, CPLE_AppDefined, "%s: %d more warnings not shown (%d in all)",
             m_strFileName.c_str(), m_nHeld, m_nTotal);
    m_nHeld = 0;
}

}  // namespace mapgis
