#pragma once
#include "zip/dirarray.h"
#include "zip/zatypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hsa::zip {

// What a cipher may need to know about the entry it works on.
struct EntryCipherInfo {
    uint32_t crc = 0;          // final CRC-32 of the uncompressed data (known in advance when adding)
    uint16_t dosTime = 0;      // DOS time word of the entry
    uint16_t flags = 0;        // general purpose flags (bit 3: data descriptor)
    uint16_t actualMethod = 0; // 0 stored, 8 deflate
    // The entry's extra fields when reading (for example the AES field with
    // its vendor version); null when adding.
    const std::vector<ExtraField>* extra = nullptr;
};

// The encryption of one entry's data.  The engine drives it the same way for
// every method: a header in front of the data, the data enciphered piece by
// piece, a trailer behind it.  Passwords arrive as Windows-1252 bytes.
class EntryCipher {
public:
    virtual ~EntryCipher() = default;

    virtual size_t HeaderSize() const = 0;
    virtual size_t TrailerSize() const = 0;
    // True when the header needs the CRC of the data before the data.
    virtual bool NeedsCrcInAdvance() const { return false; }
    // True when the trailer check takes the place of the CRC-32 comparison.
    virtual bool ReplacesCrcCheck() const { return false; }
    // The extra field the entry carries in both headers, if any.
    virtual std::optional<ExtraField> EntryExtraField() const { return std::nullopt; }
    // The method number the headers show for data of the given actual method.
    virtual uint16_t HeaderMethod(uint16_t actualMethod) const { return actualMethod; }
    // The CRC-32 the headers carry for data with this CRC (AE-2 stores 0).
    virtual uint32_t CrcToStore(uint32_t crc) const { return crc; }

    // Encrypting: returns the header exactly as it goes to the archive.
    virtual std::vector<unsigned char> StartEncrypt(const std::string& password, const EntryCipherInfo& info) = 0;
    virtual void Encrypt(unsigned char* data, size_t n) = 0;
    virtual std::vector<unsigned char> FinishEncrypt() = 0;

    // Decrypting: false when the header shows that the password is wrong.
    virtual bool StartDecrypt(const std::string& password, const unsigned char* header, const EntryCipherInfo& info) = 0;
    virtual void Decrypt(unsigned char* data, size_t n) = 0;
    // After the data: false when the trailer proves the data altered.
    virtual bool CheckTrailer(const unsigned char* trailer, size_t n) = 0;
};

// Ciphers are made through factories registered per algorithm.  The engine
// registers its own (classic, AES-128/192/256) on the first use of the
// registry; a factory registered by a caller replaces the engine's one.
using EntryCipherFactory = std::function<std::unique_ptr<EntryCipher>(CryptoAlgorithm algorithm, uint16_t actualMethod)>;
void RegisterEntryCipher(CryptoAlgorithm algorithm, EntryCipherFactory factory);
// Null when no factory is registered for the algorithm.
std::unique_ptr<EntryCipher> CreateEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod);

// The three keys of the traditional PKWARE encryption.
struct ClassicKeys {
    uint32_t key0 = 0x12345678u, key1 = 0x23456789u, key2 = 0x34567890u;

    void Init(const std::string& password);      // InitClassicKeys
    void Update(unsigned char c);                // ClassicUpdateKeys
    unsigned char StreamByte() const;            // ClassicStreamByte
    unsigned char EncryptByte(unsigned char p);  // ClassicEncryptByte
    unsigned char DecryptByte(unsigned char c);
    void EncryptBuffer(unsigned char* buf, size_t start, size_t count);
    void DecryptBuffer(unsigned char* buf, size_t count);
};

// Decrypts a 12-byte header in place with keys made from the password.
void ClassicDecryptHeader(const std::string& password, ClassicKeys& keys, unsigned char header[12]);
// The quick check: byte 11 of the decrypted header against the high byte of
// the DOS time (flag bit 3) or of the CRC.  Keys are left ready for the data.
bool ClassicPasswordCheck(const std::string& password, const unsigned char header[12], ClassicKeys& keys, uint32_t crc,
                          uint16_t dosTime, uint16_t flags);

// Traditional PKWARE encryption as an entry cipher.  The ten random header
// bytes come from the system's cryptographic generator.
class ClassicCipher : public EntryCipher {
public:
    size_t HeaderSize() const override { return 12; }
    size_t TrailerSize() const override { return 0; }
    bool NeedsCrcInAdvance() const override { return true; }
    std::vector<unsigned char> StartEncrypt(const std::string& password, const EntryCipherInfo& info) override;
    void Encrypt(unsigned char* data, size_t n) override { keys_.EncryptBuffer(data, 0, n); }
    std::vector<unsigned char> FinishEncrypt() override { return {}; }
    bool StartDecrypt(const std::string& password, const unsigned char* header, const EntryCipherInfo& info) override;
    void Decrypt(unsigned char* data, size_t n) override { keys_.DecryptBuffer(data, n); }
    bool CheckTrailer(const unsigned char*, size_t) override { return true; }

    // For tests: header random bytes from a fixed source.
    std::function<void(unsigned char*, size_t)> randomSource;

private:
    ClassicKeys keys_;
};

// Fills buf with bytes of the system's cryptographic generator.
void SystemRandomBytes(unsigned char* buf, size_t n);

} // namespace hsa::zip
