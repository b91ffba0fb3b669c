// AES entries exchanged with the 7z command-line tool in both directions:
// archives written here with the transform must pass `7z t`, and entries of
// archives 7z made must decrypt through the transform byte for byte.

#include <gtest/gtest.h>
#include <zlib.h>


#include "cryptotestutil.h"
#include "scratchfiles.h"
#include "zip/crypto/aestransform.h"

namespace hsa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadFile;
using test::ScratchFolder;
using test::SevenZipAvailable;
using test::Shell;
using test::WriteFile;

std::uint32_t Crc32(const Bytes& data) { return std::uint32_t(crc32(0L, data.data(), uInt(data.size()))); }

Bytes RawDeflate(const Bytes& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, uLong(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes RawInflate(const Bytes& data, std::size_t expected) {
    z_stream z{};
    inflateInit2(&z, -15);
    Bytes out(expected + 1);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    // Altered data may fail to inflate; the caller compares what came out.
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) out.clear();
    else out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

void Put16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
unsigned Get16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Get32(const Bytes& b, std::size_t at) { return Get16(b, at) | (std::uint32_t(Get16(b, at + 2)) << 16); }

// A single-entry archive written the way the engine writes an AES entry.
Bytes BuildAesZip(const std::string& name, const Bytes& plain, const std::string& password, int keyBits,
                  std::uint16_t method, std::uint16_t vendorVersion) {
    const Bytes packed = method == 8 ? RawDeflate(plain) : plain;
    TAESCryptoTransform t(keyBits, method, vendorVersion);
    t.SetMode(kCryptoEncrypt);
    t.AssignPassword(password);
    Bytes data = t.GetHeader();
    Bytes body = packed;
    // The engine enciphers piece by piece; do the same with an odd piece size.
    for (std::size_t pos = 0; pos < body.size(); pos += 1000)
        t.EncryptBuffer(body.data() + pos, body.data() + pos, std::min<std::size_t>(1000, body.size() - pos));
    data.insert(data.end(), body.begin(), body.end());
    const Bytes code = t.FinishAuthCode();
    data.insert(data.end(), code.begin(), code.end());

    const auto extra = t.GetExtraField().Bytes();
    const std::uint32_t crc = AesCrcToStore(vendorVersion, Crc32(plain));
    const std::uint16_t dosTime = 0x6000, dosDate = 0x5821;

    Bytes zip;
    Put32(zip, 0x04034B50);
    Put16(zip, kAesVersionNeeded);
    Put16(zip, 1);                       // encrypted
    Put16(zip, kAesCompressionMethod);
    Put16(zip, dosTime);
    Put16(zip, dosDate);
    Put32(zip, crc);
    Put32(zip, std::uint32_t(data.size()));
    Put32(zip, std::uint32_t(plain.size()));
    Put16(zip, unsigned(name.size()));
    Put16(zip, unsigned(extra.size()));
    zip.insert(zip.end(), name.begin(), name.end());
    zip.insert(zip.end(), extra.begin(), extra.end());
    zip.insert(zip.end(), data.begin(), data.end());

    const std::uint32_t centralStart = std::uint32_t(zip.size());
    Put32(zip, 0x02014B50);
    Put16(zip, 63);                      // made by: version 6.3, DOS attributes
    Put16(zip, kAesVersionNeeded);
    Put16(zip, 1);
    Put16(zip, kAesCompressionMethod);
    Put16(zip, dosTime);
    Put16(zip, dosDate);
    Put32(zip, crc);
    Put32(zip, std::uint32_t(data.size()));
    Put32(zip, std::uint32_t(plain.size()));
    Put16(zip, unsigned(name.size()));
    Put16(zip, unsigned(extra.size()));
    Put16(zip, 0);                       // comment
    Put16(zip, 0);                       // disk
    Put16(zip, 0);                       // internal attributes
    Put32(zip, 0x20);                    // archive bit
    Put32(zip, 0);                       // local header offset
    zip.insert(zip.end(), name.begin(), name.end());
    zip.insert(zip.end(), extra.begin(), extra.end());
    const std::uint32_t centralSize = std::uint32_t(zip.size()) - centralStart;

    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, 1);
    Put16(zip, 1);
    Put32(zip, centralSize);
    Put32(zip, centralStart);
    Put16(zip, 0);
    return zip;
}

Bytes SampleText(std::size_t size, unsigned seed) {
    // Compressible like a class list, with some noise so deflate has work.
    std::mt19937 rng(seed);
    const std::string words[] = {"Mathematik ", "Deutsch ", "Englisch ", "Note ", "2,3 ", "Klasse 10a\r\n", "Müller "};
    Bytes out;
    while (out.size() < size) {
        const std::string& w = words[rng() % 7];
        out.insert(out.end(), w.begin(), w.end());
        if (rng() % 5 == 0) out.push_back(std::uint8_t(rng()));
    }
    out.resize(size);
    return out;
}

struct Written {
    int keyBits;
    std::uint16_t method;
    std::uint16_t vendorVersion;
};

class WrittenForSevenZip : public ::testing::TestWithParam<Written> {
protected:
    void SetUp() override {
        if (!SevenZipAvailable()) GTEST_SKIP() << "7z is not installed";
    }
};

TEST_P(WrittenForSevenZip, PassesTheTestAndExtractsWithTheRightPasswordOnly) {
    const Written w = GetParam();
    ScratchFolder folder;
    const Bytes plain = SampleText(150000, unsigned(w.keyBits + w.method + w.vendorVersion));
    const fs::path archive = folder / "noten.zip";
    WriteFile(archive, BuildAesZip("noten.txt", plain, "Abi2024!", w.keyBits, w.method, w.vendorVersion));

    EXPECT_EQ(Shell("7z t -pAbi2024! '" + archive.string() + "'"), 0);
    EXPECT_EQ(Shell("7z x -y -pAbi2024! '-o" + (folder / "out").string() + "' '" + archive.string() + "'"), 0);
    EXPECT_EQ(ReadFile(folder / "out" / "noten.txt"), plain);

    EXPECT_NE(Shell("7z t -pabi2024! '" + archive.string() + "'"), 0) << "wrong password accepted";

    // One altered byte in the middle of the encrypted data.
    Bytes tampered = ReadFile(archive);
    const std::size_t dataStart = 30 + 9 + 11 + AesHeaderSizeForKeyBits(w.keyBits);
    tampered[dataStart + 500] ^= 0x10;
    const fs::path damaged = folder / "beschaedigt.zip";
    WriteFile(damaged, tampered);
    EXPECT_NE(Shell("7z t -pAbi2024! '" + damaged.string() + "'"), 0) << "altered data accepted";
}

INSTANTIATE_TEST_SUITE_P(Entries, WrittenForSevenZip,
                         ::testing::Values(Written{128, 0, 2}, Written{192, 0, 2}, Written{256, 0, 2},
                                           Written{128, 8, 2}, Written{192, 8, 2}, Written{256, 8, 2},
                                           Written{256, 8, 1}, Written{128, 0, 1}),
                         [](const auto& info) {
                             return "Aes" + std::to_string(info.param.keyBits) +
                                    (info.param.method == 8 ? "Deflated" : "Stored") + "Ae" +
                                    std::to_string(info.param.vendorVersion);
                         });

TEST(WrittenForSevenZipEmpty, AnEmptyEntryIsHeaderAndCodeOnly) {
    if (!SevenZipAvailable()) GTEST_SKIP() << "7z is not installed";
    ScratchFolder folder;
    const Bytes zip = BuildAesZip("leer.txt", Bytes{}, "pw", 256, 0, 2);
    EXPECT_EQ(Get32(zip, 18), 28u);
    const fs::path archive = folder / "leer.zip";
    WriteFile(archive, zip);
    EXPECT_EQ(Shell("7z t -ppw '" + archive.string() + "'"), 0);
}

// The one entry of an archive made by 7z, found through its central header.
struct SevenZipEntry {
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0, size = 0;
    std::size_t dataOffset = 0;
    std::optional<AesExtraField> aes;
};

SevenZipEntry ReadSingleEntry(const Bytes& zip) {
    SevenZipEntry e;
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(Get32(zip, end), 0x06054B50u);
    const std::size_t central = Get32(zip, end + 16);
    EXPECT_EQ(Get32(zip, central), 0x02014B50u);
    e.method = std::uint16_t(Get16(zip, central + 10));
    e.crc = Get32(zip, central + 16);
    e.compressedSize = Get32(zip, central + 20);
    e.size = Get32(zip, central + 24);
    const std::size_t local = Get32(zip, central + 42);
    EXPECT_EQ(Get32(zip, local), 0x04034B50u);
    const std::size_t nameLength = Get16(zip, local + 26), extraLength = Get16(zip, local + 28);
    const std::size_t extraStart = local + 30 + nameLength;
    e.aes = FindAesExtraField(std::span(zip).subspan(extraStart, extraLength));
    e.dataOffset = extraStart + extraLength;
    return e;
}

struct Extracted {
    bool passwordOk = false;
    bool damaged = true;
    Bytes plain;
};

Extracted Extract(const Bytes& zip, const std::string& password) {
    Extracted x;
    const SevenZipEntry e = ReadSingleEntry(zip);
    if (!e.aes) return x;
    const auto length = AesEncryptedDataLength(e.compressedSize, e.aes->KeyBits(), zip.size() - e.dataOffset);
    if (!length) return x;
    TAESCryptoTransform t(e.aes->KeyBits(), e.aes->actualMethod, e.aes->vendorVersion);
    t.SetMode(kCryptoDecrypt);
    t.ReadHeader(std::span(zip).subspan(e.dataOffset, t.GetHeaderSize()));
    x.passwordOk = t.CheckPassword(password);
    if (!x.passwordOk) return x;
    Bytes data(zip.begin() + std::ptrdiff_t(e.dataOffset + t.GetHeaderSize()),
               zip.begin() + std::ptrdiff_t(e.dataOffset + t.GetHeaderSize() + *length));
    for (std::size_t pos = 0; pos < data.size(); pos += 4096)
        t.DecryptBuffer(data.data() + pos, data.data() + pos, std::min<std::size_t>(4096, data.size() - pos));
    x.plain = e.aes->actualMethod == 8 ? RawInflate(data, e.size) : data;
    t.ReadAuthCode(std::span(zip).subspan(e.dataOffset + e.compressedSize - 10, 10));
    x.damaged = t.AuthCodeDiffers(e.crc, Crc32(x.plain));
    return x;
}

struct Made {
    int keyBits;
    int level;   // 0 stored, 5 deflated
};

class MadeBySevenZip : public ::testing::TestWithParam<Made> {
protected:
    void SetUp() override {
        if (!SevenZipAvailable()) GTEST_SKIP() << "7z is not installed";
    }
};

TEST_P(MadeBySevenZip, ExtractsByteIdenticalAndDetectsWrongPasswordsAndAlteredBytes) {
    const Made m = GetParam();
    ScratchFolder folder;
    const Bytes plain = SampleText(200000, unsigned(m.keyBits * 10 + m.level));
    WriteFile(folder / "klasse.txt", plain);
    const fs::path archive = folder / "klasse.zip";
    ASSERT_EQ(Shell("cd '" + (folder / "").string() + "' && 7z a -tzip -mem=AES" + std::to_string(m.keyBits) +
                  " -mx" + std::to_string(m.level) + " -pSchule#1 klasse.zip klasse.txt"),
              0);
    const Bytes zip = ReadFile(archive);
    const SevenZipEntry e = ReadSingleEntry(zip);
    ASSERT_TRUE(e.aes);
    EXPECT_EQ(e.method, kAesCompressionMethod);
    EXPECT_EQ(e.aes->KeyBits(), m.keyBits);
    EXPECT_EQ(e.aes->actualMethod, m.level == 0 ? 0 : 8);

    const Extracted x = Extract(zip, "Schule#1");
    EXPECT_TRUE(x.passwordOk);
    EXPECT_FALSE(x.damaged);
    EXPECT_EQ(x.plain, plain);

    for (const char* wrong : {"schule#1", "Schule#2", ""}) {
        const Extracted bad = Extract(zip, wrong);
        EXPECT_FALSE(bad.passwordOk && !bad.damaged) << wrong;
    }

    Bytes tampered = zip;
    tampered[e.dataOffset + AesHeaderSizeForKeyBits(m.keyBits) + 100] ^= 0x04;
    const Extracted altered = Extract(tampered, "Schule#1");
    EXPECT_TRUE(altered.passwordOk);
    EXPECT_TRUE(altered.damaged);
}

INSTANTIATE_TEST_SUITE_P(Archives, MadeBySevenZip,
                         ::testing::Values(Made{128, 0}, Made{192, 0}, Made{256, 0}, Made{128, 5}, Made{192, 5},
                                           Made{256, 5}),
                         [](const auto& info) {
                             return "Aes" + std::to_string(info.param.keyBits) +
                                    (info.param.level == 0 ? "Stored" : "Deflated");
                         });

TEST(MadeBySevenZipSizes, ACompressedSizeBeyondTheArchiveIsCaughtBeforeDecrypting) {
    if (!SevenZipAvailable()) GTEST_SKIP() << "7z is not installed";
    ScratchFolder folder;
    WriteFile(folder / "a.txt", SampleText(1000, 1));
    ASSERT_EQ(Shell("cd '" + (folder / "").string() + "' && 7z a -tzip -mem=AES256 -pX a.zip a.txt"), 0);
    const Bytes zip = ReadFile(folder / "a.zip");
    const SevenZipEntry e = ReadSingleEntry(zip);
    const std::uint64_t available = zip.size() - e.dataOffset;
    EXPECT_TRUE(AesEncryptedDataLength(e.compressedSize, 256, available));
    EXPECT_FALSE(AesEncryptedDataLength(available + 1, 256, available));
    EXPECT_FALSE(AesEncryptedDataLength(27, 256, available));
}

}  // namespace
}  // namespace hsa
