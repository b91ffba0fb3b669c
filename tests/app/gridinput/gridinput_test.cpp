// Marks typed into the entry tables (JL, SP, MP, KP, PP) and into the grade
// window's exam grid by seeded random sequences of clicks, double clicks,
// keys and pauses, checked against a small model of a table:
//  - the cursor always shows on a cell the user can see (never a hidden
//    column, never the heading row, never scrolled away), and the headings
//    stay in view;
//  - a typed mark stands in the cell that showed the cursor when typing
//    began, shown as the painting rule makes it ("45" -> "4.5");
//  - Delete and Backspace on a cell remove its mark;
//  - Escape takes back the mark being typed; after the save the grade files
//    hold exactly what the table showed, and the table opens again at its
//    first student.
// HSA_GRIDINPUT_SEQUENCES sets the number of sequences per table (a few
// dozen by default), HSA_GRIDINPUT_SEED the first seed; every failure names
// its seed and the events that led to it.

#include "app/classgridview.h"
#include "classes/textfile.h"
#include "grades/cellrules.h"
#include "grades/gradewindow.h"
#include "support/namedclass.h"
#include "support/privatedesktop.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <map>
#include <random>

using namespace hsa;

namespace {

const QString kClass = QStringLiteral("xa_21222.dbf");
constexpr int kStudents = 16;
const char kMarkKeys[] = "0123456789,.-P";

enum class Ev {
    Click, DoubleClick, F2, Tab, Backtab, Home, End, Left, Right, Up, Down, PageUp, PageDown, CtrlHome, Return,
    Escape, Delete, Backspace, Mark,
};

struct Event {
    Ev kind = Ev::Mark;
    char mark = 0;     // Mark
    QPoint cell;       // Click, DoubleClick: (column, row)
    int pause = 0;     // ms after the event
    std::string describe() const
    {
        static const char* names[] = {"click", "dblclick", "F2", "Tab", "Shift+Tab", "Home", "End", "Left", "Right",
                                      "Up", "Down", "PgUp", "PgDn", "Ctrl+Home", "Return", "Esc", "Del", "BkSp"};
        std::string s = kind == Ev::Mark ? std::string("'") + mark + "'" : names[int(kind)];
        if (kind == Ev::Click || kind == Ev::DoubleClick)
            s += "(" + std::to_string(cell.y()) + "," + std::to_string(cell.x()) + ")";
        if (pause)
            s += "+" + std::to_string(pause) + "ms";
        return s;
    }
};

// One table under test: the grid, how a typed text is shown, how it is
// opened, saved and read back from the grade files.
struct Surface {
    virtual ~Surface() = default;
    virtual std::string name() const = 0;
    virtual QTableWidget* grid() const = 0;
    virtual void open() = 0;
    // Leaves the table or window with Escape (saving); false when it stayed.
    virtual void checkSaved(const std::map<std::pair<int, int>, QString>& shown, std::string& fault) = 0;
    virtual QString shownAs(const QString& typed, int column) const = 0;
    virtual bool inputCell(int row, int column) const = 0;
    // The cursor may stand on this cell.
    virtual bool cursorCell(int row, int column) const = 0;
    // A click may change other cells than the one typed into (the grade
    // window's click rules).
    virtual bool clicksWrite() const { return false; }
    // What the table opens at.
    virtual QPoint firstCell() const = 0;
    // The cell (column, row) of a subject code: the class tables name the
    // column by the code and the row by n, the exam grid the other way round.
    virtual QPoint cellOf(const QString& code, int n) const = 0;
};

QString trimRight(QString s)
{
    while (!s.isEmpty() && s.back() == QLatin1Char(' '))
        s.chop(1);
    return s;
}

// Warnings of the item view about editors that went astray.
QStringList& strayWarnings()
{
    static QStringList list;
    return list;
}
QtMessageHandler previousHandler = nullptr;
void catchStray(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.contains(QStringLiteral("does not belong to this view")))
        strayWarnings() << text;
    if (previousHandler)
        previousHandler(type, context, text);
}

class GridInput : public test::NamedClassFixture {
protected:
    void SetUp() override
    {
        openNamedClass(kClass, kStudents, [](int n) { return n % 2 == 1; });
        strayWarnings().clear();
        previousHandler = qInstallMessageHandler(catchStray);
    }
    void TearDown() override
    {
        qInstallMessageHandler(previousHandler);
        NamedClassFixture::TearDown();
    }

