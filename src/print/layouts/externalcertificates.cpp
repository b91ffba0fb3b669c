#include "print/layouts/externalcertificates.h"

#include "classes/helpers.h"
#include "print/documentkinds.h"
#include "print/gradewords.h"
#include "print/layouts/certificateparts.h"
#include "print/layouts/notepages.h"
#include "print/pagemodel.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace hsa {

using namespace certificate;

namespace {

// Top of the grade key at the page's foot.
constexpr int kGradeKeyY = 2660;
// The closest the subject rows of a long list come: a grade word's height
// and a little room between the words.
constexpr int kTightestPitch = 56;

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
    int lower = 0;   // remarks, date and signature part moved down by this
};

void printFrame(const ClassPrintData& cls, const Frame& f, int kind)
{
    const int lower = f.lower;
    PrintHeadLines(cls, 700, f.offset);
    SetFont(cls, 48);
    PrintTextOut(250, f.labelsY, QStringLiteral("Vor- und Zuname"));
    PrintTextOut(250, f.labelsY + 60, QStringLiteral("geboren am"));
    PrintTextOut(250, f.labelsY + 120, QStringLiteral("in"));
    SetFont(cls, 40);
    PrintTextOut(250, f.sentenceY, f.sentence);
    SetFont(cls, 48, true);
    PrintTextOut(250, f.subjectHeadingY, f.subjectHeading);
    PrintTextOut(250, f.remarksY + lower, QStringLiteral("Bemerkungen:"));
    PrintTextOut(250, 2235 + lower, QStringLiteral("Datum:"));
    SetFont(cls, 35);
    PrintRule(1180, 2500 + lower, 1850, 2500 + lower);
    PrintTextOut(875, 2470 + lower, QStringLiteral("(Dienstsiegel"));
    PrintTextOut(885, 2500 + lower, QStringLiteral("der Schule)"));
    PrintTextOut(1180, 2510 + lower, QStringLiteral("Vorsitzende/r des Prüfungsausschusses"));
    // Where the rows cannot close up further the key alone stays on the
    // page, below the signature part.
    PrintTextOut(250, std::min(kGradeKeyY + lower, PrintPageHeight() - PrintFontCellHeight()), QStringLiteral(
        "Notenstufen: sehr gut (1), gut (2), befriedigend (3), ausreichend (4), mangelhaft (5), ungenügend (6)"));
    if (kind == kDocCertificateCopy) {
        SetFont(cls, 48);
        PrintTextOut(1180, 2445 + lower, QStringLiteral("gez.:"));
        PrintFittedText(1310, 2445 + lower, cls.examChairName, kRight);
        SetFont(cls, 48, true);
        PrintTextOut(1670, 30, QStringLiteral("Abschrift"));
    }
}

// Where the five footer lines stand: from y on, 30 apart, each ending at
// `right`.
void printFooterLines(const ClassPrintData& cls, int y, const std::function<int(int, int)>& right)
{
    SetFont(cls, 27);
    for (int i = 0; i < 5; ++i)
        PrintFittedText(250, y + 30 * i, cls.subjects.footerLines[static_cast<size_t>(i)], right(y + 30 * i, 27));
}

// The fixed place of the first footer line below subject row q - 1 of the
// 70 pitch, 35 higher on a long list.
int footerY(int q, int n)
{
    return 70 * (q - 3) + 1037 - (n >= 16 ? 35 : 0);
}

// The last footer line with a text, or -1.
int lastFooterLine(const ClassPrintData& cls)
{
    for (int i = 4; i >= 0; --i)
        if (!isBlank(cls.subjects.footerLines[static_cast<size_t>(i)]))
            return i;
    return -1;
}

// Top and bottom of a subject name printed at y (two lines 18 above and below
// when it breaks), its grade word beside it 48 high.
std::pair<int, int> rowExtent(const QString& shown, int y)
{
    return SplitSubjectName(shown) ? std::pair(y - 18, y + 58) : std::pair(y, y + 48);
}

