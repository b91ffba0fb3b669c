#include "support/gridfixture.h"

#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "classes/studentlist.h"
#include "platform/errors.h"
#include "support/foldercontents.h"
#include "grades/certificatedateentry.h"
#include "grades/gradewindowcontroller.h"
#include "support/scopedhook.h"

#include <QCryptographicHash>

using namespace hsa;
using namespace hsa::test;

namespace {

const QString kPrefixes[] = {QStringLiteral("v."), QStringLiteral("m."), QStringLiteral("l.")};

class StudentListFlow : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
        gradeWindow().reset();
        gradeWindow().hooks().editInMemo = [](const QString&, const QString&) { return std::optional<QString>(); };
    }
    void TearDown() override
    {
        gradeWindow().reset();
        studentListHooks() = StudentListHooks{};
        GridFixture::TearDown();
    }
    // A class with the given surnames in records 1..; every student gets
    // "v.", "m." and "l." files naming him, so that the tests see where each
    // student's files end up.
    void classWith(const QStringList& names, const QString& name = QStringLiteral("9a_25262.dbf"))
    {
        QList<Student> rows;
        for (int i = 0; i < names.size(); ++i)
            rows << Student{QString::number(i + 1), names[i], "Vor" + names[i], i % 2 ? "W" : "M",
                            {{"KLASSE", "9a"}, {"DATUM", "01.02.2026"}, {"AG4", "Ort " + names[i]}}};
        makeClass(name, rows);
        openClass(name);
        for (int i = 0; i < names.size(); ++i)
            for (const QString& p : kPrefixes)
                if (!names[i].isEmpty())
                    writeFile(studentFile(p, i + 1), (p + names[i]).toUtf8());
    }
    void setRecord(int number, const QList<QPair<QString, QString>>& fields)
    {
        for (const auto& [field, value] : fields)
            ClassTable().setValue(number - 1, field, value);
        ClassTable().post();
    }
    QString last(int number) const { return ClassTable().value(number - 1, "NACHNAME"); }
    QStringList lastNames(int count) const
    {
        QStringList out;
        for (int n = 1; n <= count; ++n)
            out << last(n);
        return out;
    }
    // Every student's files carry his name, the NR fields their positions,
    // and record 39 is empty but for KLASSE and DATUM when kept.
    void expectFilesFollow(int count, std::optional<bool> swapRowKeepsClass = std::nullopt)
    {
        for (int n = 1; n <= count; ++n)
            for (const QString& p : kPrefixes) {
                if (last(n).isEmpty())
                    EXPECT_FALSE(QFileInfo::exists(studentFile(p, n))) << p.toStdString() << n;
                else
                    EXPECT_EQ(readFile(studentFile(p, n)), (p + last(n)).toUtf8()) << p.toStdString() << n;
            }
        for (int n = 1; n <= 40; ++n)
            EXPECT_EQ(ClassTable().value(n - 1, "NR").trimmed(), QString::number(n));
        if (!swapRowKeepsClass)
            return;
        EXPECT_EQ(last(39), "");
        EXPECT_EQ(ClassTable().value(38, "AG4"), "");
        EXPECT_EQ(ClassTable().value(38, "KLASSE"), *swapRowKeepsClass ? "9a" : "");
        for (const QString& p : kPrefixes)
            EXPECT_FALSE(QFileInfo::exists(studentFile(p, 39)));
    }
    // Exchanges students 1 and 2 as the list's swap does, behind an open window.
    void swapFirstTwo()
    {
        MoveStudentRecord(ClassTable(), classDir(), 1, kSwapRecord);
        MoveStudentRecord(ClassTable(), classDir(), 2, 1);
        MoveStudentRecord(ClassTable(), classDir(), kSwapRecord, 2);
        ClearStudentRecord(ClassTable(), kSwapRecord, true);
        prompt.clear();
    }
    bool gradeFile(int n) const { return QFileInfo::exists(studentFile(QStringLiteral("v."), n)); }
};

} // namespace

TEST(SortKeys, UmlautsFoldOtherLettersSortAfterZ)
{
    QByteArray same("aaa");
    ReplaceAll(same, "a", "aa");
    EXPECT_EQ(same, "aaaaaa");
    const struct { const char* name; int width; const char* key; } keys[] = {
        {"\xC4\xD6\xDC\xE4\xF6\xFC\xDF", 10, "AOUaouSS  "}, {"Gro\xDF", 6, "GroSS "}, {"Abcdefgh", 4, "Abcd"},
        {"", 3, "   "},
    };
    for (const auto& c : keys)
        EXPECT_EQ(BuildSortKey(c.name, c.width), c.key) << c.name;
    EXPECT_GT(BuildSortKey("\xC9tienne", 25), BuildSortKey("Zorn", 25));
}

TEST_F(StudentListFlow, KeysOfRecords)
{
    makeClass("9a_25262.dbf", {{"1", "M\xC3\xBCller", "J\xC3\xBCrgen", "M", {{"HJ", "b"}}},
                               {"2", "Gro\xC3\x9F", "liz", "W", {{"HJ", "a"}}},
                               {"3", "", "Ohne", "W", {}}});
    openClass("9a_25262.dbf");
    EXPECT_EQ(StudentSortKey(ClassTable(), 1, false, false), BuildSortKey("MULLER", 25) + BuildSortKey("JURGEN", 25) + "1");
    EXPECT_EQ(StudentSortKey(ClassTable(), 2, true, true), "aW" + BuildSortKey("GROSS", 25) + BuildSortKey("LIZ", 25) + "2");
    EXPECT_EQ(StudentSortKey(ClassTable(), 3, true, true), QByteArray("\xFF") + char(3 + 64) + "3");
}