    void altN(bool editing);
    // Runs count sequences from seed on the surface; returns the failures.
    int runSequences(Surface& s, unsigned seed, int count);
    // One sequence: the events of script, or random ones when it is empty.
    std::string runOne(Surface& s, std::mt19937& rng, std::vector<Event>& events,
                       const std::vector<Event>& script = {});
    static int sequenceCount(int reduced)
    {
        const int n = qEnvironmentVariableIntValue("HSA_GRIDINPUT_SEQUENCES");
        return n > 0 ? n : reduced;
    }
    static unsigned firstSeed()
    {
        bool ok = false;
        const unsigned s = qEnvironmentVariable("HSA_GRIDINPUT_SEED").toUInt(&ok);
        return ok ? s : 20261207u;
    }
};

// The widget the user hits at point p of the grid (the cell editor, a row
// fixed over the cells, the grid's viewport).
QWidget* widgetAt(QTableWidget* grid, QPoint inGrid)
{
    QWidget* w = grid->childAt(inGrid);
    return w ? w : grid;
}

// The cell shown at the top of the grid's viewport above column c: the
// heading cell when the headings are in view.
bool headingsInView(QTableWidget* grid, int column)
{
    const QRect r = grid->visualRect(grid->model()->index(1, column));
    const QPoint inViewport(r.center().x(), 2);
    const QPoint inGrid = grid->viewport()->mapTo(grid, inViewport);
    QWidget* w = widgetAt(grid, inGrid);
    for (QWidget* p = w; p; p = p->parentWidget()) {
        if (auto* view = qobject_cast<QAbstractItemView*>(p)) {
            const QModelIndex i = view->indexAt(view->viewport()->mapFrom(grid, inGrid));
            return view->model() == grid->model() && i.isValid() && i.row() == 0;
        }
    }
    return false;
}

