#include "core/Crc32Clmul.h"

#include <immintrin.h>

namespace {

inline __m128i Load(const unsigned char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i Fold(__m128i acc, __m128i k, __m128i next)
{
    const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

} // namespace

std::uint32_t Crc32FoldClmul(std::uint32_t reg, const unsigned char* data, std::size_t len)
{
    // Powers of x modulo the polynomial in the bit-reflected domain: x^(512+32), x^(512-32) fold
    // 64 bytes ahead, x^(128+32), x^(128-32) fold 16 bytes ahead, x^64 folds 64 bits to 32;
    // mu = x^64 / P and P drive the Barrett reduction. Built here rather than at namespace scope
    // so that no instruction of this file runs before the caller has checked the processor.
    const __m128i kFold64 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i kFold16 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i kFold8 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i kBarrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);

    __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x1 = Load(data + 16);
    __m128i x2 = Load(data + 32);
    __m128i x3 = Load(data + 48);
    data += 64;
    len -= 64;

    // Four independent lanes keep the multiplier busy while earlier products are still in flight.
    while (len >= 64) {
        x0 = Fold(x0, kFold64, Load(data));
        x1 = Fold(x1, kFold64, Load(data + 16));
        x2 = Fold(x2, kFold64, Load(data + 32));
        x3 = Fold(x3, kFold64, Load(data + 48));
        data += 64;
        len -= 64;
    }

    x0 = Fold(x0, kFold16, x1);
    x0 = Fold(x0, kFold16, x2);
    x0 = Fold(x0, kFold16, x3);
    while (len >= 16) {
        x0 = Fold(x0, kFold16, Load(data));
        data += 16;
        len -= 16;
    }

    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    x0 = _mm_xor_si128(_mm_srli_si128(x0, 8), _mm_clmulepi64_si128(x0, kFold16, 0x10));
    x0 = _mm_xor_si128(_mm_srli_si128(x0, 4),
                       _mm_clmulepi64_si128(_mm_and_si128(x0, low32), kFold8, 0x00));

    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x0, low32), kBarrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), kBarrett, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x0, t), 1));
}