TEST_F(StudentListFlow, SortMovesRecordsWithTheirFiles)
{
    classWith({"Zorn", "M\xC3\xBCller", "", "Adam", "Muller", "Gro\xC3\x9F", "", "Groz"});
    writeFile(studentFile("v.", 39), "stale");  // left over in the swap row
    const QByteArray adam = rawRecordWithoutNr(tableBytes(), 3);
    prompt.yes().no().no();
    ASSERT_TRUE(SortStudentList());
    // "Müller" and "Muller" have the same name part; NR decides.  "Groß"
    // sorts as "GROSS".  The empty rows follow in their old order.
    EXPECT_EQ(lastNames(8),
              (QStringList{"Adam", "Gro\xC3\x9F", "Groz", "M\xC3\xBCller", "Muller", "Zorn", "", ""}));
    expectFilesFollow(38, false);
    EXPECT_EQ(rawRecordWithoutNr(tableBytes(), 0), adam);
    EXPECT_EQ(last(40), "");
    EXPECT_TRUE(classFiles().view().studentListReadOnly);
    EXPECT_EQ(state().currentStudentRecord, 0);
}

TEST_F(StudentListFlow, AFullClassSortsItsLastStudentToo)
{
    QStringList names;
    for (int i = 0; i < 38; ++i)
        names << QStringLiteral("N%1").arg(QChar('z' - (i % 26))) + QString::number(100 + i);
    names[37] = "Aaron";
    classWith(names);
    prompt.yes().no().no();
    ASSERT_TRUE(SortStudentList());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(lastNames(38), names);
    expectFilesFollow(38);
}

TEST_F(StudentListFlow, ADeclinedOrRefusedOperationChangesNothing)
{
    classWith({"A", "B", "C", "D"});
    setRecord(39, {{"AG4", "Rest"}});
    QStringList progress;
    const ScopedHook sortProgress(studentListHooks().sortProgress, [&](const QString& t) { progress << t; });
    const auto no = [](ScriptedPrompt& p) { p.no(); };
    const auto none = [](ScriptedPrompt&) {};
    const auto smaller = [] { ClassTable().deleteRecord(39); ClassTable().pack(); };
    const auto taken = [&] { setRecord(39, {{"NACHNAME", "Rest"}}); };
    // Record 2 without a number, record 3 with another's.
    const auto numbers = [&] { setRecord(2, {{"NR", ""}}); setRecord(3, {{"NR", "1"}}); };
    const QString size = QStringLiteral("Anzahl der Datensätze: 39\n\r");
    // text: the only message shown, from its start.
    const struct { const char* name; std::function<void()> setup; int current;
                   std::function<void(ScriptedPrompt&)> answers; bool (*run)(); QString text; } cases[] = {
        {"sortieren: nein", {}, 0, no, SortStudentList, ""},
        {"löschen: nein", {}, 0, no, DeleteStudent, ""},
        {"einfügen: nein bei der zweiten Frage", {}, 0, [](ScriptedPrompt& p) { p.yes().no(); }, InsertEmptyRow, ""},
        {"vertauschen: nein am Ende", {}, 0, [](ScriptedPrompt& p) { p.yes().text("1").text("3").no(); }, SwapTwoRows, ""},
        {"vertauschen: erste Nummer abgebrochen", {}, 0, [](ScriptedPrompt& p) { p.yes().cancelText(); }, SwapTwoRows, ""},
        {"vertauschen: zweite Nummer abgebrochen", {}, 0, [](ScriptedPrompt& p) { p.yes().text("1").cancelText(); },
         SwapTwoRows, ""},
        {"vertauschen: nein am Anfang", {}, 0, no, SwapTwoRows, ""},
        {"39 Sätze: sortieren", smaller, 0, none, SortStudentList,
         size + "Die Klassendatei hat eine falsche Größe. Daher kann sie nicht sortiert werden"},
        {"39 Sätze: löschen", smaller, 0, none, DeleteStudent, size},
        {"39 Sätze: einfügen", smaller, 0, none, InsertEmptyRow, size},
        {"39 Sätze: vertauschen", smaller, 0, none, SwapTwoRows, size},
        {"Nummer leer: löschen", numbers, 1, none, DeleteStudent, kMsgStudentNumberWrong},
        {"Nummer falsch: einfügen", numbers, 2, none, InsertEmptyRow, kMsgStudentNumberWrong},
        {"Zeile 39 belegt: einfügen", taken, 1, none, InsertEmptyRow, kMsgSwapRowTaken.arg("Rest")},
        {"Zeile 39 belegt: vertauschen", taken, 1, none, SwapTwoRows, kMsgSwapRowTaken.arg("Rest")},
        {"Zeile 39 belegt: sortieren", taken, 1, none, SortStudentList, kMsgSwapRowTaken.arg("Rest")},
    };
    for (const auto& c : cases) {
        const QByteArray snapshot = ClassTable().snapshot();
        if (c.setup)
            c.setup();
        const QByteArray before = tableBytes();
        prompt.clear();
        state().currentStudentRecord = c.current;
        c.answers(prompt);
        EXPECT_FALSE(c.run()) << c.name;
        EXPECT_EQ(tableBytes(), before) << c.name;
        EXPECT_EQ(prompt.remainingAnswers(), 0) << c.name;
        EXPECT_TRUE(c.text.isEmpty() || prompt.texts() == QStringList{prompt.lastText()}) << c.name;
        EXPECT_TRUE(prompt.lastText().startsWith(c.text)) << c.name << ": " << prompt.lastText().toStdString();
        ClassTable().restore(snapshot);
    }
    expectFilesFollow(4);
    EXPECT_EQ(progress, (QStringList{kMsgSortProgress, QString()}));
}