// The area of the viewport not covered by a row fixed over the cells.
int coveredTop(QTableWidget* grid)
{
    int top = 0;
    for (QWidget* w : grid->findChildren<QAbstractItemView*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            top = std::max(top, w->geometry().bottom() + 1 - grid->viewport()->y());
    return top;
}

std::string GridInput::runOne(Surface& s, std::mt19937& rng, std::vector<Event>& events,
                              const std::vector<Event>& script)
{
    QTableWidget* grid = s.grid();
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const auto focused = [grid] { return QApplication::focusWidget() ? QApplication::focusWidget() : grid; };
    const auto snapshot = [&] {
        std::map<std::pair<int, int>, QString> m;
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c)
                if (s.inputCell(r, c))
                    m[{r, c}] = trimRight(grid->item(r, c)->text());
        return m;
    };
    const auto shown = [&](int r, int c) { return trimRight(grid->item(r, c)->text()); };

    struct Session {
        bool open = false;
        QPoint cell;     // (column, row)
        QString buffer;
        bool selected = false;
        bool uncertain = false;
        std::map<std::pair<int, int>, QString> before;
    } session;
    auto table = snapshot();
    std::map<std::pair<int, int>, QString> expectAfter;   // cells a commit must show
    // The cells emptied by Delete or Backspace show an emptied mark; the
    // table as it now stands is what the next marks are checked against.
    const auto settle = [&]() -> std::string {
        for (const auto& [cell, text] : expectAfter)
            if (shown(cell.first, cell.second) != text)
                return "deleted cell (" + std::to_string(cell.first) + "," + std::to_string(cell.second) + ") shows \""
                    + shown(cell.first, cell.second).toStdString() + "\"";
        expectAfter.clear();
        table = snapshot();
        return {};
    };
    const int length = script.empty() ? 6 + pick(18) : int(script.size());
    for (int i = 0; i < length; ++i) {
        Event e;
        const int roll = script.empty() ? pick(100) : -1;
        if (roll < 0) {
            e = script[size_t(i)];
        } else if (roll < 40) {
            e.kind = Ev::Mark;
            e.mark = kMarkKeys[pick(int(sizeof kMarkKeys) - 1)];
            if (e.mark == 'P' && pick(2))
                e.mark = '5';
        } else if (roll < 56) {
            e.kind = roll < 52 ? Ev::Click : Ev::DoubleClick;
            // A cell the user can see, heading and name columns included.
            std::vector<QPoint> seen;
            const QRect area = grid->viewport()->rect();
            for (int r = 0; r < grid->rowCount(); ++r)
                for (int c = 0; c < grid->columnCount(); ++c)
                    if (!grid->isColumnHidden(c) && !grid->isRowHidden(r)
                        && area.contains(grid->visualRect(grid->model()->index(r, c)).center()))
                        seen.push_back(QPoint(c, r));
            if (seen.empty())
                continue;
            e.cell = seen[size_t(pick(int(seen.size())))];
        } else {
            static const Ev keys[] = {Ev::F2, Ev::Tab, Ev::Backtab, Ev::Home, Ev::End, Ev::Left, Ev::Right,
                                      Ev::Up, Ev::Down, Ev::PageUp, Ev::PageDown, Ev::CtrlHome, Ev::Return,
                                      Ev::Return, Ev::Tab, Ev::Delete, Ev::Backspace, Ev::Escape};
            e.kind = keys[pick(int(std::size(keys)))];
            if (e.kind == Ev::Escape && pick(3))
                e.kind = Ev::Return;
        }
        // Mostly at typing speed; now and then a pause around the
        // double-click time or well beyond it.
        if (roll >= 0) {
            const int p = pick(1000);
            e.pause = p < 800 ? 0 : p < 985 ? pick(40) : pick(801);
        }
        events.push_back(e);

        const QPoint cursor(grid->currentColumn(), grid->currentRow());
        const bool editorOpen = QApplication::focusWidget() && QApplication::focusWidget() != grid
            && grid->isAncestorOf(QApplication::focusWidget());
        bool commit = false;
        bool revert = false;
        switch (e.kind) {
        case Ev::Mark:
            if (session.open) {
                session.buffer = session.selected ? QString(QLatin1Char(e.mark)) : session.buffer + QLatin1Char(e.mark);
                session.selected = false;
            } else if (s.inputCell(cursor.y(), cursor.x())) {
                session = Session{true, cursor, QString(QLatin1Char(e.mark)), false, false, table};
            }
            break;
        case Ev::Delete:
        case Ev::Backspace:
            if (session.open) {
                if (session.selected)
                    session.buffer.clear();
                else if (e.kind == Ev::Backspace)
                    session.buffer.chop(1);
                session.selected = false;
            } else if (s.inputCell(cursor.y(), cursor.x())) {
                expectAfter[{cursor.y(), cursor.x()}] = trimRight(s.shownAs(QString(), cursor.x()));
            }
            break;
        case Ev::F2:
            if (!session.open && s.inputCell(cursor.y(), cursor.x()))
                session = Session{true, cursor, shown(cursor.y(), cursor.x()), true, false, table};
            break;
        case Ev::Click:
        case Ev::DoubleClick:
            if (session.open && QPoint(grid->currentColumn(), grid->currentRow()) == session.cell
                && e.cell == session.cell && editorOpen)
                session.uncertain = true;   // the caret goes where the mouse put it
            else
                commit = session.open;
            break;
        case Ev::Escape:
            revert = session.open;
            break;
        default:
            commit = session.open;
            break;
        }

        // The event as the user makes it.
        switch (e.kind) {
        case Ev::Click:
        case Ev::DoubleClick: {
            const QPoint at = grid->viewport()->mapTo(grid, grid->visualRect(grid->model()->index(e.cell.y(), e.cell.x())).center());
            QWidget* w = widgetAt(grid, at);
            QTest::mouseClick(w, Qt::LeftButton, {}, w->mapFrom(grid, at));
            if (e.kind == Ev::DoubleClick) {
                w = widgetAt(grid, at);
                QTest::mouseDClick(w, Qt::LeftButton, {}, w->mapFrom(grid, at));
            }
            break;
        }
        case Ev::Mark: QTest::keyClick(focused(), e.mark); break;
        default: {
            static const std::map<Ev, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
                {Ev::F2, {Qt::Key_F2, {}}}, {Ev::Tab, {Qt::Key_Tab, {}}},
                {Ev::Backtab, {Qt::Key_Backtab, Qt::ShiftModifier}}, {Ev::Home, {Qt::Key_Home, {}}},
                {Ev::End, {Qt::Key_End, {}}}, {Ev::Left, {Qt::Key_Left, {}}}, {Ev::Right, {Qt::Key_Right, {}}},
                {Ev::Up, {Qt::Key_Up, {}}}, {Ev::Down, {Qt::Key_Down, {}}}, {Ev::PageUp, {Qt::Key_PageUp, {}}},
                {Ev::PageDown, {Qt::Key_PageDown, {}}}, {Ev::CtrlHome, {Qt::Key_Home, Qt::ControlModifier}},
                {Ev::Return, {Qt::Key_Return, {}}}, {Ev::Delete, {Qt::Key_Delete, {}}},
                {Ev::Backspace, {Qt::Key_Backspace, {}}}};
            const auto& [key, modifiers] = keys.at(e.kind);
            QTest::keyClick(focused(), key, modifiers);
            break;
        }
        case Ev::Escape: {
            QTest::keyClick(focused(), Qt::Key_Escape);
            QCoreApplication::processEvents();
            std::string fault;
            auto saved = table;
            if (revert)
                session.open = false;
            s.checkSaved(saved, fault);
            if (!fault.empty())
                return fault;
            s.open();
            if (QPoint(grid->currentColumn(), grid->currentRow()) != s.firstCell())
                return "opened again at row " + std::to_string(grid->currentRow()) + ", column "
                    + std::to_string(grid->currentColumn());
            if (grid->verticalScrollBar()->value() != 0)
                return "opened again scrolled by " + std::to_string(grid->verticalScrollBar()->value());
            table = snapshot();
            session = Session{};
            expectAfter.clear();
            revert = false;
            break;
        }
        }
        QCoreApplication::processEvents();
        if (e.pause)
            QTest::qWait(e.pause);
        // A double click that opened the cell to be amended: the typing goes
        // into the editor's text, replacing it while it is selected.
        const bool amend = e.kind == Ev::DoubleClick;
        if (!strayWarnings().isEmpty())
            return strayWarnings().first().toStdString();

        // The cursor shows on a cell the user sees, below the headings.
        const int row = grid->currentRow();
        const int column = grid->currentColumn();
        if (!s.cursorCell(row, column) || grid->isColumnHidden(column) || grid->isRowHidden(row))
            return "cursor on row " + std::to_string(row) + ", column " + std::to_string(column);
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        // (A click may leave a cell half in view, as it leaves it.)
        if (r.center().y() < coveredTop(grid) || r.center().y() > grid->viewport()->height() || r.center().x() < 0
            || r.center().x() > grid->viewport()->width())
            return "cursor cell out of view at row " + std::to_string(row);
        const int shownColumn = [&] {
            for (int c = 2; c < grid->columnCount(); ++c)
                if (!grid->isColumnHidden(c))
                    return c;
            return 1;
        }();
        if (!headingsInView(grid, shownColumn))
            return "headings out of view";

        if (commit || revert) {
            const auto& now = snapshot();
            const QPoint c = session.cell;
            const QString want = revert ? session.before.at({c.y(), c.x()}) : trimRight(s.shownAs(session.buffer, c.x()));
            const QString got = shown(c.y(), c.x());
            if (session.uncertain) {
                if (trimRight(s.shownAs(got, c.x())) != got)
                    return "cell (" + std::to_string(c.y()) + "," + std::to_string(c.x()) + ") shows \"" + got.toStdString()
                        + "\", not normalised";
            } else if (got != want) {
                return "typed \"" + session.buffer.toStdString() + "\" into (" + std::to_string(c.y()) + ","
                    + std::to_string(c.x()) + "): shows \"" + got.toStdString() + "\", not \"" + want.toStdString()
                    + "\"";
            }
            if (!s.clicksWrite() || (e.kind != Ev::Click && e.kind != Ev::DoubleClick))
                for (const auto& [cell, text] : session.before)
                    if (cell != std::pair{c.y(), c.x()} && !expectAfter.count(cell) && now.at(cell) != text)
                        return "cell (" + std::to_string(cell.first) + "," + std::to_string(cell.second)
                            + ") changed from \"" + text.toStdString() + "\" to \"" + now.at(cell).toStdString()
                            + "\" while typing into (" + std::to_string(c.y()) + "," + std::to_string(c.x()) + ")";
            session = Session{};
        }
        if (amend && !session.open) {
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            const QPoint at(grid->currentColumn(), grid->currentRow());
            if (editor && grid->isAncestorOf(editor) && s.inputCell(at.y(), at.x())) {
                // What the click before it committed stands.
                if (std::string fault = settle(); !fault.empty())
                    return fault;
                session = Session{true, at, editor->text(), editor->selectedText() == editor->text(), false, table};
            }
        }
        if (!session.open)
            if (std::string fault = settle(); !fault.empty())
                return fault;
    }
    // The end of a sequence: the mark being typed is committed with Return.
    Event last;
    last.kind = Ev::Return;
    events.push_back(last);
    QTest::keyClick(focused(), Qt::Key_Return);
    QCoreApplication::processEvents();
    if (session.open && !session.uncertain) {
        const QPoint c = session.cell;
        const QString want = trimRight(s.shownAs(session.buffer, c.x()));
        if (shown(c.y(), c.x()) != want)
            return "typed \"" + session.buffer.toStdString() + "\" then Return: shows \""
                + shown(c.y(), c.x()).toStdString() + "\", not \"" + want.toStdString() + "\"";
    }
    std::string fault;
    s.checkSaved(snapshot(), fault);
    if (!fault.empty())
        return fault;
    s.open();
    return {};
}

