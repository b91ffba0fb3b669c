// AES entries through ZipArchiver with nothing registered by hand: what the
// archiver writes passes `7z t`, what 7z writes extracts byte for byte,
// wrong passwords and altered bytes are caught, and the sizes of an entry
// are checked before anything is deciphered.

#include <gtest/gtest.h>

#include "support/ziptestsupport.h"
#include "zip/archiver.h"
#include "zip/ziprecords.h"
#include "zip/zaerrors.h"

#include <map>
#include <zlib.h>

namespace hsa::zip {
namespace {

using test::HaveTool;
using test::Quote;
using test::ReadFile;
using test::RunShell;
using test::TempDir;
using test::TextBytes;
using test::WriteFile;

struct Algo {
    CryptoAlgorithm algorithm;
    int bits;
};
const Algo kAlgos[] = {{CryptoAlgorithm::AES128, 128}, {CryptoAlgorithm::AES192, 192}, {CryptoAlgorithm::AES256, 256}};

int SevenZip(const std::string& args) { return RunShell("7z " + args + " >/dev/null").status; }

// Failures end the run; the password question is answered from a list
// (empty list: skip), and the questions are counted.
struct Answers {
    std::vector<std::string> passwords;
    int asked = 0;
};
void Script(ZipArchiver& z, Answers& a)
{
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                ZAAction& action) { action = ZAAction::Abort; };
    z.OnPassword = [&a](ZABaseArchiver&, const std::string&, std::string& pw, bool& skip) {
        skip = a.asked >= int(a.passwords.size());
        if (!skip)
            pw = a.passwords[size_t(a.asked)];
        ++a.asked;
    };
}

void WriteAesArchive(const std::string& archive, const std::string& srcFolder, CryptoAlgorithm algo, int mode,
                     const std::string& password)
{
    ZipArchiver z;
    Answers a;
    Script(z, a);
    z.EncryptionMethod = algo;
    z.SetCompressionMode(mode);
    z.SetFileName(archive);
    z.SetPassword(password);
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(srcFolder);
    ASSERT_GT(z.AddFiles(srcFolder + "/*.*"), 0);
    z.CloseArchive();
}

// Where the pieces of the first entry lie in an archive without comment.
struct Layout {
    size_t local = 0, central = 0, dataStart = 0, localAes = 0, centralAes = 0;
};
Layout Locate(const std::string& zip)
{
    const auto* p = reinterpret_cast<const unsigned char*>(zip.data());
    Layout l;
    const size_t end = zip.size() - kEndRecordSize;
    EXPECT_EQ(Get32(p + end), sig::End);
    l.central = Get32(p + end + 16);
    l.local = Get32(p + l.central + 42);
    const size_t nameLen = Get16(p + l.local + 26), extraLen = Get16(p + l.local + 28);
    l.dataStart = l.local + 30 + nameLen + extraLen;
    l.localAes = zip.find(std::string("\x01\x99\x07\x00", 4), l.local);
    l.centralAes = zip.find(std::string("\x01\x99\x07\x00", 4), l.central);
    EXPECT_LT(l.localAes, l.dataStart);
    EXPECT_NE(l.centralAes, std::string::npos);
    return l;
}

void Patch16(std::string& zip, size_t at, uint16_t v) { Put16(reinterpret_cast<unsigned char*>(&zip[at]), v); }
void Patch32(std::string& zip, size_t at, uint32_t v) { Put32(reinterpret_cast<unsigned char*>(&zip[at]), v); }

class EngineAes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("7z"))
            GTEST_SKIP() << "7z is not installed";
    }
    TempDir dir;
};

