// Long texts on the lists, sheets, protocols and certificates: a surname of
// the field's full 40 characters, long subject names, results and headings
// stay inside their column on the recording printer, and the same documents
// read back from a PDF file show no word over a rule, over another word or
// beyond the printable width.
#include "classes/subjects.h"
#include "grades/gradecontext.h"
#include "print/drivers.h"
#include "print/layouts/certificateparts.h"
#include "print/layouts/classtables.h"
#include "print/layouts/pageparts.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "print/textmetrics.h"
#include "support/pdfwords.h"
#include "support/printfixture.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <algorithm>
#include <functional>
#include <optional>

using namespace hsa;

namespace {

const QString kSurname = QStringLiteral("Wolkenkratzer-Schimmelpfennig-Bergmannsh"); // 40
const QString kFirstName = QStringLiteral("Annemarie-Josefine-Ka");                  // 21
const QString kSubject = QStringLiteral("Geschichte/Gemeinschaftskunde");
// A real subject of the class-10 level.
const QString kRealSubject = QStringLiteral("Wirtschaft, Berufs- und Studienorientierung"); // 43
const QString kProtocolSubject = QStringLiteral("Alltagskultur, Ernährung, Soziales mit Praxisteil"); // 49
// As long as the subject file allows.
const QString kLongestSubject = QStringLiteral("Wirtschaft, Berufs- und Studienorientierung mit Praxisphasen");
// The final-grade overview's longer title, the one outside a
// Gemeinschaftsschule.
const QString kOverviewTitle = QStringLiteral(
    "Endnoten (Schnittberechnung: Das Wahlfach Informatik (falls belegt)zählt nur auf Schülerwunsch "
    "mit.(Individuelles Fachgewicht 0 oder 1 beim Einzelschüler eingeben!");

// A printed document with the long texts to look at.
struct Document {
    std::string name;
    QStringList texts;          // a text of at most 4 characters is matched whole
    std::function<void()> print;
    std::optional<int> right{}; // the frame's edge, when it ends before the page's
};

class TextFit : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        dev().printableMM = QSizeF(200.0, 287.0);
        for (int k = 0; k < kGradeListRows; ++k)
            st.gradeNames[k] = k < 16 ? QStringLiteral("Fach%1").arg(k) : QString();
        st.gradeNames[4] = kSubject;
        cls.subjects.subjectNames = {};
        const char* subjects[] = {"Deutsch", "Mathematik", "Englisch", "Biologie", "Wirtschaft-/Beruf"};
        for (int i = 2; i < 7; ++i)
            cls.subjects.subjectNames[i] = QString::fromUtf8(subjects[i - 2]);
        cls.classFile = QStringLiteral("Xa_25262.dbf");
        cls.schoolName = QStringLiteral("Werkrealschule am langen Bergwaldweg?Irgendwo im Tal");
        cls.today = QDate(2026, 3, 15);
        cls.context = MakeGradeContext(cls.subjects.subjectNames, cls.classFile, false);
        std::tie(st.record, st.nr, st.surname, st.firstName, st.klasse, st.birthDate, st.birthPlace) =
            std::tuple(1, "1", kSurname, "Maximiliane", "10a", "01.02.2010", "Villingen-Schwenningen");
        ExamGrid& g = st.sheet.grid;
        for (int r = 1; r <= 19; ++r)
            std::tie(g.at(ColWritten, r), g.at(ColComm, r), g.at(ColOral, r), g.at(ColYear, r)) =
                std::tuple("P", "2.0", "P", "3.0");
        g.at(ColCode, 0) = QStringLiteral("- "); // the heading line of a grade file, empty
        st.sheet.resultIndex = 5;
        st.sheet.fromFile = true;
    }
    // A class table with the student in row 1 and the short codes given.
    GridPrintTable table(const QStringList& headings) const
    {
        GridPrintTable t;
        t.at(0, 0) = QStringLiteral("Kl. 10a  ");
        for (int c = 2; c < 2 + headings.size(); ++c)
            t.at(c, 0) = headings[c - 2];
        t.at(0, 1) = kSurname;
        t.at(1, 1) = st.firstName;
        for (int c = 2; c <= 20; ++c)
            t.at(c, 1) = QStringLiteral("2");
        return t;
    }
    // The class the lists print with its code and subject s named.
    ClassPrintData listClass(const char* code, int s, const QString& subject) const
    {
        ClassPrintData c = cls;
        c.classFile = QString::fromLatin1(code) + QStringLiteral("a_25262.dbf");
        c.subjects.subjectNames[s] = subject;
        c.context = MakeGradeContext(c.subjects.subjectNames, c.classFile, false);
        return c;
    }
    // A class of the shipped subject file of its level ("x" or "9"), with
    // names of the given entries replaced, and its student with the long
    // names, the grade 3 in every subject and the exam result given.
    std::pair<ClassPrintData, StudentPrintData> certificateClass(const char* level, int result,
                                                                 const QList<std::pair<int, QString>>& names = {}) const
    {
        ClassPrintData c = cls;
        c.classFile = QString::fromLatin1(level) + QStringLiteral("a_25262.dbf");
        c.schoolTypeText = QStringLiteral("der Hauptschule mit Werkrealschule");
        EXPECT_TRUE(ReadSubjectFile(QStringLiteral(HSA_DATA_DIR "/sta-fa%1-mit.dat").arg(QLatin1String(level)),
                                    c.subjects));
        c.subjects.certificateLines = BuiltInCertificateLines(QStringLiteral("10"));
        for (const auto& [i, name] : names)
            c.subjects.subjectNames[i] = name;
        c.context = MakeGradeContext(c.subjects.subjectNames, c.classFile, false);
        StudentPrintData s = st;
        s.firstName = kFirstName;
        s.datum = QStringLiteral("07.03.2026");
        s.gradeNames = c.subjects.subjectNames;
        s.grades.fill(QStringLiteral("3"));
        s.sheet.resultIndex = result;
        for (int r = 1; r <= kLastSubjectRow; ++r)
            s.sheet.grid.at(ColFinal, r) = QStringLiteral(" 3");
        return {c, s};
    }
    // Every document with long texts: the lists, sheets, tables, the protocol
    // and the certificates of every layout.
    std::vector<Document> documents()
    {
        const QStringList headings{"D", "M", "G/Gk", "E", "WBS", "Te", "Bio"};
        const GridPrintGeometry geometry;
        const ClassPrintData class9 = listClass("9", 3, kRealSubject);
        const ClassPrintData special = listClass("4", 6, kRealSubject);
        std::vector<Document> docs = {
            {"final-grade overview", {kSurname, kOverviewTitle},
             [=, this] { PrintGridTable(cls, table(headings), true, true, kOverviewTitle, 7, geometry); },
             [&] {
                 const GridTableLayout l = ComputeGridTableLayout(2870, 2000, geometry);
                 return std::min(l.x(kGridColCount) - 4, l.width + 100);
             }()},
            {"portrait class table", {kSurname, "G/Gk", "E", "WBS", "Te"},
             [=, this] {
                 PrintGridTable(cls, table(headings), false, true, QStringLiteral("Jahresleistung 10"), 5, geometry);
             }},
            {"portrait entry form", {kSurname, "G/Gk", "WBS"},
             [=, this] { PrintGridTable(cls, table(headings), false, false, QString(), 0, geometry); }},
            {"result list", {kSurname, "nicht teilgenommen"}, [this] { PrintGradeList(cls, {st}, 1, st.klasse); }},
            {"oral list", {kSurname, "Abschlussprüfung Kl.10"},
             [this] { PrintSubjectExamList(cls, {st}, 3, ListOral, kExamOral, true); }},
            {"practical list", {kSurname, "Abschlussprüfung Kl.10"},
             [this] { PrintSubjectExamList(cls, {st}, 6, ListOral, kExamPractical, true); }},
            {"oral list of class 9", {kSurname, kRealSubject, "  Grenznoten"},
             [=, this] { PrintSubjectExamList(class9, {st}, 3, ListOral, kExamOral, true); }},
            {"practical list of a special-needs class", {kRealSubject, "  Grenznoten"},
             [=, this] { PrintSubjectExamList(special, {st}, 6, ListOral, kExamPractical, true); }},
            {"written list of class 9", {kRealSubject},
             [=, this] { PrintSubjectExamList(class9, {st}, 3, ListWritten, kExamOral, true); }},
            {"written list", {kSurname}, [this] { PrintSubjectExamList(cls, {st}, 3, ListWritten, kExamOral, false); }},
            {"communication list", {kSurname}, [this] { PrintCommunicationExamList(cls, {st}, "10a", 4, true); }},
            {"communication list of class 9", {kRealSubject},
             [=, this] { PrintCommunicationExamList(listClass("9", 4, kRealSubject), {st}, "9a", 4, true); }},
            {"protocol", {kProtocolSubject, kSurname},
             [=, this] { PrintExamProtocol(listClass("9", 6, kProtocolSubject), st, 6, QStringLiteral("praktische")); },
             1900},
            {"year-mark sheet with registration", {kSurname, "Klasse:  10a", kSubject},
             [this] { PrintStudentDocument(29, cls, st); }},
            {"year-mark sheet", {kSurname, kSubject}, [this] { PrintStudentDocument(2, cls, st); }},
            {"exam table", {kSurname}, [this] { PrintStudentDocument(4, cls, st); }},
            {"boundary-grade sheet", {kSurname, "Fach", "Jahresleistung", "Villingen-Schwenningen"},
             [this] { PrintStudentDocument(5, cls, st); }},
            {"boundary-grade sheet with bounds", {"3 :  [ 1,0...5,7 ]", "EN falls Mü in"},
             [this] {
                 StudentPrintData bounds = st;
                 for (int r = 1; r <= 19; ++r)
                     std::tie(bounds.sheet.grid.at(ColWritten, r), bounds.sheet.grid.at(ColComm, r),
                              bounds.sheet.grid.at(ColOral, r)) = std::tuple("3.4", "- ", "- ");
                 PrintStudentDocument(5, cls, bounds);
             }},
        };
        // External candidates have subjects of their own: ten rows with the
        // project exam entered.
        const QList<std::pair<int, QString>> external = {
            {2, "Deutsch"}, {3, "Mathematik"}, {4, "Englisch"}, {5, kSubject}, {6, "Biologie"},
            {7, "Wirtschaft/Arbeit/Gesundheit"}, {8, "Physik"}, {9, "Präsentationsprüfung"}, {10, ""}};
        // The certificates: with the shipped subjects, then with the longest
        // names in both columns.
        const struct { const char* name; const char* level; int kind, result; bool external; } certificates[] = {
            {"final certificate", "x", 1, 0, false}, {"copy of the final certificate", "x", 6, 0, false},
            {"leaving certificate of class 10", "x", 1, 5, false}, {"leaving certificate", "9", 1, 5, false},
            {"own certificate", "9", 1, 0, false}, {"own certificate of class 9", "9", 1, 4, false},
            {"class-9 feedback", "9", 1, 3, false}, {"external HSA certificate", "9", 1, 8, true},
            {"external WRS certificate", "9", 6, 7, true},
        };
        for (const auto& c : certificates) {
            for (const bool longest : {false, true}) {
                QList<std::pair<int, QString>> names = c.external ? external : QList<std::pair<int, QString>>{};
                if (longest)
                    names << std::pair(3, kLongestSubject) << std::pair(c.external ? 7 : 12, kLongestSubject);
                auto [k, s] = certificateClass(c.level, c.result, names);
                if (c.external) {
                    // Their footer lines stand across the right column.
                    k.subjects.footerLines = {};
                    s.hints[0] = QStringLiteral("Mein Praktikum");
                }
                QStringList texts{kSurname};
                for (int i = 2; i < kSubjectEntryCount && !k.subjects.subjectNames[i].isEmpty(); ++i)
                    if (!k.subjects.subjectNames[i].contains(QStringLiteral("Projekt"))
                        && !k.subjects.subjectNames[i].contains(QStringLiteral("Präs")))
                        texts << k.subjects.subjectNames[i];
                texts.removeDuplicates();
                docs.push_back({c.name + std::string(longest ? ", longest subjects" : ", shipped subjects"), texts,
                                [kind = c.kind, k = k, s = s] { PrintStudentDocument(kind, k, s); }});
            }
        }
        // The external certificates with the shipped list of 18 entries and
        // its footer line, with and without the project exam entered: the
        // blocks below the subjects, the footer line and the remarks.
        const struct { const char* name; int kind, result; const char* project; } longLists[] = {
            {"external HSA certificate, shipped list, project entered", 1, 8, "Mein Praktikum"},
            {"external HSA certificate copy, shipped list", 6, 8, ""},
            {"external WRS certificate, shipped list", 6, 7, ""},
        };
        for (const auto& c : longLists) {
            auto [k, s] = certificateClass("9", c.result);
            s.hints[0] = QString::fromUtf8(c.project);
            s.ag5 = QStringLiteral("Erneuerbare Energien im Alltag der Familie");
            QStringList texts{kSurname, k.subjects.footerLines[0], QStringLiteral("Bemerkungen:")};
            if (c.result == 8)
                texts << QStringLiteral("Leistungen in der Projektprüfung:") << QStringLiteral("Note  ")
                      << QStringLiteral("Leistungen in der Präsentationsprüfung:") << s.ag5
                      << QStringLiteral("Gesamtnote und Durchschnitt der Gesamtleistungen:");
            if (!s.hints[0].isEmpty())
                texts << s.hints[0];
            for (int i = 2; i < kSubjectEntryCount && !k.subjects.subjectNames[i].isEmpty(); ++i)
                if (!k.subjects.subjectNames[i].contains(QStringLiteral("Projekt")) || c.result == 7)
                    texts << k.subjects.subjectNames[i];
            docs.push_back({c.name, texts, [=, kind = c.kind] { PrintStudentDocument(kind, k, s); }});
        }
        // The shipped lists with five footer lines as long as the grade key:
        // every line and the grade key stay on the page.
        const struct { const char* name; const char* level; int kind, result; } footed[] = {
            {"final certificate, five footer lines", "x", 1, 0},
            {"copy of the final certificate, five footer lines", "x", 6, 0},
            {"leaving certificate of class 10, five footer lines", "x", 1, 6},
            {"leaving certificate, five footer lines", "9", 1, 6},
            {"own certificate, five footer lines", "9", 1, 0},
            {"external HSA certificate, shipped list, five footer lines", "9", 1, 8},
            {"external WRS certificate, shipped list, five footer lines", "9", 6, 7},
        };
        for (const auto& c : footed) {
            auto [k, s] = certificateClass(c.level, c.result);
            const QString key = k.subjects.footerLines[0];
            QStringList texts{kSurname, QStringLiteral("Notenstufen:")};
            for (int i = 0; i < 5; ++i) {
                k.subjects.footerLines[i] = QStringLiteral("Zeile %1: ").arg(i + 1) + key;
                texts << QStringLiteral("Zeile %1:").arg(i + 1);
            }
            docs.push_back({c.name, texts, [=, kind = c.kind] { PrintStudentDocument(kind, k, s); }});
        }
        // The class-9 feedback with the subject finished in class 8, on the
        // shipped list and on the longest one: its lines stand between the
        // project block and the participation lines, its grade off the
        // project grade's line, the date above its rule.
        for (const bool longest : {false, true}) {
            auto [k, s] = certificateClass("9", 3);
            if (longest) {
                for (int i = 18; i < kSubjectEntryCount; ++i)
                    k.subjects.subjectNames[i] = QStringLiteral("Fach%1").arg(i);
                k.context = MakeGradeContext(k.subjects.subjectNames, k.classFile, false);
                s.gradeNames = k.subjects.subjectNames;
            }
            s.ag5 = QStringLiteral("Französisch");
            s.ag6 = QStringLiteral("2");
            s.hints[0] = QStringLiteral("Schulsanitätsdienst");
            s.datum = QStringLiteral("Freitag,  17.07.2026");
            docs.push_back({longest ? "class-9 feedback with the class-8 subject, 19 subjects"
                                    : "class-9 feedback with the class-8 subject",
                            {kSurname, "Note des in Klasse 8", "abgeschlossenen Pflichtfaches:", "Französisch",
                             "Ergänzende Hinweise", "Schulsanitätsdienst", "Juli 2026", "2 "},
                            [=] { PrintStudentDocument(1, k, s); }});
        }
        // The certificates with the longest list the subject editor takes:
        // the project heading ends before the right column's last rows.
        const struct { const char* name; const char* level; int result; } nineteen[] = {
            {"own certificate, 19 subjects", "9", 0},
            {"own certificate of class 9, 19 subjects", "9", 4},
            {"certificate of class 10 after result 4, 19 subjects", "x", 4},
            {"final certificate, 19 subjects", "x", 0},
            {"leaving certificate, 19 subjects", "9", 6},
        };
        for (const auto& c : nineteen) {
            auto [k, s] = certificateClass(c.level, c.result);
            for (int i = 18; i < kSubjectEntryCount; ++i)
                k.subjects.subjectNames[i] = QStringLiteral("Wahlfach Nummer %1").arg(i);
            k.context = MakeGradeContext(k.subjects.subjectNames, k.classFile, false);
            s.gradeNames = k.subjects.subjectNames;
            s.ag5 = QStringLiteral("Bau eines Solarkochers aus Abfallmaterial und seine Erprobung im Schulgarten");
            docs.push_back({c.name,
                            {kSurname, "Wahlfach Nummer 18", "Wahlfach Nummer 20", "Leistungen in der", s.ag5},
                            [=] { PrintStudentDocument(1, k, s); }});
        }
        // The fullest list the subject file holds, with five long footer
        // lines and a broken subject name: the rows close up, and the WRS
        // page splits its one column in two.
        for (const int result : {7, 8}) {
            auto [k, s] = certificateClass("9", result);
            for (int i = 2; i < kSubjectEntryCount; ++i)
                k.subjects.subjectNames[i] = QStringLiteral("Fach%1").arg(i);
            std::tie(k.subjects.subjectNames[5], k.subjects.subjectNames[7], k.subjects.subjectNames[19]) =
                std::tuple(kSubject, QStringLiteral("wirtschaftliche Bildung\\mit Praxis"), "Präsentationsprüfung");
            const QString key = k.subjects.footerLines[0];
            for (int i = 0; i < 5; ++i)
                k.subjects.footerLines[i] = QStringLiteral("Zeile %1: ").arg(i + 1) + key;
            k.context = MakeGradeContext(k.subjects.subjectNames, k.classFile, false);
            s.gradeNames = k.subjects.subjectNames;
            s.hints[0] = QStringLiteral("Mein Praktikum");
            s.ag5 = QStringLiteral("Erneuerbare Energien im Alltag der Familie");
            docs.push_back({result == 8 ? "external HSA certificate, 19 subjects"
                                        : "external WRS certificate, 19 subjects",
                            {kSurname, "Fach3", "Fach20", "Bemerkungen:", "Zeile 1:", "Zeile 5:"},
                            [=] { PrintStudentDocument(1, k, s); }});
        }
        return docs;
    }
    ClassPrintData cls;
    StudentPrintData st;
};

