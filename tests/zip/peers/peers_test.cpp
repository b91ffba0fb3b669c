// Interoperability with the ZIP tools of the system: what the engine writes
// is accepted by unzip, 7z, Python's zipfile and libzip's ziptool; what they
// write is opened, listed, extracted and appended to by the engine and then
// checked again by them.
#include "zip/archiver.h"

#include "support/ziptestsupport.h"

#include <gtest/gtest.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

bool PeersPresent()
{
    return HaveTool("unzip") && HaveTool("zip") && HaveTool("7z") && HaveTool("python3") && HaveTool("ziptool");
}

#define REQUIRE_PEERS()                                                                                            \
    if (!PeersPresent())                                                                                           \
    GTEST_SKIP() << "zip, unzip, 7z, python3 or ziptool missing"

// A small tree of mixed files.
std::map<std::string, std::string> SampleFiles()
{
    return {
        {"9a-21222 Endnoten.txt", TextBytes(40000, 1)},
        {"leer.txt", ""},
        {"daten/klasse.dbf", RandomBytes(3000, 2) + std::string(5000, ' ')},
        {"daten/zufall.bin", RandomBytes(70000, 3)},
        {"daten/tief/sch\xC3\xBCler.txt", "Sch\xC3\xBCler M\xC3\xBCller"},
    };
}

void LayOut(const std::string& root, const std::map<std::string, std::string>& files)
{
    for (const auto& [n, c] : files)
        WriteFile(root + "/" + n, c);
}

std::string EngineArchive(TempDir& dir, const std::string& name, int mode, const std::string& password)
{
    LayOut(dir / "src", SampleFiles());
    ZipArchiver z;
    z.SetFileName(dir / name);
    z.SetPassword(password);
    z.SetCompressionMode(mode);
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir / "src");
    EXPECT_EQ(z.AddFiles(dir / "src/*.*"), 7);
    z.CloseArchive();
    return dir / name;
}

// Every peer tests the archive; passwords are given as their bytes.
void PeersAccept(const std::string& archive, const std::string& passwordBytes = {})
{
    const std::string pw = passwordBytes.empty() ? "" : " -P" + Quote(passwordBytes);
    auto u = RunShell("unzip -t" + (passwordBytes.empty() ? std::string() : " -P " + Quote(passwordBytes)) + " "
                 + Quote(archive));
    EXPECT_EQ(u.status, 0) << u.output;
    auto s = RunShell("7z t -p" + Quote(passwordBytes) + " " + Quote(archive));
    EXPECT_EQ(s.status, 0) << s.output;
    const std::string py =
        "import zipfile,sys\n"
        "z=zipfile.ZipFile(sys.argv[1])\n"
        "pw=sys.argv[2].encode('latin-1') if len(sys.argv)>2 else None\n"
        "bad=z.testzip() if pw is None else None\n"
        "assert bad is None, bad\n"
        "for i in z.infolist():\n"
        "    data=z.read(i, pwd=pw)\n"
        "    assert len(data)==i.file_size\n"
        "print(len(z.infolist()))\n";
    WriteFile(archive + ".py", py);
    std::string pyPw;
    if (!passwordBytes.empty()) {
        // Hand the bytes over as latin-1 text so that Python gets them unchanged.
        std::string latin;
        for (unsigned char c : passwordBytes) {
            if (c < 0x80)
                latin += char(c);
            else {
                latin += char(0xC0 | (c >> 6));
                latin += char(0x80 | (c & 0x3F));
            }
        }
        pyPw = " " + Quote(latin);
    }
    auto p = RunShell("python3 " + Quote(archive + ".py") + " " + Quote(archive) + pyPw);
    EXPECT_EQ(p.status, 0) << p.output;
    fs::remove(archive + ".py");
    auto t = RunShell("ziptool -c " + Quote(archive) + " get_num_entries 0");
    EXPECT_EQ(t.status, 0) << t.output;
}

} // namespace

