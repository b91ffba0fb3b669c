#include "print/layouts/subjectlists.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"
#include "print/pagemodel.h"

#include <functional>

namespace hsa {

namespace {

// The gap a fitted text keeps to the rule of the next column.
constexpr int kColumnGap = 10;

bool HasMarkOrPending(const QString& cell)
{
    return TrimRight(cell) == QStringLiteral("P") || ParseLeadingInt(cell) > 0;
}

QString SubjectName(const ClassPrintData& cls, int s)
{
    return (s >= 0 && s < kSubjectEntryCount) ? cls.subjects.subjectNames[s] : QString();
}

// Rows placed downward across as many pages as they need.  A page is closed
// (its vertical rules down to its last row rule) before a row that would end
// below the limit, and the next page gets its heading again; a page always
// takes at least one row, so a tiny page cannot loop.
class RowPager {
public:
    RowPager(int pitch, std::function<void()> head, std::function<void(int lastRule)> close)
        : pitch_(pitch), head_(std::move(head)), close_(std::move(close)),
          limit_(PrintPageHeight() - kListBottomMargin)
    {
        head_();
    }
    // The y of the next row.
    int next()
    {
        if (rowsOnPage_ > 0 && y_ + pitch_ > limit_) {
            close_(y_ - 20);
            PrintNewPage();
            head_();
            y_ = kListFirstRowY;
            rowsOnPage_ = 0;
        }
        return y_;
    }
    // After the row's texts: the row rule under it.
    void ruleRow(int left, int right)
    {
        y_ += pitch_;
        ++rowsOnPage_;
        PrintRule(left, y_ - 20, right, y_ - 20);
    }
    // Closes the last page; returns the final row position.
    int finish()
    {
        close_(y_ - 20);
        return y_;
    }

private:
    int pitch_;
    std::function<void()> head_;
    std::function<void(int)> close_;
    int limit_;
    int y_ = kListFirstRowY;
    int rowsOnPage_ = 0;
};

void VerticalRules(std::initializer_list<int> xs, int bottom)
{
    for (int x : xs)
        PrintRule(x, 170, x, bottom);
}

bool HasCorrectionColumns(const QString& subject)
{
    return subject == QStringLiteral("Deutsch") || subject == QStringLiteral("Englisch")
        || subject == QStringLiteral("Mathematik");
}

void Foot(const ClassPrintData& cls, int left, int leftEnd, int rightStart, int right, int y)
{
    SetPrintFontBold(false);
    SetNominalFont(cls, 29);
    PrintRule(left, y + 110, leftEnd, y + 110);
    PrintTextOut(left, y + 120, QStringLiteral("(Ort und Datum)"));
    PrintRule(rightStart, y + 110, right, y + 110);
    PrintTextOut(rightStart, y + 120, QStringLiteral("(Unterschrift)"));
}

} // namespace

int ListPart(int k, int w)
{
    return static_cast<int>(static_cast<long long>(k) * w / 19);
}

ParticipantListEdges ParticipantListGeometry(int pageWidth)
{
    const int w = pageWidth - 100;
    ParticipantListEdges e;
    e.x1 = e.left + ListPart(1, w);
    e.x2 = e.x1 + ListPart(7, w);
    e.x3 = e.x2 + ListPart(1, w) + ListPart(1, w);
    e.x4 = e.x3 + ListPart(2, w);
    e.x5 = e.x4 + ListPart(3, w);
    e.right = w;
    e.c = 5 * w / 114;
    return e;
}

CommunicationListEdges CommunicationListGeometry(int pageWidth)
{
    const int w = pageWidth - 100;
    CommunicationListEdges e;
    e.x1 = e.left + ListPart(1, w);
    e.xJ = e.x1 + ListPart(8, w);
    e.xE = e.x1 + ListPart(10, w);
    e.xA = e.xE + ListPart(1, w) + ListPart(1, w) + ListPart(2, w);
    e.right = w;
    e.c = 5 * w / 114;
    return e;
}

bool IsListParticipant(const ExamGrid& grid, int row, int listType, int examKind)
{
    if (listType == ListWritten)
        return HasMarkOrPending(grid.cell(ColWritten, row));
    if (listType == ListOral || listType == ListOrganisation)
        return HasMarkOrPending(grid.cell(examKind == kExamOral ? ColOral : ColComm, row));
    return false;
}

QString BoundaryGradeText(const ExamGrid& grid, int row, int examKind, const GradeContext& context)
{
    const QString year = grid.cell(ColYear, row);
    if (ParseDecimal(year) <= 0)
        return QStringLiteral("-");
    const QString code = grid.cell(ColCode, row);
    const BoundaryGrades b = examKind == kExamOral
        ? ComputeGrenznotenOral(code, year, grid.cell(ColWritten, row), context)
        : ComputeGrenznotenComm(code, year, grid.cell(ColWritten, row), grid.cell(ColOral, row), context);
    if (b.lower == QStringLiteral("--") || b.lower.isEmpty())
        return QStringLiteral("-");
    return b.current + QStringLiteral(" :  [ ") + b.lower + QStringLiteral("...") + b.upper
        + QStringLiteral(" ]");
}

void PrintSubjectExamList(const ClassPrintData& cls, const std::vector<StudentPrintData>& students,
                          int s, int listType, int examKind, bool withMarks)
{
    // The organisation list is the oral list without marks under the
    // written list's title.
    const bool organisation = listType == ListOrganisation;
    if (organisation) {
        listType = ListOral;
        withMarks = false;
    }
    if (!StartPortraitJob(cls))
        return;
    const ParticipantListEdges e = ParticipantListGeometry(PrintPageWidth());
    const QString subject = SubjectName(cls, s);
    const int row = s - 1;
    const QChar code = cls.classCode().toUpper();
    const bool oralMarks = withMarks && listType == ListOral;
    const bool corrections = !withMarks && listType == ListWritten && HasCorrectionColumns(subject);
    const bool english = subject == QStringLiteral("Englisch");

    QString title;
    if (organisation || listType == ListWritten)
        title = QStringLiteral("Schriftliche Prüfungen im Fach ") + subject;
    else if (examKind == kExamOral)
        title = QStringLiteral("Mündliche Prüfungen im Fach ") + subject;
    // The communication exam is the one in English, wherever English stands
    // in the class level's subject list.
    else if (english)
        title = QStringLiteral("Kommunikationsprüfung im Fach ") + subject;
    else
        title = QStringLiteral("Praktische Prüfungen im Fach ") + subject;
    QString writtenHeading;
    if (examKind == kExamOral)
        writtenHeading = english ? QStringLiteral("Schr./KP.") : QStringLiteral("Schr.");
    else
        writtenHeading = english ? QStringLiteral("Schr./KP") : QStringLiteral("Schr./Pr");

    auto head = [&] {
        const SchoolNameParts school = SplitSchoolName(cls.schoolName);
        SetPrintFontBold(false);
        SetNominalFont(cls, 40);
        PrintTextOut(e.left, 10, school.twoLines ? school.first + QStringLiteral("  ") + school.second
                                                 : school.first);
        PrintTextOut(e.left, 50, ExamSchoolYearText(cls));
        SetPrintFontBold(true);
        SetNominalFont(cls, 50);
        // The title ends where the level text or, on a list with marks, the
        // boundary-grade heading (which reaches up into the title's line) begins.
        const bool level = code == QLatin1Char('X') || code == QLatin1Char('Y');
        PrintFittedText(e.left, 100, title, level || oralMarks ? e.x4 - kColumnGap : e.right);
        // Over the boundary-grade heading the level ends where that begins.
        const int levelBottom = oralMarks ? 125 : 0;
        if (code == QLatin1Char('X'))
            PrintFittedText(e.x4, 100, QStringLiteral("Abschlussprüfung Kl.10"), e.right, levelBottom);
        else if (code == QLatin1Char('Y'))
            PrintFittedText(e.x4, 100, QStringLiteral("Abschlussprüfung Kl. 9"), e.right, levelBottom);
        PrintRule(e.left, 245, e.right, 245);
        PrintRule(e.left, 170, e.right, 170);
        PrintTextOut(e.left + 14, 175, QStringLiteral("Kl."));
        PrintTextOut(e.x1 + 14, 175, QStringLiteral("Schüler"));
        if (withMarks && listType == ListWritten)
            PrintTextOut(e.x2 + 14, 175, QStringLiteral("Ergebnis"));
        if (oralMarks) {
            PrintFittedText(e.x5 + 14, 175, examKind == kExamOral ? QStringLiteral("Mü. P-Note")
                                                                  : QStringLiteral("Pr. P-Note"),
                            e.right - kColumnGap);
            PrintFittedText(e.x2 + 14, 175, QStringLiteral("JL"), e.x3 - kColumnGap);
            PrintFittedText(e.x3 + 14, 175, writtenHeading, e.x4 - kColumnGap);
            PrintFittedText(e.x4 + 14, 125, QStringLiteral("  Grenznoten"), e.x5 - kColumnGap);
            PrintFittedText(e.x4 + 14, 175, QStringLiteral("Endn. Bereich"), e.x5 - kColumnGap);
        }
        if (corrections) {
            SetPrintFontBold(false);
            SetNominalFont(cls, 29);
            PrintTextOut(e.x2 + 20, 175, english ? QStringLiteral("Note   ") : QStringLiteral("Note"));
            PrintTextOut(e.x2 + 20, 210, QStringLiteral("Erstkorrektur"));
            PrintTextOut(e.x2 + 3 * e.c + 20, 175, english ? QStringLiteral("Note ") : QStringLiteral("Note"));
            PrintTextOut(e.x2 + 3 * e.c + 20, 210, QStringLiteral("Zweitkorrektur"));
            PrintTextOut(e.x2 + 6 * e.c + 20, 175, QStringLiteral("Note für die"));
            PrintTextOut(e.x2 + 6 * e.c + 20, 210, QStringLiteral("schriftl. Prüfung"));
            PrintTextOut(e.x2 + 9 * e.c + 10, 210, QStringLiteral("Bemerkungen"));
        }
        SetPrintFontBold(false);
        SetNominalFont(cls, 50);
    };
    auto close = [&](int bottom) {
        VerticalRules({e.left, e.x1, e.x2, e.right}, bottom);
        if (oralMarks)
            VerticalRules({e.x3, e.x4, e.x5}, bottom);
        if (corrections)
            VerticalRules({e.x2 + 3 * e.c, e.x2 + 6 * e.c, e.x2 + 9 * e.c}, bottom);
    };

    RowPager pager(75, head, close);
    for (const StudentPrintData& st : students) {
        const ExamGrid& g = st.sheet.grid;
        if (!IsListParticipant(g, row, listType, examKind))
            continue;
        const int y = pager.next();
        PrintFittedText(e.left + 14, y, st.klasse, e.x1 - kColumnGap);
        PrintFittedText(e.x1 + 14, y, st.surname + QLatin1Char(' ') + st.firstName, e.x2 - kColumnGap);
        if (withMarks && listType == ListWritten)
            PrintFittedText(e.x2 + 14, y, g.cell(ColWritten, row), e.right - kColumnGap);
        if (oralMarks) {
            const QString exam = g.cell(examKind == kExamOral ? ColOral : ColComm, row);
            if (ParseLeadingInt(exam) > 0)
                PrintFittedText(e.x5 + 34, y, exam, e.right - kColumnGap);
            PrintFittedText(e.x2 + 14, y, g.cell(ColYear, row), e.x3 - kColumnGap);
            const QString comm = g.cell(ColComm, row);
            PrintFittedText(e.x3 + 14, y,
                            ParseLeadingInt(comm) == 0 ? g.cell(ColWritten, row)
                                                       : g.cell(ColWritten, row) + QStringLiteral("    ") + comm,
                            e.x4 - kColumnGap);
            PrintFittedText(e.x4 + 14, y, BoundaryGradeText(g, row, examKind, cls.context), e.x5 - kColumnGap);
        }
        pager.ruleRow(e.left, e.right);
    }
    const int y = pager.finish();
    if (corrections)
        Foot(cls, e.left, e.x2, e.x2 + 3 * e.c, e.right, y);
    EndPrint();
}

void PrintCommunicationExamList(const ClassPrintData& cls,
                                const std::vector<StudentPrintData>& students,
                                const QString& firstKlasse, int s, bool withMarks)
{
    if (!StartPortraitJob(cls))
        return;
    const CommunicationListEdges e = CommunicationListGeometry(PrintPageWidth());
    const int row = s - 1;
    const QChar code = cls.classCode().toUpper();

    auto head = [&] {
        const SchoolNameParts school = SplitSchoolName(cls.schoolName);
        SetPrintFontBold(true);
        SetNominalFont(cls, 40);
        PrintTextOut(e.left, 10,
                     school.twoLines
                         ? school.first + QLatin1Char(' ') + school.second
                               + QStringLiteral(",  Abschlussprüfung Schuljahr ") + cls.schoolYearShort()
                         : school.first + QStringLiteral(",   Abschlussprüfung Schuljahr ")
                               + cls.schoolYearShort());
        SetNominalFont(cls, 50);
        PrintRule(e.left, 245, e.right, 245);
        PrintRule(e.left, 170, e.right, 170);
        PrintFittedText(e.x1 + 14, 175, QStringLiteral("Name, Vorname"), e.xJ - kColumnGap);
        PrintFittedText(e.xE + 50, 175, QStringLiteral("Ergebnis Kommunikationsprüfung"), e.right - kColumnGap);
        PrintFittedText(e.xJ + 40, 175, QStringLiteral("JL"), e.xE - kColumnGap);
        const bool level = code == QLatin1Char('X') || code == QLatin1Char('Y');
        PrintFittedText(e.left, 80,
                        QStringLiteral("Kommunikationsprüfung im Fach ") + SubjectName(cls, s)
                            + QStringLiteral(" der Klasse ") + firstKlasse,
                        level ? e.xA - kColumnGap : e.right);
        if (code == QLatin1Char('X'))
            PrintFittedText(e.xA, 80, QStringLiteral("Abschlussprüfung  "), e.right);
        else if (code == QLatin1Char('Y'))
            PrintFittedText(e.xA, 80, QStringLiteral("Abschlussprüfung "), e.right);
        PrintFittedText(e.left + 14, 175, firstKlasse, e.x1 - kColumnGap);
        SetPrintFontBold(false);
        SetNominalFont(cls, 50);
    };
    auto close = [&](int bottom) { VerticalRules({e.left, e.x1, e.xE, e.xJ, e.right}, bottom); };

    RowPager pager(70, head, close);
    for (const StudentPrintData& st : students) {
        const ExamGrid& g = st.sheet.grid;
        const int y = pager.next();
        PrintFittedText(e.left + 14, y, st.nr, e.x1 - kColumnGap);
        PrintFittedText(e.x1 + 14, y, st.surname + QStringLiteral(", ") + st.firstName, e.xJ - kColumnGap);
        PrintFittedText(e.xJ + 40, y, g.cell(ColYear, row), e.xE - kColumnGap);
        if (withMarks)
            PrintFittedText(e.xE + 50, y, g.cell(ColComm, row), e.right - kColumnGap);
        pager.ruleRow(e.left, e.right);
    }
    const int y = pager.finish();
    if (!withMarks)
        Foot(cls, e.left, e.xE, e.xE + 3 * e.c, e.right, y);
    EndPrint();
}

} // namespace hsa
