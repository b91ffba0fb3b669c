#include "classfixture.h"

#include "grades/gradewindow.h"
#include "grades/memoeingabe.h"
#include "platform/help.h"

#include <QClipboard>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace hsa;
using namespace hsa::test;

namespace {

class GradeWindowUi : public ClassFixture {
protected:
    void SetUp() override
    {
        ClassFixture::SetUp();
        QStringList phrases;
        for (int i = 1; i <= 100; ++i)
            phrases << QString();
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
    static void doubleClick(QWidget* w, QPoint at)
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    }

    QPoint cellCentre(int row, int column)
    {
        return form->StringGrid3->visualRect(form->StringGrid3->model()->index(row, column)).center();
    }

    std::unique_ptr<TForm2> form;
};

} // namespace

TEST_F(GradeWindowUi, ShowsTheStudentAndItsSheet)
{
    openOn(0);
    EXPECT_EQ(form->Label2->text(), "1 Anna Berg");
    EXPECT_EQ(form->Label3->text(), "Klasse  xa  2526   2");
    EXPECT_EQ(form->StringGrid3->item(rowOf("D"), ColWritten)->text(), "P");
    EXPECT_TRUE(form->StringGrid3->isColumnHidden(ColWeight));
    EXPECT_EQ(form->StringGrid1->item(2, 0)->text(), gradeWindow().context().subjectNames[2]);
    EXPECT_FALSE(form->RadioGroup2->isVisibleTo(form.get()));
    EXPECT_TRUE(form->Label15->isVisibleTo(form.get()));
    form->tabbednotebook1->setCurrentIndex(2);
    EXPECT_TRUE(form->Memo2->isVisible());
    EXPECT_TRUE(form->Memo2->toPlainText().startsWith("Berufsfachliche Kompetenz"));
    EXPECT_FALSE(form->StringGrid2->isVisibleTo(form.get()));
}

TEST_F(GradeWindowUi, TypedMarksAreNormalisedAndComputedAtOnce)
{
    openOn(0);
    const int deu = rowOf("D");
    QTableWidget* grid = form->StringGrid3;
    grid->setFocus();
    grid->setCurrentCell(deu, ColWritten);
    QTest::keyClick(grid, '3');
    QTest::keyClicks(QApplication::focusWidget(), "7");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    grid->setCurrentCell(deu, ColYear);
    QTest::keyClick(grid, '2');
    QTest::keyClicks(QApplication::focusWidget(), ",5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(grid->item(deu, ColWritten)->text(), "3.7");
    EXPECT_EQ(grid->item(deu, ColYear)->text(), "2.5");
    EXPECT_EQ(grid->item(deu, ColAverage)->text(), "3.1");
    EXPECT_EQ(grid->item(deu, ColFinal)->text(), " 3");
    EXPECT_EQ(form->StringGrid1->item(deu + 1, 1)->text(), "3*");

    // A computed cell takes no typing.
    grid->item(deu, ColFinal)->setText("1");
    EXPECT_EQ(grid->item(deu, ColFinal)->text(), " 3");
}

TEST_F(GradeWindowUi, TypingIntoAPendingCellStartsANewMark)
{
    openOn(0);
    const int deu = rowOf("D");
    QTableWidget* grid = form->StringGrid3;
    ASSERT_EQ(grid->item(deu, ColWritten)->text(), "P");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(deu, ColWritten));
    QTest::keyClick(grid, '2');
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(grid->item(deu, ColWritten)->text(), "2.0");
    // A mark typed behind the "P" of an open editor is still the mark.
    const int mat = rowOf("M");
    ASSERT_EQ(grid->item(mat, ColWritten)->text(), "P");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(mat, ColWritten));
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClicks(QApplication::focusWidget(), "3,5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(grid->item(mat, ColWritten)->text(), "3.5");
}

TEST_F(GradeWindowUi, DoubleClickTogglesBetweenPendingAndEmpty)
{
    openOn(0);
    const int deu = rowOf("D");
    QWidget* vp = form->StringGrid3->viewport();
    doubleClick(vp, cellCentre(deu, ColWritten));
    EXPECT_EQ(form->StringGrid3->item(deu, ColWritten)->text(), "- ");
    EXPECT_EQ(form->StringGrid1->item(deu + 1, 1)->text(), "   ");
    doubleClick(vp, cellCentre(deu, ColWritten));
    EXPECT_EQ(form->StringGrid3->item(deu, ColWritten)->text(), "P");
    EXPECT_EQ(form->StringGrid1->item(deu + 1, 1)->text(), "??");
    // No editor was left open that could write the old text back.
    form->StringGrid3->setFocus();
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColWritten, deu), "P");
}

