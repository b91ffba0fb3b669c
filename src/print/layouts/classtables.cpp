#include "print/layouts/classtables.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"
#include "print/layouts/pageparts.h"
#include "print/pagemodel.h"

#include <algorithm>

namespace hsa {

namespace {

// The gap a fitted cell text keeps to the rule of the next column.
constexpr int kCellGap = 4;

bool named(const GridPrintTable& t, int row)
{
    return !TrimRight(t.at(0, row)).isEmpty();
}

} // namespace

int GridTableLayout::x(int column) const
{
    if (column < fixedColumns)
        return fixedWidth * column + 3 + 120;
    return fixedColumns * fixedWidth + 120 + (column - fixedColumns) * columnWidth;
}

int GridTableLayout::y(int row) const
{
    return rowHeight * row + 13 + 50;
}

GridTableLayout ComputeGridTableLayout(int pw, int ph, const GridPrintGeometry& g)
{
    GridTableLayout l;
    l.width = static_cast<int>(TruncProduct(pw, 0.9));
    l.height = static_cast<int>(TruncProduct(ph, 0.9));
    l.fixedColumns = g.fixedColumns;
    const int d = g.defaultWidth > 0 ? g.defaultWidth : 1;
    const double units = static_cast<double>(g.column0Width) * g.fixedColumns / d + (kGridColCount - g.fixedColumns);
    l.columnWidth = static_cast<int>(l.width / units);
    l.fixedWidth = static_cast<int>(static_cast<long long>(g.column0Width) * l.columnWidth / d);
    l.rowHeight = l.height / 35;
    return l;
}

QString GridTableTitle(const QString& title, int kind, const QDate& today)
{
    if (title != QStringLiteral("Tabelle"))
        return title;
    QString name = title;
    switch (kind) {
    case kKindWritten: name = QStringLiteral("Schriftliche Prüfung"); break;
    case kKindComm: name = QStringLiteral("Komminikationsprüfung / Praktische Prüfung"); break;
    case kKindOral: name = QStringLiteral("Mündliche Prüfung"); break;
    case kKindExam: name = QStringLiteral("Durchsschnitte der Prüfungsleistungen"); break;
    case kKindYear: name = QStringLiteral("Jahresleistung"); break;
    case kKindFinal: name = QStringLiteral("Endnoten"); break;
    default: break;
    }
    return name + QStringLiteral("  (Stand: ") + PrintDateText(today) + QLatin1Char(')');
}

bool PrintGridTable(const ClassPrintData& cls, GridPrintTable t, bool landscape, bool withContents,
                    const QString& titleIn, int kind, const GridPrintGeometry& geometry)
{
    const QString title = GridTableTitle(titleIn, kind, cls.today);
    if (!BeginPageJob(cls, landscape))
        return false;
    const GridTableLayout l = ComputeGridTableLayout(PrintPageWidth(), PrintPageHeight(), geometry);
    const int n = kGridColCount;
    const bool signature = title.contains(QStringLiteral("verbindlich"));
    const bool profiles = cls.gemeinschaftsschule();
    // A cell's text ends before the rule of the next column; the texts beside
    // the table end at the printable area's edge.
    const auto cellRight = [&](int c) { return l.x(c + 1) - 4 - kCellGap; };
    const int pageRight = PrintPageWidth();

    if (withContents) {
        // Subjects that count get a weight of 1 when none is set.
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c) {
            const QString& name = cls.subjects.subjectNames[c];
            QString& weight = t.at(c, kGridWeightRow);
            if (!name.isEmpty() && !EndsWithSlash(name) && !name.startsWith(QLatin1Char(' '))
                && (weight.isEmpty() || weight.startsWith(QLatin1Char(' '))))
                weight = QStringLiteral("1");
        }
    }

