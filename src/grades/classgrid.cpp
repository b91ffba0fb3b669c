#include "grades/classgrid.h"
#include "classes/classfields.h"
#include "classes/quicksort.h"

#include "classes/arithmetic.h"
#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "grades/cellrules.h"
#include "grades/examsheet.h"
#include "grades/flawedgradefiles.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>

#include <algorithm>
#include <utility>

namespace hsa {

namespace {

const QString kThreeBlanks = QStringLiteral("   ");
const QString kBr = QStringLiteral("\n\r");


// The class folder of the open class, "/" at the end.
QString classFolder()
{
    return FindClassDirCI(ProgramFolder(), state().openClassFile) + QLatin1Char('/');
}

bool gemeinschaftsschule()
{
    return state().schoolTypeText.contains(QStringLiteral("emein"));
}

// The class table's record as the grade copy sees it.
class TableRecord : public GradeRecord {
public:
    TableRecord(DbfTable& table, int record) : table_(table), record_(record) {}
    QString fieldText(const QString& fieldName) const override
    {
        return table_.valueOrEmpty(record_, fieldName);
    }
    void setFieldText(const QString& fieldName, const QString& text) override
    {
        if (table_.fieldIndex(fieldName) >= 0)
            table_.setValue(record_, fieldName, text);
    }

private:
    DbfTable& table_;
    int record_;
};

QString recordValue(const DbfTable& table, int record, const QString& field)
{
    return record < table.recordCount() ? table.valueOrEmpty(record, field) : QString();
}

// Sets the shared current-student variables as the loaders of a row do.
QString studentPaths(const DbfTable& table, int row)
{
    SharedState& s = state();
    s.classDir = classFolder();
    s.currentStudentNr = recordValue(table, row - 1, kFieldNr).trimmed();
    // The file of row n is "v." + n, whatever the record's NR says.
    s.gradeFilePath = GradeFilePathFor(s.classDir, QString::number(row));
    return s.gradeFilePath;
}

} // namespace

// ---------------------------------------------------------------------------
// Pure rules

int GradeTableKindOf(GradeTable table)
{
    switch (table) {
    case GradeTable::SP: return kKindWritten;
    case GradeTable::KP:
    case GradeTable::PP: return kKindComm;
    case GradeTable::MP: return kKindOral;
    case GradeTable::PL: return kKindExam;
    case GradeTable::JL: return kKindYear;
    case GradeTable::EZ: return kKindFinal;
    }
    return kKindYear;
}

bool IsEntryTable(GradeTable table)
{
    return table != GradeTable::PL && table != GradeTable::EZ;
}

QString ColumnFilterFor(GradeTable table, const QString& classFileName, bool eveningSchoolMode)
{
    const bool x = classFileName.startsWith(QLatin1Char('x'), Qt::CaseInsensitive);
    switch (table) {
    case GradeTable::SP:
    case GradeTable::PL:
        return x ? QStringLiteral("*D*E*M*Te*AES*F*") : QStringLiteral("*D*E*M*");
    case GradeTable::MP:
        return eveningSchoolMode ? QStringLiteral("*D*M*G*Geo*Gk*Ph*Ch*Bio*") : QStringLiteral("*D*M*");
    case GradeTable::KP: return QStringLiteral("*E*");
    case GradeTable::PP: return QStringLiteral("*Te*AES*F*");
    case GradeTable::JL:
    case GradeTable::EZ: return QString();
    }
    return QString();
}

QString GridClassTitle(const QString& classFileName, int kind)
{
    const QString letter = classFileName.mid(1, 1);
    if (classFileName.startsWith(QLatin1Char('x'), Qt::CaseInsensitive))
        return QStringLiteral("Kl. 10") + letter + (kind == kKindFinal ? QStringLiteral(" ") : QStringLiteral("  "));
    if (classFileName.startsWith(QLatin1Char('y'), Qt::CaseInsensitive))
        return QStringLiteral("Kl. 10") + letter + QStringLiteral("  HSA");
    return QStringLiteral("Klasse ") + classFileName.left(2);
}

QString GridTableHeading(int kind)
{
    switch (kind) {
    case kKindWritten: return QStringLiteral("Schriftlich");
    case kKindComm: return QStringLiteral("KP / Prakt.");
    case kKindOral: return QStringLiteral("Mündlich");
    case kKindYear: return QStringLiteral("Jahresleist.");
    default: return QString();
    }
}

bool FilterContainsHeading(const QString& filter, const QString& heading)
{
    return filter.contains(QLatin1Char('*') + TrimRight(heading) + QLatin1Char('*'));
}

bool EndsWithSlash(const QString& text)
{
    const QString t = TrimRight(text);
    return !t.isEmpty() && t.endsWith(QLatin1Char('/'));
}

QString NormaliseGridEntryCell(const QString& text)
{
    // A mark typed behind a pending "P" is that mark, not a "P".
    QString cell = DropLeftoverPending(text);
    if (cell.startsWith(QLatin1Char('p')))
        cell = QStringLiteral("P");
    if (TrimRight(cell) == QStringLiteral("P"))
        return cell;
    if (cell.isEmpty())
        return QStringLiteral("-");
    // A decimal mark with a tendency or exam sign ("2.3-", "2.3*").
    if (cell.size() >= 4 && (cell.at(3) == QLatin1Char('-') || cell.at(3) == QLatin1Char('*'))
        && ParseLeadingInt(cell) > 0)
        return cell;
    const QString t = TrimRight(cell);
    if (!t.isEmpty()) {
        if (t.startsWith(QLatin1Char('-')) && ParseLeadingInt(t) == 0)
            return cell;
        const int whole = ParseLeadingInt(t);
        if (t.size() == 2 && t.endsWith(QLatin1Char('.')) && whole >= 1 && whole <= 6)
            return t + QLatin1Char('0');
        // Marks have one decimal: "2.35" is no mark.
        if (t.size() > 3 && ParseDecimal(t) > 0)
            return QString();
    }
    QString u = t.left(3);
    while (u.size() < 3)
        u += QLatin1Char(' ');
    if (u.startsWith(QLatin1Char(' ')))
        return u.mid(1) + QStringLiteral("  ");
    if (u.contains(QLatin1Char(','))) {
        u.replace(QLatin1Char(','), QLatin1Char('.'));
        return TrimRight(u);
    }
    if (QStringLiteral("123456").contains(u.at(0)) && u.at(1).isDigit() && u.at(1).unicode() < 128)
        return TrimRight(u.left(1) + QLatin1Char('.') + u.mid(1));
    const double value = ParseDecimal(u);
    if (value < 1.0 || value > 6.0)
        return QStringLiteral("- ");
    if (value > 0 && !u.contains(QLatin1Char('.')))
        return QString::number(ParseLeadingInt(u)) + QStringLiteral(".0");
    return cell;
}

QString SettleGridEntryCell(const QString& text)
{
    // A typed mark must never be stored in a form the rule would still
    // change: "65" would otherwise go into the grade file as 6.5.
    QString cell = text;
    for (int round = 0; round < 8; ++round) {
        const QString next = NormaliseGridEntryCell(cell);
        if (next == cell)
            break;
        cell = next;
    }
    return cell;
}

QString ProfileRowText(const QString& ag7, const std::array<QString, 6>& profileCodes)
{
    const int index = ProfileIndexFromField(ag7);
    return index >= 0 && index < static_cast<int>(profileCodes.size()) ? profileCodes[index] : QString();
}

QStringList GridFocusDisabledMenus()
{
    return {QStringLiteral("Klasse1"),          QStringLiteral("Tabelllebearbeiten1"),
            QStringLiteral("AllgemeineEingaben1"), QStringLiteral("Einzelschueler1"),
            QStringLiteral("PPZeugnisanlage1"), QStringLiteral("Drucken1"),
            QStringLiteral("Endnotenausspielen1"), QStringLiteral("SchuleTools1")};
}

// ---------------------------------------------------------------------------
// The grid

ClassGrid::ClassGrid()
{
    reset();
}

ClassGrid& classGrid()
{
    static ClassGrid grid;
    return grid;
}

namespace {
const ProgramWideReset resetClassGrid(ResetOrder::Objects, [] { classGrid().reset(); });
}

void ClassGrid::reset()
{
    for (auto& row : cells_)
        row.fill(QString());
    loaded_ = cells_;
    widths_.fill(kGridWidthUntouched);
    rowLocked_.fill(false);
    rewriteFlawed_ = false;
    visible_ = false;
    editing_ = false;
    entryOpen_ = false;
    entryChosen_ = true;
    kind_ = kKindYear;
    filledClass_.clear();
    filter_.clear();
    current_ = GridPos{};
    menusDisabled_ = false;
    label9Visible_ = false;
    hooks_ = ClassGridHooks{};
}

QString ClassGrid::cell(int column, int row) const
{
    if (column < 0 || column >= kGridCells || row < 0 || row >= kGridRows)
        return {};
    return cells_[row][column];
}

void ClassGrid::setCell(int column, int row, const QString& text)
{
    if (column < 0 || column >= kGridCells || row < 0 || row >= kGridRows)
        return;
    cells_[row][column] = text;
}

int ClassGrid::columnWidth(int column) const
{
    return column >= 0 && column < kGridCells ? widths_[column] : kGridWidthUntouched;
}

QString ClassGrid::rowText(int row) const
{
    return state().gridRowTexts.value(row);
}

void ClassGrid::changed()
{
    if (hooks_.changed)
        hooks_.changed();
}

bool ClassGrid::isEditableCell(int column, int row) const
{
    return visible_ && editing_ && entryOpen_ && column >= kGridFirstSubjectColumn
           && column <= kGridLastSubjectColumn && row >= 1 && row <= kGridLastStudentRow
           && widths_[column] != 0 && !TrimRight(cells_[row][0]).isEmpty() && !rowLocked_[row];
}

int ClassGrid::FirstFilteredColumn() const
{
    for (int c = kGridFirstSubjectColumn; c < kGridColCount; ++c)
        if (FilterContainsHeading(filter_, cells_[0][c]))
            return c;
    return kGridFirstSubjectColumn;
}

void ClassGrid::HideFilteredOutColumns(const QString& filter)
{
    for (int c = kGridFirstSubjectColumn; c < kGridColCount; ++c)
        widths_[c] = filter.isEmpty() || FilterContainsHeading(filter, cells_[0][c])
                         ? kGridDefaultColumnWidth
                         : 0;
}

QString ClassGrid::rowAverage(int row) const
{
    QStringList cells;
    for (int c = 0; c < kGridColCount; ++c)
        cells << cells_[row][c];
    return ComputeRowAverage(cells, kGridFirstSubjectColumn, kGridLastSubjectColumn,
                             GradeContextFromState());
}

void ClassGrid::clearRow(int row)
{
    cells_[row].fill(QString());
}

void ClassGrid::fillHeadings(DbfTable& table)
{
    const SubjectData& d = state().subjectData;
    if (kind_ == kKindFinal)
        cells_[0][1] = recordValue(table, 0, kFieldDate);
    else if (kind_ != kKindExam)
        cells_[0][1] = GridTableHeading(kind_);
    for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
        cells_[0][c] = SubjectToShortCode(d.subjectNames[c]);
    cells_[0][kGridAverageColumn] = QStringLiteral("Ø");
    cells_[0][kGridConductCell] = QStringLiteral("V");
    cells_[0][kGridCooperationCell] = QStringLiteral("M");
}

// ---------------------------------------------------------------------------
// Opening

bool ClassGrid::OpenTable(GradeTable which)
{
    if (IsEntryTable(which))
        entryChosen_ = true;
    // A second table never replaces an open one: whatever was typed there
    // must first be saved or given up.
    if (visible_) {
        showInformation(kMsgTableChange);
        return false;
    }
    if (state().openClassFile.isEmpty() || !ClassTable().isOpen())
        return false;
    DbfTable& table = ClassTable();
    if (which == GradeTable::EZ) {
        entryChosen_ = false;
        kind_ = kKindFinal;
        state().gradeTableKind = kind_;
        Leave();
        fillFinalGrades(table);
        return true;
    }
    if (IsEntryTable(which)) {
        editing_ = true;
        entryOpen_ = true;
    } else {
        editing_ = false;
        entryOpen_ = false;
    }
    kind_ = GradeTableKindOf(which);
    state().gradeTableKind = kind_;
    filter_ = ColumnFilterFor(which, state().openClassFile, state().eveningSchoolMode);
    fillGradeTable(table);
    return true;
}

void ClassGrid::fillGradeTable(DbfTable& table)
{
    filledClass_ = state().openClassFile;
    current_ = GridPos{4, 1};
    current_.column = FirstFilteredColumn();
    state().currentStudentRecord = 0;
    fillHeadings(table);

    const GradeContext context = GradeContextFromState();
    const bool profiles = gemeinschaftsschule();
    const std::array<QString, 6>& codes = state().subjectData.profileCodes;
    QStringList& rowTexts = state().gridRowTexts;
    rowTexts = QStringList();
    for (int r = 0; r < kGridRows; ++r)
        rowTexts << QString();
    rowLocked_.fill(false);
    QStringList unreadable;
    FlawedGradeFiles flawed;

    const int records = table.recordCount();
    for (int n = 1; n <= kGridLastStudentRow; ++n) {
        clearRow(n);
        if (n > records) {
            // A table cut short has no student here.
            rowLocked_[n] = true;
            continue;
        }
        const QString path = studentPaths(table, n);
        const QString ag7 = table.valueOrEmpty(n - 1, kFieldProfile);
        const ExamSheet sheet = LoadStudentGradeFile(path, context, ag7);
        const QString last = table.value(n - 1, kFieldLast);
        cells_[n][0] = last;
        cells_[n][1] = table.value(n - 1, kFieldFirst);
        if (profiles && !TrimRight(last).isEmpty())
            rowTexts[n] = ProfileRowText(ag7, codes);
        for (int k = kFirstSubjectRow; k <= kLastSubjectRow; ++k)
            cells_[n][k + 1] = sheet.grid.at(kind_, k);
        if (sheet.saveBlocked) {
            // Marks typed over a grade file that could not be read could
            // never be saved: the row stays read-only.
            rowLocked_[n] = true;
            if (!TrimRight(last).isEmpty())
                unreadable << QStringLiteral("%1 %2 (v.%3)").arg(last, cells_[n][1]).arg(n);
        }
        if (!TrimRight(last).isEmpty())
            flawed.note(QString::number(n), last, cells_[n][1], sheet);
        // An entry table shows no averages (they would not follow the typing).
        cells_[n][kGridAverageColumn] = entryOpen_ ? QString() : rowAverage(n);
    }
    // The swap row is empty in these tables.
    clearRow(kGridSwapRow);
    rowLocked_[kGridSwapRow] = true;
    rowLocked_[kGridWeightRow] = true;

    clearRow(kGridWeightRow);
    if (records == kGridWeightRow) {
        const int w = kGridWeightRow - 1;
        if (table.value(w, kFieldLast) != kWeightRecordName) {
            table.setValue(w, kFieldLast, kWeightRecordName);
            table.post();
        }
        cells_[kGridWeightRow][0] = kWeightRecordName;
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
            cells_[kGridWeightRow][c] = table.valueOrEmpty(w, GradeSlotFieldName(c));
    }

    cells_[0][0] = GridClassTitle(state().openClassFile, kind_);
    loaded_ = cells_;
    // Saving writes a file that was read incomplete whole again, so leaving
    // an entry table offers the save even when no mark was typed.
    rewriteFlawed_ = entryOpen_ && !flawed.isEmpty();
    visible_ = true;
    HideFilteredOutColumns(filter_);
    current_.column = FirstFilteredColumn();
    current_.row = 1;
    changed();
    NotifyMainWindow();
    if (!unreadable.isEmpty())
        showWarning(QStringLiteral("Die Notendateien dieser Schüler können nicht gelesen werden; ihre "
                                   "Zeilen sind gesperrt und werden nicht gespeichert:")
                    + kBr + unreadable.join(kBr));
    // Told once for the whole class, before anything can be saved over
    // these files.
    if (!flawed.isEmpty())
        showWarning(flawed.message(entryOpen_ ? kFlawedCheckAndSave : kFlawedCheckInGradeWindow));
}

void ClassGrid::fillFinalGrades(DbfTable& table)
{
    filledClass_ = state().openClassFile;
    current_ = GridPos{FirstFilteredColumn(), 1};
    state().currentStudentRecord = 0;
    fillHeadings(table);

    const bool profiles = gemeinschaftsschule();
    const std::array<QString, 6>& codes = state().subjectData.profileCodes;
    QStringList& rowTexts = state().gridRowTexts;
    rowTexts = QStringList();
    for (int r = 0; r < kGridRows; ++r)
        rowTexts << QString();
    rowLocked_.fill(true);

    const int records = table.recordCount();
    if (records == kGridWeightRow && table.value(kGridWeightRow - 1, kFieldLast) != kWeightRecordName) {
        table.setValue(kGridWeightRow - 1, kFieldLast, kWeightRecordName);
        table.post();
    }
    for (int r = 1; r < kGridRows; ++r) {
        clearRow(r);
        if (r > records)
            continue;
        const int rec = r - 1;
        const QString last = table.value(rec, kFieldLast);
        cells_[r][0] = last;
        cells_[r][1] = table.value(rec, kFieldFirst);
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
            cells_[r][c] = table.valueOrEmpty(rec, GradeSlotFieldName(c));
        cells_[r][kGridConductCell] = table.valueOrEmpty(rec, GradeSlotFieldName(0));
        cells_[r][kGridCooperationCell] = table.valueOrEmpty(rec, GradeSlotFieldName(1));
        if (profiles && !TrimRight(last).isEmpty())
            rowTexts[r] = ProfileRowText(table.valueOrEmpty(rec, kFieldProfile), codes);
        studentPaths(table, r);
        cells_[r][kGridAverageColumn] = rowAverage(r);
    }
    // Grades of 0 and empty marks are shown blank in rows 2 to 39 (the swap
    // row included); row 1 keeps its texts.
    for (int r = 2; r <= kGridSwapRow; ++r)
        for (int c = kGridFirstSubjectColumn; c <= kGridAverageColumn; ++c)
            if (ParseLeadingInt(cells_[r][c]) == 0)
                cells_[r][c] = kThreeBlanks;

    cells_[0][0] = GridClassTitle(state().openClassFile, kind_);
    visible_ = true;
    current_.column = FirstFilteredColumn();
    current_.row = 1;
    changed();
    NotifyMainWindow();
}

// ---------------------------------------------------------------------------
// Leaving

bool ClassGrid::modified() const
{
    if (entryOpen_ && rewriteFlawed_)
        return true;
    for (int r = 1; r <= kGridLastStudentRow; ++r)
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
            if (cells_[r][c] != loaded_[r][c])
                return true;
    return false;
}

bool ClassGrid::Leave()
{
    // A table whose marks are as they were loaded has nothing to save.
    if (visible_ && entryOpen_ && modified()) {
        state().currentStudentRecord = 0;
        if (askYesNo(kMsgLeaveSave)) {
            if (!ClassTable().isOpen() || state().openClassFile != filledClass_) {
                // The marks belong to the class they were typed for; they
                // never go into the files of another one.
                showError(QStringLiteral("Die Notentabelle der Klasse ") + filledClass_
                          + QStringLiteral(" kann nicht gespeichert werden, weil diese Klasse nicht "
                                           "mehr geöffnet ist."));
                changed();
                return false;
            }
            if (!saveEntries(ClassTable())) {
                changed();
                return false;
            }
        } else {
            if (!askYesNoDefaultNo(kMsgConfirmDiscard, MsgKind::Warning))
                return false;
            entryOpen_ = false;
            kind_ = kKindYear;
            state().gradeTableKind = kind_;
            editing_ = false;
        }
    }
    if (visible_)
        closeGrid();
    return true;
}

bool ClassGrid::saveEntries(DbfTable& table)
{
    const GradeContext context = GradeContextFromState();
    const QString classFile = state().openClassFile;
    const int records = table.recordCount();
    // Row n is saved into record n and the files of number n: when the
    // student list was rearranged while the table was open, those now belong
    // to someone else, and nothing may be written.
    for (int n = 1; n <= kGridLastStudentRow && n <= records; ++n) {
        const QString last = table.value(n - 1, kFieldLast);
        const QString first = table.value(n - 1, kFieldFirst);
        if (last == cells_[n][0] && first == cells_[n][1])
            continue;
        showError(QStringLiteral("Die Notentabelle kann nicht gespeichert werden: Die Schülerliste "
                                 "wurde verändert, seit die Tabelle geöffnet wurde (Zeile %1: %2 %3).")
                      .arg(n)
                      .arg(cells_[n][0], cells_[n][1])
                  + kBr
                  + QStringLiteral("Damit keine Noten beim falschen Schüler landen, wird nichts "
                                   "geschrieben. Die Eingaben stehen weiter in der Tabelle."));
        return false;
    }
    if (hooks_.busy)
        hooks_.busy(true);
    bool ok = true;
    try {
        for (int n = 1; n <= kGridLastStudentRow && n <= records; ++n) {
            const int rec = n - 1;
            if (TrimRight(table.value(rec, kFieldLast)).isEmpty() || rowLocked_[n])
                continue;
            const QString path = studentPaths(table, n);
            // A student without a grade file starts from the presets.
            ExamSheet sheet = LoadStudentGradeFile(path, context, table.valueOrEmpty(rec, kFieldProfile));
            if (sheet.saveBlocked)
                continue;
            for (int k = kFirstSubjectRow; k <= kLastSubjectRow; ++k)
                sheet.grid.at(kind_, k) = cells_[n][k + 1];
            TableRecord record(table, rec);
            // Conduct and cooperation are the record's own.
            GradeList gradeList = GradeListFromRecord(record, classFile);
            RecalcExamGrid(sheet.grid, context, gradeList);
            SaveStudentGradeFile(path, sheet, context);
            if (CopyGradeListToRecord(gradeList, classFile, record))
                table.post();
        }
    } catch (const FileError& e) {
        ok = false;
        if (hooks_.busy)
            hooks_.busy(false);
        showError(e.message());
    }
    if (ok && hooks_.busy)
        hooks_.busy(false);
    if (ok) {
        entryOpen_ = false;
        editing_ = false;
        kind_ = kKindYear;
        state().gradeTableKind = kind_;
    }
    return ok;
}

void ClassGrid::closeGrid()
{
    entryOpen_ = false;
    visible_ = false;
    editing_ = false;
    kind_ = kKindYear;
    state().gradeTableKind = kind_;
    state().currentStudentRecord = 0;
    label9Visible_ = false;
    menusDisabled_ = false;
    changed();
    NotifyMainWindow();
}

bool ClassGrid::CloseTable()
{
    if (!exit())
        return false;
    filter_.clear();
    HideFilteredOutColumns(filter_);
    changed();
    return true;
}

// ---------------------------------------------------------------------------
// Sorting by average

bool ClassGrid::SortMenuEntry()
{
    if (!visible_) {
        showInformation(kMsgOpenTableFirst);
        return false;
    }
    if (entryOpen_) {
        showInformation(kMsgNotInEntryMode);
        return false;
    }
    SortGradeGridByAverage();
    changed();
    return true;
}

void SortGridCellsByAverage(GridCells& cells, const std::function<void(int a, int b)>& exchanged)
{
    std::array<double, kGridRows> keys{};
    for (int r = 1; r <= kGridSwapRow; ++r) {
        const QString avg = cells[r][kGridAverageColumn];
        double key = ParseDecimal(avg);
        if (avg.contains(QLatin1Char('?')))
            key = r + 100;
        if (TrimRight(avg).isEmpty())
            key = r + 200;
        if (TrimRight(cells[r][0]).isEmpty())
            key = r + 300;
        keys[r] = key;
    }
    // Each exchange goes through the swap row, which keeps the last row moved.
    QuickSortKeys(1, kGridLastStudentRow, keys, [&](int i, int j) {
        cells[kGridSwapRow] = cells[i];
        cells[i] = cells[j];
        cells[j] = cells[kGridSwapRow];
        if (exchanged)
            exchanged(i, j);
    });
    cells[kGridSwapRow].fill(kThreeBlanks);
}

void ClassGrid::SortGradeGridByAverage()
{
    // The profile texts and the row locks travel with their student.
    QStringList& texts = state().gridRowTexts;
    while (texts.size() < kGridRows)
        texts << QString();
    SortGridCellsByAverage(cells_, [&](int a, int b) {
        texts.swapItemsAt(a, b);
        std::swap(rowLocked_[a], rowLocked_[b]);
    });
}

// ---------------------------------------------------------------------------
// Editing, keys and mouse

bool ClassGrid::commitCell(int column, int row, const QString& text)
{
    if (!isEditableCell(column, row))
        return false;
    cells_[row][column] = SettleGridEntryCell(text);
    cells_[row][kGridAverageColumn].clear();
    return true;
}

bool ClassGrid::isCursorColumn(int column) const
{
    return column >= kGridFixedCols && column < kGridColCount && widths_[column] != 0;
}

bool ClassGrid::isMarkColumn(int column) const
{
    return column >= kGridFirstSubjectColumn && column <= kGridLastSubjectColumn && isCursorColumn(column)
        && !EndsWithSlash(cells_[0][column]);
}

int ClassGrid::firstMarkColumn() const
{
    for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
        if (isMarkColumn(c))
            return c;
    return FirstFilteredColumn();
}

int ClassGrid::lastMarkColumn() const
{
    for (int c = kGridLastSubjectColumn; c >= kGridFirstSubjectColumn; --c)
        if (isMarkColumn(c))
            return c;
    return FirstFilteredColumn();
}

GridPos ClassGrid::keyMove(GridKey key, int pageRows)
{
    GridPos p = current_;
    const auto hidden = [&](int c) { return !isCursorColumn(c); };
    const int lastRow = kGridRows - 1;
    switch (key) {
    case GridKey::Return:
        if (p.column != 0 && p.row < lastRow)
            ++p.row;
        break;
    case GridKey::Left: {
        int c = p.column - 1;
        // Filtered-out columns are passed over; with none shown to the left
        // the cursor stays.
        while (c >= kGridFixedCols && hidden(c))
            --c;
        if (c < kGridFixedCols)
            break;
        if (EndsWithSlash(cells_[0][c]) && c - 1 >= kGridFixedCols && !hidden(c - 1))
            --c;
        p.column = c;
        break;
    }
    case GridKey::Right: {
        int c = p.column + 1;
        while (c < kGridColCount && hidden(c))
            ++c;
        if (c >= kGridColCount)
            break;
        if (EndsWithSlash(cells_[0][c]) && c + 1 < kGridColCount && !hidden(c + 1))
            ++c;
        p.column = c;
        break;
    }
    case GridKey::Up: p.row = std::max(1, p.row - 1); break;
    case GridKey::Down: p.row = std::min(lastRow, p.row + 1); break;
    case GridKey::PageUp: p.row = std::max(1, p.row - std::max(1, pageRows)); break;
    case GridKey::PageDown: p.row = std::min(lastRow, p.row + std::max(1, pageRows)); break;
    case GridKey::Home: p.column = firstMarkColumn(); break;
    case GridKey::End: p.column = lastMarkColumn(); break;
    case GridKey::CtrlHome: p = GridPos{firstMarkColumn(), 1}; break;
    case GridKey::CtrlEnd: p = GridPos{lastMarkColumn(), lastRow}; break;
    case GridKey::Tab: {
        int c = p.column + 1;
        while (c <= kGridLastSubjectColumn && !isMarkColumn(c))
            ++c;
        if (c <= kGridLastSubjectColumn)
            p.column = c;
        else if (p.row < lastRow)
            p = GridPos{firstMarkColumn(), p.row + 1};
        break;
    }
    case GridKey::Backtab: {
        int c = std::min(p.column, kGridLastSubjectColumn + 1) - 1;
        while (c >= kGridFirstSubjectColumn && !isMarkColumn(c))
            --c;
        if (c >= kGridFirstSubjectColumn)
            p.column = c;
        else if (p.row > 1)
            p = GridPos{lastMarkColumn(), p.row - 1};
        break;
    }
    }
    selectCell(p);
    return current_;
}

GridPos ClassGrid::click(GridPos pos)
{
    GridPos p = pos;
    p.column = std::clamp(p.column, kGridFixedCols, kGridColCount - 1);
    p.row = std::clamp(p.row, 1, kGridRows - 1);
    while (p.column < kGridColCount - 1 && EndsWithSlash(cells_[0][p.column]))
        ++p.column;
    selectCell(p);
    return current_;
}

void ClassGrid::selectCell(GridPos pos)
{
    // The cursor stands on a column the table shows: a name column or one a
    // filter hides sends it to the nearest shown column, rightwards first.
    int column = std::clamp(pos.column, kGridFixedCols, kGridColCount - 1);
    if (!isCursorColumn(column)) {
        int right = column;
        while (right < kGridColCount && !isCursorColumn(right))
            ++right;
        int left = column;
        while (left >= kGridFixedCols && !isCursorColumn(left))
            --left;
        column = right < kGridColCount ? right : left >= kGridFixedCols ? left : FirstFilteredColumn();
    }
    current_.column = column;
    current_.row = std::clamp(pos.row, 1, kGridRows - 1);
    label9Visible_ = true;
    // The class table follows the grid, so that a double click prints the
    // student of this row.
    state().currentStudentRecord = current_.row - 1;
}

void ClassGrid::enter()
{
    menusDisabled_ = true;
    current_.column = FirstFilteredColumn();
    current_.row = 1;
    changed();
}

bool ClassGrid::exit()
{
    menusDisabled_ = false;
    label9Visible_ = false;
    const bool left = Leave();
    changed();
    return left;
}

} // namespace hsa
