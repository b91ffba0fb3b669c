#include "zip/crypto/sha1.h"

#include "zip/crypto/cpufeatures.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace hsa {

namespace {

std::atomic<bool> g_sha1Accelerate{true};

inline std::uint32_t Rol(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

inline std::uint32_t LoadBE32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

inline void StoreBE32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

void ProcessBlocks(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    if (blocks == 0) return;
    static const bool hardware = detail::Sha1BlocksAcceleratedSupported();
    if (hardware && g_sha1Accelerate.load(std::memory_order_relaxed))
        detail::Sha1BlocksAccelerated(state, data, blocks);
    else
        detail::Sha1BlocksPortable(state, data, blocks);
}

Sha1& AsSha1(HashContext& context) { return *std::launder(reinterpret_cast<Sha1*>(context.state.data())); }

void DescriptorInit(HashContext& context) { new (context.state.data()) Sha1(); }
void DescriptorUpdate(HashContext& context, const std::uint8_t* data, std::size_t length) {
    AsSha1(context).Update(data, length);
}
void DescriptorFinal(HashContext& context, std::uint8_t* digest) { AsSha1(context).Final(digest); }

const std::uint32_t kSha1Oid[] = {1, 3, 14, 3, 2, 26};

}  // namespace

namespace detail {

bool Sha1BlocksAcceleratedSupported() { return CpuHasShaExtensions(); }

void Sha1BlocksPortable(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t w[16];
    for (; blocks > 0; --blocks, data += kSha1BlockLength) {
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        for (int i = 0; i < 16; ++i) w[i] = LoadBE32(data + 4 * i);
        auto schedule = [&w](int i) {
            std::uint32_t v = Rol(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
            w[i & 15] = v;
            return v;
        };
        for (int i = 0; i < 80; ++i) {
            std::uint32_t wi = i < 16 ? w[i] : schedule(i);
            std::uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            std::uint32_t t = Rol(a, 5) + f + e + k + wi;
            e = d;
            d = c;
            c = Rol(b, 30);
            b = a;
            a = t;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

}  // namespace detail

void Sha1::Init() {
    state_[0] = 0x67452301;
    state_[1] = 0xEFCDAB89;
    state_[2] = 0x98BADCFE;
    state_[3] = 0x10325476;
    state_[4] = 0xC3D2E1F0;
    totalBytes_ = 0;
    buffered_ = 0;
}

void Sha1::Update(const void* data, std::size_t length) {
    auto* p = static_cast<const std::uint8_t*>(data);
    totalBytes_ += length;
    if (buffered_ > 0) {
        std::size_t take = std::min(length, kSha1BlockLength - buffered_);
        std::memcpy(buffer_ + buffered_, p, take);
        buffered_ += take;
        p += take;
        length -= take;
        if (buffered_ < kSha1BlockLength) return;
        ProcessBlocks(state_, buffer_, 1);
        buffered_ = 0;
    }
    std::size_t blocks = length / kSha1BlockLength;
    ProcessBlocks(state_, p, blocks);
    p += blocks * kSha1BlockLength;
    length -= blocks * kSha1BlockLength;
    if (length > 0) {
        std::memcpy(buffer_, p, length);
        buffered_ = length;
    }
}

void Sha1::Final(std::uint8_t* digest) {
    const std::uint64_t bits = totalBytes_ * 8;
    buffer_[buffered_++] = 0x80;
    if (buffered_ > kSha1BlockLength - 8) {
        std::memset(buffer_ + buffered_, 0, kSha1BlockLength - buffered_);
        ProcessBlocks(state_, buffer_, 1);
        buffered_ = 0;
    }
    std::memset(buffer_ + buffered_, 0, kSha1BlockLength - 8 - buffered_);
    StoreBE32(buffer_ + 56, std::uint32_t(bits >> 32));
    StoreBE32(buffer_ + 60, std::uint32_t(bits));
    ProcessBlocks(state_, buffer_, 1);
    buffered_ = 0;
    for (int i = 0; i < 5; ++i) StoreBE32(digest + 4 * i, state_[i]);
}

std::array<std::uint8_t, kSha1DigestLength> Sha1::Final() {
    std::array<std::uint8_t, kSha1DigestLength> digest{};
    Final(digest.data());
    return digest;
}

const HashDescriptor& Sha1Descriptor() {
    static const HashDescriptor descriptor = [] {
        HashDescriptor d;
        d.signature = kHashDescriptorSignature;
        d.descriptorSize = kHashDescriptorSize;
        d.descriptorVersion = kHashDescriptorVersion;
        d.blockLength = kSha1BlockLength;
        d.digestLength = kSha1DigestLength;
        d.init = &DescriptorInit;
        d.final = &DescriptorFinal;
        d.update = &DescriptorUpdate;
        d.algorithmId = kSha1HashId;
        d.name = "SHA1";
        d.objectIdentifier = kSha1Oid;
        d.objectIdentifierArcs = 6;
        return d;
    }();
    return descriptor;
}

bool Sha1AccelerationAvailable() {
    static const bool hardware = detail::Sha1BlocksAcceleratedSupported();
    return hardware;
}

void SetSha1Acceleration(bool enabled) { g_sha1Accelerate.store(enabled, std::memory_order_relaxed); }

void Sha1Compress(std::uint32_t state[5], const std::uint8_t* data, std::size_t blocks)
{
    ProcessBlocks(state, data, blocks);
}

void Sha1CompressLanes(std::uint32_t* const* states, const std::uint8_t* const* blocks, std::size_t lanes)
{
    static const bool hardware = detail::Sha1BlocksAcceleratedSupported();
    if (hardware && g_sha1Accelerate.load(std::memory_order_relaxed)) {
        detail::Sha1BlocksAcceleratedLanes(states, blocks, lanes);
        return;
    }
    for (std::size_t l = 0; l < lanes; ++l) detail::Sha1BlocksPortable(states[l], blocks[l], 1);
}

}  // namespace hsa