TEST_F(StudentListFlow, DeleteMovesTheFollowingStudentsUp)
{
    classWith({"A", "B", "C", "D"});
    setRecord(39, {{"NACHNAME", "Neununddreissig"}});
    writeFile(studentFile("v.", 39), "v.Neununddreissig");
    const QByteArray before = tableBytes();
    state().currentStudentRecord = 1;
    prompt.yes();
    ASSERT_TRUE(DeleteStudent());
    EXPECT_EQ(prompt.shown().at(0).text, "Schüler B VorB wirklich löschen ?");
    EXPECT_EQ(prompt.shown().at(0).defaultButton, Answer::No);
    EXPECT_EQ(lastNames(4), (QStringList{"A", "C", "D", ""}));
    // Record 38 holds what 39 held; 39 is empty.
    EXPECT_EQ(last(38), "Neununddreissig");
    EXPECT_EQ(readFile(studentFile("v.", 38)), "v.Neununddreissig");
    EXPECT_EQ(rawRecordWithoutNr(tableBytes(), 1), rawRecordWithoutNr(before, 2));
    expectFilesFollow(4, false);
    EXPECT_EQ(state().currentStudentRecord, 1);
    EXPECT_TRUE(classFiles().view().studentListReadOnly);

    // The swap row keeps its class and date; a delete in record 39 or 40 moves nothing.
    setRecord(39, {{"KLASSE", "9a"}, {"DATUM", "01.02.2026"}, {"AG4", "weg"}});
    for (int record : {0, 38, 39}) {
        state().currentStudentRecord = record;
        prompt.yes();
        ASSERT_TRUE(DeleteStudent()) << record;
        expectFilesFollow(3, true);
        EXPECT_EQ(ClassTable().value(38, "DATUM"), "01.02.2026") << record;
    }
    EXPECT_EQ(lastNames(3), (QStringList{"C", "D", ""}));
}

TEST_F(StudentListFlow, InsertMovesStudentsDownAndLeavesTheListOpen)
{
    classWith({"A", "B", "C"});
    state().currentStudentRecord = 1;
    prompt.yes().yes();
    ASSERT_TRUE(InsertEmptyRow());
    EXPECT_EQ(prompt.shown().at(0).text, "Vor dem Schüler B VorB Leerzeile einfügen?");
    EXPECT_EQ(lastNames(4), (QStringList{"A", "", "B", "C"}));
    // The new row keeps its class and date.
    EXPECT_EQ(ClassTable().value(1, "KLASSE"), "9a");
    EXPECT_EQ(ClassTable().value(1, "DATUM"), "01.02.2026");
    EXPECT_EQ(ClassTable().value(1, "AG4"), "");
    expectFilesFollow(5);
    EXPECT_EQ(state().currentStudentRecord, 1);
    EXPECT_FALSE(classFiles().view().studentListReadOnly);

    // At the weighting record it only clears it.
    setRecord(40, {{"F11", "2"}});
    state().currentStudentRecord = 39;
    prompt.yes().yes();
    ASSERT_TRUE(InsertEmptyRow());
    EXPECT_EQ(lastNames(4), (QStringList{"A", "", "B", "C"}));
    EXPECT_EQ(ClassTable().value(39, "F11"), "");
    EXPECT_EQ(ClassTable().value(39, "NR").trimmed(), "40");
}

TEST_F(StudentListFlow, SwapExchangesTwoStudentsWithTheirFiles)
{
    classWith({"A", "B", "C", "D"});
    const QByteArray before = tableBytes();
    prompt.yes().text("0").text("abc").text("4").text("99").text("2").yes();
    ASSERT_TRUE(SwapTwoRows());
    // Numbers outside 1 to 38 are asked again; the second prompt starts with
    // the first answer.
    const auto& shown = prompt.shown();
    EXPECT_EQ(shown.at(1).caption, "Nummer des 1.Schülers");
    EXPECT_EQ(shown.at(1).text, "(1 bis 38)");
    EXPECT_EQ(shown.at(4).caption, "Nummer des 2.Schülers");
    EXPECT_EQ(shown.at(4).preset, "4");
    EXPECT_EQ(lastNames(4), (QStringList{"A", "D", "C", "B"}));
    EXPECT_EQ(rawRecordWithoutNr(tableBytes(), 1), rawRecordWithoutNr(before, 3));
    EXPECT_EQ(rawRecordWithoutNr(tableBytes(), 3), rawRecordWithoutNr(before, 1));
    // The swap row keeps the class and date it took over.
    expectFilesFollow(4, true);
    EXPECT_EQ(state().currentStudentRecord, 3);
    // A student swapped with himself keeps his files.
    prompt.yes().text("2").text("2").yes();
    ASSERT_TRUE(SwapTwoRows());
    EXPECT_EQ(lastNames(4), (QStringList{"A", "D", "C", "B"}));
    expectFilesFollow(4);
}

TEST_F(StudentListFlow, MoveStudentRecordReplacesTheFilesOfTheDestination)
{
    classWith({"A", "B"});
    // A has no "l." file: B's must not survive under A's number.
    QFile::remove(studentFile("l.", 1));
    MoveStudentRecord(ClassTable(), StudentFilesFolder(), 1, 2);
    EXPECT_EQ(last(2), "A");
    EXPECT_EQ(ClassTable().value(1, "NR").trimmed(), "2");
    EXPECT_EQ(readFile(studentFile("v.", 2)), "v.A");
    // Moved by renaming, nothing set aside is left behind.
    EXPECT_EQ(QDir(classDir()).entryList(QDir::Files | QDir::Hidden), (QStringList{"m.2", "v.2"}));
}

