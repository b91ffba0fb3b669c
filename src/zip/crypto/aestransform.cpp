#include "zip/crypto/aestransform.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "zip/crypto/sha1.h"

namespace hsa {

namespace {

std::uint16_t LoadLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

void StoreLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void Wipe(std::vector<std::uint8_t>& v) {
    std::fill(v.begin(), v.end(), 0);
    v.clear();
}

[[noreturn]] void ThrowNotKeyed() {
    std::string message = "%s is not initialized call Init() or InitKey() before.";
    message.replace(message.find("%s"), 2, "TCipher_Rijndael");
    throw ECipherException(message);
}

}  // namespace

// ---- extra field and sizes -------------------------------------------------

int AesKeyBitsForStrength(int strength) {
    switch (strength) {
    case 1: return 128;
    case 2: return 192;
    case 3: return 256;
    default: return 0;
    }
}

int AesStrengthForKeyBits(int keyBits) {
    switch (keyBits) {
    case 128: return 1;
    case 192: return 2;
    case 256: return 3;
    default: return 0;
    }
}

std::size_t AesHeaderSizeForKeyBits(int keyBits) {
    if (AesStrengthForKeyBits(keyBits) == 0) return 0;
    return std::size_t(keyBits) / 8 / 2 + kAesVerifierSize;
}

int AesExtraField::KeyBits() const { return AesKeyBitsForStrength(strength); }

std::array<std::uint8_t, kAesExtraFieldDataSize> AesExtraField::DataBytes() const {
    std::array<std::uint8_t, kAesExtraFieldDataSize> d{};
    StoreLE16(d.data(), vendorVersion);
    d[2] = 'A';
    d[3] = 'E';
    d[4] = strength;
    StoreLE16(d.data() + 5, actualMethod);
    return d;
}

std::array<std::uint8_t, kAesExtraFieldSize> AesExtraField::Bytes() const {
    std::array<std::uint8_t, kAesExtraFieldSize> b{};
    StoreLE16(b.data(), kAesExtraFieldId);
    StoreLE16(b.data() + 2, kAesExtraFieldDataSize);
    const auto d = DataBytes();
    std::copy(d.begin(), d.end(), b.begin() + 4);
    return b;
}

std::optional<AesExtraField> ParseAesExtraField(std::span<const std::uint8_t> data) {
    if (data.size() < kAesExtraFieldDataSize) return std::nullopt;
    AesExtraField f;
    f.vendorVersion = LoadLE16(data.data());
    if (data[2] != 'A' || data[3] != 'E') return std::nullopt;
    f.strength = data[4];
    f.actualMethod = LoadLE16(data.data() + 5);
    if (f.vendorVersion != 1 && f.vendorVersion != 2) return std::nullopt;
    if (AesKeyBitsForStrength(f.strength) == 0) return std::nullopt;
    return f;
}

std::optional<AesExtraField> FindAesExtraField(std::span<const std::uint8_t> block) {
    std::size_t pos = 0;
    while (block.size() - pos >= 4) {
        const std::uint16_t id = LoadLE16(block.data() + pos);
        const std::size_t declared = LoadLE16(block.data() + pos + 2);
        pos += 4;
        const std::size_t size = std::min(declared, block.size() - pos);
        if (id == kAesExtraFieldId) return ParseAesExtraField(block.subspan(pos, size));
        pos += size;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> AesEncryptedDataLength(std::uint64_t compressedSize, int keyBits,
                                                    std::uint64_t bytesAvailable) {
    const std::size_t header = AesHeaderSizeForKeyBits(keyBits);
    if (header == 0) return std::nullopt;
    const std::uint64_t overhead = header + kAesAuthCodeSize;
    if (compressedSize < overhead || compressedSize > bytesAvailable) return std::nullopt;
    return compressedSize - overhead;
}

// ---- TAESCryptoTransform ---------------------------------------------------

TAESCryptoTransform::TAESCryptoTransform(int keyBits, std::uint16_t actualMethod, std::uint16_t vendorVersion)
    : keyLength_(std::size_t(keyBits) / 8), actualMethod_(actualMethod), vendorVersion_(vendorVersion) {
    if (AesStrengthForKeyBits(keyBits) == 0) throw std::invalid_argument("AES-Schlüssellänge muss 128, 192 oder 256 Bit sein");
    if (vendorVersion != 1 && vendorVersion != 2) throw std::invalid_argument("AES-Herstellerversion muss 1 oder 2 sein");
    hash_ = FindHashByName("SHA1");
    if (hash_ == nullptr) hash_ = &Sha1Descriptor();
}

TAESCryptoTransform::~TAESCryptoTransform() { Reset(); }

void TAESCryptoTransform::SetMode(TZACryptoMode mode) { mode_ = mode; }

TAESCryptoTransform::DerivedKeys TAESCryptoTransform::Derive(const std::string& password) const {
    TPBKDF2 kdf(password, kAesKdfIterations, salt_.data(), salt_.size());
    std::vector<std::uint8_t> bytes = kdf.GetBytes(2 * keyLength_ + kAesVerifierSize);
    DerivedKeys keys;
    keys.aesKey.assign(bytes.begin(), bytes.begin() + keyLength_);
    keys.hmacKey.assign(bytes.begin() + keyLength_, bytes.begin() + 2 * keyLength_);
    keys.verifier = {bytes[2 * keyLength_], bytes[2 * keyLength_ + 1]};
    Wipe(bytes);
    return keys;
}

void TAESCryptoTransform::StartKeys(const std::string& password, DerivedKeys&& keys) {
    Wipe(aesKey_);
    Wipe(hmacKey_);
    aesKey_ = std::move(keys.aesKey);
    hmacKey_ = std::move(keys.hmacKey);
    derivedVerifier_ = keys.verifier;
    cipher_ = std::make_unique<TCipher_Rijndael>(aesKey_.data(), int(aesKey_.size()));
    HmacInit(hmac_, *hash_, hmacKey_.data(), hmacKey_.size());
    keysPassword_ = password;
    keysReady_ = true;
    dataStarted_ = false;
    authFinished_ = false;
}

void TAESCryptoTransform::AssignPassword(const std::string& password) {
    password_ = password;
    passwordAssigned_ = true;
    if (mode_ == kCryptoDecrypt && saltRead_) {
        StartKeys(password, Derive(password));
        return;
    }
    TPBKDF2 fresh(password, kAesKdfIterations, keyLength_ / 2);
    salt_ = fresh.GetSalt();
    saltRead_ = false;
    StartKeys(password, Derive(password));
    verifier_ = derivedVerifier_;
}

void TAESCryptoTransform::AssignPasswordWithSalt(const std::string& password, std::span<const std::uint8_t> salt) {
    if (salt.size() != keyLength_ / 2) throw std::invalid_argument("AES-Salz hat die falsche Länge");
    password_ = password;
    passwordAssigned_ = true;
    salt_.assign(salt.begin(), salt.end());
    saltRead_ = false;
    StartKeys(password, Derive(password));
    verifier_ = derivedVerifier_;
}

bool TAESCryptoTransform::CheckPassword(const std::string& password) {
    if (salt_.empty()) return false;
    // ReadHeader has usually derived with this very password already.
    if (!(keysReady_ && !dataStarted_ && keysPassword_ == password)) StartKeys(password, Derive(password));
    password_ = password;
    passwordAssigned_ = true;
    return derivedVerifier_ == verifier_;
}

void TAESCryptoTransform::Reset() {
    std::fill(password_.begin(), password_.end(), '\0');
    password_.clear();
    std::fill(keysPassword_.begin(), keysPassword_.end(), '\0');
    keysPassword_.clear();
    passwordAssigned_ = false;
    Wipe(salt_);
    saltRead_ = false;
    verifier_.fill(0);
    derivedVerifier_.fill(0);
    Wipe(aesKey_);
    Wipe(hmacKey_);
    cipher_.reset();
    hmac_ = HmacContext{};
    keysReady_ = false;
    dataStarted_ = false;
    Wipe(authCode_);
    authFinished_ = false;
    computedCode_.fill(0);
}

void TAESCryptoTransform::DecryptBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t count) {
    if (mode_ != kCryptoDecrypt) throw std::logic_error("AES-Entschlüsselung im Verschlüsselungsmodus");
    if (!keysReady_) ThrowNotKeyed();
    if (authFinished_) throw std::logic_error("AES-Daten nach dem Abschluss der Prüfsumme");
    dataStarted_ = true;
    HmacUpdate(hmac_, source, count);
    cipher_->DecodeBuffer(source, dest, count);
}

void TAESCryptoTransform::EncryptBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t count) {
    if (mode_ != kCryptoEncrypt) throw std::logic_error("AES-Verschlüsselung im Entschlüsselungsmodus");
    if (!keysReady_) ThrowNotKeyed();
    if (authFinished_) throw std::logic_error("AES-Daten nach dem Abschluss der Prüfsumme");
    dataStarted_ = true;
    cipher_->EncodeBuffer(source, dest, count);
    HmacUpdate(hmac_, dest, count);
}

std::vector<std::uint8_t> TAESCryptoTransform::GetHeader() const {
    if (salt_.empty()) ThrowNotKeyed();
    std::vector<std::uint8_t> header(salt_);
    header.insert(header.end(), verifier_.begin(), verifier_.end());
    return header;
}

void TAESCryptoTransform::ReadHeader(std::span<const std::uint8_t> header) {
    if (header.size() < GetHeaderSize()) throw std::invalid_argument("AES-Kopf zu kurz");
    const std::size_t saltLength = keyLength_ / 2;
    salt_.assign(header.begin(), header.begin() + saltLength);
    verifier_ = {header[saltLength], header[saltLength + 1]};
    saltRead_ = true;
    keysReady_ = false;
    if (passwordAssigned_) StartKeys(password_, Derive(password_));
}

std::vector<std::uint8_t> TAESCryptoTransform::FinishAuthCode() {
    if (!keysReady_) ThrowNotKeyed();
    if (!authFinished_) {
        std::uint8_t mac[kMaxHashDigestLength];
        HmacFinal(hmac_, mac);
        std::copy(mac, mac + kAesAuthCodeSize, computedCode_.begin());
        authFinished_ = true;
    }
    // Only a code this transform produces itself becomes the stored one; a
    // code read from the entry must stay what the entry says.
    if (mode_ == kCryptoEncrypt) authCode_.assign(computedCode_.begin(), computedCode_.end());
    return {computedCode_.begin(), computedCode_.end()};
}

void TAESCryptoTransform::ReadAuthCode(std::span<const std::uint8_t> code) {
    if (code.size() < kAesAuthCodeSize) throw std::invalid_argument("AES-Prüfcode zu kurz");
    authCode_.assign(code.begin(), code.begin() + kAesAuthCodeSize);
}

bool TAESCryptoTransform::AuthCodeDiffers(std::uint32_t entryCrc, std::uint32_t computedCrc) {
    if (!keysReady_ || authCode_.size() != kAesAuthCodeSize) return true;
    FinishAuthCode();
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < kAesAuthCodeSize; ++i) difference |= std::uint8_t(authCode_[i] ^ computedCode_[i]);
    if (difference != 0) return true;
    return vendorVersion_ == 1 && entryCrc != computedCrc;
}

AesExtraField TAESCryptoTransform::GetExtraField() const {
    AesExtraField f;
    f.vendorVersion = vendorVersion_;
    f.strength = std::uint8_t(AesStrengthForKeyBits(KeyBits()));
    f.actualMethod = actualMethod_;
    return f;
}

}  // namespace hsa