TEST(ZipPeers, EngineArchivesAreAcceptedAtEveryLevel)
{
    REQUIRE_PEERS();
    for (int mode : {0, 1, 6, 9}) {
        TempDir dir;
        const std::string a = EngineArchive(dir, "m" + std::to_string(mode) + ".zip", mode, "");
        PeersAccept(a);
        // unzip extracts the same bytes, with the umlaut name.
        auto u = RunShell("cd " + Quote(dir / "out") + " 2>/dev/null || mkdir -p " + Quote(dir / "out") + " && unzip -q -o "
                     + Quote(a) + " -d " + Quote(dir / "out"));
        EXPECT_EQ(u.status, 0) << u.output;
        // unzip turns code page 850 names into Latin-1 on this system: compare the ASCII names here.
        for (const auto& [n, c] : SampleFiles())
            if (n.find('\xC3') == std::string::npos) {
                EXPECT_TRUE(ReadFile(dir / ("out/" + n)) == c) << n << " mode " << mode;
            }
        EXPECT_EQ(ReadFile(dir / "out/daten/tief/sch\xFCler.txt"), "Sch\xC3\xBCler M\xC3\xBCller");
        auto py = RunShell("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                           "print(z.read('daten/tief/sch\\u00fcler.txt').decode())\" " + Quote(a));
        EXPECT_EQ(py.output, "Sch\xC3\xBCler M\xC3\xBCller\n");
    }
}

TEST(ZipPeers, EncryptedArchiveOpensWithTheWindows1252PasswordBytes)
{
    REQUIRE_PEERS();
    TempDir dir;
    // The password has an umlaut: the cipher gets its Windows-1252 bytes.
    const std::string a = EngineArchive(dir, "geheim.qdn", 1, "K\xC3\xB6ln-\xC3\x9F" "2021");
    PeersAccept(a, "K\xF6ln-\xDF" "2021");
    // The UTF-8 bytes are the wrong password.
    auto u = RunShell("unzip -t -P " + Quote("K\xC3\xB6ln-\xC3\x9F" "2021") + " " + Quote(a));
    EXPECT_NE(u.status, 0);
    auto x = RunShell("mkdir -p " + Quote(dir / "out") + " && cd " + Quote(dir / "out") + " && unzip -q -P "
                 + Quote("K\xF6ln-\xDF" "2021") + " " + Quote(a));
    EXPECT_EQ(x.status, 0) << x.output;
    EXPECT_TRUE(ReadFile(dir / "out/daten/zufall.bin") == RandomBytes(70000, 3));
}

