// The page choice, the three drivers over a real class and the per-student loop's faults.
#include "classes/sharedstate.h"
#include "print/drivers.h"
#include "print/pagemodel.h"
#include "print/studentlayouts.h"
#include "support/gradefilebytes.h"
#include "support/printclass.h"

using namespace hsa;
using namespace hsa::test;

namespace {

TEST(StudentDispatch, FirstMatchingRuleChoosesThePage)
{
    using L = StudentLayout;
    struct Row { int kind, result; char code; L layout; int passed; };
    // Kinds 1 and 6 of classes "9" and "x" are shown through the drivers below.
    const Row rows[] = {
        {29, 0, '9', L::ExamChoiceSheet, 2}, {29, 0, 'x', L::StudentSheet, 2},   {29, 3, 'X', L::StudentSheet, 2},
        {29, 0, 'y', L::StudentSheet, 2},    {29, 0, '4', L::None, 29},           {4, 3, '9', L::ExamTable, 4},
        {2, 5, '9', L::YearMarkSheet, 2},    {3, -1, 'x', L::FinalGradeSheet, 3}, {5, 0, 'y', L::BoundaryGradeSheet, 5},
        {8, 0, '9', L::None, 8},             {1, -1, '9', L::NoCertificate, 1},   {1, 4, 'X', L::OwnCertificate, 7},
        {1, 5, 'x', L::CertificateA, 20},    {1, 6, '9', L::CertificateB, 21},    {7, 0, 'X', L::OwnCertificate, 7},
        {1, 0, 'X', L::CertificateA, 11},    {6, 0, 'x', L::CertificateA, 16},    {6, 0, 'y', L::OwnCertificate, 6},
        {1, 0, '4', L::OwnCertificate, 1},   {1, 7, 'y', L::ExternalWrsCertificate, 1},
    };
    for (const Row& r : rows) {
        const StudentLayoutChoice c = ChooseStudentLayout(r.kind, r.result, QChar::fromLatin1(r.code));
        EXPECT_EQ(c, (StudentLayoutChoice{r.layout, r.passed}))
            << "kind " << r.kind << " result " << r.result << " class " << r.code;
    }
}

// The page that was printed, by a text only it has: "-" for no job; a copy
// mark "Abschrift" appends "*".
QString printedPage(const RecordingDevice& device)
{
    if (device.jobs.isEmpty())
        return QStringLiteral("-");
    const PrintJob& job = device.jobs.last();
    const QString all = job.textStrings().join(QLatin1Char('|'));
    const auto seal = job.findText(QStringLiteral("(Dienstsiegel"));
    QString page = all.contains(QStringLiteral("Kein Zeugnis")) ? QStringLiteral("none")
        : all.contains(QStringLiteral("Abschrift nur")) ? QStringLiteral("refused")
        : all.contains(QStringLiteral("Rückmeldung")) ? QStringLiteral("feedback")
        : seal && seal->pageY() == 2565 ? QStringLiteral("A")
        : all.contains(QStringLiteral("über den Hauptschulabschluss")) ? QStringLiteral("HSA")
        : all.contains(QStringLiteral("gleichwertigen")) ? QStringLiteral("WRS")
        : !seal ? QStringLiteral("?")
        : seal->x == 1080 ? QStringLiteral("own") : QStringLiteral("B");
    if (job.findText(QStringLiteral("Abschrift")))
        page += QLatin1Char('*');
    if (all.contains(QStringLiteral("während der Klasse")))
        page += QStringLiteral(" leaving");
    return page;
}

TEST_F(PrintClassFixture, CertificatesByResultAndClassThroughTheDrivers)
{
    // Per class: the pages of kind 1 and of kind 6 for the results 0 to 5
    // read from the grade file, then 7 and 8 set in memory.
    struct Row { const char* classFile; const char* kind1[8]; const char* kind6[8]; };
    const Row rows[] = {
        {"9a_25262.dbf",
         {"own", "none", "none", "feedback", "own", "B leaving", "WRS", "HSA"},
         {"own*", "none", "none", "feedback", "refused", "refused", "WRS*", "HSA*"}},
        {"xa_25262.dbf",
         {"A", "none", "none", "none", "own", "A leaving", "A", "A"},
         {"A*", "none", "none", "none", "refused", "refused", "A*", "A*"}},
    };
    for (const Row& row : rows) {
        const QString file = QString::fromLatin1(row.classFile);
        makeClass(file, {StudentRow{QStringLiteral("1"), QStringLiteral("Adler"), QStringLiteral("Eva")}});
        openClass(file);
        state().currentStudentRecord = 0;
        for (int result = 0; result <= 7; ++result) {
            const int r = result < 6 ? result : result + 1;
            if (r <= 5)
                writeSheet(QStringLiteral("1"), r, {});
            for (const int kind : {1, 6}) {
                device().jobs.clear();
                if (r <= 5) {
                    state().printDocKind = kind;
                    PrintMarkedStudent();
                } else {
                    const ClassPrintData cls = LoadClassPrintData();
                    StudentPrintData st = LoadStudentPrintData(cls, ClassTable(), 1);
                    st.sheet.resultIndex = r;
                    PrintStudentDocument(kind, cls, st);
                }
                EXPECT_EQ(printedPage(device()), QString::fromLatin1(kind == 1 ? row.kind1[result] : row.kind6[result]))
                    << row.classFile << " kind " << kind << " result " << r;
            }
        }
        prompt.clear();
    }
}

class Drivers : public PrintClassFixture {
protected:
    void SetUp() override
    {
        PrintClassFixture::SetUp();
        QList<StudentRow> rows;
        const char* names[] = {"Adler", "Berger", "", "Claus", "Dorn"};
        for (int i = 0; i < 5; ++i)
            rows << StudentRow{QString::number(i + 1), QString::fromLatin1(names[i]),
                               names[i][0] ? QStringLiteral("Vor%1").arg(i + 1) : QString()};
        // A last name without first name, and the reverse: no student to print.
        rows << StudentRow{"6", "Eck", ""} << StudentRow{"7", "", "Vor7"};
        makeClass(QStringLiteral("9a_25262.dbf"), rows);
        openClass(QStringLiteral("9a_25262.dbf"));
        printLoopHooks() = {};
        printLoopHooks().progress = [this](const QString& t) { progress << t; };
        printLoopHooks().pause = [this] { state().printAbortRequested |= ++pauses == abortAfter; };
        state().printDocKind = 3;
    }
    void TearDown() override
    {
        printLoopHooks() = {};
        PrintClassFixture::TearDown();
    }
    // Names of the students printed, in order, joined by "|".
    QString printed()
    {
        QStringList out;
        for (const PrintJob& j : device().jobs)
            for (const PrintedText& t : j.texts())
                if (t.text.startsWith(QStringLiteral("Vor")) && t.text.at(3).isDigit())
                    out << t.text;
        return out.join(QLatin1Char('|'));
    }
    QStringList progress;
    int pauses = 0;
    int abortAfter = -1;
};

TEST_F(Drivers, AllStudentsSkipEmptyRecordsAndShowProgress)
{
    PrintAllStudents();
    EXPECT_EQ(printed(), "Vor1 Adler|Vor2 Berger|Vor4 Claus|Vor5 Dorn");
    EXPECT_EQ(device().jobs.size(), 4);
    // Only the 38 student records are walked, never the swap row or the
    // weights; the progress is hidden at the end.
    EXPECT_EQ(std::tuple(device().batchesEnded, progress.size(), progress.last(), state().printToNr),
              std::tuple(1, 38 + 1, QString(), 40));
    EXPECT_EQ(progress.first(), QStringLiteral("Drucke Schüler Nr.1  Vor1  Adler   (Bitte warten)"));
}

// An abort between students, or a job that does not begin, stops the loop
// and leaves the range 1..39.
TEST_F(Drivers, AnAbortOrAJobThatDoesNotBeginStopsTheLoop)
{
    for (const bool decline : {false, true}) {
        device().jobs.clear();
        device().declineBegin = decline;
        pauses = 0;
        abortAfter = decline ? -1 : 1 + 2; // the driver's own pause, then one per student
        PrintAllStudents();
        ASSERT_EQ(device().jobs.size(), decline ? 1 : 2) << decline;
        EXPECT_EQ(std::tuple(device().jobs[0].texts().isEmpty(), state().printFromNr, state().printToNr,
                             state().printAbortRequested, PrintJobRunning()),
                  std::tuple(decline, 1, 39, false, false))
            << decline;
    }
}

TEST_F(Drivers, RangeAsksAgainAndCancels)
{
    prompt.text("0").text("41").text("2").text("1").text("50").text("4");
    PrintStudentRange();
    EXPECT_EQ(printed(), "Vor2 Berger|Vor4 Claus");
    EXPECT_EQ(std::pair(prompt.remainingAnswers(), state().printToNr), std::pair(0, 40));
    device().jobs.clear();
    prompt.text("3").cancelText();
    PrintStudentRange();
    EXPECT_EQ(std::tuple(device().jobs.size(), state().printFromNr, state().printToNr), std::tuple(0, 1, 40));
    // A range of one student.
    prompt.text("4").text("4");
    PrintStudentRange();
    EXPECT_EQ(printed(), "Vor4 Claus");
}

TEST_F(Drivers, MarkedStudentIsRefusedWhileAJobRuns)
{
    ASSERT_TRUE(BeginPrint());
    state().currentStudentRecord = 1;
    PrintMarkedStudent();
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("Alter Druckvorgang läuft noch.")) && device().jobs.size() == 1);
    // The loop over all students ends the running job, says so in a box
    // whose only button is Cancel, and prints.
    prompt.clear();
    PrintAllStudents();
    ASSERT_FALSE(prompt.shown().isEmpty());
    EXPECT_EQ(std::pair(prompt.shown().first().text, prompt.shown().first().buttons),
              std::pair(QStringLiteral("Drucker ist noch beschäftigt"), Buttons::Cancel));
    EXPECT_EQ(printed(), "Vor1 Adler|Vor2 Berger|Vor4 Claus|Vor5 Dorn");
    device().jobs.clear();
    progress.clear();
    prompt.clear();
    PrintMarkedStudent();
    EXPECT_EQ(printed(), "Vor2 Berger");
    EXPECT_EQ(progress.first(), QStringLiteral("Drucke Schüler Nr.2  Vor2  Berger     (Bitte warten)"));
}

