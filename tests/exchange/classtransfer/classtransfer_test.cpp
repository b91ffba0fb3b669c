#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/studentlist.h"
#include "classes/textfile.h"
#include "exchange/classstaging.h"
#include "exchange/multiclassimport.h"
#include "exchange/sticktransfer.h"
#include "exchange/transfercopy.h"
#include "exchange/transferfaults.h"
#include "exchange/transferrecovery.h"
#include "exchange/yeararchive.h"
#include "support/childrun.h"
#include "support/foldercontents.h"
#include "support/stickfixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hsa {
namespace {

const QString kClass = QStringLiteral("9a_21222.dbf");
const QString kFolder = QStringLiteral("9a_21222");
const QString kBoard = QStringLiteral("vor21229.dat");

// A second program that has the class open: a real process holding the lock
// that opening a class takes, until the object goes.
class SecondDesk {
public:
    explicit SecondDesk(const QString& table)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0)
            return;
        const QByteArray path = QFile::encodeName(table);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(release_[1]);
            const int fd = ::open(path.constData(), O_RDWR);
            char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &c, 1);
            (void)!::read(release_[0], &c, 1);
            ::_exit(0);
        }
        char c = 'n';
        held_ = ::read(ready[0], &c, 1) == 1 && c == 'y';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~SecondDesk()
    {
        ::close(release_[1]);
        ::close(release_[0]);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    bool held() const { return held_; }

private:
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

// A small tmpfs over a folder while the object lives (only where the test
// runs as root): writes cost no disk time, and a test can make it read-only
// or fill it.
class SmallVolume {
public:
    explicit SmallVolume(const QString& folder)
        : path_(QFile::encodeName(folder))
    {
        mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", 0, "size=2m") == 0;
    }
    ~SmallVolume()
    {
        if (mounted_)
            ::umount2(path_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    void setReadOnly(bool readOnly)
    {
        ::mount(nullptr, path_.constData(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0), "size=2m");
    }
    // Fills the volume up to `left` free bytes; the filler's name.
    QString fill(qint64 left)
    {
        struct statvfs v {};
        ::statvfs(path_.constData(), &v);
        const qint64 free = qint64(v.f_bavail) * qint64(v.f_frsize);
        const QString filler = QFile::decodeName(path_) + "/filler";
        QFile f(filler);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(QByteArray(std::max<qint64>(free - left, 0), 'f'));
            f.close();
        }
        return filler;
    }

private:
    QByteArray path_;
    bool mounted_ = false;
};

// Run as a program of its own (HSA_KILL_ROOT set): replaces the class in
// that folder by the one in its "neu" sub-folder and dies like a killed
// program right before the HSA_KILL_AT-th rename.
const int killedChild = [] {
    const QString root = QString::fromLocal8Bit(qgetenv("HSA_KILL_ROOT"));
    if (root.isEmpty())
        return 0;
    const int killAt = qEnvironmentVariableIntValue("HSA_KILL_AT");
    const QString src = root + "/neu/";
    ClassStaging staging(root);
    staging.copy(src + kClass, kClass);
    staging.makeFolder(kFolder);
    staging.copy(src + kFolder + "/v.1", kFolder + "/v.1");
    staging.copy(src + kClass, "9a_21222.gxm");
    int renames = 0;
    FileFaultScope scope(0, unsigned(FileStep::Rename));
    scope.watch([&](FileStep) {
        if (++renames == killAt)
            ::_exit(9);
    });
    staging.commit({kFolder, kClass, "9a_21222.gxm"}, {"9a_21222.gxm"});
    ::_exit(0);
}();

class ClassTransferTest : public test::StickFixture {
protected:
    ClassTransferTest()
    {
        QDir::setCurrent(folder.path());
    }
    void SetUp() override
    {
        StickFixture::SetUp();
        SetFreeSpaceSource([](const QString&) { return qint64(1) << 40; });
        yearArchive() = YearArchive();
        archiveRestore() = ArchiveRestore();
        state().stickRoot = stick.path();
        homeClass("alt");
    }
    void TearDown() override
    {
        SetFreeSpaceSource(nullptr);
        StickFixture::TearDown();
    }
    // The class at home, its grade files and attachment marked with tag.
    void homeClass(const QByteArray& tag)
    {
        makeClass(kClass, {{"1", "Müller", tag}, {"2", "Weiß", "Jörg"}, {"3", "Öztürk", "Ümit"}});
        folder.write(kBoard, "Frau " + tag + "\r\n");
        QDir(folder.file(kFolder)).removeRecursively();
        for (const char* f : {"v.1", "v.2", "a.doc", "m.1", "m.2", "m.3"})
            folder.write(kFolder + "/" + f, QByteArray(f) + " " + tag + QByteArray(3000, 'x'));
        if (tag == "alt")
            folder.write(kFolder + "/v.3", "stale");
    }
    QString onStick(const QString& name) const { return QDir(stick.path()).filePath(name); }
    bool failed() const
    {
        return std::any_of(prompt.shown().begin(), prompt.shown().end(), [](const auto& s) {
            return s.kind == MsgKind::Error || s.kind == MsgKind::Warning;
        });
    }

    struct Flow {
        const char* name;
        std::function<void()> prepare;  // the older class in the target, the new one in the source
        std::function<void()> run;
        bool toStick;                   // the target is the stick, else the program folder
        bool archiveIsTarget;           // in the program folder: the year folder, else all but it
        std::function<void()> vanish;   // the source goes (a pulled stick)
    };
    QString root(const Flow& flow) const { return flow.toStick ? stick.path() : folder.path(); }
    // The part of the contents of root(flow) that the flow writes (target)
    // or reads (the rest).
    static QMap<QString, QByteArray> flowPart(const Flow& flow, const QMap<QString, QByteArray>& all, bool target)
    {
        QMap<QString, QByteArray> out;
        for (auto it = all.begin(); it != all.end(); ++it)
            if ((it.key().contains("/2122") == flow.archiveIsTarget) == target)
                out.insert(it.key(), it.value());
        return out;
    }
    // The class folder the flow reads.
    QString sourceFolder(const Flow& flow) const
    {
        const QString name = flow.name;
        if (name == "stick import")
            return onStick(kFolder);
        return folder.file(name == "archive restore" ? "2122/" + kFolder : kFolder);
    }
    // The folder of the older class the flow replaces.
    QString targetFolder(const Flow& flow) const
    {
        if (flow.toStick)
            return onStick(kFolder);
        return folder.file(flow.archiveIsTarget ? "2122/" + kFolder : kFolder);
    }
    QList<Flow> flows()
    {
        const auto exportNow = [this] {
            prompt.yes();
            stickTransfer().ExportClassToStick(kClass);
        };
        const auto archive = [this](bool move) {
            yearArchive().Activate(folder.path());
            yearArchive().SetYear("2122");
            yearArchive().SetMoving(move);
            prompt.yes().yes();
            yearArchive().Start({kClass});
        };
        const auto removeHome = [this] {
            for (const QString& f : {kClass, kBoard, QStringLiteral("temp.dbf")})
                QFile::remove(folder.file(f));
            QDir(folder.file(kFolder)).removeRecursively();
        };
        return {
            {"stick export", [=, this] { exportNow(); homeClass("neu"); }, exportNow,
             true, false, removeHome},
            {"stick import", [=, this] { homeClass("neu"); exportNow(); homeClass("alt"); },
             [this] {
                 prompt.yes();
                 stickTransfer().ImportClassFromStick(stick.path(), kClass);
             },
             false, false,
             [this] {
                 for (const QString& f : {kClass, kBoard})
                     QFile::remove(onStick(f));
                 QDir(onStick(kFolder)).removeRecursively();
             }},
            {"archive copy", [=, this] { archive(false); homeClass("neu"); }, [archive] { archive(false); },
             false, true, removeHome},
            {"archive move", [=, this] { archive(false); homeClass("neu"); }, [archive] { archive(true); },
             false, true, removeHome},
            {"archive restore", [=, this] { homeClass("neu"); archive(false); homeClass("alt"); },
             [this] {
                 archiveRestore().Activate(folder.path());
                 archiveRestore().ChooseYearFolder("2122");
                 prompt.yes().yes();
                 archiveRestore().Start({kClass});
             },
             false, false,
             [this] {
                 QFile::remove(folder.file("2122/" + kClass));
                 QDir(folder.file("2122/" + kFolder)).removeRecursively();
             }},
        };
    }
    void fresh()
    {
        TearDown();
        for (const QString& root : {stick.path(), folder.path()}) {
            QDir dir(root);
            for (const QString& e : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
                const QFileInfo info(dir.filePath(e));
                info.isDir() && !info.isSymLink() ? (void)QDir(dir.filePath(e)).removeRecursively()
                                                  : (void)QFile::remove(dir.filePath(e));
            }
        }
        SetUp();
        prompt.clear();
    }

    // Runs flow in a child that dies right before its kill-th file step of
    // kinds, as a killed program does (0: never).  The steps the flow took
    // when it ran to its end, or -1 when it was killed.
    int runKilled(const std::function<void()>& flow, int kill, unsigned kinds = kAllFileSteps)
    {
        const test::LimitedRun run = test::RunInChild([&] {
            FileFaultScope scope(0, kinds);
            int seen = 0;
            scope.watch([&](FileStep) {
                if (++seen == kill)
                    ::_exit(254);
            });
            flow();
            return std::min(scope.steps(), 250);
        });
        EXPECT_TRUE(run.exited) << run.describe().toStdString();
        return run.code == 254 ? -1 : run.code;
    }
    // Sorts the class at home, as the menu's sort does.
    void sortHome()
    {
        DbfTable table;
        table.open(folder.file(kClass));
        SortClassRecords(table, folder.file(kFolder), false, false);
    }
    // The class at home as opening it leaves it; empty when it does not open.
    QMap<QString, QByteArray> openedHome()
    {
        prompt.clear();
        if (!classFiles().OpenClass(kClass))
            return {};
        ClassTable().close();
        auto out = test::FolderContents(folder.file(kFolder));
        out.insert(kClass, folder.read(kClass));
        return out;
    }
    Flow multiClassImport()
    {
        return {"multi-class import",
                [this] { folder.write("hsa_9a.imp", "Neu\r\nNina\r\n9a\r\n01.01.2010\r\nUlm\r\n"); },
                [this] {
                    DualListModel model;
                    model.Refill(folder.path());
                    model.IncludeAll();
                    prompt.text("2122").yes();
                    RunMultiClassImport(model, QDate(2021, 9, 1));
                },
                false, false, {}};
    }
    Flow flowNamed(const QString& name)
    {
        for (const Flow& f : flows())
            if (name == f.name)
                return f;
        return multiClassImport();
    }
    // Names of hidden working entries (staging folders, intents, folders
    // being emptied, journals) anywhere below root.
    static QStringList leftovers(const QString& root)
    {
        QStringList out;
        for (const QString& path : test::FolderContents(root).keys())
        {
            const QString name = QFileInfo(path).fileName();
            if (name.startsWith(".uebertragung-") || name.endsWith(".verschoben") || name.endsWith(".verschieben")
                || name == kListJournalName)
                out << path;
        }
        return out;
    }

    SmallVolume stickVolume{stick.path()};
    SmallVolume homeVolume{folder.path()};
};

// Each flow with the disk full at every step of the copy, and the source
// vanishing before its first, middle and last file: afterwards the target is
// byte for byte as before and the user was told of a failure.
TEST_F(ClassTransferTest, AFailedCopyLeavesTheTargetAsItWas)
{
    constexpr unsigned kDiskSteps = unsigned(FileStep::Write) | unsigned(FileStep::Copy) | unsigned(FileStep::Rename);
    for (int f = 0; f < flows().size(); ++f) {
        fresh();
        Flow flow = flows().at(f);
        flow.prepare();
        prompt.clear();
        int steps = 0;
        int copies = 0;
        {
            FileFaultScope count(0, kDiskSteps);
            count.watch([&](FileStep s) { copies += s == FileStep::Copy; });
            flow.run();
            steps = count.steps();
        }
        ASSERT_FALSE(failed()) << flow.name << ": " << prompt.texts().join(" | ").toStdString();
        ASSERT_GT(copies, 2) << flow.name;
        const auto complete = test::FolderContents(root(flow));
        struct Fault {
            QString what;
            int failAt = 0;        // 0: no step fails
            int vanishAtCopy = 0;  // 0: the source stays
            bool readOnly = false; // the target's volume
            bool full = false;     // the target's volume really full half-way
        };
        QList<Fault> faults;
        SmallVolume& volume = flow.toStick ? stickVolume : homeVolume;
        // Every step where writes cost nothing (tmpfs), else the first,
        // middle and last, so that the test stays fast on a real disk.
        for (int n = 1; n <= steps; ++n)
            if (volume.mounted() || n == 1 || n == (steps + 1) / 2 || n == steps)
                faults.append({QStringLiteral("disk full at step %1").arg(n), n});
        for (int c : {1, (copies + 1) / 2, copies})
            faults.append({QStringLiteral("source gone at copy %1").arg(c), 0, c});
        if (volume.mounted()) {
            faults.append({QStringLiteral("target read-only"), 0, 0, true});
            faults.append({QStringLiteral("target volume full"), 0, 0, false, true});
        }
        for (const Fault& fault : faults) {
            SCOPED_TRACE(std::string(flow.name) + ", " + fault.what.toStdString());
            fresh();
            flow = flows().at(f);
            flow.prepare();
            prompt.clear();
            QString filler;
            if (fault.full)
                filler = volume.fill(12000);
            volume.setReadOnly(fault.readOnly);
            const auto before = test::FolderContents(root(flow));
            {
                FileFaultScope scope(fault.failAt, kDiskSteps);
                int copy = 0;
                scope.watch([&](FileStep s) {
                    if (s == FileStep::Copy && ++copy == fault.vanishAtCopy)
                        flow.vanish();
                });
                flow.run();
            }
            volume.setReadOnly(false);
            EXPECT_TRUE(failed()) << prompt.texts().join(" | ").toStdString();
            EXPECT_FALSE(prompt.anyTextContains(".uebertragung")) << prompt.texts().join(" | ").toStdString();
            const auto after = test::FolderContents(root(flow));
            const auto part = [&](const QMap<QString, QByteArray>& all, bool target) {
                return flowPart(flow, all, target);
            };
            // The target holds the older class, or (a move that could not
            // take the class away from home) the whole new one.
            const bool older = part(after, true) == part(before, true);
            EXPECT_TRUE(older || (QString(flow.name) == "archive move" && part(after, true) == part(complete, true)))
                << QStringList(part(after, true).keys()).join(" ").toStdString();
            if (fault.vanishAtCopy == 0 && !flow.toStick) {
                EXPECT_TRUE(part(after, false) == part(before, false));
            }
            if (!filler.isEmpty())
                QFile::remove(filler);
        }
    }
    if (!stickVolume.mounted() || !homeVolume.mounted())
        GTEST_SKIP() << "The rows of a read-only and of a full volume need a tmpfs mount (root); the others ran.";
}

// Each flow with the class folder it reads unreadable (a stick whose folder
// lost its rights, a damaged file system) from the start or from one of its
// questions on, and with that folder removed while a question is on screen:
// the user is told, by the folder's name where it cannot be read, and the
// target is byte for byte as before.  Root reads any folder, so an
// unreadable folder is tried by a child under another uid.
TEST_F(ClassTransferTest, AClassFolderThatCannotBeReadOrIsGoneIsNeverAClassWithoutMarks)
{
    constexpr uid_t kUser = 4244;
    const bool asRoot = ::geteuid() == 0;
    // Runs body as a user the folder's rights bind, the test folders his.
    const auto asUser = [&](const std::function<int()>& body) {
        if (asRoot)
            for (const QString& top : {folder.path(), stick.path()}) {
                (void)!::lchown(QFile::encodeName(top).constData(), kUser, kUser);
                for (const QString& path : test::FolderContents(top).keys())
                    (void)!::lchown(QFile::encodeName(path).constData(), kUser, kUser);
            }
        return test::RunInChild([&] {
            if (asRoot && (::setresgid(kUser, kUser, kUser) != 0 || ::setresuid(kUser, kUser, kUser) != 0))
                return 97;
            return body();
        });
    };
    const auto setMode = [](const QString& path, mode_t mode) {
        ::chmod(QFile::encodeName(path).constData(), mode);
    };
    int points = 0;
    int wrong = 0;
    // The multi-class import reads no class folder but the older class's.
    const auto flowAt = [this](int f) { return f < flows().size() ? flows().at(f) : multiClassImport(); };
    for (int f = 0; f <= flows().size(); ++f) {
        fresh();
        Flow flow = flowAt(f);
        SCOPED_TRACE(flow.name);
        const bool readsSource = f < flows().size();
        flow.prepare();
        prompt.clear();
        int questions = 0;
        prompt.whenAsked([&](const QString&) { ++questions; });
        flow.run();
        ASSERT_FALSE(failed()) << prompt.texts().join(" | ").toStdString();
        ASSERT_GE(questions, 1);
        // The source unreadable from the start (0) or from question q on,
        // removed at question q; the older class's folder in the target
        // unreadable likewise (what it keeps must not be lost).
        enum class Hit { SourceUnreadable, SourceRemoved, TargetUnreadable };
        for (const Hit hit : {Hit::SourceUnreadable, Hit::SourceRemoved, Hit::TargetUnreadable})
            for (int q = hit == Hit::SourceRemoved ? 1 : 0; q <= questions; ++q) {
                if (!readsSource && hit != Hit::TargetUnreadable)
                    continue;
                const bool removed = hit == Hit::SourceRemoved;
                SCOPED_TRACE(QStringLiteral("%1 at question %2")
                                 .arg(removed ? "removed" : hit == Hit::SourceUnreadable ? "unreadable" : "target unreadable")
                                 .arg(q)
                                 .toStdString());
                fresh();
                flow = flowAt(f);
                flow.prepare();
                prompt.clear();
                const QString source = hit == Hit::TargetUnreadable ? targetFolder(flow) : sourceFolder(flow);
                const auto before = test::FolderContents(root(flow));
                const auto hide = [&] {
                    if (removed)
                        QDir(source).removeRecursively();
                    else
                        setMode(source, 0);
                };
                int asked = 0;
                prompt.whenAsked([&](const QString&) {
                    if (++asked == q)
                        hide();
                });
                // 0: failed by name; 1: said nothing of a failure; 2: did not
                // name the folder; 3: reported success.
                const auto verdict = [&] {
                    if (q == 0)
                        hide();
                    flow.run();
                    int code = 0;
                    if (prompt.anyTextContains("wurde eingespielt") || prompt.anyTextContains("ausgespielt."))
                        code = 3;
                    else if (!failed())
                        code = 1;
                    else if (!removed && !prompt.anyTextContains(QDir::toNativeSeparators(source)))
                        code = 2;
                    if (code != 0)
                        std::fprintf(stderr, "%s\n", qPrintable(prompt.texts().join(" | ")));
                    return code;
                };
                int code = 0;
                if (removed) {
                    code = verdict();
                } else {
                    const test::LimitedRun run = asUser(verdict);
                    ASSERT_TRUE(run.exited) << run.describe().toStdString();
                    code = run.code;
                }
                setMode(source, 0755);
                ++points;
                const auto after = test::FolderContents(root(flow));
                const bool targetKept = flowPart(flow, after, true) == flowPart(flow, before, true);
                // Nothing of the source goes but what the test took.
                const bool sourceKept = removed || flowPart(flow, after, false) == flowPart(flow, before, false);
                EXPECT_EQ(code, 0) << prompt.texts().join(" | ").toStdString();
                EXPECT_TRUE(targetKept) << QStringList(flowPart(flow, after, true).keys()).join(" ").toStdString();
                EXPECT_TRUE(sourceKept);
                wrong += code != 0 || !targetKept || !sourceKept;
            }
    }
    std::printf("unreadable or vanished class folder: %d points, %d wrong\n", points, wrong);
    EXPECT_EQ(wrong, 0);
}

// Another desk on the same program folder has the class open: the imports,
// the restore and the move leave it alone and say so.  While that desk
// changes the class's list (its journal there), the same holds for every
// flow that would copy or open the class: the journal is no leftover of a
// killed program, and the user is told who holds the class.
TEST_F(ClassTransferTest, AClassAnotherProgramHoldsIsNotReplacedOrTakenAway)
{
    const Flow opening{"opening", [] {},
                       [this] {
                           classFiles().hooks().prepareOpening = PrepareClassForOpening;
                           EXPECT_FALSE(classFiles().OpenClass(kClass));
                       },
                       false, false, {}};
    for (const bool sorting : {false, true}) {
        QList<Flow> rows;
        for (const Flow& flow : flows())
            if (sorting || (QString(flow.name) != "stick export" && QString(flow.name) != "archive copy"))
                rows.append(flow);
        rows.append(multiClassImport());
        if (sorting)
            rows.append(opening);
        for (const Flow& flow : rows) {
            SCOPED_TRACE(std::string(flow.name) + (sorting ? ", while the other desk sorts" : ""));
            fresh();
            flow.prepare();
            if (sorting) {
                // The other desk's sort, caught half-way.
                ASSERT_EQ(runKilled([this] { sortHome(); }, 4), -1);
                ASSERT_TRUE(QFileInfo::exists(folder.file(kFolder + "/" + kListJournalName)));
            }
            prompt.clear();
            const auto home = test::FolderContents(folder.path());
            const auto onStick = test::FolderContents(stick.path());
            {
                SecondDesk desk(folder.file(kClass));
                ASSERT_TRUE(desk.held());
                flow.run();
            }
            EXPECT_TRUE(prompt.anyTextContains(ClassInUseMessage(kClass))) << prompt.texts().join(" | ").toStdString();
            EXPECT_TRUE(test::FolderContents(folder.path()) == home);
            EXPECT_TRUE(test::FolderContents(stick.path()) == onStick);
            EXPECT_FALSE(prompt.anyTextContains("wurde eingespielt"));
        }
    }
}

// A sort killed at each step, then a flow that replaces the class as a whole
// (or the stick export): the class opened afterwards is the class the flow
// brought, never the older one brought back by the older class's journal;
// the export refuses a class whose sort was cut off, and says so.
TEST_F(ClassTransferTest, AKilledListChangeNeverOutlivesAClassReplacedAsAWhole)
{
    for (const QString name : {"archive restore", "stick import", "multi-class import", "stick export"}) {
        SCOPED_TRACE(name.toStdString());
        const bool exporting = name == "stick export";
        // What the flow gives from the class as it was before the sort and
        // as the sort left it (the files the older class keeps follow it).
        QList<QMap<QString, QByteArray>> outcomes;
        int steps = 0;
        for (const bool sorted : {false, true}) {
            fresh();
            Flow flow = flowNamed(name);
            flow.prepare();
            if (sorted)
                steps = runKilled([this] { sortHome(); }, 0);
            flow.run();
            outcomes << (exporting ? test::FolderContents(stick.path()) : openedHome());
            ASSERT_FALSE(outcomes.last().isEmpty()) << prompt.texts().join(" | ").toStdString();
        }
        ASSERT_GT(steps, 5);
        int refused = 0;
        for (int kill = 1; kill <= steps; ++kill) {
            SCOPED_TRACE(kill);
            fresh();
            Flow flow = flowNamed(name);
            flow.prepare();
            const auto stickBefore = test::FolderContents(stick.path());
            ASSERT_EQ(runKilled([this] { sortHome(); }, kill), -1);
            prompt.clear();
            flow.run();
            if (exporting && prompt.anyTextContains(InterruptedListChangeMessage(kClass))) {
                ++refused;
                EXPECT_TRUE(test::FolderContents(stick.path()) == stickBefore);
                continue;
            }
            const auto now = exporting ? test::FolderContents(stick.path()) : openedHome();
            EXPECT_FALSE(prompt.anyTextContains(QStringLiteral("rückgängig gemacht")));
            EXPECT_TRUE(now == outcomes.at(0) || now == outcomes.at(1))
                << QStringList(now.keys()).join(" ").toStdString() << " | " << prompt.texts().join(" | ").toStdString()
                << " | " << QStringList(outcomes.at(0).keys()).join(" ").toStdString();
            EXPECT_TRUE(leftovers(folder.path()).isEmpty()) << leftovers(folder.path()).join(" ").toStdString();
        }
        if (exporting) {
            EXPECT_GT(refused, 0);
        }
    }
}

// A flow reads a folder in which a killed transfer left its commit half
// done (the stick of a killed export, the year folder of a killed archive
// copy, the program folder of a killed import): it finds the older class
// there or the newer one, whole, and brings it; never a mix, and never
// "stammt nicht aus" for a stick that lost its marker for a moment.
TEST_F(ClassTransferTest, AFlowReadsAFolderOnlyAfterAKilledTransferThereIsPutRight)
{
    struct Row {
        const char* killed;
        const char* reading;
    };
    const Row rows[] = {{"stick export", "stick import"}, {"archive copy", "archive restore"},
                        {"stick import", "stick export"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.killed) + " then " + row.reading);
        const bool toStick = QString(row.reading) == "stick export";
        const auto target = [&] {
            if (toStick)
                return test::FolderContents(stick.path());
            auto out = test::FolderContents(folder.file(kFolder));
            out.insert(kClass, folder.read(kClass));
            return out;
        };
        // The reading flow after the killed one did nothing, then after it
        // ran to its end.
        const auto setUp = [&] {
            fresh();
            flowNamed(row.killed).prepare();
        };
        const auto read = [&] {
            // The reading flow's own start: the older class where it writes.
            if (!toStick)
                homeClass("alt");
            prompt.clear();
            Flow reading = flowNamed(row.reading);
            reading.run();
        };
        QList<QMap<QString, QByteArray>> outcomes;
        int renames = 0;
        for (const bool done : {false, true}) {
            setUp();
            if (done)
                renames = runKilled(flowNamed(row.killed).run, 0, unsigned(FileStep::Rename));
            read();
            ASSERT_FALSE(failed()) << prompt.texts().join(" | ").toStdString();
            outcomes << target();
        }
        ASSERT_GT(renames, 2);
        for (int kill = 1; kill <= renames; ++kill) {
            SCOPED_TRACE(kill);
            setUp();
            ASSERT_EQ(runKilled(flowNamed(row.killed).run, kill, unsigned(FileStep::Rename)), -1);
            read();
            EXPECT_FALSE(failed()) << prompt.texts().join(" | ").toStdString();
            EXPECT_FALSE(prompt.anyTextContains(QStringLiteral("stammt nicht aus")));
            const auto now = target();
            EXPECT_TRUE(now == outcomes.at(0) || now == outcomes.at(1)) << QStringList(now.keys()).join(" ").toStdString();
            EXPECT_TRUE(leftovers(stick.path()).isEmpty() && leftovers(folder.path()).isEmpty());
        }
    }
}

// The archive move killed right before each of its steps, then a start of
// the program: the class is whole in exactly one place (at home as before,
// the archive as before; or in the archive, and nothing of it at home), and
// no hidden folder stays.
TEST_F(ClassTransferTest, AKilledArchiveMoveLeavesTheClassWholeInExactlyOnePlace)
{
    const auto inArchive = [&](const QMap<QString, QByteArray>& all, bool archive) {
        QMap<QString, QByteArray> out;
        for (auto it = all.begin(); it != all.end(); ++it)
            if (it.key().contains("/2122") == archive)
                out.insert(it.key(), it.value());
        return out;
    };
    const Flow move = flowNamed("archive move");
    fresh();
    move.prepare();
    const auto before = test::FolderContents(folder.path());
    const int steps = runKilled(move.run, 0);
    const auto moved = test::FolderContents(folder.path());
    ASSERT_FALSE(moved.contains(folder.file(kClass)));
    ASSERT_GT(steps, 5);
    int there = 0;
    for (int kill = 1; kill <= steps; ++kill) {
        SCOPED_TRACE(kill);
        fresh();
        move.prepare();
        ASSERT_EQ(runKilled(move.run, kill), -1);
        prompt.clear();
        const QStringList reports = RecoverProgramFolder(folder.path());
        EXPECT_TRUE(reports.isEmpty()) << reports.join(" | ").toStdString();
        const auto now = test::FolderContents(folder.path());
        const bool home = now == before;
        const bool archived = now == moved;
        EXPECT_TRUE(home || archived) << QStringList(now.keys()).join(" ").toStdString();
        there += archived;
        // The class at home opens with every grade file.
        if (home) {
            EXPECT_FALSE(openedHome().isEmpty());
            EXPECT_TRUE(inArchive(test::FolderContents(folder.path()), true) == inArchive(before, true));
        }
    }
    EXPECT_GT(there, 0);
}

// The class at home, table and folder, by names relative to the program
// folder.
QMap<QString, QByteArray> classAtHome(const QString& root)
{
    QMap<QString, QByteArray> out;
    const auto all = test::FolderContents(root);
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QString rel = QDir(root).relativeFilePath(it.key());
        if (rel == kClass || rel == kFolder || rel.startsWith(kFolder + "/"))
            out.insert(rel, it.value());
    }
    return out;
}

