#include "classfixture.h"

#include "grades/gradewindow.h"
#include "grades/memoeingabe.h"
#include "platform/errors.h"

#include <stdexcept>

#include <QTest>
#include <QtWidgets>

using namespace hsa;
using namespace hsa::test;

namespace {

class GradeWindowUi : public ClassFixture {
protected:
    void SetUp() override
    {
        ClassFixture::SetUp();
        QStringList phrases(100);
        phrases[11] = QStringLiteral("* hat an der Streitschlichtung teilgenommen.");
        WriteTextLines(folder.file("floskel3.dat"), phrases);
        makeClass("xa_25262.dbf", threeStudents());
        openClass("xa_25262.dbf");
        form = std::make_unique<TForm2>(gradeWindow());
    }
    void TearDown() override
    {
        form.reset();
        ClassFixture::TearDown();
    }

    // Opens the window on a record as the main window does.
    void openOn(int record)
    {
        state().currentStudentRecord = record;
        ASSERT_TRUE(gradeWindow().Open(record));
        form->showStudent();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // The pointer enters the window before the first click, as a user's does.
        QTest::mouseMove(form.get(), QPoint(5, 5));
    }

    // A double click as the system delivers it: press, release, double click.
    static void doubleClick(QWidget* w, QPoint at = QPoint(5, 5))
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    }
    // Clicks the exam cell, opens its editor with key, types text and Return.
    void type(int row, int column, Qt::Key key, const QString& text)
    {
        QTableWidget* grid = form->StringGrid3;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(row, column));
        QTest::keyClick(grid, key);
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QPoint cellCentre(int row, int column)
    {
        return form->StringGrid3->visualRect(form->StringGrid3->model()->index(row, column)).center();
    }
    QString cell(int row, int column) const { return form->StringGrid3->item(row, column)->text(); }
    QString listGrade(int examRow) const { return form->StringGrid1->item(examRow + 1, 1)->text(); }

    std::unique_ptr<TForm2> form;
};

} // namespace

TEST_F(GradeWindowUi, TypedMarksAreNormalisedAndComputedAtOnceAndDoubleClicksToggleP)
{
    openOn(0);
    const int deu = rowOf("D");
    const int mat = rowOf("M");
    // Double clicks toggle between pending and empty.
    doubleClick(form->StringGrid3->viewport(), cellCentre(mat, ColWritten));
    EXPECT_EQ(cell(mat, ColWritten) + "|" + listGrade(mat), "- |   ");
    doubleClick(form->StringGrid3->viewport(), cellCentre(mat, ColWritten));
    EXPECT_EQ(cell(mat, ColWritten) + "|" + listGrade(mat), "P|??");
    // No editor was left open that could write the old text back.
    form->StringGrid3->setFocus();
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColWritten, mat), "P");

    // A key starts a new mark over the "P"; one typed behind the "P" of an
    // open editor is still the mark.
    type(deu, ColWritten, Qt::Key_3, "7");
    type(deu, ColYear, Qt::Key_2, ",5");
    type(mat, ColWritten, Qt::Key_F2, "3,5");
    const std::tuple<int, int, const char*> shown[] = {
        {deu, ColWritten, "3.7"}, {deu, ColYear, "2.5"}, {deu, ColAverage, "3.1"}, {deu, ColFinal, " 3"}, {mat, ColWritten, "3.5"}};
    for (const auto& [row, column, text] : shown)
        EXPECT_EQ(cell(row, column), text) << row << "," << column;
    EXPECT_EQ(listGrade(deu), "3*");
    // A computed cell takes no typing.
    form->StringGrid3->item(deu, ColFinal)->setText("1");
    EXPECT_EQ(cell(deu, ColFinal), " 3");
}

TEST_F(GradeWindowUi, PhrasesComeByNumberOrDoubleClickAndEditedOnesAreSavedOnClosing)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(1);
    form->hinweis1->setFocus();
    QTest::keyClicks(form->hinweis1, "12");
    QTest::keyClick(form->hinweis1, Qt::Key_Return);
    EXPECT_EQ(form->hinweis1->text(), QString("Anna hat an der Streitschlichtung teilgenommen.").left(42));
    EXPECT_TRUE(form->hinweis2->hasFocus());

    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_TRUE(form->StringGrid2->isVisible());
    EXPECT_EQ(form->StringGrid2->item(11, 0)->text(), "12");
    form->StringGrid2->setCurrentCell(11, 1);
    doubleClick(form->bemerkung1);
    EXPECT_EQ(form->bemerkung1->text(), "Anna hat an der Streitschlichtung teilgenommen.");
    form->StringGrid2->item(29, 1)->setText("* war Klassensprecher.");
    // Typed into the record-bound working groups: posted at once.
    QTest::keyClicks(form->recordEdits[0], "Chor");
    EXPECT_EQ(rec(0, "AG2"), "Chor");

    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    const QStringList saved = ReadTextLines(folder.file("floskel3.dat"));
    ASSERT_EQ(saved.size(), 100);
    EXPECT_EQ(saved.at(29), "* war Klassensprecher.");
    EXPECT_EQ(rec(0, "BEMERK1"), "Anna hat an der Streitschlichtung teilgenommen.");
}

