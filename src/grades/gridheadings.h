#pragma once
#include <QString>
#include <QStyledItemDelegate>
#include <functional>

class QTableWidget;

// The heading row of a grade grid, readable whole: a heading wider than its
// column is drawn in a smaller font (down to kHeadingFloorPoints or two
// thirds of the grid's font, whichever is larger) and, when that is not
// enough, on two lines, for which the row grows.  Every heading carries its
// full text as a tool tip, with the note of tip (the subject's full name)
// after it where that says more.
namespace hsa {

inline constexpr double kHeadingFloorPoints = 7.0;

// Fits the headings of row in every shown column of grid; columns hidden or
// of width 0 are left alone.  tip(column) may be empty.
void FitGridHeadings(QTableWidget* grid, int row, const std::function<QString(int column)>& tip = {});

// For a grid's delegate: the heading row's cells wrap onto a second line.
void WrapHeadingCell(QStyleOptionViewItem* option, int row, int headingRow);

// The delegate for a grid that has none of its own.
class HeadingWrapDelegate : public QStyledItemDelegate {
public:
    explicit HeadingWrapDelegate(int headingRow, QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int headingRow_;
};

} // namespace hsa
