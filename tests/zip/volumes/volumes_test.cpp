// Split and spanned archives: naming and sizes, split sets checked by 7z,
// spanning over simulated disks with every prompt scripted, and the faults
// of volume handling (requests without a file, short copies, full disks,
// disks that still hold an earlier volume).

#include <gtest/gtest.h>

#include "support/ziptestsupport.h"
#include "zip/archiver.h"
#include "zip/volumemedia.h"
#include "zip/volumes.h"
#include "zip/zaerrors.h"
#include "zip/zipstream.h"

#include <functional>

namespace hsa::zip {
namespace {

using test::HaveTool;
using test::Quote;
using test::RandomBytes;
using test::ReadFile;
using test::RunShell;
using test::TempDir;
using test::TextBytes;
using test::WriteFile;
namespace fs = std::filesystem;

TEST(VolumeNames, SizesOptionsAndNamesOfTheVolumes)
{
    ZASpanningOptions o;
    o.SetCustomVolumeSize(1000);
    EXPECT_EQ(o.CustomVolumeSize(), 65536);
    o.SetCustomVolumeSize(-5);
    EXPECT_EQ(o.CustomVolumeSize(), 65536);
    EXPECT_EQ(o.VolumeSizeFor(0), -1);   // auto-detect
    o.VolumeSize = ZAVolumeSize::Size1_44MB;
    EXPECT_EQ(o.VolumeSizeFor(3), 1457664);
    o.FirstVolumeSize = 70000;
    EXPECT_EQ(o.VolumeSizeFor(0), 70000);
    EXPECT_EQ(o.VolumeSizeFor(1), 1457664);
    EXPECT_EQ(VolumeSizeBytes(ZAVolumeSize::Size4700MB, 0), 4928307200LL);

    VolumeNaming split{SpanningMode::Splitting, false, false, 8};
    EXPECT_EQ(VolumeFileName("/a/name.zip", 0, split), "/a/name.z01");
    EXPECT_EQ(VolumeFileName("/a/name.zip", 11, split), "/a/name.z12");
    EXPECT_EQ(VolumeFileName("/a/NAME.ZIP", 1, split), "/a/NAME.Z02");
    EXPECT_EQ(VolumeFileName("/a/name.zip", -1, split), "/a/name.zip");
    VolumeNaming advanced = split;
    advanced.advancedNaming = true;
    EXPECT_EQ(VolumeFileName("/a/name.zip", 0, advanced), "/a/name_001.zip");
    VolumeNaming sfx = split;
    sfx.selfExtracting = true;
    EXPECT_EQ(VolumeFileName("/a/name.exe", 0, sfx), "/a/name.exe");
    EXPECT_EQ(VolumeFileName("/a/name.exe", -1, sfx), "/a/name.zip");
    VolumeNaming span{SpanningMode::Spanning, false, false, 8};
    EXPECT_EQ(VolumeFileName("/d/name.zip", 4, span), "/d/name.zip");
    span.advancedNaming = true;
    EXPECT_EQ(VolumeFileName("/d/name.zip", 4, span), "/d/name_005.zip");
    EXPECT_TRUE(IsExecutableName("X.EXE"));
    EXPECT_FALSE(IsExecutableName("exe.zip"));
}

// Failures end the run; nothing is asked.
void Quiet(ZABaseArchiver& z)
{
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                ZAAction& action) { action = ZAAction::Abort; };
}

int CountFiles(const std::string& folder)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        n += e.is_regular_file() ? 1 : 0;
    return n;
}

