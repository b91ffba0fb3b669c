// Every window of the program (from the program block's list, so a new one is
// checked too) on the screens the school uses: with its largest content its
// frame lies inside the usable screen and every button can be reached.

#include "app/classgridview.h"
#include "app/subjecteditorpanel.h"
#include "app/zoomdlg.h"
#include "classes/dbftable.h"
#include "classes/examgrid.h"
#include "grades/classgrid.h"
#include "grades/gradewindow.h"
#include "grades/gradewindowcontroller.h"
#include "print/calibrationdialog.h"
#include "print/drivers.h"
#include "print/subjectlistchoice.h"
#include "platform/qtprompt.h"
#include "support/programwindows.h"
#include "support/restartable.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QTimer>
#include <QListWidget>
#include <QMap>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <map>

using namespace hsa;

namespace {

const QString kClass = QStringLiteral("9a_21222.dbf");

class WindowGeometry : public test::Restartable<test::ProgramWindowsFixture> {
protected:
    // The program started anew on info, with a class of 40 students, the
    // first with the longest name.
    void restartOn(const ScreenInfo& info)
    {
        ClassTable().close();
        restart([&] {
            // A grade table or grade window left open by an earlier run.
            classGrid().reset();
            gradeWindow().reset();
            screenDouble.facts = info;
        });
        form->show();
        state().accessLocked = false;
        prompt.setDefaultAnswer(Answer::Yes);
        dir.layDefaults();
        QFile::remove(dir.file(kClass));
        QFile::copy(dir.file("start2.dbf"), dir.file(kClass));
        QDir(dir.path()).mkpath(kClass.left(8));
        DbfTable t;
        t.open(dir.file(kClass));
        for (int i = 0; i < 40; ++i) {
            t.setValue(i, "NACHNAME", i ? QStringLiteral("Schüler%1").arg(i) : "Hohenzollern-Sigmaringen-Württembergerin");
            t.setValue(i, "VORNAME", "Anna");
        }
        t.close();
    }
    void openClass()
    {
        form->trigger("whlen1");
        form->FileListBox1->setCurrentItem(form->FileListBox1->findItems(kClass, Qt::MatchFixedString).value(0));
        form->FileListBox1Activate();
        ASSERT_EQ(state().openClassFile, kClass) << prompt.texts().join(" | ").toStdString();
    }
};

void expectWhole(QWidget* w, const ScreenInfo& s, const std::string& where)
{
    QApplication::processEvents();
    const QRect area(s.availableLeft, s.availableTop, s.usableWidth(), s.usableHeight());
    const QRect f = w->frameGeometry();
    EXPECT_TRUE(area.contains(f)) << where << ": frame " << f.x() << "," << f.y() << " " << f.width() << "x" << f.height();
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
        if (b->isVisibleTo(w) && b->window() == w) {
            EXPECT_FALSE(b->visibleRegion().isEmpty()) << where << ": \"" << b->text().toStdString() << "\" hidden";
        }
    }
}

// The grid shows as many rows as the window's height leaves room for (the
// start-screen picture gives way), its heading on top.
void expectFills(QAbstractItemView* grid, const std::string& where)
{
    QApplication::processEvents();
    ASSERT_TRUE(grid->isVisible()) << where;
    QWidget* central = grid->parentWidget();
    const QLayout* layout = central->layout();
    int others = layout->contentsMargins().top() + layout->contentsMargins().bottom();
    for (QWidget* c : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c != grid && c->isVisible() && c->objectName() != QStringLiteral("Image1"))
            others += c->height() + layout->spacing();
    auto* table = qobject_cast<QTableView*>(grid);
    const int rowHeight = table ? table->verticalHeader()->defaultSectionSize() : grid->sizeHintForRow(0);
    const int held = (central->height() - others) / rowHeight;
    const int shown = grid->viewport()->height() / rowHeight;
    EXPECT_GE(shown, std::min(grid->model()->rowCount(), held) - 2) << where << ": " << shown << " rows, room for " << held;
    if (table) {
        EXPECT_TRUE(table->horizontalHeader()->isVisible() || table->rowViewportPosition(0) == 0) << where;
    }
}

