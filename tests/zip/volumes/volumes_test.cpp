// Split and spanned archives: naming and sizes, split sets checked by 7z,
// spanning over simulated disks with every prompt scripted, and the faults of
// volume handling (missing volumes, short copies, full disks, reused disks).
#include <gtest/gtest.h>

#include "support/archives.h"
#include "zip/simulateddisks.h"
#include "zip/volumemedia.h"
#include "zip/volumes.h"
#include "zip/zaerrors.h"
#include "zip/zipstream.h"

namespace hsa::zip {
namespace {

using namespace test;

TEST(VolumeNames, SizesOptionsAndNamesOfTheVolumes)
{
    ZASpanningOptions o;
    o.SetCustomVolumeSize(1000);
    EXPECT_EQ(o.CustomVolumeSize(), 65536);   // never below the least size
    const auto split = SpanningMode::Splitting, span = SpanningMode::Spanning;
    const struct {
        const char* archive;
        int index;
        SpanningMode mode;
        bool advanced, sfx;
        const char* volume;
    } rows[] = {
        {"/a/name.zip", 0, split, false, false, "/a/name.z01"},
        {"/a/NAME.ZIP", 1, split, false, false, "/a/NAME.Z02"},
        {"/a/name.zip", -1, split, false, false, "/a/name.zip"},
        {"/a/name.zip", 0, split, true, false, "/a/name_001.zip"},
        {"/a/name.exe", -1, split, false, true, "/a/name.zip"},
        {"/d/name.zip", 4, span, false, false, "/d/name.zip"},
        {"/d/name.zip", 4, span, true, false, "/d/name_005.zip"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(VolumeFileName(r.archive, r.index, {r.mode, r.advanced, r.sfx}), r.volume)
            << r.archive << " " << r.index;
}

// Failures end the run; nothing is asked.
void Quiet(ZABaseArchiver& z)
{
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                ZAAction& action) { action = ZAAction::Abort; };
}

// Starts a new set split into volumes of `size` bytes (0: as the disk allows).
void CreateSplit(ZipArchiver& z, const std::string& archive, int64_t size, bool advanced = false)
{
    Quiet(z);
    z.SetSpanningMode(SpanningMode::Splitting);
    if (size) {
        z.SpanningOptions.VolumeSize = ZAVolumeSize::Custom;
        z.SpanningOptions.SetCustomVolumeSize(size);
    }
    z.SpanningOptions.AdvancedNaming = advanced;
    z.SetFileName(archive);
    z.OpenArchive(openmode::Create);
}

// A set of two files split into volumes of 64 KiB.
void MakeSplit(const std::string& archive, const std::string& src, bool advanced)
{
    WriteFile(src + "/noten.bin", RandomBytes(200000, 1));
    WriteFile(src + "/liste.txt", TextBytes(30000, 2));
    fs::create_directories(fs::path(archive).parent_path());
    ZipArchiver z;
    CreateSplit(z, archive, 65536, advanced);
    z.SetBaseDir(src);
    z.BeginUpdate();
    EXPECT_EQ(z.AddFiles(src + "/*.*"), 2);
    z.EndUpdate();
    EXPECT_EQ(z.VolumeCount(), 4);
    EXPECT_THROW(z.BeginUpdate(), EZAException);   // a second transaction on the set
    z.CloseArchive();
}

TEST(SplitArchive, VolumesPassSevenZipReadBackAndAMissingOneCancels)
{
    for (const bool advanced : {false, true}) {
        SCOPED_TRACE(advanced ? "advanced names" : "numbered extensions");
        TempDir dir;
        MakeSplit(dir / "out/name.zip", dir / "src", advanced);
        const std::vector<std::string> volumes =
            advanced ? std::vector<std::string>{"name.zip", "name_001.zip", "name_002.zip", "name_003.zip"}
                     : std::vector<std::string>{"name.z01", "name.z02", "name.z03", "name.zip"};
        EXPECT_EQ(ListTree(dir / "out"), volumes);
        for (const auto& v : volumes)
            EXPECT_LE(fs::file_size(dir / ("out/" + v)), 65536u) << v;
        if (HaveTool("7z") && !advanced) {
            const auto r = RunShell("7z t " + Quote(dir / "out/name.zip"));
            EXPECT_EQ(r.status, 0) << r.output;
        }
        ZipArchiver z;
        Quiet(z);
        int requests = 0;
        z.OnRequestMiddleVolume = [&](ZABaseArchiver&, int, std::string&, bool&) { ++requests; };
        Open(z, dir / "out/name.zip");
        EXPECT_EQ(z.GetSpanningMode(), SpanningMode::Splitting);
        EXPECT_EQ(z.VolumeCount(), 4);
        z.SetBaseDir(dir / "back");
        EXPECT_EQ(z.ExtractFiles("*"), 2);
        EXPECT_EQ(ListTree(dir / "back"), ListTree(dir / "src"));
        EXPECT_EQ(ReadFile(dir / "back/noten.bin"), ReadFile(dir / "src/noten.bin"));
        EXPECT_THROW(z.BeginUpdate(), EZAException);   // an opened set is only read
        EXPECT_GT(requests, 0);
        z.CloseArchive();

        // Without its first volume the set does not open; a handler that
        // gives no file name cancels as well, and no other volume is read
        // in its place.
        fs::rename(dir / ("out/" + volumes[advanced ? 1 : 0]), dir / "first");
        EXPECT_EQ(NativeErrorOf([&] { z.OpenArchive(); }), err::OpenCancelled);
        z.OnRequestFirstVolume = [](ZABaseArchiver&, std::string& name, bool&) { name.clear(); };
        fs::copy_file(dir / ("out/" + volumes[2]), dir / ("out/" + volumes[advanced ? 1 : 0]));
        EXPECT_EQ(NativeErrorOf([&] { z.OpenArchive(); }), err::OpenCancelled);
    }
    // A single file opens without any volume request.
    TempDir dir;
    WriteFile(dir / "src/a.txt", "a");
    PackFolder(dir / "one.zip", dir / "src");
    ZipArchiver one;
    int requests = 0;
    one.OnRequestFirstVolume = one.OnRequestLastVolume = [&](ZABaseArchiver&, std::string&, bool&) { ++requests; };
    one.OnRequestMiddleVolume = [&](ZABaseArchiver&, int, std::string&, bool&) { ++requests; };
    Open(one, dir / "one.zip");
    EXPECT_EQ(one.GetSpanningMode(), SpanningMode::None);
    EXPECT_EQ(requests, 0);
}

TEST(SplitArchive, SetsSplitByZipOpenTestAndExtract)
{
    if (!HaveTool("zip"))
        GTEST_SKIP() << "zip is not installed: no set split by another tool can be made";
    // zip -s starts the first volume with the split marker; a set is no
    // self-extractor for that, and its first volume stays set.z01.
    const struct {
        const char* options;
        const char* password;
        int smallFiles;   // in src/klein/, so that the directory runs over a volume's end
        int volumes;
        SpanningMode mode;
    } rows[] = {
        {"-s 64k", "", 0, 4, SpanningMode::Splitting},
        {"-s 64k -P geheim", "geheim", 0, 4, SpanningMode::Splitting},
        {"-s 64k -Z store", "", 0, 4, SpanningMode::Splitting},
        {"-s 64k", "", 800, 6, SpanningMode::Splitting},
        {"-s 1m", "", 0, 1, SpanningMode::None},   // one volume, marker and all
        {"-s 64k -fz", "", 800, 6, SpanningMode::Splitting},   // Zip64 records
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.options + std::string(r.smallFiles ? " with small files" : ""));
        TempDir dir(MemoryFolder());
        WriteFile(dir / "src/noten.bin", RandomBytes(200000, 1));
        WriteFile(dir / "src/liste.txt", TextBytes(52000, 2));
        for (int i = 0; i < r.smallFiles; ++i)
            WriteFile(dir / ("src/klein/v." + std::to_string(i)), std::to_string(i));
        const auto made = RunShell("cd " + Quote(dir.path()) + " && zip -q -r " + r.options + " set.zip src");
        ASSERT_EQ(made.status, 0) << made.output;
        ZipArchiver z;
        Quiet(z);
        Open(z, dir / "set.zip", r.password);
        EXPECT_EQ(z.GetSpanningMode(), r.mode);
        EXPECT_EQ(z.VolumeCount(), r.volumes);
        const int folders = r.smallFiles ? 2 : 1;   // src/ and src/klein/ count as tested
        EXPECT_EQ(z.TestFiles("*.*"), 2 + r.smallFiles + folders);
        z.SetBaseDir(dir / "back");
        EXPECT_EQ(z.ExtractFiles("*.*"), 2 + r.smallFiles);
        EXPECT_EQ(ListTree(dir / "back/src"), ListTree(dir / "src"));
        for (const std::string name : {"src/noten.bin", "src/liste.txt"})
            EXPECT_EQ(ReadFile(dir / ("back/" + name)), ReadFile(dir / name)) << name;
    }
}

TEST(SplitArchive, AVolumeHandlerThatProvidesNoFileIsAskedAFewTimesAndTheVolumeNamed)
{
    TempDir dir;
    MakeSplit(dir / "out/name.zip", dir / "src", false);
    fs::remove(dir / "out/name.z02");
    ZipArchiver z;
    Quiet(z);
    int asked = 0;
    z.OnRequestMiddleVolume = [&](ZABaseArchiver&, int, std::string&, bool& cancel) {
        ++asked;
        cancel = false;   // "OK", but the disk holds no such file
    };
    std::string message;
    try {
        Open(z, dir / "out/name.zip");
    } catch (const EZAException& e) {
        message = e.what();
    }
    EXPECT_NE(message.find("name.z02\" not found"), std::string::npos) << message;
    EXPECT_GE(asked, 2);
    EXPECT_LE(asked, 3);
}

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

// A spanned set over four simulated disks of 90000 bytes.
struct SpanSet {
    SpanSet() : disks(dir / "media")
    {
        for (int i = 0; i < 4; ++i)
            disks.AddDisk(90000);
        WriteFile(dir / "src/noten.bin", RandomBytes(180000, 3));
        WriteFile(dir / "src/klein.txt", TextBytes(5000, 4));
    }
    void Attach(ZipArchiver& z, std::function<bool(const std::string&)> answer)
    {
        Quiet(z);
        z.Media = &disks;
        z.Dialogs = &user;
        user.okCancel = std::move(answer);
        z.SetFileName(disks.Drive() + "/klasse.zip");
    }
    // Writes the set; the native error the commit ends with (0: none).
    // Unless told otherwise the user inserts the disk each prompt names.
    int Write(std::function<bool(const std::string&)> answer = {})
    {
        ZipArchiver z;
        Attach(z, answer ? std::move(answer) : [this](const std::string& text) {
            disks.Insert(DiskNamed(text, 0));
            return true;
        });
        z.SetSpanningMode(SpanningMode::Spanning);
        z.SpanningOptions.AdvancedNaming = advanced;
        disks.Insert(1);
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(dir / "src");
        z.BeginUpdate();
        EXPECT_EQ(z.AddFiles(dir / "src/*.*"), 2);
        return NativeErrorOf([&] {
            z.EndUpdate();
            z.CloseArchive();
        });
    }
    void ReadBack(int lastDisk)
    {
        ZipArchiver z;
        user.asked.clear();
        Attach(z, [&](const std::string& text) {
            disks.Insert(DiskNamed(text, lastDisk));
            return true;
        });
        z.OpenArchive();
        EXPECT_EQ(z.GetSpanningMode(), SpanningMode::Spanning);
        EXPECT_EQ(z.VolumeCount(), lastDisk);
        z.SetBaseDir(dir / "back");
        EXPECT_EQ(z.ExtractFiles("*"), 2);
        for (const std::string name : {"noten.bin", "klein.txt"})
            EXPECT_EQ(ReadFile(dir / ("back/" + name)), ReadFile(dir / ("src/" + name))) << name;
        EXPECT_FALSE(user.asked.empty());
    }
    TempDir dir;
    SimulatedDisks disks;
    ScriptedDialogs user;
    bool advanced = false;
};

TEST(Spanning, AcrossSimulatedDisksWithLabelsAndPrompts)
{
    for (const bool advanced : {false, true}) {
        SCOPED_TRACE(advanced ? "numbered names on a fixed disk" : "one name on removable disks");
        SpanSet set;
        set.advanced = advanced;
        set.disks.removable = !advanced;   // labels only on removable media
        ASSERT_EQ(set.Write(), 0);
        ASSERT_GE(set.user.asked.size(), 3u);
        for (int d = 1; d <= 3; ++d) {
            EXPECT_EQ(set.user.asked[size_t(d - 1)], "Please insert a blank disk #" + std::to_string(d));
            EXPECT_LE(set.disks.Used(d), set.disks.Capacity(d)) << d;
            char name[32], label[32];
            std::snprintf(name, sizeof name, advanced && d < 3 ? "/klasse_%.3d.zip" : "/klasse.zip", d);
            EXPECT_TRUE(fs::exists(set.disks.DiskFolder(d) + name)) << name;
            std::snprintf(label, sizeof label, "pkback# %.3d", d);
            EXPECT_EQ(set.disks.DiskLabel(d), advanced ? "" : label);
        }
        EXPECT_EQ(set.disks.Used(4), 0u);
        set.ReadBack(3);
    }
}

TEST(Spanning, ADiskWithAnEarlierVolumeIsNeverWrittenOverAndACancelLeavesNothing)
{
    SpanSet set;
    bool leftInside = false;
    EXPECT_EQ(set.Write([&](const std::string& text) {
        if (text == "Please insert a blank disk #2" && !leftInside) {
            leftInside = true;   // the user forgets to change the disk
            return true;
        }
        set.disks.Insert(text.find("Teil 1 dieses Archivs") != std::string::npos ? 2 : DiskNamed(text, 0));
        return true;
    }), 0);
    EXPECT_TRUE(std::any_of(set.user.asked.begin(), set.user.asked.end(), [](const std::string& t) {
        return t.find("enthält Teil 1 dieses Archivs") != std::string::npos;
    }));
    set.ReadBack(3);

    // A cancel at the blank disk removes the partial set.
    SpanSet cancelled;
    EXPECT_EQ(cancelled.Write([&](const std::string& text) {
        if (text == "Please insert a blank disk #2")
            return false;
        cancelled.disks.Insert(DiskNamed(text, 0));
        return true;
    }), err::OpenCancelled);
    EXPECT_FALSE(fs::exists(cancelled.disks.DiskFolder(1) + "/klasse.zip"));
}

TEST(SplitFaults, AShortCopyAndAFullDiskRaiseAndTheOldArchiveStays)
{
    TempDir dir;
    fs::create_directories(dir / "out");
    {
        ZipArchiver z;
        CreateSplit(z, dir / "out/name.zip", 65536);
        // Adding outside an update is refused for a set.
        EXPECT_THROW(z.AddFiles(dir / "out/name.zip"), EZAException);
        MemoryStream shortSource(std::vector<unsigned char>(100, 'x'));
        EXPECT_EQ(NativeErrorOf([&] { z.CopyToVolumes(shortSource, 200, false); }), err::WriteError);
    }

    SimulatedDisks disks(dir / "media");
    disks.AddDisk(70000);
    disks.Insert(1);
    WriteFile(disks.Drive() + "/name.zip", "old archive");
    WriteFile(dir / "src/noten.bin", RandomBytes(150000, 5));
    ZipArchiver z;
    z.Media = &disks;
    CreateSplit(z, disks.Drive() + "/name.zip", 0);
    z.SetBaseDir(dir / "src");
    z.BeginUpdate();
    z.AddFiles(dir / "src/noten.bin");
    EXPECT_EQ(NativeErrorOf([&] { z.EndUpdate(); }), err::DiskFull);
    // The set that could not be finished is gone; the old archive stays.
    EXPECT_EQ(ReadFile(disks.Drive() + "/name.zip"), "old archive");
    EXPECT_EQ(disks.Used(1), 11u);
}

TEST(Spanning, AHandlerThatLeavesAnEarlierDiskInTheDriveIsAskedAFewTimes)
{
    SpanSet set;
    set.disks.removable = true;
    ASSERT_EQ(set.Write(), 0);
    set.disks.Insert(1);   // holds the first volume, without an end record
    ZipArchiver z;
    Quiet(z);
    z.Media = &set.disks;
    z.SetFileName(set.disks.Drive() + "/klasse.zip");
    int asked = 0;
    z.OnRequestLastVolume = [&](ZABaseArchiver&, std::string&, bool& cancel) {
        ++asked;
        cancel = false;
    };
    EXPECT_EQ(NativeErrorOf([&] { z.OpenArchive(); }), err::VolumeNotFound);
    EXPECT_GE(asked, 2);
    EXPECT_LE(asked, 3);
}

} // namespace
} // namespace hsa::zip
