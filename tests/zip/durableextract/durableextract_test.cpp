// Durable extraction: a run cut off at any change it makes to the disk
// leaves every file under its real name old or new, never a part of one; the
// next run into the same target removes what the cut-off run left there and
// nothing else; and a durable run decides names that clash within one
// archive, or with a folder of the same archive, exactly as the fast mode does.
#include "zip/codepage.h"
#include "zip/runrecord.h"
#include "zip/safefs.h"

#include "support/archives.h"
#include "support/rawzip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

long killAt = 0;
long changesMade = 0;

void CountChange(FsChange)
{
    if (++changesMade == killAt)
        ::raise(SIGKILL);
}

// Runs body in a child that is killed right before its killAt-th change of
// the file system; true when it was killed there, false when it ran to its
// end.  A body that fails ends the child with a code the test reports.
bool RunKilledAt(long at, const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        killAt = at;
        changesMade = 0;
        SetFsChangeHook(&CountChange);
        int code = 97;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        ::_exit(code);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "no child";
        return false;
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        return true;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the run ended with " << (WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status));
    return false;
}

// A complete durable extraction of the whole archive; 0 when nothing failed.
int ExtractDurably(const std::string& archive, const std::string& target)
{
    ZipArchiver z;
    FailureLog failures;
    failures.Attach(z);
    z.SyncExtractedFiles = true;
    Open(z, archive);
    z.SetBaseDir(target);
    z.ExtractFiles("*.*");
    z.CloseArchive();
    return failures.codes.empty() ? 0 : 10 + failures.codes.front() % 100;
}

bool FullSweep()
{
    const char* v = std::getenv("HSA_FULL_SWEEP");
    return v && std::string(v) == "1";
}

unsigned SweepSeed()
{
    const char* v = std::getenv("HSA_SWEEP_SEED");
    const unsigned seed = v ? unsigned(std::strtoul(v, nullptr, 10))
                            : unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    std::printf("kill sweep seed %u (HSA_SWEEP_SEED), %s set (HSA_FULL_SWEEP=1: every point)\n", seed,
                FullSweep() ? "full" : "reduced");
    return seed;
}

// The paths of a tree that are no file of the user's: hidden names (the
// trees of these tests hold none of their own).
bool IsEngineName(const std::string& path)
{
    return path[0] == '.' || path.find("/.") != std::string::npos;
}

struct Scenario {
    const char* name;
    Files old;    // the target's tree before the run
    Files news;   // the archive
};

std::vector<Scenario> Scenarios()
{
    const Files news = {
        {"alt/a.txt", "neu a"},
        {"alt/b.bin", RandomBytes(600000, 7)},   // more than one write
        {"alt/tief/c.txt", TextBytes(3000, 8)},
        {"alt/neu/d.txt", "neu d"},
        {"neu/x/y.txt", TextBytes(700, 9)},
        {"neu/z.txt", ""},
        {"wurzel.txt", "neu w"},
    };
    return {
        {"over the old tree",
         {{"alt/a.txt", "alt a"}, {"alt/b.bin", RandomBytes(1000, 3)}, {"alt/tief/c.txt", "alt c"},
          {"nur-alt.txt", "bleibt"}},
         news},
        {"into an empty folder", {{"nur-alt.txt", "bleibt"}}, news},
    };
}

// What a cut-off run may leave: every file the user sees holds its old or
// its new bytes, and no old file is gone.
void OldOrNewFileByFile(const std::string& target, const Scenario& s, const std::string& at)
{
    for (const auto& p : ListTree(target, false)) {
        if (IsEngineName(p))
            continue;
        const std::string bytes = ReadFile(target + "/" + p);
        const bool old = s.old.count(p) && s.old.at(p) == bytes;
        const bool fresh = s.news.count(p) && s.news.at(p) == bytes;
        EXPECT_TRUE(old || fresh) << at << ": " << p << " is neither old nor new";
    }
    for (const auto& [p, bytes] : s.old)
        EXPECT_TRUE(fs::exists(target + "/" + p)) << at << ": " << p << " is gone";
}

