#include "zip/entrycipher.h"

#include "zip/crypto/aesentrycipher.h"

#include <array>
#include <cerrno>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <sys/random.h>
#include <zlib.h>

namespace hsa::zip {

namespace {

const z_crc_t* CrcTable()
{
    static const z_crc_t* table = get_crc_table();
    return table;
}

inline uint32_t Crc32Step(uint32_t k, unsigned char b)
{
    return uint32_t(CrcTable()[(k ^ b) & 0xFF]) ^ (k >> 8);
}

struct Registry {
    std::mutex mutex;
    std::map<CryptoAlgorithm, EntryCipherFactory> factories;
    Registry()
    {
        factories[CryptoAlgorithm::PkzipClassic] = [](CryptoAlgorithm, uint16_t) {
            return std::unique_ptr<EntryCipher>(new ClassicCipher);
        };
    }
};

Registry& TheRegistry()
{
    static Registry r;
    return r;
}

// The AES ciphers are part of the engine: they are registered the first time
// anyone touches the registry, so no caller has to remember it.  The
// registration itself goes through RegisterEntryCipher, which must not start
// it again.
thread_local bool tRegisteringDefaults = false;

void EnsureDefaultCiphers()
{
    static std::once_flag once;
    if (tRegisteringDefaults)
        return;
    std::call_once(once, [] {
        tRegisteringDefaults = true;
        try {
            RegisterAesEntryCiphers();
        } catch (...) {
            tRegisteringDefaults = false;
            throw;
        }
        tRegisteringDefaults = false;
    });
}

} // namespace

void RegisterEntryCipher(CryptoAlgorithm algorithm, EntryCipherFactory factory)
{
    // Defaults first, so that a factory registered here is not replaced later.
    EnsureDefaultCiphers();
    auto& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.factories[algorithm] = std::move(factory);
}

std::unique_ptr<EntryCipher> CreateEntryCipher(CryptoAlgorithm algorithm, uint16_t actualMethod)
{
    EnsureDefaultCiphers();
    auto& r = TheRegistry();
    EntryCipherFactory f;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        const auto it = r.factories.find(algorithm);
        if (it == r.factories.end())
            return nullptr;
        f = it->second;
    }
    return f ? f(algorithm, actualMethod) : nullptr;
}

void SystemRandomBytes(unsigned char* buf, size_t n)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t r = getrandom(buf + done, n - done, 0);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("no random bytes from the system");
        }
        done += size_t(r);
    }
}

void ClassicKeys::Init(const std::string& password)
{
    key0 = 0x12345678u;
    key1 = 0x23456789u;
    key2 = 0x34567890u;
    for (unsigned char c : password)
        Update(c);
}

void ClassicKeys::Update(unsigned char c)
{
    key0 = Crc32Step(key0, c);
    key1 = (key1 + (key0 & 0xFF)) * 134775813u + 1u;
    key2 = Crc32Step(key2, uint8_t(key1 >> 24));
}

unsigned char ClassicKeys::StreamByte() const
{
    const uint32_t t = (key2 | 2u) & 0xFFFFu;
    return uint8_t(((t * (t ^ 1u)) & 0xFFFFu) >> 8);
}

unsigned char ClassicKeys::EncryptByte(unsigned char p)
{
    const unsigned char c = p ^ StreamByte();
    Update(p);
    return c;
}

unsigned char ClassicKeys::DecryptByte(unsigned char c)
{
    const unsigned char p = c ^ StreamByte();
    Update(p);
    return p;
}

void ClassicKeys::EncryptBuffer(unsigned char* buf, size_t start, size_t count)
{
    // The keys live in locals so the loop stays in registers.
    const z_crc_t* tab = CrcTable();
    uint32_t k0 = key0, k1 = key1, k2 = key2;
    for (size_t i = start; i < start + count; ++i) {
        const uint32_t t = (k2 | 2u) & 0xFFFFu;
        const unsigned char p = buf[i];
        buf[i] = p ^ uint8_t(((t * (t ^ 1u)) & 0xFFFFu) >> 8);
        k0 = uint32_t(tab[(k0 ^ p) & 0xFF]) ^ (k0 >> 8);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1u;
        k2 = uint32_t(tab[(k2 ^ (k1 >> 24)) & 0xFF]) ^ (k2 >> 8);
    }
    key0 = k0;
    key1 = k1;
    key2 = k2;
}

void ClassicKeys::DecryptBuffer(unsigned char* buf, size_t count)
{
    const z_crc_t* tab = CrcTable();
    uint32_t k0 = key0, k1 = key1, k2 = key2;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t t = (k2 | 2u) & 0xFFFFu;
        const unsigned char p = buf[i] ^ uint8_t(((t * (t ^ 1u)) & 0xFFFFu) >> 8);
        buf[i] = p;
        k0 = uint32_t(tab[(k0 ^ p) & 0xFF]) ^ (k0 >> 8);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1u;
        k2 = uint32_t(tab[(k2 ^ (k1 >> 24)) & 0xFF]) ^ (k2 >> 8);
    }
    key0 = k0;
    key1 = k1;
    key2 = k2;
}

void ClassicDecryptHeader(const std::string& password, ClassicKeys& keys, unsigned char header[12])
{
    keys.Init(password);
    keys.DecryptBuffer(header, 12);
}

bool ClassicPasswordCheck(const std::string& password, const unsigned char header[12], ClassicKeys& keys, uint32_t crc,
                          uint16_t dosTime, uint16_t flags)
{
    unsigned char h[12];
    std::copy(header, header + 12, h);
    ClassicDecryptHeader(password, keys, h);
    const unsigned char check = (flags & 0x0008) ? uint8_t(dosTime >> 8) : uint8_t(crc >> 24);
    return h[11] == check;
}

std::vector<unsigned char> ClassicCipher::StartEncrypt(const std::string& password, const EntryCipherInfo& info)
{
    std::vector<unsigned char> h(12);
    if (randomSource)
        randomSource(h.data(), 10);
    else
        SystemRandomBytes(h.data(), 10);
    if (info.flags & 0x0008) {
        h[10] = 0;
        h[11] = uint8_t(info.dosTime >> 8);
    } else {
        h[10] = uint8_t(info.crc >> 16);
        h[11] = uint8_t(info.crc >> 24);
    }
    keys_.Init(password);
    keys_.EncryptBuffer(h.data(), 0, 12);
    return h;
}

bool ClassicCipher::StartDecrypt(const std::string& password, const unsigned char* header, const EntryCipherInfo& info)
{
    return ClassicPasswordCheck(password, header, keys_, info.crc, info.dosTime, info.flags);
}

} // namespace hsa::zip
