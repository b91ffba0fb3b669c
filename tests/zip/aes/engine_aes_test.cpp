// AES entries through ZipArchiver with nothing registered by hand: what the
// archiver writes passes `7z t`, what 7z writes extracts byte for byte, and
// altered bytes and sizes are caught before anything is deciphered.
#include <gtest/gtest.h>

#include "support/archives.h"
#include "zip/ziprecords.h"

#include <zlib.h>

namespace hsa::zip {
namespace {

using namespace test;

const std::pair<CryptoAlgorithm, int> kAlgos[] = {
    {CryptoAlgorithm::AES128, 128}, {CryptoAlgorithm::AES192, 192}, {CryptoAlgorithm::AES256, 256}};

int SevenZip(const std::string& args) { return RunShell("7z " + args + " >/dev/null").status; }

// Failures end the run; password questions are counted and skipped.
struct Answers {
    int asked = 0;
    FailureLog failures;
    void Attach(ZipArchiver& z)
    {
        failures.Attach(z, ZAAction::Abort);
        z.OnPassword = [this](ZABaseArchiver&, const std::string&, std::string&, bool& skip) {
            ++asked;
            skip = true;
        };
    }
};

// Extracts every entry with the password; the number of files written.
int ExtractAll(const std::string& archive, const std::string& out, Answers* answers = nullptr)
{
    ZipArchiver z;
    Answers none;
    (answers ? *answers : none).Attach(z);
    Open(z, archive, "pw");
    z.SetBaseDir(out);
    int n = 0;
    NativeErrorOf([&] { n = z.ExtractFiles("*"); });
    EXPECT_EQ(ListTree(out).size(), size_t(n));
    return n;
}

// Where the pieces of the first entry lie in an archive without comment.
struct Layout {
    size_t local = 0, central = 0, dataStart = 0, localAes = 0, centralAes = 0;
    explicit Layout(const std::string& zip)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(zip.data());
        central = Get32(p + zip.size() - kEndRecordSize + 16);
        local = Get32(p + central + 42);
        dataStart = local + 30 + Get16(p + local + 26) + Get16(p + local + 28);
        localAes = zip.find(std::string("\x01\x99\x07\x00", 4), local);
        centralAes = zip.find(std::string("\x01\x99\x07\x00", 4), central);
    }
};

void Patch16(std::string& zip, size_t at, uint16_t v) { Put16(reinterpret_cast<unsigned char*>(&zip[at]), v); }
void Patch32(std::string& zip, size_t at, uint32_t v) { Put32(reinterpret_cast<unsigned char*>(&zip[at]), v); }
uint32_t At32(const std::string& zip, size_t at) { return Get32(reinterpret_cast<const unsigned char*>(&zip[at])); }

class EngineAes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("7z"))
            GTEST_SKIP() << "7z is not installed";
    }
    TempDir dir;
};

TEST_F(EngineAes, WhatTheArchiverWritesPassesSevenZipAndWhatSevenZipWritesExtracts)
{
    LayOut(dir / "src", {{"noten.txt", TextBytes(90000, 1)}, {"kurz.txt", "x"}, {"leer.txt", ""}});
    for (const auto& [algorithm, bits] : kAlgos) {
        for (int mode : {0, 6}) {
            const std::string name = std::to_string(bits) + "_" + std::to_string(mode);
            SCOPED_TRACE("AES-" + name);
            const std::string archive = dir / ("aes" + name + ".zip"), seven = dir / ("7z" + name + ".zip");
            PackFolder(archive, dir / "src", "pw", mode, algorithm);
            EXPECT_EQ(SevenZip("t -ppw " + Quote(archive)), 0);
            EXPECT_NE(SevenZip("t -pPW " + Quote(archive)), 0);
            ASSERT_EQ(SevenZip("x -y -ppw " + Quote("-o" + dir / ("out" + name)) + " " + Quote(archive)), 0);
            EXPECT_EQ(ListTree(dir / ("out" + name)), ListTree(dir / "src"));
            EXPECT_EQ(ReadFile(dir / ("out" + name + "/noten.txt")), TextBytes(90000, 1));
            // The AES field names the real method; two entries never share a salt.
            const std::string zip = ReadFile(archive);
            const auto* p = reinterpret_cast<const unsigned char*>(zip.data());
            EXPECT_EQ(Get16(p + Layout(zip).localAes + 9), mode ? 8 : 0);
            ZipArchiver z;
            Open(z, archive);
            auto salt = [&](int i) {
                const size_t at = z.Entry(i).localOffset;
                return zip.substr(at + 30 + Get16(p + at + 26) + Get16(p + at + 28), 16);
            };
            EXPECT_NE(salt(0), salt(1));

            // The other way round: 7z writes, the archiver tests passwords and extracts.
            ASSERT_EQ(SevenZip("a -tzip -mem=AES" + std::to_string(bits) + " -mx" + (mode ? "5" : "0") + " -ppw "
                               + Quote(seven) + " " + Quote(dir / "src/noten.txt")),
                      0);
            Open(z, seven);
            EXPECT_EQ(z.Entry(0).encryption, algorithm);
            // The password test reads the entry by the method in its AES field.
            EXPECT_TRUE(z.TestFilePassword("noten.txt", "pw"));
            EXPECT_FALSE(z.TestFilePassword("noten.txt", "PW"));
            EXPECT_FALSE(z.TestFilePassword("noten.txt", ""));
            EXPECT_EQ(z.Password(), "");   // untouched by the tests
            Answers ans;
            EXPECT_EQ(ExtractAll(seven, dir / ("back" + name), &ans), 1);
            EXPECT_EQ(ReadFile(dir / ("back" + name + "/noten.txt")), TextBytes(90000, 1));
            EXPECT_EQ(ans.asked, 0);
        }
    }
}

