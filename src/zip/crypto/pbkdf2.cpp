#include "zip/crypto/pbkdf2.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "zip/crypto/hmac.h"
#include "zip/crypto/securerandom.h"
#include "zip/crypto/sha1.h"

namespace hsa {

int PbKdf2Derive(const HashDescriptor* descriptor, const void* password, std::size_t passwordLength,
                 std::size_t outputLength, std::uint8_t* output, std::uint32_t iterations,
                 std::size_t saltLength, const void* salt) {
    if (descriptor == nullptr) return kPbKdfNoDescriptor;
    const std::size_t digestLength = descriptor->digestLength;
    if (digestLength == 0) return kPbKdfNoDigest;
    if (iterations == 0) iterations = 1;

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
