// AES rounds on the processor's AES instructions.  This whole file is
// compiled for those instructions; it is entered only after
// CpuHasAesInstructions() said yes, and includes nothing but intrinsics so
// that no shared inline code gets compiled for them.

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("aes,ssse3,sse4.1")
#include <immintrin.h>

namespace hsa::detail {

namespace {

constexpr int kLanes = 8;

struct RoundKeys {
    __m128i k[15];
    int rounds;
    RoundKeys(const std::uint8_t* bytes, int r) : rounds(r) {
        for (int i = 0; i <= r; ++i) k[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
    }
};

inline __m128i EncryptOne(const RoundKeys& rk, __m128i b) {
    b = _mm_xor_si128(b, rk.k[0]);
    for (int r = 1; r < rk.rounds; ++r) b = _mm_aesenc_si128(b, rk.k[r]);
    return _mm_aesenclast_si128(b, rk.k[rk.rounds]);
}

inline void EncryptLanes(const RoundKeys& rk, __m128i* b) {
    for (int i = 0; i < kLanes; ++i) b[i] = _mm_xor_si128(b[i], rk.k[0]);
    for (int r = 1; r < rk.rounds; ++r)
        for (int i = 0; i < kLanes; ++i) b[i] = _mm_aesenc_si128(b[i], rk.k[r]);
    for (int i = 0; i < kLanes; ++i) b[i] = _mm_aesenclast_si128(b[i], rk.k[rk.rounds]);
}

inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

}  // namespace

void AesHwPrepareDecryptKeys(const std::uint8_t* encKeys, int rounds, std::uint8_t* decKeys) {
    auto enc = [encKeys](int i) { return _mm_load_si128(reinterpret_cast<const __m128i*>(encKeys + 16 * i)); };
    auto put = [decKeys](int i, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(decKeys + 16 * i), v); };
    put(0, enc(rounds));
    for (int i = 1; i < rounds; ++i) put(i, _mm_aesimc_si128(enc(rounds - i)));
    put(rounds, enc(0));
}

void AesHwEncryptBlocks(const std::uint8_t* keys, int rounds, const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks) {
    const RoundKeys rk(keys, rounds);
    while (blocks >= kLanes) {
        __m128i b[kLanes];
        for (int i = 0; i < kLanes; ++i) b[i] = Load(in + 16 * i);
        EncryptLanes(rk, b);
        for (int i = 0; i < kLanes; ++i) Store(out + 16 * i, b[i]);
        in += 16 * kLanes;
        out += 16 * kLanes;
        blocks -= kLanes;
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) Store(out, EncryptOne(rk, Load(in)));
}

void AesHwDecryptBlocks(const std::uint8_t* decKeys, int rounds, const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks) {
    const RoundKeys rk(decKeys, rounds);
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        __m128i b = _mm_xor_si128(Load(in), rk.k[0]);
        for (int r = 1; r < rounds; ++r) b = _mm_aesdec_si128(b, rk.k[r]);
        Store(out, _mm_aesdeclast_si128(b, rk.k[rounds]));
    }
}

namespace {

// The round count as a template parameter lets the compiler unroll the
// rounds and keep all round keys in registers.
template <int Rounds>
void CounterBlocks(const std::uint8_t* keys, std::uint8_t counter[16], const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks) {
    __m128i k[Rounds + 1];
    for (int i = 0; i <= Rounds; ++i) k[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(keys + 16 * i));
    // Bytes 0-7 of the counter are a little-endian number that wraps on its
    // own; bytes 8-15 never change.
    std::uint64_t low = 0, high = 0;
    __builtin_memcpy(&low, counter, 8);
    __builtin_memcpy(&high, counter + 8, 8);
    const long long highLane = static_cast<long long>(high);
    while (blocks >= kLanes) {
        __m128i b[kLanes];
        for (int i = 0; i < kLanes; ++i)
            b[i] = _mm_xor_si128(_mm_set_epi64x(highLane, static_cast<long long>(low + i + 1)), k[0]);
        low += kLanes;
        for (int r = 1; r < Rounds; ++r)
            for (int i = 0; i < kLanes; ++i) b[i] = _mm_aesenc_si128(b[i], k[r]);
        for (int i = 0; i < kLanes; ++i) {
            b[i] = _mm_aesenclast_si128(b[i], k[Rounds]);
            Store(out + 16 * i, _mm_xor_si128(b[i], Load(in + 16 * i)));
        }
        in += 16 * kLanes;
        out += 16 * kLanes;
        blocks -= kLanes;
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        ++low;
        __m128i b = _mm_xor_si128(_mm_set_epi64x(highLane, static_cast<long long>(low)), k[0]);
        for (int r = 1; r < Rounds; ++r) b = _mm_aesenc_si128(b, k[r]);
        b = _mm_aesenclast_si128(b, k[Rounds]);
        Store(out, _mm_xor_si128(b, Load(in)));
    }
    __builtin_memcpy(counter, &low, 8);
}

}  // namespace

void AesHwCounterBlocks(const std::uint8_t* keys, int rounds, std::uint8_t counter[16], const std::uint8_t* in,
                        std::uint8_t* out, std::size_t blocks) {
    switch (rounds) {
    case 10: CounterBlocks<10>(keys, counter, in, out, blocks); break;
    case 12: CounterBlocks<12>(keys, counter, in, out, blocks); break;
    default: CounterBlocks<14>(keys, counter, in, out, blocks); break;
    }
}

}  // namespace hsa::detail

#pragma GCC pop_options
#else

namespace hsa::detail {
void AesHwPrepareDecryptKeys(const std::uint8_t*, int, std::uint8_t*) {}
void AesHwEncryptBlocks(const std::uint8_t*, int, const std::uint8_t*, std::uint8_t*, std::size_t) {}
void AesHwDecryptBlocks(const std::uint8_t*, int, const std::uint8_t*, std::uint8_t*, std::size_t) {}
void AesHwCounterBlocks(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t) {}
}  // namespace hsa::detail

#endif