// A page edit refuses, with a word naming the letter or the width, what
// its field cannot hold as typed or pasted, and shows the old text again.
TEST_F(GradeWindowUi, PageEditsRefuseWhatTheRecordCannotHold)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(1);
    const QString long49 = QString(49, QLatin1Char('w'));
    struct Case {
        QLineEdit* edit;
        QString field;
        QString typed; // key by key
        QString pasted;
        QString kept;
        QString said;
    };
    const Case cases[] = {
        {form->hinweis1, "HINWEIS1", "Ayş", {}, "Ay", "\"ş\""},
        {form->hinweis1, "HINWEIS1", {}, "Ayşe", "Ay", "\"ş\""},
        {form->hinweis1, "HINWEIS1", {}, long49, "Ay", "höchstens 42 Zeichen"},
        {form->recordEdits[2], "AG4", "Ayş", {}, "Ay", "\"ş\""},
        {form->recordEdits[2], "AG4", {}, "Ayşe" + long49, "Ay", "\"ş\""},
        {form->recordEdits[2], "AG4", {}, "Ayşe", "Ay", "\"ş\""},
        {form->recordEdits[2], "AG4", {}, "Öhringen", "AyÖhringen", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.field + " " + c.typed + c.pasted).toStdString());
        prompt.clear();
        c.edit->setFocus();
        c.edit->end(false);
        for (QChar ch : c.typed)
            QTest::sendKeyEvent(QTest::Click, c.edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        if (!c.pasted.isEmpty()) {
            QApplication::clipboard()->setText(c.pasted);
            QTest::keySequence(c.edit, QKeySequence::Paste);
        }
        EXPECT_EQ(c.edit->text(), c.kept);
        EXPECT_EQ(prompt.shown().size(), c.said.isEmpty() ? 0 : 1);
        if (!c.said.isEmpty()) {
            EXPECT_TRUE(prompt.lastText().contains(c.said)) << prompt.lastText().toStdString();
        }
        EXPECT_TRUE(form->isVisible());
    }
    EXPECT_EQ(rec(0, "AG4"), "AyÖhringen");
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(rec(0, "HINWEIS1"), "Ay");
}

TEST_F(GradeWindowUi, NotesStopAtFortyFiveLines)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(2);
    form->memo1->setPlainText(QStringLiteral("Notiz\n").repeated(46) + "Notiz");
    EXPECT_EQ(form->memo1->blockCount(), 45);
    EXPECT_EQ(prompt.lastText(), kMsgNotesCut);
    // Return on the 45th line begins no 46th.
    form->memo1->setFocus();
    form->memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(form->memo1, Qt::Key_Return);
    EXPECT_EQ(gradeWindow().notesText().split('\n').size(), 45);
}