// The remarks and the date, the student's lines at the top; the first two
// moved down by lower.
void printClosing(const ClassPrintData& cls, const StudentPrintData& st, int remarksY, int nameY, int lower = 0)
{
    SetFont(cls, RemarkLineOverflow(st.hints[3], st.remarks[0]) > 0 ? 40 : 44);
    PrintRemarkLines(st, remarksY + lower);
    SetFont(cls, 44);
    PrintTextOut(700, 2235 + lower, FormatLongDate(st.datum, cls.shortDates));
    SetFont(cls, 50, true);
    PrintFittedText(700, nameY, StudentName(st), kRight);
    SetFont(cls, 48);
    PrintFittedText(700, nameY + 62, st.birthDate, kRight);
    PrintFittedText(700, nameY + 122, st.birthPlace, kRight);
}

// How far the remarks, the date and the signature part may move down before
// the grade key leaves the page.
int lowerRoom()
{
    return std::max(0, PrintPageHeight() - (kGradeKeyY + 35));
}

// The right subject column as the texts of the left half see it: a text from
// top, height high, ends before the column when one of its rows stands beside
// it, else at kRight.
struct RightColumn {
    std::vector<std::pair<int, int>> rows; // top and bottom of every row
    int operator()(int top, int height) const
    {
        for (const auto& [a, b] : rows)
            if (std::min(b, top + height) - std::max(a, top) > 5)
                return 1080 - kColumnGap;
        return kRight;
    }
    int bottom() const { return rows.empty() ? 0 : rows.back().second; }
};

} // namespace

