// The AES transform driven through the engine's entry-cipher interface, the
// way the compression and extraction paths drive it.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "zip/crypto/aesentrycipher.h"

namespace hsa::zip {
namespace {

using test::Bytes;
using test::ToHex;

// Header, data enciphered piece by piece, trailer.
Bytes Encipher(EntryCipher& cipher, const std::string& password, const Bytes& packed, std::size_t piece) {
    EntryCipherInfo info;
    info.actualMethod = 8;
    Bytes entry = cipher.StartEncrypt(password, info);
    EXPECT_EQ(entry.size(), cipher.HeaderSize());
    Bytes body = packed;
    for (std::size_t pos = 0; pos < body.size(); pos += piece)
        cipher.Encrypt(body.data() + pos, std::min(piece, body.size() - pos));
    entry.insert(entry.end(), body.begin(), body.end());
    const Bytes trailer = cipher.FinishEncrypt();
    EXPECT_EQ(trailer.size(), cipher.TrailerSize());
    entry.insert(entry.end(), trailer.begin(), trailer.end());
    return entry;
}

TEST(AesEntryCipher, AFactoryMadeReaderJudgesTheCrcCheckByTheStoredCrc) {
    RegisterAesEntryCiphers();
    auto writer = CreateEntryCipher(CryptoAlgorithm::AES192, 8);
    const Bytes entry = Encipher(*writer, "pw", test::Text("Daten"), 4);

    // AE-2: CRC field 0, the code alone decides.
    auto ae2 = CreateEntryCipher(CryptoAlgorithm::AES192, 8);
    EntryCipherInfo info;
    info.crc = 0;
    ASSERT_TRUE(ae2->StartDecrypt("pw", entry.data(), info));
    EXPECT_TRUE(ae2->ReplacesCrcCheck());

    // AE-1: a real CRC in the field, compared by the engine as well.
    auto ae1 = CreateEntryCipher(CryptoAlgorithm::AES192, 8);
    info.crc = 0x1F2E3D4C;
    ASSERT_TRUE(ae1->StartDecrypt("pw", entry.data(), info));
    EXPECT_FALSE(ae1->ReplacesCrcCheck());
}

}  // namespace
}  // namespace hsa::zip
