#include "print/layouts/externalcertificates.h"

#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "print/gradewords.h"
#include "print/layouts/certificateparts.h"
#include "print/layouts/notepages.h"
#include "print/pagemodel.h"

namespace hsa {

using namespace certificate;

namespace {

bool isBlank(const QString& text)
{
    return TrimRight(text).isEmpty();
}

QString subjectOf(const StudentPrintData& st, int r)
{
    return st.gradeNames[static_cast<size_t>(r)];
}

QString listWord(const StudentPrintData& st, int r)
{
    return GradeDigitToWord(GradeWordVariant::List, st.grades[static_cast<size_t>(r)], subjectOf(st, r));
}

int bildungOffset(const QString& subject)
{
    return subject.contains(QStringLiteral("Bildung")) ? 25 : 0;
}

// What both pages share: title block, heading, labels, exam sentence,
// headings, signature part and copy marks.  y is the top of the labels.
struct Frame {
    int offset;      // heading offset
    int labelsY;     // "Vor- und Zuname"
    int sentenceY;
    QString sentence;
    int subjectHeadingY;
    QString subjectHeading;
    int remarksY;
};

void printFrame(const ClassPrintData& cls, const Frame& f, int kind)
{
    PrintHeadLines(700, f.offset);
    SetFont(48);
    PrintTextOut(250, f.labelsY, QStringLiteral("Vor- und Zuname"));
    PrintTextOut(250, f.labelsY + 60, QStringLiteral("geboren am"));
    PrintTextOut(250, f.labelsY + 120, QStringLiteral("in"));
    SetFont(40);
    PrintTextOut(250, f.sentenceY, f.sentence);
    SetFont(48, true);
    PrintTextOut(250, f.subjectHeadingY, f.subjectHeading);
    PrintTextOut(250, f.remarksY, QStringLiteral("Bemerkungen:"));
    PrintTextOut(250, 2235, QStringLiteral("Datum:"));
    SetFont(35);
    PrintRule(1180, 2500, 1850, 2500);
    PrintTextOut(875, 2470, QStringLiteral("(Dienstsiegel"));
    PrintTextOut(885, 2500, QStringLiteral("der Schule)"));
    PrintTextOut(1180, 2510, QStringLiteral("Vorsitzende/r des Prüfungsausschusses"));
    PrintTextOut(250, 2660, QStringLiteral(
        "Notenstufen: sehr gut (1), gut (2), befriedigend (3), ausreichend (4), mangelhaft (5), ungenügend (6)"));
    if (kind == 6) {
        SetFont(48);
        PrintTextOut(1180, 2445, QStringLiteral("gez.:"));
        PrintFittedText(1310, 2445, cls.examChairName, kRight);
        SetFont(48, true);
        PrintTextOut(1670, 30, QStringLiteral("Abschrift"));
    }
}

void printFooterLines(const ClassPrintData& cls, int q, int n)
{
    SetFont(27);
    const int lift = n >= 16 ? 35 : 0;
    for (int i = 1; i <= 5; ++i)
        PrintFittedText(250, 70 * (q - 3) + 1037 + 30 * (i - 1) - lift,
                        cls.subjects.footerLines[static_cast<size_t>(i - 1)], kRight);
}

// Remarks, date and the student's lines below the subjects.
void printClosing(const ClassPrintData& cls, const StudentPrintData& st, int remarksY, int nameY)
{
    SetFont(RemarkLineOverflow(st.hints[3], st.remarks[0]) > 0 ? 40 : 44);
    PrintRemarkLines(st, remarksY);
    SetFont(44);
    PrintTextOut(700, 2235, FormatLongDate(st.datum, cls.shortDates));
    SetFont(50, true);
    PrintFittedText(700, nameY, StudentName(st), kRight);
    SetFont(48);
    PrintFittedText(700, nameY + 62, st.birthDate, kRight);
    PrintFittedText(700, nameY + 122, st.birthPlace, kRight);
}

} // namespace

void PrintExternalHsaCertificate(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    constexpr int offset = 0;
    SetFont(74, true);
    PrintTextOut(700, 350, QStringLiteral("Zeugnis über den Hauptschulabschluss"));
    printFrame(cls,
               {offset, 510, 730,
                QStringLiteral("hat die Hauptschulabschlussprüfung für Schulfremde mit Erfolg abgelegt."), 910,
                QStringLiteral("Leistungen in den einzelnen Fächern und im Fachgebiet:"), 2055},
               kind);

    const int n = SubjectCount(cls.subjects, 3);
    const bool projectEntered = !isBlank(st.hints[0]) && TrimRight(st.hints[0]).size() >= 5;
    int s = n >= 18 ? 9 : n >= 16 ? 8 : n >= 14 ? 7 : n >= 9 ? 6 : 5;
    if (projectEntered)
        s -= 2;
    const int g = n >= 8 ? 80 : 0;
    auto isProjectRow = [&](const QString& subject) {
        return (projectEntered && subject.contains(QStringLiteral("wirtschaftliche Bildung")))
            || subject.contains(QStringLiteral("Projektprüfung"));
    };
    auto printProjectBlock = [&] {
        SetFont(48, true);
        PrintTextOut(250, g + 1165, QStringLiteral("Leistungen in der Projektprüfung:"));
        SetFont(40);
        PrintTextOut(250, g + 1240, QStringLiteral("Thema:"));
        PrintTextOut(250, g + 1290, QStringLiteral("Note  "));
        PrintFittedText(700, g + 1240, st.hints[0], kRight);
        SetFont(28);
        PrintTextOut(250, g + 1345, QStringLiteral("(Verbalbeurteilung siehe Beiblatt)"));
        SetFont(40);
    };
    auto shownName = [&](const QString& subject) {
        QString t = subject;
        if (isProjectRow(t)) {
            t = QStringLiteral(" ");
            printProjectBlock();
        }
        if (t.contains(QStringLiteral("Präs")))
            t = QStringLiteral(" ");
        return t;
    };

    SetFont(40);
    int d = 0;
    for (int r = 2; r <= s; ++r) {
        const QString t = shownName(subjectOf(st, r));
        if (t.contains(QStringLiteral("Bildung")))
            d = 25;
        PrintSubjectName(250, d + 1080 + 70 * (r - 3), t, 18, 18, 700 - kColumnGap);
    }
    printFooterLines(cls, s + 2, n);
    SetFont(40);
    for (int r = s + 1; r <= n - 1; ++r)
        PrintSubjectName(1080, 1080 + 70 * (r - 2 - s), shownName(subjectOf(st, r)), 18, 18, 1540 - kColumnGap);
    PrintSchoolName(700, offset, cls.schoolName);

    SetFont(48);
    if (st.sheet.resultIndex == 8) {
        for (int r = 2; r <= n - 1; ++r) {
            const QString subject = subjectOf(st, r);
            if (subject.contains(QStringLiteral("Präs")))
                continue;
            if (isProjectRow(subject))
                PrintTextOut(700, g + 1285, listWord(st, r));
            else if (r <= s)
                PrintTextOut(700, 1080 + 70 * (r - 3) + bildungOffset(subject), listWord(st, r));
            else
                PrintTextOut(1540, 1080 + 70 * (r - 2 - s), listWord(st, r));
        }
    }
    PrintTextOut(700, g + 1525, listWord(st, s + 1 <= n - 1 ? n - 1 : s));
    SetFont(48, true);
    PrintTextOut(250, g + 1400, QStringLiteral("Leistungen in der Präsentationsprüfung:"));
    SetFont(40);
    PrintTextOut(250, g + 1475, QStringLiteral("Thema:"));
    PrintTextOut(250, g + 1525, QStringLiteral("Note  "));
    PrintFittedText(700, g + 1475, st.ag5, kRight);
    SetFont(28);
    PrintTextOut(250, g + 1580, QStringLiteral("(Verbalbeurteilung siehe Beiblatt)"));

    const int e = isBlank(st.ag6) ? 60 : 0;
    const int h = e * 6 / 10;
    SetFont(48, true);
    PrintTextOut(250, g + 1650 + h, QStringLiteral("Gesamtnote und Durchschnitt der Gesamtleistungen:"));
    PrintRule(700, g + 1790 + e, 1445, g + 1790 + e);
    PrintRule(700, g + 1735 + e, 1445, g + 1735 + e);
    PrintRule(700, g + 1785 + e, 700, g + 1735 + e);
    PrintRule(1445, g + 1790 + e, 1445, g + 1740 + e);
    SetFont(53, true);
    const QString average = Gesamtschnitt(cls, st);
    const int whole = WholeGradeOfAverage(average);
    PrintTextOut(whole == 1 ? 925 : whole == 2 ? 960 : 875, g + 1736 + e,
                 GradeDigitToWord(GradeWordVariant::List, QString::number(whole)) + QStringLiteral("   ")
                     + FormatAverageInParens(average));
    SetPrintFontBold(false);

    printClosing(cls, st, 2055, 508);
    DrawEmblem(offset);
    EndPrint();
}

void PrintExternalWrsCertificate(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    // This page alone prints its heading 1 cm lower; the offset is its own
    // and never reaches the pages printed after it.
    constexpr int offset = 100;
    SetFont(58, true);
    PrintTextOut(700, 420, QStringLiteral("Zeugnis über einen dem Realschulabschluss "));
    PrintTextOut(700, 480, QStringLiteral("gleichwertigen Bildungsstand"));
    printFrame(cls,
               {offset, 670, 890,
                QStringLiteral("hat die Werkrealschulabschlussprüfung für Schulfremde mit Erfolg abgelegt."), 1070,
                QStringLiteral("Leistungen in den einzelnen Fächern und Fächerverbünden:"), 1985},
               kind);

    const int n = SubjectCount(cls.subjects, 3);
    const int s = n >= 15 ? n : n >= 13 ? 7 : n >= 11 ? 6 : 5;
    // Row N is the first without a subject: the left column stops before it
    // even when it takes every subject.
    const int lastLeft = qMin(s, n - 1);
    auto shownName = [&](const QString& subject) {
        QString t = subject;
        if (t.contains(QStringLiteral("Berufsfachliche")))
            t = GetMemoLineOrDefault(st.sheet.notes, 1, t);
        if (t.contains(QStringLiteral("Berufspraktische")))
            t = GetMemoLineOrDefault(st.sheet.notes, 2, t);
        if (t.contains(QStringLiteral("Präs")))
            t = QStringLiteral(" ");
        return t;
    };

    SetFont(40);
    int d = 0;
    for (int r = 2; r <= lastLeft; ++r) {
        const QString t = shownName(subjectOf(st, r));
        if (t.contains(QStringLiteral("Bildung")))
            d = 25;
        PrintSubjectName(250, d + 1260 + 80 * (r - 3), t, 18, 18, 700 - kColumnGap);
    }
    for (int r = s + 1; r <= n - 1; ++r)
        PrintSubjectName(1080, 1260 + 80 * (r - 2 - s), shownName(subjectOf(st, r)), 18, 18, 1540 - kColumnGap);
    printFooterLines(cls, s + 1 <= n - 1 ? n - 1 : s, n);
    PrintSchoolName(700, offset, cls.schoolName);

    if (st.sheet.resultIndex == 7) {
        SetFont(48);
        for (int r = 2; r <= lastLeft; ++r)
            if (!subjectOf(st, r).contains(QStringLiteral("Präs")))
                PrintTextOut(700, 1260 + 80 * (r - 3) + bildungOffset(subjectOf(st, r)), listWord(st, r));
        for (int r = s + 1; r <= n - 1; ++r)
            if (!subjectOf(st, r).contains(QStringLiteral("Präs")))
                PrintTextOut(1540, 1260 + 80 * (r - 2 - s), listWord(st, r));
    }

    printClosing(cls, st, 1985, 668);
    DrawEmblem(offset);
    EndPrint();
}

} // namespace hsa
