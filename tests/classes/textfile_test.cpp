#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace hsa;

TEST(TextFile, WritesWindows1252WithCrLfAndReadsEveryLineEnd)
{
    test::TempProgramFolder dir;
    WriteTextLines(dir.file("x.dat"), {"Müller", "", "Straße ä"});
    EXPECT_EQ(dir.read("x.dat"), QByteArray("M\xfcller\r\n\r\nStra\xdf" "e \xe4\r\n"));
    const struct { const char* bytes; QStringList lines; } cases[] = {
        {"M\xfcller\r\n\r\nStra\xdf" "e \xe4\r\n", {"Müller", "", "Straße ä"}},
        {"eins\ntwo\r\ndrei", {"eins", "two", "drei"}}, {"a\rb", {"a", "b"}},
        {"", {}}, {"\r\n", {""}}, {"x\r\n\x1a", {"x"}},
    };
    for (const auto& c : cases) {
        dir.write("r.dat", c.bytes);
        EXPECT_EQ(ReadTextLines(dir.file("r.dat")), c.lines) << c.bytes;
    }
    EXPECT_EQ(ReadFirstLine(dir.file("x.dat")), "Müller");
    EXPECT_THROW(ReadTextLines(dir.file("nix.dat")), FileError);
}

TEST(TextFile, AtomicWriteFailingAtAnyStepKeepsTheOldFile)
{
    test::TempProgramFolder dir;
    EXPECT_THROW(WriteFileAtomic(dir.file("gone/x.dat"), "abc"), FileError);
    dir.write("keep.dat", "old");
    int steps = 0;
    {
        FileFaultScope count(0);
        WriteFileAtomic(dir.file("keep.dat"), "new");
        steps = count.steps();
    }
    EXPECT_EQ(dir.read("keep.dat"), QByteArray("new"));
    ASSERT_EQ(steps, 2);
    for (int failAt = 1; failAt <= steps; ++failAt) {
        FileFaultScope fault(failAt);
        EXPECT_THROW(WriteFileAtomic(dir.file("keep.dat"), "newer"), FileError) << "step " << failAt;
        EXPECT_EQ(dir.read("keep.dat"), QByteArray("new")) << "step " << failAt;
        // No temporary file is left behind.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "step " << failAt;
    }
}

TEST(TextFile, CaseInsensitiveLookup)
{
    test::TempProgramFolder dir;
    dir.write("Fa9-Mit.DAT", "x");
    dir.write("doc/Anlage.DOC", "y");
    const struct { const char* name; const char* found; } cases[] = {
        {"fa9-mit.dat", "Fa9-Mit.DAT"}, {"DOC/anlage.doc", "doc/Anlage.DOC"},
        {"neu.dat", "neu.dat"}, {"DOC/neu.doc", "doc/neu.doc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFileCI(dir.path(), c.name), dir.file(c.found)) << c.name;
    EXPECT_TRUE(FileExistsCI(dir.path(), "FA9-MIT.dat"));
    EXPECT_FALSE(FileExistsCI(dir.path(), "fax-mit.dat"));
    // An exact match wins over a case variant.
    dir.write("fa9-mit.dat", "z");
    EXPECT_EQ(FindFileCI(dir.path(), "fa9-mit.dat"), dir.file("fa9-mit.dat"));
}

TEST(TextFile, CodePages)
{
    EXPECT_EQ(ToWindows1252("äöüÄÖÜß€"), QByteArray("\xe4\xf6\xfc\xc4\xd6\xdc\xdf\x80"));
    EXPECT_EQ(ToCp850("äöüÄÖÜß"), QByteArray("\x84\x94\x81\x8e\x99\x9a\xe1"));
    EXPECT_EQ(FromCp850(QByteArray("S\xa0nchez")), "Sánchez");
    EXPECT_TRUE(IsWindows1252("Sánchez €"));
    EXPECT_FALSE(IsWindows1252("Łukasz"));
}
