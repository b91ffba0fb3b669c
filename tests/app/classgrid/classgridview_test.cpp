#include "support/gridfixture.h"

#include "app/apphooks.h"
#include "app/classgridview.h"
#include "app/studentlistmodel.h"
#include "classes/studentlist.h"
#include "grades/gradewindowcontroller.h"
#include "platform/errors.h"

#include <QTest>
#include <QtWidgets>

using namespace hsa;
using namespace hsa::test;

namespace {

// The cell editor a view shows now, if any.
QLineEdit* shownEditor(QWidget* view)
{
    for (QLineEdit* e : view->findChildren<QLineEdit*>())
        if (e->isVisible())
            return e;
    return nullptr;
}

class ClassGridViewTest : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
        window = std::make_unique<QWidget>();
        view = new ClassGridView(window.get());
        (new QVBoxLayout(window.get()))->addWidget(view);
        window->resize(900, 700);
        window->show();
        InstallClassGridHooks(view);
        makeClass("9a_25262.dbf", threeStudents());
        openClass("9a_25262.dbf");
    }
    void TearDown() override
    {
        appHooks().saveGradeTableEdits = nullptr;
        gradeWindow().hooks().leaveGradeTable = nullptr;
        window.reset();
        GridFixture::TearDown();
    }
    QString text(int row, int column) const { return view->item(row, column)->text(); }
    // Types text into the cell through the cell editor and ends with key.
    void typeInto(int row, int column, const QString& typed, Qt::Key key)
    {
        view->setCurrentCell(row, column);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The grid opens its editor on the current cell by itself.
        if (!shownEditor(view))
            view->editItem(view->item(row, column));
        QLineEdit* editor = shownEditor(view);
        ASSERT_NE(editor, nullptr);
        editor->setText(typed);
        QTest::keyClick(editor, key);
    }

    std::unique_ptr<QWidget> window;
    ClassGridView* view = nullptr;
};

} // namespace

TEST_F(ClassGridViewTest, ShowsTheTableTheModelOpenedAndTakesTheFocus)
{
    view->setDefaultColumnWidth(30);
    ASSERT_TRUE(classGrid().OpenTable(GradeTable::SP));
    EXPECT_FALSE(view->isHidden());
    EXPECT_EQ(view->columnWidth(columnOf("E")), 30);
    EXPECT_TRUE(view->isColumnHidden(columnOf("Mu")));
    EXPECT_EQ(text(0, 0) + "|" + text(0, 1) + "|" + text(1, 0) + "|" + text(2, columnOf("D")),
              "Klasse 9a|Schriftlich|Berg|P");
    const auto editable = [this](int row, int column) {
        return bool(view->item(row, column)->flags() & Qt::ItemIsEditable);
    };
    EXPECT_EQ(QList<bool>({editable(1, columnOf("D")), editable(4, columnOf("D")), editable(1, 0)}),
              QList<bool>({true, false, false}));
    EXPECT_TRUE(classGrid().menusDisabled());
    EXPECT_EQ(QPoint(view->currentColumn(), view->currentRow()), QPoint(columnOf("D"), 1));
}

TEST_F(ClassGridViewTest, TypingIsNormalisedReturnMovesDownAndEscapeAsksToSave)
{
    ASSERT_TRUE(classGrid().OpenTable(GradeTable::SP));
    const int d = columnOf("D");
    typeInto(1, d, "37", Qt::Key_Return);
    EXPECT_EQ(text(1, d), "3.7");
    EXPECT_EQ(QPoint(view->currentRow(), classGrid().current().row), QPoint(2, 2));
    typeInto(2, d, "", Qt::Key_Right);
    EXPECT_EQ(classGrid().cell(d, 2), "-");
    EXPECT_EQ(view->currentColumn(), columnOf("E"));

    prompt.yes();
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(view->isHidden());
    EXPECT_FALSE(classGrid().menusDisabled());
    EXPECT_EQ(prompt.shown().at(0).text, kMsgLeaveSave);
    EXPECT_EQ(cellLine(gradeLines(1), ColWritten, rowOf("D")) + "|" + cellLine(gradeLines(2), ColWritten, rowOf("D")), "3.7|-");
}

TEST_F(ClassGridViewTest, EscapeTakesBackATypoAndAnUnchangedTableAsksNothing)
{
    writeSheet(1, {{ColYear, "D", "1.0"}});
    const QByteArray before = readFile(studentFile("v.", 1));
    ASSERT_TRUE(classGrid().OpenTable(GradeTable::JL));
    typeInto(1, columnOf("D"), "Z", Qt::Key_Escape);
    EXPECT_EQ(classGrid().cell(columnOf("D"), 1), "1.0");
    EXPECT_FALSE(classGrid().visible());
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_EQ(readFile(studentFile("v.", 1)), before);
}

TEST_F(ClassGridViewTest, MenuGateAndGradeWindowLeaveTheTableThroughTheHooks)
{
    ASSERT_TRUE(classGrid().OpenTable(GradeTable::JL));
    classGrid().commitCell(columnOf("D"), 1, "2");
    prompt.no().no();
    appHooks().saveGradeTableEdits();
    EXPECT_FALSE(view->isHidden());
    prompt.no().yes();
    gradeWindow().hooks().leaveGradeTable();
    EXPECT_TRUE(view->isHidden());
    EXPECT_EQ(prompt.shown().last().defaultButton, Answer::No); // Return never discards
}

