// Interoperability with unzip, 7z, Python's zipfile and libzip's ziptool, both
// ways, appends included; AES entries both ways with 7z, with no cipher
// registered by hand, so this program proves that the engine does it.
#include "support/archives.h"
#include "support/rawzip.h"
#include "zip/ziprecords.h"

#include <gtest/gtest.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

#define REQUIRE_PEERS()                                                                                            \
    if (!HaveTool("unzip") || !HaveTool("zip") || !HaveTool("7z") || !HaveTool("python3") || !HaveTool("ziptool")) \
    GTEST_SKIP() << "zip, unzip, 7z, python3 or ziptool missing"

// A small tree of mixed files.
const Files& SampleFiles()
{
    static const Files files = {
        {"9a-21222 Endnoten.txt", TextBytes(40000, 1)},
        {"leer.txt", ""},
        {"daten/klasse.dbf", RandomBytes(3000, 2) + std::string(5000, ' ')},
        {"daten/zufall.bin", RandomBytes(70000, 3)},
        {"daten/tief/sch\xC3\xBCler.txt", "Sch\xC3\xBCler M\xC3\xBCller"},
    };
    return files;
}

// Runs a command that must succeed; its output.
std::string MustRun(const std::string& command)
{
    auto r = RunShell(command);
    EXPECT_EQ(r.status, 0) << command << "\n" << r.output;
    return r.output;
}

std::string Python(const std::string& script, const std::string& args)
{
    return MustRun("python3 -c " + Quote(script) + " " + args);
}

// Every peer tests the archive; the password is given as its bytes.
void PeersAccept(const std::string& archive, const std::string& password = {})
{
    MustRun("unzip -t -P " + Quote(password) + " " + Quote(archive));
    MustRun("7z t -p" + Quote(password) + " " + Quote(archive));
    Python("import zipfile,sys,os\n"
           "z=zipfile.ZipFile(sys.argv[1]); pw=os.fsencode(sys.argv[2]) or None\n"
           "assert pw or z.testzip() is None\n"
           "for i in z.infolist(): assert len(z.read(i, pwd=pw))==i.file_size\n",
           Quote(archive) + " " + Quote(password));
    MustRun("ziptool -c " + Quote(archive) + " get_num_entries 0");
}

int SevenZip(const std::string& args) { return RunShell("7z " + args + " >/dev/null").status; }

// Extracts every entry with the password, failures ending the run and
// password questions skipped; the number of files written.
int ExtractAll(const std::string& archive, const std::string& out, int* asked = nullptr)
{
    ZipArchiver z;
    FailureLog failures;
    failures.Attach(z, ZAAction::Abort);
    int questions = 0;
    z.OnPassword = [&](ZABaseArchiver&, const std::string&, std::string&, bool& skip) {
        ++questions;
        skip = true;
    };
    Open(z, archive, "pw");
    z.SetBaseDir(out);
    int n = 0;
    NativeErrorOf([&] { n = z.ExtractFiles("*"); });
    EXPECT_EQ(ListTree(out).size(), size_t(n));
    if (asked)
        *asked = questions;
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

} // namespace

TEST(ZipPeers, EngineArchivesAreAcceptedAtEveryLevelAndWithAPassword)
{
    REQUIRE_PEERS();
    // A password with umlauts: the cipher gets its Windows-1252 bytes, and
    // its UTF-8 bytes are the wrong password.
    const std::string utf8 = "K\xC3\xB6ln-\xC3\x9F" "2021", windows = "K\xF6ln-\xDF" "2021";
    for (const auto& [mode, password] : {std::pair{0, false}, {1, true}, {6, false}, {9, false}}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        LayOut(dir / "src", SampleFiles());
        const std::string a = dir / "a.zip";
        PackFolder(a, dir / "src", password ? utf8 : "", mode);
        PeersAccept(a, password ? windows : "");
        if (password) {
            EXPECT_NE(RunShell("unzip -t -P " + Quote(utf8) + " " + Quote(a)).status, 0);
        }
        // The umlaut name is stored as its code page byte, without the UTF-8 flag.
        EXPECT_EQ(Python("import zipfile,sys,os; z=zipfile.ZipFile(sys.argv[1]); z.setpassword(os.fsencode(sys.argv[2]))\n"
                         "i=z.getinfo('daten/tief/sch\\u00fcler.txt'); assert not i.flag_bits & 0x800\n"
                         "print(z.read(i).decode())",
                         Quote(a) + " " + Quote(password ? windows : "")),
                  "Sch\xC3\xBCler M\xC3\xBCller\n");
    }
}

