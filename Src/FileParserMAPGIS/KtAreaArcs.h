// The arcs of the areas of one area file: one table of the file's arcs and of every area's
// arc references, which the area records share, each holding its own run of references.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>

#include "tagArcIndex.h"

namespace KTX {

// Filled by the pre-read; afterwards the area records share it and nobody changes it. Both
// lists are deques: they grow without ever holding a second copy of themselves.
struct KtWapArcTable {
    // An arc of the arc section. Every arc entry gets one, in file order, so arc number i
    // stands at position i - 1.
    struct Arc {
        std::int32_t nItemID;
        std::int32_t nFilePos;
        std::int32_t nArea1;
        std::int32_t nArea2;
    };
    std::deque<Arc> arcs;
    // The signed references of the areas as their entries give them, area after area.
    std::deque<std::int32_t> refs;

    // The arc record of a reference, carrying the reference as its nArcNo: the arc whose
    // number is the reference's absolute value, or the not-found record.
    tagArcIndex Resolve(std::int32_t nRef) const;
};

// An area's arcs, in the order of the area entry, each with nArcNo the signed reference; a
// ring end is a default record with nArcNo 0. The records are made on access from the
// area's references, so an area costs them 4 bytes each instead of a whole record.
class KtAreaArcs {
public:
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = tagArcIndex;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = tagArcIndex;

        const_iterator(const KtAreaArcs& arcs, int i) : m_pArcs(&arcs), m_i(i) {}
        tagArcIndex operator*() const { return (*m_pArcs)[m_i]; }
        const_iterator& operator++() {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_i == other.m_i; }
        bool operator!=(const const_iterator& other) const { return m_i != other.m_i; }

    private:
        const KtAreaArcs* m_pArcs;
        int m_i;
    };

    KtAreaArcs() = default;
    // The nCount references of the table from position nFirst on.
    KtAreaArcs(std::shared_ptr<const KtWapArcTable> pTable, std::size_t nFirst, int nCount);

    int GetSize() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }
    tagArcIndex operator[](int i) const {
        return m_pTable->Resolve(m_pTable->refs[m_nFirst + static_cast<std::size_t>(i)]);
    }
    const_iterator begin() const { return const_iterator(*this, 0); }
    const_iterator end() const { return const_iterator(*this, m_nCount); }

private:
    std::shared_ptr<const KtWapArcTable> m_pTable;
    // Positions stay below 2^32: a reference takes at least two bytes of a file whose
    // positions fit 32 bits.
    std::uint32_t m_nFirst = 0;
    std::int32_t m_nCount = 0;
};

}  // namespace KTX
