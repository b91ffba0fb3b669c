// The student sheets of kinds 2, 3 and 5 and the two short certificate pages,
// laid out from hand-made values on the recording printer.
#include "classes/sharedstate.h"
#include "grades/gradecontext.h"
#include "print/drivers.h"
#include "print/layouts/studentsheets.h"
#include "platform/scriptedprompt.h"
#include "print/recordingdevice.h"
#include "support/printclass.h"

#include <QPoint>

#include <gtest/gtest.h>

using namespace hsa;

namespace {

class Sheets : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        cls.classFile = QStringLiteral("9a_25262.dbf");
        cls.schoolName = QStringLiteral("Realschule?Irgendwo");
        cls.today = QDate(2026, 3, 5);
        st.firstName = QStringLiteral("Ina");
        st.surname = QStringLiteral("Adler");
        st.klasse = QStringLiteral("9a");
        st.birthDate = QStringLiteral("01.02.2010");
        st.birthPlace = QStringLiteral("Ulm");
        st.sheet.resultIndex = 0;
    }
    // n subject entries: 0 and 1 conduct, then "Fach2" ...
    void subjects(int n)
    {
        for (int k = 0; k < kGradeListRows; ++k)
            st.gradeNames[k] = k < n ? QStringLiteral("Fach%1").arg(k) : QString();
        cls.context = MakeGradeContext(st.gradeNames, cls.classFile, false);
    }
    const PrintJob& print(int kind)
    {
        EXPECT_EQ(PrintStudentDocument(kind, cls, st), StudentPrintResult::Printed);
        const PrintJob& job = rec.device().lastJob();
        EXPECT_TRUE(job.ended);
        return job;
    }
    // "text@x,y" of the first text equal to text (page points), or "fehlt".
    static QString at(const PrintJob& job, const QString& text)
    {
        const auto t = job.findText(text);
        return t ? QStringLiteral("%1@%2,%3").arg(text).arg(t->x).arg(t->pageY()) : QStringLiteral("fehlt");
    }
    static QString where(const QString& text, int x, int y)
    {
        return QStringLiteral("%1@%2,%3").arg(text).arg(x).arg(y);
    }

    ClassPrintData cls;
    StudentPrintData st;
    ScopedRecordingPrinter rec;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

TEST_F(Sheets, HeadAndStudentBlockOfBothKinds)
{
    subjects(12);
    for (int kind : {2, 3}) {
        const PrintJob& job = print(kind);
        const QString title = kind == 2 ? QStringLiteral("Jahresleistung") : QStringLiteral("Endnoten 1D");
        const QString label = kind == 2 ? QStringLiteral("Jahresleistung:") : QStringLiteral("Endnoten (1D) :");
        const QList<QPair<QString, QPoint>> expected = {
            {"Realschule", {250, 95}}, {"Irgendwo", {250, 150}}, {"Abschlussprüfung ", {250, 250}},
            {"Schuljahr 25/26", {700, 250}}, {title, {250, 310}}, {"Klasse 9a", {700, 310}},
            {"Stand: 05.03.2026", {1080, 310}}, {"Vor- und Zuname:", {250, 510}}, {"Ina Adler", {700, 510}},
            {"01.02.2010", {700, 570}}, {"Ulm", {700, 630}}, {label, {250, 850}},
            {"Klassenlehrer/in", {700, 2505}}};
        for (const auto& [text, p] : expected)
            EXPECT_EQ(at(job, text), where(text, p.x(), p.y())) << "kind " << kind;
        EXPECT_TRUE(job.findText(QStringLiteral("Ina Adler"))->bold);
        EXPECT_FALSE(job.findText(QStringLiteral("Ulm"))->bold);
        EXPECT_EQ(job.findText(QStringLiteral("Abschlussprüfung "))->fontHeight, 48);
        const QList<PrintedLine> lines = job.lines();
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[0].y1, -240);
        EXPECT_EQ(lines[2].x2, 1300);
    }
}

TEST_F(Sheets, SubjectColumnsSplitBySubjectCount)
{
    struct Row {
        int n, leftEnd;
    };
    for (const Row r : {Row{16, 8}, Row{17, 9}, Row{18, 9}, Row{20, 10}, Row{21, 10}}) {
        subjects(r.n);
        st.sheet.grid = {};
        st.sheet.grid.at(ColYear, r.leftEnd - 1) = QStringLiteral("2.0");
        st.sheet.grid.at(ColYear, r.leftEnd) = QStringLiteral("4.0");
        const PrintJob& job = print(2);
        const QString last = QStringLiteral("Fach%1").arg(r.leftEnd);
        const QString first = QStringLiteral("Fach%1").arg(r.leftEnd + 1);
        EXPECT_EQ(at(job, last), where(last, 250, (r.leftEnd - 3) * 70 + 1020)) << r.n;
        EXPECT_EQ(at(job, first), where(first, 1080, 950)) << r.n;
        EXPECT_EQ(at(job, "2.0"), where("2.0", 700, (r.leftEnd - 3) * 70 + 1020)) << r.n;
        EXPECT_EQ(at(job, "4.0"), where("4.0", 1540, 950)) << r.n;
        const QString beyond = QStringLiteral("Fach%1").arg(r.n);
        EXPECT_EQ(at(job, beyond), QStringLiteral("fehlt")) << r.n;
    }
}

