#pragma once
// Shared helpers of the crypto tests: hex, seeded random data, and reference
// computations done with libcrypto.

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

namespace hsa::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

inline std::string ToHex(const std::uint8_t* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
    return s;
}
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

inline Bytes Repeat(std::uint8_t value, std::size_t n) { return Bytes(n, value); }
inline Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    Bytes b(n);
    for (auto& x : b) x = std::uint8_t(rng());
    return b;
}

inline Bytes RefSha1(const Bytes& data) {
    Bytes out(20);
    SHA1(data.data(), data.size(), out.data());
    return out;
}

inline Bytes RefHmacSha1(const Bytes& key, const Bytes& data) {
    Bytes out(20);
    unsigned len = 0;
    // libcrypto refuses a null key pointer, which an empty vector may give.
    static const std::uint8_t none = 0;
    HMAC(EVP_sha1(), key.empty() ? &none : key.data(), int(key.size()), data.data(), data.size(), out.data(), &len);
    return out;
}

inline Bytes RefPbkdf2Sha1(const Bytes& password, const Bytes& salt, int iterations, std::size_t length) {
    Bytes out(length);
    PKCS5_PBKDF2_HMAC_SHA1(reinterpret_cast<const char*>(password.data()), int(password.size()), salt.data(),
                           int(salt.size()), iterations, int(length), out.data());
    return out;
}

inline const EVP_CIPHER* RefEcb(std::size_t keyLength) {
    return keyLength == 16 ? EVP_aes_128_ecb() : keyLength == 24 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// AES in ECB over whole blocks.
inline Bytes RefAesEcb(const Bytes& key, const Bytes& data, bool encrypt) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, RefEcb(key.size()), nullptr, key.data(), nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(data.size() + 16);
    int n = 0, m = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, data.data(), int(data.size()));
    EVP_CipherFinal_ex(ctx, out.data() + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(std::size_t(n + m));
    return out;
}

// The entry counter mode built from ECB: counter blocks 1, 2, 3, ... as
// little-endian numbers in bytes 0-7.
inline Bytes RefCounterMode(const Bytes& key, const Bytes& data) {
    const std::size_t blocks = (data.size() + 15) / 16;
    Bytes counters(blocks * 16, 0);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint64_t v = b + 1;
        for (int i = 0; i < 8; ++i) counters[16 * b + i] = std::uint8_t(v >> (8 * i));
    }
    const Bytes stream = RefAesEcb(key, counters, true);
    Bytes out(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) out[i] = data[i] ^ stream[i];
    return out;
}

}  // namespace hsa::test