class SplitArchive : public ::testing::Test {
protected:
    void Make(bool advanced)
    {
        WriteFile(dir / "src/noten.bin", RandomBytes(200000, 1));
        WriteFile(dir / "src/liste.txt", TextBytes(30000, 2));
        ZipArchiver z;
        Quiet(z);
        z.SetSpanningMode(SpanningMode::Splitting);
        z.SpanningOptions.VolumeSize = ZAVolumeSize::Custom;
        z.SpanningOptions.SetCustomVolumeSize(65536);
        z.SpanningOptions.AdvancedNaming = advanced;
        z.SetFileName(dir / "out/name.zip");
        fs::create_directories(dir / "out");
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(dir / "src");
        z.BeginUpdate();
        EXPECT_EQ(z.AddFiles(dir / "src/*.*"), 2);
        z.EndUpdate();
        EXPECT_EQ(z.VolumeCount(), 4);
        // A second transaction on the same set is refused.
        EXPECT_THROW(z.BeginUpdate(), EZAException);
        z.CloseArchive();
    }
    void ReadBack(int volumes)
    {
        ZipArchiver z;
        Quiet(z);
        int requests = 0;
        z.OnRequestMiddleVolume = [&](ZABaseArchiver&, int, std::string&, bool&) { ++requests; };
        z.SetFileName(dir / "out/name.zip");
        z.OpenArchive();
        EXPECT_EQ(z.GetSpanningMode(), SpanningMode::Splitting);
        EXPECT_EQ(z.VolumeCount(), volumes);
        ASSERT_EQ(z.FileCount(), 2);
        z.SetBaseDir(dir / "back");
        EXPECT_EQ(z.ExtractFiles("*"), 2);
        EXPECT_EQ(ReadFile(dir / "back/noten.bin"), ReadFile(dir / "src/noten.bin"));
        EXPECT_EQ(ReadFile(dir / "back/liste.txt"), ReadFile(dir / "src/liste.txt"));
        // Changing an opened set is refused; it is only read.
        EXPECT_THROW(z.BeginUpdate(), EZAException);
        EXPECT_GT(requests, 0);
    }
    TempDir dir;
};

TEST_F(SplitArchive, NumberedVolumesPassSevenZipAndReadBack)
{
    Make(false);
    for (const char* v : {"name.z01", "name.z02", "name.z03", "name.zip"}) {
        ASSERT_TRUE(fs::exists(dir / ("out/" + std::string(v)))) << v;
        EXPECT_LE(fs::file_size(dir / ("out/" + std::string(v))), 65536u) << v;
    }
    EXPECT_EQ(CountFiles(dir / "out"), 4);
    if (HaveTool("7z")) {
        const auto r = RunShell("7z t " + Quote(dir / "out/name.zip"));
        EXPECT_EQ(r.status, 0) << r.output;
    }
    ReadBack(4);
}

TEST_F(SplitArchive, AdvancedNamingKeepsTheExtensionAtTheEnd)
{
    Make(true);
    for (const char* v : {"name_001.zip", "name_002.zip", "name_003.zip", "name.zip"})
        EXPECT_TRUE(fs::exists(dir / ("out/" + std::string(v)))) << v;
    ReadBack(4);
}

TEST_F(SplitArchive, AMissingVolumeEndsWithTheCancelError)
{
    Make(false);
    fs::remove(dir / "out/name.z01");
    ZipArchiver z;
    Quiet(z);
    z.SetFileName(dir / "out/name.zip");
    try {
        z.OpenArchive();
        FAIL() << "opened without its first volume";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), err::OpenCancelled);
    }
    // A handler that gives no file name cancels as well, and no other
    // volume is read in its place.
    fs::copy_file(dir / "out/name.z02", dir / "out/name.z01");
    ZipArchiver y;
    Quiet(y);
    y.OnRequestFirstVolume = [](ZABaseArchiver&, std::string& name, bool&) { name.clear(); };
    y.SetFileName(dir / "out/name.zip");
    try {
        y.OpenArchive();
        FAIL() << "opened without a file for the first volume";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), err::OpenCancelled);
    }
}

TEST(SingleFile, OpensWithoutAnyVolumeRequest)
{
    TempDir dir;
    WriteFile(dir / "a.txt", "Klasse 10b");
    {
        ZipArchiver z;
        z.SetFileName(dir / "one.zip");
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(dir.path());
        z.AddFiles(dir / "a.txt");
        z.CloseArchive();
    }
    ZipArchiver z;
    int requests = 0;
    z.OnRequestFirstVolume = z.OnRequestLastVolume = [&](ZABaseArchiver&, std::string&, bool&) { ++requests; };
    z.OnRequestMiddleVolume = [&](ZABaseArchiver&, int, std::string&, bool&) { ++requests; };
    z.SetFileName(dir / "one.zip");
    z.OpenArchive();
    EXPECT_EQ(z.GetSpanningMode(), SpanningMode::None);
    EXPECT_EQ(z.FileCount(), 1);
    EXPECT_EQ(requests, 0);
}

