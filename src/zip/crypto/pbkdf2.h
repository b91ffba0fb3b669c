#pragma once
// PBKDF2 (PKCS #5 v2.0, RFC 2898) over HMAC with a registered hash, and the
// salt-and-password holder that derives the AES entry keys.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zip/crypto/hashregistry.h"

namespace hsa {

enum PbKdfResult : int {
    kPbKdfOk = 0,
    kPbKdfNoDescriptor = 1,
    kPbKdfNoDigest = 2,
};

// Derives outputLength bytes into output.  Blocks are numbered from 1 with a
// 4-byte big-endian counter after the salt.  An iteration count of 0 counts
// as 1.  Returns kPbKdfNoDescriptor when descriptor is null and
// kPbKdfNoDigest when its digest length is 0; output is then untouched.
int PbKdf2Derive(const HashDescriptor* descriptor, const void* password, std::size_t passwordLength,
                 std::size_t outputLength, std::uint8_t* output, std::uint32_t iterations,
                 std::size_t saltLength, const void* salt);

// PBKDF2-HMAC-SHA1.  SHA-1 is always registered, so this cannot fail.
std::vector<std::uint8_t> KeyDerivSha1(std::string_view password, const std::uint8_t* salt,
                                       std::size_t saltLength, std::uint32_t iterations,
                                       std::size_t outputLength);

// Holds the password (any length, any bytes) and the salt of one key
// derivation.
class TPBKDF2 {
public:
    // A fresh salt of saltLength bytes from the system's cryptographic generator.
    TPBKDF2(std::string password, std::uint32_t iterations, std::size_t saltLength);
    // Keeps a copy of the given salt.
    TPBKDF2(std::string password, std::uint32_t iterations, const std::uint8_t* salt,
            std::size_t saltLength);
    ~TPBKDF2();
    TPBKDF2(const TPBKDF2&) = delete;
    TPBKDF2& operator=(const TPBKDF2&) = delete;

    // count bytes of PBKDF2-HMAC-SHA1 over the password and the salt.
    std::vector<std::uint8_t> GetBytes(std::size_t count) const;
    std::vector<std::uint8_t> GetSalt() const { return salt_; }
    std::uint32_t Iterations() const { return iterations_; }
    const std::string& Password() const { return password_; }

private:
    std::uint32_t iterations_;
    std::vector<std::uint8_t> salt_;
    std::string password_;
};

}  // namespace hsa