// Every list operation with the answers that carry it through on a class of
// five rows; the fault and kill tests run each of them.
struct ListOperation {
    const char* name;
    void (*answers)(ScriptedPrompt&);
    bool (*run)();
};
const ListOperation kListOperations[] = {
    {"löschen", [](ScriptedPrompt& p) { p.yes(); }, DeleteStudent},
    {"einfügen", [](ScriptedPrompt& p) { p.yes().yes(); }, InsertEmptyRow},
    {"vertauschen", [](ScriptedPrompt& p) { p.yes().text("1").text("4").yes(); }, SwapTwoRows},
    {"sortieren", [](ScriptedPrompt& p) { p.yes().no().no(); }, SortStudentList},
};

TEST_F(StudentListFlow, AFailureAtAnyStepLeavesTheClassAsItWas)
{
    // Removing the set-aside files after the change stands cannot undo it.
    constexpr unsigned kFailingSteps = unsigned(FileStep::Write) | unsigned(FileStep::Rename);
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    // Every file of the class folder (set-aside ones too) and the table.
    const auto classState = [&] { return std::pair(FolderContents(classDir()), tableBytes()); };
    const auto before = classState();
    for (const auto& op : kListOperations) {
        state().currentStudentRecord = 1;
        int steps = 0;
        {
            FileFaultScope count(0, kFailingSteps);
            op.answers(prompt);
            ASSERT_TRUE(op.run()) << op.name;
            steps = count.steps();
        }
        // Back to the class as it was, for the runs that fail.
        QDir(classDir()).removeRecursively();
        QDir().mkpath(classDir());
        for (auto it = before.first.begin(); it != before.first.end(); ++it)
            writeFile(it.key(), *it);
        ClassTable().restore(before.second);
        ASSERT_GT(steps, 2) << op.name;
        for (int failAt = 1; failAt <= steps; ++failAt) {
            prompt.clear();
            state().currentStudentRecord = 1;
            FileFaultScope fault(failAt, kFailingSteps);
            op.answers(prompt);
            EXPECT_FALSE(op.run()) << op.name << " step " << failAt;
            EXPECT_EQ(classState(), before) << op.name << " step " << failAt;
            EXPECT_TRUE(prompt.texts().last().contains("Datei")) << op.name << " step " << failAt;
        }
    }
}

// A program killed at any step of a list operation (as the disk stood right
// before that step) leaves a class that the next opening turns into the
// class as it was before the operation or as the operation left it, never
// one in between; a temporary file a killed grade save left goes as well.
TEST_F(StudentListFlow, AKilledOperationIsUndoneWhenTheClassOpensAgain)
{
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    using State = std::pair<QMap<QString, QByteArray>, QByteArray>;
    const auto classState = [&] { return State(FolderContents(classDir()), tableBytes()); };
    const auto putBack = [&](const State& s) {
        QDir(classDir()).removeRecursively();
        QDir().mkpath(classDir());
        for (auto it = s.first.begin(); it != s.first.end(); ++it)
            writeFile(it.key(), *it);
        ClassTable().restore(s.second);
    };
    const State before = classState();
    for (const auto& op : kListOperations) {
        int steps = 0;
        State after;
        {
            FileFaultScope count(0);
            state().currentStudentRecord = 1;
            op.answers(prompt);
            ASSERT_TRUE(op.run()) << op.name;
            steps = count.steps();
            after = classState();
        }
        int undone = 0;
        for (int killAt = 1; killAt <= steps; ++killAt) {
            putBack(before);
            State atKill;
            {
                FileFaultScope watch(0);
                int seen = 0;
                watch.watch([&](FileStep) {
                    if (++seen == killAt)
                        atKill = classState();
                });
                prompt.clear();
                state().currentStudentRecord = 1;
                op.answers(prompt);
                ASSERT_TRUE(op.run()) << op.name;
            }
            // The disk as the killed program left it, with a killed grade save.
            atKill.first[classDir() + ".v.2.Ab3xYz"] = "half a grade file";
            putBack(atKill);
            ClassTable().close();
            openClass(className);
            const State now = classState();
            EXPECT_TRUE(now == before || now == after) << op.name << " killed before step " << killAt;
            undone += now == before;
        }
        EXPECT_GT(undone, 0) << op.name;
        putBack(before);
    }
}