TEST_F(GradeWindowUi, NextAndPreviousButtonsStepThroughTheClassKeepingLongTextsAndAGapClosesTheWindow)
{
    // A text longer than the edit is shown and kept whole.
    const QString long50 = QString(50, QLatin1Char('x'));
    ClassTable().setValue(1, "HINWEIS2", long50);
    ClassTable().post();
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(1);
    form->hinweis4->setFocus();
    QTest::keyClicks(form->hinweis4, "Klassensprecherin");
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(form->Label2->text(), "2 Bernd Czech");
    EXPECT_EQ(form->hinweis2->text(), long50);
    form->Vorheriger1->trigger();
    EXPECT_EQ(form->hinweis4->text(), "Klassensprecherin");
    EXPECT_EQ(rec(1, "HINWEIS2"), long50);
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    ClassTable().setValue(0, "NACHNAME", "");
    ClassTable().setValue(0, "VORNAME", "");
    ClassTable().post();
    QTest::mouseClick(form->Button10, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(rec(0, "HINWEIS1"), "-");
}

TEST_F(GradeWindowUi, OnlyAnotherProgramWindowClosesAndSavesIt)
{
    QMainWindow mainWindow;
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    openOn(0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    gradeWindow().setRemark(2, "beim Wechsel");

    // Neither its own dialog nor a message box that belongs to no window.
    QDialog own(form.get());
    QDialog box;
    for (QDialog* d : {&own, &box}) {
        d->show();
        d->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        QTest::qWait(20);
        EXPECT_TRUE(gradeWindow().isOpen());
        d->close();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 1000);
    EXPECT_FALSE(gradeWindow().isOpen());
    EXPECT_EQ(rec(0, "HINWEIS3"), "beim Wechsel");
    EXPECT_TRUE(QFileInfo::exists(gradeFile("1")));
}

TEST(MemoEditor, TakeOverReturnsTheTextCancelOrClosingKeepsIt)
{
    std::unique_ptr<QWidget> program(CreateMemoEditor());
    auto* editor = static_cast<Tmemoeingabe*>(program.get());
    const std::pair<const char*, std::function<void()>> endings[] = {
        {"Abbrechen", [editor] { QTest::mouseClick(editor->Button2, Qt::LeftButton); }},
        {"geschlossen", [editor] { editor->close(); }},
        {"Übernehmen", [editor] { QTest::mouseClick(editor->Button1, Qt::LeftButton); }},
    };
    QString text = "alt";
    for (const auto& e : endings) {
        QTimer::singleShot(0, [&] {
            editor->Memo1->setPlainText("neu\nzweite");
            e.second();
        });
        const bool taken = &e == &endings[2];
        EXPECT_EQ(EditInMemoDialog("Titel", text), taken) << e.first;
        EXPECT_EQ(text, taken ? "neu\nzweite" : "alt") << e.first;
    }
}

TEST_F(GradeWindowUi, OpenGradeWindowUsesTheCurrentRecordOfTheList)
{
    form.reset();
    std::unique_ptr<QWidget> programForm(CreateGradeWindow());
    state().currentStudentRecord = 2;
    ASSERT_TRUE(OpenGradeWindow());
    EXPECT_EQ(GradeWindowForm()->Label2->text(), "3 Carla Dorn");
    GradeWindowForm()->Zurck1Click();
    EXPECT_FALSE(programForm->isVisible());
}

TEST_F(GradeWindowUi, EnteringTheNotebookRewritesHeadingsAndCodesButKeepsTheMarksAndFocusesThePagesInput)
{
    state().eveningSchoolMode = true;
    openOn(0);
    ASSERT_TRUE(gradeWindow().commitCell(ColYear, rowOf("D"), "2"));
    const ExamSheet before = gradeWindow().sheet();
    form->tabbednotebook1->setCurrentIndex(1);
    // Focus from outside the notebook (the heading) into the notebook itself.
    form->Label2->setFocusPolicy(Qt::StrongFocus);
    form->Label2->setFocus();
    QApplication::processEvents();
    form->StringGrid3->setColumnWidth(ColCode, 20);
    form->tabbednotebook1->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->StringGrid3->columnWidth(ColCode), form->metrics().examGridCodeColumnWidth);
    EXPECT_EQ(QApplication::focusWidget(), form->hinweis1);
    const ExamGrid& grid = gradeWindow().sheet().grid;
    EXPECT_EQ(grid.at(ColWritten, 0) + grid.at(ColComm, 0), "schr(1)KP/pr(1)");
    for (int c = 1; c < kExamGridColumns; ++c)
        for (int r = 1; r < kExamGridRows; ++r)
            EXPECT_EQ(grid.at(c, r), before.grid.at(c, r)) << c << "," << r;
}

TEST_F(GradeWindowUi, EnteringTheGradeListFixesTheConductRowsUntilTheNextOpening)
{
    openOn(0);
    QTableWidget* list = form->StringGrid1;
    EXPECT_TRUE(list->item(0, 1)->flags() & Qt::ItemIsSelectable);
    list->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(list->item(1, 1)->flags() & Qt::ItemIsSelectable);
    EXPECT_EQ(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_GT(list->currentRow(), 2);
    // Esc leaves the window, saving; the next opening starts unfixed.
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(gradeWindow().isOpen());
    ASSERT_TRUE(gradeWindow().Open(0));
    EXPECT_FALSE(gradeWindow().gradeListFixedRows());
}

TEST_F(GradeWindowUi, ClipboardCopiesAndPastesExamCellsButNeverAComputedOne)
{
    openOn(0);
    const int deu = rowOf("D");
    const int mat = rowOf("M");
    ASSERT_TRUE(gradeWindow().commitCell(ColYear, deu, "2,5"));
    form->showStudent();
    form->StringGrid3->setFocus();
    const auto act = [this](int row, int column, const char* action) {
        form->StringGrid3->setCurrentCell(row, column);
        for (QAction* a : form->findChildren<QAction*>())
            if (a->text().startsWith(QString::fromUtf8(action)))
                return a->trigger();
        ADD_FAILURE() << action;
    };
    const QString final = cell(deu, ColFinal);
    act(deu, ColYear, "Kopieren");
    act(mat, ColYear, "Einfügen");
    EXPECT_EQ(cell(mat, ColYear) + "|" + QApplication::clipboard()->text(), "2.5|2.5");
    // A pasted text is normalised like a typed one.
    QApplication::clipboard()->setText("3,5\nzweite Zeile");
    act(mat, ColYear, "Einfügen");
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColYear, mat), "3.5");
    // Cut copies and empties the cell; a computed cell is never changed.
    act(mat, ColYear, "Ausschneiden");
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColYear, mat).trimmed() + "|" + QApplication::clipboard()->text(), "-|3.5");
    act(deu, ColFinal, "Einfügen");
    EXPECT_EQ(cell(deu, ColFinal), final);
}

