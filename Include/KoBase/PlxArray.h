// Growable array of values, the host's container for everything from points to feature pointers.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace KTX {

template <class T>
class PlxArray {
public:
    PlxArray() = default;

    int GetSize() const { return static_cast<int>(m_vec.size()); }
    bool IsEmpty() const { return m_vec.empty(); }

    // Appends an element and returns its index.
    int Add(const T& value) {
        m_vec.push_back(value);
        return GetSize() - 1;
    }
    int Add(T&& value) {
        m_vec.push_back(std::move(value));
        return GetSize() - 1;
    }

    T& GetAt(int i) { return m_vec[static_cast<size_t>(i)]; }
    const T& GetAt(int i) const { return m_vec[static_cast<size_t>(i)]; }
    T& operator[](int i) { return m_vec[static_cast<size_t>(i)]; }
    const T& operator[](int i) const { return m_vec[static_cast<size_t>(i)]; }
    void SetAt(int i, const T& value) { m_vec[static_cast<size_t>(i)] = value; }

    // Grows with default-constructed elements or cuts the tail; existing elements stay, so
    // their storage (a string's buffer, say) is reused when the array is refilled.
    void SetSize(int nNewSize) { m_vec.resize(nNewSize > 0 ? static_cast<size_t>(nNewSize) : 0); }
    void Reserve(int nCapacity) {
        if (nCapacity > 0)
            m_vec.reserve(static_cast<size_t>(nCapacity));
    }
    // Destroys every element and releases the storage.
    void RemoveAll() { std::vector<T>().swap(m_vec); }
    // Releases storage beyond the current size.
    void FreeExtra() { m_vec.shrink_to_fit(); }
    void Copy(const PlxArray& src) { m_vec = src.m_vec; }
    void Append(const PlxArray& src) {
        m_vec.insert(m_vec.end(), src.m_vec.begin(), src.m_vec.end());
    }
    void RemoveAt(int i, int nCount = 1) {
        m_vec.erase(m_vec.begin() + i, m_vec.begin() + i + nCount);
    }
    void InsertAt(int i, const T& value) { m_vec.insert(m_vec.begin() + i, value); }

    T* GetData() { return m_vec.data(); }
    const T* GetData() const { return m_vec.data(); }

    typename std::vector<T>::iterator begin() { return m_vec.begin(); }
    typename std::vector<T>::iterator end() { return m_vec.end(); }
    typename std::vector<T>::const_iterator begin() const { return m_vec.begin(); }
    typename std::vector<T>::const_iterator end() const { return m_vec.end(); }

private:
    std::vector<T> m_vec;
};

}  // namespace KTX
