// Finding one separator character in UTF-16 text, the scan under every split of a record
// line into fields.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KTX {

// Calls onSeparator(i) for every position i below n where p holds c, in order; eight
// characters at a time where the processor allows, since a record line is mostly digits.
template <class OnSeparator>
inline void ForEachSeparator(const char16_t* p, int n, char16_t c, OnSeparator onSeparator) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i sep = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= n; i += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned nMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(chars, sep)));
        while (nMask != 0) {
            onSeparator(i + __builtin_ctz(nMask) / 2);
            nMask &= nMask - 1;  // each character sets two mask bits
            nMask &= nMask - 1;
        }
    }
    if (i < n && n >= 8) {
        // The last few as the end of the last eight, those scanned already masked off.
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 8));
        unsigned nMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(chars, sep)));
        nMask &= ~0u << (2 * (i - (n - 8)));
        while (nMask != 0) {
            onSeparator(n - 8 + __builtin_ctz(nMask) / 2);
            nMask &= nMask - 1;
            nMask &= nMask - 1;
        }
        return;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == c)
            onSeparator(i);
    }
}

}  // namespace KTX
