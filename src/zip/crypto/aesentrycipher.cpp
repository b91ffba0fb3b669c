#include "zip/crypto/aesentrycipher.h"

#include <span>
#include <stdexcept>

namespace hsa::zip {

int AesKeyBitsOf(CryptoAlgorithm algorithm) {
    switch (algorithm) {
    case CryptoAlgorithm::AES128: return 128;
    case CryptoAlgorithm::AES192: return 192;
    case CryptoAlgorithm::AES256: return 256;
    default: return 0;
    }
}

uint16_t AesVendorVersionOf(const std::vector<ExtraField>& extra) {
    for (const ExtraField& f : extra) {
        if (f.id != kAesExtraFieldId) continue;
        if (const auto parsed = ParseAesExtraField(f.data)) return parsed->vendorVersion;
    }
    return 2;
}

AesEntryCipher::AesEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod, uint16_t vendorVersion)
    : keyBits_(AesKeyBitsOf(algorithm)), actualMethod_(actualMethod), vendorVersion_(vendorVersion) {
    if (keyBits_ == 0) throw std::invalid_argument("kein AES-Verfahren");
    if (vendorVersion != 1 && vendorVersion != 2 && vendorVersion != kVendorFromEntry)
        throw std::invalid_argument("AES-Herstellerversion muss 1 oder 2 sein");
}

bool AesEntryCipher::ReplacesCrcCheck() const {
    if (vendorVersion_ == kVendorFromEntry) return storedCrc_ == 0;
    return vendorVersion_ == 2;
}

std::optional<ExtraField> AesEntryCipher::EntryExtraField() const {
    AesExtraField f;
    f.vendorVersion = WriteVersion();
    f.strength = uint8_t(AesStrengthForKeyBits(keyBits_));
    f.actualMethod = actualMethod_;
    const auto data = f.DataBytes();
    return ExtraField{kAesExtraFieldId, std::vector<unsigned char>(data.begin(), data.end())};
}

std::vector<unsigned char> AesEntryCipher::StartEncrypt(const std::string& password, const EntryCipherInfo&) {
    transform_ = std::make_unique<TAESCryptoTransform>(keyBits_, actualMethod_, WriteVersion());
    transform_->SetMode(kCryptoEncrypt);
    if (salt.empty())
        transform_->AssignPassword(password);
    else
        transform_->AssignPasswordWithSalt(password, salt);
    return transform_->GetHeader();
}

void AesEntryCipher::Encrypt(unsigned char* data, size_t n) {
    if (!transform_) throw std::logic_error("AES-Verschlüsselung nicht begonnen");
    transform_->EncryptBuffer(data, data, n);
}

std::vector<unsigned char> AesEntryCipher::FinishEncrypt() {
    if (!transform_) throw std::logic_error("AES-Verschlüsselung nicht begonnen");
    return transform_->FinishAuthCode();
}

bool AesEntryCipher::StartDecrypt(const std::string& password, const unsigned char* header,
                                  const EntryCipherInfo& info) {
    // A fresh transform for every attempt, so a second password after a
    // wrong one starts from the entry's header again.
    storedCrc_ = info.crc;
    transform_ = std::make_unique<TAESCryptoTransform>(keyBits_, info.actualMethod, WriteVersion());
    transform_->SetMode(kCryptoDecrypt);
    transform_->ReadHeader(std::span(header, HeaderSize()));
    return transform_->CheckPassword(password);
}

void AesEntryCipher::Decrypt(unsigned char* data, size_t n) {
    if (!transform_) throw std::logic_error("AES-Entschlüsselung nicht begonnen");
    transform_->DecryptBuffer(data, data, n);
}

bool AesEntryCipher::CheckTrailer(const unsigned char* trailer, size_t n) {
    if (!transform_ || n < kAesAuthCodeSize) return false;
    transform_->ReadAuthCode(std::span(trailer, kAesAuthCodeSize));
    // The CRC of an AE-1 entry is compared by the engine (ReplacesCrcCheck);
    // here only the code counts.
    return !transform_->AuthCodeDiffers(0, 0);
}

std::unique_ptr<EntryCipher> MakeAesEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod,
                                                uint16_t vendorVersion) {
    return std::make_unique<AesEntryCipher>(algorithm, actualMethod, vendorVersion);
}

void RegisterAesEntryCiphers() {
    for (CryptoAlgorithm a : {CryptoAlgorithm::AES128, CryptoAlgorithm::AES192, CryptoAlgorithm::AES256}) {
        RegisterEntryCipher(a, [](CryptoAlgorithm algorithm, uint16_t actualMethod) {
            return MakeAesEntryCipher(algorithm, actualMethod, AesEntryCipher::kVendorFromEntry);
        });
    }
}

}  // namespace hsa::zip
