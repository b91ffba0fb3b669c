#include "print/layouts/certificates.h"

#include "classes/helpers.h"
#include "print/documentkinds.h"
#include "print/gradewords.h"
#include "print/layouts/certificateparts.h"
#include "print/pagemodel.h"

namespace hsa {

using namespace certificate;

namespace {

const QString kGradeKey = QStringLiteral(
    "Notenstufen: sehr gut (1), gut (2), befriedigend (3), ausreichend (4), mangelhaft (5), ungenügend (6)");
const QString kExamKey = QStringLiteral("Prüfungsfächer sind mit einem Kreuz nach der Note gekennzeichnet.");
const QString kLeavingSentence = QStringLiteral(
    "verlässt nach Erfüllung der Pflicht zum Besuch einer auf der Grundschule aufbauenden Schule");
const QString kProjectHeadingClass9 =
    QStringLiteral("Leistungen in der themenorientierten Projektprüfung in Klasse 9:");
const QString kVerbalNote = QStringLiteral("(Verbalbeurteilung siehe Beiblatt):");
const QString kWholeGradeHeading = QStringLiteral("Gesamtnote und Durchschnitt der Gesamtleistungen:");

bool isProject(const QString& subject)
{
    return subject.contains(QStringLiteral("Projekt"));
}

// The project row keeps its grade but not its name: the project block below
// names it.
QString shownSubject(const QString& subject)
{
    return isProject(subject) ? QStringLiteral(" ") : subject;
}

QString line(const SubjectData& subjects, int i)
{
    return subjects.certificateLines[static_cast<size_t>(i)];
}

bool isXClass(const ClassPrintData& cls)
{
    return cls.classCode().toUpper() == QLatin1Char('X');
}

QString classSentence(const StudentPrintData& student, int kind)
{
    return (kind == kDocLeavingDuringYear ? QStringLiteral("heute während der Klasse ")
                                          : QStringLiteral("heute am Ende der Klasse "))
        + QString::number(ParseClassLevel(TrimRight(student.klasse))) + QStringLiteral(" die Schule.");
}

// Participation lines: HINWEIS1 to 3 and BEMERK2 on the left, HINWEIS2, AG2
// and AG7 on the right.
void printParticipation(const StudentPrintData& st, int y, int step)
{
    const int leftEnd = 1080 - kColumnGap;
    PrintFittedText(250, y, TrimRight(st.hints[0]).isEmpty() ? kMissingGradeWord : st.hints[0], leftEnd);
    if (!TrimRight(st.hints[1]).isEmpty())
        PrintFittedText(1080, y, st.hints[1], kRight);
    PrintFittedText(250, y + step, st.hints[2], leftEnd);
    PrintFittedText(1080, y + step, st.ag2, kRight);
    PrintFittedText(250, y + 2 * step, st.remarks[1], leftEnd);
    PrintFittedText(1080, y + 2 * step, st.ag7, kRight);
}

// The closing sentence of a final certificate: smaller and bold when it
// names the level reached, which makes it long.
void printClosingSentence(const ClassPrintData& cls)
{
    const QString closing = line(cls.subjects, 4);
    const bool small = closing.contains(QStringLiteral("Mittlere Reife"))
        || closing.contains(QStringLiteral("Bildungsstand"));
    SetFont(cls, small ? 36 : 44, small);
    PrintFittedText(250, 2345, closing, kRight);
}

void printStudentLines(const ClassPrintData& cls, const StudentPrintData& st, int nameSize)
{
    SetFont(cls, nameSize, true);
    PrintFittedText(700, 508, StudentName(st), kRight);
    SetFont(cls, 48);
    PrintFittedText(700, 570, st.birthDate, kRight);
    PrintFittedText(700, 630, st.birthPlace, kRight);
}

void printLabels(const ClassPrintData& cls, int y)
{
    SetFont(cls, 48);
    PrintTextOut(250, y, QStringLiteral("Vor- und Zuname"));
    PrintTextOut(250, y + 60, QStringLiteral("geboren am"));
    PrintTextOut(250, y + 120, QStringLiteral("in"));
}

// The foot of a certificate: the keys at the places given, the five footer
// lines 40 apart from y 2770, the signature captions at captionY above them;
// kept on the page by FitFootLines.
FootLines fitFoot(const ClassPrintData& cls, std::vector<int> keyPlaces, const QStringList& keys, int captionY)
{
    QStringList texts = keys;
    for (int i = 0; i < 5; ++i) {
        keyPlaces.push_back(2770 + 40 * i);
        texts << cls.subjects.footerLines[static_cast<size_t>(i)];
    }
    return FitFootLines(cls, 35, keyPlaces, texts, captionY);
}

void printFooterLines(const ClassPrintData& cls, const FootLines& foot)
{
    const SubjectData& subjects = cls.subjects;
    SetFont(cls, foot.size);
    const size_t first = foot.y.size() - 5;
    for (int i = 0; i < 5; ++i)
        PrintFittedText(250, foot.y[first + static_cast<size_t>(i)], subjects.footerLines[static_cast<size_t>(i)],
                        kRight);
}

void printSignatureRules(int y)
{
    PrintRule(250, y, 950, y);
    PrintRule(1180, y, 1850, y);
}

void printLeavingTitle(const ClassPrintData& cls, bool withSchoolForms, const QString& singleTitle)
{
    if (withSchoolForms) {
        SetFont(cls, 72, true);
        PrintTextOut(700, 295, QStringLiteral("Abgangszeugnis der"));
        PrintTextOut(700, 360, QStringLiteral("Hauptschule mit Werkrealschule"));
        SetFont(cls, 50, true);
    } else {
        SetFont(cls, 74, true);
        PrintTextOut(700, 350, singleTitle);
    }
}

// Prints the subject rows and the footer lines; true when a project grade
// stands beside the project block.
bool printSubjectBlockA(const ClassPrintData& cls, const StudentPrintData& st, const FootLines& foot)
{
    const auto& names = cls.subjects.subjectNames;
    const int n = SubjectCount(cls.subjects);
    int k = n;
    for (int i = 2; i <= n - 1; ++i)
        if (names[static_cast<size_t>(i)].contains(QStringLiteral("Berufsfachliche K")))
            k = i;
    int s = k / 2 + 1;
    if (k == 13)
        ++s;
    if (k <= 17)
        --s;
    if (n >= 20)
        s = 10;
    const bool xClass = isXClass(cls);
    auto subjectFont = [&](const QString& text, bool boldElective) {
        SetFont(cls, xClass && text.contains(QLatin1Char('9')) ? 36 : 40,
                boldElective && text.contains(QStringLiteral("Wahlpflicht")));
    };
    auto word = [&](int r) {
        return GradeDigitToWord(GradeWordVariant::ExamCross, st.grades[static_cast<size_t>(r)],
                                st.gradeNames[static_cast<size_t>(r)]);
    };
    for (int r = 2; r <= s && r < kGradeListRows; ++r) {
        const QString& text = st.gradeNames[static_cast<size_t>(r)];
        subjectFont(text, false);
        PrintSubjectName(250, (r - 3) * 70 + 1020, shownSubject(text), 18, 18, 700 - kColumnGap);
        SetFont(cls, 48);
        PrintTextOut(700, (r - 3) * 70 + 1012, word(r));
    }
    bool projectWord = false;
    for (int r = s + 1; r <= k - 1 && r < kGradeListRows; ++r) {
        const QString& text = st.gradeNames[static_cast<size_t>(r)];
        subjectFont(text, true);
        PrintSubjectName(1080, (r - 2 - s) * 70 + 1020, shownSubject(text), 18, 18, 1540 - kColumnGap);
        SetFont(cls, 48);
        if (isProject(text)) {
            PrintTextOut(1540, 1715, word(r));
            projectWord = true;
        } else {
            PrintTextOut(1540, (r - 2 - s) * 70 + 1012, word(r));
        }
    }
    printFooterLines(cls, foot);
    return projectWord;
}

// The whole grade of the overall average and the average beside it.
QString wholeGradeText(const ClassPrintData& cls, const StudentPrintData& st, GradeWordVariant variant)
{
    const QString average = Gesamtschnitt(cls, st);
    return GradeDigitToWord(variant, QString::number(WholeGradeOfAverage(average)))
        + QStringLiteral("   ") + FormatAverageInParens(average);
}

} // namespace

void PrintCertificateA(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    if (kind != kDocXCertificate && kind != kDocXCertificateCopy && kind != kDocLeavingDuringYear
        && kind != kDocLeavingAtYearEnd) {
        AbortPrint();
        return;
    }
    if (kind == kDocXCertificateCopy && !CopyAllowed(st.sheet.resultIndex)) {
        PrintCopyRefusedPage(cls, st, kind);
        return;
    }
    constexpr int offset = 0;
    const SubjectData& sub = cls.subjects;
    const bool final = kind == kDocXCertificate || kind == kDocXCertificateCopy;
    if (final) {
        SetFont(cls, 74, true);
        PrintFittedText(700, 350, line(sub, 0), kRight);
    } else {
        printLeavingTitle(cls, line(sub, 0).contains(QStringLiteral("Hauptschule mit")),
                          QStringLiteral("Abgangszeugnis der Werkrealschule"));
    }
    PrintHeadLines(cls, 700, offset);
    printLabels(cls, 510);
    SetFont(cls, 40);
    if (final) {
        PrintFittedText(250, 730, line(sub, 1), kRight);
    } else {
        PrintTextOut(250, 730, kLeavingSentence);
        PrintTextOut(250, 775, classSentence(st, kind));
    }
    SetFont(cls, 42, true);
    PrintFittedText(250, 1930, line(sub, 2), kRight);
    PrintTextOut(250, 2195, QStringLiteral("Bemerkungen:"));
    PrintTextOut(250, 2415, QStringLiteral("Datum:"));
    SetFont(cls, 35);
    printSignatureRules(2595);
    PrintTextOut(980, 2565, QStringLiteral("(Dienstsiegel"));
    PrintTextOut(990, 2595, QStringLiteral("der Schule)"));
    PrintTextOut(250, 2605, final ? QStringLiteral("Vorsitzende/r des Prüfungsausschusses")
                                  : QStringLiteral("Schulleiter/in"));
    PrintFittedText(1180, 2605, final ? line(sub, 3) : QStringLiteral("Klassenlehrer/in"), kRight);
    const FootLines foot = fitFoot(cls, {2690, 2730}, {kGradeKey + QLatin1Char('.'), kExamKey}, 2605);
    PrintTextOut(250, foot.y[0], kGradeKey + QLatin1Char('.'));
    PrintTextOut(250, foot.y[1], kExamKey);
    if (kind == kDocXCertificateCopy) {
        SetFont(cls, 46);
        PrintTextOut(250, 2535, QStringLiteral("gez.:"));
        PrintFittedText(380, 2535, cls.examChairName, 1180 - kColumnGap);
        PrintTextOut(1180, 2535, QStringLiteral("gez.:"));
        PrintFittedText(1310, 2535, cls.headTeacherName, kRight);
        SetFont(cls, 48, true);
        PrintTextOut(1670, 30, QStringLiteral("Abschrift"));
    }
    PrintSchoolName(cls, 700, offset);
    SetFont(cls, 44, true);
    PrintFittedText(250, 850, sub.subjectBlockHeading, kRight);
    const bool projectWord = printSubjectBlockA(cls, st, foot);

    SetFont(cls, 48, true);
    PrintTextOut(250, 1625, kProjectHeadingClass9);
    SetFont(cls, 40);
    PrintTextOut(250, 1685, QStringLiteral("Thema:"));
    PrintTextOut(250, 1735, QStringLiteral("Note  "));
    // The project grade stands just below the topic: a long topic ends
    // before it.
    PrintFittedText(410, 1685, st.ag5, projectWord ? 1540 - kColumnGap : kRight);
    SetFont(cls, 28);
    PrintTextOut(410, 1745, kVerbalNote);
    SetFont(cls, 44, true);
    PrintTextOut(250, 1815, kWholeGradeHeading);
    PrintTextOut(1540, 1815, wholeGradeText(cls, st, GradeWordVariant::ExamCross));
    SetFont(cls, 40, true);
    printParticipation(st, 2000, 50);
    PrintRemarkLines(st, 2195);
    if (final)
        printClosingSentence(cls);
    SetFont(cls, 46);
    PrintTextOut(700, 2415, FormatLongDate(st.datum, cls.shortDates));
    printStudentLines(cls, st, 50);
    DrawEmblem(offset);
    EndPrint();
}

void PrintCertificateB(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    // The final certificate of a class-10 class and its copy are layout A's.
    if (kind == kDocXCertificate || kind == kDocXCertificateCopy) {
        PrintCertificateA(cls, st, kind);
        return;
    }
    if (kind != kDocLeavingDuringYear && kind != kDocLeavingAtYearEnd) {
        AbortPrint();
        return;
    }
    constexpr int offset = 0;
    const SubjectData& sub = cls.subjects;
    const QString& type = cls.schoolTypeText;
    const bool werk = type.contains(QStringLiteral("Werk"));
    printLeavingTitle(cls, werk && type.contains(QStringLiteral("aupt")),
                      werk ? QStringLiteral("Abgangszeugnis der Werkrealschule")
                           : QStringLiteral("Abgangszeugnis der Hauptschule"));
    PrintHeadLines(cls, 700, offset);
    printLabels(cls, 510);
    PrintTextOut(250, 750, kLeavingSentence);
    PrintTextOut(250, 795, classSentence(st, kind));
    SetFont(cls, 46, true);
    PrintFittedText(250, 1880, sub.ebaHeading, kRight);
    SetFont(cls, 48, true);
    PrintFittedText(250, 940, sub.subjectBlockHeading, kRight);
    PrintTextOut(250, 2165, QStringLiteral("Bemerkungen:"));
    PrintTextOut(250, 2345, QStringLiteral("Datum:"));
    SetFont(cls, 35);
    printSignatureRules(2550);
    PrintTextOut(980, 2520, QStringLiteral("(Dienstsiegel"));
    PrintTextOut(990, 2550, QStringLiteral("der Schule)"));
    PrintTextOut(250, 2560, QStringLiteral("Schulleiter/in"));
    PrintTextOut(1180, 2560, QStringLiteral("Klassenlehrer/in"));
    const FootLines foot = fitFoot(cls, {2655}, {kGradeKey}, 2560);
    PrintTextOut(250, foot.y[0], kGradeKey);
    printFooterLines(cls, foot);
    PrintSchoolName(cls, 700, offset);

    const int n = SubjectCount(sub);
    const int s = n <= 15 ? 7 : n == 16 ? 8 : n <= 19 ? 9 : 10;
    // A long list moves the project block down; the project grade moves
    // with its "Note" so that it never stands on the topic's line.
    int b = 120;
    if (n >= 20)
        b += 60;
    const int projectWordY = b + 1665;
    auto word = [&](int r) {
        return GradeDigitToWord(GradeWordVariant::Certificate, st.grades[static_cast<size_t>(r)],
                                st.gradeNames[static_cast<size_t>(r)]);
    };
    for (int r = 2; r <= s && r < kGradeListRows; ++r) {
        const int y = (r - 3) * 70 + 1110;
        SetFont(cls, 40);
        PrintSubjectName(250, y, shownSubject(st.gradeNames[static_cast<size_t>(r)]), 17, 18, 700 - kColumnGap);
        SetFont(cls, 48);
        PrintTextOut(700, y, word(r));
    }
    for (int r = s + 1; r <= n - 1 && r < kGradeListRows; ++r) {
        const QString& text = st.gradeNames[static_cast<size_t>(r)];
        const int y = (r - 2 - s) * 70 + 1110;
        SetFont(cls, 40, text.contains(QStringLiteral("Wahlpflicht")));
        PrintSubjectName(1080, y, shownSubject(text), 17, 18, 1540 - kColumnGap);
        SetFont(cls, 48);
        PrintTextOut(1540, isProject(text) ? projectWordY : y, word(r));
    }

    SetFont(cls, 48, true);
    PrintTextOut(250, b + 1545, QStringLiteral("Leistungen in der themenorientierten Projektprüfung:"));
    SetFont(cls, 40);
    PrintTextOut(250, b + 1605, QStringLiteral("Thema:"));
    PrintTextOut(250, b + 1655, QStringLiteral("Note  "));
    PrintFittedText(410, b + 1605, st.ag5, kRight);
    SetFont(cls, 28);
    PrintTextOut(410, b + 1665, kVerbalNote);
    b += 40;
    SetFont(cls, 40);
    printParticipation(st, b + 1790, 60);
    b -= 40;
    PrintRemarkLines(st, b + 2045);
    SetFont(cls, 48);
    PrintTextOut(700, 2345, FormatLongDate(st.datum, cls.shortDates));
    printStudentLines(cls, st, 50);
    DrawEmblem(offset);
    EndPrint();
}

void PrintDispatchCertificate(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    constexpr int offset = 0;
    const SubjectData& sub = cls.subjects;
    const bool class9 = kind == kDocClass9Certificate;
    SetFont(cls, 74, true);
    PrintFittedText(700, 350, line(sub, 0), kRight);
    PrintHeadLines(cls, 700, offset);
    printLabels(cls, 510);
    SetFont(cls, 40);
    if (class9)
        PrintTextOut(250, 730, cls.schoolTypeText.contains(QStringLiteral("erkreal"))
                                   ? QStringLiteral("hat die Werkrealschule nach Klasse 9 erfolgreich abgeschlossen.")
                                   : QStringLiteral("hat die Hauptschule nach Klasse 9 erfolgreich abgeschlossen."));
    else
        PrintFittedText(250, 730, line(sub, 1), kRight);
    SetFont(cls, 44, true);
    PrintFittedText(250, 850, sub.subjectBlockHeading, kRight);

    // Subjects in the two columns of the student sheets.  Kind 7 carries no
    // exam, so its words have no exam cross.
    const GradeWordVariant variant = class9 ? GradeWordVariant::Certificate : GradeWordVariant::ExamCross;
    auto word = [&](int r) {
        return GradeDigitToWord(variant, st.grades[static_cast<size_t>(r)], st.gradeNames[static_cast<size_t>(r)]);
    };
    const int n = SubjectCount(sub);
    const int c = n >= 20 ? 10 : n < 17 ? 8 : 9;
    QString projectWord;
    for (int r = 2; r <= n - 1 && r < kGradeListRows; ++r) {
        const bool left = r <= c;
        const int x = left ? 250 : 1080;
        const int y = left ? (r - 3) * 70 + 1020 : (r - 2 - c) * 70 + 1020;
        const QString& text = st.gradeNames[static_cast<size_t>(r)];
        SetFont(cls, 38);
        PrintSubjectName(x, y, shownSubject(text), 17, 18, (left ? 700 : 1540) - kColumnGap);
        SetFont(cls, 48);
        if (isProject(text))
            projectWord = word(r);
        else
            PrintTextOut(left ? 700 : 1540, y, word(r));
    }

    // The longest list's right column reaches down to the heading's line:
    // the heading then ends before it.
    SetFont(cls, 48, true);
    const bool besideRightColumn = n - 1 > c && (n - 3 - c) * 70 + 1020 + 40 > 1565;
    PrintFittedText(250, 1565,
                    cls.classCode() == QLatin1Char('9') ? QStringLiteral("Leistungen in der themenorientierten Projektprüfung")
                                                        : kProjectHeadingClass9,
                    besideRightColumn ? 1080 - kColumnGap : kRight);
    SetFont(cls, 40);
    PrintTextOut(250, 1620, QStringLiteral("Thema:"));
    PrintTextOut(250, 1665, QStringLiteral("Note  "));
    // The project grade stands half a line below the topic: a long topic
    // ends before it.
    PrintFittedText(410, 1620, st.ag5, projectWord.isNull() ? kRight : 1540 - kColumnGap);
    SetFont(cls, 48);
    if (!projectWord.isNull())
        PrintTextOut(1540, 1645, projectWord);
    SetFont(cls, 28);
    PrintTextOut(410, 1675, kVerbalNote);

    SetFont(cls, 44, true);
    PrintTextOut(250, 1715, kWholeGradeHeading);
    PrintRule(700, 1765, 1445, 1765);
    PrintLineTo(1445, 1820);
    PrintLineTo(700, 1820);
    PrintLineTo(700, 1765);
    const int whole = WholeGradeOfAverage(Gesamtschnitt(cls, st));
    PrintTextOut(whole == 1 ? 925 : whole == 2 ? 960 : 875, 1770, wholeGradeText(cls, st, variant));
    if (class9) {
        SetFont(cls, 44);
        PrintTextOut(250, 1835, QStringLiteral("Note des in Klasse 8"));
        PrintTextOut(250, 1870, QStringLiteral("abgeschlossenen Pflichtfaches:"));
        if (!TrimRight(st.ag6).isEmpty()) {
            PrintSubjectName(1080, 1853, st.ag5, 17, 18, 1540 - kColumnGap);
            SetFont(cls, 48);
            PrintTextOut(1540, 1850, GradeDigitToWord(GradeWordVariant::Certificate, st.ag6));
        }
    }

    SetFont(cls, 42, true);
    PrintFittedText(250, 1930, line(sub, 2), kRight);
    SetFont(cls, 40, true);
    printParticipation(st, 2000, 50);
    SetFont(cls, 42, true);
    PrintTextOut(250, 2195, QStringLiteral("Bemerkungen:"));
    SetFont(cls, 40, true);
    PrintRemarkLines(st, 2195);
    if (!class9)
        printClosingSentence(cls);
    SetFont(cls, 42, true);
    PrintTextOut(250, 2415, QStringLiteral("Datum:"));
    SetFont(cls, 46);
    PrintTextOut(700, 2415, FormatLongDate(st.datum, cls.shortDates));

    // The seal stands between the two signatures, so the right one starts
    // after it.
    SetFont(cls, 35);
    PrintRule(250, 2550, 950, 2550);
    PrintTextOut(1080, 2520, QStringLiteral("(Dienstsiegel"));
    PrintTextOut(1090, 2550, QStringLiteral("der Schule)"));
    if (class9) {
        PrintTextOut(250, 2560, QStringLiteral("Schulleiter/in"));
    } else {
        PrintRule(1300, 2550, 1850, 2550);
        PrintTextOut(250, 2560, QStringLiteral("Vorsitzende/r des Prüfungsausschusses"));
        PrintTextOut(1300, 2560, QStringLiteral("Schulleiter/in"));
    }
    const FootLines foot = class9 ? fitFoot(cls, {2645}, {kGradeKey + QLatin1Char('.')}, 2560)
                                  : fitFoot(cls, {2645, 2685}, {kGradeKey + QLatin1Char('.'), kExamKey}, 2560);
    PrintTextOut(250, foot.y[0], kGradeKey + QLatin1Char('.'));
    if (!class9)
        PrintTextOut(250, foot.y[1], kExamKey);
    printFooterLines(cls, foot);
    if (kind == kDocCertificateCopy) {
        SetFont(cls, 46);
        PrintTextOut(250, 2500, QStringLiteral("gez.:"));
        // The seal's caption stands beside the name, a little lower.
        PrintFittedText(380, 2500, cls.examChairName, 1080 - kColumnGap);
        SetFont(cls, 48, true);
        PrintTextOut(1670, 30, QStringLiteral("Abschrift"));
    }
    PrintSchoolName(cls, 700, offset);
    printStudentLines(cls, st, 50);
    DrawEmblem(offset);
    EndPrint();
}

} // namespace hsa