TEST_F(ClassGridViewTest, StudentListKeepsNrFixedAndTypingWithinTheField)
{
    QTableView list;
    StudentListModel model;
    model.attach(&list);
    model.reload(true, false);
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(), "Czech");
    EXPECT_FALSE(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);

    // NR is the record's position: never typed over, even with the list open.
    classFiles().EnableListWriting();
    model.reload(classFiles().view().studentListReadOnly, false);
    EXPECT_TRUE(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(1, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(1, 0), "", Qt::EditRole));
    EXPECT_TRUE(model.setData(model.index(1, 7), "01.02.2010", Qt::EditRole));
    EXPECT_EQ(QString::fromLatin1(rawField(tableBytes(), 1, "AG3")).trimmed(), "01.02.2010");

    // The current row follows the shared current record both ways.
    state().currentStudentRecord = 2;
    model.reload(false, true);
    EXPECT_EQ(list.currentIndex().row(), 2);
    list.setCurrentIndex(model.index(0, 1));
    EXPECT_EQ(state().currentStudentRecord, 0);

    // What NACHNAME (40 characters, Windows-1252) cannot hold as typed or
    // pasted is refused with a word naming the letter or the width, and the
    // name stays; what it can hold is stored as typed.
    list.show();
    const QString name49 = QStringLiteral("Hohenzollern-Sigmaringen-Wuerttemberg-Hechingen-X");
    ASSERT_EQ(name49.size(), 49);
    struct Edit {
        QString text;
        bool paste;
        QString stored;
        QString said;
    };
    const Edit edits[] = {
        {"Ayşe", false, "Czech", "\"ş\""},
        {"Ayşe", true, "Czech", "\"ş\""},
        {name49, true, "Czech", "höchstens 40 Zeichen"},
        {name49, false, "Czech", "höchstens 40 Zeichen"},
        {"Ayse Öztürk", false, "Ayse Öztürk", ""},
    };
    for (const Edit& e : edits) {
        prompt.clear();
        list.setCurrentIndex(model.index(1, 1));
        list.edit(model.index(1, 1));
        QLineEdit* editor = shownEditor(&list);
        ASSERT_NE(editor, nullptr) << e.text.toStdString();
        editor->selectAll();
        if (e.paste) {
            QApplication::clipboard()->setText(e.text);
            QTest::keySequence(editor, QKeySequence::Paste);
        } else {
            // Key by key, as a keyboard with these letters types them.
            for (QChar c : e.text)
                QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        EXPECT_EQ(editor->text(), e.text); // nothing is cut unseen
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents(); // the editor commits on the next turn
        EXPECT_EQ(QString::fromLatin1(rawField(tableBytes(), 1, "NACHNAME")).trimmed(),
                  QString::fromLatin1(e.stored.toLatin1())) << e.text.toStdString();
        EXPECT_EQ(prompt.shown().size(), e.said.isEmpty() ? 0 : 1) << e.text.toStdString();
        if (!e.said.isEmpty()) {
            EXPECT_TRUE(prompt.lastText().contains(e.said)) << prompt.lastText().toStdString();
        }
    }

    // Ctrl write-protects the open list.
    QTest::keyClick(&list, Qt::Key_Control);
    EXPECT_EQ(prompt.lastText(), kMsgCtrlProtects);
    EXPECT_TRUE(classFiles().view().studentListReadOnly);
}

// The open student list as the marks: a click on the current cell, a pause
// of any length, then typing replaces the field's text.
TEST_F(ClassGridViewTest, StudentListClickOnTheCurrentCellThenTypingReplacesTheField)
{
    QTableView list;
    StudentListModel model;
    model.attach(&list);
    classFiles().EnableListWriting();
    model.reload(classFiles().view().studentListReadOnly, false);
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    const QString names[] = {"Adam", "Bach", "Cremer", "Dietz", "Ernst"};
    const int pauses[] = {0, 120, 250, 400, 800};
    for (int i = 0; i < 5; ++i) {
        const QModelIndex cell = model.index(1, 1);
        list.setFocus();
        list.setCurrentIndex(cell);
        const QPoint at = list.visualRect(cell).center();
        QWidget* target = list.viewport()->childAt(at) ? list.viewport()->childAt(at) : list.viewport();
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(list.viewport(), at));
        QTest::qWait(pauses[i]);
        for (QChar c : names[i])
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents(); // the editor commits on the next turn
        EXPECT_EQ(QString::fromLatin1(rawField(tableBytes(), 1, "NACHNAME")).trimmed().toStdString(),
                  names[i].toStdString())
            << pauses[i] << " ms";
    }
}

// Saving the table on Escape fails with an error the grid does not handle
// itself: one error message, and the table stays on screen with the marks
// typed, to be saved again.
TEST_F(ClassGridViewTest, AFailingSaveOnEscapeShowsOneErrorAndKeepsTheTableWithTheMarks)
{
    ASSERT_TRUE(classGrid().OpenTable(GradeTable::SP));
    const int d = columnOf("D");
    typeInto(1, d, "37", Qt::Key_Return);
    classGrid().hooks().busy = [](bool) { throw FileError(QStringLiteral("Der Datenträger ist voll.")); };
    prompt.clear();
    prompt.yes();
    QTest::keyClick(view, Qt::Key_Escape);
    QStringList errors;
    for (const ScriptedPrompt::Shown& s : prompt.shown())
        if (s.kind == MsgKind::Error)
            errors << s.text;
    EXPECT_EQ(errors, QStringList{"Der Datenträger ist voll."});
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(classGrid().visible() && classGrid().entryOpen());
    EXPECT_EQ(text(1, d), "3.7");
    EXPECT_EQ(classGrid().cell(d, 1), "3.7");
}