// The desktop centres a window's caption between its icon and its three
// buttons, each about a line high and wide with a gap: the window leaves
// that room on both sides of the whole caption, or is as wide as the screen.
void expectCaptionRoom(const QWidget* w, const ScreenInfo& s, const std::string& where)
{
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    const int wanted = fm.horizontalAdvance(w->windowTitle()) + 2 * 3 * (fm.height() + 2);
    EXPECT_GE(w->frameGeometry().width(), std::min(wanted, s.usableWidth() - 20))
        << where << ": \"" << w->windowTitle().toStdString() << "\" in " << w->frameGeometry().width();
}

} // namespace

TEST_F(WindowGeometry, EveryWindowFitsEveryScreen)
{
    const ScreenInfo screens[] = {{1024, 768, 96}, {1280, 1024, 96}, {1366, 768, 96, 0, 0, 1366, 728}, {1920, 1080, 96}};
    for (ScreenInfo scr : screens) {
        for (const double dpi : {96.0, 120.0}) {
            scr.logicalDpiX = dpi;
            SCOPED_TRACE(std::to_string(scr.width) + "x" + std::to_string(scr.height) + " at " + std::to_string(dpi));
            restartOn(scr);
            openClass();
            expectWhole(form, scr, "Form1");
            form->trigger("JahresleistungEingabe1");
            expectWhole(form, scr, "Form1 with a grade table");
            form->trigger("speichernundverlassen1");
            state().currentStudentRecord = 0;
            form->trigger("Berichtschreiben1");
            auto* grades = static_cast<TForm2*>(ProgramWindow("Form2"));
            ASSERT_TRUE(grades->isVisible()) << prompt.texts().join(" | ").toStdString();
            expectWhole(grades, scr, "Form2");
            grades->Label9Click(); // the weight column opens whole
            const QTableWidget* g = grades->StringGrid3;
            const int left = g->columnViewportPosition(ColWeight);
            EXPECT_TRUE(left >= 0 && left + g->columnWidth(ColWeight) <= g->viewport()->width()) << "weight column";
            grades->hide();
            TForm3 calibration; // created where it is used
            QList<QWidget*> windows{&calibration};
            for (const ProgramWindowDef& def : ProgramWindowOrder())
                windows << ProgramWindow(def.formName);
            for (QWidget* w : windows) {
                if (w != form && w != grades) {
                    w->show();
                    expectWhole(w, scr, w->metaObject()->className());
                    w->hide();
                }
            }
        }
    }
}

TEST_F(WindowGeometry, ListsFillTheMainWindowInEveryMode)
{
    restartOn({1280, 1024, 96});
    prompt.text("xb").text("2122"); // the first class of the run, created by hand
    form->trigger("neuanlegen1");
    ASSERT_FALSE(state().openClassFile.isEmpty()) << prompt.texts().join(" | ").toStdString();
    expectFills(form->DBGrid1, "created by hand");
    form->trigger("SchriftlicheNotenEingabe1");
    expectFills(form->StringGrid1, "grade table of the new class");
    form->trigger("speichernundverlassen1");
    form->trigger("schlieen1");
    prompt.no(); // the advice before renaming: go on
    for (const char* mode : {"umbenennen1", "lschen1", "whlen1"}) {
        form->trigger(mode);
        expectFills(form->FileListBox1, mode);
    }
    openClass();
    expectFills(form->DBGrid1, "opened");
    form->trigger("JahresleistungEingabe1");
    expectFills(form->StringGrid1, "grade table");
}

