#include "mapgisitemnotes.h"

#include <utility>

namespace mapgis {

bool ItemNotes::Add(std::int64_t nItem, bool bRefused, std::vector<std::string> messages) {
    if (nItem < 0 || IsNoted(nItem))
        return false;
    const auto i = static_cast<std::size_t>(nItem);
    if (i >= m_states.size())
        m_states.resize(i + 1, kUnread);
    m_states[i] = bRefused ? kRefused : kImported;
    ++m_nNoted;
    m_nRefused += bRefused ? 1 : 0;
    if (!messages.empty())
        m_messages[nItem] = std::move(messages);
    return true;
}

void ItemNotes::AddMessage(std::int64_t nItem, std::string strText) {
    if (IsNoted(nItem))
        m_messages[nItem].push_back(std::move(strText));
}

bool ItemNotes::IsNoted(std::int64_t nItem) const {
    return nItem >= 0 && static_cast<std::size_t>(nItem) < m_states.size() &&
           m_states[static_cast<std::size_t>(nItem)] != kUnread;
}

}  // namespace mapgis