// An intent of a move into the archive that this program did not write as
// it stands (copied from a backup, planted): it is finished only into the
// class's own year folder of the archive (in the program folder or on drive
// A) and only when that holds the class byte for byte; any other is left
// alone and reported, and the class stays whole at home, whether its folder
// had already stepped aside or not.
TEST_F(ClassTransferTest, APlantedArchiveMoveFinishesOnlyIntoTheYearArchive)
{
    const auto copyClassTo = [&](const QString& at) {
        QDir().mkpath(at + "/" + kFolder);
        const auto home = classAtHome(folder.path());
        for (auto it = home.begin(); it != home.end(); ++it)
            if (it.key() != kFolder)
                WriteFileAtomic(at + "/" + it.key(), it.value());
        return at;
    };
    struct Row {
        const char* what;
        std::function<QString()> plant; // the archive the intent names
        bool finishes;
        bool foreign = true; // no archive this program writes to: reported
    };
    const Row rows[] = {
        {"the program folder itself", [&] { return folder.path(); }, false},
        {"a folder holding a copy", [&] { return copyClassTo(folder.file("kopie")); }, false},
        {"another year's folder holding a copy", [&] { return copyClassTo(folder.file("1920")); }, false},
        {"the year folder as a link to a copy",
         [&] {
             QFile::link(copyClassTo(folder.file("kopie")), folder.file("2122"));
             return folder.file("2122");
         },
         false},
        {"the year archive with another version of a grade file",
         [&] {
             copyClassTo(folder.file("2122"));
             folder.write("2122/" + kFolder + "/v.1", "older marks");
             return folder.file("2122");
         },
         false, false},
        {"the year archive holding the class", [&] { return copyClassTo(folder.file("2122")); }, true, false},
        {"drive A's year folder holding the class", [&] { return copyClassTo(onStick("2122")); }, true, false},
    };
    int points = 0;
    int wrong = 0;
    for (const Row& row : rows)
        for (const bool aside : {false, true}) {
            SCOPED_TRACE(std::string(row.what) + (aside ? ", the folder stepped aside" : ""));
            fresh();
            const auto home = classAtHome(folder.path());
            const QString archive = row.plant();
            const auto archived = test::FolderContents(QFileInfo(archive).canonicalFilePath());
            folder.write(".9a_21222.verschieben", ("9a_21222.dbf\r\n" + archive + "\r\n").toLocal8Bit());
            if (aside)
                QDir().rename(folder.file(kFolder), folder.file(".9a_21222.verschoben"));
            const QStringList reports = RecoverProgramFolder(folder.path());
            const auto now = classAtHome(folder.path());
            const bool archiveKept =
                test::FolderContents(QFileInfo(archive).canonicalFilePath()) == archived || SameFolder(archive, folder.path());
            bool sound = archiveKept && !QFileInfo::exists(folder.file(".9a_21222.verschoben"));
            if (row.finishes) {
                sound = sound && now.isEmpty() && reports.isEmpty();
            } else {
                sound = sound && now == home && reports.isEmpty() != row.foreign;
                EXPECT_FALSE(openedHome().isEmpty());
            }
            EXPECT_TRUE(sound) << reports.join(" | ").toStdString() << " / " << QStringList(now.keys()).join(" ").toStdString();
            ++points;
            wrong += !sound;
        }
    std::printf("planted archive-move intents: %d points, %d wrong\n", points, wrong);
}