namespace {

// What the user sees of a window: where it stands, and the size of the text
// of every control in it (the window's own dialogs and menus aside).
struct WindowLook {
    QRect frame;
    QMap<const QWidget*, qreal> fonts;
    QList<int> gridSizes; // column widths and row heights of its grids
    // The room every control asks for, shown or hidden (a hidden one takes
    // it when it comes), and where each shown one stands.
    QMap<const QWidget*, QString> controls;
};

QString placeOf(const QWidget* c, bool shown)
{
    const auto size = [](const QSize& s) { return QStringLiteral("%1x%2").arg(s.width()).arg(s.height()); };
    const QRect g = c->geometry();
    QString columns;
    if (auto* t = qobject_cast<const QTableView*>(c))
        for (int i = 0; i < t->horizontalHeader()->count(); ++i)
            columns += QStringLiteral(" %1").arg(t->columnWidth(i));
    return QStringLiteral("%1 %2 hint %3 least %4 limits %5-%6 font %7 %8%9")
        .arg(QString::fromLatin1(c->metaObject()->className()), c->objectName(), size(c->sizeHint()),
             size(c->minimumSizeHint()), size(c->minimumSize()), size(c->maximumSize()))
        .arg(c->font().pointSizeF())
        .arg(shown ? QStringLiteral("at %1,%2 %3").arg(g.x()).arg(g.y()).arg(size(g.size())) : QStringLiteral("hidden"),
             columns);
}

WindowLook lookAt(QWidget* w)
{
    QApplication::processEvents();
    WindowLook look{w->frameGeometry(), {}, {}, {}};
    for (QWidget* c : w->findChildren<QWidget*>()) {
        // A grid sets up a scroll bar when one first comes (with the larger
        // contents): hidden again, it stays so set up.
        const bool shown = c->isVisibleTo(w);
        if (c->window() == w && (shown || !c->objectName().startsWith(QStringLiteral("qt_scrollarea_"))))
            look.controls.insert(c, placeOf(c, shown));
        // The menu bar keeps the desktop's font, like the system's menus.
        if (c->window() != w || !c->isVisibleTo(w) || qobject_cast<QMenuBar*>(c)
            || qobject_cast<QMenuBar*>(c->parentWidget()))
            continue;
        look.fonts.insert(c, c->font().pointSizeF());
        if (auto* t = qobject_cast<QTableView*>(c))
            look.gridSizes << t->columnWidth(0) << t->rowHeight(0) << t->horizontalHeader()->defaultSectionSize();
    }
    return look;
}

void expectSameLook(const WindowLook& now, const WindowLook& before, const std::string& name)
{
    EXPECT_EQ(now.frame, before.frame) << name;
    EXPECT_EQ(now.fonts, before.fonts) << name;
    EXPECT_EQ(now.gridSizes, before.gridSizes) << name;
    for (auto c = before.controls.cbegin(); c != before.controls.cend(); ++c)
        EXPECT_EQ(now.controls.value(c.key()).toStdString(), c.value().toStdString()) << name;
}

} // namespace

