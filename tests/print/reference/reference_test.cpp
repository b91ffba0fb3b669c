// Every printed document read whole: three classes that fill every field the
// layouts print are printed through the print menu's entries (9a and 10a
// with texts of everyday length, 9b with every text at its field's full
// width, the longest subject list and five long footer lines), and
// the whole recording (texts, positions, fonts, rules, page breaks, and the
// boxes shown on the way) must equal the reference kept beside this file in
// <class>/<document>.txt; no text may stand over a rule, another text or the
// page's edge.  Every print entry, shown or hidden, must have its documents.
//
// The references are written only on request:
//   HSA_WRITE_REFERENCES=1 ./build/tests/print/reference/test_print_reference
// rewrites every reference (and removes those no document prints any more);
// read the changed ones before committing them.
#include "app/mainmenu.h"
#include "app/subjectlistpanel.h"
#include "classes/helpers.h"
#include "classes/studentlist.h"
#include "grades/classgrid.h"
#include "grades/gradeslots.h"
#include "grades/gradewindowcontroller.h"
#include "print/drivers.h"
#include "print/subjectlistchoice.h"
#include "support/printclass.h"
#include "support/printfixture.h"
#include "support/programwindows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSet>
#include <functional>

using namespace hsa;
using namespace hsa::test;