// A folder a move into the archive left aside holding more than plain files
// and folders (a link, a folder holding one): only the plain entries come
// back into the class folder; the rest stays aside, unused, and is reported.
TEST_F(ClassTransferTest, ALeftOverFolderOfAMoveBringsBackOnlyPlainEntries)
{
    folder.write("system.txt", "a file of the system");
    const QString leaving = folder.file(".9a_21222.verschoben");
    struct Row {
        const char* what;
        bool intent;
    };
    int points = 0;
    int wrong = 0;
    for (const Row row : {Row{"without an intent", false}, Row{"with an intent whose archive lacks the class", true}})
        for (const char* odd : {"a link", "a folder holding a link"}) {
            SCOPED_TRACE(std::string(row.what) + ", " + odd);
            fresh();
            folder.write("system.txt", "a file of the system");
            folder.write(kFolder + "/anlagen/brief.doc", "a letter");
            const auto home = classAtHome(folder.path());
            QDir().rename(folder.file(kFolder), leaving);
            if (QString(odd) == "a link") {
                QFile::link(folder.file("system.txt"), leaving + "/v.9");
            } else {
                QDir().mkpath(leaving + "/fremd");
                QFile::link(folder.file("system.txt"), leaving + "/fremd/v.9");
            }
            if (row.intent) {
                QDir().mkpath(folder.file("2122"));
                folder.write(".9a_21222.verschieben", ("9a_21222.dbf\r\n" + folder.file("2122") + "\r\n").toLocal8Bit());
            }
            const QStringList reports = RecoverProgramFolder(folder.path());
            const auto now = classAtHome(folder.path());
            bool linkBack = false;
            for (const QString& path : test::FolderContents(folder.file(kFolder)).keys())
                linkBack = linkBack || QFileInfo(path).isSymLink() || path.contains("/fremd");
            const bool sound = now == home && !linkBack && reports.size() == 1
                               && QFileInfo(leaving + (QString(odd) == "a link" ? "/v.9" : "/fremd/v.9")).isSymLink();
            EXPECT_TRUE(sound) << reports.join(" | ").toStdString() << " / " << QStringList(now.keys()).join(" ").toStdString();
            EXPECT_EQ(folder.read("system.txt"), "a file of the system");
            ++points;
            wrong += !sound;
        }
    std::printf("left-over folders with odd entries: %d points, %d wrong\n", points, wrong);
}

