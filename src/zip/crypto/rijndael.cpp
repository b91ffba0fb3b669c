#include "zip/crypto/rijndael.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "zip/crypto/cpufeatures.h"

namespace hsa {

namespace {

std::atomic<bool> g_aesAccelerate{true};

// ---- tables, computed at compile time from the field arithmetic ----------

constexpr std::uint8_t XTime(std::uint8_t x) { return std::uint8_t((x << 1) ^ ((x & 0x80) ? 0x1B : 0)); }

constexpr std::uint8_t GMul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t p = 0;
    while (b) {
        if (b & 1) p ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return p;
}

constexpr std::uint8_t Rotl8(std::uint8_t x, int n) { return std::uint8_t((x << n) | (x >> (8 - n))); }

struct SBoxes {
    std::array<std::uint8_t, 256> forward{};
    std::array<std::uint8_t, 256> inverse{};
};

constexpr SBoxes MakeSBoxes() {
    std::array<std::uint8_t, 256> exp{}, log{};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = p;
        log[p] = std::uint8_t(i);
        p = std::uint8_t(p ^ XTime(p));   // times the generator 3
    }
    SBoxes boxes;
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t inv = x == 0 ? 0 : exp[(255 - log[x]) % 255];
        const std::uint8_t s = std::uint8_t(inv ^ Rotl8(inv, 1) ^ Rotl8(inv, 2) ^ Rotl8(inv, 3) ^
                                            Rotl8(inv, 4) ^ 0x63);
        boxes.forward[x] = s;
        boxes.inverse[s] = std::uint8_t(x);
    }
    return boxes;
}

constexpr SBoxes kBoxes = MakeSBoxes();
constexpr const std::array<std::uint8_t, 256>& S = kBoxes.forward;
constexpr const std::array<std::uint8_t, 256>& Si = kBoxes.inverse;

constexpr std::uint32_t Ror32(std::uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

using Table = std::array<std::uint32_t, 256>;

constexpr Table MakeTe(int rotation) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = S[x];
        const std::uint32_t w = (std::uint32_t(XTime(s)) << 24) | (std::uint32_t(s) << 16) |
                                (std::uint32_t(s) << 8) | std::uint32_t(XTime(s) ^ s);
        t[x] = rotation ? Ror32(w, rotation) : w;
    }
    return t;
}

constexpr Table MakeTd(int rotation) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = Si[x];
        const std::uint32_t w = (std::uint32_t(GMul(s, 0x0E)) << 24) | (std::uint32_t(GMul(s, 0x09)) << 16) |
                                (std::uint32_t(GMul(s, 0x0D)) << 8) | std::uint32_t(GMul(s, 0x0B));
        t[x] = rotation ? Ror32(w, rotation) : w;
    }
    return t;
}

constexpr Table Te0 = MakeTe(0), Te1 = MakeTe(8), Te2 = MakeTe(16), Te3 = MakeTe(24);
constexpr Table Td0 = MakeTd(0), Td1 = MakeTd(8), Td2 = MakeTd(16), Td3 = MakeTd(24);

static_assert(S[0] == 0x63 && S[1] == 0x7C && S[0x53] == 0xED && Si[0x63] == 0);

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

inline std::uint32_t SubWord(std::uint32_t w) {
    return (std::uint32_t(S[w >> 24]) << 24) | (std::uint32_t(S[(w >> 16) & 0xFF]) << 16) |
           (std::uint32_t(S[(w >> 8) & 0xFF]) << 8) | std::uint32_t(S[w & 0xFF]);
}

inline std::uint32_t InvMixColumn(std::uint32_t w) {
    return Td0[S[w >> 24]] ^ Td1[S[(w >> 16) & 0xFF]] ^ Td2[S[(w >> 8) & 0xFF]] ^ Td3[S[w & 0xFF]];
}