TEST_F(Drivers, AStudentWithoutGradeFileGetsThePresetsNotThePreviousStudent)
{
    writeSheet(QStringLiteral("1"), 0, {{5, 2, QStringLiteral("2.0")}, {1, 3, QStringLiteral("1.0")}});
    const ClassPrintData cls = LoadClassPrintData();
    const StudentPrintData a = LoadStudentPrintData(cls, ClassTable(), 1);
    const StudentPrintData b = LoadStudentPrintData(cls, ClassTable(), 2);
    EXPECT_FALSE(cls.shortDates);
    folder.write(QStringLiteral("KurzDat.DAT"), QByteArray()); // found whatever its case
    EXPECT_TRUE(LoadClassPrintData().shortDates);
    EXPECT_EQ(std::tuple(a.sheet.resultIndex, b.sheet.resultIndex, b.sheet.grid.at(5, 2)),
              std::tuple(0, 5, QStringLiteral("- ")));
    // A class outside the grade-slot codes takes each student's own list.
    ClassPrintData other = cls;
    other.classFile = QStringLiteral("Za_25262.dbf");
    const StudentPrintData a2 = LoadStudentPrintData(other, ClassTable(), 1);
    const StudentPrintData b2 = LoadStudentPrintData(other, ClassTable(), 2);
    EXPECT_EQ(std::pair(a2.grades[3], b2.grades), std::pair(QStringLiteral("2"), b2.sheet.gradeList(other.context)));
    EXPECT_NE(b2.grades[3], a2.grades[3]);
}

