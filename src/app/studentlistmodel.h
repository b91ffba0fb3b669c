#pragma once
#include <QAbstractTableModel>

namespace hsa {

// The student list (DBGrid1): the records of the open class table, one row
// each, every field a column, edited in place and posted at once.  Nothing is
// editable while the list is write-protected.
class StudentListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StudentListModel(QObject* parent = nullptr);

    // Re-reads the open table (none open: no rows).
    void reload(bool readOnly, bool firstColumnReadOnly);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    int rows_ = 0;
    int columns_ = 0;
    QStringList headers_;
    bool readOnly_ = true;
    bool firstColumnReadOnly_ = false;
};

} // namespace hsa