    bool secondPage = false;
    for (int r = 35; r <= kGridLastStudentRow; ++r)
        secondPage = secondPage || named(t, r);
    const int pages = secondPage ? 2 : 1;

    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            PrintNewPage();
        SetNominalFont(cls, 40);
        SetPrintFontBold(true);
        // A long title (the final-grade overview explains its averages in
        // it) ends at the table's right edge.
        PrintFittedText(l.x(0), l.rowHeight / 3 + l.y(-1) - 10, title, std::min(l.x(n) - 4, l.width + 100));
        SetPrintFontBold(false);
        for (int r = 0; r <= 35; ++r)
            PrintRule(116, l.y(r) - 4, l.width + 100, l.y(r) - 4);
        for (int c = 0; c <= n; ++c)
            if (!signature || c <= n - 4 || c == n)
                PrintRule(l.x(c) - 4, 60, l.x(c) - 4, l.height + 50);
        if (signature)
            PrintRule(l.x(n - 4) - 5, 60, l.x(n - 4) - 5, l.height + 50);
        // Rows of this page: 1 to 34, or 35 to 38 in the places of 1 to 4.
        const int first = page == 0 ? 1 : 35;
        const int last = page == 0 ? 34 : kGridLastStudentRow;
        for (int r = first; r <= last; ++r)
            PrintTextOut(l.x(0) - 50, l.y(r - first + 1) + 2, QString::number(r));
        PrintRule(116, l.y(1) - 5, l.width + 100, l.y(1) - 5);
        PrintRule(l.x(2) - 5, 60, l.x(2) - 5, l.height + 50);

        if (withContents) {
            const auto rowOut = [&](int row, int place) {
                for (int c = 0; c <= kGridAverageColumn; ++c) {
                    QString text = t.at(c, row);
                    if (row == 0 && c >= 2)
                        text = text.left(4);
                    PrintFittedText(l.x(c) + 2, l.y(place) + 2, text, cellRight(c));
                }
                if (profiles && row >= 1)
                    PrintFittedText(l.x(22) + 42, l.y(place) + 2, t.rowTexts[row], pageRight);
            };
            rowOut(0, 0);
            for (int r = first; r <= last; ++r)
                rowOut(r, r - first + 1);
            if (page == pages - 1) {
                PrintTextOut(l.x(0) + 8, l.y(36) - 20, QStringLiteral("DURCHSCHNITT "));
                for (int c = 0; c <= kGridLastSubjectColumn; ++c) {
                    const QString& weight = t.at(c, kGridWeightRow);
                    if (weight.isEmpty() || weight.startsWith(QLatin1Char(' ')))
                        continue;
                    QStringList column;
                    for (int r = 0; r < kGridRows; ++r)
                        column << t.at(c, r);
                    PrintFittedText(l.x(c) + 8, l.y(36) - 20,
                                    ComputeColumnAverage(column, 1, kGridLastStudentRow), cellRight(c));
                }
            }
        } else {
            for (int c = 2; c <= kGridAverageColumn; ++c) {
                QString heading = t.at(c, 0).left(4);
                // The signature field spans the last four columns.
                int right = cellRight(c);
                if (c == 19 && title.contains(QStringLiteral("verbind"))) {
                    heading = QStringLiteral("Unterschrift");
                    right = cellRight(n - 1);
                }
                PrintFittedText(l.x(c) + 2, l.y(0) + 2, heading, right);
            }
            PrintFittedText(l.x(0) + 2, l.y(0) + 2, t.at(0, 0), cellRight(0));
            for (int r = first; r <= last; ++r) {
                const int place = r - first + 1;
                PrintFittedText(l.x(0) + 2, l.y(place) + 2, t.at(0, r), cellRight(0));
                PrintFittedText(l.x(1) + 2, l.y(place) + 2, t.at(1, r), cellRight(1));
                if (profiles)
                    PrintFittedText(l.x(21) + 102, l.y(place) + 2, t.rowTexts[r], pageRight);
            }
        }
    }
    EndPrint();
    return true;
}

QString GradeListSchoolYear(const QString& classFile)
{
    const QString century = classFile.mid(3, 1) == QStringLiteral("9") ? QStringLiteral("19") : QStringLiteral("20");
    return century + classFile.mid(3, 2) + QLatin1Char('/') + classFile.mid(5, 2);
}