// A damaged journal is never applied.  The user may keep the class closed,
// or use it as it stands: the journal is then kept aside under a name that
// says so, a second one beside the first.
TEST_F(StudentListFlow, ADamagedJournalIsNeverAppliedAndTheClassMayBeUsedAsItStands)
{
    classWith({"Zorn", "Adam"});
    const QByteArray table = tableBytes();
    ClassTable().close();
    const QByteArray head = "HSA-Listenjournal 1\r\n" + QByteArray::number(table.size()) + "\r\n";
    const QByteArray journals[] = {QByteArray("garbage"), head + table + "\r\nU\tv.1\t../v.1\r\n",
                                   head + QByteArray(table.size(), 'x') + "\r\n"};
    const QString kept[] = {".listenjournal.unbenutzt", ".listenjournal.unbenutzt-2", ".listenjournal.unbenutzt-3"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        writeFile(classDir() + kListJournalName, journals[i]);
        prompt.clear();
        prompt.no();
        EXPECT_FALSE(classFiles().OpenClass(className));
        EXPECT_TRUE(prompt.shown().at(0).text.contains("Soll die Klasse so verwendet werden"))
            << prompt.shown().at(0).text.toStdString();
        EXPECT_TRUE(prompt.lastText().contains("beschädigt")) << prompt.lastText().toStdString();
        EXPECT_EQ(readFile(classDir() + kListJournalName), journals[i]);
        EXPECT_EQ(tableBytes(), table);
        prompt.clear();
        prompt.yes();
        ASSERT_TRUE(classFiles().OpenClass(className)) << prompt.texts().join(" | ").toStdString();
        EXPECT_TRUE(prompt.shown().at(0).text.contains(kept[i])) << prompt.shown().at(0).text.toStdString();
        EXPECT_FALSE(prompt.anyTextContains("rückgängig gemacht. Die Liste"));
        EXPECT_FALSE(QFileInfo::exists(classDir() + kListJournalName));
        EXPECT_EQ(readFile(classDir() + kept[i]), journals[i]);
        EXPECT_EQ(readFile(studentFile("v.", 1)), "v.Zorn");
        classFiles().Close();
    }
}

// The disk as a sort killed right before its second rename left it: the
// journal, the half-sorted table and files.
struct KilledSort {
    QMap<QString, QByteArray> files;
    QByteArray table;
};

class KilledListChange : public StudentListFlow {
protected:
    KilledSort killSort(int beforeRename = 2)
    {
        KilledSort at;
        FileFaultScope watch(0);
        int renames = 0;
        watch.watch([&](FileStep step) {
            if (step == FileStep::Rename && ++renames == beforeRename)
                at = {FolderContents(classDir()), tableBytes()};
        });
        prompt.yes().no().no();
        EXPECT_TRUE(SortStudentList());
        return at;
    }
    void putBack(const KilledSort& s)
    {
        ClassTable().close();
        QDir(classDir()).removeRecursively();
        QDir().mkpath(classDir());
        for (auto it = s.files.begin(); it != s.files.end(); ++it)
            writeFile(it.key(), *it);
        folder.write(className, s.table);
    }
};

// A journal is checked whole before anything is written: a damage in any
// part of it keeps the class closed and its table and files as they are.
// A copy of the class folder (another file, the table as a step left it)
// is still undone.
TEST_F(KilledListChange, AJournalThatFailsAnyCheckIsRefusedAndTheTableStays)
{
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    const QByteArray before = tableBytes();
    const auto beforeFiles = FolderContents(classDir());
    const KilledSort killed = killSort();
    const QByteArray journal = killed.files.value(classDir() + kListJournalName);
    ASSERT_FALSE(journal.isEmpty());
    const qsizetype copyAt = journal.indexOf(before);
    ASSERT_GT(copyAt, 0);
    const qsizetype tailAt = copyAt + before.size() + 2;
    const int headerLength = static_cast<unsigned char>(before.at(8)) | static_cast<unsigned char>(before.at(9)) << 8;
    // Line n (from 0) of the journal's head.
    const auto headLine = [&](const QByteArray& j, int n) {
        qsizetype at = 0;
        for (int i = 0; i < n; ++i)
            at = j.indexOf("\r\n", at) + 2;
        return std::pair(at, j.indexOf("\r\n", at));
    };
    const auto replaceLine = [&](QByteArray& j, int n, const QByteArray& text) {
        const auto [from, to] = headLine(j, n);
        j.replace(from, to - from, text);
    };
    struct Damage {
        const char* what;
        std::function<void(QByteArray&)> apply;
        bool refused;
        bool copied = false;  // the table is another file with the same bytes
    };
    const Damage rows[] = {
        {"head", [&](QByteArray& j) { j[4] = 'x'; }, true},
        {"byte count one more", [&](QByteArray& j) { replaceLine(j, 1, QByteArray::number(before.size() + 1)); }, true},
        {"byte count with a leading zero", [&](QByteArray& j) { replaceLine(j, 1, "0" + QByteArray::number(before.size())); }, true},
        {"checksum", [&](QByteArray& j) { j[headLine(j, 2).first] = j[headLine(j, 2).first] == 'a' ? 'b' : 'a'; }, true},
        {"record count of the copy 40 -> 65576", [&](QByteArray& j) { j[copyAt + 6] = 1; }, true},
        {"a field of the copy", [&](QByteArray& j) { j[copyAt + headerLength + 5] = 'Q'; }, true},
        {"the copy cut short", [&](QByteArray& j) { j.remove(copyAt + 100, 1); }, true},
        {"a rename's name", [&](QByteArray& j) { j[j.indexOf("\tv.", tailAt) + 1] = 'm'; }, true},
        {"a seal", [&](QByteArray& j) { j[j.indexOf("P\t", tailAt) + 2] ^= 1; }, true},
        {"a checksum in the list of files", [&](QByteArray& j) { j[j.indexOf("F\t", tailAt) + 8] ^= 1; }, true},
        {"none, in a copy of the folder", [](QByteArray&) {}, false, true},
        {"none", [](QByteArray&) {}, false},
    };
    for (const Damage& row : rows) {
        SCOPED_TRACE(row.what);
        KilledSort damaged = killed;
        row.apply(damaged.files[classDir() + kListJournalName]);
        putBack(damaged);
        if (row.copied) {
            QFile::remove(folder.file(className));
            folder.write(className, damaged.table);
        }
        prompt.clear();
        if (row.refused) {
            prompt.no();
            EXPECT_FALSE(classFiles().OpenClass(className));
            EXPECT_TRUE(prompt.lastText().contains(QStringLiteral("beschädigt"))) << prompt.lastText().toStdString();
            EXPECT_EQ(tableBytes(), killed.table);
            EXPECT_TRUE(FolderContents(classDir()) == damaged.files);
            continue;
        }
        ASSERT_TRUE(classFiles().OpenClass(className)) << prompt.texts().join(" | ").toStdString();
        EXPECT_TRUE(FolderContents(classDir()) == beforeFiles);
        ClassTable().close();
        EXPECT_EQ(tableBytes(), before);
    }
}

