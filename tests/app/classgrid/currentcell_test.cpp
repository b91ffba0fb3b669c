// Marks typed into the current cell of the whole-class tables of the real
// main window, the way a secretary enters them: a click on the cell that is
// already current, a pause of any length, the digits, Return.  Whatever the
// pause, the cell and the student's grade file hold what was typed, over an
// empty cell as over an old mark.

#include "app/classgridview.h"
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/examgrid.h"
#include "classes/textfile.h"
#include "grades/classgrid.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "grades/gradewindow.h"
#include "support/namedclass.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace hsa;

namespace {

const QString kClass = QStringLiteral("xa_21222.dbf");
// The pauses between the click and the first digit: at once, within and
// around the double-click time, and well after it.
const int kPauses[] = {0, 120, 250, 400, 800};
constexpr int kStudents = 10;  // rows 1 to 5 without marks, 6 to 10 with "2.0"

class CurrentCellTyping : public test::NamedClassFixture {
protected:
    void SetUp() override
    {
        openNamedClass(kClass, kStudents, [](int n) { return n > kStudents / 2; });
    }

    // A click where the user sees the cell: on the cell editor when one
    // lies over it, else on the grid.
    static void clickCell(ClassGridView* grid, int row, int column)
    {
        const QPoint at = grid->visualRect(grid->model()->index(row, column)).center();
        QWidget* target = grid->viewport()->childAt(at);
        if (!target)
            target = grid->viewport();
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(grid->viewport(), at));
    }
    // Keys go where the keyboard sends them: to the widget with the focus.
    static void type(QWidget* fallback, const QString& text, Qt::Key end)
    {
        const auto focused = [fallback] { return QApplication::focusWidget() ? QApplication::focusWidget() : fallback; };
        for (QChar c : text)
            QTest::keyClick(focused(), c.toLatin1());
        QTest::keyClick(focused(), end);
    }
};

} // namespace

TEST_F(CurrentCellTyping, ClickPauseAndTypeStoresTheTypedMarkInEveryEntryTable)
{
    struct Table {
        const char* entry;
        int kind;
    };
    const Table tables[] = {
        {"JahresleistungEingabe1", kKindYear},
        {"SchriftlicheNotenEingabe1", kKindWritten},
        {"MndlicheNotenEingabe1", kKindOral},
        {"PraktischePrfungsergebnisseEingabe1", kKindComm},
        {"PPPraktischePrfungEingabe4Ausdruck1", kKindComm},
    };
    ClassGridView* grid = form->StringGrid1;
    for (const Table& t : tables) {
        SCOPED_TRACE(t.entry);
        form->trigger(QString::fromLatin1(t.entry));
        ASSERT_TRUE(grid->isVisible()) << prompt.texts().join(" | ").toStdString();
        const int column = classGrid().FirstFilteredColumn();
        for (int row = 1; row <= kStudents; ++row) {
            const int pause = kPauses[(row - 1) % std::size(kPauses)];
            const QString before = classGrid().cell(column, row);
            const std::string where = "row " + std::to_string(row) + ", " + std::to_string(pause) + " ms, over \""
                + before.toStdString() + "\"";
            // The cell that opened the table or that Return moved to.
            ASSERT_EQ(QPoint(grid->currentColumn(), grid->currentRow()), QPoint(column, row)) << where;
            clickCell(grid, row, column);
            QTest::qWait(pause);
            type(grid, QStringLiteral("45"), Qt::Key_Return);
            EXPECT_EQ(classGrid().cell(column, row).toStdString(), "4.5") << where;
            EXPECT_EQ(grid->item(row, column)->text().toStdString(), "4.5") << where;
        }
        prompt.clear();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid, Qt::Key_Escape);
        ASSERT_FALSE(classGrid().visible()) << prompt.texts().join(" | ").toStdString();
        EXPECT_EQ(prompt.texts().value(0), kMsgLeaveSave);
        for (int n = 1; n <= kStudents; ++n) {
            const QStringList lines = ReadTextLines(gradeFile(n));
            EXPECT_EQ(lines.value(t.kind * 20 + column - 1).toStdString(), "4.5") << "stored for student " << n;
        }
    }
}