// A click on the cell that is already current, a pause of any length, then
// the digits: they make the mark, over an empty cell as over an old one.
// Neither the click nor the pause leaves an editor that keeps the old text.
TEST_F(GradeWindowUi, ClickOnTheCurrentCellThenTypingReplacesTheMarkWhateverThePause)
{
    openOn(0);
    QTableWidget* grid = form->StringGrid3;
    const int pauses[] = {0, 120, 250, 400, 800};
    for (const int column : {ColWritten, ColYear}) {
        for (const QString& old : {QStringLiteral("- "), QStringLiteral("2.0")}) {
            for (const int pause : pauses) {
                const int row = rowOf("D");
                ASSERT_TRUE(gradeWindow().commitCell(column, row, old));
                form->showStudent();
                grid->setFocus();
                grid->setCurrentCell(row, column);
                // On the cell editor, when one lies over the cell.
                const QPoint at = cellCentre(row, column);
                QWidget* target = grid->viewport()->childAt(at) ? grid->viewport()->childAt(at) : grid->viewport();
                QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(grid->viewport(), at));
                QTest::qWait(pause);
                for (const char c : {'4', '5'})
                    QTest::keyClick(QApplication::focusWidget(), c);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                const std::string where = std::to_string(column) + " over \"" + old.toStdString() + "\" after "
                    + std::to_string(pause) + " ms";
                EXPECT_EQ(cell(row, column).toStdString(), "4.5") << where;
                EXPECT_EQ(gradeWindow().sheet().grid.at(column, row).toStdString(), "4.5") << where;
            }
        }
    }
}

// A hook behind a button, a menu entry or a key that fails (a full disk, a
// damaged file, any other error) shows one error message; the window stays
// open with what was typed, and the program goes on.
TEST_F(GradeWindowUi, AFailingActionShowsOneErrorAndKeepsTheWindowAndTheInput)
{
    using Hooks = GradeWindowHooks;
    const auto fileError = [] { throw FileError(QStringLiteral("Die Datei ist beschädigt.")); };
    const struct {
        const char* name;
        std::function<void(Hooks&)> fail;
        std::function<void(TForm2&)> act;
        QString message;
    } cases[] = {
        {"Notizfeld drucken", [&](Hooks& h) { h.printNotes = fileError; },
         [](TForm2& f) { QTest::mouseClick(f.Button5, Qt::LeftButton); }, "Die Datei ist beschädigt."},
        {"Zurück", [&](Hooks& h) { h.remindOpenAttachments = fileError; },
         [](TForm2& f) { f.Zurck1->trigger(); }, "Die Datei ist beschädigt."},
        {"Escape", [&](Hooks& h) { h.remindOpenAttachments = fileError; },
         [](TForm2& f) { QTest::keyClick(&f, Qt::Key_Escape); }, "Die Datei ist beschädigt."},
        {"Hilfe", [](Hooks& h) { h.openHelp = [](int) { throw std::runtime_error("kein Speicher"); }; },
         [](TForm2& f) { f.N1->trigger(); }, "Unerwarteter Fehler: kein Speicher"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Hooks kept = gradeWindow().hooks();
        openOn(0);
        form->tabbednotebook1->setCurrentIndex(1);
        form->hinweis1->setFocus();
        form->hinweis1->selectAll();
        QTest::keyClicks(form->hinweis1, "Streitschlichter");
        prompt.clear();
        c.fail(gradeWindow().hooks());
        c.act(*form);
        QStringList errors;
        for (const ScriptedPrompt::Shown& s : prompt.shown())
            if (s.call == ScriptedPrompt::Call::Message && s.kind == MsgKind::Error)
                errors << s.text;
        EXPECT_EQ(errors, QStringList{c.message});
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(gradeWindow().isOpen());
        EXPECT_EQ(form->hinweis1->text(), "Streitschlichter");
        gradeWindow().hooks() = kept;
        form->close();
        EXPECT_FALSE(gradeWindow().isOpen());
    }
}
