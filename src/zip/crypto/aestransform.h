#pragma once
// Per-entry AES encryption of ZIP entries in the WinZip AE-1/AE-2 manner.
//
// Entry data of an AES entry, in this order: salt (key length / 2 bytes),
// password verifier (2 bytes), the compressed data encrypted with AES in
// counter mode, authentication code (first 10 bytes of HMAC-SHA1 over the
// encrypted data).  The entry's compressed size counts all four parts.  The
// method field of both headers is 99; the real method stands in the AES extra
// field 0x9901.
//
// Adding an entry:
//   TAESCryptoTransform t(256, method, 2); t.SetMode(kCryptoEncrypt);
//   t.AssignPassword(pw);                  // fresh salt from the system
//   write t.GetExtraField().Bytes() into both headers, method 99, and
//     AesCrcToStore(2, crc) as the CRC (0 for AE-2);
//   write t.GetHeader(); t.EncryptBuffer(...) on every compressed piece;
//   write t.FinishAuthCode().
// Extracting or testing:
//   parse the 0x9901 field with ParseAesExtraField (gives key bits, vendor
//     version and the actual method);
//   AesEncryptedDataLength(compressed size, key bits, bytes available) —
//     nullopt means a damaged entry, report it before decrypting anything;
//   TAESCryptoTransform t(keyBits, actualMethod, vendorVersion); t.SetMode(kCryptoDecrypt);
//   t.ReadHeader(first GetHeaderSize() bytes); if (!t.CheckPassword(pw)) wrong password;
//   t.DecryptBuffer(...) over the encrypted data, inflate or copy;
//   t.ReadAuthCode(last 10 bytes); t.AuthCodeDiffers(entry CRC, computed CRC)
//     → damaged entry (checksum failure).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "zip/crypto/hmac.h"
#include "zip/crypto/pbkdf2.h"
#include "zip/crypto/rijndael.h"

namespace hsa {

inline constexpr std::uint16_t kAesExtraFieldId = 0x9901;
inline constexpr std::uint16_t kAesExtraFieldDataSize = 7;
inline constexpr std::size_t kAesExtraFieldSize = 4 + kAesExtraFieldDataSize;
inline constexpr std::uint16_t kAesCompressionMethod = 99;
inline constexpr std::uint16_t kAesVersionNeeded = 51;   // 5.1, the ZIP version that introduced AES
inline constexpr std::size_t kAesAuthCodeSize = 10;
inline constexpr std::size_t kAesVerifierSize = 2;
inline constexpr std::uint32_t kAesKdfIterations = 1000;

// The AES extra field 0x9901.
struct AesExtraField {
    std::uint16_t vendorVersion = 2;    // 1 AE-1 (CRC stored and checked), 2 AE-2 (CRC 0)
    std::uint8_t strength = 3;          // 1, 2, 3 for 128, 192, 256-bit keys
    std::uint16_t actualMethod = 0;     // the method the data was compressed with

    int KeyBits() const;
    // The whole element: id, size 7, vendor version, "AE", strength, method.
    std::array<std::uint8_t, kAesExtraFieldSize> Bytes() const;
    // The 7 data bytes alone (after id and size).
    std::array<std::uint8_t, kAesExtraFieldDataSize> DataBytes() const;
};

// Reads the data part of a 0x9901 field (the bytes after its 4-byte header).
// nullopt when it is shorter than 7 bytes, its vendor id is not "AE", its
// vendor version is not 1 or 2, or its strength is not 1, 2 or 3.
std::optional<AesExtraField> ParseAesExtraField(std::span<const std::uint8_t> data);

// Looks for the 0x9901 element in a whole extra-field block (local or
// central) and parses it.  A damaged block yields nullopt.
std::optional<AesExtraField> FindAesExtraField(std::span<const std::uint8_t> extraBlock);

// 1, 2, 3 ↔ 128, 192, 256; 0 for anything else.
int AesKeyBitsForStrength(int strength);
int AesStrengthForKeyBits(int keyBits);
// Salt + verifier bytes in front of the data: 10, 14 or 18; 0 for bad key bits.
std::size_t AesHeaderSizeForKeyBits(int keyBits);

// The CRC that goes into both headers: AE-2 stores 0 (the authentication
// code protects the data, and a CRC of short data would betray it).
inline std::uint32_t AesCrcToStore(std::uint16_t vendorVersion, std::uint32_t crc) {
    return vendorVersion == 2 ? 0u : crc;
}

// The length of the encrypted data between header and authentication code,
// or nullopt when the sizes cannot belong to an intact entry: compressed
// size smaller than header + code, larger than the bytes available from the
// start of the entry's data to the end of the archive, or bad key bits.
std::optional<std::uint64_t> AesEncryptedDataLength(std::uint64_t compressedSize, int keyBits,
                                                    std::uint64_t bytesAvailable);

enum TZACryptoMode : std::uint8_t { kCryptoEncrypt = 0, kCryptoDecrypt = 1 };

// The per-entry transform the compression and extraction paths call.
class TZACryptoTransform {
public:
    virtual ~TZACryptoTransform() = default;

