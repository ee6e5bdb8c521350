// A sequence of numbers that are mostly small, as a census's style number of each item: two
// bytes each while every number fits in them, four from the first that does not (those before
// it widened once). Four bytes an item were 5 MiB of a point file of a million items.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace mapgis {

class CompactNumbers {
public:
    void Add(std::uint32_t nNumber) {
        if (!m_bWide && nNumber > 0xFFFF) {
            m_wide.assign(m_narrow.begin(), m_narrow.end());
            std::deque<std::uint16_t>().swap(m_narrow);
            m_bWide = true;
        }
        if (m_bWide)
            m_wide.push_back(nNumber);
        else
            m_narrow.push_back(static_cast<std::uint16_t>(nNumber));
    }
    std::size_t Size() const { return m_bWide ? m_wide.size() : m_narrow.size(); }
    std::uint32_t operator[](std::size_t i) const { return m_bWide ? m_wide[i] : m_narrow[i]; }

private:
    bool m_bWide = false;
    std::deque<std::uint16_t> m_narrow;
    std::deque<std::uint32_t> m_wide;
};

}  // namespace mapgis