TEST_F(EngineAes, AlteredBytesAndSizesWithoutRoomForSaltAndCodeAreDetected)
{
    WriteFile(dir / "src/noten.txt", TextBytes(40000, 7));
    PackFolder(dir / "a.zip", dir / "src", "pw", 0, CryptoAlgorithm::AES256);
    const std::string good = ReadFile(dir / "a.zip");
    const Layout l(good);
    const size_t comp = At32(good, l.local + 18);
    ASSERT_EQ(ExtractAll(dir / "a.zip", dir / "ok"), 1);

    const std::pair<const char*, size_t> spots[] = {
        {"data", l.dataStart + 18 + 20000}, {"authentication code", l.dataStart + comp - 3},
        {"first data byte", l.dataStart + 18}, {"verifier", l.dataStart + 16}, {"sizes", 0}};
    int n = 0;
    for (const auto& [what, at] : spots) {
        SCOPED_TRACE(what);
        std::string bad = good;
        if (at) {
            bad[at] = char(bad[at] ^ 0x20);
        } else {
            // 20 bytes cannot hold 16 salt bytes, the verifier and the 10-byte code.
            Patch32(bad, l.local + 18, 20);
            Patch32(bad, l.central + 20, 20);
            Patch32(bad, l.local + 22, 0);
            Patch32(bad, l.central + 24, 0);
        }
        const std::string file = dir / ("bad" + std::to_string(n) + ".zip");
        WriteFile(file, bad);
        Answers a;
        EXPECT_EQ(ExtractAll(file, dir / ("badout" + std::to_string(n++)), &a), 0);
        EXPECT_EQ(a.asked, at == l.dataStart + 16 ? 1 : 0);   // only a bad verifier looks like a wrong password
        ZipArchiver z;
        Open(z, file);
        EXPECT_FALSE(z.TestFilePassword("noten.txt", "pw"));
        EXPECT_NE(SevenZip("t -ppw " + Quote(file)), 0);
    }
}

TEST_F(EngineAes, AnAe1EntryIsCheckedByCodeAndCrcAnAe2EntryByCodeAlone)
{
    const std::string plain = TextBytes(25000, 9);
    WriteFile(dir / "src/noten.txt", plain);
    PackFolder(dir / "e.zip", dir / "src", "pw", 6, CryptoAlgorithm::AES128);
    const std::string ae2 = ReadFile(dir / "e.zip");
    const Layout l(ae2);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(plain.data()), uInt(plain.size())));
    const struct {
        const char* what;
        uint16_t vendor;
        uint32_t crc;
        int extracted;
    } cases[] = {{"AE-1 with its CRC", 1, crc, 1},
                 {"AE-1 with a wrong CRC", 1, crc ^ 0x100, 0},
                 {"AE-2 with CRC 0", 2, 0, 1},
                 {"AE-2 with a stray CRC", 2, crc ^ 0x100, 1}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string zip = ae2;
        Patch16(zip, l.localAes + 4, c.vendor);
        Patch16(zip, l.centralAes + 4, c.vendor);
        Patch32(zip, l.local + 14, c.crc);
        Patch32(zip, l.central + 16, c.crc);
        const std::string file = dir / ("v" + std::to_string(n) + ".zip");
        WriteFile(file, zip);
        const std::string out = dir / ("vout" + std::to_string(n++));
        EXPECT_EQ(ExtractAll(file, out), c.extracted);
        EXPECT_EQ(ReadFile(out + "/noten.txt"), c.extracted ? plain : "");
    }
}

TEST_F(EngineAes, AddingToAnAesArchiveKeepsTheOldEntriesReadable)
{
    WriteFile(dir / "src/a.txt", TextBytes(10000, 10));
    PackFolder(dir / "m.zip", dir / "src", "pw", 6, CryptoAlgorithm::AES256);
    WriteFile(dir / "more/b.txt", TextBytes(12000, 11));
    ZipArchiver z;
    z.EncryptionMethod = CryptoAlgorithm::AES128;
    Open(z, dir / "m.zip", "pw");
    z.SetBaseDir(dir / "more");
    EXPECT_EQ(z.AddFiles(dir / "more/b.txt"), 1);
    z.CloseArchive();
    EXPECT_EQ(SevenZip("t -ppw " + Quote(dir / "m.zip")), 0);
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 2);
    EXPECT_EQ(z.Entry(0).encryption, CryptoAlgorithm::AES256);
    EXPECT_EQ(z.Entry(1).encryption, CryptoAlgorithm::AES128);
    EXPECT_EQ(z.TestFiles("*"), 2);
}

} // namespace
} // namespace hsa::zip
