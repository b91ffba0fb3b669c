#include "app/mainwindow.h"
#include "app/webentries.h"

#include "app/mainlogic.h"
#include "app/apphooks.h"
#include "app/classgridview.h"
#include "grades/classgrid.h"
#include "grades/gradewindow.h"
#include "print/documentkinds.h"
#include "print/layouts/subjectlists.h"
#include "classes/studentlist.h"
#include "app/mainmenu.h"
#include "platform/help.h"
#include "platform/screen.h"
#include "app/sonderdlg.h"
#include "app/studentlistmodel.h"
#include "app/subjecteditorpanel.h"
#include "classes/classfiles.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "platform/slotguard.h"
#include "platform/windowhook.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSet>
#include <QKeyEvent>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace hsa {

namespace {

// While the grade table has the focus the other menus wait, whatever
// refreshed the window meanwhile; once it is left they come back,
// "&Schule/Tools" too, which the class gate never touches.
void applyGridMenuLock(const TForm1& form)
{
    const bool locked = classGrid().menusDisabled();
    QList<QAction*> gated;
    for (int i = 0; i <= 7; ++i)
        gated << form.topEntry(i);
    for (const QString& name : GridFocusDisabledMenus()) {
        QAction* a = form.menuEntry(name);
        if (!a)
            continue;
        if (locked)
            a->setEnabled(false);
        else if (!gated.contains(a))
            a->setEnabled(true);
    }
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(DesignCaption);
    buildMenu();
    buildControls();
    registerOwnHandlers();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, guardedSlot([this] { Timer1Timer(); }));

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(500);

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(1000);
    connect(Timer3, &QTimer::timeout, this, guardedSlot([this] { Timer3Timer(); }));
    Timer3->start();

    Timer4 = new QTimer(this);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(50);
    connect(Timer4, &QTimer::timeout, this, &TForm1::Timer4Timer);
    Timer4->start();

    SetMainWindowRefresh(WhileAlive(this, [this] { refreshFromState(); }));
}

void TForm1::buildMenu()
{
    QMenuBar* bar = menuBar();
    QHash<QString, QMenu*> menus;
    QSet<QString> parents;
    for (const MenuEntryDef& d : MainMenuDefinition())
        parents.insert(d.parent);
    for (const MenuEntryDef& d : MainMenuDefinition()) {
        if (d.parent.isEmpty()) {
            const int index = static_cast<int>(topMenus_.size());
            QMenu* menu = bar->addMenu(d.caption);
            menu->setObjectName(d.name);
            QAction* a = menu->menuAction();
            a->setObjectName(d.name);
            a->setVisible(d.visible);
            menus.insert(d.name, menu);
            topMenus_ << menu;
            topEntries_ << a;
            entries_.insert(d.name, a);
            connect(menu, &QMenu::aboutToShow, this, [this, index] { menuAboutToShow(index); });
            continue;
        }
        QMenu* menu = menus.value(d.parent);
        if (!menu)
            continue;
        if (d.separatorBefore)
            menu->addSeparator();
        QAction* a = nullptr;
        if (parents.contains(d.name)) {
            QMenu* sub = menu->addMenu(d.caption);
            sub->setObjectName(d.name);
            menus.insert(d.name, sub);
            a = sub->menuAction();
        } else {
            a = menu->addAction(d.caption);
        }
        a->setObjectName(d.name);
        a->setVisible(d.visible);
        if (d.heading) {
            // A caption of the entries below it, not something to choose.
            a->setEnabled(false);
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
            entries_.insert(d.name, a);
            continue;
        }
        a->setCheckable(d.checkable);
        a->setChecked(d.checked);
        entries_.insert(d.name, a);
        const QString name = d.name;
        connect(a, &QAction::triggered, this, [this, name] { trigger(name); });
    }
}

void TForm1::buildControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    buildCaptions(central, layout);
    buildLists(central, layout);
    buildPanels(central, layout);
    buildTextAreas(central, layout);
    connectControls();

    layout->addStretch(0); // takes the room only while no list or table is shown
    setCentralWidget(central);
}

