#pragma once
#include "grades/classgrid.h"
#include "print/printdata.h"

#include <QList>
#include <QString>
#include <array>

// The whole-class documents laid out as ruled tables: a grade grid printed as
// a table, and the grade list of the result list, seven students a page.
namespace hsa {

// A grade grid as the table printer takes it: the cells of the grade grid's
// shape and the texts beside its rows (profile subjects).
struct GridPrintTable {
    GridCells cells{};
    std::array<QString, kGridRows> rowTexts{};
    QString& at(int column, int row) { return cells[row][column]; }
    const QString& at(int column, int row) const { return cells[row][column]; }
};

// The grid's column design the printed widths follow: fixed columns, the
// default column width and the width of column 0 (any unit, only their
// ratios count).
struct GridPrintGeometry {
    int fixedColumns = kGridFixedCols;
    int defaultWidth = 24;
    int column0Width = 72;
};

// The column and row positions of a printed grid table on a page of the
// given printable size (0.1 mm).
struct GridTableLayout {
    int width = 0, height = 0;     // W, H: 90 % of the printable size
    int columnWidth = 0;           // cw
    int fixedWidth = 0;            // fw
    int rowHeight = 0;             // rh
    int fixedColumns = 2;
    int x(int column) const;
    int y(int row) const;
};
GridTableLayout ComputeGridTableLayout(int pageWidth, int pageHeight, const GridPrintGeometry& geometry);

// The title "Tabelle" stands for the name of the table kind with the date.
QString GridTableTitle(const QString& title, int gradeTableKind, const QDate& today);

// Prints table as one job: rows 1 to 34 on the first page and, when one of
// rows 35 to 38 holds a name, rows 35 to 38 on a second page in the places of
// rows 1 to 4 with title and heading repeated; the average row (over rows 1
// to 38) only on the last page.  withContents false prints the empty entry
// form.  Returns whether the job began.
bool PrintGridTable(const ClassPrintData& cls, GridPrintTable table, bool landscape, bool withContents,
                    const QString& title, int gradeTableKind, const GridPrintGeometry& geometry);

// One landscape page of the result list: up to seven students from running
// number running on, headed "Klasse " + firstKlasse (KLASSE of the class
// table's first record, on every page).  Returns whether the job began.
bool PrintGradeList(const ClassPrintData& cls, const QList<StudentPrintData>& students, int running,
                    const QString& firstKlasse);

// The school year of the grade list's head: "2025/26" for the code "2526".
QString GradeListSchoolYear(const QString& classFile);

} // namespace hsa
