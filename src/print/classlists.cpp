#include "print/classlists.h"

#include "classes/arithmetic.h"
#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "grades/examsheet.h"
#include "grades/gradeslots.h"
#include "platform/prompt.h"
#include "print/documentname.h"
#include "print/drivers.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

const QString kProgress = QStringLiteral("Drucke Notentabelle. (Bitte warten ...)");
const QString kThreeBlanks = QStringLiteral("   ");

QString value(const DbfTable& table, int row, const QString& field)
{
    return row >= 1 && row <= table.recordCount() ? table.valueOrEmpty(row - 1, field) : QString();
}

int lastRow(const DbfTable& table, int upTo)
{
    return std::min(upTo, table.recordCount());
}

// Row 0: the date (or another text) over the first names, the short codes,
// the average heading.
void heading(GridPrintTable& t, const ClassPrintData& cls, const QString& dateCell, const QString& averageHeading)
{
    t.at(0, 0) = PrintedClassTitle(cls.classFile);
    t.at(1, 0) = dateCell;
    for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
        t.at(c, 0) = cls.context.shortCode(c - 1);
    t.at(kGridAverageColumn, 0) = averageHeading;
}

void names(GridPrintTable& t, const ClassPrintData& cls, const DbfTable& table, int row)
{
    t.at(0, row) = value(table, row, kFieldLast);
    t.at(1, row) = value(table, row, kFieldFirst);
    if (cls.gemeinschaftsschule() && !TrimRight(t.at(0, row)).isEmpty())
        t.rowTexts[row] = ProfileRowText(value(table, row, kFieldProfile), cls.subjects.profileCodes);
}

ExamSheet sheetOfRow(const ClassPrintData& cls, const DbfTable& table, int row)
{
    const QString nr = QString::number(row);
    ExamSheet sheet = LoadStudentGradeFile(GradeFilePathFor(cls.classDir, nr), cls.context,
                                           value(table, row, kFieldProfile));
    if (!TrimRight(value(table, row, kFieldLast)).isEmpty())
        NoteFlawedGradeFile(nr, value(table, row, kFieldLast), value(table, row, kFieldFirst), sheet);
    return sheet;
}

QStringList rowCells(const GridPrintTable& t, int row)
{
    QStringList cells;
    for (int c = 0; c < kGridColCount; ++c)
        cells << t.at(c, row);
    return cells;
}

void sortByAverage(GridPrintTable& t)
{
    SortGridCellsByAverage(t.cells, [&](int a, int b) { std::swap(t.rowTexts[a], t.rowTexts[b]); });
}

void askSort(GridPrintTable& t)
{
    if (askYesNo(QStringLiteral("Nach Durchschnitt sortieren?")))
        sortByAverage(t);
}

bool askLandscape()
{
    return askYesNo(QStringLiteral("Liste im Querformat?"));
}

// The common frame of the class tables: a class is open, no grade table is
// being edited, the class table is there.
bool mayFill()
{
    if (state().openClassFile.isEmpty()) {
        NotifyMainWindow();
        return false;
    }
    return !classGrid().visible() && ClassTable().isOpen();
}

} // namespace

QString PrintedClassTitle(const QString& classFile)
{
    const QChar code = classFile.isEmpty() ? QChar() : classFile.at(0).toUpper();
    const QString letter = classFile.mid(1, 1);
    if (code == QLatin1Char('X'))
        return QStringLiteral("Kl. 10") + letter + QStringLiteral("  ");
    if (code == QLatin1Char('Y'))
        return QStringLiteral("Kl. 10") + letter + QStringLiteral("  HSA");
    return QStringLiteral("Klasse ") + classFile.left(2);
}

GridPrintTable FillFinalGradeOverview(const ClassPrintData& cls, const DbfTable& table)
{
    GridPrintTable t;
    heading(t, cls, value(table, 1, kFieldDate), QStringLiteral("Sch"));
    for (int r = 1; r <= lastRow(table, kGridWeightRow); ++r) {
        names(t, cls, table, r);
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
            t.at(c, r) = value(table, r, GradeSlotFieldName(c));
    }
    for (int r = 1; r <= lastRow(table, kGridLastStudentRow); ++r)
        t.at(kGridAverageColumn, r) = ComputeGesamtschnitt(sheetOfRow(cls, table, r).grid, kFirstSubjectRow,
                                                           kLastSubjectRow, cls.context);
    return t;
}

GridPrintTable FillEmptyClassList(const ClassPrintData& cls, const DbfTable& table)
{
    GridPrintTable t;
    heading(t, cls, PrintDateText(cls.today), QString());
    // The profile texts beside the rows are this class's own, never those a
    // table printed before left behind.
    for (int r = 1; r <= lastRow(table, kGridLastStudentRow); ++r)
        names(t, cls, table, r);
    return t;
}