    virtual void AssignPassword(const std::string& password) = 0;
    virtual bool CheckPassword(const std::string& password) = 0;
    virtual std::vector<std::uint8_t> GetKey() const = 0;
    virtual std::string GetPassword() const = 0;
    virtual void SetMode(TZACryptoMode mode) { mode_ = mode; }
    virtual void Reset() = 0;
    // source and dest may be the same buffer.
    virtual void DecryptBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t count) = 0;
    virtual void EncryptBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t count) = 0;
    virtual std::vector<std::uint8_t> GetHeader() const = 0;
    virtual void ReadHeader(std::span<const std::uint8_t> header) = 0;
    virtual std::size_t GetHeaderSize() const = 0;
    virtual std::vector<std::uint8_t> FinishAuthCode() = 0;
    virtual void ReadAuthCode(std::span<const std::uint8_t> code) = 0;
    virtual std::size_t GetAuthCodeSize() const = 0;
    virtual bool AuthCodeDiffers(std::uint32_t entryCrc, std::uint32_t computedCrc) = 0;
    virtual AesExtraField GetExtraField() const = 0;

    TZACryptoMode Mode() const { return mode_; }

protected:
    TZACryptoMode mode_ = kCryptoEncrypt;
};

class TAESCryptoTransform final : public TZACryptoTransform {
public:
    // keyBits 128, 192 or 256 (else std::invalid_argument); vendorVersion 1
    // or 2 (else std::invalid_argument).
    TAESCryptoTransform(int keyBits, std::uint16_t actualMethod, std::uint16_t vendorVersion);
    ~TAESCryptoTransform() override;

    // Stores the password.  Decrypting with a salt already read: derives the
    // keys with that salt.  Otherwise: a fresh salt from the system, then the
    // keys.
    void AssignPassword(const std::string& password) override;
    // Derives with this password and the stored salt; true when the derived
    // verifier equals the one read from the entry.  The keys (and the
    // transform's password) are then this password's.
    bool CheckPassword(const std::string& password) override;
    std::vector<std::uint8_t> GetKey() const override { return aesKey_; }
    std::string GetPassword() const override { return password_; }
    void SetMode(TZACryptoMode mode) override;
    void Reset() override;
    // Adds the ciphertext to the MAC, then decrypts it (decrypt mode only).
    void DecryptBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t count) override;
    // Encrypts, then adds the ciphertext to the MAC (encrypt mode only).
    void EncryptBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t count) override;
    // Salt followed by the 2 verifier bytes.
    std::vector<std::uint8_t> GetHeader() const override;
    // Takes salt and stored verifier (GetHeaderSize() bytes, else
    // std::invalid_argument); derives the keys when a password is assigned.
    void ReadHeader(std::span<const std::uint8_t> header) override;
    std::size_t GetHeaderSize() const override { return keyLength_ / 2 + kAesVerifierSize; }
    // Finishes the MAC: its first 10 bytes, which also become the stored code.
    std::vector<std::uint8_t> FinishAuthCode() override;
    // The 10 bytes that follow the entry's encrypted data (else std::invalid_argument).
    void ReadAuthCode(std::span<const std::uint8_t> code) override;
    std::size_t GetAuthCodeSize() const override { return kAesAuthCodeSize; }
    // True when the data cannot be trusted: the MAC over what was decrypted
    // differs from the stored code (or no code was read), or, for AE-1, the
    // entry's CRC differs from the CRC of the extracted data.
    bool AuthCodeDiffers(std::uint32_t entryCrc, std::uint32_t computedCrc) override;
    AesExtraField GetExtraField() const override;

    int KeyBits() const { return int(keyLength_) * 8; }
    std::size_t KeyLength() const { return keyLength_; }
    std::uint16_t VendorVersion() const { return vendorVersion_; }
    std::uint16_t ActualMethod() const { return actualMethod_; }
    std::vector<std::uint8_t> GetSalt() const { return salt_; }
    std::array<std::uint8_t, kAesVerifierSize> GetVerifier() const { return verifier_; }

    // Encrypting with a given salt instead of a fresh one, for reproducible
    // checks against other implementations.
    void AssignPasswordWithSalt(const std::string& password, std::span<const std::uint8_t> salt);

private:
    struct DerivedKeys {
        std::vector<std::uint8_t> aesKey;
        std::vector<std::uint8_t> hmacKey;
        std::array<std::uint8_t, kAesVerifierSize> verifier{};
    };
    DerivedKeys Derive(const std::string& password) const;
    void StartKeys(const std::string& password, DerivedKeys&& keys);

    std::size_t keyLength_;
    std::uint16_t actualMethod_;
    std::uint16_t vendorVersion_;
    const HashDescriptor* hash_;

    std::string password_;
    bool passwordAssigned_ = false;
    std::vector<std::uint8_t> salt_;
    bool saltRead_ = false;
    std::array<std::uint8_t, kAesVerifierSize> verifier_{};          // stored (read) or derived (written)
    std::array<std::uint8_t, kAesVerifierSize> derivedVerifier_{};   // from the current keys
    std::vector<std::uint8_t> aesKey_;
    std::vector<std::uint8_t> hmacKey_;
    std::unique_ptr<TCipher_Rijndael> cipher_;
    HmacContext hmac_;
    bool keysReady_ = false;
    bool dataStarted_ = false;   // data has passed since the keys were derived
    std::string keysPassword_;   // the password the current keys belong to
    std::vector<std::uint8_t> authCode_;
    bool authFinished_ = false;
    std::array<std::uint8_t, kAesAuthCodeSize> computedCode_{};
};

}  // namespace hsa