// "Ansicht (Zoom)" at 120 % and then 100 % on a 1024 x 768 screen: every
// zoomed window grows with its contents (fonts and grids), stays inside the
// screen, and 100 % gives it back as it was.  The calibration dialog, made
// where it is used, comes up zoomed.
TEST_F(WindowGeometry, ZoomScalesContentsStaysOnScreenAndComesBack)
{
    const ScreenInfo scr{1024, 768, 96};
    for (const bool gradeTable : {false, true}) {
        SCOPED_TRACE(gradeTable ? "grade table" : "student list");
        restartOn(scr);
        openClass();
        if (gradeTable)
            form->trigger("JahresleistungEingabe1");
        QList<QWidget*> windows{form};
        for (const char* name : {"DualListDlg", "BtnRightDlg", "archivform", "arch2form"})
            windows << ProgramWindow(QString::fromLatin1(name));
        QList<WindowLook> before;
        for (QWidget* w : windows) {
            w->show();
            before << lookAt(w);
        }
        // The grade window, opened by a double click on a student, is not
        // zoomed and stays exactly as it is.
        QWidget* grades = ProgramWindow("Form2");
        WindowLook gradesBefore;
        if (!gradeTable) {
            emit form->DBGrid1->doubleClicked(form->DBGrid1->model()->index(0, 1));
            ASSERT_TRUE(grades->isVisible()) << prompt.texts().join(" | ").toStdString();
            lookAt(grades); // settled once after its first showing
            gradesBefore = lookAt(grades);
        }
        qreal calibrationFont = 0;
        {
            TForm3 calibration;
            calibration.show();
            calibrationFont = calibration.StringGrid1->font().pointSizeF();
        }
        auto* zoom = static_cast<TBtnRightDlg1*>(ProgramWindow("BtnRightDlg1"));
        const auto choose = [&](int button) {
            zoom->show();
            zoom->RadioGroup1Buttons->button(button)->setChecked(true);
            QTest::mouseClick(zoom->OKBtn, Qt::LeftButton);
        };

        choose(0); // 120 %
        for (int i = 0; i < windows.size(); ++i) {
            QWidget* w = windows[i];
            const std::string name = w->objectName().toStdString();
            expectWhole(w, scr, name + " at 120 %");
            const WindowLook now = lookAt(w);
            // Scroll bars may come with the larger contents.
            for (auto f = before[i].fonts.cbegin(); f != before[i].fonts.cend(); ++f)
                EXPECT_NEAR(now.fonts.value(f.key()), f.value() * 1.2, 0.01)
                    << name << " " << f.key()->metaObject()->className() << " " << f.key()->objectName().toStdString();
            for (int g = 0; g < now.gridSizes.size(); ++g)
                EXPECT_NEAR(now.gridSizes[g], before[i].gridSizes[g] * 1.2, 1) << name << " grid size " << g;
        }
        if (!gradeTable)
            expectSameLook(lookAt(grades), gradesBefore, "Form2 at 120 %");
        {
            TForm3 calibration;
            calibration.show();
            expectWhole(&calibration, scr, "calibration at 120 %");
            EXPECT_NEAR(calibration.StringGrid1->font().pointSizeF(), calibrationFont * 1.2, 0.01);
        }
        // A user value whose contents cannot fit grows each window only as far
        // as the screen allows.
        zoom->SpinEdit1->setValue(250);
        choose(6);
        for (QWidget* w : windows)
            expectWhole(w, scr, w->objectName().toStdString() + " at 250 %");

        choose(2); // back to 100 %
        for (int i = 0; i < windows.size(); ++i)
            expectSameLook(lookAt(windows[i]), before[i], windows[i]->objectName().toStdString());
        if (!gradeTable) {
            expectSameLook(lookAt(grades), gradesBefore, "Form2 at 100 %");
            grades->hide();
        }
        if (gradeTable)
            continue;
        // A grade table opened while zoomed comes zoomed, and is sized as
        // designed at 100 % again.
        const auto tableSizes = [&] {
            const QTableWidget* g = form->StringGrid1;
            return QList<int>{g->columnWidth(kGridFixedCols), g->rowHeight(1), g->font().pointSize()};
        };
        form->trigger("JahresleistungEingabe1");
        const QList<int> designed = tableSizes();
        form->trigger("speichernundverlassen1");
        choose(0);
        form->trigger("JahresleistungEingabe1");
        const QList<int> zoomed = tableSizes();
        for (int k = 0; k < designed.size(); ++k)
            EXPECT_NEAR(zoomed[k], designed[k] * 1.2, 1) << "grade table size " << k;
        choose(2);
        EXPECT_EQ(tableSizes(), designed);
        form->trigger("speichernundverlassen1");
        // The student list, laid out anew while zoomed (a grade table closed),
        // has its columns as designed at 100 % again.
        const WindowLook listed = lookAt(form);
        choose(0);
        form->trigger("JahresleistungEingabe1");
        form->trigger("speichernundverlassen1");
        choose(2);
        expectSameLook(lookAt(form), listed, "Form1 after a grade table closed at 120 %");
    }
}

