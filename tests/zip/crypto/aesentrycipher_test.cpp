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

struct Deciphered {
    bool passwordOk = false;
    bool trailerOk = false;
    Bytes data;
};

Deciphered Decipher(EntryCipher& cipher, const std::string& password, const Bytes& entry, std::size_t piece) {
    Deciphered d;
    EntryCipherInfo info;
    info.actualMethod = 8;
    d.passwordOk = cipher.StartDecrypt(password, entry.data(), info);
    if (!d.passwordOk) return d;
    const std::size_t header = cipher.HeaderSize(), trailer = cipher.TrailerSize();
    d.data.assign(entry.begin() + std::ptrdiff_t(header), entry.end() - std::ptrdiff_t(trailer));
    for (std::size_t pos = 0; pos < d.data.size(); pos += piece)
        cipher.Decrypt(d.data.data() + pos, std::min(piece, d.data.size() - pos));
    d.trailerOk = cipher.CheckTrailer(entry.data() + entry.size() - trailer, trailer);
    return d;
}

TEST(AesEntryCipher, RoundTripsInEnginePiecesAndCatchesWrongPasswordsAndAlteredBytes) {
    std::mt19937 rng(11);
    const Bytes packed = test::RandomBytes(rng, 300000);
    AesEntryCipher writer(CryptoAlgorithm::AES256, 8);
    const Bytes entry = Encipher(writer, "Zeugnis", packed, 65536);
    EXPECT_EQ(entry.size(), packed.size() + 28);

    AesEntryCipher reader(CryptoAlgorithm::AES256, 8);
    Deciphered d = Decipher(reader, "Zeugnis", entry, 256 * 1024);
    EXPECT_TRUE(d.passwordOk);
    EXPECT_TRUE(d.trailerOk);
    EXPECT_EQ(d.data, packed);

    // A wrong password first, then the right one on the same cipher object.
    AesEntryCipher retry(CryptoAlgorithm::AES256, 8);
    EXPECT_FALSE(Decipher(retry, "zeugnis", entry, 4096).passwordOk);
    d = Decipher(retry, "Zeugnis", entry, 4096);
    EXPECT_TRUE(d.passwordOk);
    EXPECT_TRUE(d.trailerOk);

    Bytes altered = entry;
    altered[20000] ^= 0x40;
    AesEntryCipher check(CryptoAlgorithm::AES256, 8);
    d = Decipher(check, "Zeugnis", altered, 4096);
    EXPECT_TRUE(d.passwordOk);
    EXPECT_FALSE(d.trailerOk);

    AesEntryCipher shortTrailer(CryptoAlgorithm::AES256, 8);
    ASSERT_TRUE(shortTrailer.StartDecrypt("Zeugnis", entry.data(), EntryCipherInfo{}));
    EXPECT_FALSE(shortTrailer.CheckTrailer(entry.data() + entry.size() - 9, 9));
}

TEST(AesEntryCipher, AnAe1EntryLeavesTheCrcCheckToTheEngineAndStoresItsCrc) {
    std::vector<ExtraField> extra = {{0x0001, Bytes(16, 0)}, {0x9901, test::FromHex("01004145010000")}};
    EXPECT_EQ(AesVendorVersionOf(extra), 1);
    EXPECT_EQ(AesVendorVersionOf({}), 2);
    EXPECT_EQ(AesVendorVersionOf({{0x9901, test::FromHex("0100")}}), 2) << "a damaged field counts as absent";

    auto ae1 = MakeAesEntryCipher(CryptoAlgorithm::AES128, 0, AesVendorVersionOf(extra));
    EXPECT_FALSE(ae1->ReplacesCrcCheck());
    EXPECT_EQ(ae1->CrcToStore(0xDEADBEEF), 0xDEADBEEFu);
    EXPECT_EQ(ToHex(ae1->EntryExtraField()->data), "01004145010000");
    AesEntryCipher ae2(CryptoAlgorithm::AES128, 0, 2);
    EXPECT_EQ(ae2.CrcToStore(0xDEADBEEF), 0u);
    EXPECT_TRUE(ae2.ReplacesCrcCheck());

    const Bytes entry = Encipher(*ae1, "pw", test::Text("Jahresnoten"), 3);
    auto reader = MakeAesEntryCipher(CryptoAlgorithm::AES128, 0, 1);
    const Deciphered d = Decipher(*reader, "pw", entry, 5);
    EXPECT_TRUE(d.trailerOk);
    EXPECT_EQ(d.data, test::Text("Jahresnoten"));
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