// Every layout with its long texts: each printed text containing one of them
// ends before the next column's rule or text and inside the frame.
TEST_F(TextFit, LongTextsStayInsideTheirColumns)
{
    for (const Document& d : documents()) {
        const int jobs = dev().jobs.size();
        d.print();
        ASSERT_EQ(dev().jobs.size(), jobs + 1) << d.name;
        const PrintJob& job = dev().lastJob();
        const int pageRight = static_cast<int>(dev().printableSizeMM().width() * 10);
        const int pageBottom = static_cast<int>(dev().printableSizeMM().height() * 10);
        const QList<PrintedText> texts = job.texts();
        const QList<PrintedLine> lines = job.lines();
        for (const QString& text : d.texts) {
            int found = 0;
            for (int i = 0; i < texts.size(); ++i) {
                const PrintedText& t = texts[i];
                const bool heading = text.size() <= 4;
                if (heading ? t.text != text : !t.text.contains(text))
                    continue;
                ++found;
                EXPECT_EQ(test::TextCrossing(texts, lines, i, d.right.value_or(pageRight), pageBottom).toStdString(), "")
                    << d.name << ": \"" << t.text.toStdString() << "\" at x " << t.x << " ends at " << t.right();
            }
            EXPECT_GT(found, 0) << d.name << ": " << text.toStdString();
        }
    }
}