// A window not yet shown when the zoom is chosen is left to size itself by
// its contents and to be placed by the system when it comes: zoomed and
// zoomed back, it comes exactly as without the zoom; zoomed beyond what the
// screen holds, it comes as large as the screen allows.
TEST_F(WindowGeometry, ZoomLeavesWindowsNotYetShownToSizeThemselves)
{
    const ScreenInfo scr{1024, 768, 96};
    QRect natural;
    for (const bool zoomed : {false, true}) {
        restartOn(scr);
        openClass();
        if (zoomed) {
            auto* zoom = static_cast<TBtnRightDlg1*>(ProgramWindow("BtnRightDlg1"));
            for (const int button : {0, 2}) {
                zoom->show();
                zoom->RadioGroup1Buttons->button(button)->setChecked(true);
                QTest::mouseClick(zoom->OKBtn, Qt::LeftButton);
            }
        }
        QWidget* dialog = ProgramWindow("BtnRightDlg");
        dialog->show();
        QApplication::processEvents();
        if (zoomed) {
            EXPECT_EQ(dialog->frameGeometry(), natural);
        }
        natural = dialog->frameGeometry();
        dialog->hide();
    }
    // Shown only after a zoom its contents cannot have, it grows as far as
    // the screen allows.
    auto* zoom = static_cast<TBtnRightDlg1*>(ProgramWindow("BtnRightDlg1"));
    zoom->show();
    zoom->RadioGroup1Buttons->button(6)->setChecked(true);
    zoom->SpinEdit1->setValue(250);
    QTest::mouseClick(zoom->OKBtn, Qt::LeftButton);
    for (const char* name : {"archivform", "arch2form", "BtnRightDlg"}) {
        QWidget* w = ProgramWindow(QString::fromLatin1(name));
        w->show();
        expectWhole(w, scr, std::string(name) + " shown at 250 %");
        w->hide();
    }
}

// Every whole-class table keeps its place while it is used: selecting a
// cell shows "Drucken: Doppelklick" without moving the grid, so a second
// click at the same height still lands in the same student's row.
TEST_F(WindowGeometry, GradeTablesStayInPlaceWhileCellsAreSelected)
{
    const char* tables[] = {"JahresleistungEingabe1", "SchriftlicheNotenEingabe1", "MndlicheNotenEingabe1",
                            "PraktischePrfungsergebnisseEingabe1", "PPPraktischePrfungEingabe4Ausdruck1",
                            "bearbeiten1", "PLPrfungsleistungenganzeKlasseAnsichtAusdruck1"};
    for (const ScreenInfo& scr : {ScreenInfo{1024, 768, 96}, ScreenInfo{1280, 1024, 96}}) {
        restartOn(scr);
        openClass();
        form->activateWindow();
        QApplication::setActiveWindow(form);
        for (const char* entry : tables) {
            SCOPED_TRACE(std::to_string(scr.width) + " " + entry);
            form->trigger(entry);
            ClassGridView* grid = form->StringGrid1;
            QApplication::processEvents();
            ASSERT_TRUE(grid->isVisible());
            const QRect before(grid->mapTo(form, QPoint(0, 0)), grid->size());
            const auto clickRow = [&](int row) {
                const int column = grid->currentColumn();
                const QPoint at(grid->columnViewportPosition(column) + grid->columnWidth(column) / 2,
                                grid->rowViewportPosition(row) + grid->rowHeight(row) / 2);
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
                QApplication::processEvents();
            };
            const int firstRowY = grid->rowViewportPosition(1);
            clickRow(2);
            clickRow(1);
            EXPECT_TRUE(form->Label9->isVisible());
            EXPECT_EQ(QRect(grid->mapTo(form, QPoint(0, 0)), grid->size()), before);
            EXPECT_EQ(grid->rowViewportPosition(1), firstRowY);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              QPoint(grid->columnViewportPosition(grid->currentColumn()) + 2, firstRowY + 2));
            EXPECT_EQ(grid->currentRow(), 1);
            // Return, the arrow keys and the print progress shown meanwhile
            // leave the grid where it is as well.
            QTest::keyClick(grid, Qt::Key_Return);
            QTest::keyClick(grid, Qt::Key_Right);
            printLoopHooks().progress(QStringLiteral("Drucke Schüler 1"));
            QApplication::processEvents();
            printLoopHooks().progress(QString());
            QApplication::processEvents();
            EXPECT_EQ(QRect(grid->mapTo(form, QPoint(0, 0)), grid->size()), before);
            EXPECT_LE(form->Label9->geometry().bottom(), grid->geometry().top()); // covers no mark
            form->trigger("speichernundverlassen1");
            ASSERT_FALSE(grid->isVisible());
        }
    }
}

