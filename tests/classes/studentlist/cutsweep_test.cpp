// Every list change cut off at every step, then the opening that undoes it
// cut off at every step, then the class opened once more: the class must be
// exactly as before the change or exactly as the change left it, every grade
// file under its student.  The same with the class copied to another file
// (new inode) or moved to another device between the cut and the opening.
//
// The reduced set runs by default (a seeded sample of the points); the full
// set with HSA_FULL_SWEEP=1 (every cut of the change, each with every cut
// of its recovery), or HSA_FULL_SWEEP=changes (every cut of the change, a
// sample of the cuts of each recovery).  HSA_SWEEP_SEED repeats a sample;
// HSA_SWEEP_ONLY=<name> sweeps one change ("sortieren", "einfügen", …).
#include "support/gridfixture.h"

#include "classes/dbftable.h"
#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "classes/studentlist.h"
#include "support/foldercontents.h"

#include <QDirIterator>
#include <QTemporaryDir>

#include <algorithm>
#include <iostream>
#include <random>
#include <sys/stat.h>

using namespace hsa;
using namespace hsa::test;

namespace {

const QString kSweepClass = QStringLiteral("9a_25262.dbf");

// The class as it lies on the disk: its table and every file of its folder
// (hidden ones too), by name relative to the folder.
struct ClassOnDisk {
    QByteArray table;
    QMap<QString, QByteArray> files;
    bool operator==(const ClassOnDisk& o) const { return table == o.table && files == o.files; }
};

enum class Place { Same, Copied, OtherDevice };

const char* placeName(Place p)
{
    return p == Place::Same ? "am selben Ort" : p == Place::Copied ? "kopiert" : "anderes Laufwerk";
}

dev_t deviceOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(0);
}

struct SweepOperation {
    const char* name;
    void (*answers)(ScriptedPrompt&);
    std::function<bool()> run;
};

