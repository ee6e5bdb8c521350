// A list that many index records hold alike. They share one array that nobody changes once it
// is built, so each holder costs a pointer instead of a copy.
#pragma once

#include <memory>
#include <utility>

#include "KoBase/PlxArray.h"

namespace KTX {

template <typename T>
class KtSharedArray {
public:
    KtSharedArray() = default;
    explicit KtSharedArray(std::shared_ptr<const PlxArray<T>> pArray)
        : m_pArray(std::move(pArray)) {}

    int GetSize() const { return m_pArray ? m_pArray->GetSize() : 0; }
    bool IsEmpty() const { return GetSize() == 0; }
    const T& operator[](int i) const { return (*m_pArray)[i]; }

    const T* begin() const { return m_pArray ? m_pArray->GetData() : nullptr; }
    const T* end() const { return m_pArray ? m_pArray->GetData() + m_pArray->GetSize() : nullptr; }

private:
    std::shared_ptr<const PlxArray<T>> m_pArray;
};

}  // namespace KTX
