// A change of an archive killed at any of its writes, cuts, renames or
// removals leaves the old archive or the new one, never half of either; the
// next open puts a cut-off change right and leaves no file of the engine
// behind, and the archive takes further changes.
//
// Each operation runs once to count the changes it makes to the file
// system; then, for every chosen count n, a child process repeats it on a
// fresh copy and is killed at its n-th change, and another child, opening
// the archive afterwards, may be killed during that recovery as well.  By
// default a seeded sample of the kill points runs (a few seconds);
// HSA_ZIP_KILL_FULL=1 runs every kill point, each followed by every kill
// point of the recovery.  HSA_ZIP_KILL_SEED=<n> repeats a sample.  Every
// kill point is put right three ways: in the same folder, in a copy of the
// folder made before every open (new files, on another disk where the
// system has one in memory), and in such a copy with the original gone.
#include "zip/safefs.h"
#include "zip/tailbackup.h"

#include "support/archives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <zlib.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

std::atomic<long> changesSeen{0};
long killAt = 0;
int countedKind = -1; // -1: every kind of change

void CountOrKill(FsChange change)
{
    if (countedKind >= 0 && int(change) != countedKind)
        return;
    if (++changesSeen == killAt)
        ::kill(::getpid(), SIGKILL);
}

// Counts the engine's changes (of one kind, when given) while it lives;
// with `at` > 0 the process is killed at that change.
struct ChangeCounter {
    explicit ChangeCounter(long at, int kind = -1)
    {
        changesSeen = 0;
        killAt = at;
        countedKind = kind;
        SetFsChangeHook(&CountOrKill);
    }
    ~ChangeCounter()
    {
        SetFsChangeHook(nullptr);
        killAt = 0;
        countedKind = -1;
    }
    long Seen() const { return changesSeen; }
};

// Runs body in a child killed at its n-th change (of one kind, when given);
// true when it was killed, false when the body ended before.
bool KilledAt(long n, const std::function<void()>& body, int kind = -1)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 0;
        {
            ChangeCounter counter(n, kind);
            try {
                body();
            } catch (...) {
                code = 3;
            }
        }
        ::_exit(code);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return false;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Every entry's name and bytes as the engine reads them (opening the