bool PrintGradeList(const ClassPrintData& cls, const QList<StudentPrintData>& students, int running,
                    const QString& firstKlasse)
{
    if (!BeginPageJob(cls, true))
        return false;
    const int w = static_cast<int>(TruncProduct(PrintPageWidth(), 0.95));
    const int h = static_cast<int>(TruncProduct(PrintPageHeight(), 0.9));
    const int cw = w / 28;
    const int rh = h / 37;
    const auto x = [&](int i) { return cw * i + 3 + 50; };
    const auto y = [&](int r) { return rh * r + 13 + 100; };
    const auto b = [](int k) { return (k - 1) * 5 + 2; };
    const int label = x(5) + cw / 2;
    // Where the texts of a field end: before its right rule, the name block
    // before the label column's double rule, the remarks before the frame.
    const auto before = [](int rule) { return rule - kCellGap; };
    const int nameRight = before(label - 6);
    const int frameRight = before(x(28) - 6);

    // Head and foot.
    SetPrintFontBold(true);
    SetNominalFont(cls, 50);
    PrintFittedText(x(0), y(-2) - rh / 3,
                    QStringLiteral("Notenliste für die Abschlussprüfung ") + GradeListSchoolYear(cls.classFile),
                    before(x(15)));
    PrintFittedText(x(0), y(-1) - rh / 3, QStringLiteral("Klasse ") + firstKlasse, before(x(15)));
    const SchoolNameParts school = SplitSchoolName(cls.schoolName);
    PrintFittedText(x(15), y(-2) - rh / 3, school.first, frameRight);
    if (school.twoLines)
        PrintFittedText(x(15), y(-1) - rh / 3, school.second, frameRight);
    SetNominalFont(cls, 25);
    PrintTextOut(x(0), y(37) + 10, QStringLiteral("Abkürzungen:"));
    PrintFittedText(x(6) - cw / 2, y(37) + 10,
                 QStringLiteral("S = Ergebnis der schriftlichen Prüfung       M = Ergebnis der mündlichen bzw. "
                                "der fachpraktischen Prüfung      P =  Prüfungsergebnis    J = Jahresleistung    "
                                "E = Ergebnis in den einzelnen Fächern"),
                    frameRight);
    SetPrintFontBold(false);
    SetNominalFont(cls, 40);

    // Rules.
    for (int r = 2; r <= 37; ++r)
        PrintRule(x(6) - 4 - cw / 2, y(r) - 4, x(25) - 10, y(r) - 4);
    for (int dy : {4, 6})
        PrintRule(x(0) - 4, y(0) - dy, x(28) - 10, y(0) - dy);
    for (int r = 2; r <= 37; r += 5)
        for (int dy : {6, 4})
            PrintRule(x(0) - 4, y(r) - dy, x(28) - 10, y(r) - dy);
    const auto vertical = [&](int at) { PrintRule(at, y(0) - 4, at, y(37) - 4); };
    for (int c = 6; c <= 25; ++c)
        vertical(x(c) - 4);
    vertical(x(0) - 4);
    vertical(x(0) - 6);
    vertical(x(1) - 4);
    vertical(label - 4);
    vertical(label - 6);
    vertical(x(25) - 6);
    vertical(x(25) - 4);
    vertical(x(28) - 6);
    vertical(x(28) - 4);

    // Heading.
    PrintTextOut(x(0), y(0), QStringLiteral("Lfd."));
    PrintTextOut(x(0), y(1), QStringLiteral("Nr."));
    PrintTextOut(x(1), y(1) - rh / 2, QStringLiteral("   Schüler"));
    PrintTextOut(x(25), y(0) + rh / 2 + 4, QStringLiteral(" Bemerkungen"));
    for (int c = 6; c <= 24; ++c)
        PrintFittedText(x(c) + 3, y(0) + rh / 2, cls.context.shortCode(c - 5), before(x(c + 1) - 4));
    const QString letters[] = {QStringLiteral("S"), QStringLiteral("M"), QStringLiteral("P"),
                               QStringLiteral("J"), QStringLiteral("E")};
    for (int k = 1; k <= 7; ++k)
        for (int i = 0; i < 5; ++i)
            PrintTextOut(label, y(b(k) + i), letters[i]);

    // Students.
    const auto shown = [](const QString& cell) {
        return cell.contains(QLatin1Char('?')) || cell.contains(QLatin1Char('P')) ? QString() : cell;
    };
    for (int k = 1; k <= 7 && k <= students.size(); ++k) {
        const StudentPrintData& st = students.at(k - 1);
        const ExamGrid& g = st.sheet.grid;
        const int top = b(k);
        SetNominalFont(cls, 50);
        PrintFittedText(x(0), y(top + 1), QString::number(running - 1 + k), before(x(1) - 4));
        PrintFittedText(x(1), y(top + 1), QStringLiteral("  ") + st.surname + QLatin1Char(','), nameRight);
        PrintFittedText(x(1), y(top + 2), QStringLiteral("  ") + st.firstName, nameRight);
        SetNominalFont(cls, 28);
        PrintFittedText(x(1), y(top + 3) + rh / 5, QStringLiteral("    geb. am ") + st.birthDate + QLatin1Char(','),
                        nameRight);
        PrintFittedText(x(1), y(top + 4) - rh / 5, QStringLiteral("    in ") + st.birthPlace, nameRight);
        SetNominalFont(cls, 40);
        for (int c = 6; c <= 24; ++c) {
            const int row = c - 5;
            const int cx = x(c) + 3;
            const int right = before(x(c + 1) - 4);
            PrintFittedText(cx, y(top), shown(g.cell(ColWritten, row)), right);
            const QString comm = g.cell(ColComm, row);
            const QString oral = g.cell(ColOral, row);
            if (ParseLeadingInt(comm) > 0 && ParseLeadingInt(oral) > 0) {
                SetNominalFont(cls, 30);
                PrintFittedText(cx, y(top + 1) - 5, shown(comm) + QStringLiteral(" / ") + shown(oral), right);
                PrintFittedText(cx, y(top + 1) + 20, QStringLiteral("dez / m"), right);
                SetNominalFont(cls, 40);
            } else {
                PrintFittedText(cx, y(top + 1), shown(ParseLeadingInt(comm) > 0 ? comm : oral), right);
            }
            PrintFittedText(cx, y(top + 2), shown(g.cell(ColExamResult, row)), right);
            PrintFittedText(cx, y(top + 3), shown(g.cell(ColYear, row)), right);
            PrintFittedText(cx, y(top + 4), shown(g.cell(ColAverage, row)), right);
        }
        const int result = st.sheet.resultIndex;
        static const char* const results[] = {"HSA bestanden", "WRSA bestanden", "RSA bestanden",
                                              "nicht bestanden", nullptr, "nicht teilgenommen"};
        if (result == 4) {
            PrintFittedText(x(25) + 2, y(top + 1), QStringLiteral("mit Genehmigung"), frameRight);
            PrintFittedText(x(25) + 2, y(top + 2), QStringLiteral("zurückgetreten"), frameRight);
        } else if (result >= 0 && result <= 5) {
            PrintFittedText(x(25) + 4, y(top + 1), QString::fromUtf8(results[result]), frameRight);
        }
        const QString average = ComputeGesamtschnitt(g, 1, 19, cls.context);
        if (!average.contains(QLatin1Char('?'))) {
            if (result < 3)
                PrintFittedText(x(25) + 4, y(top + 2), average, frameRight);
            else if (result == 3)
                PrintFittedText(x(25) + 4, y(top + 2), QLatin1Char('(') + average + QLatin1Char(')'), frameRight);
        }
        const int profile = st.sheet.profileIndex;
        if (cls.gemeinschaftsschule() && profile >= 0 && profile < static_cast<int>(cls.subjects.profileCodes.size())
            && result < 4 && ParseLeadingInt(g.cell(ColFinal, 18)) > 0)
            PrintFittedText(x(25) + 3, y(top), QStringLiteral("Prof = ") + cls.subjects.profileCodes[profile],
                            frameRight);
    }
    EndPrint();
    return true;
}

} // namespace hsa