TEST_F(GradeWindowUi, PhraseNumberAndReturnInARemarkEdit)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(1);
    form->hinweis1->setFocus();
    QTest::keyClicks(form->hinweis1, "12");
    QTest::keyClick(form->hinweis1, Qt::Key_Return);
    EXPECT_EQ(form->hinweis1->text(), QString("Anna hat an der Streitschlichtung teilgenommen.").left(42));
    EXPECT_EQ(gradeWindow().remark(0), form->hinweis1->text());
    EXPECT_TRUE(form->hinweis2->hasFocus());
    QTest::keyClick(form->hinweis2, Qt::Key_Up);
    EXPECT_TRUE(form->hinweis1->hasFocus());

    // Double click with the phrase store shown.
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_TRUE(form->StringGrid2->isVisible());
    form->StringGrid2->setCurrentCell(11, 1);
    doubleClick(form->bemerkung1, QPoint(5, 5));
    EXPECT_EQ(form->bemerkung1->text(), "Anna hat an der Streitschlichtung teilgenommen.");

    // Typed into the record-bound working groups: posted at once.
    QTest::keyClicks(form->recordEdits[0], "Chor");
    EXPECT_EQ(rec(0, "AG2"), "Chor");
}

TEST_F(GradeWindowUi, PhrasesEditedInTheStoreAreSavedWhenTheWindowCloses)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(1);
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(form->StringGrid2->item(11, 0)->text(), "12");
    EXPECT_EQ(form->StringGrid2->item(11, 1)->text(), "* hat an der Streitschlichtung teilgenommen.");
    form->StringGrid2->item(29, 1)->setText("* war Klassensprecher.");
    form->hinweis1->setFocus();
    QTest::keyClicks(form->hinweis1, "30");
    QTest::keyClick(form->hinweis1, Qt::Key_Return);
    EXPECT_EQ(form->hinweis1->text(), "Anna war Klassensprecher.");
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    const QStringList saved = ReadTextLines(folder.file("floskel3.dat"));
    ASSERT_EQ(saved.size(), 100);
    EXPECT_EQ(saved.at(29), "* war Klassensprecher.");
    EXPECT_EQ(saved.at(11), "* hat an der Streitschlichtung teilgenommen.");
    EXPECT_EQ(rec(0, "HINWEIS1"), "Anna war Klassensprecher.");
}

TEST_F(GradeWindowUi, NotesStopAtFortyFiveLines)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(2);
    QStringList lines;
    for (int i = 1; i <= 47; ++i)
        lines << QStringLiteral("Notiz %1").arg(i);
    form->memo1->setPlainText(lines.join('\n'));
    EXPECT_EQ(form->memo1->blockCount(), 45);
    EXPECT_EQ(prompt.lastText(), kMsgNotesCut);
    // Return on the 45th line begins no 46th.
    form->memo1->setFocus();
    form->memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(form->memo1, Qt::Key_Return);
    EXPECT_EQ(form->memo1->blockCount(), 45);
    EXPECT_EQ(gradeWindow().notesText().split('\n').size(), 45);
}

