#pragma once
#include <QAbstractTableModel>
#include <QPointer>

class QTableView;

namespace hsa {

// The student list (DBGrid1): the records of the open class table, one row
// each, in the columns NR, NACHNAME, VORNAME, M/W, "Kl.", "Z_Datum",
// "Pro.Gr.", "Geb_Datum" and "Geburtsort" (StudentListColumns).  Edits are
// written and posted at once; one the field cannot hold as typed (a
// character outside Windows-1252, more characters than the field's width) is
// refused with a message and the old value stays.  Nothing is editable while the list is
// write-protected, and NR never is: it is the record's position, which the
// list operations keep.
class StudentListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StudentListModel(QObject* parent = nullptr);

    // Re-reads the open table (none open: no rows) and, when attached, puts
    // the view's current row on state().currentStudentRecord.
    void reload(bool readOnly, bool firstColumnReadOnly);

    // Binds the list's view: column widths in characters, the Ctrl key that
    // write-protects an open list, and the current row that follows
    // state().currentStudentRecord both ways.
    void attach(QTableView* view);

    // Field of the class table shown in a column, -1 when the table lacks it.
    int fieldOfColumn(int column) const;
    // Width of that field (the most an edit of the column takes), 0 for none.
    int fieldWidth(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyColumnWidths();
    bool cellEditorOpen() const;
    void showCurrentRecord();

    int rows_ = 0;
    QList<int> fields_;
    bool readOnly_ = true;
    bool firstColumnReadOnly_ = false;
    QPointer<QTableView> view_;
    QObject* watchedView_ = nullptr;
};

} // namespace hsa