// A class replaced as a whole since the journal was written (restored,
// taken in) is newer than the journal: the journal never undoes it, and is
// never dropped without a word.
TEST_F(KilledListChange, AJournalNeverUndoesAnotherTable)
{
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    const KilledSort killed = killSort();
    putBack(killed);
    const QByteArray journal = readFile(classDir() + kListJournalName);
    // Another table put in place by renaming, as a transfer does.
    makeClass(QStringLiteral("9a_99992.dbf"), {{"1", "Neu", "Nina"}, {"2", "Ost", "Olaf"}});
    const QByteArray replaced = folder.read(QStringLiteral("9a_99992.dbf"));
    ASSERT_TRUE(QFile::rename(folder.file(QStringLiteral("9a_99992.dbf")), folder.file(className)) ||
                (QFile::remove(folder.file(className)) &&
                 QFile::rename(folder.file(QStringLiteral("9a_99992.dbf")), folder.file(className))));
    prompt.clear();
    prompt.no();
    EXPECT_FALSE(classFiles().OpenClass(className));
    EXPECT_TRUE(prompt.lastText().contains(QStringLiteral("gehört nicht zur Klassendatei")))
        << prompt.lastText().toStdString();
    EXPECT_EQ(readFile(classDir() + kListJournalName), journal);
    prompt.clear();
    prompt.yes();
    ASSERT_TRUE(classFiles().OpenClass(className)) << prompt.texts().join(" | ").toStdString();
    EXPECT_FALSE(prompt.anyTextContains(QStringLiteral("rückgängig gemacht. Die Liste")));
    EXPECT_FALSE(QFileInfo::exists(classDir() + kListJournalName));
    EXPECT_EQ(readFile(classDir() + ".listenjournal.unbenutzt"), journal);
    ClassTable().close();
    EXPECT_EQ(tableBytes(), replaced);
}

// Restore, stick import and multi-class import undo a cut list change of
// the closed class before they replace it: a sound journal is undone, a
// damaged one gets the same question as an opening, and Yes lets them go on.
TEST_F(KilledListChange, AClosedClassIsUndoneOrUsedAsItStandsTheSameWay)
{
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    const QByteArray before = tableBytes();
    const auto beforeFiles = FolderContents(classDir());
    KilledSort killed = killSort(6);
    putBack(killed);
    ClassTable().close();
    prompt.clear();
    EXPECT_TRUE(RecoverListChangeOfClass(folder.file(className), classDir()));
    EXPECT_EQ(tableBytes(), before);
    EXPECT_TRUE(FolderContents(classDir()) == beforeFiles);
    EXPECT_TRUE(prompt.texts().isEmpty());

    killed.files[classDir() + kListJournalName].chop(3);
    killed.files[classDir() + kListJournalName] += "x\r\n";
    putBack(killed);
    ClassTable().close();
    prompt.clear();
    prompt.no();
    EXPECT_THROW(RecoverListChangeOfClass(folder.file(className), classDir()), FileError);
    EXPECT_TRUE(FolderContents(classDir()) == killed.files);
    prompt.yes();
    EXPECT_FALSE(RecoverListChangeOfClass(folder.file(className), classDir()));
    EXPECT_EQ(prompt.shown().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(classDir() + kListJournalName));
    EXPECT_EQ(readFile(classDir() + ".listenjournal.unbenutzt"), killed.files[classDir() + kListJournalName]);
    EXPECT_EQ(tableBytes(), killed.table);
}

// The journal an earlier program version wrote at the same cut: "1" the
// table as it was, then the renames, one a line; "2" with checksums, the
// table file's device and inode, and sealed blocks.
QByteArray asEarlierVersion(const QByteArray& journal, const QByteArray& before, int version)
{
    const auto sha = [](const QByteArray& b) {
        return QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex();
    };
    QByteArray out = "HSA-Listenjournal " + QByteArray::number(version) + "\r\n" + QByteArray::number(before.size())
        + "\r\n" + (version == 2 ? sha(before) + "\r\n1\t2\r\n" : QByteArray()) + before + "\r\n";
    QByteArray block;
    for (const QByteArray& line : journal.mid(journal.indexOf(before) + before.size() + 2).split('\n')) {
        const QByteArray text = line.chopped(line.endsWith('\r') ? 1 : 0);
        if (version == 1 && text.startsWith("U\t"))
            out += text + "\r\n";
        if (version == 2 && (text.startsWith("U\t") || text.startsWith("T\t")))
            block += text + "\r\n";
        if (version == 2 && text.startsWith("P\t") && !block.isEmpty()) {
            out += block + "P\t" + sha(out + block) + "\r\n";
            block.clear();
        }
    }
    return out;
}

