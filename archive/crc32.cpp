#include "crc32.h"

#include "little_endian.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define NUBRA_CRC32_CLMUL 1
#endif

namespace nubra {

namespace {

#ifdef NUBRA_CRC32_CLMUL

#define NUBRA_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

NUBRA_CLMUL_TARGET inline __m128i load(const std::uint8_t* q)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// a.low * k.low ^ a.high * k.high: one lane carried over the distance that
// the pair of constants k stands for.
NUBRA_CLMUL_TARGET inline __m128i fold(__m128i a, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

// Folding with carry-less multiplication (PCLMULQDQ), after Gopal, Ozturk
// et al., "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ
// Instruction" (Intel, 2009). Four 128-bit lanes are carried through the
// buffer 64 bytes per step: each lane is multiplied by x^(512+64) and
// x^512 mod P (k1, k2) and the next 64 bytes added; then the lanes are
// folded into one (k3, k4), 16 bytes per step to the last whole block, the
// 128 bits reduced to 64 (k5) and a Barrett reduction gives the 32-bit
// register. All constants are in the bit-reflected domain of 0xEDB88320.
// n is a multiple of 16 and at least 64.
NUBRA_CLMUL_TARGET std::uint32_t crc32Clmul(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
    alignas(16) static const std::uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const std::uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const std::uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const std::uint64_t poly[] = {0x01db710641, 0x01f7011641};

    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load(p + 16);
    __m128i x3 = load(p + 32);
    __m128i x4 = load(p + 48);
    p += 64;
    n -= 64;

    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    while (n >= 64) {
        x1 = _mm_xor_si128(fold(x1, k), load(p));
        x2 = _mm_xor_si128(fold(x2, k), load(p + 16));
        x3 = _mm_xor_si128(fold(x3, k), load(p + 32));
        x4 = _mm_xor_si128(fold(x4, k), load(p + 48));
        p += 64;
        n -= 64;
    }

    k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = _mm_xor_si128(fold(x1, k), x2);
    x1 = _mm_xor_si128(fold(x1, k), x3);
    x1 = _mm_xor_si128(fold(x1, k), x4);
    while (n >= 16) {
        x1 = _mm_xor_si128(fold(x1, k), load(p));
        p += 16;
        n -= 16;
    }

    // 128 bits to 64.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x2r = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2r);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x2r = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2r);

    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    x2r = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
    x2r = _mm_clmulepi64_si128(_mm_and_si128(x2r, low32), k, 0x00);
    x1 = _mm_xor_si128(x1, x2r);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool haveClmul()
{
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}

#endif // NUBRA_CRC32_CLMUL

} // namespace

std::uint32_t Crc32UpdateSliced(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
    const auto& t = kCrc32Tables;
    // Fold sixteen bytes per step: the register xor the first four bytes
    // gives four indices into the tables for "byte followed by 15..12 zero
    // bytes", the next twelve bytes index the tables for 11..0 zero bytes.
    while (n >= 16) {
        const std::uint32_t a = crc ^ le32(p);
        const std::uint32_t b = le32(p + 4);
        const std::uint32_t c = le32(p + 8);
        const std::uint32_t d = le32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        n -= 16;
    }
    return Crc32UpdateBytewise(crc, p, n);
}

bool Crc32HasCarrylessMultiply()
{
#ifdef NUBRA_CRC32_CLMUL
    return haveClmul();
#else
    return false;
#endif
}

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
#ifdef NUBRA_CRC32_CLMUL
    if (n >= kCrc32CarrylessMinimum && haveClmul()) {
        const std::size_t whole = n & ~std::size_t{15};
        crc = crc32Clmul(crc, p, whole);
        p += whole;
        n -= whole;
    }
#endif
    return Crc32UpdateSliced(crc, p, n);
}

} // namespace nubra
