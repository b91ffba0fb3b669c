#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

// The whole-class grade tables of the main window: one kind of mark for every
// student of the open class and every subject of its level, in a grid of 41
// rows and 22 shown columns (plus two hidden cells per row).
//
//   row 0           class title, table heading, short codes, "Ø", "V", "M"
//   rows 1 to 38    the students of records 1 to 38 (name, first name, one
//                   mark per subject in columns 2 to 20, average in 21)
//   row 39          swap row of the average sort (EZ shows record 39 there)
//   row 40          the weighting record ("FAKTOR")
//
// Column c (2 to 20) is subject index c: grade-list row c of the grade
// window and exam-grid row c - 1.  The five entry tables (JL, SP, MP, KP, PP)
// are filled from the students' grade files and written back into them and
// into the class table when they are left; PL and EZ only show.  The view
// widget shows what this object holds and forwards every edit, key and click.
namespace hsa {

class DbfTable;

inline constexpr int kGridRows = 41;                 // rows 0 to 40
inline constexpr int kGridCells = 24;                // cells 0 to 23 per row
inline constexpr int kGridColCount = 22;             // columns 0 to 21 are shown
inline constexpr int kGridFixedCols = 2;
inline constexpr int kGridFirstSubjectColumn = 2;
inline constexpr int kGridLastSubjectColumn = 20;
inline constexpr int kGridAverageColumn = 21;
inline constexpr int kGridConductCell = 22;          // "V", hidden
inline constexpr int kGridCooperationCell = 23;      // "M", hidden
inline constexpr int kGridLastStudentRow = 38;
inline constexpr int kGridSwapRow = 39;
inline constexpr int kGridWeightRow = 40;
inline constexpr int kGridDefaultColumnWidth = 24;
// A width the table never set: the view keeps the width it laid out.
inline constexpr int kGridWidthUntouched = -1;

// Kinds of table (GradeTableKindOf): the number is also the exam-grid column
// the table shows.
inline constexpr int kKindWritten = 1;   // SP
inline constexpr int kKindComm = 2;      // KP and PP
inline constexpr int kKindOral = 3;      // MP
inline constexpr int kKindExam = 4;      // PL
inline constexpr int kKindYear = 5;      // JL
inline constexpr int kKindFinal = 7;     // EZ

enum class GradeTable { JL, SP, MP, KP, PP, PL, EZ };

// Messages.
inline const QString kMsgTableChange =
    QStringLiteral("Tabellenwechsel nur nach dem Schließen der aktuellen Tabelle möglich.");
inline const QString kMsgOpenTableFirst = QStringLiteral("Bitte erst Notentabelle öffnen");
inline const QString kMsgNotInEntryMode = QStringLiteral("Im Eingabemodus nicht möglich");
inline const QString kMsgLeaveSave =
    QStringLiteral("Notentabelle wird verlassen. Geänderte Noten abspeichern? ");
inline const QString kMsgConfirmDiscard =
    QStringLiteral("Sie verzichten auf die Speicherung der geänderten Noten?");
inline const QString kLabel9Caption = QStringLiteral("Drucken: Doppelklick");

// ------------------------------------------------------------------ pure rules

int GradeTableKindOf(GradeTable table);
bool IsEntryTable(GradeTable table);
// Column filter of a table: "*D*E*M*" (SP, PL; "*D*E*M*Te*AES*F*" for class
// files beginning with "x"/"X"), "*D*M*" (MP; "*D*M*G*Geo*Gk*Ph*Ch*Bio*" in
// evening-school mode), "*E*" (KP), "*Te*AES*F*" (PP), empty (JL, EZ).
QString ColumnFilterFor(GradeTable table, const QString& classFileName, bool eveningSchoolMode);
// Cell (0, 0): "Klasse 9a"; "Kl. 10a  " ("Kl. 10a " for EZ) for "x"/"X"
// classes; "Kl. 10a  HSA" for "y"/"Y" classes.
QString GridClassTitle(const QString& classFileName, int kind);
// Cell (1, 0) of the kinds 1, 2, 3 and 5 ("Schriftlich", "KP / Prakt.",
// "Mündlich", "Jahresleist."); empty for the others.
QString GridTableHeading(int kind);
// The heading with trailing blanks removed, wrapped in "*", occurs in the
// filter.
bool FilterContainsHeading(const QString& filter, const QString& heading);
// The text, trailing blanks removed, is not empty and ends in "/".
bool EndsWithSlash(const QString& text);
// How a typed mark is stored: "p..." -> "P", "" -> "-", "37" -> "3.7",
// "3." -> "3.0", "4" -> "4.0", "2,5" -> "2.5", "7" -> "- ", "2.35" -> "",
// "2.3-" and "2.3*" stay, " 3" -> "3  ".
QString NormaliseGridEntryCell(const QString& text);
// What a committed cell holds: the rule above applied again until it no
// longer changes the text, as a grid that repaints its cells would show it
// ("65" -> "6.5" -> "- ", " 3" -> "3   " -> "3.0", "2.35" -> "" -> "-").
QString SettleGridEntryCell(const QString& text);
// The text of a row beside the table in a Gemeinschaftsschule: the profile
// code AG7 selects (none for an empty or unusable AG7).
QString ProfileRowText(const QString& ag7, const std::array<QString, 6>& profileCodes);

// The eight top-level menus disabled while the grid has the focus (object
// names of the main menu).
QStringList GridFocusDisabledMenus();

// The cells of a grade grid, (row, cell) as the grid holds them.
using GridCells = std::array<std::array<QString, kGridCells>, kGridRows>;

// Sorts rows 1 to 38 by their average (column 21), as the sort of the view
// tables does: a "?" average after the numbers, an empty one after those, a
// row without a name last; rows are exchanged through row 39, which ends with
// three blanks in every cell.  exchanged(a, b) follows each exchange, so that
// values kept beside the rows can travel with them.
void SortGridCellsByAverage(GridCells& cells, const std::function<void(int a, int b)>& exchanged = {});

struct GridPos {
    int column = kGridFirstSubjectColumn;
    int row = 1;
    bool operator==(const GridPos&) const = default;
};

// The keys that move the grid's cursor.  Tab and Shift+Tab (Backtab) go from
// mark column to mark column and on into the next or previous row; Home and
// End to the first and last mark column of the row; Ctrl+Home and Ctrl+End
// to the first and last row as well; PageUp and PageDown by a page of rows.
enum class GridKey { Return, Left, Right, Up, Down, PageUp, PageDown, Home, End, CtrlHome, CtrlEnd, Tab, Backtab };

// Parts of the program the grid calls but does not own; an empty one is
// skipped.
struct ClassGridHooks {
    // The grid's content or state changed: the view refreshes.
    std::function<void()> changed;
    // Hourglass cursor on (true) and off.
    std::function<void(bool busy)> busy;
};

class ClassGrid {
public:
    ClassGrid();