// The fitting helper: a text that fits stays as it is; a wider one is given
// its room, in its own size while condensing suffices, else a size smaller
// at a time but never below the floor; a text over another one ends where
// that begins.
TEST_F(TextFit, HelperCondensesShrinksAndRestoresTheFont)
{
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    struct Case { const char* name; int height; QString text; int room, bottom; int width, drawnHeight; };
    const int w = [] { SetPrintFontHeight(40); return PrintTextWidth(kSurname); }();
    const Case cases[] = {
        {"fits", 40, kSurname, w, 0, 0, 40},
        {"condensed", 40, kSurname, w * 9 / 10, 0, w * 9 / 10, 40},
        {"one size smaller", 40, kSurname, w * 7 / 10, 0, w * 7 / 10, 34},
        {"two sizes smaller", 40, kSurname, w * 6 / 10, 0, w * 6 / 10, 28},
        {"floor", 40, kSurname, w / 4, 0, w / 4, 25},
        {"above a text", 50, QStringLiteral("Abschlussprüfung Kl.10"), 2000, 25, 0, 25},
    };
    for (const Case& c : cases) {
        SetPrintFontHeight(c.height);
        PrintFittedText(100, 500, c.text, 100 + c.room, c.bottom ? 500 + c.bottom : 0);
        const PrintedText t = dev().lastJob().texts().last();
        EXPECT_EQ(std::tuple(t.x, t.width, t.fontHeight), std::tuple(100, c.width, c.drawnHeight)) << c.name;
        EXPECT_EQ(PrintFontCellHeight(), c.height) << c.name;
    }
    EndPrint();
}