// archive puts a cut-off change right first); nullopt when the archive
// cannot be opened or an entry is damaged.  *reports counts the internal
// events of the open.
std::optional<Files> EngineContents(const std::string& archive, int* reports = nullptr)
{
    try {
        ZipArchiver z;
        z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t, int64_t, int64_t, int64_t) {
            if (reports)
                ++*reports;
        };
        Open(z, archive);
        Files out;
        for (int i = 0; i < z.FileCount(); ++i) {
            MemoryStream m;
            z.ExtractToStream(i, m);
            out[z.Entry(i).name] = std::string(m.Data().begin(), m.Data().end());
        }
        z.CloseArchive();
        return out;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Empty when unzip tests the archive as intact and lists exactly the names.
std::string PeerVerdict(const std::string& archive, const Files& expected)
{
    if (!HaveTool("unzip"))
        return {};
    const auto test = RunShell("unzip -tqq " + Quote(archive));
    if (test.status != 0)
        return "unzip -t: " + test.output.substr(0, 300);
    const auto list = RunShell("unzip -Z1 " + Quote(archive));
    std::set<std::string> names;
    size_t at = 0;
    while (at < list.output.size()) {
        const size_t nl = list.output.find('\n', at);
        const std::string line = list.output.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
        if (!line.empty())
            names.insert(line);
        if (nl == std::string::npos)
            break;
        at = nl + 1;
    }
    std::set<std::string> want;
    for (const auto& [name, data] : expected)
        want.insert(name);
    return names == want ? std::string() : "unzip -l lists other names";
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Makes `to` hold what `from` holds; a file there under the same name is
// rewritten in place, so that it stays the same file (the run in the same
// folder keeps the very files the killed process had).
void CopyFolder(const std::string& from, const std::string& to)
{
    fs::create_directories(to);
    for (const auto& name : FolderNames(to))
        if (!fs::exists(fs::path(from) / name))
            fs::remove(fs::path(to) / name);
    for (const auto& name : FolderNames(from))
        WriteFile(to + "/" + name, ReadFile(from + "/" + name));
}

// Where the next open of a killed change happens: in the same folder; in a
// copy of the folder made before each open (new files with the same bytes
// and times, as `cp -a` or a restore from a backup makes them), the original
// left where it was; or in such a copy with the original gone (a stick that
// comes back as another device under another mount point).
enum class Place { Same, Copied, Moved };
constexpr Place kPlaces[] = {Place::Same, Place::Copied, Place::Moved};

// The copy lies on another device than the test's folder where the system
// has a folder in memory.
const TempDir& ElsewhereRoot()
{
    static const TempDir root(MemoryFolder());
    return root;
}

// Copies the folder as `cp -a` does, into a fresh folder elsewhere (the
// original removed with Place::Moved), and gives the copy's path.
std::string CopyElsewhere(const std::string& folder, Place place)
{
    static int serial = 0;
    const std::string to = ElsewhereRoot() / ("kopie" + std::to_string(++serial));
    fs::copy(folder, to, fs::copy_options::recursive);
    for (const auto& name : FolderNames(folder))
        fs::last_write_time(fs::path(to) / name, fs::last_write_time(fs::path(folder) / name));
    if (place == Place::Moved)
        fs::remove_all(folder);
    return to;
}

bool FullSweep()
{
    const char* v = std::getenv("HSA_ZIP_KILL_FULL");
    return v && *v && std::string(v) != "0";
}

unsigned SweepSeed()
{
    if (const char* v = std::getenv("HSA_ZIP_KILL_SEED"))
        return unsigned(std::strtoul(v, nullptr, 10));
    return std::random_device{}();
}

// The sources: the archive's eight entries, the replacements of three of
// them and a new file.  Text and random data of several sizes, so that
// every operation makes many writes.
struct Sources {
    TempDir dir;
    std::string src = dir / "src", rep = dir / "rep", add = dir / "add";
    Files old;
    std::string base; // the archive's bytes

    Sources()
    {
        old = {{"e0.txt", TextBytes(120000, 10)}, {"e1.bin", RandomBytes(300000, 11)}, {"e2.txt", TextBytes(60000, 12)},
               {"e3.txt", TextBytes(200000, 13)}, {"e4.bin", RandomBytes(90000, 14)},  {"e5.txt", TextBytes(30000, 15)},
               {"e6.txt", TextBytes(150000, 16)}, {"e7.bin", RandomBytes(280000, 17)}};
        LayOut(src, old);
        LayOut(rep,
               {{"e0.txt", RandomBytes(70000, 20) + TextBytes(50000, 21)},
                {"e3.txt", TextBytes(260000, 22)},
                {"e7.bin", RandomBytes(100000, 23)}});
        LayOut(add, {{"neu.txt", TextBytes(50000, 30)}, {"danach.txt", "danach\r\n"}});
        const std::string archive = dir / "basis.zip";
        ZipArchiver z;
        z.SetFileName(archive);
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(src);
        for (const auto& [name, data] : old)
            z.AddFiles(src + "/" + name);
        z.CloseArchive();
        base = ReadFile(archive);
    }
};

struct Operation {
    const char* name;
    std::function<void(ZipArchiver&, const Sources&)> run;
    std::function<void(Files&, const Sources&)> expect; // turns the old contents into the new
};

void Replace(ZipArchiver& z, const Sources& s, const std::string& name)
{
    z.SetBaseDir(s.rep);
    z.AddFiles(s.rep + "/" + name);
}

void Append(ZipArchiver& z, const Sources& s, const std::string& name)
{
    z.SetBaseDir(s.add);
    z.AddFiles(s.add + "/" + name);
}

std::vector<Operation> Operations()
{
    std::vector<Operation> ops;
    ops.push_back({"append", [](ZipArchiver& z, const Sources& s) { Append(z, s, "neu.txt"); },
                   [](Files& f, const Sources& s) { f["neu.txt"] = ReadFile(s.add + "/neu.txt"); }});
    for (const char* name : {"e0.txt", "e3.txt", "e7.bin"}) {
        const std::string n = name;
        ops.push_back({n == "e0.txt"       ? "delete first"
                           : n == "e3.txt" ? "delete middle"
                                           : "delete last",
                       [n](ZipArchiver& z, const Sources&) { z.DeleteFiles(n); },
                       [n](Files& f, const Sources&) { f.erase(n); }});
        ops.push_back({n == "e0.txt"       ? "replace first"
                           : n == "e3.txt" ? "replace middle"
                                           : "replace last",
                       [n](ZipArchiver& z, const Sources& s) { Replace(z, s, n); },
                       [n](Files& f, const Sources& s) { f[n] = ReadFile(s.rep + "/" + n); }});
    }
    ops.push_back({"update: replace first, append, delete",
                   [](ZipArchiver& z, const Sources& s) {
                       z.BeginUpdate();
                       Replace(z, s, "e0.txt");
                       Append(z, s, "neu.txt");
                       z.DeleteFiles("e5.txt");
                       z.EndUpdate();
                   },
                   [](Files& f, const Sources& s) {
                       f["e0.txt"] = ReadFile(s.rep + "/e0.txt");
                       f["neu.txt"] = ReadFile(s.add + "/neu.txt");
                       f.erase("e5.txt");
                   }});
    return ops;
}

// Empty when the folder holds the old or the new archive alone, intact for
// the engine and for unzip, and the archive takes a further change;
// otherwise what is wrong.
std::string Verdict(const Sources& s, const std::string& work, const Files& after)
{
    const std::string archive = work + "/a.zip";
    std::string fault;
    const auto got = EngineContents(archive);
    if (!got) {
        fault = "the engine cannot read the archive";
    } else if (*got != s.old && *got != after) {
        fault = "the engine reads neither the old nor the new archive (" + std::to_string(got->size()) + " entries)";
    } else if (const std::string peer = PeerVerdict(archive, *got); !peer.empty()) {
        fault = peer;
    } else if (FolderNames(work) != std::vector<std::string>{"a.zip"}) {
        fault = "left beside the archive:";
        for (const auto& name : FolderNames(work))
            if (name != "a.zip")
                fault += " " + name;
    } else {
        // The archive takes the next change and still leaves nothing.
        Files next = *got;
        next["danach.txt"] = "danach\r\n";
        try {
            ZipArchiver z;
            Open(z, archive);
            Append(z, s, "danach.txt");
            z.CloseArchive();
        } catch (const std::exception& e) {
            fault = std::string("the next change fails: ") + e.what();
        }
        if (fault.empty() && EngineContents(archive) != std::optional<Files>(next))
            fault = "the next change gives a wrong archive";
        if (fault.empty() && FolderNames(work) != std::vector<std::string>{"a.zip"})
            fault = "the next change leaves files beside the archive";
    }
    return fault;
}

} // namespace

TEST(ZipKillSweep, AKilledChangeLeavesTheOldOrTheNewArchiveAndNothingElse)
{
    const bool full = FullSweep();
    const unsigned seed = SweepSeed();
    std::printf("kill sweep: %s set, seed %u (HSA_ZIP_KILL_SEED=%u repeats it)\n", full ? "full" : "reduced", seed,
                seed);
    std::mt19937 rng(seed);
    Sources s;
    int points = 0, recoveryKills = 0;
    std::vector<std::string> failures;
    for (const Operation& op : Operations()) {
        SCOPED_TRACE(op.name);
        Files after = s.old;
        op.expect(after, s);
        // Counting run: how many changes the operation makes.
        const std::string counted = s.dir / "zaehlen";
        fs::remove_all(counted);
        fs::create_directories(counted);
        WriteFile(counted + "/a.zip", s.base);
        long changes = 0;
        {
            ChangeCounter counter(0);
            ZipArchiver z;
            Open(z, counted + "/a.zip");
            op.run(z, s);
            z.CloseArchive();
            changes = counter.Seen();
        }
        ASSERT_EQ(EngineContents(counted + "/a.zip"), std::optional<Files>(after));
        std::vector<long> at;
        if (full) {
            for (long n = 1; n <= changes; ++n)
                at.push_back(n);
        } else {
            // Both ends and a seeded handful between them.
            std::set<long> pick{1, changes};
            std::uniform_int_distribution<long> any(1, std::max<long>(1, changes));
            while (long(pick.size()) < std::min<long>(changes, 7))
                pick.insert(any(rng));
            at.assign(pick.begin(), pick.end());
        }
        int opFailures[3] = {0, 0, 0};
        for (const long n : at) {
            ++points;
            const std::string work = s.dir / "lauf", snapshot = s.dir / "stand";
            fs::remove_all(work);
            fs::create_directories(work);
            const std::string archive = work + "/a.zip";
            WriteFile(archive, s.base);
            KilledAt(n, [&] {
                ZipArchiver z;
                Open(z, archive);
                op.run(z, s);
                z.CloseArchive();
            });
            // A second kill while the next open puts things right: at every
            // change of that recovery in the full set (until one runs through
            // unkilled), at one of its first few otherwise.
            CopyFolder(work, snapshot);
            std::vector<long> second;
            if (full) {
                for (long k = 1; k <= 200; ++k)
                    second.push_back(k);
            } else {
                second.push_back(std::uniform_int_distribution<long>(1, 3)(rng));
            }
            for (const Place place : kPlaces) {
                std::string fault;
                for (const long k : second) {
                    CopyFolder(snapshot, work);
                    std::string here = place == Place::Same ? work : CopyElsewhere(work, place);
                    const bool killed = KilledAt(k, [&] { EngineContents(here + "/a.zip"); });
                    recoveryKills += killed ? 1 : 0;
                    if (place != Place::Same) {
                        const std::string from = here;
                        here = CopyElsewhere(from, Place::Moved);
                    }
                    fault = Verdict(s, here, after);
                    if (place != Place::Same)
                        fs::remove_all(here);
                    if (!fault.empty() || !killed)
                        break;
                }
                if (!fault.empty()) {
                    ++opFailures[int(place)];
                    failures.push_back(std::string(op.name) + ", killed at change " + std::to_string(n) + " of "
                                       + std::to_string(changes)
                                       + (place == Place::Same         ? ""
                                              : place == Place::Copied ? ", folder copied"
                                                                       : ", folder moved")
                                       + ": " + fault);
                }
            }
        }
        std::printf("  %-40s %3ld changes, %3zu kill points, failed %d / copied %d / moved %d\n", op.name, changes,
                    at.size(), opFailures[0], opFailures[1], opFailures[2]);
    }
    std::printf("kill sweep: %d kill points, each in 3 places, %d kills during recovery, %zu failed\n", points,
                recoveryKills, failures.size());
    for (size_t i = 0; i < failures.size() && i < 15; ++i)
        ADD_FAILURE() << failures[i];
    EXPECT_EQ(failures.size(), 0u) << "seed " << seed;
}

TEST(ZipKillSweep, TheNextOpenFinishesOrUndoesACutOffCommitAndSaysSo)
{
    Sources s;
    // Another archive of the same name: the journal must never go into it.
    const std::string other = s.dir / "andere.zip";
    {
        ZipArchiver z;
        z.SetFileName(other);
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(s.rep);
        z.AddFiles(s.rep + "/e3.txt");
        z.AddFiles(s.rep + "/e7.bin");
        z.CloseArchive();
    }
    const std::string otherBytes = ReadFile(other);
    const auto otherFiles = EngineContents(other);
    ASSERT_TRUE(otherFiles);
    const struct {
        const char* op;
        FsChange kind;
        long nth;
        Place place;
        bool otherArchive; // the archive replaced by the other one after the kill
        int event;         // reported by the next open, 0: none
        bool becomesNew;
    } rows[] = {
        // Killed before its journal exists: nothing to put right.
        {"delete last", FsChange::Write, 1, Place::Same, false, 0, false},
        // Killed while the new tail is written into the journal: the
        // archive was never touched, the journal is removed.
        {"replace first", FsChange::Write, 2, Place::Same, false, internalevent::CommitLeftoverRemoved, false},
        {"replace middle", FsChange::Write, 2, Place::Moved, false, internalevent::CommitLeftoverRemoved, false},
        // Killed when the archive is cut after the journal was copied over
        // its old tail (the second cut: the first ends the journal), or
        // before the journal is removed: finished.
        {"replace first", FsChange::Truncate, 2, Place::Same, false, internalevent::CommitFinished, true},
        {"update: replace first, append, delete", FsChange::Remove, 1, Place::Same, false,
         internalevent::CommitFinished, true},
        // The same with the folder copied or moved (new files, another
        // device) between the kill and the next open.
        {"replace first", FsChange::Truncate, 2, Place::Copied, false, internalevent::CommitFinished, true},
        {"replace middle", FsChange::Truncate, 2, Place::Moved, false, internalevent::CommitFinished, true},
        {"delete last", FsChange::Truncate, 2, Place::Moved, false, internalevent::CommitFinished, true},
        // An append killed once the archive was cut at its old directory:
        // the saved directory puts the old archive back, here or in a copy.
        {"append", FsChange::Truncate, 1, Place::Same, false, internalevent::CommitUndone, false},
        {"append", FsChange::Truncate, 1, Place::Copied, false, internalevent::CommitUndone, false},
        {"append", FsChange::Truncate, 1, Place::Moved, false, internalevent::CommitUndone, false},
        // The half-written archive replaced by another archive of the same
        // name in a copied folder: the other archive stays as it is, the
        // journal is set aside and reported.
        {"replace first", FsChange::Truncate, 2, Place::Copied, true, internalevent::CommitNotRecovered, false},
        {"replace middle", FsChange::Truncate, 2, Place::Moved, true, internalevent::CommitNotRecovered, false},
        {"append", FsChange::Truncate, 1, Place::Moved, true, internalevent::CommitNotRecovered, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.op) + ", change " + std::to_string(int(row.kind)) + " #" + std::to_string(row.nth)
                     + ", place " + std::to_string(int(row.place)) + (row.otherArchive ? ", other archive" : ""));
        const auto ops = Operations();
        const auto op = std::find_if(ops.begin(), ops.end(),
                                     [&](const Operation& o) { return row.op == std::string(o.name); });
        ASSERT_NE(op, ops.end());
        Files after = s.old;
        op->expect(after, s);
        const std::string work = s.dir / "lauf";
        fs::remove_all(work);
        fs::create_directories(work);
        WriteFile(work + "/a.zip", s.base);
        EXPECT_TRUE(KilledAt(
            row.nth,
            [&] {
                ZipArchiver z;
                Open(z, work + "/a.zip");
                op->run(z, s);
                z.CloseArchive();
            },
            int(row.kind)));
        const std::string here = row.place == Place::Same ? work : CopyElsewhere(work, row.place);
        const std::string archive = here + "/a.zip";
        if (row.otherArchive)
            WriteFile(archive, otherBytes);
        std::vector<int> events;
        Files got;
        {
            ZipArchiver z;
            z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t, int64_t, int64_t) {
                events.push_back(kind);
            };
            Open(z, archive);
            for (int i = 0; i < z.FileCount(); ++i) {
                MemoryStream m;
                z.ExtractToStream(i, m);
                got[z.Entry(i).name] = std::string(m.Data().begin(), m.Data().end());
            }
        }
        EXPECT_EQ(events, row.event ? std::vector<int>{row.event} : std::vector<int>{});
        EXPECT_EQ(PeerVerdict(archive, got), "");
        if (!row.otherArchive) {
            EXPECT_TRUE(got == (row.becomesNew ? after : s.old));
            EXPECT_EQ(FolderNames(here), std::vector<std::string>{"a.zip"});
            continue;
        }
        // The journal lies aside under a name no open takes for a journal:
        // the next open says nothing more, and the archive takes a change.
        EXPECT_TRUE(ReadFile(archive) == otherBytes);
        const auto names = FolderNames(here);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[1], "a.zip"); // capitals sort first
        EXPECT_EQ(names[0].substr(0, 2), "FC");
        EXPECT_EQ(names[0].find(".tmp"), std::string::npos) << names[0];
        events.clear();
        {
            ZipArchiver z;
            z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t, int64_t, int64_t) {
                events.push_back(kind);
            };
            Open(z, archive);
            Append(z, s, "danach.txt");
        }
        EXPECT_EQ(events, std::vector<int>{});
        Files next = *otherFiles;
        next["danach.txt"] = "danach\r\n";
        EXPECT_EQ(EngineContents(archive), std::optional<Files>(next));
        EXPECT_EQ(FolderNames(here), names);
    }
}