    // ---- cells (column 0 to 23, row 0 to 40; empty outside)
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    int colCount() const { return kGridColCount; }
    int rowCount() const { return kGridRows; }
    // Width of a column as the tables set it: 24 (the default width), 0
    // (filtered out) or kGridWidthUntouched.
    int columnWidth(int column) const;
    // Per-row texts beside the table (state().gridRowTexts).
    QString rowText(int row) const;

    // ---- state
    bool visible() const { return visible_; }
    bool editing() const { return editing_; }
    bool entryOpen() const { return entryOpen_; }
    bool entryChosen() const { return entryChosen_; }
    int kind() const { return kind_; }
    QString columnFilter() const { return filter_; }
    GridPos current() const { return current_; }
    bool menusDisabled() const { return menusDisabled_; }
    bool label9Visible() const { return label9Visible_; }
    // True for a cell the user may type into: an entry table is open, a
    // subject column that is shown, a student row (1 to 38) whose record
    // has a name and whose grade file could be read.
    bool isEditableCell(int column, int row) const;

    // ---- menu "&Notentabellen (Ganze Klasse)"
    // The handlers of the seven tables.  False when refused (a table is
    // open, no class is open).
    bool OpenTable(GradeTable table);
    // TForm1.noten_exit: leaves the open table, asking whether an entry
    // table whose marks were changed is to be saved.  True when no table is open afterwards; false
    // when it stays open (save declined and discard not confirmed, or the
    // save failed).
    bool Leave();
    // "Tabelle schließen (und ggf. speichern)": leaving the grid, then every
    // column shown again.
    bool CloseTable();
    // The menu entry "JL/EZ:  Ansicht nach Durchschnitt sortieren".
    bool SortMenuEntry();
    // Sorts rows 1 to 38 by their average (column 21).
    void SortGradeGridByAverage();

    // ---- the grid's events
    // True when a mark of an entry table differs from what was loaded, or
    // when the table shows a grade file that was read incomplete or with
    // marks outside 1.0 to 6.0 (saving writes it whole again).
    bool modified() const;
    // A typed text committed into a cell: normalised and stored.  False
    // (nothing stored) for a cell that cannot be edited.
    bool commitCell(int column, int row, const QString& text);
    // The current cell after a key (the grid's own move included); pageRows
    // is how many rows PageUp and PageDown move.  The cursor only ever lands
    // on a column that is shown.
    GridPos keyMove(GridKey key, int pageRows = 1);
    // A column the cursor may stand in: a subject or the average column that
    // the table shows.
    bool isCursorColumn(int column) const;
    // A mouse click on a cell: the cell that becomes current.
    GridPos click(GridPos pos);
    // A cell becomes current: Label9 shown, the class table's current record
    // follows the row.
    void selectCell(GridPos pos);
    // The grid gets the focus: menus disabled, first filtered column, row 1.
    void enter();
    // The grid loses the focus (and Escape): menus enabled, Label9 hidden,
    // Leave().  Returns what Leave() returns.
    bool exit();

    int FirstFilteredColumn() const;
    void HideFilteredOutColumns(const QString& filter);

    ClassGridHooks& hooks() { return hooks_; }
    // Back to the start of the run (tests).
    void reset();

private:
    void fillGradeTable(DbfTable& table);
    void fillFinalGrades(DbfTable& table);
    void fillHeadings(DbfTable& table);
    bool saveEntries(DbfTable& table);
    void closeGrid();
    void clearRow(int row);
    void changed();
    QString rowAverage(int row) const;
    // A column a mark is typed into: shown, a subject column, its heading
    // not ending in "/".
    bool isMarkColumn(int column) const;
    int firstMarkColumn() const;
    int lastMarkColumn() const;

    GridCells cells_{};
    GridCells loaded_{};   // entry tables as filled
    std::array<int, kGridCells> widths_{};
    std::array<bool, kGridRows> rowLocked_{};
    bool rewriteFlawed_ = false;   // an entry table shows a flawed grade file
    bool visible_ = false;
    bool editing_ = false;
    bool entryOpen_ = false;
    bool entryChosen_ = true;
    int kind_ = kKindYear;
    QString filledClass_;   // the class file the table was filled from
    QString filter_;
    GridPos current_;
    bool menusDisabled_ = false;
    bool label9Visible_ = false;
    ClassGridHooks hooks_;
};

// The main window's grade grid.
ClassGrid& classGrid();

} // namespace hsa