void PrintExternalHsaCertificate(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
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
    auto replaced = [&](const QString& subject) {
        if (isProjectRow(subject) || subject.contains(QStringLiteral("Präs")))
            return QStringLiteral(" ");
        return subject;
    };
    bool projectBlock = false;
    for (int r = 2; r <= n - 1; ++r)
        projectBlock = projectBlock || isProjectRow(subjectOf(st, r));
    const int e = isBlank(st.ag6) ? 60 : 0;
    const int h = e * 6 / 10;

    // The form's places hold for a short list.  A longer one reaches into the
    // blocks below it: then each block follows right below what stands above
    // it (the footer lines below the left column, the whole grade below both
    // columns), the remarks, the date and the signature part move down as far
    // as the page allows.  Where even that is not enough the left column
    // gives up to two rows to the right one, as it does for an entered
    // project exam, and beyond that the subject rows close up.
    constexpr int gap = 30;
    const int leastLeft = std::max(s - 2, 3);
    int pitch = 70;
    int firstFooter = 0, projectY = 0, presentationY = 0, wholeY = 0, lower = 0;
    RightColumn right;
    std::vector<int> leftY(static_cast<size_t>(kGradeListRows), 0);
    for (;;) {
        int d = 0, leftBottom = 0;
        for (int r = 2; r <= s; ++r) {
            const QString t = replaced(subjectOf(st, r));
            if (t.contains(QStringLiteral("Bildung")))
                d = 25;
            leftY[static_cast<size_t>(r)] = 1010 + pitch * (r - 2);
            leftBottom = std::max(leftBottom, rowExtent(t, d + leftY[static_cast<size_t>(r)]).second);
        }
        right.rows.clear();
        for (int r = s + 1; r <= n - 1; ++r)
            right.rows.push_back(rowExtent(replaced(subjectOf(st, r)), 1010 + pitch * (r - 1 - s)));
        firstFooter = footerY(s + 2, n) - 70 * (s - 2) + pitch * (s - 2);
        const int footers = lastFooterLine(cls);
        if (footers >= 0) {
            firstFooter = std::max(firstFooter, leftBottom + 5);
            leftBottom = firstFooter + 30 * footers + 27;
        }
        projectY = std::max(g + 1165, leftBottom + gap);
        presentationY = std::max(g + 1400, projectBlock ? projectY + 235 : leftBottom + gap);
        wholeY = std::max({g + 1650, presentationY + 250, right.bottom() + gap});
        lower = std::max(0, wholeY + 140 + e + 40 - 2055);
        if (lower <= lowerRoom() || pitch <= kTightestPitch)
            break;
        if (s > leastLeft)
            --s;
        else
            pitch -= 2;
    }
    const int shift = wholeY - (g + 1650); // the whole-grade block's move

    constexpr int offset = 0;
    SetFont(cls, 74, true);
    PrintTextOut(700, 350, QStringLiteral("Zeugnis über den Hauptschulabschluss"));
    printFrame(cls,
               {offset, 510, 730,
                QStringLiteral("hat die Hauptschulabschlussprüfung für Schulfremde mit Erfolg abgelegt."), 910,
                QStringLiteral("Leistungen in den einzelnen Fächern und im Fachgebiet:"), 2055, lower},
               kind);

    auto printProjectBlock = [&] {
        SetFont(cls, 48, true);
        PrintTextOut(250, projectY, QStringLiteral("Leistungen in der Projektprüfung:"));
        SetFont(cls, 40);
        PrintTextOut(250, projectY + 75, QStringLiteral("Thema:"));
        PrintTextOut(250, projectY + 125, QStringLiteral("Note  "));
        PrintFittedText(700, projectY + 75, st.hints[0], right(projectY + 75, 40));
        SetFont(cls, 28);
        PrintTextOut(250, projectY + 180, QStringLiteral("(Verbalbeurteilung siehe Beiblatt)"));
        SetFont(cls, 40);
    };
    auto shownName = [&](const QString& subject) {
        if (isProjectRow(subject))
            printProjectBlock();
        return replaced(subject);
    };

    SetFont(cls, 40);
    int d = 0;
    for (int r = 2; r <= s; ++r) {
        const QString t = shownName(subjectOf(st, r));
        if (t.contains(QStringLiteral("Bildung")))
            d = 25;
        PrintSubjectName(250, d + leftY[static_cast<size_t>(r)], t, 18, 18, 700 - kColumnGap);
    }
    printFooterLines(cls, firstFooter, right);
    SetFont(cls, 40);
    for (int r = s + 1; r <= n - 1; ++r)
        PrintSubjectName(1080, 1010 + pitch * (r - 1 - s), shownName(subjectOf(st, r)), 18, 18, 1540 - kColumnGap);
    PrintSchoolName(cls, 700, offset);

    SetFont(cls, 48);
    if (st.sheet.resultIndex == 8) {
        for (int r = 2; r <= n - 1; ++r) {
            const QString subject = subjectOf(st, r);
            if (subject.contains(QStringLiteral("Präs")))
                continue;
            if (isProjectRow(subject))
                PrintTextOut(700, projectY + 120, listWord(st, r));
            else if (r <= s)
                PrintTextOut(700, leftY[static_cast<size_t>(r)] + bildungOffset(subject), listWord(st, r));
            else
                PrintTextOut(1540, 1010 + pitch * (r - 1 - s), listWord(st, r));
        }
    }
    PrintTextOut(700, presentationY + 125, listWord(st, s + 1 <= n - 1 ? n - 1 : s));
    SetFont(cls, 48, true);
    PrintTextOut(250, presentationY, QStringLiteral("Leistungen in der Präsentationsprüfung:"));
    SetFont(cls, 40);
    PrintTextOut(250, presentationY + 75, QStringLiteral("Thema:"));
    PrintTextOut(250, presentationY + 125, QStringLiteral("Note  "));
    PrintFittedText(700, presentationY + 75, st.ag5, right(presentationY + 75, 40));
    SetFont(cls, 28);
    PrintTextOut(250, presentationY + 180, QStringLiteral("(Verbalbeurteilung siehe Beiblatt)"));

    const int top = g + shift;
    SetFont(cls, 48, true);
    PrintTextOut(250, top + 1650 + h, QStringLiteral("Gesamtnote und Durchschnitt der Gesamtleistungen:"));
    PrintRule(700, top + 1790 + e, 1445, top + 1790 + e);
    PrintRule(700, top + 1735 + e, 1445, top + 1735 + e);
    PrintRule(700, top + 1785 + e, 700, top + 1735 + e);
    PrintRule(1445, top + 1790 + e, 1445, top + 1740 + e);
    SetFont(cls, 53, true);
    const QString average = Gesamtschnitt(cls, st);
    const int whole = WholeGradeOfAverage(average);
    PrintTextOut(whole == 1 ? 925 : whole == 2 ? 960 : 875, top + 1736 + e,
                 GradeDigitToWord(GradeWordVariant::List, QString::number(whole)) + QStringLiteral("   ")
                     + FormatAverageInParens(average));
    SetPrintFontBold(false);

    printClosing(cls, st, 2055, 508, lower);
    DrawEmblem(offset);
    EndPrint();
}