// Every heading of the class grid and of the grade window's exam grid reads
// whole at 1280 x 1024, on one line or split at its "/" onto two, and shows
// its full text as a tool tip.
TEST_F(WindowGeometry, GridHeadingsReadWholeWithTheirFullTextAsToolTip)
{
    restartOn({1280, 1024, 96});
    openClass();
    const auto expectReadable = [](const QTableWidget* grid, int firstColumn, const std::string& where) {
        for (int c = firstColumn; c < grid->columnCount(); ++c) {
            const QTableWidgetItem* it = grid->item(0, c);
            if (!it || grid->isColumnHidden(c) || it->text().trimmed().isEmpty())
                continue;
            const QString text = it->text().trimmed();
            const QFontMetrics fm(it->font());
            const int room = grid->columnWidth(c) - 2;
            const int slash = text.indexOf('/');
            const bool oneLine = fm.horizontalAdvance(text) <= room;
            const bool twoLines = slash > 0 && fm.horizontalAdvance(text.left(slash + 1)) <= room
                && fm.horizontalAdvance(text.mid(slash + 1)) <= room && 2 * fm.lineSpacing() <= grid->rowHeight(0);
            EXPECT_TRUE(oneLine || twoLines) << where << " \"" << text.toStdString() << "\" in " << grid->columnWidth(c);
            EXPECT_TRUE(it->toolTip().startsWith(text)) << where << " " << it->toolTip().toStdString();
        }
    };
    for (const char* table : {"JahresleistungEingabe1", "bearbeiten1"}) {
        form->trigger(table);
        QApplication::processEvents();
        expectReadable(form->StringGrid1, 0, table);
        form->trigger("speichernundverlassen1");
    }
    EXPECT_EQ(form->StringGrid1->item(0, 6)->toolTip(), "G/Gk – Geschichte/Gemeinschaftskunde");
    state().currentStudentRecord = 0;
    form->trigger("Berichtschreiben1");
    auto* grades = static_cast<TForm2*>(ProgramWindow("Form2"));
    ASSERT_TRUE(gradeWindow().isOpen()) << prompt.texts().join(" | ").toStdString();
    grades->showStudent(); // whether or not another window took the focus meanwhile
    grades->show();
    QApplication::processEvents();
    expectReadable(grades->StringGrid3, 1, "Form2");
    // Every mark column and its heading in view without scrolling.
    const QTableWidget* exam = grades->StringGrid3;
    for (int c = 0; c < exam->columnCount(); ++c) {
        if (!exam->isColumnHidden(c)) {
            EXPECT_LE(exam->columnViewportPosition(c) + exam->columnWidth(c), exam->viewport()->width()) << c;
        }
    }
    grades->hide();
}