// After a complete run: the new tree over the old one, nothing else.
void NewTreeOnly(const std::string& target, const Scenario& s, const std::string& at, int& failed)
{
    Files expected = s.old;
    for (const auto& [p, bytes] : s.news)
        expected[p] = bytes;
    std::vector<std::string> names;
    for (const auto& [p, bytes] : expected)
        names.push_back(p);
    const std::vector<std::string> got = ListTree(target, false);
    bool ok = got == names;
    EXPECT_EQ(got, names) << at;
    for (const auto& [p, bytes] : expected) {
        const bool same = fs::exists(target + "/" + p) && ReadFile(target + "/" + p) == bytes;
        ok = ok && same;
        EXPECT_TRUE(same) << at << ": " << p;
    }
    if (!ok)
        ++failed;
}

} // namespace

TEST(ZipDurableExtract, ACutOffRunLeavesOldOrNewFilesAndTheNextRunLeavesNothingOfTheEngine)
{
    const unsigned seed = SweepSeed();
    const bool full = FullSweep();
    for (const Scenario& s : Scenarios()) {
        SCOPED_TRACE(s.name);
        TempDir dir(MemoryFolder());
        LayOut(dir / "quelle", s.news);
        const std::string archive = dir / "neu.zip";
        PackFolder(archive, dir / "quelle");
        const std::string target = dir / "ziel";
        auto fresh = [&] {
            fs::remove_all(target);
            fs::create_directories(target);
            LayOut(target, s.old);
        };
        auto run = [&] { return ExtractDurably(archive, target); };
        // Every change of one run; the run ends by itself after its last one.
        int points = 0, failed = 0;
        long total = 0;
        for (long n = 1;; ++n) {
            fresh();
            if (!RunKilledAt(n, run)) {
                total = n;
                break;
            }
            ++points;
            const std::string at = "killed at change " + std::to_string(n);
            OldOrNewFileByFile(target, s, at);
            EXPECT_EQ(run(), 0) << at;
            NewTreeOnly(target, s, at, failed);
        }
        std::printf("%s: %d kill points of about %ld changes, %d left more than the new tree\n", s.name, points,
                    total, failed);
        EXPECT_GT(points, 15);
        // A second kill while the next run clears up and extracts again:
        // after four seeded first kills at every other change, or all pairs.
        int pairs = 0, pairsFailed = 0;
        const long firsts = full ? total : 4;
        for (long k = 0; k < firsts; ++k) {
            const long n = full ? k + 1 : 1 + long((seed / 7 + unsigned(k) * 2654435761u) % unsigned(total));
            for (long m = 1 + (full ? 0 : long(seed % 2));; m += full ? 1 : 2) {
                fresh();
                if (!RunKilledAt(n, run))
                    break;
                const bool killedAgain = RunKilledAt(m, run);
                const std::string at =
                    "killed at change " + std::to_string(n) + ", then at " + std::to_string(m);
                OldOrNewFileByFile(target, s, at);
                EXPECT_EQ(run(), 0) << at;
                ++pairs;
                NewTreeOnly(target, s, at, pairsFailed);
                if (!killedAgain)
                    break;
            }
        }
        std::printf("%s: %d double kills, %d left more than the new tree\n", s.name, pairs, pairsFailed);
    }
}

namespace {

// One extraction of a crafted archive in one mode: the tree it leaves, the
// failures named through the handler, the questions asked and its count.
struct Outcome {
    std::vector<std::string> tree;
    Files bytes;
    std::vector<std::string> failed;
    std::vector<int> codes;
    int asked = 0;
    int extracted = 0;
};

Outcome ExtractInMode(const std::string& archive, const std::string& target, bool sync, OverwriteMode mode,
                      bool confirm, const Files& old = {})
{
    fs::remove_all(target);
    fs::create_directories(target);
    LayOut(target, old);
    Outcome o;
    ZipArchiver z;
    FailureLog failures;
    failures.Attach(z);
    z.SyncExtractedFiles = sync;
    z.Options.OverwriteMode_ = mode;
    z.OnConfirmOverwrite = [&](ZABaseArchiver&, const std::string&, std::string&, bool& c) {
        ++o.asked;
        c = confirm;
    };
    Open(z, archive);
    z.SetBaseDir(target);
    o.extracted = z.ExtractFiles("*.*");
    z.CloseArchive();
    o.tree = ListTree(target);
    for (const auto& p : ListTree(target, false))
        o.bytes[p] = ReadFile(target + "/" + p);
    o.failed = failures.names;
    o.codes = failures.codes;
    return o;
}

void ExpectSameOutcome(const Outcome& fast, const Outcome& durable)
{
    EXPECT_EQ(durable.tree, fast.tree);
    EXPECT_TRUE(durable.bytes == fast.bytes);
    EXPECT_EQ(durable.failed, fast.failed);
    EXPECT_EQ(durable.codes, fast.codes);
    EXPECT_EQ(durable.asked, fast.asked);
    EXPECT_EQ(durable.extracted, fast.extracted);
}

} // namespace

