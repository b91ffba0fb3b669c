#include "zip/crypto/pbkdf2.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "zip/crypto/hmac.h"
#include "zip/crypto/securerandom.h"
#include "zip/crypto/sha1.h"

namespace hsa {

namespace {

inline void StoreBE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

constexpr std::uint32_t kSha1Start[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

// SHA-1 of (one block already in `state`) || a || b, into out.
void Sha1FinishAfterBlock(const std::uint32_t state[5], const std::uint8_t* a, std::size_t an, const std::uint8_t* b,
                          std::size_t bn, std::uint32_t out[5])
{
    const std::size_t m = an + bn;
    std::vector<std::uint8_t> tail((m + 1 + 8 + 63) / 64 * 64, 0);
    if (an) std::memcpy(tail.data(), a, an);
    if (bn) std::memcpy(tail.data() + an, b, bn);
    tail[m] = 0x80;
    const std::uint64_t bits = (kSha1BlockLength + m) * 8;
    StoreBE32(tail.data() + tail.size() - 8, std::uint32_t(bits >> 32));
    StoreBE32(tail.data() + tail.size() - 4, std::uint32_t(bits));
    std::memcpy(out, state, 5 * sizeof(std::uint32_t));
    Sha1Compress(out, tail.data(), tail.size() / 64);
    std::fill(tail.begin(), tail.end(), std::uint8_t(0));
}

// PBKDF2-HMAC-SHA1 without the general HMAC: the keyed inner and outer
// states are made once; each iteration then costs exactly two block
// functions on blocks padded once, and up to four output blocks run side by
// side.  Gives the same bytes as the general path.
void Pbkdf2HmacSha1(const std::uint8_t* password, std::size_t passwordLength, const std::uint8_t* salt,
                    std::size_t saltLength, std::uint32_t iterations, std::uint8_t* output, std::size_t outputLength)
{
    constexpr std::size_t kLanes = 4;
    std::uint8_t key[kSha1BlockLength] = {};
    if (passwordLength > kSha1BlockLength) {
        Sha1 h;
        h.Update(password, passwordLength);
        h.Final(key);
    } else if (passwordLength > 0) {
        std::memcpy(key, password, passwordLength);
    }
    std::uint8_t pad[kSha1BlockLength];
    std::uint32_t inner[5], outer[5];
    std::memcpy(inner, kSha1Start, sizeof inner);
    std::memcpy(outer, kSha1Start, sizeof outer);
    for (std::size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = key[i] ^ 0x36;
    Sha1Compress(inner, pad, 1);
    for (std::size_t i = 0; i < kSha1BlockLength; ++i) pad[i] = key[i] ^ 0x5C;
    Sha1Compress(outer, pad, 1);

    // The one-block messages of every later iteration: a 20-byte digest, the
    // 0x80 byte, zeros, and the length of key block plus digest in bits.
    alignas(16) std::uint8_t innerBlock[kLanes][kSha1BlockLength] = {};
    alignas(16) std::uint8_t outerBlock[kLanes][kSha1BlockLength] = {};
    for (std::size_t l = 0; l < kLanes; ++l) {
        for (auto* block : {innerBlock[l], outerBlock[l]}) {
            block[kSha1DigestLength] = 0x80;
            StoreBE32(block + 60, std::uint32_t((kSha1BlockLength + kSha1DigestLength) * 8));
        }
    }
    std::uint32_t u[kLanes][5], t[kLanes][5], s[kLanes][5];
    std::uint32_t* innerStates[kLanes];
    std::uint32_t* outerStates[kLanes];
    const std::uint8_t* innerBlocks[kLanes];
    const std::uint8_t* outerBlocks[kLanes];
    for (std::size_t l = 0; l < kLanes; ++l) {
        innerStates[l] = s[l];
        outerStates[l] = u[l];
        innerBlocks[l] = innerBlock[l];
        outerBlocks[l] = outerBlock[l];
    }

    const std::size_t blocks = (outputLength + kSha1DigestLength - 1) / kSha1DigestLength;
    for (std::size_t first = 0; first < blocks; first += kLanes) {
        const std::size_t lanes = std::min(kLanes, blocks - first);
        for (std::size_t l = 0; l < lanes; ++l) {
            const std::uint32_t number = std::uint32_t(first + l + 1);
            std::uint8_t counter[4];
            StoreBE32(counter, number);
            Sha1FinishAfterBlock(inner, salt, saltLength, counter, 4, s[l]);
            for (int j = 0; j < 5; ++j) StoreBE32(outerBlock[l] + 4 * j, s[l][j]);
            std::memcpy(u[l], outer, sizeof outer);
            Sha1Compress(u[l], outerBlock[l], 1);
            std::memcpy(t[l], u[l], sizeof t[l]);
        }
        for (std::uint32_t i = 1; i < iterations; ++i) {
            for (std::size_t l = 0; l < lanes; ++l) {
                for (int j = 0; j < 5; ++j) StoreBE32(innerBlock[l] + 4 * j, u[l][j]);
                std::memcpy(s[l], inner, sizeof inner);
            }
            Sha1CompressLanes(innerStates, innerBlocks, lanes);
            for (std::size_t l = 0; l < lanes; ++l) {
                for (int j = 0; j < 5; ++j) StoreBE32(outerBlock[l] + 4 * j, s[l][j]);
                std::memcpy(u[l], outer, sizeof outer);
            }
            Sha1CompressLanes(outerStates, outerBlocks, lanes);
            for (std::size_t l = 0; l < lanes; ++l)
                for (int j = 0; j < 5; ++j) t[l][j] ^= u[l][j];
        }
        for (std::size_t l = 0; l < lanes; ++l) {
            std::uint8_t digest[kSha1DigestLength];
            for (int j = 0; j < 5; ++j) StoreBE32(digest + 4 * j, t[l][j]);
            const std::size_t done = (first + l) * kSha1DigestLength;
            std::memcpy(output + done, digest, std::min(kSha1DigestLength, outputLength - done));
            std::memset(digest, 0, sizeof digest);
        }
    }
    std::memset(key, 0, sizeof key);
    std::memset(pad, 0, sizeof pad);
    std::memset(innerBlock, 0, sizeof innerBlock);
    std::memset(outerBlock, 0, sizeof outerBlock);
    std::memset(u, 0, sizeof u);
    std::memset(t, 0, sizeof t);
    std::memset(s, 0, sizeof s);
    std::memset(inner, 0, sizeof inner);
    std::memset(outer, 0, sizeof outer);
}

}  // namespace

int PbKdf2Derive(const HashDescriptor* descriptor, const void* password, std::size_t passwordLength,
                 std::size_t outputLength, std::uint8_t* output, std::uint32_t iterations,
                 std::size_t saltLength, const void* salt) {
    if (descriptor == nullptr) return kPbKdfNoDescriptor;
    const std::size_t digestLength = descriptor->digestLength;
    if (digestLength == 0) return kPbKdfNoDigest;
    if (iterations == 0) iterations = 1;
    if (descriptor == &Sha1Descriptor()) {
        Pbkdf2HmacSha1(static_cast<const std::uint8_t*>(password), passwordLength,
                       static_cast<const std::uint8_t*>(salt), saltLength, iterations, output, outputLength);
        return kPbKdfOk;
    }

    // Keyed once; every HMAC below starts from a copy of this context.
    HmacContext keyed;
    HmacInit(keyed, *descriptor, password, passwordLength);

    std::uint8_t u[kMaxHashDigestLength];
    std::uint8_t t[kMaxHashDigestLength];
    std::uint32_t blockNumber = 1;
    std::size_t done = 0;
    while (done < outputLength) {
        const std::uint8_t counter[4] = {std::uint8_t(blockNumber >> 24), std::uint8_t(blockNumber >> 16),
                                         std::uint8_t(blockNumber >> 8), std::uint8_t(blockNumber)};
        HmacContext mac = keyed;
        HmacUpdate(mac, salt, saltLength);
        HmacUpdate(mac, counter, 4);
        HmacFinal(mac, u);
        std::memcpy(t, u, digestLength);
        for (std::uint32_t i = 1; i < iterations; ++i) {
            mac = keyed;
            HmacUpdate(mac, u, digestLength);
            HmacFinal(mac, u);
            for (std::size_t j = 0; j < digestLength; ++j) t[j] ^= u[j];
        }
        const std::size_t take = std::min(digestLength, outputLength - done);
        std::memcpy(output + done, t, take);
        done += take;
        ++blockNumber;
    }
    std::memset(u, 0, sizeof u);
    std::memset(t, 0, sizeof t);
    return kPbKdfOk;
}

std::vector<std::uint8_t> KeyDerivSha1(std::string_view password, const std::uint8_t* salt,
                                       std::size_t saltLength, std::uint32_t iterations,
                                       std::size_t outputLength) {
    std::vector<std::uint8_t> out(outputLength);
    const int result = PbKdf2Derive(&Sha1Descriptor(), password.data(), password.size(), outputLength,
                                    out.data(), iterations, saltLength, salt);
    if (result != kPbKdfOk) throw std::logic_error("PBKDF2 ohne SHA-1");
    return out;
}

TPBKDF2::TPBKDF2(std::string password, std::uint32_t iterations, std::size_t saltLength)
    : iterations_(iterations), salt_(SecureRandomBytes(saltLength)), password_(std::move(password)) {}

TPBKDF2::TPBKDF2(std::string password, std::uint32_t iterations, const std::uint8_t* salt,
                 std::size_t saltLength)
    : iterations_(iterations), salt_(salt, salt + saltLength), password_(std::move(password)) {}

TPBKDF2::~TPBKDF2() {
    std::fill(password_.begin(), password_.end(), '\0');
}

std::vector<std::uint8_t> TPBKDF2::GetBytes(std::size_t count) const {
    return KeyDerivSha1(password_, salt_.data(), salt_.size(), iterations_, count);
}

}  // namespace hsa