void EncryptBlockTables(const std::uint32_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out) {
    std::uint32_t s0 = LoadBE32(in) ^ rk[0];
    std::uint32_t s1 = LoadBE32(in + 4) ^ rk[1];
    std::uint32_t s2 = LoadBE32(in + 8) ^ rk[2];
    std::uint32_t s3 = LoadBE32(in + 12) ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        const std::uint32_t t0 = Te0[s0 >> 24] ^ Te1[(s1 >> 16) & 0xFF] ^ Te2[(s2 >> 8) & 0xFF] ^ Te3[s3 & 0xFF] ^ rk[0];
        const std::uint32_t t1 = Te0[s1 >> 24] ^ Te1[(s2 >> 16) & 0xFF] ^ Te2[(s3 >> 8) & 0xFF] ^ Te3[s0 & 0xFF] ^ rk[1];
        const std::uint32_t t2 = Te0[s2 >> 24] ^ Te1[(s3 >> 16) & 0xFF] ^ Te2[(s0 >> 8) & 0xFF] ^ Te3[s1 & 0xFF] ^ rk[2];
        const std::uint32_t t3 = Te0[s3 >> 24] ^ Te1[(s0 >> 16) & 0xFF] ^ Te2[(s1 >> 8) & 0xFF] ^ Te3[s2 & 0xFF] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    auto last = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return (std::uint32_t(S[a >> 24]) << 24) | (std::uint32_t(S[(b >> 16) & 0xFF]) << 16) |
               (std::uint32_t(S[(c >> 8) & 0xFF]) << 8) | std::uint32_t(S[d & 0xFF]);
    };
    StoreBE32(out, last(s0, s1, s2, s3) ^ rk[0]);
    StoreBE32(out + 4, last(s1, s2, s3, s0) ^ rk[1]);
    StoreBE32(out + 8, last(s2, s3, s0, s1) ^ rk[2]);
    StoreBE32(out + 12, last(s3, s0, s1, s2) ^ rk[3]);
}

void DecryptBlockTables(const std::uint32_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out) {
    std::uint32_t s0 = LoadBE32(in) ^ rk[0];
    std::uint32_t s1 = LoadBE32(in + 4) ^ rk[1];
    std::uint32_t s2 = LoadBE32(in + 8) ^ rk[2];
    std::uint32_t s3 = LoadBE32(in + 12) ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        const std::uint32_t t0 = Td0[s0 >> 24] ^ Td1[(s3 >> 16) & 0xFF] ^ Td2[(s2 >> 8) & 0xFF] ^ Td3[s1 & 0xFF] ^ rk[0];
        const std::uint32_t t1 = Td0[s1 >> 24] ^ Td1[(s0 >> 16) & 0xFF] ^ Td2[(s3 >> 8) & 0xFF] ^ Td3[s2 & 0xFF] ^ rk[1];
        const std::uint32_t t2 = Td0[s2 >> 24] ^ Td1[(s1 >> 16) & 0xFF] ^ Td2[(s0 >> 8) & 0xFF] ^ Td3[s3 & 0xFF] ^ rk[2];
        const std::uint32_t t3 = Td0[s3 >> 24] ^ Td1[(s2 >> 16) & 0xFF] ^ Td2[(s1 >> 8) & 0xFF] ^ Td3[s0 & 0xFF] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    auto last = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return (std::uint32_t(Si[a >> 24]) << 24) | (std::uint32_t(Si[(b >> 16) & 0xFF]) << 16) |
               (std::uint32_t(Si[(c >> 8) & 0xFF]) << 8) | std::uint32_t(Si[d & 0xFF]);
    };
    StoreBE32(out, last(s0, s3, s2, s1) ^ rk[0]);
    StoreBE32(out + 4, last(s1, s0, s3, s2) ^ rk[1]);
    StoreBE32(out + 8, last(s2, s1, s0, s3) ^ rk[2]);
    StoreBE32(out + 12, last(s3, s2, s1, s0) ^ rk[3]);
}

inline void IncrementCounter(std::uint8_t* counter) {
    for (int i = 0; i < 8; ++i) {
        if (++counter[i] != 0) break;
    }
}

}  // namespace

// ---- TCipher ---------------------------------------------------------------

TCipher::TCipher() = default;

TCipher::~TCipher() = default;

void TCipher::CheckInitialized() const {
    if (!initialized_) {
        std::string message = "%s is not initialized call Init() or InitKey() before.";
        message.replace(message.find("%s"), 2, ClassName());
        throw ECipherException(message);
    }
}

void TCipher::InitKey(const void* key, int length) {
    if (length < 0) length = 0;
    length = std::min(length, MaxKeySize());
    SetupKey(static_cast<const std::uint8_t*>(key), std::size_t(length));
    initialized_ = true;
    RestartCounter();
}

void TCipher::Reset() {
    WipeKey();
    initialized_ = false;
    counter_.fill(0);
    keystream_.fill(0);
    position_ = kBlockSize;
}

void TCipher::RestartCounter() {
    counter_.fill(0);
    keystream_.fill(0);
    position_ = kBlockSize;
}

void TCipher::EncryptBlock(const std::uint8_t in[kBlockSize], std::uint8_t out[kBlockSize]) const {
    CheckInitialized();
    DoEncryptBlocks(in, out, 1);
}

void TCipher::DecryptBlock(const std::uint8_t in[kBlockSize], std::uint8_t out[kBlockSize]) const {
    CheckInitialized();
    DoDecryptBlocks(in, out, 1);
}