TEST(ZipKillSweep, AJournalOfAnArchiveReplacedSinceIsRemovedUnused)
{
    // A commit killed after its journal was copied over the archive's
    // tail; then a copy of the archive as it was before takes the name (a
    // new file, as a copy from a backup makes).  Nothing of the journal lies
    // in that file: the commit never wrote into it, and the journal goes
    // unused (another archive under the name: see the rows above).
    Sources s;
    const auto ops = Operations();
    const auto op = std::find_if(ops.begin(), ops.end(),
                                 [](const Operation& o) { return o.name == std::string("replace first"); });
    ASSERT_NE(op, ops.end());
    const std::string work = s.dir / "lauf", archive = work + "/a.zip";
    fs::remove_all(work);
    fs::create_directories(work);
    WriteFile(archive, s.base);
    EXPECT_TRUE(KilledAt(
        2,
        [&] {
            ZipArchiver z;
            Open(z, archive);
            op->run(z, s);
        },
        int(FsChange::Truncate)));
    EXPECT_EQ(FolderNames(work).size(), 2u); // the archive and its journal
    WriteFile(work + "/neu.zip", s.base);
    fs::rename(work + "/neu.zip", archive);
    std::vector<int> events;
    {
        ZipArchiver z;
        z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t, int64_t, int64_t) { events.push_back(kind); };
        Open(z, archive);
    }
    EXPECT_EQ(events, std::vector<int>{internalevent::CommitLeftoverRemoved});
    EXPECT_TRUE(ReadFile(archive) == s.base);
    EXPECT_EQ(FolderNames(work), std::vector<std::string>{"a.zip"});
}