// The foot of a certificate: the form's places while the last line with a
// text ends on the page (blank lines after it do not count), else moved up
// together, else closed up evenly to the page's bottom, a size smaller only
// once the lines would touch.
TEST_F(TextFit, FootLinesStayOnThePage)
{
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    ASSERT_EQ(PrintPageHeight(), 2870);
    const QStringList five{"Notenstufen", "Fußzeile 1", "Fußzeile 2", "Fußzeile 3", "Fußzeile 4", "Fußzeile 5"};
    struct Case {
        const char* name;
        std::vector<int> places;
        QStringList texts;
        int captionY;
        std::vector<int> y;
        int size;
    };
    const Case cases[] = {
        {"two footer lines, the form's places", {2690, 2730, 2770, 2810, 2850, 2890, 2930},
         {"Notenstufen", "Prüfungsfächer", "Fußzeile 1", "Fußzeile 2", "", "", ""}, 2605,
         {2690, 2730, 2770, 2810, 2850, 2890, 2930}, 35},
        {"three footer lines, moved up", {2655, 2770, 2810, 2850, 2890, 2930}, five.mid(0, 4) + QStringList{"", ""},
         2560, {2640, 2755, 2795, 2835, 2875, 2915}, 35},
        {"five footer lines, closed up", {2655, 2770, 2810, 2850, 2890, 2930}, five, 2560,
         {2635, 2675, 2715, 2755, 2795, 2835}, 35},
        {"keys and five footer lines, closer", {2645, 2685, 2770, 2810, 2850, 2890, 2930},
         QStringList{"Notenstufen", "Prüfungsfächer"} + five.mid(1), 2560, {2601, 2640, 2679, 2718, 2757, 2796, 2835},
         35},
        {"keys and five footer lines under high captions, smaller", {2690, 2730, 2770, 2810, 2850, 2890, 2930},
         QStringList{"Notenstufen", "Prüfungsfächer"} + five.mid(1), 2605, {2648, 2680, 2712, 2744, 2776, 2808, 2840},
         30},
    };
    for (const Case& c : cases) {
        const certificate::FootLines foot = certificate::FitFootLines(cls, 35, c.places, c.texts, c.captionY);
        EXPECT_EQ(foot.y, c.y) << c.name;
        EXPECT_EQ(foot.size, c.size) << c.name;
        EXPECT_EQ(PrintFontCellHeight(), c.size) << c.name;
    }
    EndPrint();
}

