#include "app/studentlistmodel.h"

#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/storabletext.h"
#include "classes/studentlist.h"
#include "platform/slotguard.h"
#include "platform/viewzoom.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>

#include <cmath>

namespace hsa {

namespace {

// The cell editor takes whatever is typed or pasted: the model refuses, with
// a word, what the record's field cannot hold, where a length limit of the
// editor would cut a pasted name without one.
class FieldWidthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        // The refusal's box takes the focus from the editor, which would
        // hand the same text in a second time.
        if (committing_)
            return;
        committing_ = true;
        QStyledItemDelegate::setModelData(editor, model, index);
        committing_ = false;
    }

private:
    mutable bool committing_ = false;
};

} // namespace

StudentListModel::StudentListModel(QObject* parent) : QAbstractTableModel(parent) {}

void StudentListModel::reload(bool readOnly, bool firstColumnReadOnly)
{
    beginResetModel();
    readOnly_ = readOnly;
    firstColumnReadOnly_ = firstColumnReadOnly;
    fields_.clear();
    DbfTable& t = ClassTable();
    if (t.isOpen()) {
        rows_ = t.recordCount();
        for (const StudentListColumn& c : StudentListColumns())
            fields_ << t.fieldIndex(c.field);
    } else {
        rows_ = 0;
    }
    endResetModel();
    applyColumnWidths();
    showCurrentRecord();
}

void StudentListModel::attach(QTableView* view)
{
    view_ = view;
    watchedView_ = view;
    if (!view)
        return;
    view->setModel(this);
    view->setItemDelegate(new FieldWidthDelegate(view));
    view->installEventFilter(this);
    connect(view, &QObject::destroyed, this, [this] { watchedView_ = nullptr; });
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    state().currentStudentRecord = current.row();
            });
    // A model reset replaces the selection model's state, not the model.
    applyColumnWidths();
}

void StudentListModel::applyColumnWidths()
{
    if (!view_)
        return;
    // The widths are measured in the list's font at 100 % and grow with the
    // view zoom like every other size: measured in a zoomed font they would
    // not, and would not come back exactly when the zoom goes back to 100 %.
    const double zoom = WindowZoom(view_->window()) / 100.0;
    QFont font = view_->font();
    if (zoom != 1.0 && font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() / zoom);
    else if (zoom != 1.0 && font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() / zoom))));
    const QFontMetrics fm(font);
    const int ch = fm.averageCharWidth();
    const auto& columns = StudentListColumns();
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        const int byTitle = fm.horizontalAdvance(columns[c].title) + ch;
        const int width = std::max(columns[c].widthChars * ch + ch, byTitle);
        view_->setColumnWidth(c, zoom == 1.0 ? width : static_cast<int>(std::lround(width * zoom)));
    }
}

void StudentListModel::showCurrentRecord()
{
    if (!view_ || rows_ == 0)
        return;
    const int r = std::clamp(state().currentStudentRecord, 0, rows_ - 1);
    const QModelIndex now = view_->currentIndex();
    if (!now.isValid() || now.row() != r)
        view_->setCurrentIndex(index(r, now.isValid() ? now.column() : 1));
}

int StudentListModel::fieldOfColumn(int column) const
{
    return column >= 0 && column < fields_.size() ? fields_[column] : -1;
}

int StudentListModel::fieldWidth(int column) const
{
    const int f = fieldOfColumn(column);
    return f >= 0 && ClassTable().isOpen() ? ClassTable().field(f).width : 0;
}

int StudentListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int StudentListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(StudentListColumns().size());
}

QVariant StudentListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    DbfTable& t = ClassTable();
    const int f = fieldOfColumn(index.column());
    if (!t.isOpen() || f < 0 || index.row() >= t.recordCount())
        return {};
    // Painting must never end the program: a record that cannot be read shows
    // empty (the operations that write report the error themselves).
    try {
        return t.value(index.row(), f);
    } catch (const std::exception&) {
        return {};
    }
}

QVariant StudentListModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole || o != Qt::Horizontal)
        return {};
    const auto& columns = StudentListColumns();
    return section >= 0 && section < static_cast<int>(columns.size()) ? QVariant(columns[section].title)
                                                                       : QVariant();
}

Qt::ItemFlags StudentListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // NR is the record's position: the list operations keep it, typing
    // must not (a record with an empty NR used to be deleted by the next
    // key, taking the student with it).
    if (!readOnly_ && index.column() != 0 && fieldOfColumn(index.column()) >= 0)
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
    const QString text = value.toString();
    const QString before = data(index, Qt::EditRole).toString();
    if (text == before)
        return true;
    if (RefuseUnstorableText(text, fieldWidth(index.column()), int(before.size())))
        return false;
    if (!runGuarded([&] {
            t.setValue(index.row(), fieldOfColumn(index.column()), text);
            t.post();
        }))
        return false;
    emit dataChanged(index, index);
    return true;
}

bool StudentListModel::cellEditorOpen() const
{
    if (!view_)
        return false;
    for (const QLineEdit* e : view_->findChildren<QLineEdit*>())
        if (e->isVisible())
            return true;
    return false;
}

bool StudentListModel::eventFilter(QObject* watched, QEvent* event)
{
    // Compared as plain objects: while the view is being destroyed it is no
    // longer a table view, and casting to one would be undefined.
    if (watched == watchedView_ && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        // Ctrl in an open cell editor begins Ctrl+V, Ctrl+C or Ctrl+X: it
        // must not write-protect the list under the editor, which would drop
        // the pasted name without a word.
        if (k->key() == Qt::Key_Control && !cellEditorOpen() && StudentListCtrlKey())
            return true;
    }
    return QAbstractTableModel::eventFilter(watched, event);
}

} // namespace hsa
