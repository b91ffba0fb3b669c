#pragma once
// The AES entry transform as one of the engine's entry ciphers.
//
// Adding: the engine makes the cipher through CreateEntryCipher(AES128/192/256,
// actual method); it writes EntryExtraField() into both headers, the method
// HeaderMethod() (99) and, for AE-2, CRC 0 (CrcToStore()).
// Reading: CheckTrailer() checks the authentication code; ReplacesCrcCheck()
// is false for AE-1 entries, so their CRC is compared as well.  The vendor
// version is best given from the entry: MakeAesEntryCipher(item.encryption,
// item.actualMethod, AesVendorVersionOf(item.extra)).  A cipher made through
// the registered factories does not know it and goes by the stored CRC: AE-2
// entries store 0, so a non-zero CRC is one to compare (AE-1).
// Before any decryption, AesEncryptedDataLength (aestransform.h) tells
// whether the entry's sizes fit at all; nullopt is a damaged entry.

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
    // Vendor version not known yet: written entries get AE-2, read entries
    // are judged by their stored CRC.
    static constexpr uint16_t kVendorFromEntry = 0;

    // algorithm AES128, AES192 or AES256 (else std::invalid_argument);
    // vendorVersion 1, 2 or kVendorFromEntry.
    AesEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod, uint16_t vendorVersion = kVendorFromEntry);

    size_t HeaderSize() const override { return AesHeaderSizeForKeyBits(keyBits_); }
    size_t TrailerSize() const override { return kAesAuthCodeSize; }
    bool NeedsCrcInAdvance() const override { return false; }
    // AE-2 entries carry CRC 0: the code alone decides.  AE-1 entries are
    // checked with their CRC too.
    bool ReplacesCrcCheck() const override;
    std::optional<ExtraField> EntryExtraField() const override;
    uint16_t HeaderMethod(uint16_t) const override { return kAesCompressionMethod; }

    std::vector<unsigned char> StartEncrypt(const std::string& password, const EntryCipherInfo& info) override;
    void Encrypt(unsigned char* data, size_t n) override;
    std::vector<unsigned char> FinishEncrypt() override;

    bool StartDecrypt(const std::string& password, const unsigned char* header, const EntryCipherInfo& info) override;
    void Decrypt(unsigned char* data, size_t n) override;
    bool CheckTrailer(const unsigned char* trailer, size_t n) override;

    // The CRC both headers carry: 0 for AE-2.
    uint32_t CrcToStore(uint32_t crc) const override { return AesCrcToStore(WriteVersion(), crc); }
    // The version entries are written with (2 unless AE-1 was asked for).
    uint16_t WriteVersion() const { return vendorVersion_ == 1 ? 1 : 2; }
    int KeyBits() const { return keyBits_; }

    // Encrypting with a given salt instead of a fresh one (tests).
    std::vector<unsigned char> salt;

private:
    int keyBits_;
    uint16_t actualMethod_;
    uint16_t vendorVersion_;
    uint32_t storedCrc_ = 0;   // the entry's CRC field, seen when decrypting
    std::unique_ptr<TAESCryptoTransform> transform_;
};

// 128, 192, 256 for the AES algorithms, 0 for the classic one.
int AesKeyBitsOf(CryptoAlgorithm algorithm);
// The vendor version of the entry's 0x9901 field; 2 when it has none.
uint16_t AesVendorVersionOf(const std::vector<ExtraField>& extra);
std::unique_ptr<EntryCipher> MakeAesEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod,
                                                uint16_t vendorVersion);
// Registers AES-128, -192 and -256 with the engine's cipher factories
// (vendor version taken from the entry, AE-2 when writing).  The engine calls
// it itself on the first use of its cipher registry; calling it again only
// puts these factories back.
void RegisterAesEntryCiphers();

}  // namespace hsa::zip
