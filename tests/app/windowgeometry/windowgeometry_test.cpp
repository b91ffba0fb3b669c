// Every window of the program on the screens the school uses: shown with its
// largest content, its frame lies inside the usable screen and every button
// can be reached without moving it.  The windows come from the program block's
// list, so a window added there is checked here too.

#include "app/apphooks.h"
#include "app/classgridview.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "classes/dbftable.h"
#include "classes/examgrid.h"
#include "grades/gradewindow.h"
#include "classes/sharedstate.h"
#include "platform/scriptedprompt.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "print/calibrationdialog.h"
#include "support/tempfolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QTableView>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

const QString kLongName = QStringLiteral("Hohenzollern-Sigmaringen-Württembergerin");   // with the first name: 45
const QString kClass = QStringLiteral("9a_21222.dbf");

struct Screenful {
    const char* name;
    ScreenInfo info;
};

const Screenful kScreens[] = {
    {"1024x768", {1024, 768, 96}},
    {"1024x768@120dpi", {1024, 768, 120}},
    {"1280x1024", {1280, 1024, 96}},
    {"1280x1024@120dpi", {1280, 1024, 120}},
    {"1366x768 with taskbar", {1366, 768, 96, 0, 0, 1366, 728}},
    {"1366x768@120dpi", {1366, 768, 120}},
    {"1920x1080", {1920, 1080, 96}},
    {"1920x1080@120dpi", {1920, 1080, 120}},
};

class WindowGeometry : public ::testing::Test {
protected:
    void start(const ScreenInfo& info)
    {
        resetState();
        appHooks() = {};
        setShell(&shellDouble);
        screenDouble.facts = info;
        setScreen(&screenDouble);
        setPrompts(&prompt);
        prompt.setDefaultAnswer(Answer::Yes);
        prompt.no(); // the version question
        form = RunProgramBlock();
        form->show();
        state().accessLocked = false;
        prompt.clear();
    }
    void stop()
    {
        state().quitRequested = true;
        ClassTable().close();
        DestroyProgramWindows();
        setPrompts(nullptr);
        setShell(nullptr);
        setScreen(nullptr);
        appHooks() = {};
        resetState();
    }
    void TearDown() override
    {
        if (form)
            stop();
    }

    // A class of 40 students, the first with the longest name the table holds.
    void layClass()
    {
        dir.layDefaults();
        QFile::remove(dir.file(kClass));
        QFile::copy(dir.file("start2.dbf"), dir.file(kClass));
        QDir(dir.path()).mkpath(kClass.left(8));
        DbfTable t;
        t.open(dir.file(kClass));
        for (int i = 0; i < 40; ++i) {
            t.setValue(i, "NACHNAME", i == 0 ? kLongName : QStringLiteral("Schüler%1").arg(i + 1));
            t.setValue(i, "VORNAME", QStringLiteral("Anna"));
            t.setValue(i, "M/W", "w");
        }
        t.post();
        t.close();
    }

    void openClass()
    {
        form->trigger("whlen1");
        const auto found = form->FileListBox1->findItems(kClass, Qt::MatchFixedString);
        ASSERT_FALSE(found.isEmpty());
        form->FileListBox1->setCurrentItem(found.first());
        form->FileListBox1Activate();
        ASSERT_EQ(state().openClassFile, kClass) << prompt.texts().join(" | ").toStdString();
        QApplication::processEvents();
    }

    test::TempProgramFolder dir;
    ScriptedPrompt prompt;
    RecordingShell shellDouble;
    FixedScreen screenDouble;
    TForm1* form = nullptr;
};

// The frame inside the usable area, every button of the window visible.
void expectWhole(QWidget* w, const ScreenInfo& s, const std::string& where)
{
    QApplication::processEvents();
    const QRect area(s.availableLeft, s.availableTop, s.usableWidth(), s.usableHeight());
    EXPECT_TRUE(area.contains(w->frameGeometry()))
        << where << ": frame " << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
        << w->frameGeometry().width() << "x" << w->frameGeometry().height();
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
        if (b->isVisibleTo(w) && b->window() == w) {
            EXPECT_FALSE(b->visibleRegion().isEmpty())
                << where << ": button \"" << b->text().toStdString() << "\" cannot be reached";
        }
    }
}