int GridInput::runSequences(Surface& s, unsigned seed, int count)
{
    int failures = 0;
    std::string fault;
    s.open();
    for (int n = 0; n < count; ++n) {
        std::mt19937 rng(seed + unsigned(n));
        std::vector<Event> events;
        fault = runOne(s, rng, events);
        if (fault.empty())
            continue;
        ++failures;
        std::string trail;
        for (const Event& e : events)
            trail += e.describe() + " ";
        ADD_FAILURE() << s.name() << ", seed " << seed + unsigned(n) << ": " << fault << "\n  after " << trail;
        // A fresh table for the next sequence.
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : s.grid(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        strayWarnings().clear();
        s.open();
    }
    // The next table opens on a program without this one.
    s.checkSaved({}, fault);
    return failures;
}

// The main window's whole-class table of one kind.
struct ClassTableSurface : Surface {
    ClassTableSurface(GridInput& f, TForm1* form, const char* entry, int kind, std::function<QString(int)> file)
        : form(form), entry(entry), kind(kind), file(std::move(file)), fixture(f)
    {
    }
    std::string name() const override { return entry; }
    QTableWidget* grid() const override { return form->StringGrid1; }
    void open() override
    {
        if (!classGrid().visible())
            form->trigger(QString::fromLatin1(entry));
        QCoreApplication::processEvents();
    }
    void checkSaved(const std::map<std::pair<int, int>, QString>& shown, std::string& fault) override
    {
        if (classGrid().visible())
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        if (classGrid().visible()) {
            fault = "the table stayed open after Escape";
            return;
        }
        for (const auto& [cell, text] : shown) {
            const QStringList lines = ReadTextLines(file(cell.first));
            const QString stored = trimRight(lines.value(kind * 20 + cell.second - 1));
            if (stored != text) {
                fault = "row " + std::to_string(cell.first) + ", column " + std::to_string(cell.second)
                    + ": the table showed \"" + text.toStdString() + "\", the grade file holds \""
                    + stored.toStdString() + "\"";
                return;
            }
        }
    }
    QString shownAs(const QString& typed, int) const override { return SettleGridEntryCell(typed); }
    bool inputCell(int row, int column) const override
    {
        return row >= 1 && row <= kStudents && column >= kGridFirstSubjectColumn && column <= kGridLastSubjectColumn
            && !grid()->isColumnHidden(column) && (grid()->item(row, column)->flags() & Qt::ItemIsEditable);
    }
    bool cursorCell(int row, int column) const override
    {
        return row >= 1 && column >= kGridFirstSubjectColumn && column < kGridColCount;
    }
    QPoint firstCell() const override { return QPoint(classGrid().FirstFilteredColumn(), 1); }
    QPoint cellOf(const QString& code, int n) const override
    {
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
            if (grid()->item(0, c)->text().trimmed() == code)
                return QPoint(c, n);
        return QPoint(-1, -1);
    }

    TForm1* form;
    const char* entry;
    int kind;
    std::function<QString(int)> file;
    GridInput& fixture;
};

// The grade window's exam grid, opened on the first student.
struct ExamGridSurface : Surface {
    explicit ExamGridSurface(TForm1* form) : form(form) {}
    std::string name() const override { return "grade window"; }
    TForm2* window() const
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<TForm2*>(w))
                return f;
        return nullptr;
    }
    QTableWidget* grid() const override { return window()->StringGrid3; }
    void open() override
    {
        if (!window() || !window()->isVisible()) {
            form->activateWindow();
            form->trigger(QStringLiteral("Berichtschreiben1"));
            // A window the platform does not activate is still typed into.
            static_cast<void>(QTest::qWaitForWindowActive(window()));
            path = state().gradeFilePath;
        }
        QCoreApplication::processEvents();
    }
    void checkSaved(const std::map<std::pair<int, int>, QString>& shown, std::string& fault) override
    {
        if (window()->isVisible())
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        if (window()->isVisible()) {
            fault = "the grade window stayed open after Escape";
            return;
        }
        const QStringList lines = ReadTextLines(path);
        for (const auto& [cell, text] : shown) {
            const QString stored = trimRight(lines.value(cell.second * 20 + cell.first));
            if (stored != text) {
                fault = "row " + std::to_string(cell.first) + ", column " + std::to_string(cell.second)
                    + ": the window showed \"" + text.toStdString() + "\", the grade file holds \""
                    + stored.toStdString() + "\"";
                return;
            }
        }
    }
    QString shownAs(const QString& typed, int column) const override
    {
        return NormaliseMarkCell(typed, column, GradeContextFromState());
    }
    bool inputCell(int row, int column) const override
    {
        return IsEditableExamCell(column, row) && !grid()->isColumnHidden(column);
    }
    // A subject row, never the codes (Left and Right may stop on a result,
    // as the arrow rule of the exam grid says).
    bool cursorCell(int row, int column) const override
    {
        return row >= kFirstSubjectRow && row <= kLastSubjectRow && column >= ColWritten;
    }
    bool clicksWrite() const override { return true; }
    QPoint firstCell() const override { return QPoint(grid()->currentColumn(), grid()->currentRow()); }
    QPoint cellOf(const QString& code, int n) const override
    {
        for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
            if (grid()->item(r, ColCode)->text().trimmed() == code)
                return QPoint(n, r);
        return QPoint(-1, -1);
    }

    TForm1* form;
    QString path;   // the grade file of the student shown
};