// The user at the drive: every OK/Cancel question is recorded and answered
// by the script, which may swap the disk first.
class DiskUser : public ZipDialogs {
public:
    OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::No; }
    FailureAnswer AskFailure(const std::string&, bool) override { return FailureAnswer::Abort; }
    std::optional<std::string> AskPassword(const std::string&, const std::string&) override { return std::nullopt; }
    bool AskOkCancel(const std::string& text) override
    {
        asked.push_back(text);
        return answer ? answer(text) : false;
    }
    std::vector<std::string> asked;
    std::function<bool(const std::string&)> answer;
};

// "... disk #3" -> 3, "first disk" -> 1, "last disk" -> last.
int DiskNamed(const std::string& text, int last)
{
    if (text.find("first disk") != std::string::npos)
        return 1;
    if (text.find("last disk") != std::string::npos)
        return last;
    const size_t hash = text.find('#');
    return hash == std::string::npos ? 0 : std::atoi(text.c_str() + hash + 1);
}

class Spanning : public ::testing::Test {
protected:
    Spanning() : disks(dir / "media")
    {
        for (int i = 0; i < 4; ++i)
            disks.AddDisk(90000);
        WriteFile(dir / "src/noten.bin", RandomBytes(180000, 3));
        WriteFile(dir / "src/klein.txt", TextBytes(5000, 4));
    }
    // Writes the set; the user inserts the disk each prompt names.  The
    // commit ends with the native error `fails` (0: none).
    void Write(std::function<bool(const std::string&)> answer, int fails = 0)
    {
        ZipArchiver z;
        Quiet(z);
        z.Media = &disks;
        z.Dialogs = &user;
        user.answer = std::move(answer);
        z.SetSpanningMode(SpanningMode::Spanning);
        z.SpanningOptions.AdvancedNaming = advanced;
        z.SetFileName(disks.Drive() + "/klasse.zip");
        disks.Insert(1);
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(dir / "src");
        z.BeginUpdate();
        EXPECT_EQ(z.AddFiles(dir / "src/*.*"), 2);
        int error = 0;
        try {
            z.EndUpdate();
        } catch (const EZAException& e) {
            error = e.NativeError();
        }
        EXPECT_EQ(error, fails);
        if (!error)
            z.CloseArchive();
    }
    void ReadBack(int lastDisk)
    {
        ZipArchiver z;
        Quiet(z);
        z.Media = &disks;
        z.Dialogs = &user;
        user.asked.clear();
        user.answer = [&](const std::string& text) {
            disks.Insert(DiskNamed(text, lastDisk));
            return true;
        };
        z.SetFileName(disks.Drive() + "/klasse.zip");
        z.OpenArchive();
        EXPECT_EQ(z.GetSpanningMode(), SpanningMode::Spanning);
        EXPECT_EQ(z.VolumeCount(), lastDisk);
        ASSERT_EQ(z.FileCount(), 2);
        z.SetBaseDir(dir / "back");
        EXPECT_EQ(z.ExtractFiles("*"), 2);
        EXPECT_EQ(ReadFile(dir / "back/noten.bin"), ReadFile(dir / "src/noten.bin"));
        EXPECT_EQ(ReadFile(dir / "back/klein.txt"), ReadFile(dir / "src/klein.txt"));
        EXPECT_FALSE(user.asked.empty());
    }
    TempDir dir;
    SimulatedDisks disks;
    DiskUser user;
    bool advanced = false;
};

TEST_F(Spanning, AcrossSimulatedDisksWithLabelsAndPrompts)
{
    Write([&](const std::string& text) {
        disks.Insert(DiskNamed(text, 0));
        return true;
    });
    ASSERT_GE(user.asked.size(), 3u);
    EXPECT_EQ(user.asked[0], "Please insert a blank disk #1");
    EXPECT_EQ(user.asked[1], "Please insert a blank disk #2");
    EXPECT_EQ(user.asked[2], "Please insert a blank disk #3");
    for (int d = 1; d <= 3; ++d) {
        EXPECT_LE(disks.Used(d), disks.Capacity(d)) << d;
        EXPECT_TRUE(fs::exists(disks.DiskFolder(d) + "/klasse.zip")) << d;
        char label[32];
        std::snprintf(label, sizeof label, "pkback# %.3d", d);
        EXPECT_EQ(disks.DiskLabel(d), label);
    }
    EXPECT_EQ(disks.Used(4), 0u);
    ReadBack(3);
}