// The captions above the lists and the picture of the start screen.
void TForm1::buildCaptions(QWidget* central, QVBoxLayout* layout)
{
    Label2 = new QLabel(central);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setVisible(false);
    Label15 = new QLabel(central);
    Label15->setObjectName(QStringLiteral("Label15"));
    Label1 = new QLabel(central);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label3 = new QLabel(central);
    Label3->setObjectName(QStringLiteral("Label3"));
    layout->addWidget(Label2);
    layout->addWidget(Label15);
    layout->addWidget(Label1);
    layout->addWidget(Label3);

    Image1 = new QLabel(central);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Image1);
}

// The class files, the student list and the grade table; one of them is
// shown at a time.
void TForm1::buildLists(QWidget* central, QVBoxLayout* layout)
{
    FileListBox1 = new QListWidget(central);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setVisible(false);
    FileListBox1->installEventFilter(this);
    layout->addWidget(FileListBox1, 1);

    DBGrid1 = new QTableView(central);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setVisible(false);
    studentList_ = new StudentListModel(this);
    studentList_->attach(DBGrid1);
    layout->addWidget(DBGrid1, 1);

    StringGrid1 = new ClassGridView(central);
    StringGrid1->setVisible(false);
    StringGrid1->installEventFilter(this);
    layout->addWidget(StringGrid1, 1);
    // Label9 lies over the window and is never part of its layout: shown
    // with the first selected cell it would push the grid down by part of a
    // row, and the next click at the same height would put the marks into
    // the row above.
    Label9 = new QLabel(kLabel9Caption, central);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setAutoFillBackground(true);
    Label9->setVisible(false);
}

// The panel below the lists: the subject editor and the choices of the
// exam lists.
void TForm1::buildPanels(QWidget* central, QVBoxLayout* layout)
{
    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setVisible(false);
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* panelLayout = new QVBoxLayout(Panel1);
    SubjectEditor = new SubjectEditorPanel(Panel1);
    SubjectEditor->setObjectName(QStringLiteral("SubjectEditor"));
    panelLayout->addWidget(SubjectEditor);
    panelLayout->addWidget(Panel2);
    // The panel lies in a scroll area that comes and goes with it: beside
    // a list, on a small screen or at a large zoom, what does not fit
    // scrolls inside the window instead of pushing the window past the
    // screen, where it would stay when the panel closes.
    Panel1Scroll = new QScrollArea(central);
    Panel1Scroll->setObjectName(QStringLiteral("Panel1Scroll"));
    Panel1Scroll->setFrameShape(QFrame::NoFrame);
    Panel1Scroll->setWidgetResizable(true);
    Panel1Scroll->setWidget(Panel1);
    Panel1Scroll->setVisible(false);
    Panel1->setVisible(false);
    Panel1->installEventFilter(this);
    layout->addWidget(Panel1Scroll);

    RadioGroup2 = new QGroupBox(QStringLiteral("Listentyp"), central);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2Buttons = new QButtonGroup(RadioGroup2);
    {
        auto* l = new QVBoxLayout(RadioGroup2);
        const char* items[] = {
            "Teilnehmer schriftl. Prüfung (Liste)",
            "Teilnehmer mündl./prakt. Püfung (Liste)",
            "Organisation der mündl. Prüfung (Liste)",
            "Alle Protokolle für die mündl./pr. Prüfung  bei P-Markierung",
            "Alle Protokolle für die Kommunikationsprüfung (E) bei P-Markierung",
            "Teilnehmerliste für die Kommunikationsprüfung (E)",
        };
        int i = 0;
        for (const char* t : items) {
            auto* b = new QRadioButton(QString::fromUtf8(t), RadioGroup2);
            RadioGroup2Buttons->addButton(b, i++);
            l->addWidget(b);
        }
    }
    RadioGroup2->setVisible(false);
    // The two choices stand one above the other, the subject list of the
    // print beside them: stacked, the three would not fit a 1024 x 768
    // screen at 120 % beside the student list.
    auto* panel2Layout = new QHBoxLayout(Panel2);
    auto* choices = new QVBoxLayout;
    panel2Layout->addLayout(choices);
    choices->addWidget(RadioGroup2);

    RadioGroup4 = new QGroupBox(QStringLiteral("Prüfungsart"), central);
    RadioGroup4->setObjectName(QStringLiteral("RadioGroup4"));
    RadioGroup4Buttons = new QButtonGroup(RadioGroup4);
    {
        auto* l = new QVBoxLayout(RadioGroup4);
        auto* m = new QRadioButton(QStringLiteral("mündlich"), RadioGroup4);
        auto* p = new QRadioButton(QStringLiteral("praktisch"), RadioGroup4);
        RadioGroup4Buttons->addButton(m, 0);
        RadioGroup4Buttons->addButton(p, 1);
        l->addWidget(m);
        l->addWidget(p);
        m->setChecked(true);
    }
    RadioGroup4->setVisible(false);
    choices->addWidget(RadioGroup4);
    choices->addStretch();
}