void PrintExternalWrsCertificate(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    const int n = SubjectCount(cls.subjects, 3);
    int s = n >= 15 ? n : n >= 13 ? 7 : n >= 11 ? 6 : 5;
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

    // The form's places hold for a short list.  A longer one moves the footer
    // lines below both columns and the remarks, the date and the signature
    // part down as far as the page allows; beyond that the footer lines
    // follow the subjects closely, then the rows close up, and a list too
    // long for one column even so is split into two.
    int pitch = 80, firstFooter = 0, lower = 0;
    bool closeFooters = false;
    for (;;) {
        int d = 0, bottom = 0;
        for (int r = 2; r <= std::min(s, n - 1); ++r) {
            const QString t = shownName(subjectOf(st, r));
            if (t.contains(QStringLiteral("Bildung")))
                d = 25;
            bottom = std::max(bottom, rowExtent(t, d + 1180 + pitch * (r - 2)).second);
        }
        for (int r = s + 1; r <= n - 1; ++r)
            bottom = std::max(bottom, rowExtent(shownName(subjectOf(st, r)), 1180 + pitch * (r - 1 - s)).second);
        firstFooter = closeFooters ? bottom + 5 : footerY(s + 1 <= n - 1 ? n - 1 : s, n);
        const int footers = lastFooterLine(cls);
        if (footers >= 0) {
            firstFooter = std::max(firstFooter, bottom + 5);
            bottom = firstFooter + 30 * footers + 27;
        }
        lower = std::max(0, bottom + 30 - 1985);
        if (lower <= lowerRoom())
            break;
        if (!closeFooters) {
            closeFooters = true;
        } else if (pitch > kTightestPitch) {
            pitch -= 2;
        } else if (s >= n - 1 && n > 4) {
            s = 1 + (n - 1) / 2;
            pitch = 80;
        } else {
            break;
        }
    }
    // Row N is the first without a subject: the left column stops before it
    // even when it takes every subject.
    const int lastLeft = qMin(s, n - 1);

    // This page alone prints its heading 1 cm lower; the offset is its own
    // and never reaches the pages printed after it.
    constexpr int offset = 100;
    SetFont(cls, 58, true);
    PrintTextOut(700, 420, QStringLiteral("Zeugnis über einen dem Realschulabschluss "));
    PrintTextOut(700, 480, QStringLiteral("gleichwertigen Bildungsstand"));
    printFrame(cls,
               {offset, 670, 890,
                QStringLiteral("hat die Werkrealschulabschlussprüfung für Schulfremde mit Erfolg abgelegt."), 1070,
                QStringLiteral("Leistungen in den einzelnen Fächern und Fächerverbünden:"), 1985, lower},
               kind);

    SetFont(cls, 40);
    int d = 0;
    for (int r = 2; r <= lastLeft; ++r) {
        const QString t = shownName(subjectOf(st, r));
        if (t.contains(QStringLiteral("Bildung")))
            d = 25;
        PrintSubjectName(250, d + 1180 + pitch * (r - 2), t, 18, 18, 700 - kColumnGap);
    }
    for (int r = s + 1; r <= n - 1; ++r)
        PrintSubjectName(1080, 1180 + pitch * (r - 1 - s), shownName(subjectOf(st, r)), 18, 18, 1540 - kColumnGap);
    printFooterLines(cls, firstFooter, [](int, int) { return kRight; });
    PrintSchoolName(cls, 700, offset);

    if (st.sheet.resultIndex == 7) {
        SetFont(cls, 48);
        for (int r = 2; r <= lastLeft; ++r)
            if (!subjectOf(st, r).contains(QStringLiteral("Präs")))
                PrintTextOut(700, 1180 + pitch * (r - 2) + bildungOffset(subjectOf(st, r)), listWord(st, r));
        for (int r = s + 1; r <= n - 1; ++r)
            if (!subjectOf(st, r).contains(QStringLiteral("Präs")))
                PrintTextOut(1540, 1180 + pitch * (r - 1 - s), listWord(st, r));
    }

    printClosing(cls, st, 1985, 668, lower);
    DrawEmblem(offset);
    EndPrint();
}

} // namespace hsa