TEST_F(Spanning, NumberedNamesAreFoundOnEachDisk)
{
    advanced = true;
    Write([&](const std::string& text) {
        disks.Insert(DiskNamed(text, 0));
        return true;
    });
    EXPECT_TRUE(fs::exists(disks.DiskFolder(2) + "/klasse_002.zip"));
    ReadBack(3);
}

TEST_F(Spanning, ADiskWithAnEarlierVolumeIsNeverWrittenOver)
{
    bool leftInside = false;
    Write([&](const std::string& text) {
        if (text == "Please insert a blank disk #2" && !leftInside) {
            leftInside = true;   // the user forgets to change the disk
            return true;
        }
        if (text.find("Teil 1 dieses Archivs") != std::string::npos) {
            disks.Insert(2);
            return true;
        }
        disks.Insert(DiskNamed(text, 0));
        return true;
    });
    bool warned = false;
    for (const auto& t : user.asked)
        warned = warned || t.find("enthält Teil 1 dieses Archivs") != std::string::npos;
    EXPECT_TRUE(warned);
    ReadBack(3);
}

TEST_F(Spanning, LabelsOnlyOnRemovableMedia)
{
    disks.removable = false;
    Write([&](const std::string& text) {
        disks.Insert(DiskNamed(text, 0));
        return true;
    });
    for (int d = 1; d <= 3; ++d)
        EXPECT_EQ(disks.DiskLabel(d), "") << d;
}

TEST_F(Spanning, CancelledBlankDiskRemovesThePartialSet)
{
    Write(
        [&](const std::string& text) {
            if (text == "Please insert a blank disk #2")
                return false;
            disks.Insert(DiskNamed(text, 0));
            return true;
        },
        err::OpenCancelled);
    EXPECT_FALSE(fs::exists(disks.DiskFolder(1) + "/klasse.zip"));
}

TEST(SplitFaults, AShortCopyAndAFullDiskRaiseAndTheOldArchiveStays)
{
    TempDir dir;
    fs::create_directories(dir / "out");
    {
        ZipArchiver z;
        Quiet(z);
        z.SetSpanningMode(SpanningMode::Splitting);
        z.SpanningOptions.VolumeSize = ZAVolumeSize::Custom;
        z.SpanningOptions.SetCustomVolumeSize(65536);
        z.SetFileName(dir / "out/name.zip");
        z.OpenArchive(openmode::Create);
        // Adding outside an update is refused for a set.
        EXPECT_THROW(z.AddFiles(dir / "out/name.zip"), EZAException);
        MemoryStream shortSource(std::vector<unsigned char>(100, 'x'));
        try {
            z.CopyToVolumes(shortSource, 200, false);
            FAIL() << "a short copy went unnoticed";
        } catch (const EZAException& e) {
            EXPECT_EQ(e.NativeError(), err::WriteError);
        }
    }

    SimulatedDisks disks(dir / "media");
    disks.AddDisk(70000);
    disks.Insert(1);
    WriteFile(disks.Drive() + "/name.zip", "old archive");
    WriteFile(dir / "src/noten.bin", RandomBytes(150000, 5));
    ZipArchiver z;
    Quiet(z);
    z.Media = &disks;
    z.SetSpanningMode(SpanningMode::Splitting);
    z.SetFileName(disks.Drive() + "/name.zip");
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir / "src");
    z.BeginUpdate();
    z.AddFiles(dir / "src/noten.bin");
    try {
        z.EndUpdate();
        FAIL() << "a full disk went unnoticed";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), err::DiskFull);
    }
    // The set that could not be finished is gone; the old archive stays.
    EXPECT_EQ(ReadFile(disks.Drive() + "/name.zip"), "old archive");
    EXPECT_EQ(disks.Used(1), 11u);
}

} // namespace
} // namespace hsa::zip

namespace hsa::zip {
namespace {

TEST(SystemMedia, ATemporaryFolderIsAFixedDiskWithRoom)
{
    test::TempDir dir;
    SystemVolumeMedia media;
    const std::string file = dir / "noch-nicht-da/name.zip";   // need not exist
    EXPECT_FALSE(media.IsRemovable(file));
    const auto free = media.FreeSpace(file);
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0u);
}

} // namespace
} // namespace hsa::zip