// Every window of the program, every view of the main window (the student
// list, each grade table, each panel of the subject lists, the subject
// editor of "Sonderfunktionen") and every input and message box met on the
// way, opened as the secretary opens them on a 1024 x 768 screen at 100 %
// and at 120 % view zoom: the frame lies inside the usable screen, every
// button can be reached, the caption has its room in the title bar, and the
// main window is as wide again when a view closes.  HSA_FULL_SWEEP=1 adds
// the other screens of the school and every zoom of the dialog.
TEST_F(WindowGeometry, EveryWindowViewAndBoxFitsTheScreenAtEveryZoom)
{
    QList<std::pair<ScreenInfo, int>> runs; // the screen and the zoom dialog's button
    const bool full = qEnvironmentVariableIntValue("HSA_FULL_SWEEP") == 1;
    const QList<ScreenInfo> screens = full ? QList<ScreenInfo>{{1024, 768, 96}, {1280, 1024, 96},
                                                               {1366, 768, 96, 0, 0, 1366, 728}}
                                           : QList<ScreenInfo>{{1024, 768, 96}};
    for (const ScreenInfo& s : screens)
        for (const int button : full ? QList<int>{0, 1, 2, 3, 4, 5} : QList<int>{2, 0})
            runs << std::pair(s, button);
    for (const auto& [scr, zoomButton] : runs) {
        SCOPED_TRACE(std::to_string(scr.width) + "x" + std::to_string(scr.height) + " at "
                     + std::to_string(120 - 10 * zoomButton) + " %");
        restartOn(scr);
        openClass();
        auto* zoom = static_cast<TBtnRightDlg1*>(ProgramWindow("BtnRightDlg1"));
        zoom->show();
        zoom->RadioGroup1Buttons->button(zoomButton)->setChecked(true);
        QTest::mouseClick(zoom->OKBtn, Qt::LeftButton);
        QApplication::processEvents();
        const int width = form->frameGeometry().width();
        const auto click = [](QWidget* parent, const char* name) {
            auto* b = parent->findChild<QAbstractButton*>(QString::fromLatin1(name));
            ASSERT_TRUE(b && b->isVisible()) << name;
            QTest::mouseClick(b, Qt::LeftButton);
        };
        const auto openSubjectEditor = [&] {
            QWidget* sonder = ProgramWindow("form_sonder");
            sonder->show();
            expectWhole(sonder, scr, "Sonderfunktionen");
            expectCaptionRoom(sonder, scr, "Sonderfunktionen");
            sonder->findChild<QLineEdit*>("Edit1")->setText("Gärten48260");
            click(sonder, "BitBtn1");
            ASSERT_TRUE(form->SubjectEditor->isVisible()) << prompt.texts().join(" | ").toStdString();
        };
        struct View {
            std::string name;
            std::function<void()> open;
            std::function<void()> close;
        };
        QList<View> views{{"student list", [] {}, [] {}},
                          {"subject editor, cancelled", openSubjectEditor, [&] { click(form->SubjectEditor, "Button2"); }},
                          {"subject editor, saved", openSubjectEditor, [&] { click(form->SubjectEditor, "Button1"); }}};
        for (const char* table : {"JahresleistungEingabe1", "SchriftlicheNotenEingabe1", "MndlicheNotenEingabe1",
                                  "PraktischePrfungsergebnisseEingabe1", "PPPraktischePrfungEingabe4Ausdruck1",
                                  "bearbeiten1", "PLPrfungsleistungenganzeKlasseAnsichtAusdruck1"})
            views << View{table, [this, table] { form->trigger(table); }, [&] { form->trigger("speichernundverlassen1"); }};
        for (const SubjectListPreset& p : SubjectListPresets())
            views << View{p.entry, [&] { form->trigger(QString::fromLatin1(p.entry)); },
                          [&] {
                              // Some lists print at once, without a panel.
                              if (form->Panel1->isVisible())
                                  click(form, "Button4");
                          }};
        for (const View& v : views) {
            SCOPED_TRACE(v.name);
            v.open();
            expectWhole(form, scr, v.name);
            v.close();
            QApplication::processEvents();
            EXPECT_EQ(form->frameGeometry().width(), width) << v.name << " closed";
            expectWhole(form, scr, v.name + " closed");
        }
        state().currentStudentRecord = 0;
        form->trigger("Berichtschreiben1");
        TForm3 calibration; // created where it is used
        QList<QWidget*> windows{ProgramWindow("Form2"), &calibration};
        for (const ProgramWindowDef& def : ProgramWindowOrder())
            windows << ProgramWindow(def.formName);
        for (QWidget* w : windows) {
            const std::string name = w->metaObject()->className();
            w->show();
            expectWhole(w, scr, name);
            // The main window's caption is longer than any screen is wide,
            // and a zoom below 100 % makes the window smaller by choice.
            if (w != form) {
                expectCaptionRoom(w, scr, name);
                w->hide();
            }
        }
        // A class made by hand asks for its code and its school year.
        form->trigger("schlieen1");
        prompt.text("xb").text("2122");
        form->trigger("neuanlegen1");
        QtPrompt real;
        Prompt& boxes = real;
        int replayed = 0;
        for (const ScriptedPrompt::Shown& shown : prompt.shown()) {
            const std::string name = "box \"" + shown.caption.toStdString() + "\" " + shown.text.left(40).toStdString();
            using Call = ScriptedPrompt::Call;
            if (shown.call == Call::OpenFile || shown.call == Call::SaveFile || shown.call == Call::Folder) {
                ++replayed; // the desktop's own file dialogs
                continue;
            }
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                ASSERT_TRUE(box) << name;
                expectWhole(box, scr, name);
                expectCaptionRoom(box, scr, name);
                box->close();
                ++replayed;
            });
            switch (shown.call) {
            case ScriptedPrompt::Call::Message: boxes.message(shown.kind, shown.text, shown.caption); break;
            case ScriptedPrompt::Call::Ask: boxes.ask(shown.kind, shown.text, shown.buttons, shown.caption); break;
            case ScriptedPrompt::Call::Input: boxes.input(shown.caption, shown.text, shown.preset, shown.maxLength); break;
            case ScriptedPrompt::Call::Password: boxes.password(shown.caption, shown.text); break;
            case ScriptedPrompt::Call::Choose: boxes.choose(shown.caption, shown.text, shown.items, 0); break;
            default: break;
            }
            QApplication::processEvents();
        }
        EXPECT_EQ(replayed, prompt.shown().size());
        EXPECT_TRUE(std::any_of(prompt.shown().begin(), prompt.shown().end(),
                                [](const auto& b) { return b.call == ScriptedPrompt::Call::Input; }));
    }
}

