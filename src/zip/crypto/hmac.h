#pragma once
// HMAC (RFC 2104) over any registered hash.

#include <cstddef>
#include <cstdint>

#include "zip/crypto/hashregistry.h"

namespace hsa {

// The keyed inner and outer states are kept after HmacInit, so a context can
// be copied to start many MACs under the same key cheaply (PBKDF2 does so).
struct HmacContext {
    const HashDescriptor* descriptor = nullptr;
    HashContext inner;
    HashContext outer;
};

// Starts a MAC with the key; a key longer than the hash's block is hashed
// first, as the RFC says.  The key may have any length.
void HmacInit(HmacContext& context, const HashDescriptor& descriptor, const void* key,
              std::size_t keyLength);
void HmacUpdate(HmacContext& context, const void* data, std::size_t length);
// Writes descriptor.digestLength bytes; the context must be re-initialised
// (or a keyed copy taken) before the next MAC.
void HmacFinal(HmacContext& context, std::uint8_t* mac);

}  // namespace hsa