GridPrintTable FillYearMarkTable(const ClassPrintData& cls, const DbfTable& table)
{
    GridPrintTable t;
    heading(t, cls, PrintDateText(cls.today), QStringLiteral("Sch"));
    // This table names only the classes of level 10 in its corner.
    const QChar code = cls.classCode();
    if (code != QLatin1Char('X') && code != QLatin1Char('Y'))
        t.at(0, 0).clear();
    for (int r = 1; r <= lastRow(table, kGridLastStudentRow); ++r) {
        names(t, cls, table, r);
        const ExamSheet sheet = sheetOfRow(cls, table, r);
        for (int c = kFirstSubjectRow; c <= kLastSubjectRow; ++c)
            t.at(c + 1, r) = sheet.grid.at(ColYear, c);
        t.at(kGridAverageColumn, r) = ComputeRowAverage(rowCells(t, r), kGridFirstSubjectColumn,
                                                        kGridLastSubjectColumn, cls.context);
    }
    return t;
}

GridPrintTable FillExamEntryTable(const ClassPrintData& cls, const DbfTable& table, int column, bool withMarks)
{
    GridPrintTable t;
    heading(t, cls, PrintDateText(cls.today), QStringLiteral("Sch"));
    for (int r = 1; r <= lastRow(table, kGridLastStudentRow); ++r) {
        names(t, cls, table, r);
        if (!withMarks)
            continue;
        const ExamSheet sheet = sheetOfRow(cls, table, r);
        for (int c = kFirstSubjectRow; c <= kLastSubjectRow; ++c) {
            const QString& mark = sheet.grid.at(column, c);
            if (mark.contains(QLatin1Char('P')))
                t.at(c + 1, r) = QStringLiteral("X");
            else if (ParseLeadingInt(mark) > 0)
                t.at(c + 1, r) = mark;
        }
    }
    return t;
}

GridPrintTable CopyOfClassGrid()
{
    GridPrintTable t;
    const ClassGrid& g = classGrid();
    for (int r = 0; r < kGridRows; ++r) {
        for (int c = 0; c < kGridCells; ++c)
            t.at(c, r) = g.cell(c, r);
        t.rowTexts[r] = g.rowText(r);
    }
    return t;
}

QList<int> ResultListRecords(const DbfTable& table)
{
    QList<int> records;
    for (int r = 1; r <= lastRow(table, kGridLastStudentRow); ++r)
        if (!TrimRight(value(table, r, kFieldLast)).isEmpty())
            records << r;
    return records;
}

void PrintFinalGradeOverview(const GridPrintGeometry& geometry)
{
    if (!mayFill())
        return;
    const FlawedGradeFileScope flawed;
    const ClassPrintData cls = LoadClassPrintData();
    const PrintLoopScope scope;
    scope.progress(kProgress);
    GridPrintTable t = FillFinalGradeOverview(cls, ClassTable());
    askSort(t);
    // Marks of 0 and empty marks print blank.
    for (int r = 1; r <= kGridSwapRow; ++r)
        for (int c = kGridFirstSubjectColumn; c <= kGridAverageColumn; ++c)
            if (ParseLeadingInt(t.at(c, r)) == 0)
                t.at(c, r) = kThreeBlanks;
    const QString title = cls.gemeinschaftsschule()
        ? QStringLiteral("Endnoten (Schnittberechnung: Das Profilfach zählt nicht. Ggf. selbst eingegebene "
                         "individuelle Fachgewichte beim Einzelschüler werden beachtet.")
        : QStringLiteral("Endnoten (Schnittberechnung: Das Wahlfach Informatik (falls belegt)zählt nur auf "
                         "Schülerwunsch mit.(Individuelles Fachgewicht 0 oder 1 beim Einzelschüler eingeben!");
    PrintBatch batch;
    PrintGridTable(cls, t, true, true, title, state().gradeTableKind, geometry);
}

void PrintEmptyGradeTable(const GridPrintGeometry& geometry)
{
    if (!mayFill())
        return;
    const ClassPrintData cls = LoadClassPrintData();
    const PrintLoopScope scope;
    scope.progress(kProgress);
    const GridPrintTable t = FillEmptyClassList(cls, ClassTable());
    const bool landscape = askLandscape();
    PrintBatch batch;
    PrintGridTable(cls, t, landscape, false, QString(), state().gradeTableKind, geometry);
}

void PrintJahresleistungTable(bool withMarks, const GridPrintGeometry& geometry)
{
    if (!mayFill())
        return;
    const FlawedGradeFileScope flawed;
    const ClassPrintData cls = LoadClassPrintData();
    const PrintLoopScope scope;
    scope.progress(kProgress);
    GridPrintTable t = FillYearMarkTable(cls, ClassTable());
    if (withMarks)
        askSort(t);
    const bool landscape = askLandscape();
    PrintBatch batch;
    PrintGridTable(cls, t, landscape, withMarks, QStringLiteral("Jahresleistung ") + cls.classFile.left(2),
                   state().gradeTableKind, geometry);
}