// Staging folders that this program did not leave (entries that are links,
// a plan that names a link, a folder of another user) are left alone and
// reported: the class stays as it is and nothing points out of the folder.
TEST_F(ClassTransferTest, APlantedStagingFolderIsLeftAloneAndReported)
{
    const QString system = folder.file("system.txt");
    struct Row {
        const char* what;
        std::function<void(const QString& planted)> plant;
        bool needsRoot = false;
    };
    const auto plan = [&](const QString& planted, const QString& entry) {
        folder.write(QDir(folder.path()).relativeFilePath(planted + "/plan"), (entry + "\t" + entry + "\r\n").toLatin1());
        QDir().mkpath(planted + "/neu");
        QDir().mkpath(planted + "/alt");
    };
    const Row rows[] = {
        {"an old table that is a link",
         [&](const QString& p) {
             plan(p, kClass);
             QFile::link(system, p + "/alt/" + kClass);
         }},
        {"an old class folder holding a link",
         [&](const QString& p) {
             plan(p, kFolder);
             QDir().mkpath(p + "/alt/" + kFolder);
             QFile::link(system, p + "/alt/" + kFolder + "/v.1");
         }},
        {"a new entry that is a link out of the folder",
         [&](const QString& p) {
             plan(p, kFolder);
             QFile::link("/tmp", p + "/neu/" + kFolder);
         }},
        {"a lock that is a link",
         [&](const QString& p) {
             plan(p, kClass);
             folder.write(QDir(folder.path()).relativeFilePath(p + "/alt/" + kClass), "planted");
             QFile::link(system, p + "/sperre");
         }},
        {"another user's folder",
         [&](const QString& p) {
             plan(p, kClass);
             folder.write(QDir(folder.path()).relativeFilePath(p + "/alt/" + kClass), "planted");
             for (const QString& f : {p, p + "/plan", p + "/alt", p + "/neu", p + "/alt/" + kClass})
                 (void)!::lchown(QFile::encodeName(f).constData(), 4242, 4242);
         },
         true},
    };
    bool skipped = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.needsRoot && ::geteuid() != 0) {
            skipped = true;
            continue;
        }
        fresh();
        folder.write("system.txt", "a file of the system");
        const auto before = test::FolderContents(folder.path());
        const QString planted = folder.file(".uebertragung-abc123");
        QDir().mkpath(planted);
        row.plant(planted);
        const auto withPlanted = test::FolderContents(folder.path());
        const QStringList reports = RecoverProgramFolder(folder.path());
        EXPECT_FALSE(reports.isEmpty());
        EXPECT_TRUE(test::FolderContents(folder.path()) == withPlanted);
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder.file(kClass)).constData(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        ASSERT_EQ(::lstat(QFile::encodeName(folder.file(kFolder)).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(folder.read("system.txt"), "a file of the system");
        // The class that the planted plan names is not opened as it might
        // be half replaced; any other stays usable.
        EXPECT_TRUE(ClassHeldByUnfinishedWork(folder.path(), kClass) || QString(row.what).contains("folder holding")
                    || QString(row.what).contains("new entry"));
        QDir(planted).removeRecursively();
        EXPECT_TRUE(test::FolderContents(folder.path()) == before);
    }
    if (skipped)
        GTEST_SKIP() << "The row of another user's folder needs root to give the folder away; the others ran.";
}

// Two users on one program folder: user A's multi-class import is killed
// between its renames.  User B (another uid, who cannot recover A's
// folder) is refused the class with a message naming it as being changed by
// another user; A's next start puts the older class back, or finishes the
// import when a file in the new class is newer than the transfer: a later
// file is never deleted.
TEST_F(ClassTransferTest, AnotherUsersUnfinishedTransferHoldsTheClass)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "Two users need root, which runs each of them under its own uid.";
    constexpr uid_t kUserA = 4242;
    constexpr uid_t kUserB = 4243;
    const auto as = [](uid_t user, const std::function<int()>& body) {
        return test::RunInChild([&] {
            if (::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0)
                return 97;
            return body();
        });
    };
    for (const bool newerFile : {false, true}) {
        SCOPED_TRACE(newerFile ? "B wrote a grade file" : "nobody touched the class");
        fresh();
        Flow import = multiClassImport();
        import.prepare();
        // A shared program folder: A may change the classes in it.
        ::chmod(QFile::encodeName(folder.path()).constData(), 0777);
        for (const QString& path : test::FolderContents(folder.path()).keys())
            (void)!::lchown(QFile::encodeName(path).constData(), kUserA, kUserA);
        const auto before = test::FolderContents(folder.path());
        // A dies right before the fifth rename (the first two copy the
        // template and write the plan): the new class folder stands beside
        // the older table.
        const test::LimitedRun killed = as(kUserA, [&] {
            FileFaultScope scope(0, unsigned(FileStep::Rename));
            int renames = 0;
            scope.watch([&](FileStep) {
                if (++renames == 5)
                    ::_exit(254);
            });
            import.run();
            return 0;
        });
        ASSERT_EQ(killed.code, 254) << killed.describe().toStdString();
        // B, another user: the class is not opened and B's start leaves A's
        // folder as it is.
        const test::LimitedRun b = as(kUserB, [&] {
            return PrepareClassForOpening(folder.path(), kClass) == ClassBeingChangedMessage(kClass) ? 0 : 1;
        });
        EXPECT_EQ(b.code, 0) << b.describe().toStdString();
        prompt.clear();
        classFiles().hooks().prepareOpening = PrepareClassForOpening;
        EXPECT_FALSE(classFiles().OpenClass(kClass));
        EXPECT_TRUE(prompt.anyTextContains(ClassBeingChangedMessage(kClass))) << prompt.texts().join(" | ").toStdString();
        EXPECT_FALSE(RecoverProgramFolder(folder.path()).isEmpty());
        if (newerFile)
            folder.write(kFolder + "/v.7", "B's marks");
        // A starts again.
        const test::LimitedRun a = as(kUserA, [&] { return RecoverProgramFolder(folder.path()).isEmpty() ? 0 : 1; });
        EXPECT_EQ(a.code, 0) << a.describe().toStdString();
        EXPECT_TRUE(leftovers(folder.path()).isEmpty()) << leftovers(folder.path()).join(" ").toStdString();
        if (newerFile) {
            EXPECT_EQ(folder.read(kFolder + "/v.7"), "B's marks");
            EXPECT_NE(folder.read(kClass), before.value(folder.file(kClass)));
        } else {
            EXPECT_TRUE(test::FolderContents(folder.path()) == before);
        }
    }
}

