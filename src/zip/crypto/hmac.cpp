#include "zip/crypto/hmac.h"

#include <cstring>

namespace hsa {

void HmacInit(HmacContext& context, const HashDescriptor& descriptor, const void* key,
              std::size_t keyLength) {
    context.descriptor = &descriptor;
    const std::size_t block = descriptor.blockLength;
    std::uint8_t keyBlock[kMaxHashBlockLength] = {};
    if (keyLength > block)
        HashBuffer(descriptor, key, keyLength, keyBlock);
    else if (keyLength > 0)
        std::memcpy(keyBlock, key, keyLength);

    std::uint8_t pad[kMaxHashBlockLength];
    for (std::size_t i = 0; i < block; ++i) pad[i] = keyBlock[i] ^ 0x36;
    descriptor.init(context.inner);
    descriptor.update(context.inner, pad, block);
    for (std::size_t i = 0; i < block; ++i) pad[i] = keyBlock[i] ^ 0x5C;
    descriptor.init(context.outer);
    descriptor.update(context.outer, pad, block);
    std::memset(keyBlock, 0, sizeof keyBlock);
    std::memset(pad, 0, sizeof pad);
}

void HmacUpdate(HmacContext& context, const void* data, std::size_t length) {
    context.descriptor->update(context.inner, static_cast<const std::uint8_t*>(data), length);
}

void HmacFinal(HmacContext& context, std::uint8_t* mac) {
    const HashDescriptor& d = *context.descriptor;
    std::uint8_t innerDigest[kMaxHashDigestLength];
    d.final(context.inner, innerDigest);
    d.update(context.outer, innerDigest, d.digestLength);
    d.final(context.outer, mac);
}

}  // namespace hsa