namespace {

const QString kReferenceDir = QStringLiteral(HSA_SOURCE_DIR "/tests/print/reference");

bool writingReferences()
{
    return qEnvironmentVariableIntValue("HSA_WRITE_REFERENCES") == 1;
}

// The classes: folder name of their references, class file, KLASSE, and
// whether every text stands at its field's full width.
struct FixtureClass {
    const char* folder;
    const char* classFile;
    const char* klasse;
    bool longest = false;
};
const FixtureClass kClasses[] = {
    {"9a", "9a_25262.dbf", "9a"},
    {"10a", "xa_25262.dbf", "10a"},
    {"9b", "9b_25262.dbf", "9b Zug Ost", true},
};

// A subject name as long as the real ones get, in place of
// "Wirtschaftslehre/Informatik".
const QByteArray kLongSubject = "Wirtschaft, Berufs- und Studienorientierung";
// The longest subject list the subject editor takes (19 subjects): three
// subjects after the project exam, the last as long as a name may be, one
// broken in two lines.
const QString kExtraSubjects = QStringLiteral("Französisch\r\nInformatik\\Medienbildung und Programmieren\r\n"
                                               "Alltagskultur, Ernährung, Soziales mit Praxisteil und Exkursion\r\n");
// Five footer lines, each as long as the grade key.
QByteArray LongFooterLines()
{
    QString out;
    for (int i = 1; i <= 5; ++i)
        out += QStringLiteral("Fußzeile %1: Die Gesamtnote ergibt sich aus den Noten aller Fächer und der "
                              "Projektprüfung (siehe Beiblatt)\r\n").arg(i);
    return out.toLatin1(); // the subject file is Windows-1252
}

// text continued with everyday words up to exactly width characters, as a
// secretary fills a field to its end.
QString Widen(const QString& text, int width)
{
    static const char* words[] = {"und", "Schulgemeinschaft", "Verantwortung", "Streitschlichtung",
                                  "Ganztagsangebot", "Berufsorientierung", "Ausbildungsreife"};
    QString s = text;
    for (int i = 0; s.size() < width; ++i)
        s += QLatin1Char(' ') + QString::fromUtf8(words[i % std::size(words)]);
    s.truncate(width);
    if (s.endsWith(QLatin1Char(' ')))
        s[width - 1] = QLatin1Char('e');
    return s;
}

class ReferencePages;

// One printed document: the menu entry that prints it (empty for a page the
// print menu does not reach: a result the grade file cannot hold, the grade
// window's note page), the reference's name and what the secretary does to
// print it.
struct Document {
    QString entry;
    QString name;
    std::function<void(ReferencePages&)> print;
};

QList<Document> Documents();

// The exam result of a student and the cells of the grade file, by the
// subject's short code.
struct Mark {
    int column;
    const char* code;
    const char* text;
};

struct FixtureStudent {
    StudentRow row;
    int result = kNoExamResult;
    QList<Mark> marks;
    QStringList notes;
};

// The students of every class: every exam result 0 to 5, complete marks and
// pending "P" marks, a record without a student between them.  In the
// longest class every student fills every text field to its full width.
QList<FixtureStudent> FixtureStudents(const QString& klasse, bool longest)
{
    const auto row = [&](const char* nr, const char* last, const char* first, const char* gender,
                         QList<QPair<QString, QString>> fields) {
        fields << qMakePair(QStringLiteral("KLASSE"), klasse);
        return StudentRow{QString::fromUtf8(nr), QString::fromUtf8(last), QString::fromUtf8(first),
                          QString::fromUtf8(gender), fields};
    };
    // Year marks in every subject, different for each student, so that no
    // student's page can show another's; the exams are added per student.
    const char* codes[] = {"R", "D", "Ek", "G/Gk", "E", "M", "Ph", "Bio/Ch", "Sp", "Mu", "BK", "WBS", "Te", "HTW"};
    const char* grades[] = {"2.0", "2.4", "3.0", "1.5", "3.5", "2.7", "4.0", "2.5", "1.0", "1.8", "3.3", "2.2", "1.3", "4.5"};
    int student = 0;
    const auto yearMarks = [&] {
        QList<Mark> y;
        for (int i = 0; i < int(std::size(codes)); ++i)
            y << Mark{ColYear, codes[i], grades[(i + 3 * student) % std::size(grades)]};
        ++student;
        return y;
    };
    QList<FixtureStudent> s;
    s << FixtureStudent{
        row("1", "Wolkenkratzer-Schimmelpfennig-Bergmannsh", "Maximiliane-Josephine", "W",
            {{"AG3", "01.02.2010"},
             {"AG4", "Villingen-Schwenningen"},
             {"HJ", "3"},
             {"DATUM", "17.07.2026"},
             {"HINWEIS1", "Schulsanitätsdienst, Theater-AG"},
             {"HINWEIS2", "Streitschlichterin"},
             {"HINWEIS3", "Schulband"},
             {"HINWEIS4", "Teilnahme an der Schülerfirma"},
             {"BEMERK1", "Sie war Klassensprecherin."},
             {"BEMERK2", "Lesepatin in Klasse 5"},
             {"AG2", "Schülermitverantwortung"},
             {"AG7", "Mathematik-Olympiade"},
             {"AG5", "Bau eines Solarkochers aus Abfallmaterial"},
             {"AG6", "2"}}),
        0,
        yearMarks() + QList<Mark>{{ColWritten, "D", "2.3"},  {ColOral, "D", "2.0"},   {ColWritten, "M", "3.1"},
                           {ColWritten, "E", "2.7"},  {ColComm, "E", "2.0"},   {ColComm, "Te", "1.7"},
                           {ColOral, "WBS", "2.0"},  {ColWritten, "Proj", "1.8"}},
        {QStringLiteral("Mündliche Prüfung Deutsch am 24.06. um 9.30 Uhr"),
         QStringLiteral("Praktische Prüfung Technik: Werkstück mitbringen"), QString(),
         QStringLiteral("Eltern informiert")}};
    s << FixtureStudent{row("2", "Adler", "Eva", "W", {{"AG3", "12.11.2009"}, {"AG4", "Tuttlingen"}, {"HJ", "1"}}),
                        kNoExamResult,
                        yearMarks() + QList<Mark>{{ColWritten, "D", "P"},  {ColOral, "D", "P"},   {ColWritten, "M", "P"},
                                           {ColWritten, "E", "3.3"}, {ColComm, "E", "P"},  {ColComm, "Te", "P"},
                                           {ColOral, "WBS", "P"},  {ColWritten, "Proj", "P"}},
                        {QStringLiteral("Nachprüfung beantragt")}};
    s << FixtureStudent{row("3", "Berger", "Jonas", "M", {{"AG3", "30.04.2010"}, {"AG4", "Rottweil"}}),
                        3,
                        yearMarks() + QList<Mark>{{ColWritten, "D", "5.0"}, {ColWritten, "M", "5.7"}, {ColWritten, "E", "4.7"},
                                           {ColComm, "E", "5.0"},    {ColWritten, "Proj", "4.0"}},
                        {}};
    s << FixtureStudent{row("4", "", "", "", {}), kNoExamResult, {}, {}};
    s << FixtureStudent{row("5", "Claus", "Mia", "W",
                            {{"AG3", "05.06.2010"}, {"AG4", "Spaichingen"}, {"AG5", "Französisch"}, {"AG6", "3"}}),
                        4,
                        yearMarks() + QList<Mark>{{ColWritten, "D", "3.0"}, {ColWritten, "M", "3.0"}},
                        {}};
    s << FixtureStudent{row("6", "Dorn", "Paul", "M", {{"AG3", "18.09.2009"}, {"AG4", "Trossingen"}}),
                        1,
                        yearMarks() + QList<Mark>{{ColWritten, "D", "1.7"}, {ColWritten, "M", "2.0"}, {ColWritten, "E", "2.3"},
                                           {ColComm, "E", "1.3"},    {ColOral, "M", "1.0"},    {ColWritten, "Proj", "2.0"}},
                        {}};
    s << FixtureStudent{row("7", "Eck", "Lena", "W", {{"AG3", "22.12.2009"}, {"AG4", "Donaueschingen"}}),
                        2,
                        yearMarks() + QList<Mark>{{ColWritten, "D", "1.3"}, {ColWritten, "M", "1.0"}, {ColWritten, "E", "1.7"},
                                           {ColComm, "E", "1.0"},    {ColComm, "Te", "1.0"},   {ColWritten, "Proj", "1.0"}},
                        {}};
    if (!longest)
        return s;
    const std::pair<const char*, int> texts[] = {
        {"AG4", 50}, {"AG5", 80}, {"HINWEIS1", 80}, {"HINWEIS2", 50},
        {"HINWEIS3", 50}, {"HINWEIS4", 70}, {"BEMERK1", 70}, {"BEMERK2", 42}, {"AG2", 42}, {"AG7", 42}};
    const std::pair<const char*, const char*> fixed[] = {
        {"AG3", "01.02.2010, Zwilling"}, {"DATUM", "Freitag,  17.07.2026"}, {"HJ", "Gr. 3"}, {"AG6", "2"}};
    for (FixtureStudent& st : s) {
        if (st.row.last.isEmpty())
            continue;
        QMap<QString, QString> f;
        for (const auto& [name, value] : st.row.fields)
            f[name] = value;
        f[QStringLiteral("VORNAME")] =
            (st.row.first + QStringLiteral(" Anna-Katharina-Luise-Marie-Sophie-Theresa")).left(40);
        f[QStringLiteral("NACHNAME")] =
            (st.row.last + QStringLiteral("-Schimmelpfennig-Bergmann-Hohenlohe-Waldburg")).left(40);
        const std::pair<const char*, const char*> starts[] = {
            {"AG4", "Villingen-Schwenningen, Ortsteil"}, {"AG5", "Bau eines Solarkochers aus Abfallmaterial"},
            {"HINWEIS1", "Schulsanitätsdienst, Theater-AG"}, {"HINWEIS2", "Streitschlichtung"},
            {"HINWEIS3", "Schulband"}, {"HINWEIS4", "Teilnahme an der Schülerfirma"},
            {"BEMERK1", "Sie war Klassensprecherin"}, {"BEMERK2", "Lesepatin in Klasse 5"},
            {"AG2", "Schülermitverantwortung"}, {"AG7", "Mathematik-Olympiade"}};
        for (const auto& [name, start] : starts)
            if (f.value(QString::fromLatin1(name)).isEmpty())
                f[QString::fromLatin1(name)] = QString::fromUtf8(start);
        for (const auto& [name, width] : texts)
            f[QString::fromLatin1(name)] = Widen(f.value(QString::fromLatin1(name)), width);
        for (const auto& [name, value] : fixed)
            f[QString::fromLatin1(name)] = QString::fromUtf8(value);
        st.row.first = f.take(QStringLiteral("VORNAME"));
        st.row.last = f.take(QStringLiteral("NACHNAME"));
        st.row.fields.clear();
        for (auto it = f.begin(); it != f.end(); ++it)
            st.row.fields << qMakePair(it.key(), it.value());
        // A note line as wide as the page holds, the last lines of the
        // notes filled.
        while (st.notes.size() < 44)
            st.notes << QString();
        st.notes[1] = Widen(st.notes[1].isEmpty() ? QStringLiteral("Gespräch mit den Eltern") : st.notes[1], 80);
        st.notes[43] = QStringLiteral("Letzte Zeile der Notizen");
    }
    return s;
}

class ReferencePages : public PrintClassFixture, public ::testing::WithParamInterface<std::tuple<int, int>> {
public:
    // The scripted answers to the questions a document asks.
    ScriptedPrompt& answers() { return prompt; }
    // A menu entry as the secretary chooses it.
    void trigger(const QString& entry)
    {
        ASSERT_TRUE(HasMenuHandler(entry)) << entry.toStdString();
        windows.form->trigger(entry);
    }
    // A subject-list entry: its choice shown, the subjects given marked "ja"
    // (by their names' start), the list type and exam kind changed where
    // asked, then "Drucken".  Entries that print at once print at once.
    void subjectList(const QString& entry, const QStringList& subjects, int listType = -1, int examKind = -1)
    {
        trigger(entry);
        SubjectListChoice& c = subjectListChoice();
        if (!c.visible)
            return; // printed at once
        for (int r = 0; r < kSubjectChoiceRows; ++r)
            for (const QString& s : subjects)
                if (!c.rows[r].subject.isEmpty() && c.rows[r].subject.startsWith(s) && c.rows[r].mark != "ja")
                    c.toggle(r);
        if (listType >= 0)
            c.setListType(listType);
        if (examKind >= 0)
            c.setExamKind(examKind);
        auto* panel = windows.form->findChild<SubjectListPanel*>();
        ASSERT_NE(panel, nullptr);
        panel->refresh();
        panel->Button3Click();
    }
    // A whole-class grade table opened from the menu "Notentabellen" and
    // printed with "DRUCKEN: Geöffnete Tabelle ".
    void gradeTable(const QString& tableEntry)
    {
        trigger(tableEntry);
        ASSERT_TRUE(classGrid().visible()) << tableEntry.toStdString();
        trigger(QStringLiteral("Druckstarten1"));
        trigger(QStringLiteral("speichernundverlassen1"));
    }
    // The class filled up to 36 students (the seventh on, year marks only),
    // so that the lists and tables run over onto a second page.
    // The longest class is filled to its last student record, its names at
    // full width.
    void fillClass()
    {
        const QString klasse = ClassTable().valueOrEmpty(0, QStringLiteral("KLASSE"));
        const bool longest = kClasses[std::get<0>(GetParam())].longest;
        for (int row = 7; row < (longest ? kLastStudentRecord : 36); ++row) {
            const QString nr = QString::number(row + 1);
            const QString last = QStringLiteral("Schüler%1").arg(row + 1);
            const QString first = QStringLiteral("Vorname%1").arg(row + 1);
            ClassTable().setValue(row, QStringLiteral("NR"), nr);
            ClassTable().setValue(row, QStringLiteral("NACHNAME"), longest ? (last + QStringLiteral("-Schimmelpfennig-Bergmann-Hohenlohe-Waldburg")).left(40) : last);
            ClassTable().setValue(row, QStringLiteral("VORNAME"), longest ? (first + QStringLiteral(" Anna-Katharina-Luise-Marie-Sophie-Theresa")).left(40) : first);
            ClassTable().setValue(row, QStringLiteral("KLASSE"), klasse);
            ClassTable().post();
            writeSheet(nr, kNoExamResult, {Cell{ColYear, 3, QStringLiteral("%1.0").arg(row % 5 + 1)}});
            storeGradeList(row);
        }
    }
    // The first student's page printed straight with a result the grade file
    // cannot hold (6: the certificate of kind 21; 7 and 8: the certificates
    // of external candidates).
    void withResult(int kind, int result)
    {
        const ClassPrintData cls = LoadClassPrintData();
        StudentPrintData st = LoadStudentPrintData(cls, ClassTable(), 1);
        st.sheet.resultIndex = result;
        PrintStudentDocument(kind, cls, st);
    }

protected:
    void SetUp() override
    {
        PrintClassFixture::SetUp();
        const FixtureClass& k = kClasses[std::get<0>(GetParam())];
        const QString file = QString::fromLatin1(k.classFile);
        // The class level's subject file with a long subject name.
        const QString level = file.at(0) == QLatin1Char('9') ? QStringLiteral("fa9-mit") : QStringLiteral("fax-mit");
        QByteArray subjects = folder.read(QStringLiteral("sta-") + level + QStringLiteral(".dat"));
        ASSERT_TRUE(subjects.contains("Wirtschaftslehre/Informatik"));
        subjects.replace("Wirtschaftslehre/Informatik", kLongSubject);
        if (k.longest) {
            // Three more subjects after the project exam; the five footer
            // lines in place of the grade key and the weights.
            const qsizetype end = subjects.indexOf("****");
            ASSERT_GT(end, 0);
            const qsizetype heading = subjects.indexOf("\r\n", end) + 2;
            const qsizetype footers = subjects.indexOf("\r\n", heading) + 2;
            subjects = subjects.left(end) + kExtraSubjects.toLatin1() + subjects.mid(end, footers - end)
                + LongFooterLines();
        }
        folder.write(level + QStringLiteral(".DAT"), subjects);
        // The exam board of the class.
        folder.write(QStringLiteral("vor2526") + file.at(0) + QStringLiteral(".dat"),
                     "Dr. Hannelore Zimmermann-Streit\r\nKonrad Mittelstaedt\r\n");
        windows.start(prompt);
        QList<StudentRow> rows;
        const QList<FixtureStudent> students = FixtureStudents(QString::fromUtf8(k.klasse), k.longest);
        for (const FixtureStudent& s : students)
            rows << s.row;
        makeClass(file, rows);
        openClass(file);
        const GradeContext context = GradeContextFromState();
        const ExamSheet preset = PresetExamSheet(context);
        for (const FixtureStudent& s : students) {
            if (s.row.last.isEmpty())
                continue;
            QList<Cell> cells;
            for (const Mark& m : s.marks) {
                int r = 1;
                while (r < kExamGridRows && TrimRight(preset.grid.at(ColCode, r)) != QLatin1String(m.code))
                    ++r;
                ASSERT_LT(r, kExamGridRows) << m.code << " not in " << [&] {
                    QStringList codes;
                    for (int i = 1; i < kExamGridRows; ++i)
                        codes << preset.grid.at(ColCode, i);
                    return codes.join(QLatin1Char('|')).toStdString();
                }();
                cells << Cell{m.column, r, QString::fromUtf8(m.text)};
            }
            // The subjects after the project exam have year marks too.
            for (int r = 17; k.longest && r < kExamGridRows; ++r)
                cells << Cell{ColYear, r, QStringLiteral("%1.5").arg(r % 4 + 1)};
            writeSheet(s.row.nr, s.result, cells, s.notes);
            storeGradeList(s.row.nr.toInt() - 1);
        }
        state().currentStudentRecord = 0;
        prompt.clear();
    }
    void TearDown() override
    {
        subjectListChoice() = SubjectListChoice();
        gradeWindow().reset();
        classGrid().reset();
        ClassTable().close();
        windows.stop();
        PrintClassFixture::TearDown();
    }