// The grid takes the room the window leaves it: as many rows visible as the
// window's height holds, its heading shown.
void expectFills(QAbstractItemView* grid, QWidget* window, const std::string& where)
{
    QApplication::processEvents();
    ASSERT_TRUE(grid->isVisible()) << where;
    QWidget* central = grid->parentWidget();
    const QLayout* layout = central->layout();
    const QMargins m = layout->contentsMargins();
    int others = m.top() + m.bottom();
    // The start-screen picture is no reason for a short list: it gives way.
    for (QWidget* c : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c != grid && c->isVisible() && c->objectName() != QStringLiteral("Image1"))
            others += c->height() + layout->spacing();
    auto* table = qobject_cast<QTableView*>(grid);
    const int rowHeight = table ? table->verticalHeader()->defaultSectionSize() : grid->sizeHintForRow(0);
    ASSERT_GT(rowHeight, 0) << where;
    const int rows = grid->model()->rowCount();
    const int held = (central->height() - others) / rowHeight;
    const int shown = grid->viewport()->height() / rowHeight;
    EXPECT_GE(shown, std::min(rows, held) - 2) << where << ": " << shown << " rows shown, room for " << held;
    if (table) {
        // The heading is the header or, in the grade tables, the first row.
        EXPECT_TRUE(table->horizontalHeader()->isVisible() || table->rowViewportPosition(0) == 0) << where;
    }
}

} // namespace

TEST_F(WindowGeometry, EveryWindowFitsEveryScreen)
{
    for (const Screenful& scr : kScreens) {
        SCOPED_TRACE(scr.name);
        start(scr.info);
        layClass();
        openClass();
        expectWhole(form, scr.info, "Form1 student list");
        form->trigger("JahresleistungEingabe1");
        expectWhole(form, scr.info, "Form1 grade table");
        form->trigger("speichernundverlassen1");

        state().currentStudentRecord = 0;
        form->trigger("Berichtschreiben1");
        QWidget* grades = ProgramWindow("Form2");
        ASSERT_TRUE(grades && grades->isVisible()) << prompt.texts().join(" | ").toStdString();
        expectWhole(grades, scr.info, "Form2");
        auto* form2 = static_cast<TForm2*>(grades);
        form2->Label9Click(); // the weight column opens whole
        QApplication::processEvents();
        const int right = form2->StringGrid3->columnViewportPosition(ColWeight) + form2->StringGrid3->columnWidth(ColWeight);
        EXPECT_TRUE(form2->StringGrid3->columnViewportPosition(ColWeight) >= 0
                    && right <= form2->StringGrid3->viewport()->width())
            << "weight column at " << form2->StringGrid3->columnViewportPosition(ColWeight) << ".." << right
            << " of " << form2->StringGrid3->viewport()->width();
        form2->Label9Click();
        grades->hide();

        for (const ProgramWindowDef& def : ProgramWindowOrder()) {
            QWidget* w = ProgramWindow(def.formName);
            if (!w || w == form || w == grades)
                continue;
            w->show();
            expectWhole(w, scr.info, def.className.toStdString());
            w->hide();
        }
        {
            // Created where it is used, not by the program block.
            TForm3 calibration;
            calibration.show();
            expectWhole(&calibration, scr.info, "TForm3");
        }
        stop();
        form = nullptr;
    }
}

TEST_F(WindowGeometry, ListsFillTheMainWindowInEveryMode)
{
    start(kScreens[2].info);
    layClass();
    openClass();
    expectFills(form->DBGrid1, form, "opened");
    form->trigger("JahresleistungEingabe1");
    expectFills(form->StringGrid1, form, "grade table");
    form->trigger("speichernundverlassen1");
    form->trigger("schlieen1");

    for (const char* mode : {"whlen1", "umbenennen1", "lschen1", "Datenuebernahme1"}) {
        form->trigger(mode);
        if (form->FileListBox1->isVisible() && form->FileListBox1->count() > 0)
            expectFills(form->FileListBox1, form, mode);
    }

    prompt.text("xb").text("2122");
    form->trigger("neuanlegen1");
    ASSERT_FALSE(state().openClassFile.isEmpty()) << prompt.texts().join(" | ").toStdString();
    expectFills(form->DBGrid1, form, "created by hand");
    form->trigger("SchriftlicheNotenEingabe1");
    expectFills(form->StringGrid1, form, "grade table of the new class");
}
