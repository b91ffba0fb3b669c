#pragma once
// SHA-1 (FIPS 180-1).  Used by HMAC-SHA1 and PBKDF2 for the AES entry
// transform; the block function uses the processor's SHA instructions when
// they are present.

#include <array>
#include <cstddef>
#include <cstdint>

#include "zip/crypto/hashregistry.h"

namespace hsa {

inline constexpr std::size_t kSha1DigestLength = 20;
inline constexpr std::size_t kSha1BlockLength = 64;

class Sha1 {
public:
    Sha1() { Init(); }
    void Init();
    void Update(const void* data, std::size_t length);
    // Writes the 20-byte digest; the object must be re-initialised before reuse.
    void Final(std::uint8_t* digest);
    std::array<std::uint8_t, kSha1DigestLength> Final();

private:
    std::uint32_t state_[5];
    std::uint64_t totalBytes_;
    std::uint8_t buffer_[kSha1BlockLength];
    std::size_t buffered_;
};
static_assert(sizeof(Sha1) <= sizeof(HashContext::state));

// The SHA-1 descriptor (id 3, name "SHA1", OID 1.3.14.3.2.26).  Registered
// on first use of the registry.
const HashDescriptor& Sha1Descriptor();

// Whether the processor's SHA instructions are used.  Switching them off
// (tests, benchmark) falls back to the portable block function.
bool Sha1AccelerationAvailable();
void SetSha1Acceleration(bool enabled);

// The block function alone, for callers that pad their own blocks (PBKDF2
// hashes two single blocks per iteration and no more).
void Sha1Compress(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
// One block into each of `lanes` independent states.  The processor's SHA
// unit works on several chains at once far faster than on one after another,
// whose rounds each wait for the previous one.
void Sha1CompressLanes(std::uint32_t* const* states, const std::uint8_t* const* blocks, std::size_t lanes);

namespace detail {
void Sha1BlocksPortable(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
bool Sha1BlocksAcceleratedSupported();
void Sha1BlocksAccelerated(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks);
void Sha1BlocksAcceleratedLanes(std::uint32_t* const* states, const std::uint8_t* const* blocks, std::size_t lanes);
}  // namespace detail

}  // namespace hsa