// Berger's grade file is cut inside the year marks, Dorn's holds a written
// mark "65": each driver tells of exactly the students it printed whose files
// were flawed, once, after the job, and prints them all the same (what the
// file held, a missing mark as "- ").  A sound class hears nothing.
TEST_F(Drivers, FlawedGradeFilesAreToldOncePerPrintAndPrintedAllTheSame)
{
    for (const char* nr : {"1", "2", "4", "5"})
        writeSheet(QString::fromLatin1(nr), 0, {{5, 1, QStringLiteral("2.0")}, {5, 5, QStringLiteral("3.0")}});
    const QByteArray sound = folder.read(className.left(8) + QStringLiteral("/v.2"));
    const auto spoil = [&](bool flawed) {
        folder.write(className.left(8) + QStringLiteral("/v.2"), flawed ? FirstLines(sound, 103) : sound);
        folder.write(className.left(8) + QStringLiteral("/v.5"),
                     flawed ? WithLine(sound, CellLine(1, 1), "65") : sound);
    };
    const QString berger = QStringLiteral("Nr. 2 Berger, Vor2");
    const QString dorn = QStringLiteral("Nr. 5 Dorn, Vor5");
    const struct {
        const char* what;
        std::function<void()> print;
        QStringList named;   // students told of, when the files are flawed
        const char* printed;
    } drivers[] = {
        {"all", [] { PrintAllStudents(); }, {berger, dorn}, "Vor1 Adler|Vor2 Berger|Vor4 Claus|Vor5 Dorn"},
        {"marked", [] { state().currentStudentRecord = 1; PrintMarkedStudent(); }, {berger}, "Vor2 Berger"},
        {"range", [this] { prompt.text("4").text("5"); PrintStudentRange(); }, {dorn}, "Vor4 Claus|Vor5 Dorn"},
        {"range without them", [this] { prompt.text("1").text("1"); PrintStudentRange(); }, {}, "Vor1 Adler"},
    };
    for (const auto& d : drivers) {
        for (const bool flawed : {true, false}) {
            SCOPED_TRACE(std::string(d.what) + (flawed ? " flawed" : " sound"));
            spoil(flawed);
            prompt.clear();
            device().jobs.clear();
            d.print();
            EXPECT_EQ(printed(), d.printed);
            const QStringList told = Warnings(prompt);
            if (!flawed || d.named.isEmpty()) {
                EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
                continue;
            }
            ASSERT_EQ(told.size(), 1) << prompt.texts().join('|').toStdString();
            for (const QString& who : {berger, dorn})
                EXPECT_EQ(told[0].contains(who), d.named.contains(who)) << told[0].toStdString();
        }
    }
    // One student alone is told in a sentence.
    spoil(true);
    prompt.clear();
    state().currentStudentRecord = 1;
    PrintMarkedStudent();
    ASSERT_EQ(Warnings(prompt).size(), 1);
    EXPECT_TRUE(Warnings(prompt)[0].startsWith(
        "Die Notendatei von Nr. 2 Berger, Vor2 war unvollständig und wurde so weit gelesen, wie sie reicht."))
        << Warnings(prompt)[0].toStdString();
    // Outside a print command nothing is noted, and nothing is told later.
    prompt.clear();
    LoadStudentPrintData(LoadClassPrintData(), ClassTable(), 2);
    state().currentStudentRecord = 0;
    PrintMarkedStudent();
    EXPECT_TRUE(prompt.shown().isEmpty());
}

// Yes to the choice question prints the choice sheet and keeps the kind, so
// the marked student is not asked again.
TEST_F(Drivers, YesToTheChoiceQuestionPrintsTheChoiceSheet)
{
    state().printDocKind = 2;
    prompt.yes();
    PrintAllStudents();
    EXPECT_EQ(std::pair(device().jobs.size(), state().printDocKind), std::pair(qsizetype(4), 29));
    EXPECT_TRUE(device().jobs[0].findText(QStringLiteral("WAHL DES SCHÜLERS :            Adler, Vor1      Klasse  ")));
    state().currentStudentRecord = 0;
    PrintMarkedStudent(); // no second question
    EXPECT_EQ(prompt.remainingAnswers(), 0);
}

} // namespace