// Through the Qt print device the cut is real: the PDF's words of a fitted
// name end before the room's end, and the pixels right of it stay white.
class TextFitPdf : public TextFit {
protected:
    void SetUp() override
    {
        TextFit::SetUp();
        setPrinterSystem(nullptr);
        ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
    }
};

TEST_F(TextFitPdf, FittedTextsEndBeforeTheirRoomOnPaper)
{
    const QString pdf = folder.file(QStringLiteral("passend.pdf"));
    prompt.text(pdf);
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    SetPrintFontHeight(40);
    const int w = PrintTextWidth(kSurname);
    // Condensed only, then smaller and cut, then cut at the floor.
    const struct { int y, room; bool cut; } rows[] = {{300, w * 9 / 10, false}, {500, w / 2, true}, {700, w / 4, true}};
    for (const auto& r : rows) {
        PrintFittedText(100, r.y, kSurname, 100 + r.room);
        PrintTextOut(100 + r.room + 20, r.y, QStringLiteral("2.0"));
    }
    EndPrint();
    const QList<test::PdfWord> words = test::ReadPdfWords(pdf);
    for (const auto& r : rows) {
        if (r.cut)
            continue; // a cut word keeps its whole extent in the text layer
        const double roomEnd = QtPrintDevice::kPdfMarginMM + (100 + r.room) / 10.0;
        bool seen = false;
        for (const test::PdfWord& word : words)
            if (std::abs(word.yMin - (QtPrintDevice::kPdfMarginMM + r.y / 10.0)) < 1.0 && word.text != "2.0") {
                seen = true;
                EXPECT_LE(word.xMax, roomEnd + 0.3) << r.room << " " << word.text.toStdString();
            }
        EXPECT_TRUE(seen) << r.room;
    }
    // The ink stops at the room's end (the page at 254 dpi: one pixel per
    // 0.1 mm plus the 5 mm margin).
    const QString base = folder.file(QStringLiteral("passend"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {"-r", "254", "-gray", "-singlefile", pdf, base});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QImage img(base + QStringLiteral(".pgm"));
    ASSERT_FALSE(img.isNull());
    for (const auto& r : rows) {
        int lastInk = 0;
        for (int x = 150; x < 50 + 100 + r.room + 15; ++x)
            for (int y = 50 + r.y; y < 50 + r.y + 40; ++y)
                if (qGray(img.pixel(x, y)) < 128)
                    lastInk = x;
        EXPECT_LE(lastInk, 50 + 100 + r.room) << r.room;
        EXPECT_GT(lastInk, 50 + 100 + r.room - 60) << r.room;
    }
}

// A text the recording shows cut at its room's end: condensed and at the
// smallest size it is still too wide.
bool IsCut(const PrintedText& t)
{
    return t.width > 0 && t.naturalWidth * kMinTextCondense > t.width + 1;
}

// What a word read back from the PDF runs into, or an empty text: the right
// limit (mm from the page's left edge), another word on its line (but none
// whose extent in the text layer is not its ink), or a vertical rule of the
// recording.
QString WordCrossing(const QList<test::PdfWord>& words, int i, const std::vector<bool>& cutWords,
                     const QList<PrintedLine>& lines, double rightMM)
{
    const test::PdfWord& w = words[i];
    const double height = w.yMax - w.yMin;
    const auto sharesLine = [&](double top, double bottom, double least) {
        return std::min(w.yMax, bottom) - std::max(w.yMin, top) > least;
    };
    if (w.xMax > rightMM + 0.3)
        return QStringLiteral("the edge at %1 mm").arg(rightMM);
    for (int k = 0; k < words.size(); ++k) {
        const test::PdfWord& u = words[k];
        if (k != i && !cutWords[k] && u.page == w.page && std::min(w.xMax, u.xMax) - std::max(w.xMin, u.xMin) > 0.3
            && sharesLine(u.yMin, u.yMax, 0.5 * std::min(height, u.yMax - u.yMin)))
            return QStringLiteral("\"%1\" at %2 mm").arg(u.text).arg(u.xMin, 0, 'f', 1);
    }
    for (const PrintedLine& l : lines) {
        const double x = QtPrintDevice::kPdfMarginMM + l.x1 / 10.0;
        const double top = QtPrintDevice::kPdfMarginMM - std::max(l.y1, l.y2) / 10.0;
        const double bottom = QtPrintDevice::kPdfMarginMM - std::min(l.y1, l.y2) / 10.0;
        if (l.page == w.page && l.x1 == l.x2 && x > w.xMin + 0.3 && x < w.xMax - 0.3
            && sharesLine(top, bottom, 0.4 * height))
            return QStringLiteral("the rule at %1 mm").arg(x, 0, 'f', 1);
    }
    return {};
}

// The same documents through the Qt print device: every word of the PDF's
// text layer stays left of the printable area's edge (or the document's
// frame), clear of every other word and of every vertical rule.  A text cut
// at its room keeps its whole extent in the text layer, so its words are
// left out there and its room's end is looked at in the ink instead: the
// pixels just right of it stay white.
TEST_F(TextFitPdf, SameDocumentsReadBackHaveNoWordOverARuleAWordOrTheEdge)
{
    int number = 0;
    for (const Document& d : documents()) {
        // The recording gives the rules, the cut texts and the printable width.
        setPrinterSystem(&rec.system());
        const int jobs = dev().jobs.size();
        d.print();
        ASSERT_EQ(dev().jobs.size(), jobs + 1) << d.name;
        const PrintJob job = dev().lastJob();
        const double pageRight = dev().printableSizeMM().width();
        const double rightMM = QtPrintDevice::kPdfMarginMM + (d.right ? *d.right / 10.0 : pageRight);

        setPrinterSystem(nullptr);
        ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
        const QString pdf = folder.file(QStringLiteral("dokument%1.pdf").arg(++number));
        prompt.text(pdf);
        d.print();
        const QList<test::PdfWord> words = test::ReadPdfWords(pdf);
        ASSERT_FALSE(words.isEmpty()) << d.name;

        QList<PrintedText> cut;
        for (const PrintedText& t : job.texts())
            if (IsCut(t))
                cut << t;
        // A word of a cut text: inside its room, or one of its own words past
        // the room's end (the text layer keeps them, the ink does not).
        const auto inCutText = [&](const test::PdfWord& w) {
            return std::any_of(cut.begin(), cut.end(), [&](const PrintedText& t) {
                const double left = QtPrintDevice::kPdfMarginMM + t.x / 10.0;
                const double top = QtPrintDevice::kPdfMarginMM + t.pageY() / 10.0;
                return t.page == w.page && w.xMin >= left - 0.3 && std::abs(w.yMin - top) < t.fontHeight / 10.0
                    && (w.xMin < left + t.width / 10.0 || t.text.split(QLatin1Char(' ')).contains(w.text));
            });
        };
        std::vector<bool> cutWords;
        for (const test::PdfWord& w : words)
            cutWords.push_back(inCutText(w));
        const QList<PrintedLine> lines = job.lines();
        for (int i = 0; i < words.size(); ++i) {
            if (!cutWords[i]) {
                EXPECT_EQ(WordCrossing(words, i, cutWords, lines, rightMM).toStdString(), "")
                    << d.name << ": \"" << words[i].text.toStdString() << "\" from " << words[i].xMin << " to "
                    << words[i].xMax << " mm, page " << words[i].page;
            }
        }

        for (const PrintedText& t : cut) {
            const QString base = folder.file(QStringLiteral("dokument%1-%2").arg(number).arg(t.page + 1));
            if (!QFile::exists(base + QStringLiteral(".pgm"))) {
                QProcess p;
                p.start(QStringLiteral("pdftoppm"), {"-r", "254", "-gray", "-singlefile", "-f",
                                                     QString::number(t.page + 1), "-l", QString::number(t.page + 1),
                                                     pdf, base});
                ASSERT_TRUE(p.waitForFinished(30000));
            }
            const QImage img(base + QStringLiteral(".pgm"));
            ASSERT_FALSE(img.isNull()) << d.name;
            // One pixel per 0.1 mm, the page's margin of 5 mm included; the
            // pixels of a rule next to the room are not the text's.
            const int end = t.x + t.width;
            const auto nearRule = [&](int x) {
                return std::any_of(lines.begin(), lines.end(), [&](const PrintedLine& l) {
                    return l.page == t.page && l.x1 == l.x2 && std::abs(l.x1 - x) <= 3;
                });
            };
            int ink = 0;
            for (int x = end + 2; x < end + 8; ++x)
                for (int y = t.pageY(); y < t.pageY() + t.fontHeight && !nearRule(x); ++y)
                    if (qGray(img.pixel(50 + x, 50 + y)) < 128)
                        ++ink;
            EXPECT_EQ(ink, 0) << d.name << ": cut \"" << t.text.toStdString() << "\" inks past x " << t.x + t.width;
        }
    }
}

} // namespace