TEST(ZipKillSweep, AJournalGoesOnlyIntoTheArchiveItWasWrittenFor)
{
    // Two class folders, each with an archive "a.zip" of its own, and a
    // folder for journals that both share.  A commit of the first is killed
    // once its journal is copied over the archive's tail.
    Sources s;
    const std::string first = s.dir / "klasse1", second = s.dir / "klasse2", shared = s.dir / "gemeinsam";
    for (const auto& folder : {first, second, shared})
        fs::create_directories(folder);
    WriteFile(first + "/a.zip", s.base);
    WriteFile(first + "/b.zip", s.base);
    {
        ZipArchiver z;
        z.SetFileName(second + "/a.zip");
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(s.add);
        z.AddFiles(s.add + "/neu.txt");
        z.CloseArchive();
    }
    const std::string secondBytes = ReadFile(second + "/a.zip");
    auto killedReplacement = [&](const std::string& archive, const std::string& tempDir) {
        return KilledAt(
            2,
            [&] {
                ZipArchiver z;
                z.TempDir = tempDir;
                Open(z, archive);
                Replace(z, s, "e3.txt");
            },
            int(FsChange::Truncate));
    };
    auto eventsOfOpen = [](const std::string& archive, const std::string& tempDir) {
        std::vector<int> events;
        ZipArchiver z;
        z.TempDir = tempDir;
        z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t, int64_t, int64_t) { events.push_back(kind); };
        Open(z, archive);
        return events;
    };
    Files after = s.old;
    after["e3.txt"] = ReadFile(s.rep + "/e3.txt");

    // In the shared folder the journal is left to its own archive; opening
    // the other "a.zip" neither uses nor moves it.
    ASSERT_TRUE(killedReplacement(first + "/a.zip", shared));
    ASSERT_EQ(FolderNames(shared).size(), 1u);
    EXPECT_EQ(eventsOfOpen(second + "/a.zip", shared), std::vector<int>{});
    EXPECT_TRUE(ReadFile(second + "/a.zip") == secondBytes);
    EXPECT_EQ(FolderNames(shared).size(), 1u);
    // Its own archive finds it there after the class folder was moved.
    const std::string moved = CopyElsewhere(first, Place::Moved);
    EXPECT_EQ(eventsOfOpen(moved + "/a.zip", shared), std::vector<int>{internalevent::CommitFinished});
    EXPECT_EQ(EngineContents(moved + "/a.zip"), std::optional<Files>(after));
    EXPECT_EQ(FolderNames(shared), std::vector<std::string>{});

    // Beside the archives: the journal of "b.zip" stays when "a.zip" is
    // opened, and goes into "b.zip" at its open.
    ASSERT_TRUE(killedReplacement(moved + "/b.zip", ""));
    EXPECT_EQ(FolderNames(moved).size(), 3u);
    EXPECT_EQ(eventsOfOpen(moved + "/a.zip", ""), std::vector<int>{});
    EXPECT_EQ(FolderNames(moved).size(), 3u);
    EXPECT_EQ(eventsOfOpen(moved + "/b.zip", ""), std::vector<int>{internalevent::CommitFinished});
    EXPECT_EQ(EngineContents(moved + "/b.zip"), std::optional<Files>(after));
    EXPECT_EQ(FolderNames(moved), (std::vector<std::string>{"a.zip", "b.zip"}));

    // Names are found ignoring case: the archive under its name in other
    // capitals (as a stick may give it) still gets its journal, but where
    // both names are files of their own, each keeps to its own journal.
    ASSERT_TRUE(killedReplacement(moved + "/a.zip", ""));
    fs::rename(moved + "/a.zip", moved + "/A.ZIP");
    WriteFile(moved + "/a.zip", s.base);
    EXPECT_EQ(eventsOfOpen(moved + "/a.zip", ""), std::vector<int>{});
    EXPECT_TRUE(ReadFile(moved + "/a.zip") == s.base);
    fs::remove(moved + "/a.zip");
    EXPECT_EQ(eventsOfOpen(moved + "/A.ZIP", ""), std::vector<int>{internalevent::CommitFinished});
    EXPECT_EQ(EngineContents(moved + "/A.ZIP"), std::optional<Files>(after));
    EXPECT_EQ(FolderNames(moved), (std::vector<std::string>{"A.ZIP", "b.zip"}));
}