TEST(ZipPeers, PeerArchivesOpenExtractAndAppend)
{
    REQUIRE_PEERS();
    TempDir dir;
    LayOut(dir / "src", SampleFiles());
    struct Case {
        std::string name, cmd, password;
    };
    const std::string src = Quote(dir / "src");
    const std::vector<Case> cases = {
        {"stored.zip", "cd " + src + " && zip -q -r -0 ../stored.zip .", ""},
        {"deflated.zip", "cd " + src + " && zip -q -r -9 ../deflated.zip .", ""},
        // Written to a pipe: data descriptors after each entry, encrypted.
        {"stream.zip", "cd " + src + " && zip -q -r -P geheim - . > ../stream.zip", "geheim"},
        {"zip64.zip", "cd " + src + " && zip -q -r -fz ../zip64.zip .", ""},
        {"seven.zip", "cd " + src + " && 7z a -tzip -mx=5 ../seven.zip . > /dev/null", ""},
        {"seven-enc.zip", "cd " + src + " && 7z a -tzip -pgeheim -mem=ZipCrypto ../seven-enc.zip . > /dev/null",
         "geheim"},
        {"python.zip",
         "cd " + src
             + " && python3 -c \"import zipfile,os\nz=zipfile.ZipFile('../python.zip','w',zipfile.ZIP_DEFLATED)\n"
               "z.comment=b'Kommentar der Klasse'\nfor r,d,f in os.walk('.'):\n  for n in f: z.write(os.path.join(r,n))\nz.close()\"",
         ""},
        {"libzip.zip", "ziptool -n " + Quote(dir / "libzip.zip") + " add a.txt 'Inhalt A' add_dir ordner/ add ordner/b.txt 'B'", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto made = RunShell(c.cmd);
        ASSERT_EQ(made.status, 0) << made.output;
        const std::string a = dir / c.name;
        ZipArchiver z;
        z.SetFileName(a);
        z.SetPassword(c.password);
        z.OpenArchive();
        EXPECT_FALSE(z.DirectoryRebuilt());
        EXPECT_GE(z.FileCount(), 3);
        const std::string out = dir / ("out-" + c.name);
        z.SetBaseDir(out);
        const int files = z.ExtractFiles("*.*");
        EXPECT_EQ(z.LastFailureCount(), 0) << (z.LastFailures().empty() ? "" : z.LastFailures()[0]);
        if (c.name != "libzip.zip") {
            EXPECT_EQ(files, 5);
            for (const auto& [n, content] : SampleFiles())
                EXPECT_TRUE(ReadFile(out + "/" + n) == content) << n;
        } else {
            EXPECT_EQ(ReadFile(out + "/ordner/b.txt"), "B");
        }
        if (c.name == "python.zip") {
            EXPECT_EQ(z.ArchiveComment(), "Kommentar der Klasse");
        }
        // Append and let the peers check again.
        WriteFile(dir / "neu/anhang.txt", "angeh\xC3\xA4ngt");
        z.SetBaseDir(dir / "neu");
        EXPECT_EQ(z.AddFiles(dir / "neu/anhang.txt"), 1);
        z.CloseArchive();
        PeersAccept(a, c.password);
        if (c.name == "python.zip") {
            auto cm = RunShell("unzip -z " + Quote(a));
            EXPECT_NE(cm.output.find("Kommentar der Klasse"), std::string::npos);
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
    // Stub put in front without adjusting offsets, and with zip -A.
    WriteFile(dir / "sfx.zip", stub + a);
    WriteFile(dir / "sfxa.zip", stub + a);
    ASSERT_EQ(RunShell("zip -q -A " + Quote(dir / "sfxa.zip")).status, 0);
    // Damaged: the end record cut off.
    WriteFile(dir / "cut.zip", a.substr(0, a.size() - 10));
    // Damaged: the central directory overwritten.
    std::string broken = a;
    const size_t firstCd = broken.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(firstCd, std::string::npos);
    for (size_t i = firstCd; i < firstCd + 40; ++i)
        broken[i] = 'X';
    WriteFile(dir / "broken.zip", broken);
    for (const std::string name : {"sfx.zip", "sfxa.zip", "cut.zip", "broken.zip"}) {
        SCOPED_TRACE(name);
        ZipArchiver z;
        z.SetFileName(dir / name);
        z.OpenArchive();
        z.SetBaseDir(dir / ("out-" + name));
        EXPECT_EQ(z.ExtractFiles("*.*"), 5) << (z.LastFailures().empty() ? "" : z.LastFailures()[0]);
        for (const auto& [n, content] : SampleFiles())
            EXPECT_TRUE(ReadFile(dir / ("out-" + name + "/" + n)) == content) << n;
        WriteFile(dir / "neu/x.txt", "x");
        z.SetBaseDir(dir / "neu");
        EXPECT_EQ(z.AddFiles(dir / "neu/x.txt"), 1);
        z.CloseArchive();
        auto u = RunShell("unzip -t " + Quote(dir / name));
        EXPECT_EQ(u.status, 0) << u.output;
        auto p = RunShell("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None; "
                     "print(len(z.namelist()))\" " + Quote(dir / name));
        EXPECT_EQ(p.status, 0) << p.output;
    }
    EXPECT_EQ(ReadFile(dir / "sfx.zip").substr(0, stub.size()), stub);
}

TEST(ZipPeers, ManyEntriesFromPythonAndBack)
{
    REQUIRE_PEERS();
    TempDir dir;
    const std::string a = dir / "viele.zip";
    auto made = RunShell("python3 -c \"import zipfile\nz=zipfile.ZipFile('" + a
                    + "','w')\nfor i in range(65537): z.writestr('d%05d.txt'%i, str(i))\nz.close()\"");
    ASSERT_EQ(made.status, 0) << made.output;
    ZipArchiver z;
    z.SetFileName(a);
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 65537);
    EXPECT_FALSE(z.DirectoryRebuilt());
    z.SetBaseDir(dir / "out");
    EXPECT_EQ(z.ExtractFiles("d65536.txt"), 1);
    EXPECT_EQ(ReadFile(dir / "out/d65536.txt"), "65536");
    WriteFile(dir / "neu/zusatz.txt", "zusatz");
    z.SetBaseDir(dir / "neu");
    EXPECT_EQ(z.AddFiles(dir / "neu/zusatz.txt"), 1);
    z.CloseArchive();
    auto p = RunShell("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); n=z.namelist(); "
                 "assert len(n)==65538, len(n); assert z.read('zusatz.txt')==b'zusatz'; print('ok')\" " + Quote(a));
    EXPECT_EQ(p.status, 0) << p.output;
    auto s = RunShell("7z l " + Quote(a) + " | tail -1");
    EXPECT_NE(s.output.find("65538 files"), std::string::npos) << s.output;
}
