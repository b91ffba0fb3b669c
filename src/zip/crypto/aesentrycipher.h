#pragma once
// The AES entry transform as one of the engine's entry ciphers.
//
// Adding: the engine makes the cipher through CreateEntryCipher(AES128/192/256,
// actual method); it writes EntryExtraField() into both headers, the method
// HeaderMethod() (99) and, for AE-2, CRC 0 (StoredCrc()).
// Reading: the engine makes the cipher with MakeAesEntryCipher(item.encryption,
// item.actualMethod, AesVendorVersionOf(item.extra)), so that an AE-1 entry is
// checked with its CRC as well (ReplacesCrcCheck() is false for AE-1, and
// CheckTrailer() checks the authentication code for both).  Before any
// decryption, AesEncryptedDataLength (aestransform.h) tells whether the
// entry's sizes fit at all; nullopt is a damaged entry.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip/crypto/aestransform.h"
#include "zip/entrycipher.h"

namespace hsa::zip {

class AesEntryCipher final : public EntryCipher {
public:
    // algorithm AES128, AES192 or AES256 (else std::invalid_argument);
    // vendorVersion 1 or 2.
    AesEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod, uint16_t vendorVersion = 2);

    size_t HeaderSize() const override { return AesHeaderSizeForKeyBits(keyBits_); }
    size_t TrailerSize() const override { return kAesAuthCodeSize; }
    bool NeedsCrcInAdvance() const override { return false; }
    // AE-2 entries carry CRC 0: the code alone decides.  AE-1 entries are
    // checked with their CRC too.
    bool ReplacesCrcCheck() const override { return vendorVersion_ == 2; }
    std::optional<ExtraField> EntryExtraField() const override;
    uint16_t HeaderMethod(uint16_t) const override { return kAesCompressionMethod; }

    std::vector<unsigned char> StartEncrypt(const std::string& password, const EntryCipherInfo& info) override;
    void Encrypt(unsigned char* data, size_t n) override;
    std::vector<unsigned char> FinishEncrypt() override;

    bool StartDecrypt(const std::string& password, const unsigned char* header, const EntryCipherInfo& info) override;
    void Decrypt(unsigned char* data, size_t n) override;
    bool CheckTrailer(const unsigned char* trailer, size_t n) override;

    // The CRC both headers carry for data with the given CRC.
    uint32_t StoredCrc(uint32_t crc) const { return AesCrcToStore(vendorVersion_, crc); }
    uint16_t VendorVersion() const { return vendorVersion_; }
    int KeyBits() const { return keyBits_; }

    // Encrypting with a given salt instead of a fresh one (tests).
    std::vector<unsigned char> salt;

private:
    int keyBits_;
    uint16_t actualMethod_;
    uint16_t vendorVersion_;
    std::unique_ptr<TAESCryptoTransform> transform_;
};

// 128, 192, 256 for the AES algorithms, 0 for the classic one.
int AesKeyBitsOf(CryptoAlgorithm algorithm);
// The vendor version of the entry's 0x9901 field; 2 when it has none.
uint16_t AesVendorVersionOf(const std::vector<ExtraField>& extra);
std::unique_ptr<EntryCipher> MakeAesEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod,
                                                uint16_t vendorVersion);
// Registers AES-128, -192 and -256 (vendor version 2) with the engine's
// cipher factories.  Safe to call more than once.
void RegisterAesEntryCiphers();

}  // namespace hsa::zip