TEST_F(GradeWindowUi, NextAndPreviousButtonsStepThroughTheClass)
{
    openOn(0);
    form->tabbednotebook1->setCurrentIndex(1);
    form->hinweis4->setFocus();
    QTest::keyClicks(form->hinweis4, "Klassensprecherin");
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(form->Label2->text(), "2 Bernd Czech");
    EXPECT_EQ(form->hinweis4->text(), "");
    EXPECT_EQ(rec(0, "HINWEIS4"), "Klassensprecherin");
    form->Vorheriger1->trigger();
    EXPECT_EQ(form->Label2->text(), "1 Anna Berg");
    EXPECT_EQ(form->hinweis4->text(), "Klassensprecherin");
    form->Vorheriger1->trigger();
    EXPECT_EQ(prompt.lastText(), kMsgFirstStudent);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(GradeWindowUi, ATextLongerThanTheEditIsShownAndKeptWhole)
{
    const QString long50 = QString(50, QLatin1Char('x'));
    ClassTable().setValue(0, "HINWEIS2", long50);
    ClassTable().post();
    openOn(0);
    EXPECT_EQ(form->hinweis2->text(), long50);
    ASSERT_TRUE(gradeWindow().Close());
    EXPECT_EQ(rec(0, "HINWEIS2"), long50);
}

TEST_F(GradeWindowUi, PreviousOntoAGapClosesTheWindow)
{
    ClassTable().setValue(0, "NACHNAME", "");
    ClassTable().setValue(0, "VORNAME", "");
    ClassTable().post();
    openOn(1);
    QTest::mouseClick(form->Button10, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(gradeWindow().isOpen());
    EXPECT_EQ(rec(0, "HINWEIS1"), "-");
}

TEST_F(GradeWindowUi, AnotherProgramWindowClosesAndSavesIt)
{
    QMainWindow mainWindow;
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    openOn(0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->hinweis3->setText("beim Wechsel");
    gradeWindow().setRemark(2, "beim Wechsel");

    // Its own dialog does not close it.
    QDialog own(form.get());
    own.show();
    own.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&own));
    QTest::qWait(20);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(gradeWindow().isOpen());
    own.close();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    // A message box of the program that belongs to no window does not either.
    QDialog box;
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QTest::qWait(20);
    EXPECT_TRUE(gradeWindow().isOpen());
    box.close();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    // The main window does.
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 1000);
    EXPECT_FALSE(gradeWindow().isOpen());
    EXPECT_EQ(rec(0, "HINWEIS3"), "beim Wechsel");
    EXPECT_TRUE(QFileInfo::exists(gradeFile("1")));
}

// ---------------------------------------------------------------------------
// Memo editor

namespace {

// Acts on the memo editor once it is shown.
void whenEditorShown(std::function<void(Tmemoeingabe*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* editor = qobject_cast<Tmemoeingabe*>(QApplication::activeModalWidget());
        if (!editor) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* e = qobject_cast<Tmemoeingabe*>(w); e && e->isVisible())
                    editor = e;
        }
        ASSERT_NE(editor, nullptr);
        act(editor);
    });
}

} // namespace

TEST(MemoEditor, TakeOverReturnsTheTextCancelOrClosingKeepsIt)
{
    QString text = "alt";
    whenEditorShown([](Tmemoeingabe* e) {
        EXPECT_EQ(e->Memo1->toPlainText(), "alt");
        e->Memo1->setPlainText("verworfen");
        QTest::mouseClick(e->Button2, Qt::LeftButton);
    });
    EXPECT_FALSE(EditInMemoDialog("Titel", text));
    EXPECT_EQ(text, "alt");

    std::unique_ptr<QWidget> program(CreateMemoEditor());
    whenEditorShown([program = program.get()](Tmemoeingabe* e) {
        EXPECT_EQ(e, program);
        e->Memo1->setPlainText("verworfen");
        e->close();
    });
    EXPECT_FALSE(EditInMemoDialog("Titel", text));
    EXPECT_EQ(static_cast<Tmemoeingabe*>(program.get())->resultWord(), "Abbruch");
    EXPECT_EQ(text, "alt");

    whenEditorShown([](Tmemoeingabe* e) {
        e->Memo1->setPlainText("neu\nzweite");
        QTest::mouseClick(e->Button1, Qt::LeftButton);
    });
    EXPECT_TRUE(EditInMemoDialog("Titel", text));
    EXPECT_EQ(text, "neu\nzweite");
}

TEST_F(GradeWindowUi, OpenGradeWindowUsesTheCurrentRecordOfTheList)
{
    form.reset();
    std::unique_ptr<QWidget> programForm(CreateGradeWindow());
    ASSERT_EQ(GradeWindowForm(), programForm.get());
    state().currentStudentRecord = 2;
    ASSERT_TRUE(OpenGradeWindow());
    EXPECT_TRUE(programForm->isVisible());
    EXPECT_EQ(GradeWindowForm()->Label2->text(), "3 Carla Dorn");
    EXPECT_EQ(GradeWindowForm()->tabbednotebook1->currentIndex(), 0);
    GradeWindowForm()->Zurck1Click();
    EXPECT_FALSE(programForm->isVisible());
    EXPECT_FALSE(gradeWindow().isOpen());

    state().currentStudentRecord = 10; // an empty row
    EXPECT_FALSE(OpenGradeWindow());
    EXPECT_EQ(prompt.lastText(), kMsgNameFirst);
    EXPECT_FALSE(programForm->isVisible());
}