void TCipher::Counter(const void* source, void* dest, std::size_t count) {
    CheckInitialized();
    auto* in = static_cast<const std::uint8_t*>(source);
    auto* out = static_cast<std::uint8_t*>(dest);
    // Rest of the current keystream block first.
    while (count > 0 && position_ < kBlockSize) {
        *out++ = *in++ ^ keystream_[position_++];
        --count;
    }
    const std::size_t blocks = count / kBlockSize;
    if (blocks > 0) {
        DoCounterBlocks(in, out, blocks);
        in += blocks * kBlockSize;
        out += blocks * kBlockSize;
        count -= blocks * kBlockSize;
    }
    if (count > 0) {
        IncrementCounter(counter_.data());
        DoEncryptBlocks(counter_.data(), keystream_.data(), 1);
        position_ = 0;
        while (count > 0) {
            *out++ = *in++ ^ keystream_[position_++];
            --count;
        }
    }
}

// ---- TCipher_Rijndael ------------------------------------------------------

TCipher_Rijndael::~TCipher_Rijndael() { WipeKey(); }

void TCipher_Rijndael::SetupKey(const std::uint8_t* key, std::size_t length) {
    // Keys between the AES sizes are padded with zero bytes to the next one.
    std::uint8_t padded[32] = {};
    if (length > 0) std::memcpy(padded, key, length);
    const std::size_t keyBytes = length <= 16 ? 16 : length <= 24 ? 24 : 32;
    const int nk = int(keyBytes / 4);
    rounds_ = nk + 6;
    const int total = 4 * (rounds_ + 1);

    std::uint32_t* w = encKeyWords_;
    for (int i = 0; i < nk; ++i) w[i] = LoadBE32(padded + 4 * i);
    std::uint32_t rcon = 0x01;
    for (int i = nk; i < total; ++i) {
        std::uint32_t temp = w[i - 1];
        if (i % nk == 0) {
            temp = SubWord((temp << 8) | (temp >> 24)) ^ (rcon << 24);
            rcon = XTime(std::uint8_t(rcon));
        } else if (nk > 6 && i % nk == 4) {
            temp = SubWord(temp);
        }
        w[i] = w[i - nk] ^ temp;
    }
    for (int i = 0; i < total; ++i) StoreBE32(encKeyBytes_ + 4 * i, w[i]);

    // Decryption keys: the rounds in reverse order, the inner ones passed
    // through InvMixColumns (equivalent inverse cipher).
    for (int r = 0; r <= rounds_; ++r) {
        for (int j = 0; j < 4; ++j) {
            const std::uint32_t k = w[4 * (rounds_ - r) + j];
            decKeyWords_[4 * r + j] = (r == 0 || r == rounds_) ? k : InvMixColumn(k);
        }
    }
    std::memset(padded, 0, sizeof padded);

    hardware_ = detail::CpuHasAesInstructions() && g_aesAccelerate.load(std::memory_order_relaxed);
    if (hardware_) detail::AesHwPrepareDecryptKeys(encKeyBytes_, rounds_, decKeyBytes_);
}

void TCipher_Rijndael::WipeKey() {
    std::memset(encKeyBytes_, 0, sizeof encKeyBytes_);
    std::memset(decKeyBytes_, 0, sizeof decKeyBytes_);
    std::memset(encKeyWords_, 0, sizeof encKeyWords_);
    std::memset(decKeyWords_, 0, sizeof decKeyWords_);
    rounds_ = 0;
}

void TCipher_Rijndael::DoEncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
    if (hardware_) {
        detail::AesHwEncryptBlocks(encKeyBytes_, rounds_, in, out, blocks);
        return;
    }
    for (std::size_t b = 0; b < blocks; ++b) EncryptBlockTables(encKeyWords_, rounds_, in + 16 * b, out + 16 * b);
}

void TCipher_Rijndael::DoDecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
    if (hardware_) {
        detail::AesHwDecryptBlocks(decKeyBytes_, rounds_, in, out, blocks);
        return;
    }
    for (std::size_t b = 0; b < blocks; ++b) DecryptBlockTables(decKeyWords_, rounds_, in + 16 * b, out + 16 * b);
}

void TCipher_Rijndael::DoCounterBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    if (hardware_) {
        detail::AesHwCounterBlocks(encKeyBytes_, rounds_, counter_.data(), in, out, blocks);
        return;
    }
    std::uint8_t keystream[16];
    for (std::size_t b = 0; b < blocks; ++b, in += 16, out += 16) {
        IncrementCounter(counter_.data());
        EncryptBlockTables(encKeyWords_, rounds_, counter_.data(), keystream);
        for (int i = 0; i < 16; ++i) out[i] = in[i] ^ keystream[i];
    }
}

bool AesAccelerationAvailable() { return detail::CpuHasAesInstructions(); }

void SetAesAcceleration(bool enabled) { g_aesAccelerate.store(enabled, std::memory_order_relaxed); }

}  // namespace hsa