TEST_F(Sheets, LongProjectAndExamSubjects)
{
    subjects(16);
    st.gradeNames[4] = QStringLiteral("Geschichte/Gemeinschaft\\kunde");
    st.gradeNames[12] = QStringLiteral("Projektprüfung");
    auto& g = st.sheet.grid;
    g.at(ColYear, 11) = QStringLiteral("2.0");
    g.at(ColAverage, 11) = QStringLiteral("2.3");
    g.at(ColExamResult, 11) = QStringLiteral("2.5");
    g.at(ColAverage, 3) = QStringLiteral("3.1");
    g.at(ColExamResult, 3) = QStringLiteral("3.0");
    g.at(ColOral, 3) = QStringLiteral("3.0*");
    const PrintJob& year = print(2);
    EXPECT_EQ(at(year, "Geschichte/Gemeinschaft"), where("Geschichte/Gemeinschaft", 250, 1090 - 17));
    EXPECT_EQ(at(year, "kunde"), where("kunde", 250, 1090 + 18));
    EXPECT_EQ(at(year, " "), where(" ", 1080, 1020 + 70 * (12 - 10)));
    EXPECT_EQ(at(year, "2.0"), QStringLiteral("fehlt")); // no mark beside "Projekt" on the right
    const PrintJob& final = print(3);
    EXPECT_EQ(at(final, "2.3  (PF)"), where("2.3  (PF)", 1540, 1160));
    EXPECT_EQ(at(final, "3.1"), where("3.1", 700, 1090)); // starred oral: no "(PF)"
}

TEST_F(Sheets, BoundaryGradesAndEachDashRule)
{
    subjects(12);
    struct Row {
        const char *code, *written, *comm, *oral, *year, *expected;
    };
    const Row rows[] = {
        {"D", "3.0", "- ", "- ", "3.0", "3 :  [ 1,0...6,0 ]"},
        {"G", "2.0", "- ", "- ", "- ", nullptr},   // no year mark: nothing
        {"M", "3.0", "- ", "2.0", "3.0", "-"},     // row 3 with an oral mark
        {"Ph", "- ", "- ", "- ", "3.0", "-"},      // no written mark
        {"Te", "3.0", "2.0", "- ", "3.0", "-"},    // a practical mark
        {"F", "3.0", "P", "- ", "3.0", "-"},       // a pending practical exam
        {"E", "3.0", "- ", "- ", "3.0", "-"},      // English
        {"Proj", "2.0", "- ", "- ", "2.0", "-"},   // no bounds
    };
    auto& g = st.sheet.grid;
    for (int i = 0; i < 8; ++i) {
        const Row& r = rows[i];
        g.at(ColCode, i + 1) = QString::fromLatin1(r.code);
        g.at(ColWritten, i + 1) = QString::fromLatin1(r.written);
        g.at(ColComm, i + 1) = QString::fromLatin1(r.comm);
        g.at(ColOral, i + 1) = QString::fromLatin1(r.oral);
        g.at(ColYear, i + 1) = QString::fromLatin1(r.year);
    }
    const PrintJob& job = print(5);
    const QList<PrintedText> texts = job.texts();
    for (int i = 0; i < 8; ++i) {
        const int y = 770 + 70 * (i + 1);
        QStringList found;
        for (const PrintedText& t : texts)
            if (t.pageY() == y && (t.x == 1165 || t.x == 1170))
                found << QStringLiteral("%1@%2").arg(t.text).arg(t.x);
        const QString want = rows[i].expected
            ? QStringLiteral("%1@%2").arg(QString::fromUtf8(rows[i].expected))
                  .arg(QString::fromUtf8(rows[i].expected) == QStringLiteral("-") ? 1170 : 1165)
            : QString();
        EXPECT_EQ(found.join(QLatin1Char('|')), want) << "row " << rows[i].code;
    }
    EXPECT_EQ(at(job, "3.0   "), where("3.0   ", 880, 840));
    EXPECT_EQ(at(job, "Meldung zur mü. Prüfung"), where("Meldung zur mü. Prüfung", 250, 310));
    EXPECT_EQ(at(job, "Stand: 05.03.2026"), where("Stand: 05.03.2026", 1400, 310));
    EXPECT_EQ(at(job, " Datum, Unterschrift Erziehungsberechtigte/r"),
              where(" Datum, Unterschrift Erziehungsberechtigte/r", 1170, 770 + 2040));
    // Six column rules, the top rule and twenty row rules.
    EXPECT_EQ(job.lines().size(), 2 + 6 + 1 + 20);
}

TEST_F(Sheets, ShortCertificatePages)
{
    subjects(12);
    st.sheet.resultIndex = -1;
    const PrintJob& none = print(1);
    EXPECT_EQ(none.textStrings(),
              (QStringList{"Ina Adler",
                           "Kein Zeugnis (nicht bestanden / zurückgetreten /Ergebnis steht noch nicht fest)"}));
    st.sheet.resultIndex = 4;
    const PrintJob& copy = print(6);
    EXPECT_EQ(at(copy, "Abschrift nur für Zeugnisse nach bestandener Prüfung."),
              where("Abschrift nur für Zeugnisse nach bestandener Prüfung.", 250, 300));
}

} // namespace