struct Table {
    const char* entry;
    int kind;
};
const Table kTables[] = {
    {"JahresleistungEingabe1", kKindYear},
    {"SchriftlicheNotenEingabe1", kKindWritten},
    {"MndlicheNotenEingabe1", kKindOral},
    {"PraktischePrfungsergebnisseEingabe1", kKindComm},
    {"PPPraktischePrfungEingabe4Ausdruck1", kKindComm},
};

} // namespace

// Each table in its own run, so that a failure names the table and seed.
TEST_F(GridInput, RandomKeysClicksAndPausesKeepEveryTypedMarkInEveryEntryTable)
{
    const unsigned seed = firstSeed();
    const int count = sequenceCount(30);
    std::printf("grid input: seed %u, %d sequences per table\n", seed, count);
    for (const Table& t : kTables) {
        ClassTableSurface s(*this, form, t.entry, t.kind, [this](int n) { return gradeFile(n); });
        const int failures = runSequences(s, seed, count);
        std::printf("grid input: %s, %d of %d sequences failed\n", t.entry, failures, count);
    }
}

TEST_F(GridInput, RandomKeysClicksAndPausesKeepEveryTypedMarkInTheGradeWindow)
{
    const unsigned seed = firstSeed();
    const int count = sequenceCount(80);
    std::printf("grid input: seed %u, %d sequences\n", seed, count);
    ExamGridSurface s(form);
    const int failures = runSequences(s, seed, count);
    std::printf("grid input: grade window, %d of %d sequences failed\n", failures, count);
}