// The zoom changed while the subject editor is open, the editor closed and
// opened again at another zoom: at every step the main window lies inside
// the screen, and back at 100 % it has its first size again.  The wide
// screen's taskbar leaves the least height, where a window grown by a few
// lines no longer fits.
TEST_F(WindowGeometry, SubjectEditorFitsTheScreenAcrossZoomChanges)
{
    for (const ScreenInfo& scr : {ScreenInfo{1024, 768, 96}, ScreenInfo{1366, 768, 96, 0, 0, 1366, 728}}) {
        SCOPED_TRACE(std::to_string(scr.usableWidth()) + "x" + std::to_string(scr.usableHeight()));
        restartOn(scr);
        openClass();
        QApplication::processEvents();
        const QSize first = form->frameGeometry().size();
        auto* zoom = static_cast<TBtnRightDlg1*>(ProgramWindow("BtnRightDlg1"));
        const std::map<std::string, std::function<void()>> steps{
            {"120 %",
             [&] {
                 zoom->show();
                 zoom->RadioGroup1Buttons->button(0)->setChecked(true);
                 QTest::mouseClick(zoom->OKBtn, Qt::LeftButton);
             }},
            {"100 %",
             [&] {
                 zoom->show();
                 zoom->RadioGroup1Buttons->button(2)->setChecked(true);
                 QTest::mouseClick(zoom->OKBtn, Qt::LeftButton);
             }},
            {"open",
             [&] {
                 QWidget* sonder = ProgramWindow("form_sonder");
                 sonder->show();
                 sonder->findChild<QLineEdit*>("Edit1")->setText("Gärten48260");
                 QTest::mouseClick(sonder->findChild<QAbstractButton*>("BitBtn1"), Qt::LeftButton);
                 ASSERT_TRUE(form->SubjectEditor->isVisible()) << prompt.texts().join(" | ").toStdString();
             }},
            {"cancel",
             [&] { QTest::mouseClick(form->SubjectEditor->findChild<QAbstractButton*>("Button2"), Qt::LeftButton); }}};
        std::string done;
        for (const char* step : {"open", "120 %", "cancel", "100 %", "120 %", "open", "100 %", "cancel", "120 %",
                                 "open", "cancel", "open", "100 %", "cancel"}) {
            done += std::string(done.empty() ? "" : ", ") + step;
            steps.at(step)();
            expectWhole(form, scr, done);
        }
        EXPECT_EQ(form->frameGeometry().size(), first) << done;
    }
}
