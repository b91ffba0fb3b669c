#pragma once
#include "grades/classgrid.h"

#include <QTableView>
#include <QTableWidget>

namespace hsa {

// The main window's grade grid (StringGrid1): shows classGrid() and forwards
// every commit, key, click and focus change to it.  41 rows, 24 columns of
// which 22 and 23 are never shown; row 0 and columns 0 and 1 are fixed.
class ClassGridView : public QTableWidget {
    Q_OBJECT
public:
    explicit ClassGridView(QWidget* parent = nullptr);

    // Shows what the grid model holds (cells, widths, editability, current
    // cell, visibility).
    void refresh();
    // Width of a column the tables show at their default width.
    void setDefaultColumnWidth(int pixels);

signals:
    // The model's state changed (table opened or closed, focus rules, Label9):
    // the main window updates its menus, Label9 and the student list.
    void gridStateChanged();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void resizeEvent(QResizeEvent* e) override;
    void updateGeometries() override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    friend class ClassGridDelegate;
    void commitFromEditor(int row, int column, const QString& text);
    void showCurrent();
    void fitHeadings();
    void leaveGrid();
    // The heading row (row 0) drawn over the top of the cells, so that the
    // subject codes stay in view however far the students scroll.
    void placeHeadingRow();
    int pageRows() const;
    QTableView* headingRow_ = nullptr;
    bool refreshing_ = false;
    bool inRefresh_ = false;
    int defaultWidth_ = kGridDefaultColumnWidth;
};

// Installs the grid's hooks: the menu gate's saveGradeTableEdits and the
// grade window's leaveGradeTable run classGrid().Leave(); the grid's busy
// cursor and change notice go to view.
void InstallClassGridHooks(ClassGridView* view);

} // namespace hsa