// The same on a real X display, where focus, pointer and window activation
// go through the window system.
TEST_F(GridInput, OnARealDisplayTypedMarksStayWhereTheCursorShowed)
{
    test::OnPrivateDesktop([this](test::PrivateDesktop&) {
        const unsigned seed = firstSeed() + 100000u;
        const int count = std::max(1, sequenceCount(40) / 4);
        std::printf("grid input (xcb): seed %u, %d sequences per table\n", seed, count);
        for (const Table& t : kTables) {
            ClassTableSurface s(*this, form, t.entry, t.kind, [this](int n) { return gradeFile(n); });
            runSequences(s, seed, count);
        }
        ExamGridSurface s(form);
        runSequences(s, seed, count);
    });
}

// Alt+N opens "&Notentabellen (Ganze Klasse)" while a table has the focus, a
// cell editor too, so that closing and printing the table need no mouse.
void GridInput::altN(bool editing)
{
    QMenu* menu = form->findChild<QMenu*>(QStringLiteral("Notentabellen1"));
    ASSERT_TRUE(menu);
    // The table is opened from the keyboard too: Alt+N, Return on "JL".
    QTest::keyClick(form, Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000));
    QTest::keyClick(menu, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([] { return classGrid().visible(); }, 2000));
    // (The offscreen platform gives the window back its activation late.)
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    ASSERT_EQ(QApplication::focusWidget(), form->StringGrid1);
    if (editing) {
        QTest::keyClick(form->StringGrid1, Qt::Key_4);
        ASSERT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }
    // As a keyboard sends it: Alt down, N, Alt up.
    QWidget* focus = QApplication::focusWidget();
    QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    if (QApplication::focusWidget())
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Alt);
    // The menu opens and stays open for the user to choose.
    EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 1000));
    QTest::qWait(300);
    EXPECT_TRUE(menu->isVisible());
    menu->close();
    QTest::qWait(20);
    EXPECT_TRUE(classGrid().visible());
}