TEST(ZipPeers, PeerArchivesOpenExtractAndAppend)
{
    REQUIRE_PEERS();
    TempDir dir;
    LayOut(dir / "src", SampleFiles());
    const std::string src = "cd " + Quote(dir / "src") + " && ";
    const struct {
        std::string name, cmd, password;
    } cases[] = {
        {"stored.zip", src + "zip -q -r -0 ../stored.zip .", ""},
        {"deflated.zip", src + "zip -q -r -9 ../deflated.zip .", ""},
        // Written to a pipe: data descriptors after each entry, encrypted.
        {"stream.zip", src + "zip -q -r -P geheim - . > ../stream.zip", "geheim"},
        {"zip64.zip", src + "zip -q -r -fz ../zip64.zip .", ""},
        {"seven.zip", src + "7z a -tzip -mx=5 ../seven.zip . > /dev/null", ""},
        {"seven-enc.zip", src + "7z a -tzip -pgeheim -mem=ZipCrypto ../seven-enc.zip . > /dev/null", "geheim"},
        {"python.zip", src + "python3 -c \"import zipfile,os\nz=zipfile.ZipFile('../python.zip','w',zipfile.ZIP_DEFLATED)\n"
                             "z.comment=b'Kommentar der Klasse'\nfor r,d,f in os.walk('.'):\n"
                             "  for n in f: z.write(os.path.join(r,n))\nz.close()\"", ""},
        {"libzip.zip", "ziptool -n " + Quote(dir / "libzip.zip") + " add a.txt 'Inhalt A' add_dir ordner/ add ordner/b.txt 'B'", ""},
    };
    WriteFile(dir / "neu/anhang.txt", "angeh\xC3\xA4ngt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MustRun(c.cmd);
        const std::string a = dir / c.name;
        ZipArchiver z;
        Open(z, a, c.password);
        EXPECT_FALSE(z.DirectoryRebuilt());
        EXPECT_EQ(z.ArchiveComment(), c.name == "python.zip" ? "Kommentar der Klasse" : "");
        const std::string out = dir / ("out-" + c.name);
        z.SetBaseDir(out);
        const int files = z.ExtractFiles("*.*");
        EXPECT_EQ(z.LastFailureCount(), 0) << (z.LastFailures().empty() ? "" : z.LastFailures()[0]);
        if (c.name == "libzip.zip") {
            EXPECT_EQ(ReadFile(out + "/ordner/b.txt"), "B");
        } else {
            EXPECT_EQ(files, 5);
            for (const auto& [n, content] : SampleFiles())
                EXPECT_TRUE(ReadFile(out + "/" + n) == content) << n;
        }
        // Append and let the peers check again.
        z.SetBaseDir(dir / "neu");
        EXPECT_EQ(z.AddFiles(dir / "neu/anhang.txt"), 1);
        z.CloseArchive();
        PeersAccept(a, c.password);
        if (c.name == "python.zip") {
            EXPECT_NE(RunShell("unzip -z " + Quote(a)).output.find("Kommentar der Klasse"), std::string::npos);
        }
    }
}

TEST(ZipPeers, StubsCommentsAndDamagedDirectories)
{
    REQUIRE_PEERS();
    TempDir dir;
    LayOut(dir / "src", SampleFiles());
    ASSERT_EQ(RunShell("cd " + Quote(dir / "src") + " && zip -q -r ../a.zip .").status, 0);
    const std::string a = ReadFile(dir / "a.zip");
    const std::string stub = "#!/bin/sh\necho stub\nexit 0\n" + std::string(4000, '#') + "\n";
    // A stub put in front without adjusting offsets, and with zip -A.
    WriteFile(dir / "sfx.zip", stub + a);
    WriteFile(dir / "sfxa.zip", stub + a);
    ASSERT_EQ(RunShell("zip -q -A " + Quote(dir / "sfxa.zip")).status, 0);
    // Damaged: the end record cut off; the central directory overwritten.
    WriteFile(dir / "cut.zip", a.substr(0, a.size() - 10));
    std::string broken = a;
    broken.replace(broken.find(std::string("PK\x01\x02", 4)), 40, std::string(40, 'X'));
    WriteFile(dir / "broken.zip", broken);
    WriteFile(dir / "neu/x.txt", "x");
    for (const std::string name : {"sfx.zip", "sfxa.zip", "cut.zip", "broken.zip"}) {
        SCOPED_TRACE(name);
        ZipArchiver z;
        Open(z, dir / name);
        z.SetBaseDir(dir / ("out-" + name));
        EXPECT_EQ(z.ExtractFiles("*.*"), 5) << (z.LastFailures().empty() ? "" : z.LastFailures()[0]);
        for (const auto& [n, content] : SampleFiles())
            EXPECT_TRUE(ReadFile(dir / ("out-" + name + "/" + n)) == content) << n;
        z.SetBaseDir(dir / "neu");
        EXPECT_EQ(z.AddFiles(dir / "neu/x.txt"), 1);
        z.CloseArchive();
        PeersAccept(dir / name);
    }
    EXPECT_EQ(ReadFile(dir / "sfx.zip").substr(0, stub.size()), stub);
}