TEST_F(EngineAes, EntriesTheArchiverWritesPassSevenZipWithTheRightPasswordOnly)
{
    const std::string noten = TextBytes(90000, 1), kurz = "x";
    WriteFile(dir / "src/noten.txt", noten);
    WriteFile(dir / "src/kurz.txt", kurz);
    for (const Algo& a : kAlgos) {
        for (int mode : {0, 6}) {
            SCOPED_TRACE("AES-" + std::to_string(a.bits) + (mode ? " deflated" : " stored"));
            const std::string archive = dir / ("aes" + std::to_string(a.bits) + "_" + std::to_string(mode) + ".zip");
            WriteAesArchive(archive, dir / "src", a.algorithm, mode, "Schule#1");
            EXPECT_EQ(SevenZip("t -pSchule#1 " + Quote(archive)), 0);
            EXPECT_NE(SevenZip("t -pSchule#2 " + Quote(archive)), 0);
            const std::string out = dir / ("out" + std::to_string(a.bits) + "_" + std::to_string(mode));
            ASSERT_EQ(SevenZip("x -y -pSchule#1 " + Quote("-o" + out) + " " + Quote(archive)), 0);
            EXPECT_EQ(ReadFile(out + "/noten.txt"), noten);
            EXPECT_EQ(ReadFile(out + "/kurz.txt"), kurz);
            // The password test reads the entry by the method in its AES field.
            ZipArchiver z;
            z.SetFileName(archive);
            z.OpenArchive();
            EXPECT_TRUE(z.TestFilePassword("noten.txt", "Schule#1"));
            EXPECT_FALSE(z.TestFilePassword("noten.txt", "Schule#2"));
            EXPECT_FALSE(z.TestFilePassword("noten.txt", ""));
            EXPECT_EQ(z.Password(), "");   // untouched by the tests

            // Both headers: method 99, CRC 0 (AE-2), the 0x9901 field with
            // vendor 2, "AE", the strength and the real method.
            const std::string zip = ReadFile(archive);
            const auto* p = reinterpret_cast<const unsigned char*>(zip.data());
            const Layout l = Locate(zip);
            EXPECT_EQ(Get16(p + l.local + 8), 99);
            EXPECT_EQ(Get16(p + l.central + 10), 99);
            EXPECT_EQ(Get32(p + l.local + 14), 0u);
            EXPECT_EQ(Get32(p + l.central + 16), 0u);
            for (size_t f : {l.localAes, l.centralAes}) {
                EXPECT_EQ(Get16(p + f + 4), 2);
                EXPECT_EQ(zip.substr(f + 6, 2), "AE");
                EXPECT_EQ(p[f + 8], a.bits / 64 - 1);
                EXPECT_EQ(Get16(p + f + 9), mode ? 8 : 0);
            }
            // Salt, verifier and code around the data.
            const uint32_t comp = Get32(p + l.local + 18);
            if (mode == 0) {
                EXPECT_EQ(comp, Get32(p + l.local + 22) + uint32_t(a.bits / 16 + 2 + 10));
            }
        }
    }
}

TEST_F(EngineAes, AnEmptyFileIsSaltVerifierAndCodeOnly)
{
    WriteFile(dir / "e/leer.txt", "");
    WriteAesArchive(dir / "leer.zip", dir / "e", CryptoAlgorithm::AES256, 6, "pw");
    EXPECT_EQ(SevenZip("t -ppw " + Quote(dir / "leer.zip")), 0);
    const std::string zip = ReadFile(dir / "leer.zip");
    const Layout l = Locate(zip);
    EXPECT_EQ(Get32(reinterpret_cast<const unsigned char*>(zip.data()) + l.local + 18), 28u);
}

TEST_F(EngineAes, TwoEntriesWithOnePasswordGetDifferentSalts)
{
    const std::string same = TextBytes(3000, 2);
    WriteFile(dir / "src/a.txt", same);
    WriteFile(dir / "src/b.txt", same);
    WriteAesArchive(dir / "two.zip", dir / "src", CryptoAlgorithm::AES256, 6, "gleich");
    ZipArchiver z;
    z.SetFileName(dir / "two.zip");
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 2);
    const std::string zip = ReadFile(dir / "two.zip");
    std::vector<std::string> heads;
    for (int i = 0; i < 2; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(zip.data()) + z.Entry(i).localOffset;
        const size_t data = z.Entry(i).localOffset + 30 + Get16(p + 26) + Get16(p + 28);
        heads.push_back(zip.substr(data, 18));   // 16 salt bytes and the verifier
    }
    EXPECT_NE(heads[0].substr(0, 16), heads[1].substr(0, 16));
    EXPECT_NE(heads[0], heads[1]);
}