// A journal of an earlier program version is applied when it provably
// belongs to the table and its files; beside another table, or when its
// renames fit the folder in no way or in more than one, the user gets the
// way on.
TEST_F(KilledListChange, AJournalOfAnEarlierVersionIsAppliedOnlyWhenItProvablyBelongs)
{
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    const QByteArray before = tableBytes();
    const auto beforeFiles = FolderContents(classDir());
    // Cut before the fifth rename of a file (the first is the journal's own):
    // four files have moved.
    const KilledSort cut = killSort(6);
    ASSERT_TRUE(cut.files.contains(classDir() + "v.39")); // files have moved
    for (const int version : {1, 2}) {
        SCOPED_TRACE(version);
        KilledSort killed = cut;
        QByteArray& journal = killed.files[classDir() + kListJournalName];
        journal = asEarlierVersion(journal, before, version);
        ASSERT_TRUE(journal.contains("\nU\t"));
        putBack(killed);
        prompt.clear();
        ASSERT_TRUE(classFiles().OpenClass(className)) << prompt.texts().join(" | ").toStdString();
        EXPECT_TRUE(
            prompt.anyTextContains(QStringLiteral("rückgängig gemacht. Die Liste steht wie vor dieser Änderung.")));
        EXPECT_TRUE(FolderContents(classDir()) == beforeFiles);
        ClassTable().close();
        EXPECT_EQ(tableBytes(), before);

        const struct {
            const char* what;
            std::function<void(KilledSort&)> change;
        } foreign[] = {
            {"another class's table",
             [&](KilledSort& k) {
                 makeClass(QStringLiteral("9a_99992.dbf"), {{"1", "Neu", "Nina"}, {"2", "Ost", "Olaf"}});
                 k.table = folder.read(QStringLiteral("9a_99992.dbf"));
                 QFile::remove(folder.file(QStringLiteral("9a_99992.dbf")));
             }},
            // A file under the name the next rename goes to: no count of
            // renames made fits.
            {"renames that fit no way", [&](KilledSort& k) { k.files[classDir() + "m.1"] = "m.neu"; }},
        };
        for (const auto& row : foreign) {
            SCOPED_TRACE(row.what);
            KilledSort other = killed;
            row.change(other);
            putBack(other);
            const auto files = FolderContents(classDir());
            prompt.clear();
            prompt.no();
            EXPECT_FALSE(classFiles().OpenClass(className));
            EXPECT_TRUE(prompt.lastText().contains(QStringLiteral("gehört nicht zur Klassendatei")))
                << prompt.lastText().toStdString();
            EXPECT_TRUE(FolderContents(classDir()) == files);
            EXPECT_EQ(tableBytes(), other.table);
        }
    }
}

// Every field of every student filled to its width (F21 too): each list
// operation carries all 39 fields with the student.
TEST_F(StudentListFlow, AMovedStudentKeepsEveryField)
{
    classWith({"Zorn", "Adam", "", "Berg", "Maier"});
    const QStringList fields = ClassTable().fieldNames();
    ASSERT_EQ(fields.size(), 40);
    ASSERT_EQ(fields.last(), QStringLiteral("F21"));
    for (int n : {1, 2, 4, 5}) {
        for (int f = 1; f < fields.size(); ++f) {
            const int width = ClassTable().fieldWidth(fields.at(f));
            const QString mark = QString::number(n) + fields.at(f);
            QString text = f == 1 ? last(n) : mark;
            while (text.size() < width)
                text += QLatin1Char(char('a' + (text.size() + f + n) % 26));
            ClassTable().setValue(n - 1, fields.at(f), text.left(width));
        }
    }
    ClassTable().post();
    // Each student's fields, found by his name.
    const auto byName = [&] {
        QMap<QString, QStringList> out;
        for (int n = 1; n <= 40; ++n) {
            QStringList values;
            for (int f = 1; f < fields.size(); ++f)
                values << ClassTable().value(n - 1, f);
            if (!last(n).isEmpty())
                out.insert(last(n), values);
        }
        return out;
    };
    const auto all = byName();
    for (const auto& op : kListOperations) {
        SCOPED_TRACE(op.name);
        const auto prior = byName();
        state().currentStudentRecord = 1;
        op.answers(prompt);
        ASSERT_TRUE(op.run());
        const auto now = byName();
        for (auto it = now.begin(); it != now.end(); ++it)
            EXPECT_EQ(it.value(), all.value(it.key())) << it.key().toStdString();
        EXPECT_EQ(now.size(), prior.size() - (QString(op.name) == "löschen" ? 1 : 0));
    }
}

TEST_F(StudentListFlow, CertificateDateForAllAndCtrl)
{
    classWith({"A", "B"});
    prompt.text("irgendwann 2026");
    ASSERT_TRUE(CertificateDateForAll());
    const auto& asked = prompt.shown().at(1);
    EXPECT_EQ(prompt.shown().at(0).text, kMsgCertificateDateHint);
    EXPECT_EQ(asked.caption + asked.text, "Datum für alle Zeugnisse Datum (Format TT.MM.JJJJ):");
    for (int r = 0; r < 40; ++r)
        EXPECT_EQ(ClassTable().value(r, "DATUM"), "irgendwann 2026");
    // What DATUM (20 characters, Windows-1252) cannot hold is refused whole,
    // with a word, and the dates stay.
    for (const QString& bad : {QStringLiteral("am 1. Juli 2026, Aula"), QStringLiteral("1. Juli 2026 → Aula")}) {
        prompt.clear();
        prompt.text(bad);
        EXPECT_FALSE(CertificateDateForAll());
        EXPECT_EQ(prompt.shown().at(1).maxLength, 0); // a box limit would cut a paste unseen
        EXPECT_TRUE(prompt.lastText().contains(bad.contains("→") ? "\"→\"" : "höchstens 20 Zeichen"))
            << prompt.lastText().toStdString();
        EXPECT_EQ(ClassTable().value(0, "DATUM"), "irgendwann 2026");
    }
    prompt.cancelText();
    EXPECT_FALSE(CertificateDateForAll());
    EXPECT_FALSE(state().inputOk);
    // Ctrl write-protects an open list.
    classFiles().EnableListWriting();
    EXPECT_TRUE(StudentListCtrlKey());
    EXPECT_EQ(prompt.lastText(), kMsgCtrlProtects);
    EXPECT_TRUE(classFiles().view().studentListReadOnly);
}