TEST_F(GridInput, AltNOpensTheTableMenuFromTheGrid)
{
    altN(false);
}

TEST_F(GridInput, AltNOpensTheTableMenuFromACellEditor)
{
    altN(true);
}

namespace {

// A script of events: marks as typed ("4", ","), keys by name ("Tab",
// "S-Tab", "Home", "End", "Left", "Right", "Up", "Down", "PgUp", "PgDn",
// "C-Home", "Ret", "Esc", "Del", "BkSp", "F2"), "c(D,3)" and "d(D,3)" a click
// and a double click on the cell of subject D and 3 (see cellOf), "h(3)" a
// click on the heading of column 3, "~300" a pause after the event before.
std::vector<Event> parseScript(const Surface& s, const QString& text, std::string& fault)
{
    static const std::map<QString, Ev> keys = {
        {"Tab", Ev::Tab}, {"S-Tab", Ev::Backtab}, {"Home", Ev::Home}, {"End", Ev::End}, {"Left", Ev::Left},
        {"Right", Ev::Right}, {"Up", Ev::Up}, {"Down", Ev::Down}, {"PgUp", Ev::PageUp}, {"PgDn", Ev::PageDown},
        {"C-Home", Ev::CtrlHome}, {"Ret", Ev::Return}, {"Esc", Ev::Escape}, {"Del", Ev::Delete},
        {"BkSp", Ev::Backspace}, {"F2", Ev::F2}};
    std::vector<Event> events;
    for (const QString& t : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        Event e;
        if (t.startsWith(QLatin1Char('~')) && !events.empty()) {
            events.back().pause = t.mid(1).toInt();
            continue;
        }
        if (keys.count(t)) {
            e.kind = keys.at(t);
        } else if (t.size() == 1) {
            e.mark = t.at(0).toLatin1();
        } else if (t.startsWith(QStringLiteral("h("))) {
            e.kind = Ev::Click;
            e.cell = QPoint(t.mid(2, t.size() - 3).toInt(), 0);
        } else {
            e.kind = t.startsWith(QLatin1Char('d')) ? Ev::DoubleClick : Ev::Click;
            const QStringList parts = t.mid(2, t.size() - 3).split(QLatin1Char(','));
            e.cell = s.cellOf(parts.value(0), parts.value(1).toInt());
            if (e.cell.x() < 0)
                fault = "no subject " + parts.value(0).toStdString();
        }
        events.push_back(e);
    }
    return events;
}

struct Row {
    const char* surface;   // a table's menu entry, or "" for the grade window
    const char* script;
    const char* why;
};

// Every way a typed mark was lost or moved that the sequences above found or
// that was seen in use, as a fixed row.
const Row kRows[] = {
    {"JahresleistungEingabe1", "c(R,2) 4 Tab c(Eth,2) 5 Ret", "Tab, then a click into the next cell"},
    {"JahresleistungEingabe1", "c(R,2) 4 Tab ~300 c(Eth,2) ~800 5 Ret", "the same with pauses"},
    {"SchriftlicheNotenEingabe1", "c(D,3) Home 4 Tab 3 Tab 2 Ret", "Home in a table that hides R"},
    {"MndlicheNotenEingabe1", "c(M,3) Home 4 Tab 3 Ret End 5 S-Tab 6 Ret", "Home, End and Shift+Tab"},
    {"PraktischePrfungsergebnisseEingabe1", "c(E,2) Home 4 Tab 3 S-Tab 2 Ret", "Tab on into the next row and back"},
    {"PPPraktischePrfungEingabe4Ausdruck1", "c(Te,1) Home 2 Tab 3 Tab 4 Tab 5 Ret C-Home 6 Ret", "PP's three columns"},
    {"JahresleistungEingabe1", "c(D,1) 1 Ret 2 Ret 3 Ret 4 Ret 5 Ret 6 Ret 1 Ret 2 Ret 3 Ret 4 Ret 5 Ret 6 Ret 1 Ret "
                               "2 Ret 3 Ret 4 Ret Ret Ret Ret Ret 5",
     "a column of twenty rows with Return: the headings stay"},
    {"JahresleistungEingabe1", "PgDn PgDn Down 3 Esc c(D,1) 4 Ret", "a table left scrolled opens at its first student"},
    {"SchriftlicheNotenEingabe1", "PgDn 2 PgUp 3 C-Home 4 Left 5 Up 6 Ret", "PageUp, PageDown, Ctrl+Home"},
    {"JahresleistungEingabe1", "c(D,2) Del c(D,3) BkSp Down Del Down 4 BkSp Ret", "Delete and Backspace"},
    {"JahresleistungEingabe1", "d(D,4) BkSp 3 Ret d(M,4) 2 Ret", "a double click amends"},
    {"JahresleistungEingabe1", "c(M,5) F2 Tab 4 Tab F2 5 Home", "F2 then a cursor key"},
    {"SchriftlicheNotenEingabe1", "h(2) 4 Ret h(0) 5 Ret c(R,1) 6 Ret", "clicks on the headings and hidden R"},
    {"", "c(E,1) 2 Tab c(E,3) 3 Ret", "grade window: Tab, then a click into the oral cell of E"},
    {"", "c(D,1) 2 Tab ~300 c(D,2) ~800 3 Ret", "grade window: Tab, then a click into the next cell"},
    {"", "c(D,5) Home 4 Tab 3 Tab 2 Tab 1 Ret End 5 S-Tab 6 Ret", "grade window: Home, End, Tab, Shift+Tab"},
    {"", "c(D,1) Del c(D,5) BkSp Down 3 BkSp Ret", "grade window: Delete and Backspace"},
    {"", "d(D,1) 2 Ret d(D,0) 4 Ret d(D,6) 5 Ret", "grade window: double clicks on marks, codes and results"},
    {"", "h(1) 4 Ret h(3) 5 PgDn 6 PgUp C-Home 2 Ret", "grade window: a click on the headings"},
};

} // namespace

TEST_F(GridInput, EveryFixedSequenceKeepsTheTypedMarks)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.why) + ": " + row.script);
        std::unique_ptr<Surface> s;
        for (const Table& t : kTables)
            if (std::string(row.surface) == t.entry)
                s = std::make_unique<ClassTableSurface>(*this, form, t.entry, t.kind,
                                                         [this](int n) { return gradeFile(n); });
        if (!s)
            s = std::make_unique<ExamGridSurface>(form);
        s->open();
        std::string fault;
        const std::vector<Event> script = parseScript(*s, QString::fromLatin1(row.script), fault);
        ASSERT_EQ(fault, "");
        std::mt19937 rng(1);
        std::vector<Event> events;
        EXPECT_EQ(runOne(*s, rng, events, script), "");
        s->checkSaved({}, fault);
        EXPECT_EQ(fault, "");
    }
}

TEST_F(GridInput, OnARealDisplayAltNOpensTheTableMenuFromTheGrid)
{
    test::OnPrivateDesktop([this](test::PrivateDesktop&) { altN(false); });
}