// A program killed at any rename of the swap: the next transfer into the
// folder (or the next start) puts the older class back, or finds the new one
// complete.
TEST(ClassStagingKilled, TheOlderClassComesBackOrTheNewOneIsWhole)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const auto lay = [&](const QString& at, const QByteArray& tag) {
        QDir().mkpath(at + "/" + kFolder);
        for (const QString& f : {kClass, QString("9a_21222.gxm"), kFolder + "/v.1"})
            WriteFileAtomic(at + "/" + f, tag + " " + f.toLatin1());
    };
    int killed = 0;
    for (int killAt = 1;; ++killAt) {
        SCOPED_TRACE(killAt);
        QDir(root).removeRecursively();
        lay(root, "alt");
        const auto before = test::FolderContents(root);
        lay(root + "/neu", "neu");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HSA_KILL_ROOT", root);
        env.insert("HSA_KILL_AT", QString::number(killAt));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        ASSERT_TRUE(child.waitForFinished(30000));
        QDir(root + "/neu").removeRecursively();
        RecoverInterruptedTransfers(root);
        const auto after = test::FolderContents(root);
        if (child.exitCode() == 9) {
            ++killed;
            EXPECT_TRUE(after == before) << QStringList(after.keys()).join(" ").toStdString();
            continue;
        }
        ASSERT_EQ(child.exitCode(), 0);
        EXPECT_EQ(after.value(root + "/" + kFolder + "/v.1"), "neu " + kFolder.toLatin1() + "/v.1");
        EXPECT_EQ(after.value(root + "/9a_21222.gxm"), "neu " + kClass.toLatin1());
        EXPECT_EQ(after.size(), before.size());
        break;
    }
    EXPECT_GE(killed, 5);
}

} // namespace
} // namespace hsa