class ListChangeCutSweep : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
        const QString full = qEnvironmentVariable("HSA_FULL_SWEEP");
        full_ = full == QStringLiteral("1");
        allChangeCuts_ = full_ || full == QStringLiteral("changes");
        bool given = false;
        seed_ = qEnvironmentVariable("HSA_SWEEP_SEED").toUInt(&given);
        if (!given)
            seed_ = std::random_device{}();
        std::cout << "[ sweep    ] seed " << seed_
                  << (full_                ? " (full set)"
                          : allChangeCuts_ ? " (every cut of the changes)"
                                           : " (reduced set)")
                  << std::endl;
        rng_.seed(seed_);
    }
    void TearDown() override
    {
        ClassTable().close();
        state().programDir = folder.path();
        GridFixture::TearDown();
    }

    // A class of 38 students in reverse order (record 1 holds N38), each with
    // "v.", "m." and "l." files that name him; two "l." files are byte for
    // byte the same, as files of students without remarks are.
    void reverseClass()
    {
        ClassTable().close();
        QDir(folder.file(kSweepClass.left(8))).removeRecursively();
        QList<Student> rows;
        for (int i = 1; i <= kLastStudentRecord; ++i) {
            const QString name = QStringLiteral("N%1").arg(kLastStudentRecord + 1 - i, 2, 10, QLatin1Char('0'));
            rows << Student{QString::number(i), name, "Vor" + name, i % 2 ? "W" : "M", {{"KLASSE", "9a"}}};
        }
        makeClass(kSweepClass, rows);
        openClass(kSweepClass);
        for (int i = 1; i <= kLastStudentRecord; ++i)
            for (const QString& p : kStudentFilePrefixes) {
                const bool same = p == QStringLiteral("l.") && (i == 10 || i == 20);
                writeFile(studentFile(p, i), same ? QByteArray("ohne Bemerkung") : (p + last(i)).toUtf8());
            }
    }
    QString last(int number) const { return ClassTable().value(number - 1, "NACHNAME"); }

    QString tableAt(const QString& root) const { return QDir(root).filePath(kSweepClass); }
    QString folderAt(const QString& root) const { return QDir(root).filePath(kSweepClass.left(8)); }

    ClassOnDisk onDisk(const QString& root) const
    {
        ClassOnDisk out;
        QFile t(tableAt(root));
        if (t.open(QIODevice::ReadOnly))
            out.table = t.readAll();
        const QString dir = folderAt(root) + QLatin1Char('/');
        const auto files = FolderContents(dir);
        for (auto it = files.begin(); it != files.end(); ++it)
            out.files.insert(it.key().mid(dir.size()), it.value());
        return out;
    }

    // Lays the class at root.  sameFile keeps the table's inode (written in
    // place); otherwise the table is a new file, as a copy makes it.
    void lay(const QString& root, const ClassOnDisk& c, bool sameFile) const
    {
        QDir(folderAt(root)).removeRecursively();
        QDir().mkpath(folderAt(root));
        for (auto it = c.files.begin(); it != c.files.end(); ++it)
            writeFile(QDir(folderAt(root)).filePath(it.key()), it.value());
        if (!sameFile)
            QFile::remove(tableAt(root));
        writeFile(tableAt(root), c.table);
    }

    // A program folder on another device than the test's own, with the
    // program's shipped files; empty when the machine has none.
    QString otherDevice()
    {
        if (other_)
            return other_->path();
        for (const QString& base : {QStringLiteral("/dev/shm"), QStringLiteral("/run")}) {
            if (!QFileInfo(base).isDir() || deviceOf(base) == deviceOf(folder.path()))
                continue;
            auto dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/hsa-sweep-XXXXXX"));
            if (!dir->isValid())
                continue;
            QDirIterator it(folder.path(), QDir::Files);
            while (it.hasNext()) {
                const QString f = it.next();
                QFile::copy(f, QDir(dir->path()).filePath(QFileInfo(f).fileName()));
            }
            other_ = std::move(dir);
            return other_->path();
        }
        return {};
    }

    // The points of a run of count steps that the sweep cuts at: all in the
    // full set, a seeded sample (the first and the last always) otherwise.
    std::vector<int> pick(int count, int sample, bool every)
    {
        std::vector<int> all(count);
        for (int i = 0; i < count; ++i)
            all[i] = i;
        if (every || count <= sample)
            return all;
        std::vector<int> out{0, count - 1};
        std::shuffle(all.begin() + 1, all.end() - 1, rng_);
        out.insert(out.end(), all.begin() + 1, all.begin() + sample - 1);
        std::sort(out.begin(), out.end());
        return out;
    }

    // Runs what with the disk at root seen right before each step in points.
    std::vector<ClassOnDisk> cutsOf(const std::function<void()>& what, const QString& root,
                                    const std::vector<int>& points)
    {
        std::vector<ClassOnDisk> out;
        FileFaultScope watch(0);
        int seen = 0;
        size_t next = 0;
        watch.watch([&](FileStep) {
            if (next < points.size() && points[next] == seen++) {
                out.push_back(onDisk(root));
                ++next;
            }
        });
        what();
        return out;
    }
    int stepsOf(const std::function<void()>& what)
    {
        FileFaultScope count(0);
        what();
        return count.steps();
    }

    bool openAt(const QString& root)
    {
        ClassTable().close();
        state().programDir = root;
        QDir::setCurrent(root);
        prompt.clear();
        prompt.setDefaultAnswer(Answer::No);
        const bool opened = classFiles().OpenClass(kSweepClass);
        classFiles().Close();
        ClassTable().close();
        return opened;
    }

    // The sweep of one operation at each place; per place the number of
    // points and of those that went wrong.
    std::vector<std::pair<int, int>> sweep(const SweepOperation& op, const std::vector<Place>& places)
    {
        reverseClass();
        const QString home = folder.path();
        const ClassOnDisk before = onDisk(home);
        const auto runOp = [&] {
            prompt.clear();
            state().currentStudentRecord = 0;
            op.answers(prompt);
            EXPECT_TRUE(op.run()) << op.name;
        };
        const int steps = stepsOf(runOp);
        const ClassOnDisk after = onDisk(home);
        ClassTable().close();
        lay(home, before, true);
        openClass(kSweepClass);
        const std::vector<int> kills = pick(steps, 8, allChangeCuts_);
        const std::vector<ClassOnDisk> cut = cutsOf(runOp, home, kills);
        ClassTable().close();
        std::vector<std::pair<int, int>> out;
        for (const Place place : places) {
            const QString root = place == Place::OtherDevice ? otherDevice() : home;
            if (root.isEmpty()) {
                std::cout << "[ sweep    ] no other device on this machine" << std::endl;
                out.emplace_back(0, 0);
                continue;
            }
            int points = 0;
            int wrong = 0;
            const auto judge = [&](const char* what, int k, int m, bool opened) {
                ++points;
                const ClassOnDisk now = onDisk(root);
                if (opened && (now == before || now == after))
                    return;
                if (++wrong <= 3)
                    ADD_FAILURE() << op.name << ", " << placeName(place) << ": cut before step " << kills[k] + 1
                                  << " of " << steps << ", " << what << " " << m + 1 << ": "
                                  << (opened ? "a class neither before nor after" : "does not open") << "; "
                                  << prompt.texts().join(" | ").toStdString();
            };
            for (size_t k = 0; k < cut.size(); ++k) {
                // The cut, then the class put where the next opening finds it.
                const auto layCut = [&] { lay(root, cut[k], place == Place::Same); };
                layCut();
                const int recoverySteps = stepsOf([&] { openAt(root); });
                const std::vector<int> again = pick(recoverySteps, 4, full_);
                layCut();
                bool opened = false;
                const std::vector<ClassOnDisk> cutAgain = cutsOf([&] { opened = openAt(root); }, root, again);
                judge("recovery not cut", int(k), -1, opened);
                for (size_t m = 0; m < cutAgain.size(); ++m) {
                    lay(root, cutAgain[m], true);
                    judge("recovery cut before step", int(k), again[m], openAt(root));
                }
            }
            std::cout << "[ sweep    ] " << op.name << ", " << placeName(place) << ": " << points << " points ("
                      << cut.size() << " of " << steps << " cuts of the change), " << wrong << " went wrong"
                      << std::endl;
            out.emplace_back(points, wrong);
        }
        ClassTable().close();
        state().programDir = home;
        QDir::setCurrent(home);
        return out;
    }

    bool full_ = false;
    bool allChangeCuts_ = false;
    unsigned seed_ = 0;
    std::mt19937 rng_;
    std::unique_ptr<QTemporaryDir> other_;
};