TEST(ZipKillSweep, ASealedJournalOfTheEarlierKindIsSetAsideAndReported)
{
    // Journals of the earlier kind named their archive by the device and
    // inode of its file, which a copy does not keep: nothing ties one to
    // the archive, so it is neither put in nor dropped unseen.
    Sources s;
    const std::string work = s.dir / "lauf", archive = work + "/a.zip";
    fs::create_directories(work);
    WriteFile(archive, s.base);
    std::string trailer = "ZIPTAIL1" + std::string(44, '\0') + std::string(4, '\0');
    trailer[8] = char(0x10);  // where its bytes belong
    trailer[16] = char(0x20); // their length
    trailer[48] = char(2);    // a new tail
    const uLong crc = ::crc32(0, reinterpret_cast<const Bytef*>(trailer.data()), 52);
    for (int i = 0; i < 4; ++i)
        trailer[size_t(52 + i)] = char((crc >> (8 * i)) & 0xFF);
    const std::string journal = work + "/" + TailJournalName(archive, false);
    WriteFile(journal, std::string(0x20, 'x') + trailer);
    std::vector<int> events;
    {
        ZipArchiver z;
        z.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t, int64_t, int64_t) { events.push_back(kind); };
        Open(z, archive);
    }
    EXPECT_EQ(events, std::vector<int>{internalevent::CommitNotRecovered});
    EXPECT_TRUE(ReadFile(archive) == s.base);
    const auto names = FolderNames(work);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], journal.substr(work.size() + 1, 18) + ".verwaist");
}
