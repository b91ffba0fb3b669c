#include "app/studentlistmodel.h"

#include "classes/dbftable.h"
#include "platform/errors.h"
#include "platform/prompt.h"

namespace hsa {

StudentListModel::StudentListModel(QObject* parent) : QAbstractTableModel(parent) {}

void StudentListModel::reload(bool readOnly, bool firstColumnReadOnly)
{
    beginResetModel();
    readOnly_ = readOnly;
    firstColumnReadOnly_ = firstColumnReadOnly;
    DbfTable& t = ClassTable();
    if (t.isOpen()) {
        rows_ = t.recordCount();
        columns_ = t.fieldCount();
        headers_ = t.fieldNames();
    } else {
        rows_ = 0;
        columns_ = 0;
        headers_.clear();
    }
    endResetModel();
}

int StudentListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int StudentListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant StudentListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    DbfTable& t = ClassTable();
    if (!t.isOpen() || index.row() >= t.recordCount() || index.column() >= t.fieldCount())
        return {};
    return t.value(index.row(), index.column());
}

QVariant StudentListModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal)
        return section < headers_.size() ? headers_[section] : QVariant();
    return section + 1;
}

Qt::ItemFlags StudentListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!readOnly_ && !(firstColumnReadOnly_ && index.column() == 0))
        f |= Qt::ItemIsEditable;
    return f;
}

bool StudentListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    DbfTable& t = ClassTable();
    if (!t.isOpen())
        return false;
    try {
        t.setValue(index.row(), index.column(), value.toString());
        t.post();
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

} // namespace hsa
