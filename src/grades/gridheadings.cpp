#include "grades/gridheadings.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyleOptionViewItem>
#include <QTableWidget>

#include <algorithm>

namespace hsa {

namespace {

constexpr int kDesignFontRole = Qt::UserRole + 77;

// Room a cell leaves its text: the style's margin on either side.
int textRoom(const QTableWidget* grid, int column)
{
    // Less the grid line and a pixel for rounding.
    return grid->columnWidth(column) - 2
        - 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
}

int widest(const QFontMetrics& fm, const QStringList& lines)
{
    int w = 0;
    for (const QString& l : lines)
        w = std::max(w, fm.horizontalAdvance(l));
    return w;
}

// The heading split after its first "/" or blank, the two parts as even as
// the text allows; the text whole when it has no such place.
QStringList twoLines(const QString& text)
{
    int best = -1;
    for (int i = 1; i + 1 < text.size(); ++i)
        if ((text.at(i) == QLatin1Char('/') || text.at(i) == QLatin1Char(' '))
            && (best < 0 || std::abs(text.size() - 2 * (i + 1)) < std::abs(text.size() - 2 * (best + 1))))
            best = i;
    if (best < 0)
        return {text};
    return {text.left(best + 1).trimmed(), text.mid(best + 1).trimmed()};
}

} // namespace

void FitGridHeadings(QTableWidget* grid, int row, const std::function<QString(int column)>& tip)
{
    const QFont base = grid->font();
    const double floor = std::max(kHeadingFloorPoints, base.pointSizeF() * 2.0 / 3.0);
    int lineHeight = 0;
    bool twoNeeded = false;
    for (int c = 0; c < grid->columnCount(); ++c) {
        QTableWidgetItem* item = grid->item(row, c);
        if (!item)
            continue;
        const QString text = item->text().trimmed();
        const QString note = tip ? tip(c).trimmed() : QString();
        item->setToolTip(note.isEmpty() || note == text ? text : text + QStringLiteral(" – ") + note);
        if (grid->isColumnHidden(c) || grid->columnWidth(c) <= 0 || text.isEmpty())
            continue;
        const int room = textRoom(grid, c);
        // The item's own font may be smaller than the grid's by design; each
        // fit starts from that design, so a wider column gets it back.
        QVariant design = item->data(kDesignFontRole);
        if (!design.isValid()) {
            design = item->data(Qt::FontRole).isValid() ? item->font() : base;
            item->setData(kDesignFontRole, design);
        }
        const QFont start = design.value<QFont>();
        QFont f = start;
        while (QFontMetrics(f).horizontalAdvance(text) > room && f.pointSizeF() - 0.5 >= floor)
            f.setPointSizeF(f.pointSizeF() - 0.5);
        if (QFontMetrics(f).horizontalAdvance(text) > room) {
            // Two lines, in the largest size at which both fit.
            const QStringList lines = twoLines(text);
            // Both lines within the row as it is, where the floor allows.
            QFont two = start;
            const auto fits = [&](const QFont& font) {
                const QFontMetrics fm(font);
                return widest(fm, lines) <= room && 2 * fm.lineSpacing() + 6 <= grid->rowHeight(row);
            };
            while (!fits(two) && two.pointSizeF() - 0.5 >= floor)
                two.setPointSizeF(two.pointSizeF() - 0.5);
            if (lines.size() == 2) {
                f = two;
                twoNeeded = true;
                lineHeight = std::max(lineHeight, QFontMetrics(f).lineSpacing());
            }
        }
        if (f != item->font())
            item->setFont(f);
    }
    if (twoNeeded) {
        const int needed = 2 * lineHeight + 6;
        if (grid->rowHeight(row) < needed)
            grid->setRowHeight(row, needed);
    }
}

HeadingWrapDelegate::HeadingWrapDelegate(int headingRow, QObject* parent)
    : QStyledItemDelegate(parent), headingRow_(headingRow)
{
}

void HeadingWrapDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    WrapHeadingCell(option, index.row(), headingRow_);
}

void WrapHeadingCell(QStyleOptionViewItem* option, int row, int headingRow)
{
    if (row == headingRow) {
        // A heading that takes no cursor is still drawn in the cells' colours.
        option->state |= QStyle::State_Enabled;
        option->features |= QStyleOptionViewItem::WrapText;
        option->textElideMode = Qt::ElideRight;
    }
}

} // namespace hsa