void PrintExamEntryTable(bool oral, const GridPrintGeometry& geometry)
{
    if (!mayFill())
        return;
    const FlawedGradeFileScope flawed;
    const ClassPrintData cls = LoadClassPrintData();
    const PrintLoopScope scope;
    scope.progress(kProgress);
    const bool withMarks = askYesNo(QStringLiteral("Prüfungen (Kreuzchen/Note) eintragen? "));
    const GridPrintTable t = FillExamEntryTable(cls, ClassTable(), oral ? ColOral : ColComm, withMarks);
    const bool landscape = askLandscape();
    const QString title = !withMarks
        ? QStringLiteral("Mündliche Prüfungsfächer    (Leere Tabelle zum Ankreuzen)   ")
        : (oral ? QStringLiteral("Mündliche Prüfungen") : QStringLiteral("Praktische Prüfungen"));
    PrintBatch batch;
    PrintGridTable(cls, t, landscape, withMarks, title, state().gradeTableKind, geometry);
}

QString GradeTableDocumentName(int kind, const QString& columnFilter)
{
    switch (kind) {
    case kKindYear: return QStringLiteral("Notentabelle Jahresleistung");
    case kKindWritten: return QStringLiteral("Notentabelle schriftliche Prüfung");
    case kKindOral: return QStringLiteral("Notentabelle mündliche Prüfung");
    case kKindComm:
        return columnFilter == ColumnFilterFor(GradeTable::KP, {}, false)
            ? QStringLiteral("Notentabelle Kommunikationsprüfung")
            : QStringLiteral("Notentabelle praktische Prüfung");
    case kKindExam: return QStringLiteral("Notentabelle Prüfungsleistungen");
    case kKindFinal: return QStringLiteral("Notentabelle Endnoten");
    default: return QStringLiteral("Notentabelle");
    }
}

void PrintOpenGradeTable(const GridPrintGeometry& geometry)
{
    if (!classGrid().visible()) {
        showInformation(QStringLiteral("Bitte erst Notentabelle öffnen"));
        return;
    }
    const ClassPrintData cls = LoadClassPrintData();
    // Printed from the table itself, the PDF file is named after the table.
    const QString outer = CurrentPrintDocumentName();
    const PrintDocumentName named(outer.isEmpty() ? GradeTableDocumentName(classGrid().kind(), classGrid().columnFilter()) : outer);
    PrintBatch batch;
    PrintGridTable(cls, CopyOfClassGrid(), true, true, QStringLiteral("Tabelle"), classGrid().kind(), geometry);
}

void PrintExamPerformanceTable(const GridPrintGeometry& geometry)
{
    if (!classGrid().OpenTable(GradeTable::PL))
        return;
    PrintOpenGradeTable(geometry);
    classGrid().CloseTable();
}

void PrintResultListForAuthority()
{
    if (state().openClassFile.isEmpty() || !ClassTable().isOpen())
        return;
    if (PrintJobRunning()) {
        showInformation(
            QStringLiteral("Alter Druckvorgang läuft noch. Neuen Druckbefehl bitte später wiederholen "));
        return;
    }
    int running = 0;
    for (;;) {
        const auto answer = prompts().input(QStringLiteral("Ergebnisliste"),
                                            QStringLiteral("Laufende Nummer des 1.Schülers"), QStringLiteral("1"));
        if (!answer)
            return;
        running = ParseLeadingInt(*answer);
        if (running >= 1 && running <= 998)
            break;
    }
    const FlawedGradeFileScope flawed;
    const ClassPrintData cls = LoadClassPrintData();
    const DbfTable& table = ClassTable();
    const QList<int> records = ResultListRecords(table);
    const QString firstKlasse = table.recordCount() > 0 ? table.valueOrEmpty(0, kFieldClass) : QString();
    {
        const PrintLoopScope scope(false);
        PrintBatch batch;
        for (int first = 0; first < records.size() && !PrintAbortRequested(); first += 7) {
            QList<StudentPrintData> students;
            for (int i = first; i < first + 7 && i < records.size(); ++i)
                students << LoadStudentPrintData(cls, table, records.at(i));
            if (!PrintGradeList(cls, students, running, firstKlasse))
                break;
            running += 7;
            scope.pause();
        }
    }
}

QString WrittenExamTableHint()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("Öffen Sie die Tabelle im Menüpunkt") + br
        + QStringLiteral(" \"Notentabelle/Schriftliche Noten (Eingabe/Ausdruck).") + br
        + QStringLiteral("Ausdruck dann mit \"Notentabelle/Tabelle drucken");
}

} // namespace hsa