    // The final grades of the student's grade file in the record's grade
    // slots, as leaving the grade window leaves them.
    void storeGradeList(int row)
    {
        struct Record : GradeRecord {
            DbfTable& t;
            int row;
            Record(DbfTable& table, int r) : t(table), row(r) {}
            QString fieldText(const QString& f) const override { return t.valueOrEmpty(row, f); }
            void setFieldText(const QString& f, const QString& text) override { t.setValue(row, f, text); }
        } record(ClassTable(), row);
        const GradeContext context = GradeContextFromState();
        const ExamSheet sheet = LoadStudentGradeFile(
            classFolder() + QStringLiteral("/v.") + record.fieldText(QStringLiteral("NR")).trimmed(), context);
        CopyGradeListToRecord(sheet.gradeList(context), className, record);
        ClassTable().post();
    }

    ProgramWindows windows;
};

// The reference file of a document: its name in small letters, umlauts
// spelt out and blanks as "-", so that every shell and checkout takes it.
QString ReferenceFileName(const QString& name)
{
    QString f = name.toLower();
    const std::pair<const char*, const char*> spelt[] = {{"ä", "ae"}, {"ö", "oe"}, {"ü", "ue"}, {"ß", "ss"}};
    for (const auto& [from, to] : spelt)
        f.replace(QString::fromUtf8(from), QLatin1String(to));
    f.replace(QLatin1Char(' '), QLatin1Char('-'));
    f.remove(QLatin1Char('.'));
    return f + QStringLiteral(".txt");
}

QString ReferencePath(const QString& folder, const QString& name)
{
    return kReferenceDir + QLatin1Char('/') + folder + QLatin1Char('/') + ReferenceFileName(name);
}

QStringList ReadLines(const QString& path, bool* found)
{
    QFile f(path);
    *found = f.open(QIODevice::ReadOnly);
    if (!*found)
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

void WriteLines(const QString& path, const QStringList& lines)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

// The lines that differ, readably: the common start and end left out; where
// the rest has as many lines on both sides, the lines that differ in pairs,
// else the rest of each side; at most limit lines, with their line numbers.
std::string LineDiff(const QStringList& expected, const QStringList& actual, int limit = 20)
{
    qsizetype head = 0;
    while (head < expected.size() && head < actual.size() && expected[head] == actual[head])
        ++head;
    qsizetype tail = 0;
    while (tail < expected.size() - head && tail < actual.size() - head
           && expected[expected.size() - 1 - tail] == actual[actual.size() - 1 - tail])
        ++tail;
    QString out = QStringLiteral("first difference at line %1 (reference %2 lines, printed %3)\n")
                      .arg(head + 1)
                      .arg(expected.size())
                      .arg(actual.size());
    const auto line = [&](const char* sign, qsizetype i, const QString& text) {
        out += QStringLiteral("%1 %2: %3\n").arg(QLatin1String(sign)).arg(i + 1, 5).arg(text);
    };
    if (expected.size() == actual.size()) {
        int shown = 0;
        for (qsizetype i = head; i < expected.size() - tail; ++i) {
            if (expected[i] == actual[i])
                continue;
            if (++shown > limit) {
                out += QStringLiteral("... more lines differ\n");
                break;
            }
            line("-", i, expected[i]);
            line("+", i, actual[i]);
        }
        return out.toStdString();
    }
    const auto side = [&](const QStringList& lines, const char* sign) {
        const qsizetype end = lines.size() - tail;
        for (qsizetype i = head; i < end && i < head + limit; ++i)
            line(sign, i, lines[i]);
        if (end - head > limit)
            out += QStringLiteral("%1 ... %2 more\n").arg(QLatin1String(sign)).arg(end - head - limit);
    };
    side(expected, "-");
    side(actual, "+");
    return out.toStdString();
}

TEST_P(ReferencePages, PrintsAsItsReference)
{
    const QList<Document> documents = Documents();
    const Document& d = documents.at(std::get<1>(GetParam()));
    const QString folder = QString::fromLatin1(kClasses[std::get<0>(GetParam())].folder);
    d.print(*this);
    EXPECT_EQ(prompt.remainingAnswers(), 0) << "answers left: the document asked other questions than scripted";
    // Every text stays inside its room: no rule, other text or page edge in
    // its way.  A cross set into its box "(   )" is meant to stand there.
    for (const PrintJob& job : device().jobs) {
        const QList<PrintedText> texts = job.texts();
        const QList<PrintedLine> lines = job.lines();
        const QSizeF page = job.landscape ? device().printableMM.transposed() : device().printableMM;
        for (int i = 0; i < texts.size(); ++i) {
            if (texts[i].text.trimmed().isEmpty() || texts[i].text == QLatin1String("X"))
                continue;
            const QString crossing = TextCrossing(texts, lines, i, qRound(page.width() * 10), qRound(page.height() * 10));
            if (!crossing.isEmpty() && !crossing.startsWith(QLatin1String("\"X\"")))
                ADD_FAILURE() << d.name.toStdString() << ", page " << texts[i].page + 1 << ": \""
                              << texts[i].text.toStdString() << "\" at " << texts[i].x << "," << texts[i].pageY()
                              << " runs into " << crossing.toStdString();
        }
    }
    QStringList lines = RecordingLines(device().jobs);
    if (lines.isEmpty())
        lines << QStringLiteral("no job");
    // The boxes shown on the way, so that a changed question or an error
    // message shows too.
    for (const ScriptedPrompt::Shown& shown : prompt.shown())
        lines << QStringLiteral("shown \"%1\"").arg(QString(shown.text).replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r")));
    const QString path = ReferencePath(folder, d.name);
    if (writingReferences()) {
        WriteLines(path, lines);
        return;
    }
    bool found = false;
    const QStringList expected = ReadLines(path, &found);
    ASSERT_TRUE(found) << "no reference " << path.toStdString() << "; write it with HSA_WRITE_REFERENCES=1";
    if (expected != lines)
        ADD_FAILURE() << path.toStdString() << " differs from the printed document:\n" << LineDiff(expected, lines);
}

std::string ParamName(const ::testing::TestParamInfo<std::tuple<int, int>>& info)
{
    QString name = QString::fromLatin1(kClasses[std::get<0>(info.param)].folder) + QLatin1Char('_')
        + Documents().at(std::get<1>(info.param)).name;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() || c.unicode() > 127)
            c = QLatin1Char('_');
    return "c" + name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Classes, ReferencePages,
                         ::testing::Combine(::testing::Range(0, int(std::size(kClasses))),
                                            ::testing::Range(0, int(Documents().size()))),
                         ParamName);

// The entries of the menu "D&rucken" that print (every entry without entries
// of its own, the printer settings and the preview hint aside) and
// "DRUCKEN: Geöffnete Tabelle ".
QStringList PrintEntries()
{
    const QSet<QString> notDocuments{QStringLiteral("EINSTELLUNGENDrucker1"), QStringLiteral("INFODRUCKVORSCHAU1")};
    const QList<MenuEntryDef>& menu = MainMenuDefinition();
    QSet<QString> parents;
    for (const MenuEntryDef& e : menu)
        parents.insert(e.parent);
    const auto underPrintMenu = [&](const MenuEntryDef& e) {
        QString p = e.parent;
        for (;;) {
            if (notDocuments.contains(p))
                return false;
            if (p == QLatin1String("Drucken1"))
                return true;
            auto it = std::find_if(menu.begin(), menu.end(), [&](const MenuEntryDef& m) { return m.name == p; });
            if (it == menu.end())
                return false;
            p = it->parent;
        }
    };
    QStringList out;
    for (const MenuEntryDef& e : menu)
        if (!parents.contains(e.name) && !e.heading && !notDocuments.contains(e.name) && underPrintMenu(e))
            out << e.name;
    out << QStringLiteral("Druckstarten1");
    return out;
}

// Every print entry, shown or hidden, has a document here and each document a
// reference for every class; a reference no document prints is a leftover.
TEST(ReferenceIndex, EveryPrintEntryHasItsReferences)
{
    QSet<QString> documented, names, files;
    for (const Document& d : Documents()) {
        documented.insert(d.entry);
        EXPECT_FALSE(files.contains(ReferenceFileName(d.name))) << "two documents named " << d.name.toStdString();
        names.insert(d.name);
        files.insert(ReferenceFileName(d.name));
    }
    const QStringList entries = PrintEntries();
    EXPECT_GE(entries.size(), 39) << "the walk of the menu lost entries";
    for (const QString& entry : entries)
        EXPECT_TRUE(documented.contains(entry)) << "the print entry " << entry.toStdString() << " has no document";
    for (const FixtureClass& k : kClasses) {
        const QString folder = QString::fromLatin1(k.folder);
        for (const QString& name : names) {
            if (!writingReferences()) {
                EXPECT_TRUE(QFileInfo::exists(ReferencePath(folder, name)))
                    << "no reference " << ReferencePath(folder, name).toStdString();
            }
        }
        for (const QFileInfo& f : QDir(kReferenceDir + QLatin1Char('/') + folder).entryInfoList({"*.txt"}, QDir::Files)) {
            if (files.contains(f.fileName()))
                continue;
            if (writingReferences())
                QFile::remove(f.filePath());
            else
                ADD_FAILURE() << "reference without document: " << f.filePath().toStdString();
        }
    }
}

QList<Document> Documents()
{
    using P = ReferencePages;
    QList<Document> d;
    // The per-student documents: the marked student (the first), all
    // students, and the students 3 to 5 (the empty record among them).
    const auto perStudent = [&](const char* marked, const char* all, const char* range, const char* document) {
        const QString doc = QString::fromUtf8(document);
        d << Document{marked, doc + QStringLiteral(" markierter Schüler"), [m = QString::fromLatin1(marked)](P& p) {
                          p.trigger(m);
                      }};
        d << Document{all, doc + QStringLiteral(" alle Schüler"), [a = QString::fromLatin1(all)](P& p) {
                          p.trigger(a);
                      }};
        d << Document{range, doc + QStringLiteral(" Nr. 3 bis 5"), [r = QString::fromLatin1(range)](P& p) {
                          p.answers().text(QStringLiteral("3")).text(QStringLiteral("5"));
                          p.trigger(r);
                      }};
    };
    perStudent("AktuellerSchler1", "AlleSchler1", "VonNr1", "Zeugnis");
    perStudent("MarkierterSchler2", "AlleSchler3", "Vonbis2", "Endnoten 1D");
    perStudent("MarkierterSchler6", "AlleSchler7", "Vonbis6", "Prüfungstabelle");
    perStudent("MarkierterSchler3", "AlleSchler4", "Vonbis3", "Prüfungstabelle zur Information");
    perStudent("MarkierterSchler4", "AlleSchler5", "Vonbis4", "Grenznoten");
    perStudent("MarkierterSchler5", "AlleSchler6", "Vonbis5", "Abschrift");
    // The year-mark sheet, and with Yes to the choice sheet question the
    // exam choice sheet (class 9) or the oral-exam registration (class 10).
    d << Document{"MarkierterSchler1", "Jahresleistung markierter Schüler", [](P& p) { p.trigger("MarkierterSchler1"); }};
    d << Document{"AlleSchler2", "Jahresleistung alle Schüler", [](P& p) {
                      p.answers().no();
                      p.trigger("AlleSchler2");
                  }};
    d << Document{"AlleSchler2", "Prüfungswahlbogen alle Schüler", [](P& p) {
                      p.answers().yes();
                      p.trigger("AlleSchler2");
                  }};
    d << Document{"Vonbis1", "Jahresleistung Nr. 3 bis 5", [](P& p) {
                      p.answers().no().text("3").text("5");
                      p.trigger("Vonbis1");
                  }};
    d << Document{"Vonbis1", "Prüfungswahlbogen Nr. 3 bis 5", [](P& p) {
                      p.answers().yes().text("3").text("5");
                      p.trigger("Vonbis1");
                  }};
    // Results the grade file cannot hold: the leaving certificate (6) and
    // the certificates of external candidates (7, 8), with their copies.
    for (const int result : {6, 7, 8})
        for (const int kind : {1, 6})
            d << Document{QString(),
                          QStringLiteral("%1 Ergebnis %2").arg(kind == 1 ? "Zeugnis" : "Abschrift").arg(result),
                          [kind, result](P& p) { p.withResult(kind, result); }};

    // The class tables.
    const auto table = [&](const char* entry, const char* name, QList<Answer> answers) {
        d << Document{entry, QString::fromUtf8(name), [e = QString::fromLatin1(entry), answers](P& p) {
                          for (const Answer a : answers)
                              p.answers().answer(a);
                          p.trigger(e);
                      }};
    };
    const Answer yes = Answer::Yes, no = Answer::No;
    table("Notenliste1", "Klassenübersicht Endnoten", {no});
    table("Notenliste1", "Klassenübersicht Endnoten sortiert", {yes});
    table("Notentabelleleer1", "Klassenliste leer quer", {yes});
    table("Notentabelleleer1", "Klassenliste leer hoch", {no});
    table("TabelleAnmeldenoten1", "Jahresleistung Klassenliste quer", {no, yes});
    table("TabelleAnmeldenoten1", "Jahresleistung Klassenliste hoch sortiert", {yes, no});
    table("JLEintragslisteKlassenliste1", "Jahresleistung Eintragsliste quer", {yes});
    table("JLEintragslisteKlassenliste1", "Jahresleistung Eintragsliste hoch", {no});
    table("EintragslistefrWahldermndlPrfungsfcher1", "Mündliche Prüfungen mit Noten quer", {yes, yes});
    table("EintragslistefrWahldermndlPrfungsfcher1", "Mündliche Prüfungen mit Noten hoch", {yes, no});
    table("EintragslistefrWahldermndlPrfungsfcher1", "Mündliche Prüfungen leer quer", {no, yes});
    table("PPKlassentabelleAllepraktischenPrfungenEintragslisteKontrollliste1", "Praktische Prüfungen mit Noten quer",
          {yes, yes});
    table("PPKlassentabelleAllepraktischenPrfungenEintragslisteKontrollliste1", "Praktische Prüfungen leer hoch",
          {no, no});
    table("SPKlassentabellemitallenschriftlichenPrfungsnoten1", "Schriftliche Prüfungen Hinweis", {});
    table("EZKlassetabellemitallenPrfungsleistungen1", "Prüfungsleistungen Klassentabelle", {});
    d << Document{"ErgebnislistefrdasstaatlicheSchulamt1", "Ergebnisliste", [](P& p) {
                      p.answers().text("11");
                      p.trigger("ErgebnislistefrdasstaatlicheSchulamt1");
                  }};
    const struct { const char* entry; const char* name; } grids[] = {
        {"JahresleistungEingabe1", "Notentabelle Jahresleistung"},
        {"SchriftlicheNotenEingabe1", "Notentabelle schriftliche Prüfung"},
        {"MndlicheNotenEingabe1", "Notentabelle mündliche Prüfung"},
        {"PraktischePrfungsergebnisseEingabe1", "Notentabelle Kommunikationsprüfung"},
        {"PPPraktischePrfungEingabe4Ausdruck1", "Notentabelle praktische Prüfung"},
        {"PLPrfungsleistungenganzeKlasseAnsichtAusdruck1", "Notentabelle Prüfungsleistungen"},
        {"bearbeiten1", "Notentabelle Endnoten"},
    };
    for (const auto& g : grids)
        d << Document{"Druckstarten1", QString::fromUtf8(g.name),
                      [e = QString::fromLatin1(g.entry)](P& p) { p.gradeTable(e); }};

    // The subject lists and protocols of German, English, mathematics, the
    // long subject and technology, for every list type and exam kind.
    const QStringList subjects{"Deutsch", "Englisch", "Mathematik", "Wirtschaft", "Technik"};
    const auto list = [&](const char* entry, const char* name, QList<Answer> answers, int type = -1, int kind = -1) {
        d << Document{entry, QString::fromUtf8(name), [e = QString::fromLatin1(entry), answers, subjects, type, kind](P& p) {
                          for (const Answer a : answers)
                              p.answers().answer(a);
                          p.subjectList(e, subjects, type, kind);
                      }};
    };
    list("FachlistenPrfungsteilnehmerErgebnisseTerminplanung1", "Teilnehmer schriftlich mit Noten", {yes});
    list("FachlistenPrfungsteilnehmerErgebnisseTerminplanung1", "Teilnehmer schriftlich ohne Noten", {no});
    list("FachlistenzurOrganisationdermndlPrfung1", "Teilnehmer mündlich mit Noten", {yes});
    list("FachlistenzurOrganisationdermndlPrfung1", "Teilnehmer mündlich ohne Noten", {no});
    list("FachlistenzurOrganisationdermndlPrfung1", "Organisation mündliche Prüfung", {}, 2);
    list("PPFachlistenPrflingePraktischePrfung1", "Teilnehmer praktisch mit Noten", {yes});
    list("PPFachlistenPrflingePraktischePrfung1", "Teilnehmer praktisch ohne Noten", {no});
    list("MPProtokollefrdiemndlichePrfung1", "Protokolle mündlich", {});
    list("PPProtokollefrdiepraktischePrfung1", "Protokolle praktisch", {});
    list("DEZPrfungsprotokolle1", "Protokolle Kommunikationsprüfung", {});
    list("DEZKlassenlistefrdiedenentraleEnglischprfung1", "Teilnehmer Kommunikationsprüfung mit Noten", {yes});
    list("DEZKlassenlistefrdiedenentraleEnglischprfung1", "Teilnehmer Kommunikationsprüfung ohne Noten", {no});
    // A class of 36: the second page of a table and of a list.
    d << Document{"Notentabelleleer1", "Klassenliste leer quer volle Klasse", [](P& p) {
                      p.fillClass();
                      p.answers().yes();
                      p.trigger("Notentabelleleer1");
                  }};
    d << Document{"Notenliste1", "Klassenübersicht Endnoten volle Klasse", [](P& p) {
                      p.fillClass();
                      p.answers().no();
                      p.trigger("Notenliste1");
                  }};
    d << Document{"FachlistenPrfungsteilnehmerErgebnisseTerminplanung1", "Teilnehmer schriftlich volle Klasse",
                  [](P& p) {
                      p.fillClass();
                      p.answers().yes();
                      p.subjectList("FachlistenPrfungsteilnehmerErgebnisseTerminplanung1", {"Deutsch"});
                  }};
    // "Notizfeld drucken" of the grade window, opened for the marked student.
    d << Document{QString(), "Notizfeld Notenfenster", [](P& p) {
                      p.trigger("Berichtschreiben1");
                      QWidget* window = ProgramWindow(QStringLiteral("Form2"));
                      ASSERT_NE(window, nullptr);
                      auto* button = window->findChild<QPushButton*>(QStringLiteral("Button5"));
                      ASSERT_NE(button, nullptr);
                      button->click();
                  }};
    d << Document{"Notizfelder1", "Notizfelder", [](P& p) {
                      p.answers().text("1").text("8");
                      p.trigger("Notizfelder1");
                  }};
    return d;
}

} // namespace