// The text views below the panel; Memo1 is left with its "Ende" button.
void TForm1::buildTextAreas(QWidget* central, QVBoxLayout* layout)
{
    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVisible(false);
    layout->addWidget(Memo1);
    Button5 = new QPushButton(QStringLiteral("Ende"), central);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setVisible(false);
    layout->addWidget(Button5);
    Memo1->installEventFilter(this);

    Memo3 = new QPlainTextEdit(central);
    Memo3->setObjectName(QStringLiteral("Memo3"));
    Memo3->setVisible(false);
    layout->addWidget(Memo3);
}

// The controls' signals and the hooks through which the class grid, the
// student list and the subject editor reach this window.
void TForm1::connectControls()
{
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, [this] { FileListBox1Activate(); });
    connect(DBGrid1, &QTableView::doubleClicked, this, [](const QModelIndex& i) {
        if (!i.isValid())
            return;
        state().currentStudentRecord = i.row();
        runGuarded([] { OpenGradeWindow(); });
    });
    InstallClassGridHooks(StringGrid1);
    connect(StringGrid1, &ClassGridView::gridStateChanged, this, &TForm1::gridStateChanged);
    studentListHooks().sortProgress = WhileAlive(this, [this](const QString& text) {
        statusBar()->showMessage(text);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    connect(SubjectEditor, &SubjectEditorPanel::opened, this, [this] {
        Panel1->setVisible(true);
        SubjectEditor->setVisible(true);
    });
    connect(SubjectEditor, &SubjectEditorPanel::closed, this, [this] {
        Panel1->setVisible(false);
        if (DBGrid1->isVisible())
            DBGrid1->setFocus();
    });
    SubjectEditorOpenHook() = WhileAlive(this, [this] { SubjectEditor->open(); });
    connect(Button5, &QPushButton::clicked, this, &TForm1::Memo1Exit);
}

void TForm1::registerOwnHandlers()
{
    RegisterMenuHandler(QStringLiteral("Arbeitbeenden1"), WhileAlive(this, [this] { Arbeitbeenden1Click(); }));
    RegisterMenuHandler(QStringLiteral("Zeugnisse1"), [] { state().printDocKind = kDocCertificate; });
    RegisterMenuHandler(QStringLiteral("Schuldaten1"), [] {});
    WebEntryHooks& web = webEntryHooks();
    web.quitProgram = WhileAlive(this, [this] {
        state().quitRequested = true;
        close();
    });
    web.startUpdaterWatch = WhileAlive(this, [this] { Timer1->start(); });
    web.updateSwitchChecked = WhileAlive(this, [this] {
        QAction* a = menuEntry(QStringLiteral("SchalterHinweiseaufvorhandenesINTERNETUPDATEunterbinden1"));
        return a && a->isChecked();
    });
    web.setUpdateSwitchChecked = WhileAlive(this, [this](bool checked) { setUpdateSwitchChecked(checked); });
    web.setHelpFile = WhileAlive(this, [this](const QString& file) { helpFile_ = file; });
    RegisterWebEntryHandlers();
}

QAction* TForm1::menuEntry(const QString& name) const
{
    return entries_.value(name);
}

QMenu* TForm1::topMenu(int index) const
{
    return index >= 0 && index < topMenus_.size() ? topMenus_[index] : nullptr;
}

QAction* TForm1::topEntry(int index) const
{
    return index >= 0 && index < topEntries_.size() ? topEntries_[index] : nullptr;
}

void TForm1::trigger(const QString& name)
{
    runGuarded([&] { RunMenuHandler(name); });
}

void TForm1::menuAboutToShow(int index)
{
    bool mayOpen = true;
    runGuarded([&] {
        switch (index) {
        case 0: mayOpen = OpenKlasseMenu(); break;
        case 1: mayOpen = OpenListeMenu(); break;
        case 4:
            CheckNoClassOpen();
            // While a table has the focus its lock on the other menus
            // stands: refreshing them now would enable and disable them under
            // the opening menu, which the menu bar answers by closing it.
            if (!classGrid().menusDisabled())
                refreshFromState();
            break;
        case 6: mayOpen = OpenDruckenMenu(); break;
        default: break;
        }
        // A top entry without items acts when it is clicked.
        QMenu* m = topMenu(index);
        if (m && m->actions().isEmpty() && HasMenuHandler(m->objectName())) {
            mayOpen = false;
            QTimer::singleShot(0, this, [this, name = m->objectName()] { trigger(name); });
        }
    });
    if (!mayOpen) {
        QMenu* m = topMenu(index);
        QTimer::singleShot(0, m, [m] { m->close(); });
    }
}

void TForm1::refreshFromState()
{
    const SharedState& st = state();
    Label1->setText(st.openClassFile);
    const QString school = st.schoolNameCaption.isEmpty() ? SchoolNameCaption(st.schoolName)
                                                          : st.schoolNameCaption;
    if (!school.isEmpty())
        Label2->setText(school);
    showClassView();
    if (!st.schoolTypeCaption.isEmpty())
        Label15->setText(st.schoolTypeCaption);
    // The menu gate: entries 1 to 7 only with a class open; 8 to 10 untouched.
    const bool noClass = CheckNoClassOpen();
    for (int i = 0; i <= 7 && i < topEntries_.size(); ++i)
        topEntries_[i]->setEnabled(i == 0 || !noClass);
    applyGridMenuLock(*this);
}

QString TForm1::windowCaption() const
{
    return windowTitle();
}

void TForm1::setWindowCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void TForm1::setApplicationTitle(const QString& title)
{
    QApplication::setApplicationName(title);
}

void TForm1::setHelpFile(const QString& file)
{
    helpFile_ = file;
}

void TForm1::clearSubjectMemo()
{
    Memo3->clear();
}

void TForm1::applyScreenLayout(const ScreenLayout& l, const ScreenInfo& scr)
{
    // The window was laid out for a 640 pixel screen; it grows with FormScale.
    // The menu bar keeps the desktop's font; the controls were designed with
    // an 8 point font on a 640 pixel screen.
    const double ratio = l.formScale / 640.0;
    QFont f = centralWidget()->font();
    f.setPointSizeF(std::clamp(8.0 * ratio, 8.0, 16.0));
    centralWidget()->setFont(f);
    resize(std::min(scr.usableWidth(), static_cast<int>(640 * ratio)),
           std::min(scr.usableHeight(), static_cast<int>(480 * ratio)));

    Panel1->setMaximumWidth(std::min(l.panelWidth, scr.usableWidth()));
    StringGrid1->setDefaultColumnWidth(l.gridDefaultColWidth);
    StringGrid1->setColumnWidth(0, l.gridCol0Width);
    StringGrid1->setColumnWidth(1, l.gridCol1Width);
    StringGrid1->setColumnWidth(21, l.gridCol21Width);
    StringGrid1->verticalHeader()->setDefaultSectionSize(l.gridRowHeight);
    QFont gf = StringGrid1->font();
    if (l.gridFontSize > 0)
        gf.setPointSize(l.gridFontSize);
    StringGrid1->setFont(gf);
    QFont lf = Label3->font();
    if (l.label3FontSize > 0)
        lf.setPointSize(l.label3FontSize);
    Label3->setFont(lf);
    Label3->setContentsMargins(l.label3Left, 0, 0, 0);
    // The picture never makes the window taller than the screen: it may
    // shrink, while the lists and tables take the room they need.
    Image1->setMaximumSize(l.imageWidth, l.imageHeight);
    Image1->setMinimumSize(1, 1);
    Image1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    Image1->setContentsMargins(l.imageLeft, l.imageTop, 0, 0);

    // The student list starts write-protected.
    if (QAction* a = menuEntry(QStringLiteral("ListezumSchreibenfreigeben1")))
        a->setChecked(false);
    if (QAction* a = menuEntry(QStringLiteral("ListemitSchreibschutzversehen1")))
        a->setChecked(true);
}

void TForm1::showClassView()
{
    const ClassListView& v = classFiles().view();
    // The school name is shown once it is known, whatever the window shows
    // below it; progress texts go to the status bar, never into this label.
    Label2->setVisible(!Label2->text().isEmpty());
    Label3->setText(v.label3Text);
    Label3->setVisible(v.label3Visible);
    // The start screen is there only while nothing else is: beside a list or
    // table it would push them to the bottom of the window.
    const bool listOrTable = v.listVisible || v.studentListVisible || classGrid().visible();
    Image1->setVisible(v.startScreenVisible && !listOrTable);
    if (QAction* a = menuEntry(QStringLiteral("ListezumSchreibenfreigeben1")))
        a->setChecked(v.writeEnabledChecked);
    if (QAction* a = menuEntry(QStringLiteral("ListemitSchreibschutzversehen1")))
        a->setChecked(v.writeProtectedChecked);

    // The class list: refilled only when its content changed, so that the
    // user's selection survives a refresh.
    QStringList shown;
    for (int i = 0; i < FileListBox1->count(); ++i)
        shown << FileListBox1->item(i)->text();
    if (shown != v.listEntries) {
        const QSignalBlocker block(FileListBox1);
        FileListBox1->clear();
        FileListBox1->addItems(v.listEntries);
    }
    if (v.listSelected >= 0 && v.listSelected < FileListBox1->count())
        FileListBox1->setCurrentRow(v.listSelected);
    FileListBox1->setVisible(v.listVisible);
    if (v.listVisible)
        FileListBox1->setFocus();

    // The student list takes the focus whenever it comes (back) into view:
    // after opening or creating a class and after a grade table was left.
    const bool studentListComes = DBGrid1->isHidden() && v.studentListVisible && !classGrid().visible();
    DBGrid1->setVisible(v.studentListVisible && !classGrid().visible());
    StringGrid1->setVisible(classGrid().visible());
    if (QAction* pp = menuEntry(QStringLiteral("PPPraktischePrfungEingabe4Ausdruck1")))
        pp->setVisible(v.practicalExamEntryVisible);
    studentList_->reload(v.studentListReadOnly, v.firstColumnReadOnly);
    if (studentListComes && !v.listVisible)
        DBGrid1->setFocus();
}

void TForm1::placeLabel9()
{
    // Right-aligned just above the grid, where the labels leave room; over
    // the grid's top right corner only when there is no room above it.
    Label9->adjustSize();
    const QRect g = StringGrid1->geometry();
    const int above = g.top() - Label9->height();
    Label9->move(std::max(0, g.right() + 1 - Label9->width()), above >= 0 ? above : g.top());
    Label9->raise();
}

void TForm1::gridStateChanged()
{
    // While the grade table has the focus, the other menus wait.
    const bool label9 = classGrid().label9Visible();
    if (label9)
        placeLabel9();
    Label9->setVisible(label9);
    if (!classGrid().menusDisabled()) {
        refreshFromState();
        return;
    }
    applyGridMenuLock(*this);
}

void TForm1::FileListBox1Activate()
{
    QListWidgetItem* item = FileListBox1->currentItem();
    const QString name = item ? item->text() : QString();
    runGuarded([&] { classFiles().Activate(name); });
    runGuarded([&] { refreshFromState(); });
}

void TForm1::Memo1Exit()
{
    Memo1->setVisible(false);
    Button5->setVisible(false);
}

// The panel takes the height its contents need, as far as the window
// leaves room beside the other shown controls at their least; the lists
// give way, and only what does not fit even so scrolls.
void TForm1::fitPanel1()
{
    QWidget* central = centralWidget();
    auto* layout = central ? qobject_cast<QVBoxLayout*>(central->layout()) : nullptr;
    if (!layout || !Panel1Scroll->isVisibleTo(this))
        return;
    const ScreenInfo scr = hsa::screen().info();
    const int chrome = frameGeometry().height() - central->height();
    int others = layout->contentsMargins().top() + layout->contentsMargins().bottom();
    for (QWidget* c : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c != Panel1Scroll && c != Label9 && c->isVisibleTo(this))
            others += c->minimumSizeHint().height() + layout->spacing();
    const int room = scr.usableHeight() - chrome - others;
    Panel1Scroll->setMinimumHeight(std::max(0, std::min(Panel1->minimumSizeHint().height(), room)));
}

bool TForm1::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Panel1) {
        // The scroll area comes and goes with the panel in it.  Its least
        // height belongs to one showing and goes with it: kept while hidden,
        // a view zoom in between would scale it as a height of its own, and
        // the next showing would grow the window to it, past the screen,
        // before fitPanel1 sets the height for that showing.
        if (e->type() == QEvent::ShowToParent) {
            Panel1Scroll->setVisible(true);
        } else if (e->type() == QEvent::HideToParent) {
            Panel1Scroll->setVisible(false);
            Panel1Scroll->setMinimumHeight(0);
        }
        if (e->type() == QEvent::ShowToParent || e->type() == QEvent::LayoutRequest)
            fitPanel1();
    }
    if (watched == StringGrid1 && (e->type() == QEvent::Move || e->type() == QEvent::Resize))
        placeLabel9();
    if (watched == Memo1 && e->type() == QEvent::FocusOut && Memo1->isVisible()
        && QApplication::activeModalWidget() == nullptr && focusWidget() != Button5)
        QTimer::singleShot(0, this, [this] { Memo1Exit(); });
    if (watched == FileListBox1) {
        bool taken = false;
        runGuarded([&] {
            if (e->type() == QEvent::KeyPress) {
                auto* k = static_cast<QKeyEvent*>(e);
                if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                    taken = true;
                    FileListBox1Activate();
                } else if (k->key() == Qt::Key_Escape) {
                    taken = true;
                    classFiles().ListEscape();
                    refreshFromState();
                }
            } else if (e->type() == QEvent::FocusIn) {
                classFiles().ListEntered();
            } else if (e->type() == QEvent::FocusOut) {
                // Leaving the list for one of the program's own boxes is not leaving it.
                if (QApplication::activeModalWidget() == nullptr && isActiveWindow()) {
                    classFiles().ListLeft();
                    QTimer::singleShot(0, this, guardedSlot([this] { refreshFromState(); }));
                }
            }
        });
        if (taken)
            return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TForm1::setUpdateSwitchChecked(bool checked)
{
    if (QAction* a = menuEntry(QStringLiteral("SchalterHinweiseaufvorhandenesINTERNETUPDATEunterbinden1")))
        a->setChecked(checked);
}