const SweepOperation kSweepOperations[] = {
    {"sortieren", [](ScriptedPrompt& p) { p.yes().no().no(); }, SortStudentList},
    {"einfügen", [](ScriptedPrompt& p) { p.yes().yes(); }, InsertEmptyRow},
    {"löschen", [](ScriptedPrompt& p) { p.yes(); }, DeleteStudent},
    {"vertauschen", [](ScriptedPrompt& p) { p.yes().text("4").text("35").yes(); }, SwapTwoRows},
    {"verschieben", [](ScriptedPrompt&) {},
     [] {
         MoveStudentRecord(ClassTable(), StudentFilesFolder(), 7, 12);
         return true;
     }},
};

} // namespace

TEST_F(ListChangeCutSweep, EveryCutOfEveryChangeAndOfItsRecoveryGivesTheClassBeforeOrAfter)
{
    const std::vector<Place> places{Place::Same, Place::Copied, Place::OtherDevice};
    const QString only = qEnvironmentVariable("HSA_SWEEP_ONLY");
    for (const SweepOperation& op : kSweepOperations) {
        if (!only.isEmpty() && only != QString::fromUtf8(op.name))
            continue;
        const auto counts = sweep(op, places);
        for (size_t p = 0; p < counts.size(); ++p)
            EXPECT_EQ(counts[p].second, 0)
                << op.name << ", " << placeName(places[p]) << ": " << counts[p].first << " points";
    }
}