TEST(ZipDurableExtract, ANameTwiceInOneArchiveFollowsTheOverwriteModeAsInFastMode)
{
    struct Case {
        const char* name;   // both entries'
        bool oldFile;       // the target holds the name before the run
        OverwriteMode mode;
        bool confirm;       // the answer to the overwrite question
        const char* kept;
        int asked;
    };
    const Case cases[] = {
        {"d.txt", false, OverwriteMode::Never, false, "eins", 0},
        {"d.txt", false, OverwriteMode::Prompt, false, "eins", 1},
        {"d.txt", false, OverwriteMode::Prompt, true, "zwei", 1},
        {"d.txt", false, OverwriteMode::Always, false, "zwei", 0},
        {"d.txt", false, OverwriteMode::IfNewer, false, "eins", 0},
        {"d.txt", false, OverwriteMode::IfOlder, false, "eins", 0},
        {"neu/d.txt", false, OverwriteMode::Never, false, "eins", 0},
        {"neu/d.txt", false, OverwriteMode::Prompt, false, "eins", 1},
        {"neu/d.txt", false, OverwriteMode::Prompt, true, "zwei", 1},
        {"neu/d.txt", false, OverwriteMode::Always, false, "zwei", 0},
        {"neu/d.txt", false, OverwriteMode::IfOlder, false, "eins", 0},
        {"d.txt", true, OverwriteMode::Never, false, "alt", 0},
        {"d.txt", true, OverwriteMode::Prompt, false, "alt", 2},
        {"d.txt", true, OverwriteMode::Prompt, true, "zwei", 2},
        {"d.txt", true, OverwriteMode::IfNewer, false, "alt", 0},
    };
    TempDir dir(MemoryFolder());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.oldFile ? " over an old file" : "") + ", mode "
                     + std::to_string(int(c.mode)) + (c.confirm ? ", yes" : ", no"));
        RawArchive a;
        a.entries.push_back(Stored(c.name, "eins"));
        a.entries.push_back(Stored("anderes.txt", "dazwischen"));
        a.entries.push_back(Stored(c.name, "zwei"));
        WriteFile(dir / "zweimal.zip", a.Build());
        const Files old = c.oldFile ? Files{{c.name, "alt"}} : Files{};
        const Outcome fast = ExtractInMode(dir / "zweimal.zip", dir / "schnell", false, c.mode, c.confirm, old);
        const Outcome durable = ExtractInMode(dir / "zweimal.zip", dir / "sicher", true, c.mode, c.confirm, old);
        EXPECT_EQ(fast.bytes.at(c.name), c.kept);
        EXPECT_EQ(fast.asked, c.asked);
        ExpectSameOutcome(fast, durable);
    }
}

TEST(ZipDurableExtract, AFileAndAFolderOfOneNameFailOneItemThroughTheHandlerAsInFastMode)
{
    struct Case {
        const char* what;
        std::vector<RawEntry> entries;
        const char* failed;   // the item the handler is asked about
    };
    RawEntry folder = Stored("f/", "");
    folder.externalAttr = 0x10;
    RawEntry deepFolder = Stored("neu/f/", "");
    deepFolder.externalAttr = 0x10;
    const Case cases[] = {
        {"file, then a file below it", {Stored("f", "datei"), Stored("f/inside.txt", "innen"), Stored("g", "g")},
         "f/inside.txt"},
        {"file below, then the file", {Stored("f/inside.txt", "innen"), Stored("f", "datei"), Stored("g", "g")}, "f"},
        {"file, then its folder entry", {Stored("f", "datei"), folder, Stored("g", "g")}, "f/"},
        {"in a new folder: file, then a file below it",
         {Stored("neu/f", "datei"), Stored("neu/f/inside.txt", "innen"), Stored("neu/g", "g")}, "neu/f/inside.txt"},
        {"in a new folder: file below, then the file",
         {Stored("neu/f/inside.txt", "innen"), Stored("neu/f", "datei"), Stored("neu/g", "g")}, "neu/f"},
        {"in a new folder: folder entry, then the file",
         {deepFolder, Stored("neu/f", "datei"), Stored("neu/g", "g")}, "neu/f"},
    };
    TempDir dir(MemoryFolder());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawArchive a;
        a.entries = c.entries;
        WriteFile(dir / "konflikt.zip", a.Build());
        const Outcome fast =
            ExtractInMode(dir / "konflikt.zip", dir / "schnell", false, OverwriteMode::Always, false);
        const Outcome durable =
            ExtractInMode(dir / "konflikt.zip", dir / "sicher", true, OverwriteMode::Always, false);
        EXPECT_EQ(fast.failed, std::vector<std::string>{c.failed});
        ExpectSameOutcome(fast, durable);
        EXPECT_EQ(durable.bytes.count(c.entries.back().name), 1u) << "the file after the clash is extracted";
    }
}