TEST_F(EngineAes, SevenZipArchivesExtractByteIdentical)
{
    const std::string klasse = TextBytes(150000, 3) + test::RandomBytes(5000, 4);
    WriteFile(dir / "in/klasse.dbf", klasse);
    for (const Algo& a : kAlgos) {
        for (const char* level : {"0", "5"}) {
            SCOPED_TRACE("AES" + std::to_string(a.bits) + " -mx" + level);
            const std::string archive = dir / ("k" + std::to_string(a.bits) + level + ".zip");
            ASSERT_EQ(RunShell("cd " + Quote(dir / "in") + " && 7z a -tzip -mem=AES" + std::to_string(a.bits) + " -mx"
                               + level + " -pGeheim9 " + Quote(archive) + " klasse.dbf >/dev/null")
                          .status,
                      0);
            ZipArchiver z;
            Answers ans;
            Script(z, ans);
            z.SetFileName(archive);
            z.OpenArchive();
            ASSERT_EQ(z.FileCount(), 1);
            EXPECT_EQ(z.Entry(0).encryption, a.algorithm);
            EXPECT_TRUE(z.TestFilePassword("klasse.dbf", "Geheim9"));
            EXPECT_FALSE(z.TestFilePassword("klasse.dbf", "geheim9"));
            z.SetPassword("Geheim9");
            EXPECT_EQ(z.TestFiles("*"), 1);
            const std::string out = dir / ("out" + std::to_string(a.bits) + level);
            z.SetBaseDir(out);
            EXPECT_EQ(z.ExtractFiles("*.dbf"), 1);
            z.CloseArchive();
            EXPECT_EQ(ReadFile(out + "/klasse.dbf"), klasse);
            EXPECT_EQ(ans.asked, 0);
        }
    }
}

TEST_F(EngineAes, AWrongPasswordAsksAgainAndASkipLeavesNoFile)
{
    WriteFile(dir / "src/noten.txt", TextBytes(30000, 6));
    WriteAesArchive(dir / "n.zip", dir / "src", CryptoAlgorithm::AES128, 6, "richtig");
    {
        ZipArchiver z;
        Answers a{{"falsch", "richtig"}};
        Script(z, a);
        z.SetFileName(dir / "n.zip");
        z.OpenArchive();
        z.SetPassword("verkehrt");
        z.SetBaseDir(dir / "out1");
        EXPECT_EQ(z.ExtractFiles("*"), 1);
        EXPECT_EQ(a.asked, 2);
        EXPECT_EQ(ReadFile(dir / "out1/noten.txt"), ReadFile(dir / "src/noten.txt"));
    }
    {
        ZipArchiver z;
        Answers a;   // every question skipped
        Script(z, a);
        z.SetFileName(dir / "n.zip");
        z.OpenArchive();
        z.SetPassword("verkehrt");
        z.SetBaseDir(dir / "out2");
        EXPECT_EQ(z.ExtractFiles("*"), 0);
        EXPECT_EQ(a.asked, 1);
        EXPECT_TRUE(test::ListTree(dir / "out2").empty());
    }
}

// Extracts the one entry; the number of files written (0 when refused).
int ExtractAll(const std::string& archive, const std::string& password, const std::string& out)
{
    ZipArchiver z;
    Answers a;
    Script(z, a);
    z.SetFileName(archive);
    z.OpenArchive();
    z.SetPassword(password);
    z.SetBaseDir(out);
    try {
        return z.ExtractFiles("*");
    } catch (const EZAException&) {
        return 0;
    }
}

TEST_F(EngineAes, AlteredBytesAreDetected)
{
    const std::string plain = TextBytes(40000, 7);
    WriteFile(dir / "src/noten.txt", plain);
    WriteAesArchive(dir / "a.zip", dir / "src", CryptoAlgorithm::AES256, 0, "pw");
    const std::string good = ReadFile(dir / "a.zip");
    const Layout l = Locate(good);
    const auto* p = reinterpret_cast<const unsigned char*>(good.data());
    const size_t comp = Get32(p + l.local + 18);
    ASSERT_EQ(ExtractAll(dir / "a.zip", "pw", dir / "ok"), 1);

    const std::map<std::string, size_t> spots = {{"data", l.dataStart + 18 + 20000},
                                                 {"authentication code", l.dataStart + comp - 3},
                                                 {"first data byte", l.dataStart + 18}};
    int n = 0;
    for (const auto& [what, at] : spots) {
        SCOPED_TRACE(what);
        std::string bad = good;
        bad[at] = char(bad[at] ^ 0x20);
        const std::string file = dir / ("bad" + std::to_string(n) + ".zip");
        WriteFile(file, bad);
        const std::string out = dir / ("badout" + std::to_string(n++));
        EXPECT_EQ(ExtractAll(file, "pw", out), 0);
        EXPECT_FALSE(test::fs::exists(out + "/noten.txt"));
        ZipArchiver z;
        z.SetFileName(file);
        z.OpenArchive();
        // The verifier is untouched: only reading the data shows the damage.
        EXPECT_FALSE(z.TestFilePassword("noten.txt", "pw"));
        EXPECT_NE(SevenZip("t -ppw " + Quote(file)), 0);
    }
    // An altered verifier is a wrong password for every password tried.
    std::string bad = good;
    bad[l.dataStart + 16] = char(bad[l.dataStart + 16] ^ 1);
    WriteFile(dir / "verifier.zip", bad);
    ZipArchiver z;
    z.SetFileName(dir / "verifier.zip");
    z.OpenArchive();
    EXPECT_FALSE(z.TestFilePassword("noten.txt", "pw"));
}

