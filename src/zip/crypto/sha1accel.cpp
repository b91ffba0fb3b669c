// SHA-1 block function on the processor's SHA extensions.  This whole file
// is compiled for those instructions; it is entered only after
// CpuHasShaExtensions() said yes, and includes nothing but intrinsics so
// that no shared inline code gets compiled for them.

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("sha,ssse3,sse4.1")
#include <immintrin.h>

namespace hsa::detail {

void Sha1BlocksAccelerated(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(int(state[4]), 0, 0, 0);

    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abcdSave = abcd;
        const __m128i eSave = e0;
        __m128i w[4];
        __m128i e = e0;
        __m128i before = abcd;   // the state before the previous four rounds

        // Group k covers rounds 4k to 4k+3; its words come from the block
        // (k < 4) or from the message schedule of the four groups before it.
#define HSA_SHA1_GROUP(k)                                                                          \
    {                                                                                              \
        if ((k) < 4) {                                                                             \
            w[(k) & 3] = _mm_shuffle_epi8(                                                         \
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * ((k) & 3))), byteSwap); \
        } else {                                                                                   \
            w[(k) & 3] = _mm_sha1msg2_epu32(                                                       \
                _mm_xor_si128(_mm_sha1msg1_epu32(w[(k) & 3], w[((k) + 1) & 3]), w[((k) + 2) & 3]), \
                w[((k) + 3) & 3]);                                                                 \
        }                                                                                          \
        if ((k) == 0)                                                                              \
            e = _mm_add_epi32(e0, w[0]);                                                           \
        else                                                                                       \
            e = _mm_sha1nexte_epu32(before, w[(k) & 3]);                                           \
        before = abcd;                                                                             \
        abcd = _mm_sha1rnds4_epu32(abcd, e, (k) / 5);                                              \
    }
        HSA_SHA1_GROUP(0) HSA_SHA1_GROUP(1) HSA_SHA1_GROUP(2) HSA_SHA1_GROUP(3) HSA_SHA1_GROUP(4)
        HSA_SHA1_GROUP(5) HSA_SHA1_GROUP(6) HSA_SHA1_GROUP(7) HSA_SHA1_GROUP(8) HSA_SHA1_GROUP(9)
        HSA_SHA1_GROUP(10) HSA_SHA1_GROUP(11) HSA_SHA1_GROUP(12) HSA_SHA1_GROUP(13) HSA_SHA1_GROUP(14)
        HSA_SHA1_GROUP(15) HSA_SHA1_GROUP(16) HSA_SHA1_GROUP(17) HSA_SHA1_GROUP(18) HSA_SHA1_GROUP(19)
#undef HSA_SHA1_GROUP

        e0 = _mm_sha1nexte_epu32(before, eSave);
        abcd = _mm_add_epi32(abcd, abcdSave);
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = std::uint32_t(_mm_extract_epi32(e0, 3));
}

namespace {

// One block for each of N states, the rounds of the N chains interleaved:
// each chain's rounds wait for its previous ones, the others fill the gaps.
template <int N>
inline __attribute__((always_inline)) void Lanes(std::uint32_t* const* states, const std::uint8_t* const* blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd[N], abcdSave[N], eSave[N], e[N], before[N], w[N][4];
#pragma GCC unroll 4
    for (int l = 0; l < N; ++l) {
        abcd[l] = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(states[l])), 0x1B);
        eSave[l] = _mm_set_epi32(int(states[l][4]), 0, 0, 0);
        abcdSave[l] = abcd[l];
        before[l] = abcd[l];
    }
#define HSA_SHA1_LANES_GROUP(k)                                                                          \
    _Pragma("GCC unroll 4") for (int l = 0; l < N; ++l) {                                                \
        if ((k) < 4) {                                                                                   \
            w[l][(k) & 3] = _mm_shuffle_epi8(                                                            \
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[l] + 16 * ((k) & 3))), byteSwap); \
        } else {                                                                                         \
            w[l][(k) & 3] = _mm_sha1msg2_epu32(                                                          \
                _mm_xor_si128(_mm_sha1msg1_epu32(w[l][(k) & 3], w[l][((k) + 1) & 3]), w[l][((k) + 2) & 3]), \
                w[l][((k) + 3) & 3]);                                                                    \
        }                                                                                                \
        if ((k) == 0)                                                                                    \
            e[l] = _mm_add_epi32(eSave[l], w[l][0]);                                                     \
        else                                                                                             \
            e[l] = _mm_sha1nexte_epu32(before[l], w[l][(k) & 3]);                                        \
        before[l] = abcd[l];                                                                             \
        abcd[l] = _mm_sha1rnds4_epu32(abcd[l], e[l], (k) / 5);                                           \
    }
    HSA_SHA1_LANES_GROUP(0) HSA_SHA1_LANES_GROUP(1) HSA_SHA1_LANES_GROUP(2) HSA_SHA1_LANES_GROUP(3)
    HSA_SHA1_LANES_GROUP(4) HSA_SHA1_LANES_GROUP(5) HSA_SHA1_LANES_GROUP(6) HSA_SHA1_LANES_GROUP(7)
    HSA_SHA1_LANES_GROUP(8) HSA_SHA1_LANES_GROUP(9) HSA_SHA1_LANES_GROUP(10) HSA_SHA1_LANES_GROUP(11)
    HSA_SHA1_LANES_GROUP(12) HSA_SHA1_LANES_GROUP(13) HSA_SHA1_LANES_GROUP(14) HSA_SHA1_LANES_GROUP(15)
    HSA_SHA1_LANES_GROUP(16) HSA_SHA1_LANES_GROUP(17) HSA_SHA1_LANES_GROUP(18) HSA_SHA1_LANES_GROUP(19)
#undef HSA_SHA1_LANES_GROUP
#pragma GCC unroll 4
    for (int l = 0; l < N; ++l) {
        const __m128i eOut = _mm_sha1nexte_epu32(before[l], eSave[l]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(states[l]),
                         _mm_shuffle_epi32(_mm_add_epi32(abcd[l], abcdSave[l]), 0x1B));
        states[l][4] = std::uint32_t(_mm_extract_epi32(eOut, 3));
    }
}

}  // namespace

void Sha1BlocksAcceleratedLanes(std::uint32_t* const* states, const std::uint8_t* const* blocks, std::size_t lanes) {
    while (lanes >= 4) {
        Lanes<4>(states, blocks);
        states += 4;
        blocks += 4;
        lanes -= 4;
    }
    if (lanes == 3)
        Lanes<3>(states, blocks);
    else if (lanes == 2)
        Lanes<2>(states, blocks);
    else if (lanes == 1)
        Lanes<1>(states, blocks);
}

}  // namespace hsa::detail

#pragma GCC pop_options
#else

namespace hsa::detail {
void Sha1BlocksAccelerated(std::uint32_t[5], const std::uint8_t*, std::size_t) {}
void Sha1BlocksAcceleratedLanes(std::uint32_t* const*, const std::uint8_t* const*, std::size_t) {}
}  // namespace hsa::detail

#endif