namespace {

std::function<void()> onChange;
void CallOnChange(FsChange)
{
    onChange();
}

} // namespace

TEST(ZipDurableExtract, WaitingNamesAreCutAtACharacterBoundary)
{
    // Long names whose 64th byte falls inside a character of two, three and
    // four bytes.
    struct Case {
        const char* what;
        std::string entry;
        bool sync;
        bool oldFile;   // the name exists before the run
    };
    std::vector<Case> cases;
    for (const std::string ch : {"\xC3\xA4", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        const std::string longName = std::string(63, 'a') + ch + ch + ".txt";
        cases.push_back({"new folder", longName + "/x.txt", true, false});
        cases.push_back({"new file", longName, true, false});
        cases.push_back({"replaced file", longName, true, true});
        cases.push_back({"replaced file, fast", longName, false, true});
    }
    TempDir dir(MemoryFolder());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what + std::string(" ") + c.entry);
        RawArchive a;
        a.entries.push_back(Stored(c.entry, "neu"));
        a.entries.push_back(Stored("danach.txt", "danach"));
        WriteFile(dir / "lang.zip", a.Build());
        const std::string target = dir / "ziel";
        fs::remove_all(target);
        fs::create_directories(target);
        if (c.oldFile)
            WriteFile(target + "/" + c.entry, "alt");
        ZipArchiver z;
        FailureLog failures;
        failures.Attach(z);
        z.SyncExtractedFiles = c.sync;
        // Before every change of the disk the waiting names made so far are there.
        std::vector<std::string> seen;
        onChange = [&] {
            for (const auto& p : ListTree(target))
                seen.push_back(p);
        };
        SetFsChangeHook(&CallOnChange);
        const struct Unhook {
            ~Unhook() { SetFsChangeHook(nullptr); }
        } unhook;
        Open(z, dir / "lang.zip");
        z.SetBaseDir(target);
        EXPECT_EQ(z.ExtractFiles("*.*"), 2);
        SetFsChangeHook(nullptr);
        z.CloseArchive();
        EXPECT_TRUE(failures.codes.empty());
        bool waiting = false;
        for (const auto& p : seen) {
            EXPECT_TRUE(IsValidUtf8(p)) << p;
            waiting = waiting || IsEngineName(p);
        }
        EXPECT_TRUE(waiting) << "a waiting name was seen";
        EXPECT_EQ(ReadFile(target + "/" + c.entry), "neu");
    }
}

