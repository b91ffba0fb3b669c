// AES entries through the archiver once the AES ciphers are registered:
// what the archiver writes passes `7z t`, what 7z writes extracts byte for
// byte, and passwords are checked on the AES entries' real method.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "scratchfiles.h"
#include "zip/archiver.h"
#include "zip/crypto/aesentrycipher.h"
#include "zip/zaerrors.h"

namespace hsa::zip {
namespace {

namespace fs = std::filesystem;
using hsa::test::Bytes;
using hsa::test::ReadFile;
using hsa::test::ScratchFolder;
using hsa::test::Shell;
using hsa::test::WriteFile;

Bytes Sample(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const std::string words[] = {"Deutsch ", "Mathe ", "Englisch ", "1,7 ", "3,0 ", "Schüler\r\n"};
    Bytes out;
    while (out.size() < size) {
        const std::string& w = words[rng() % 6];
        out.insert(out.end(), w.begin(), w.end());
        if (rng() % 7 == 0) out.push_back(std::uint8_t(rng()));
    }
    out.resize(size);
    return out;
}

// Failures end the run instead of asking.
void NoQuestions(ZipArchiver& z) {
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                ZAAction& action) { action = ZAAction::Abort; };
    z.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
}

class EngineAes : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hsa::test::SevenZipAvailable()) GTEST_SKIP() << "7z is not installed";
        RegisterAesEntryCiphers();
    }
};

TEST_F(EngineAes, EntriesTheArchiverWritesPassSevenZipWithThePasswordOnly) {
    const std::pair<CryptoAlgorithm, const char*> methods[] = {
        {CryptoAlgorithm::AES128, "128"}, {CryptoAlgorithm::AES192, "192"}, {CryptoAlgorithm::AES256, "256"}};
    for (const auto& [method, label] : methods) {
        for (int mode : {0, 1}) {
            ScratchFolder folder;
            const Bytes noten = Sample(120000, unsigned(mode * 7 + int(method)));
            const Bytes kurz = Bytes{'x'};
            WriteFile(folder / "src" / "noten.txt", noten);
            WriteFile(folder / "src" / "kurz.txt", kurz);
            const fs::path archive = folder / "aes.zip";
            {
                ZipArchiver z;
                NoQuestions(z);
                z.EncryptionMethod = method;
                z.SetCompressionMode(mode);
                z.SetFileName(archive.string());
                z.SetPassword("Schule#1");
                z.OpenArchive(openmode::Create);
                z.SetBaseDir((folder / "src").string());
                z.AddFiles((folder / "src" / "*.*").string());
                z.CloseArchive();
            }
            SCOPED_TRACE(std::string("AES-") + label + (mode == 0 ? " stored" : " deflated"));
            EXPECT_EQ(Shell("7z t -pSchule#1 '" + archive.string() + "'"), 0);
            EXPECT_NE(Shell("7z t -pSchule#2 '" + archive.string() + "'"), 0);
            ASSERT_EQ(Shell("7z x -y -pSchule#1 '-o" + (folder / "out").string() + "' '" + archive.string() + "'"), 0);
            EXPECT_EQ(ReadFile(folder / "out" / "noten.txt"), noten);
            EXPECT_EQ(ReadFile(folder / "out" / "kurz.txt"), kurz);

            // Method 99 with the real one in the 0x9901 field, CRC 0 (AE-2)
            // in the local header.
            const Bytes zip = ReadFile(archive);
            EXPECT_EQ(zip[8] | zip[9] << 8, 99);
            EXPECT_EQ(zip[14] | zip[15] << 8 | zip[16] << 16 | zip[17] << 24, 0);
        }
    }
}

TEST_F(EngineAes, SevenZipEntriesExtractByteIdenticalThroughTheArchiver) {
    for (const char* bits : {"128", "192", "256"}) {
        for (const char* level : {"0", "5"}) {
            SCOPED_TRACE(std::string("AES") + bits + " level " + level);
            ScratchFolder folder;
            const Bytes klasse = Sample(200000, unsigned(std::atoi(bits) + std::atoi(level)));
            WriteFile(folder / "klasse.dbf", klasse);
            ASSERT_EQ(Shell("cd '" + folder.Path().string() + "' && 7z a -tzip -mem=AES" + bits + " -mx" + level +
                            " -pGeheim9 k.zip klasse.dbf"),
                      0);
            ZipArchiver z;
            NoQuestions(z);
            z.SetFileName((folder / "k.zip").string());
            z.OpenArchive();
            EXPECT_TRUE(z.TestFilePassword("klasse.dbf", "Geheim9"));
            EXPECT_FALSE(z.TestFilePassword("klasse.dbf", "geheim9"));
            z.SetPassword("Geheim9");
            z.SetBaseDir((folder / "out").string());
            EXPECT_EQ(z.ExtractFiles("*.dbf"), 1);
            z.CloseArchive();
            EXPECT_EQ(ReadFile(folder / "out" / "klasse.dbf"), klasse);
        }
    }
}

TEST_F(EngineAes, AnAlteredAesEntryIsReportedDamagedAndNotExtracted) {
    ScratchFolder folder;
    const Bytes klasse = Sample(50000, 3);
    WriteFile(folder / "klasse.dbf", klasse);
    ASSERT_EQ(Shell("cd '" + folder.Path().string() + "' && 7z a -tzip -mem=AES256 -mx0 -pGeheim9 k.zip klasse.dbf"), 0);
    Bytes zip = ReadFile(folder / "k.zip");
    const std::size_t nameLength = zip[26] | zip[27] << 8, extraLength = zip[28] | zip[29] << 8;
    zip[30 + nameLength + extraLength + 18 + 25000] ^= 0x01;
    WriteFile(folder / "k.zip", zip);

    ZipArchiver z;
    NoQuestions(z);
    z.SetFileName((folder / "k.zip").string());
    z.OpenArchive();
    z.SetPassword("Geheim9");
    z.SetBaseDir((folder / "out").string());
    int extracted = -1;
    try {
        extracted = z.ExtractFiles("*.dbf");
    } catch (const EZAException&) {
        extracted = 0;
    }
    z.CloseArchive();
    EXPECT_EQ(extracted, 0);
    EXPECT_FALSE(fs::exists(folder / "out" / "klasse.dbf"));
}

}  // namespace
}  // namespace hsa::zip