TEST_F(GradeWindowUi, HelpEntriesOpenTheirTopicsAndOnlyTheContentsIsOffered)
{
    RecordingHelp recorder;
    setHelp(&recorder);
    openOn(0);
    EXPECT_TRUE(form->N1->isVisible());
    // The topic entries sit in a menu the bar does not show.
    auto* topics = qobject_cast<QMenu*>(form->Schulfre4mde1->parent());
    ASSERT_NE(topics, nullptr);
    EXPECT_FALSE(topics->menuAction()->isVisible());
    form->N1->trigger();
    form->Abschlussprfung1->trigger();
    form->Schulfre4mde1->trigger();
    form->IndividuelleBerufsschulfcher1->trigger();
    setHelp(nullptr);
    ASSERT_EQ(recorder.requests.size(), 4);
    EXPECT_EQ(recorder.requests[0].file, state().helpFileName);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(recorder.requests[i].context, (QList<int>{0, 0, 40, 41}[i])) << i;
    // Help is no reason to close and save the student.
    EXPECT_TRUE(gradeWindow().isOpen());
}

TEST_F(GradeWindowUi, EnteringTheNotebookWidensTheCodeColumnAndFocusesThePagesInput)
{
    openOn(0);
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
    EXPECT_EQ(form->StringGrid3->item(0, ColWritten)->text(), "schr(3)");
    EXPECT_EQ(form->StringGrid3->item(rowOf("D"), ColCode)->text(), "D");

    // A click into a particular field keeps the focus there.
    form->Label2->setFocus();
    QApplication::processEvents();
    form->bemerkung1->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), form->bemerkung1);
}

TEST_F(GradeWindowUi, EnteringTheGradeListFixesTheConductRows)
{
    openOn(0);
    QTableWidget* list = form->StringGrid1;
    EXPECT_TRUE(list->item(0, 1)->flags() & Qt::ItemIsSelectable);
    list->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(list->item(0, 1)->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(list->item(1, 1)->flags() & Qt::ItemIsSelectable);
    EXPECT_EQ(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_GT(list->currentRow(), 2);
    // Esc leaves the window, saving.
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(gradeWindow().isOpen());
}

TEST_F(GradeWindowUi, ClipboardCopiesAndPastesExamCells)
{
    openOn(0);
    const int deu = rowOf("D");
    const int mat = rowOf("M");
    QTableWidget* grid = form->StringGrid3;
    ASSERT_TRUE(gradeWindow().commitCell(ColYear, deu, "2,5"));
    form->showStudent();
    grid->setFocus();
    grid->setCurrentCell(deu, ColYear);
    QAction* copy = nullptr;
    QAction* paste = nullptr;
    QAction* cut = nullptr;
    for (QAction* a : form->findChildren<QAction*>()) {
        if (a->text().startsWith("Kopieren"))
            copy = a;
        else if (a->text().startsWith("Einfügen"))
            paste = a;
        else if (a->text().startsWith("Ausschneiden"))
            cut = a;
    }
    ASSERT_TRUE(copy && paste && cut);
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "2.5");
    grid->setCurrentCell(mat, ColYear);
    paste->trigger();
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColYear, mat), "2.5");
    EXPECT_EQ(grid->item(mat, ColYear)->text(), "2.5");
    // A pasted text is normalised like a typed one.
    QApplication::clipboard()->setText("3,5\nzweite Zeile");
    paste->trigger();
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColYear, mat), "3.5");
    // Cut copies and empties the cell; a computed cell is never changed.
    cut->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "3.5");
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColYear, mat).trimmed(), "-");
    const QString final = gradeWindow().sheet().grid.at(ColFinal, deu);
    grid->setCurrentCell(deu, ColFinal);
    QApplication::clipboard()->setText("1");
    paste->trigger();
    EXPECT_EQ(gradeWindow().sheet().grid.at(ColFinal, deu), final);
}