TEST(ZipDurableExtract, OnlyWhatARecordOfTheEngineNamesIsRemovedBeforeTheNextRun)
{
    TempDir dir(MemoryFolder());
    LayOut(dir / "quelle", {{"alt/a.txt", "neu a"}, {"neu/b.txt", "neu b"}});
    PackFolder(dir / "a.zip", dir / "quelle");
    const std::string target = dir / "ziel";
    const std::string waiting = std::string(".eigen.Ab3dE6gH");
    struct Case {
        const char* what;
        bool cutOff;           // a killed run left its waiting names
        bool held;             // its record is held as by a living run
        std::string record;    // a record file of the test's own ("": none)
        std::vector<std::string> stays;   // besides the extracted tree
    };
    const std::string magic = "zip extraction record 1\n";
    const Case cases[] = {
        {"a cut-off run", true, false, "", {waiting + "/notiz.txt"}},
        {"a run that still lives", true, true, "", {"*"}},
        {"a hidden name of the user's", false, false, "", {waiting + "/notiz.txt"}},
        {"a record of someone else's", false, false, "meine Notizen\n+" + waiting + "\n",
         {waiting + "/notiz.txt", std::string(kRunRecordPrefix) + "Zz9Yy8Xx"}},
        {"a record naming other names", false, false,
         magic + "+alt/a.txt\n+../draussen/.eigen.Ab3dE6gH\n+.eigen.Ab3dE6gH/notiz.txt\n-" + waiting + "\n+" + waiting,
         {waiting + "/notiz.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(target);
        fs::remove_all(dir / "draussen");
        LayOut(target, {{"alt/a.txt", "alt a"}, {waiting + "/notiz.txt", "meins"}});
        LayOut(dir / "draussen", {{waiting + "/notiz.txt", "draussen"}});
        if (!c.record.empty())
            WriteFile(target + "/" + kRunRecordPrefix + "Zz9Yy8Xx", c.record);
        if (c.cutOff) {
            // Killed before it gives the names (the last three changes: the
            // new folder's name, the file's name, the record removed): its
            // folder and file wait.
            auto fresh = [&] {
                fs::remove_all(target);
                LayOut(target, {{"alt/a.txt", "alt a"}, {waiting + "/notiz.txt", "meins"}});
            };
            long end = 1;
            for (fresh(); RunKilledAt(end, [&] { return ExtractDurably(dir / "a.zip", target); }); fresh())
                ++end;
            fresh();
            EXPECT_TRUE(RunKilledAt(end - 3, [&] { return ExtractDurably(dir / "a.zip", target); }));
            EXPECT_EQ(ReadFile(target + "/alt/a.txt"), "alt a");
        }
        const std::vector<std::string> before = ListTree(target, false);
        Fd held;
        if (c.held)
            for (const auto& p : before)
                if (p.rfind(kRunRecordPrefix, 0) == 0) {
                    held = Fd(::open((target + "/" + p).c_str(), O_RDONLY));
                    ASSERT_EQ(::flock(held.get(), LOCK_EX | LOCK_NB), 0);
                }
        int64_t removed = -1;
        ZipArchiver z;
        z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t a, int64_t, int64_t) {
            if (kind == internalevent::LeftoversOfEarlierRun)
                removed = a;
        };
        Open(z, dir / "a.zip");
        z.SetBaseDir(target);
        EXPECT_EQ(z.ExtractFiles("*.*"), 2);
        z.CloseArchive();
        std::vector<std::string> expected = {"alt/a.txt", "neu/b.txt"};
        if (c.stays == std::vector<std::string>{"*"}) {
            for (const auto& p : before)
                if (p != "alt/a.txt")
                    expected.push_back(p);
        } else {
            expected.insert(expected.end(), c.stays.begin(), c.stays.end());
        }
        std::sort(expected.begin(), expected.end());
        expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
        EXPECT_EQ(ListTree(target, false), expected);
        EXPECT_EQ(ReadFile(target + "/alt/a.txt"), "neu a");
        EXPECT_EQ(ReadFile(dir / ("draussen/" + waiting + "/notiz.txt")), "draussen");
        EXPECT_EQ(removed > 0, c.cutOff && !c.held) << "the removal is reported, and only a removal";
    }
}

TEST(ZipDurableExtract, ANameTakenWhileTheFilesWaitGoesToTheHandlerAndNoOtherFileIsLost)
{
    // Another program makes a folder where a waiting file is to go.
    struct Case {
        ZAAction answer;
        bool clearedBeforeRetry;
        const char* f;   // what "f" is afterwards
        int extracted;
    };
    const Case cases[] = {
        {ZAAction::Skip, false, "folder", 2},
        {ZAAction::Abort, false, "folder", 2},
        {ZAAction::Retry, true, "file", 3},
    };
    TempDir dir(MemoryFolder());
    RawArchive a;
    a.entries = {Stored("f", "datei"), Stored("g", "g"), Stored("h", "h")};
    WriteFile(dir / "a.zip", a.Build());
    const std::string target = dir / "ziel";
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.answer));
        fs::remove_all(target);
        fs::create_directories(target);
        ZipArchiver z;
        std::vector<std::string> named;
        z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string& name, ProcessOperation, int native, int,
                                     const std::string&, ZAAction& action) {
            named.push_back(name + " " + std::to_string(native));
            if (c.clearedBeforeRetry)
                fs::remove_all(target + "/f");
            action = named.size() > 1 ? ZAAction::Skip : c.answer;
        };
        z.OnFileProgress = [&](ZABaseArchiver&, const std::string& name, double, ProcessOperation,
                               ProgressPhase phase, bool&) {
            if (name == "h" && phase == ProgressPhase::End)
                WriteFile(target + "/f/fremd.txt", "fremd");
        };
        Open(z, dir / "a.zip");
        z.SetBaseDir(target);
        EXPECT_EQ(z.ExtractFiles("*.*"), c.extracted);
        z.CloseArchive();
        EXPECT_EQ(named, std::vector<std::string>{"f " + std::to_string(err::CannotCreateFile)});
        EXPECT_EQ(fs::is_directory(target + "/f") ? "folder" : "file", std::string(c.f));
        EXPECT_EQ(ReadFile(target + "/g"), "g");
        EXPECT_EQ(ReadFile(target + "/h"), "h");
        for (const auto& p : ListTree(target))
            EXPECT_FALSE(IsEngineName(p)) << p;
    }
}

