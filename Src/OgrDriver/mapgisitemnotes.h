// What reading each position of a layer's index gave, kept so that reading an item again
// reports nothing twice. A large file has millions of items and almost none with a message:
// one byte per position, and the messages of the few items that have any.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mapgis {

class ItemNotes {
public:
    // Notes the first read of a position; false, with nothing changed, when it was noted.
    bool Add(std::int64_t nItem, bool bRefused, std::vector<std::string> messages);
    // A message found later about a noted position (a geometry the host cannot take whole).
    void AddMessage(std::int64_t nItem, std::string strText);

    bool IsNoted(std::int64_t nItem) const;
    std::int64_t NotedCount() const { return m_nNoted; }
    std::int64_t RefusedCount() const { return m_nRefused; }

    // Calls visit(nItem, bRefused, messages) for every noted position, in position order.
    template <class Visit>
    void ForEach(Visit visit) const {
        static const std::vector<std::string> kNone;
        for (std::size_t i = 0; i < m_states.size(); ++i) {
            if (m_states[i] == kUnread)
                continue;
            const auto it = m_messages.find(static_cast<std::int64_t>(i));
            visit(static_cast<std::int64_t>(i), m_states[i] == kRefused,
                  it == m_messages.end() ? kNone : it->second);
        }
    }

private:
    enum State : std::uint8_t { kUnread, kImported, kRefused };

    std::vector<std::uint8_t> m_states;
    std::unordered_map<std::int64_t, std::vector<std::string>> m_messages;
    std::int64_t m_nNoted = 0;
    std::int64_t m_nRefused = 0;
};

}  // namespace mapgis