TEST(ZipPeers, ManyEntriesFromPythonAndBack)
{
    REQUIRE_PEERS();
    TempDir dir;
    const std::string a = dir / "viele.zip";
    Python("import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w')\n"
           "for i in range(65537): z.writestr('d%05d.txt'%i, str(i))\nz.close()", Quote(a));
    ZipArchiver z;
    Open(z, a);
    ASSERT_EQ(z.FileCount(), 65537);
    EXPECT_FALSE(z.DirectoryRebuilt());
    z.SetBaseDir(dir / "out");
    EXPECT_EQ(z.ExtractFiles("d65536.txt"), 1);
    EXPECT_EQ(ReadFile(dir / "out/d65536.txt"), "65536");
    WriteFile(dir / "neu/zusatz.txt", "zusatz");
    z.SetBaseDir(dir / "neu");
    EXPECT_EQ(z.AddFiles(dir / "neu/zusatz.txt"), 1);
    z.CloseArchive();
    Python("import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); n=z.namelist()\n"
           "assert len(n)==65538, len(n); assert z.read('zusatz.txt')==b'zusatz'", Quote(a));
}

TEST(ZipPeersAes, WhatTheArchiverWritesPassesSevenZipAndWhatSevenZipWritesExtracts)
{
    REQUIRE_PEERS();
    TempDir dir;
    LayOut(dir / "src", {{"noten.txt", TextBytes(90000, 1)}, {"kurz.txt", "x"}, {"leer.txt", ""}});
    for (const auto& [algorithm, bits] : {std::pair{CryptoAlgorithm::AES128, 128}, {CryptoAlgorithm::AES192, 192},
                                          {CryptoAlgorithm::AES256, 256}}) {
        for (int mode : {0, 6}) {
            const std::string name = std::to_string(bits) + "_" + std::to_string(mode);
            SCOPED_TRACE("AES-" + name);
            const std::string archive = dir / ("aes" + name + ".zip"), seven = dir / ("7z" + name + ".zip");
            PackFolder(archive, dir / "src", "pw", mode, algorithm);
            EXPECT_EQ(SevenZip("t -ppw " + Quote(archive)), 0);
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
            int asked = -1;
            EXPECT_EQ(ExtractAll(seven, dir / ("back" + name), &asked), 1);
            EXPECT_EQ(ReadFile(dir / ("back" + name + "/noten.txt")), TextBytes(90000, 1));
            EXPECT_EQ(asked, 0);
        }
    }
}

TEST(ZipPeersAes, AlteredBytesSizesAndCrcsAreCheckedAsTheFormatSays)
{
    REQUIRE_PEERS();
    TempDir dir;
    const std::string plain = TextBytes(40000, 7);
    WriteFile(dir / "src/noten.txt", plain);
    PackFolder(dir / "a.zip", dir / "src", "pw", 0, CryptoAlgorithm::AES256);
    const std::string good = ReadFile(dir / "a.zip");
    const Layout l(good);
    const size_t comp = At32(good, l.local + 18);
    const uint32_t crc = Crc(plain);
    auto flip = [](size_t at) { return [at](std::string& zip) { zip[at] = char(zip[at] ^ 0x20); }; };
    // AE-1 entries are checked by their code and their CRC, AE-2 entries by the code alone.
    auto vendor = [&](uint16_t version, uint32_t storedCrc) {
        return [&l, version, storedCrc](std::string& zip) {
            Patch16(zip, l.localAes + 4, version);
            Patch16(zip, l.centralAes + 4, version);
            Patch32(zip, l.local + 14, storedCrc);
            Patch32(zip, l.central + 16, storedCrc);
        };
    };
    const struct {
        const char* what;
        std::function<void(std::string&)> change;
        int extracted, asked;   // only a bad verifier looks like a wrong password
    } rows[] = {
        {"nothing", [](std::string&) {}, 1, 0},
        {"authentication code", flip(l.dataStart + comp - 3), 0, 0},
        {"first data byte", flip(l.dataStart + 18), 0, 0},
        {"verifier", flip(l.dataStart + 16), 0, 1},
        // 20 bytes cannot hold 16 salt bytes, the verifier and the 10-byte code.
        {"sizes", [&l](std::string& zip) {
             Patch32(zip, l.local + 18, 20);
             Patch32(zip, l.central + 20, 20);
             Patch32(zip, l.local + 22, 0);
             Patch32(zip, l.central + 24, 0);
         }, 0, 0},
        {"AE-1 with its CRC", vendor(1, crc), 1, 0},
        {"AE-1 with a wrong CRC", vendor(1, crc ^ 0x100), 0, 0},
        {"AE-2 with a stray CRC", vendor(2, crc ^ 0x100), 1, 0},
    };
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::string bad = good;
        r.change(bad);
        const std::string file = dir / ("v" + std::to_string(n) + ".zip"), out = dir / ("out" + std::to_string(n++));
        WriteFile(file, bad);
        int asked = -1;
        EXPECT_EQ(ExtractAll(file, out, &asked), r.extracted);
        EXPECT_EQ(asked, r.asked);
        EXPECT_EQ(ReadFile(out + "/noten.txt"), r.extracted ? plain : "");
        if (!r.extracted) {
            ZipArchiver z;
            Open(z, file);
            EXPECT_FALSE(z.TestFilePassword("noten.txt", "pw"));
            EXPECT_NE(SevenZip("t -ppw " + Quote(file)), 0);
        }
    }
}

TEST(ZipPeersAes, AddingToAnAesArchiveKeepsTheOldEntriesReadable)
{
    REQUIRE_PEERS();
    TempDir dir;
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