TEST(ZipDurableExtract, AnEntryNamedLikeARunRecordIsRefusedInBothModes)
{
    // An archive could carry a record naming a hidden folder of the user's:
    // the next run into that target would take it for a leftover of ours.
    const std::string notes = ".notes.ABCDEFGH";
    const std::string lie = "zip extraction record 1\n+" + notes + "\n";
    RawEntry rootFolder = Stored(".unfinished-extraction.ABCDEFGH/", "");
    rootFolder.externalAttr = 0x10;
    struct Case {
        const char* what;
        RawEntry entry;
        std::string refused;   // the name the handler hears of
    };
    const Case cases[] = {
        {"a file at the root", Stored(".unfinished-extraction.ABCDEFGH", lie), ".unfinished-extraction.ABCDEFGH"},
        {"a file in a subfolder", Stored("sub/.unfinished-extraction.ABCDEFGH", lie),
         "sub/.unfinished-extraction.ABCDEFGH"},
        {"other capitals", Stored(".Unfinished-EXTRACTION.ABCDEFGH", lie), ".Unfinished-EXTRACTION.ABCDEFGH"},
        {"a folder", rootFolder, ".unfinished-extraction.ABCDEFGH/"},
        {"a file below a folder of that name", Stored(".unfinished-extraction.ABCDEFGH/x.txt", lie),
         ".unfinished-extraction.ABCDEFGH/x.txt"},
    };
    TempDir dir(MemoryFolder());
    RawArchive plain;
    plain.entries = {Stored("neu.txt", "neu")};
    WriteFile(dir / "plain.zip", plain.Build());
    const Files mine = {{notes + "/notiz.txt", "meins"}, {"sub/" + notes + "/notiz.txt", "meins"}};
    for (const Case& c : cases)
        for (const bool sync : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (sync ? ", durable" : ", fast"));
            RawArchive a;
            a.entries = {Stored("vorher.txt", "vorher"), c.entry, Stored("sub/nachher.txt", "nachher")};
            WriteFile(dir / "record.zip", a.Build());
            const std::string target = dir / "ziel";
            const Outcome o = ExtractInMode(dir / "record.zip", target, sync, OverwriteMode::Always, false, mine);
            EXPECT_EQ(o.failed, std::vector<std::string>{c.refused});
            EXPECT_EQ(o.codes, std::vector<int>{err::CannotCreateFile});
            EXPECT_EQ(o.extracted, 2);
            // Both the target and its subfolder as the next run's target.
            for (const std::string& next : {target, target + "/sub"}) {
                ZipArchiver z;
                Open(z, dir / "plain.zip");
                z.SetBaseDir(next);
                EXPECT_EQ(z.ExtractFiles("*.*"), 1);
                z.CloseArchive();
            }
            const std::vector<std::string> expected = {
                ".notes.ABCDEFGH/notiz.txt", "neu.txt", "sub/.notes.ABCDEFGH/notiz.txt", "sub/nachher.txt",
                "sub/neu.txt", "vorher.txt"};
            EXPECT_EQ(ListTree(target, false), expected);
            for (std::string p : ListTree(target)) {
                std::transform(p.begin(), p.end(), p.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
                EXPECT_EQ(p.find(kRunRecordPrefix), std::string::npos) << p;
            }
        }
}