// A class copied from Windows: "9A_25262.DBF" beside its folder "9a_25262"
// with a grade file "V.1".  Opening, the tables, the grade window and the
// sort find the grades there; rename and delete take the folder along.
TEST_F(StudentListFlow, AClassCopiedFromWindowsKeepsItsGrades)
{
    makeClass("9A_25262.DBF", {{"1", "Zorn", "Zoe", "W"}, {"2", "Adam", "Anton", "M"}});
    QDir(folder.path()).mkdir("9a_25262");
    openClass("9A_25262.DBF");
    const GradeContext ctx = GradeContextFromState();
    ExamSheet sheet = PresetExamSheet(ctx);
    sheet.grid.at(ColYear, rowOf("D")) = "2.0";
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("9a_25262/V.1"), sheet, ctx));
    ASSERT_TRUE(classGrid().OpenTable(GradeTable::JL));
    EXPECT_EQ(classGrid().cell(columnOf("D"), 1), "2.0");
    ASSERT_TRUE(classGrid().Leave());
    ASSERT_TRUE(gradeWindow().Open(0));
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColYear, rowOf("D")), "2.0");
    ASSERT_TRUE(gradeWindow().Close());

    prompt.yes().no().no();
    ASSERT_TRUE(SortStudentList());
    EXPECT_EQ(last(1), "Adam");
    const QString zorn = StudentFilePathCI(folder.file("9a_25262"), "v.", "2");
    EXPECT_EQ(ReadTextLines(zorn).value(ColYear * 20 + rowOf("D")), "2.0");
    const auto classFolders = [&] { return QDir(folder.path()).entryList({"9*"}, QDir::Dirs | QDir::NoDotAndDotDot); };
    EXPECT_EQ(classFolders(), QStringList{"9a_25262"});

    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9e").text("2526");
    classFiles().Activate("9A_25262.DBF");
    EXPECT_TRUE(QFileInfo::exists(StudentFilePathCI(folder.file("9e_25262"), "v.", "2")));
    ASSERT_TRUE(QFile::rename(folder.file("9e_25262.dbf"), folder.file("9E_25262.DBF")));
    classFiles().ShowList(kModeDelete, folder.path(), kClassTableMask);
    prompt.yes();
    classFiles().Activate("9E_25262.DBF");
    EXPECT_EQ(classFolders(), QStringList{});
}

// A window still open while the list is rearranged, or after another class
// was opened, writes back only onto the student it shows, never onto another.
TEST_F(StudentListFlow, GradeWindowRefusesToWriteRemarksOntoAnotherStudent)
{
    makeClass("xb_25262.dbf", threeStudents());
    const struct { const char* name; std::function<void()> change; } cases[] = {
        {"vertauscht", [&] { swapFirstTwo(); }},
        {"andere Klasse", [&] { ClassTable().close(); openClass("xb_25262.dbf"); prompt.clear(); }},
    };
    for (const auto& c : cases) {
        makeClass("xa_25262.dbf", threeStudents());
        openClass("xa_25262.dbf");
        GradeWindowController& gw = gradeWindow();
        gw.reset();
        ASSERT_TRUE(gw.Open(0)) << c.name;
        gw.setRemark(0, "Anna hat gefehlt");
        c.change();
        EXPECT_FALSE(gw.Close()) << c.name;
        EXPECT_TRUE(gw.isOpen()) << c.name;
        EXPECT_EQ(ClassTable().value(0, "HINWEIS1") + ClassTable().value(1, "HINWEIS1"), "") << c.name;
        EXPECT_FALSE(gradeFile(1)) << c.name;
        EXPECT_TRUE(prompt.anyTextContains("Berg")) << c.name;
        prompt.clear();
        EXPECT_EQ(gw.Next(), StepResult::Failed) << c.name;
        EXPECT_EQ(ClassTable().value(0, "HINWEIS1"), "") << c.name;
        EXPECT_FALSE(prompt.texts().isEmpty()) << c.name;
        ClassTable().close();
    }
}

TEST_F(StudentListFlow, GridSavesOnlyWhileTheRowsAreUnchanged)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    for (const bool rearranged : {true, false}) {
        SCOPED_TRACE(rearranged ? "rearranged" : "unchanged");
        ClassGrid& g = classGrid();
        g.reset();
        ASSERT_TRUE(g.OpenTable(GradeTable::JL));
        const int c = g.FirstFilteredColumn();
        ASSERT_TRUE(g.commitCell(c, 1, "1"));
        if (rearranged)
            swapFirstTwo();
        prompt.yes();   // save
        EXPECT_EQ(g.Leave(), !rearranged);
        EXPECT_EQ(gradeFile(1), !rearranged);
        if (rearranged) {
            // Anna's mark is still in the table, not in Bernd's file.
            EXPECT_TRUE(g.entryOpen());
            EXPECT_FALSE(gradeFile(2));
            EXPECT_TRUE(prompt.anyTextContains("Berg"));
            EXPECT_EQ(g.cell(c, 1), "1.0");
            g.reset();
            swapFirstTwo();
            ASSERT_EQ(last(1), "Berg");
        }
    }
}
