#include "classes/fileops.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hsa;

TEST(TextFile, WritesWindows1252WithCrLf)
{
    test::TempProgramFolder dir;
    WriteTextLines(dir.file("x.dat"), {"Müller", "", "Straße ä"});
    EXPECT_EQ(dir.read("x.dat"), QByteArray("M\xfcller\r\n\r\nStra\xdf" "e \xe4\r\n"));
    EXPECT_EQ(ReadTextLines(dir.file("x.dat")), QStringList({"Müller", "", "Straße ä"}));
}

TEST(TextFile, ReadsLfAndLastLineWithoutEnd)
{
    test::TempProgramFolder dir;
    dir.write("a", "eins\ntwo\r\ndrei");
    EXPECT_EQ(ReadTextLines(dir.file("a")), QStringList({"eins", "two", "drei"}));
    dir.write("b", "");
    EXPECT_TRUE(ReadTextLines(dir.file("b")).isEmpty());
    dir.write("c", "\r\n");
    EXPECT_EQ(ReadTextLines(dir.file("c")), QStringList({""}));
    dir.write("d", "x\r\n\x1a");
    EXPECT_EQ(ReadTextLines(dir.file("d")), QStringList({"x"}));
    EXPECT_EQ(ReadFirstLine(dir.file("a")), "eins");
}

TEST(TextFile, MissingFileRaises)
{
    test::TempProgramFolder dir;
    EXPECT_THROW(ReadTextLines(dir.file("nix.dat")), FileError);
}

TEST(TextFile, AtomicWriteKeepsOldFileWhenFolderIsGone)
{
    test::TempProgramFolder dir;
    EXPECT_THROW(WriteFileAtomic(dir.file("gone/x.dat"), "abc"), FileError);
    dir.write("keep.dat", "old");
    WriteFileAtomic(dir.file("keep.dat"), "new");
    EXPECT_EQ(dir.read("keep.dat"), QByteArray("new"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(TextFile, AtomicWriteFailingAtAnyStepKeepsOldFile)
{
    test::TempProgramFolder dir;
    dir.write("keep.dat", "old");
    int steps = 0;
    {
        FileFaultScope count(0);
        WriteFileAtomic(dir.file("keep.dat"), "old");
        steps = count.steps();
    }
    ASSERT_EQ(steps, 2);
    for (int failAt = 1; failAt <= steps; ++failAt) {
        FileFaultScope fault(failAt);
        EXPECT_THROW(WriteFileAtomic(dir.file("keep.dat"), "new"), FileError) << "step " << failAt;
        EXPECT_EQ(dir.read("keep.dat"), QByteArray("old")) << "step " << failAt;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "step " << failAt;
    }
}

TEST(TextFile, AtomicWriteRefusedInReadOnlyFolderLeavesOldContent)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    test::TempProgramFolder dir;
    dir.write("sub/keep.dat", "old");
    QFile::setPermissions(dir.file("sub"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(WriteFileAtomic(dir.file("sub/keep.dat"), "new"), FileError);
    QFile::setPermissions(dir.file("sub"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(dir.read("sub/keep.dat"), QByteArray("old"));
}

TEST(TextFile, CaseInsensitiveLookup)
{
    test::TempProgramFolder dir;
    dir.write("Fa9-Mit.DAT", "x");
    dir.write("doc/Anlage.DOC", "y");
    EXPECT_EQ(FindFileCI(dir.path(), "fa9-mit.dat"), dir.file("Fa9-Mit.DAT"));
    EXPECT_EQ(FindFileCI(dir.path(), "DOC/anlage.doc"), dir.file("doc/Anlage.DOC"));
    EXPECT_EQ(FindFileCI(dir.path(), "neu.dat"), dir.file("neu.dat"));
    EXPECT_EQ(FindFileCI(dir.path(), "DOC/neu.doc"), dir.file("doc/neu.doc"));
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