TEST_F(EngineAes, SizesWithoutRoomForSaltAndCodeAreADamagedEntry)
{
    WriteFile(dir / "src/noten.txt", TextBytes(5000, 8));
    WriteAesArchive(dir / "s.zip", dir / "src", CryptoAlgorithm::AES256, 0, "pw");
    std::string zip = ReadFile(dir / "s.zip");
    const Layout l = Locate(zip);
    // 20 bytes cannot hold 16 salt bytes, the verifier and the 10-byte code.
    Patch32(zip, l.local + 18, 20);
    Patch32(zip, l.central + 20, 20);
    Patch32(zip, l.local + 22, 0);
    Patch32(zip, l.central + 24, 0);
    WriteFile(dir / "short.zip", zip);
    ZipArchiver z;
    Answers a;
    Script(z, a);
    z.SetFileName(dir / "short.zip");
    z.OpenArchive();
    z.SetPassword("pw");
    EXPECT_FALSE(z.TestFilePassword("noten.txt", "pw"));
    z.SetBaseDir(dir / "out");
    EXPECT_EQ(z.ExtractFiles("*"), 0);
    ASSERT_EQ(z.LastFailureCount(), 1);
    EXPECT_NE(z.LastFailures()[0].find("Invalid size or check sum"), std::string::npos);
    EXPECT_EQ(a.asked, 0);
}

TEST_F(EngineAes, AnAe1EntryIsCheckedByCodeAndCrcAnAe2EntryByCodeAlone)
{
    const std::string plain = TextBytes(25000, 9);
    WriteFile(dir / "src/noten.txt", plain);
    WriteAesArchive(dir / "e.zip", dir / "src", CryptoAlgorithm::AES128, 6, "pw");
    const std::string ae2 = ReadFile(dir / "e.zip");
    const Layout l = Locate(ae2);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(plain.data()), uInt(plain.size())));

    auto variant = [&](uint16_t vendor, uint32_t storedCrc) {
        std::string zip = ae2;
        Patch16(zip, l.localAes + 4, vendor);
        Patch16(zip, l.centralAes + 4, vendor);
        Patch32(zip, l.local + 14, storedCrc);
        Patch32(zip, l.central + 16, storedCrc);
        return zip;
    };
    struct Case {
        const char* what;
        uint16_t vendor;
        uint32_t crc;
        int extracted;
    };
    const Case cases[] = {{"AE-1 with its CRC", 1, crc, 1},
                          {"AE-1 with a wrong CRC", 1, crc ^ 0x100, 0},
                          {"AE-2 with CRC 0", 2, 0, 1},
                          {"AE-2 with a stray CRC", 2, crc ^ 0x100, 1}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = dir / ("v" + std::to_string(n) + ".zip");
        WriteFile(file, variant(c.vendor, c.crc));
        const std::string out = dir / ("vout" + std::to_string(n++));
        EXPECT_EQ(ExtractAll(file, "pw", out), c.extracted);
        if (c.extracted) {
            EXPECT_EQ(ReadFile(out + "/noten.txt"), plain);
        }
    }
}

TEST_F(EngineAes, AddingToAnAesArchiveKeepsTheOldEntriesReadable)
{
    WriteFile(dir / "src/a.txt", TextBytes(10000, 10));
    WriteAesArchive(dir / "m.zip", dir / "src", CryptoAlgorithm::AES256, 6, "pw");
    WriteFile(dir / "more/b.txt", TextBytes(12000, 11));
    {
        ZipArchiver z;
        z.EncryptionMethod = CryptoAlgorithm::AES128;
        z.SetFileName(dir / "m.zip");
        z.SetPassword("pw");
        z.OpenArchive();
        z.SetBaseDir(dir / "more");
        EXPECT_EQ(z.AddFiles(dir / "more/b.txt"), 1);
        z.CloseArchive();
    }
    EXPECT_EQ(SevenZip("t -ppw " + Quote(dir / "m.zip")), 0);
    ZipArchiver z;
    z.SetFileName(dir / "m.zip");
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 2);
    EXPECT_EQ(z.Entry(0).encryption, CryptoAlgorithm::AES256);
    EXPECT_EQ(z.Entry(1).encryption, CryptoAlgorithm::AES128);
    z.SetPassword("pw");
    EXPECT_EQ(z.TestFiles("*"), 2);
}

} // namespace
} // namespace hsa::zip