void TForm1::setHomepageEntryCaption(const QString& caption)
{
    if (QAction* a = menuEntry(QStringLiteral("Internetupdate1")))
        a->setText(caption);
}

void TForm1::Timer1Timer()
{
    // An open class is never ended by the updater's signal, whatever the
    // one-second timer has seen so far.
    if (ClassOpenStopsUpdaterWatch()) {
        Timer1->stop();
        return;
    }
    if (UpdaterAsksToQuit()) {
        state().quitRequested = true;
        close();
    }
}

void TForm1::Timer3Timer()
{
    if (ClassOpenStopsUpdaterWatch()) {
        Timer1->stop();
        Timer3->stop();
    }
}

void TForm1::Timer4Timer()
{
    const int listType = RadioGroup2Buttons->checkedId();
    if (listType != ListOral && listType != ListOralProtocols) {
        RadioGroup4->setVisible(false);
        if (QAbstractButton* b = RadioGroup4Buttons->button(kExamOral))
            b->setChecked(true);
    } else {
        RadioGroup4->setVisible(true);
    }
}

void TForm1::Arbeitbeenden1Click()
{
    if (ArbeitBeenden())
        close();
}

void TForm1::closeEvent(QCloseEvent* e)
{
    // A check that failed keeps the program running with what is open.
    bool mayClose = false;
    if (!runGuarded([&] { mayClose = MainWindowMayClose(); }) || !mayClose) {
        e->ignore();
        return;
    }
    runGuarded([] { MainWindowClosing(); });
    DBGrid1->setVisible(false);
    e->accept();
}

void TForm1::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!shownOnce_) {
        shownOnce_ = true;
        if (appHooks().printerNameTooLong && appHooks().printerNameTooLong()) {
            state().quitRequested = true;
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
    }
}

void TForm1::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        runGuarded([] { MainWindowActivated(hsa::screen().info().width); });
}

} // namespace hsa
