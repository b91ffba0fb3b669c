#pragma once
// Block cipher base with the counter mode the AES entry transform uses, and
// AES (FIPS-197) with 128, 192 and 256-bit keys.  The AES rounds use the
// processor's AES instructions when present, else lookup tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace hsa {

class ECipherException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Counter mode as the entry transform runs it: a 16-byte counter block that
// starts at zero and is incremented before each keystream block, as a
// little-endian number over its first 8 bytes (a carry out of byte 7 is
// dropped); the keystream block is the encrypted counter.  Encryption and
// decryption are the same operation, and the state runs on across calls, so
// data may be passed in pieces of any size.
class TCipher {
public:
    static constexpr std::size_t kBlockSize = 16;
    static constexpr int kModeCounter = 4;

    virtual ~TCipher();

    // The key's bytes; a longer key is cut to MaxKeySize(), a negative length
    // counts as 0.  Restarts the counter.
    void InitKey(const void* key, int length);
    bool Initialized() const { return initialized_; }
    // Drops the key material and the counter state.
    void Reset();
    // Back to counter zero with the same key.
    void RestartCounter();

    void EncodeBuffer(const void* source, void* dest, std::size_t count) { Counter(source, dest, count); }
    void DecodeBuffer(const void* source, void* dest, std::size_t count) { Counter(source, dest, count); }

    // One block in the plain cipher (no chaining), for checks and key tests.
    void EncryptBlock(const std::uint8_t in[kBlockSize], std::uint8_t out[kBlockSize]) const;
    void DecryptBlock(const std::uint8_t in[kBlockSize], std::uint8_t out[kBlockSize]) const;

    virtual const char* ClassName() const = 0;
    virtual int MaxKeySize() const = 0;

    const std::array<std::uint8_t, kBlockSize>& CounterBlock() const { return counter_; }

protected:
    TCipher();
    virtual void SetupKey(const std::uint8_t* key, std::size_t length) = 0;
    virtual void WipeKey() = 0;
    virtual void DoEncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const = 0;
    virtual void DoDecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const = 0;
    // XORs blocks whole blocks of keystream into in → out, advancing counter_.
    virtual void DoCounterBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) = 0;

    std::array<std::uint8_t, kBlockSize> counter_{};

private:
    void CheckInitialized() const;
    void Counter(const void* source, void* dest, std::size_t count);

    std::array<std::uint8_t, kBlockSize> keystream_{};
    std::size_t position_ = kBlockSize;
    bool initialized_ = false;
};

class TCipher_Rijndael final : public TCipher {
public:
    TCipher_Rijndael() = default;
    TCipher_Rijndael(const void* key, int length) { InitKey(key, length); }
    ~TCipher_Rijndael() override;

    const char* ClassName() const override { return "TCipher_Rijndael"; }
    int MaxKeySize() const override { return 32; }
    int Rounds() const { return rounds_; }

protected:
    void SetupKey(const std::uint8_t* key, std::size_t length) override;
    void WipeKey() override;
    void DoEncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const override;
    void DoDecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const override;
    void DoCounterBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) override;

private:
    int rounds_ = 0;
    bool hardware_ = false;
    // Round keys as FIPS-197 lays them out (bytes in column order), the
    // same keys as big-endian words for the tables, and the decryption keys.
    alignas(16) std::uint8_t encKeyBytes_[15 * 16] = {};
    alignas(16) std::uint8_t decKeyBytes_[15 * 16] = {};
    std::uint32_t encKeyWords_[60] = {};
    std::uint32_t decKeyWords_[60] = {};
};

// Whether the processor's AES instructions are used.  Switching them off
// (tests, benchmark) affects ciphers keyed afterwards.
bool AesAccelerationAvailable();
void SetAesAcceleration(bool enabled);

namespace detail {
void AesHwPrepareDecryptKeys(const std::uint8_t* encKeys, int rounds, std::uint8_t* decKeys);
void AesHwEncryptBlocks(const std::uint8_t* keys, int rounds, const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks);
void AesHwDecryptBlocks(const std::uint8_t* decKeys, int rounds, const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks);
void AesHwCounterBlocks(const std::uint8_t* keys, int rounds, std::uint8_t counter[16],
                        const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
}  // namespace detail

}  // namespace hsa
