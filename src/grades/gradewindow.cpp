#include "grades/gradewindow.h"
#include "grades/gridheadings.h"
#include "grades/gridkeys.h"

#include "classes/classfields.h"
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "grades/cellrules.h"
#include "grades/gradewindowcontroller.h"
#include "platform/prompt.h"
#include "platform/screen.h"
#include "platform/slotguard.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QStyle>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace hsa {

namespace {

QPointer<TForm2>& programForm()
{
    static QPointer<TForm2> form;
    return form;
}

const std::array<QString, 6>& recordFieldNames()
{
    static const std::array<QString, 6> names{kFieldWorkingGroups, kFieldBirthDate,
                                              kFieldBirthPlace, kFieldProjectTopic,
                                              kFieldClass8Grade, kFieldProfile};
    return names;
}

// Counts the window's own dialogs and updates while they run.
class Busy {
public:
    explicit Busy(int& depth) : depth_(depth) { ++depth_; }
    ~Busy() { --depth_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    int& depth_;
};

QTableWidgetItem* fixedItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(QApplication::palette().button());
    return item;
}

// A heading of the exam grid: olive over the exam parts and their result,
// green over the year mark, the others like every fixed cell; one point
// smaller than the cells, so that "Pr-Leist." fits its column.
QTableWidgetItem* headingItem(const QString& text, int column, QFont font)
{
    QTableWidgetItem* item = fixedItem(text);
    // A heading never takes the cursor: a click on it leaves the cursor
    // where it was (the heading is still drawn as an enabled cell).
    item->setFlags(Qt::NoItemFlags);
    if (column >= ColWritten && column <= ColExamResult)
        item->setBackground(QColor(0x80, 0x80, 0x00));
    else if (column == ColYear)
        item->setBackground(QColor(0x00, 0x80, 0x00));
    if (font.pointSize() > 1)
        font.setPointSize(font.pointSize() - 1);
    item->setFont(font);
    return item;
}

// A text for a line edit whose room the controller guards: the edit itself
// sets no limit, since a limit would cut a pasted text without a word.
void setLimitedText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

// The exam grid's cell editor: a key that moves the cursor stores what was
// typed and moves as on a cell without editor.
class ExamCellDelegate : public HeadingWrapDelegate {
public:
    explicit ExamCellDelegate(QTableWidget* grid) : HeadingWrapDelegate(0, grid), grid_(grid) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        return HandCursorKeyToGrid(this, object, event, grid_) || HeadingWrapDelegate::eventFilter(object, event);
    }

private:
    QTableWidget* grid_;
};

// A grid's own font size (its rows follow with setSectionSizes).
void setGridFont(QTableWidget* grid, int pointSize)
{
    QFont f = grid->font();
    f.setPointSize(pointSize);
    grid->setFont(f);
}

// Every section of the header takes size; the style's minimum (taken from
// the font) must not hold small design sizes up.
void setSectionSizes(QHeaderView* header, int size)
{
    if (header->minimumSectionSize() > size)
        header->setMinimumSectionSize(size);
    header->setDefaultSectionSize(size);
}

} // namespace

bool ShouldCloseOnDeactivation(const QWidget* self, const QWidget* newActive, bool ownDialogOpen)
{
    if (ownDialogOpen || !self || !newActive || newActive == self)
        return false;
    if (QApplication::activeModalWidget())
        return false;
    for (const QWidget* p = newActive; p; p = p->parentWidget())
        if (p == self)
            return false;
    switch (newActive->windowType()) {
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Popup:
    case Qt::Tool:
    case Qt::ToolTip:
    case Qt::SplashScreen:
        return false;
    default:
        return true;
    }
}

TForm2::TForm2(QWidget* parent) : TForm2(gradeWindow(), parent) {}

TForm2::TForm2(GradeWindowController& controller, QWidget* parent)
    : QMainWindow(parent), c_(&controller), metrics_(ComputeGradeWindowMetrics(state().formScale))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Beurteilung/Zeugnis"));
    build();
    if (!programForm())
        programForm() = this;
}

TForm2::~TForm2()
{
    // Destroying the child widgets moves the focus; by then this window is
    // no longer whole and must not hear of it.
    QObject::disconnect(focusConnection_);
}

void TForm2::build()
{
    buildMenu();
    buildHeading();
    buildExamPage();
    buildCertificatePage();
    buildNotesPage();
    connectControls();

    // The first size grows with the rest but never beyond the screen.
    const ScreenInfo scr = hsa::screen().info();
    resize(scr.width > 0 ? std::min(metrics_.windowWidth, scr.width) : metrics_.windowWidth,
           scr.height > 0 ? std::min(metrics_.windowHeight, scr.height) : metrics_.windowHeight);
}

// The menu bar with its entries; they act at once, so they are wired here.
void TForm2::buildMenu()
{
    QMenuBar* bar = menuBar();
    Verhalten1 = bar->addAction(QStringLiteral("&Prüfung"));
    Arbeiten1 = bar->addAction(QStringLiteral("&Zeugnis"));
    Arbeiten1->setShortcut(QKeySequence(QStringLiteral("Ctrl+B")));
    Nchster1 = bar->addAction(QStringLiteral("&Nächster"));
    Vorheriger1 = bar->addAction(QStringLiteral("&Voriger"));
    Zurck1 = bar->addAction(QStringLiteral("&Zurück (Hauptmenü, Speichern)"));
    QMenu* edit = bar->addMenu(QStringLiteral("&Bearbeiten"));
    QAction* copy = edit->addAction(QStringLiteral("Kopieren   (Strg+C)"));
    QAction* paste = edit->addAction(QStringLiteral("Einfügen   (Strg+V)"));
    QAction* cut = edit->addAction(QStringLiteral("Ausschneiden   (Strg+X)"));
    QMenu* help = bar->addMenu(QStringLiteral("&Hilfe"));
    N1 = help->addAction(QStringLiteral("Inhaltsverzeichnis"));
    // The topic entries are not offered; their actions still work when
    // triggered.
    QMenu* topics = bar->addMenu(QStringLiteral("Hilfe zu"));
    topics->menuAction()->setVisible(false);
    Abschlussprfung1 = topics->addAction(QStringLiteral("Abschlussprüfung"));
    Schulfre4mde1 = topics->addAction(QStringLiteral("Schulfremde"));
    IndividuelleBerufsschulfcher1 = topics->addAction(QStringLiteral("Individuelle Berufsschulfächer"));
    connect(Verhalten1, &QAction::triggered, this, guardedSlot([this] { tabbednotebook1->setCurrentIndex(0); }));
    connect(Arbeiten1, &QAction::triggered, this, guardedSlot([this] { tabbednotebook1->setCurrentIndex(1); }));
    connect(Nchster1, &QAction::triggered, this, guardedSlot([this] { Nchster1Click(); }));
    connect(Vorheriger1, &QAction::triggered, this, guardedSlot([this] { Vorheriger1Click(); }));
    connect(Zurck1, &QAction::triggered, this, guardedSlot([this] { Zurck1Click(); }));
    connect(copy, &QAction::triggered, this, guardedSlot([this] { clipboardAction(0); }));
    connect(paste, &QAction::triggered, this, guardedSlot([this] { clipboardAction(1); }));
    connect(cut, &QAction::triggered, this, guardedSlot([this] { clipboardAction(2); }));
    const std::pair<QAction*, int> helpEntries[] = {{N1, kHelpContents},
                                                    {Abschlussprfung1, kHelpFinalExam},
                                                    {Schulfre4mde1, kHelpExternalCandidates},
                                                    {IndividuelleBerufsschulfcher1, kHelpVocationalSubjects}};
    for (const auto& [action, context] : helpEntries) {
        const int topic = context;
        connect(action, &QAction::triggered, this, guardedSlot([this, topic] {
            Busy b(busy_);
            c_->ShowHelp(topic);
        }));
    }
}

// The window font, the heading that names the student and the class, and
// the notebook that takes the pages.
void TForm2::buildHeading()
{
    QFont windowFont = font();
    windowFont.setPointSize(metrics_.windowFontPointSize);
    setFont(windowFont);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* top = new QVBoxLayout(central);
    auto* heading = new QHBoxLayout;
    Label2 = new QLabel(central);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont big = Label2->font();
    big.setPointSize(metrics_.headingFontPointSize);
    big.setBold(true);
    Label2->setFont(big);
    Label3 = new QLabel(central);
    Label3->setObjectName(QStringLiteral("Label3"));
    heading->addWidget(Label2);
    heading->addStretch();
    heading->addWidget(Label3);
    top->addLayout(heading);

    tabbednotebook1 = new QTabWidget(central);
    tabbednotebook1->setObjectName(QStringLiteral("tabbednotebook1"));
    top->addWidget(tabbednotebook1);
}

// Page 0: exam grid, result, profile, grade list.
void TForm2::buildExamPage()
{
    auto* page0 = new QWidget;
    auto* p0 = new QGridLayout(page0);
    StringGrid3 = new QTableWidget(kExamGridRows, kExamGridColumns, page0);
    StringGrid3->setObjectName(QStringLiteral("StringGrid3"));
    StringGrid3->horizontalHeader()->hide();
    StringGrid3->verticalHeader()->hide();
    setGridFont(StringGrid3, metrics_.examGridFontPointSize);
    setSectionSizes(StringGrid3->horizontalHeader(), metrics_.examGridColumnWidth);
    setSectionSizes(StringGrid3->verticalHeader(), metrics_.examGridRowHeight);
    StringGrid3->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid3->setItemDelegate(new ExamCellDelegate(StringGrid3));
    // Typing opens the cell editor; a double click never does: it toggles
    // the cell between "P" (exam pending) and "- ".
    StringGrid3->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
    StringGrid3->setColumnHidden(ColWeight, true);
    StringGrid3->installEventFilter(this);
    p0->addWidget(StringGrid3, 0, 0, 6, 1);
    auto* pendingHint = new QLabel(QStringLiteral("Prüfungsfelder vor der Prüfung für die \n"
                                                  "kennzeichnen (Doppelklick)"),
                                   page0);
    p0->addWidget(pendingHint, 6, 0);
    Label9 = new QPushButton(QStringLiteral("Fachgewichtsspalte öffnen / schließen"), page0);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setFlat(true);
    p0->addWidget(Label9, 7, 0);

    RadioGroup1 = new QGroupBox(QStringLiteral("Prüfungsergebnis"), page0);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    resultButtons = new QButtonGroup(this);
    auto* rg1 = new QVBoxLayout(RadioGroup1);
    for (int i = 0; i < kExamResultCount; ++i) {
        auto* b = new QRadioButton(ExamResultCaption(i), RadioGroup1);
        resultButtons->addButton(b, i);
        rg1->addWidget(b);
    }
    p0->addWidget(RadioGroup1, 0, 1);
    Label11 = new QLabel(page0);
    Label11->setObjectName(QStringLiteral("Label11"));
    p0->addWidget(Label11, 1, 1);
    Label13 = new QLabel(page0);
    Label13->setObjectName(QStringLiteral("Label13"));
    p0->addWidget(Label13, 2, 1);

    auto* profileBox = new QWidget(page0);
    auto* pb = new QGridLayout(profileBox);
    pb->setContentsMargins(0, 0, 0, 0);
    RadioGroup2 = new QGroupBox(QStringLiteral("Profilfach"), profileBox);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    profileButtons = new QButtonGroup(this);
    profileButtons->setExclusive(true);
    auto* rg2 = new QGridLayout(RadioGroup2);
    for (int i = 0; i < 6; ++i) {
        profileItems[i] = new QRadioButton(RadioGroup2);
        profileButtons->addButton(profileItems[i], i);
        rg2->addWidget(profileItems[i], i % 2, i / 2);
    }
    pb->addWidget(RadioGroup2, 0, 0);
    BitBtn1 = new QPushButton(QStringLiteral("?"), profileBox);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setToolTip(QStringLiteral("Profilfach-Kürzel an Korvi anpassen"));
    pb->addWidget(BitBtn1, 0, 1);
    RadioGroup3 = new QGroupBox(QStringLiteral("Im Gesamtschnitt:  Profilfach"), profileBox);
    RadioGroup3->setObjectName(QStringLiteral("RadioGroup3"));
    auto* rg3 = new QVBoxLayout(RadioGroup3);
    auto* counts = new QRadioButton(QStringLiteral("zählt"), RadioGroup3);
    auto* notCounts = new QRadioButton(QStringLiteral("zählt NICHT"), RadioGroup3);
    notCounts->setChecked(true);
    rg3->addWidget(counts);
    rg3->addWidget(notCounts);
    RadioGroup3->setEnabled(false);
    pb->addWidget(RadioGroup3, 1, 0);
    BitBtn2 = new QPushButton(QStringLiteral("?"), profileBox);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    pb->addWidget(BitBtn2, 1, 1);
    p0->addWidget(profileBox, 3, 1);
    RadioGroup2->installEventFilter(this);
    Label15 = new QLabel(page0);
    Label15->setObjectName(QStringLiteral("Label15"));
    Label15->setWordWrap(true);
    // The hint wraps to the width of the column instead of widening it at
    // the exam grid's expense.
    Label15->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    p0->addWidget(Label15, 4, 1);

    StringGrid1 = new QTableWidget(kGradeListRows, 2, page0);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    setGridFont(StringGrid1, metrics_.gradeListFontPointSize);
    setSectionSizes(StringGrid1->verticalHeader(), metrics_.gradeListRowHeight);
    StringGrid1->setColumnWidth(0, metrics_.gradeListNameColumnWidth);
    StringGrid1->setColumnWidth(1, metrics_.gradeListGradeColumnWidth);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->installEventFilter(this);
    p0->addWidget(StringGrid1, 0, 2, 6, 1);
    // The final-grade list always shows both its columns; the exam grid takes
    // whatever width is left and, on a screen too narrow for all its
    // columns, scrolls inside the window rather than push the list and the
    // buttons off it.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int frame = 2 * StringGrid3->frameWidth() + scrollBar + 2;
    const int examWidth = metrics_.examGridCodeColumnWidth + (kExamGridColumns - 2) * metrics_.examGridColumnWidth + frame;
    const int listWidth = metrics_.gradeListNameColumnWidth + metrics_.gradeListGradeColumnWidth + frame;
    StringGrid3->setMinimumWidth(examWidth / 2);
    StringGrid3->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    StringGrid1->setMinimumWidth(listWidth);
    p0->setColumnStretch(0, 1);
    p0->setColumnStretch(1, 0);
    p0->setColumnStretch(2, 0);
    auto* nav0 = new QHBoxLayout;
    Button10 = new QPushButton(QStringLiteral("<"), page0);
    Button10->setObjectName(QStringLiteral("Button10"));
    Button9 = new QPushButton(QStringLiteral(">"), page0);
    Button9->setObjectName(QStringLiteral("Button9"));
    nav0->addWidget(Button10);
    nav0->addWidget(Button9);
    p0->addLayout(nav0, 6, 2);
    tabbednotebook1->addTab(page0, QStringLiteral("Prüfung"));
}

// Page 1: remarks and personal fields, phrase store.
void TForm2::buildCertificatePage()
{
    auto* page1 = new QWidget;
    auto* p1 = new QGridLayout(page1);
    hintsLabel = new QLabel(page1);
    p1->addWidget(hintsLabel, 0, 0);
    const char* remarkNames[6] = {"hinweis1", "hinweis2", "hinweis3", "hinweis4", "bemerkung1", "bemerkung2"};
    for (int i = 0; i < 6; ++i) {
        remarkEdits[i] = new QLineEdit(page1);
        remarkEdits[i]->setObjectName(QString::fromLatin1(remarkNames[i]));
        remarkEdits[i]->installEventFilter(this);
    }
    hinweis1 = remarkEdits[0];
    hinweis2 = remarkEdits[1];
    hinweis3 = remarkEdits[2];
    hinweis4 = remarkEdits[3];
    bemerkung1 = remarkEdits[4];
    bemerkung2 = remarkEdits[5];
    projectExamLabel = new QLabel(page1);
    p1->addWidget(projectExamLabel, 1, 0);
    for (int i = 0; i < 4; ++i)
        p1->addWidget(remarkEdits[i], 2 + i, 0);
    remarkLabel1 = new QLabel(page1);
    p1->addWidget(remarkLabel1, 6, 0);
    p1->addWidget(bemerkung1, 7, 0);
    remarkLabel2 = new QLabel(page1);
    p1->addWidget(remarkLabel2, 8, 0);
    p1->addWidget(bemerkung2, 9, 0);

    auto* personal = new QGridLayout;
    workingGroupsLabel = new QLabel(page1);
    topicLabel = new QLabel(page1);
    const QString recordLabels[6] = {QString(), QStringLiteral("Geburtstag:"),
                                     QStringLiteral("Geburtsort:"), QString(),
                                     QStringLiteral("Kennzeichen:"), QStringLiteral("Profilfach / Thema:")};
    for (int i = 0; i < 6; ++i) {
        recordEdits[i] = new QLineEdit(page1);
        recordEdits[i]->setObjectName(QStringLiteral("DBEdit%1").arg(i + 1));
        recordEdits[i]->installEventFilter(this);
        QLabel* label = i == 0 ? workingGroupsLabel : i == 3 ? topicLabel : new QLabel(recordLabels[i], page1);
        personal->addWidget(label, i, 0);
        personal->addWidget(recordEdits[i], i, 1);
    }
    QFont twelve = recordEdits[5]->font();
    twelve.setPointSize(12);
    recordEdits[5]->setFont(twelve);
    deutschnote = new QLineEdit(page1);
    deutschnote->setObjectName(QStringLiteral("deutschnote"));
    mathenote = new QLineEdit(page1);
    mathenote->setObjectName(QStringLiteral("mathenote"));
    personal->addWidget(deutschnote, 6, 0);
    personal->addWidget(mathenote, 6, 1);
    p1->addLayout(personal, 10, 0);

    StringGrid2 = new QTableWidget(kPhraseCount, 2, page1);
    StringGrid2->setObjectName(QStringLiteral("StringGrid2"));
    StringGrid2->horizontalHeader()->hide();
    StringGrid2->verticalHeader()->hide();
    StringGrid2->setColumnWidth(0, metrics_.phraseNumberColumnWidth);
    StringGrid2->horizontalHeader()->setStretchLastSection(true);
    StringGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid2->setVisible(false);
    p1->addWidget(StringGrid2, 0, 1, 10, 1);
    auto* phraseButtons = new QHBoxLayout;
    Button12 = new QPushButton(QStringLiteral("Floskelspeicher zeigen / verstecken"), page1);
    Button12->setObjectName(QStringLiteral("Button12"));
    Button11 = new QPushButton(QStringLiteral("Hilfe (Floskeln)"), page1);
    Button11->setObjectName(QStringLiteral("Button11"));
    Button1 = new QPushButton(QStringLiteral("Speichern und schließen"), page1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button3 = new QPushButton(QStringLiteral("vorheriger"), page1);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button2 = new QPushButton(QStringLiteral("nächster"), page1);
    Button2->setObjectName(QStringLiteral("Button2"));
    phraseButtons->addWidget(Button12);
    phraseButtons->addWidget(Button11);
    phraseButtons->addWidget(Button1);
    phraseButtons->addStretch();
    phraseButtons->addWidget(Button3);
    phraseButtons->addWidget(Button2);
    p1->addLayout(phraseButtons, 11, 0, 1, 2);
    Label12 = new QLabel(page1);
    Label12->setObjectName(QStringLiteral("Label12"));
    p1->addWidget(Label12, 10, 1);
    tabbednotebook1->addTab(page1, QStringLiteral("Zeugnis"));
}

// Page 2: notes.
void TForm2::buildNotesPage()
{
    auto* page2 = new QWidget;
    auto* p2 = new QGridLayout(page2);
    memo1 = new QPlainTextEdit(page2);
    memo1->setObjectName(QStringLiteral("memo1"));
    memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1->installEventFilter(this);
    p2->addWidget(memo1, 0, 0);
    Memo2 = new QPlainTextEdit(page2);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    Memo2->setEnabled(false);
    Memo2->setVisible(false);
    p2->addWidget(Memo2, 0, 1);
    auto* nav2 = new QHBoxLayout;
    Button14 = new QPushButton(QStringLiteral("Word - Zeugnisanlage öffnen"), page2);
    Button14->setObjectName(QStringLiteral("Button14"));
    Button15 = new QPushButton(QStringLiteral("Zeugnisanlagedatei neu erstellen"), page2);
    Button15->setObjectName(QStringLiteral("Button15"));
    nav2->addWidget(Button14);
    nav2->addWidget(Button15);
    Button6 = new QPushButton(QStringLiteral("vorheriger"), page2);
    Button6->setObjectName(QStringLiteral("Button6"));
    Button13 = new QPushButton(QStringLiteral("nächster"), page2);
    Button13->setObjectName(QStringLiteral("Button13"));
    Button5 = new QPushButton(QStringLiteral("Notizfeld drucken"), page2);
    Button5->setObjectName(QStringLiteral("Button5"));
    nav2->addWidget(Button5);
    nav2->addStretch();
    nav2->addWidget(Button6);
    nav2->addWidget(Button13);
    p2->addLayout(nav2, 1, 0, 1, 2);
    tabbednotebook1->addTab(page2, QStringLiteral("Notizen"));
}

// Every control of the pages hands its events to the controller.
void TForm2::connectControls()
{
    for (QPushButton* b : {Button2, Button9, Button13})
        connect(b, &QPushButton::clicked, this, guardedSlot([this] { Nchster1Click(); }));
    for (QPushButton* b : {Button3, Button10, Button6})
        connect(b, &QPushButton::clicked, this, guardedSlot([this] { Vorheriger1Click(); }));
    connect(Label9, &QPushButton::clicked, this, guardedSlot([this] { Label9Click(); }));
    connect(Button5, &QPushButton::clicked, this, guardedSlot([this] {
        Busy b(busy_);
        if (c_->hooks().printNotes)
            c_->hooks().printNotes();
    }));
    // The attachment's own messages must not close the window under the
    // user (Busy marks them as the window's own).
    connect(Button14, &QPushButton::clicked, this, guardedSlot([this] {
        flushPendingEdits();
        Busy b(busy_);
        c_->OpenAttachment();
    }));
    connect(Button15, &QPushButton::clicked, this, guardedSlot([this] {
        flushPendingEdits();
        Busy b(busy_);
        c_->RecreateAttachment();
    }));
    connect(Button1, &QPushButton::clicked, this, guardedSlot([this] {
        {
            Busy b(busy_);
            c_->SavePhrasesAndClose();
        }
        afterAction();
    }));
    connect(Button11, &QPushButton::clicked, this, guardedSlot([this] {
        Busy b(busy_);
        c_->showPhraseHelp();
    }));
    connect(Button12, &QPushButton::clicked, this, guardedSlot([this] {
        c_->togglePhraseStore();
        StringGrid2->setVisible(c_->phraseStoreShown());
    }));
    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot([this] {
        {
            Busy b(busy_);
            c_->editProfileCodes();
        }
        applyLayout();
        refreshLabels();
    }));
    connect(BitBtn2, &QPushButton::clicked, this, guardedSlot([this] {
        Busy b(busy_);
        c_->explainProfileNotCounted();
    }));
    connect(resultButtons, &QButtonGroup::idClicked, this, guardedSlot([this](int id) {
        {
            Busy b(busy_);
            c_->selectExamResult(id);
        }
        refreshLabels();
    }));
    connect(profileButtons, &QButtonGroup::idClicked, this, guardedSlot([this](int id) {
        c_->selectProfile(id);
        refreshRemarks();
    }));

    connect(StringGrid3, &QTableWidget::itemChanged, this, guardedSlot([this](QTableWidgetItem* item) {
        if (!updating_)
            commitGridCell(item->row(), item->column());
    }));
    connect(StringGrid3, &QTableWidget::cellClicked, this, guardedSlot([this](int row, int column) {
        const CellPos to = c_->clickCell(CellPos{column, row});
        refreshGrid();
        refreshLabels();
        StringGrid3->setCurrentCell(to.row, to.column);
    }));
    connect(StringGrid3, &QTableWidget::cellDoubleClicked, this, guardedSlot([this](int row, int column) {
        c_->doubleClickCell(CellPos{column, row});
        refreshGrid();
        refreshLabels();
        // The second press made the cell current again: a code or a result
        // sends the cursor on as a click does (which writes nothing there).
        if (column == ColCode || column == ColExamResult || column == ColAverage || column == ColFinal) {
            const CellPos to = c_->clickCell(CellPos{column, row});
            StringGrid3->setCurrentCell(to.row, to.column);
        }
    }));

    connect(StringGrid2, &QTableWidget::itemChanged, this, guardedSlot([this](QTableWidgetItem* item) {
        if (!updating_ && item->column() == 1)
            c_->phrases().setPhrase(item->row() + 1, item->text());
    }));

    for (int i = 0; i < 6; ++i) {
        connect(remarkEdits[i], &QLineEdit::textEdited, this, guardedSlot([this, i](const QString& t) {
            takeEdit([this, i, &t] { return c_->setRemark(i, t); });
        }));
        connect(recordEdits[i], &QLineEdit::textEdited, this, guardedSlot([this, i](const QString& t) {
            takeEdit([this, i, &t] { return c_->setRecordField(recordFieldNames()[i], t); });
        }));
    }
    connect(deutschnote, &QLineEdit::textEdited, this,
            guardedSlot([this](const QString& t) { takeEdit([this, &t] { return c_->setDeutschnote(t); }); }));
    connect(mathenote, &QLineEdit::textEdited, this,
            guardedSlot([this](const QString& t) { takeEdit([this, &t] { return c_->setMathenote(t); }); }));

    connect(memo1, &QPlainTextEdit::textChanged, this, guardedSlot([this] {
        if (updating_)
            return;
        if (c_->setNotesText(memo1->toPlainText())) {
            updating_ = true;
            memo1->setPlainText(c_->notesText());
            memo1->moveCursor(QTextCursor::End);
            updating_ = false;
            Busy b(busy_);
            showWarning(kMsgNotesCut);
        }
    }));

    connect(tabbednotebook1, &QTabWidget::currentChanged, this, guardedSlot([this](int page) {
        refreshLabels();
        if (page == 0)
            StringGrid3->setFocus();
        else if (page == 1)
            hinweis1->setFocus();
    }));

    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, guardedSlot([this](QWidget* from, QWidget* to) {
        focusMoved(from, to);
    }));

    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, guardedSlot([this] { Zurck1Click(); }));
}

// ------------------------------------------------------------------ showing

void TForm2::applyLayout()
{
    const GradeWindowLayout& l = c_->layout();
    tabbednotebook1->setTabText(0, l.page0Caption);
    tabbednotebook1->setTabText(1, l.page1Caption);
    tabbednotebook1->setTabText(2, l.page2Caption);
    Verhalten1->setText(l.examMenuCaption);
    Arbeiten1->setText(l.certificateMenuCaption);

    RadioGroup2->setVisible(l.profileControlsShown);
    RadioGroup3->setVisible(l.profileControlsShown);
    BitBtn1->setVisible(l.profileControlsShown);
    BitBtn2->setVisible(l.profileControlsShown);
    Label15->setVisible(l.informatikHintShown);
    Label15->setText(l.informatikHint);
    const std::array<QString, 6> codes = c_->profileCodes();
    for (int i = 0; i < 6; ++i)
        profileItems[i]->setText(codes[i]);

    Memo2->setVisible(l.classTypeHintShown);
    Button14->setVisible(l.attachmentControlsShown);
    Button15->setVisible(l.attachmentControlsShown);
    Memo2->setPlainText(c_->classTypeHint());

    hintsLabel->setText(l.hintsLabel);
    remarkLabel1->setText(l.remarkLabel1);
    remarkLabel2->setText(l.remarkLabel2);
    workingGroupsLabel->setText(l.workingGroupsLabel);
    topicLabel->setText(l.topicLabel);
    projectExamLabel->setText(l.projectExamHint);
    projectExamLabel->setVisible(!l.projectExamHint.isEmpty());
    hinweis2->setVisible(l.hint2Shown);
    hinweis3->setVisible(l.hint3Shown);
    for (QLineEdit* e : recordEdits)
        e->setVisible(l.personalEditsShown);
    deutschnote->setVisible(l.schoolGradeEditsShown);
    mathenote->setVisible(l.schoolGradeEditsShown);
    deutschnote->setReadOnly(!classFiles().view().gradeEditsEditable);
    mathenote->setReadOnly(!classFiles().view().gradeEditsEditable);
    StringGrid3->setColumnHidden(ColWeight, !c_->weightColumnShown());
}

void TForm2::showStudent()
{
    updating_ = true;
    applyLayout();
    Label2->setText(c_->studentCaption());
    Label3->setText(c_->classCaption());
    updating_ = false;
    refreshGrid();
    refreshGradeList();
    refreshRemarks();
    refreshPhraseStore();
    updating_ = true;
    memo1->setPlainText(c_->notesText());
    updating_ = false;
    refreshLabels();
    StringGrid2->setVisible(c_->phraseStoreShown());
    // Typing goes into a mark cell from the start.
    if (!IsEditableExamCell(StringGrid3->currentColumn(), StringGrid3->currentRow()))
        StringGrid3->setCurrentCell(kFirstSubjectRow, ColWritten);
}

void TForm2::refreshGrid()
{
    updating_ = true;
    const ExamGrid& g = c_->sheet().grid;
    for (int col = 0; col < kExamGridColumns; ++col) {
        for (int row = 0; row < kExamGridRows; ++row) {
            const QString text = g.at(col, row);
            const bool computed = col == ColExamResult || col == ColAverage || col == ColFinal;
            QTableWidgetItem* item = StringGrid3->item(row, col);
            if (!item) {
                item = row == 0                 ? headingItem(text, col, StringGrid3->font())
                       : (col == 0 || computed) ? fixedItem(text)
                                                : new QTableWidgetItem(text);
                StringGrid3->setItem(row, col, item);
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
    StringGrid3->setColumnHidden(ColWeight, !c_->weightColumnShown());
    fitExamColumns();
    FitGridHeadings(StringGrid3, 0);
    updating_ = false;
    refreshGradeList();
}

void TForm2::refreshGradeList()
{
    const GradeList& list = c_->gradeList();
    const GradeContext& ctx = c_->context();
    const bool fixedRows = c_->gradeListFixedRows();
    for (int row = 0; row < kGradeListRows; ++row) {
        for (int col = 0; col < 2; ++col) {
            const QString text = col == 0 ? ctx.subjectNames[row] : list[row];
            QTableWidgetItem* item = StringGrid1->item(row, col);
            if (!item) {
                item = new QTableWidgetItem;
                StringGrid1->setItem(row, col, item);
            }
            // Fixed rows cannot be selected.
            item->setFlags(fixedRows && row < 2 ? Qt::ItemIsEnabled
                                                : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (item->text() != text) {
                item->setText(text);
                item->setToolTip(col == 0 ? text : QString()); // a long subject name reads whole there
            }
            item->setBackground(fixedRows && row < 2 ? QApplication::palette().button()
                                                     : QApplication::palette().base());
        }
    }
}

void TForm2::refreshLabels()
{
    const QString schnitt = c_->gesamtschnittLabel();
    Label11->setText(c_->resultLabel());
    Label12->setText(schnitt);
    Label13->setText(schnitt);
    const int index = c_->sheet().resultIndex;
    if (index >= 0 && index < kExamResultCount) {
        resultButtons->button(index)->setChecked(true);
    } else {
        resultButtons->setExclusive(false);
        for (QAbstractButton* b : resultButtons->buttons())
            b->setChecked(false);
        resultButtons->setExclusive(true);
    }
    const int profile = c_->sheet().profileIndex;
    profileButtons->setExclusive(false);
    for (int i = 0; i < 6; ++i)
        profileItems[i]->setChecked(i == profile);
    profileButtons->setExclusive(true);
}

void TForm2::takeEdit(const std::function<bool()>& set)
{
    // The refusal's box must not count as leaving the window, which would
    // close it; the edit then shows again what is kept.
    bool taken = false;
    {
        Busy b(busy_);
        taken = set();
    }
    if (!taken)
        refreshRemarks();
}

void TForm2::refreshRemarks()
{
    updating_ = true;
    for (int i = 0; i < kRemarkCount; ++i)
        setLimitedText(remarkEdits[i], c_->remark(i));
    for (int i = 0; i < 6; ++i) {
        const QString& field = recordFieldNames()[i];
        setLimitedText(recordEdits[i], c_->recordField(field));
    }
    setLimitedText(deutschnote, c_->deutschnote());
    setLimitedText(mathenote, c_->mathenote());
    updating_ = false;
}

void TForm2::refreshPhraseStore()
{
    updating_ = true;
    for (int row = 0; row < kPhraseCount; ++row) {
        if (!StringGrid2->item(row, 0))
            StringGrid2->setItem(row, 0, fixedItem(QString::number(row + 1)));
        QTableWidgetItem* item = StringGrid2->item(row, 1);
        if (!item) {
            item = new QTableWidgetItem;
            StringGrid2->setItem(row, 1, item);
        }
        item->setText(c_->phrases().phrase(row + 1));
    }
    updating_ = false;
}

// ------------------------------------------------------------------ actions

void TForm2::afterAction()
{
    if (!c_->isOpen()) {
        hide();
        return;
    }
    showStudent();
}

void TForm2::commitGridCell(int row, int column)
{
    QTableWidgetItem* item = StringGrid3->item(row, column);
    if (!item)
        return;
    if (!c_->commitCell(column, row, item->text())) {
        // Not an input cell: it keeps what the sheet holds.
        refreshGrid();
        return;
    }
    refreshGrid();
    refreshLabels();
}

void TForm2::flushPendingEdits()
{
    // A cell still being edited is committed, and a phrase number still
    // standing in the focused edit is expanded, before the student is left.
    QWidget* focus = QApplication::focusWidget();
    if (focus && StringGrid3->viewport()->isAncestorOf(focus))
        StringGrid3->setFocus();
    if (QWidget* w = QApplication::focusWidget())
        if (w->window() == this)
            expandEdit(w);
}

void TForm2::Nchster1Click()
{
    if (!c_->isOpen())
        return;
    flushPendingEdits();
    {
        Busy b(busy_);
        c_->Next();
    }
    afterAction();
}

void TForm2::Vorheriger1Click()
{
    if (!c_->isOpen())
        return;
    flushPendingEdits();
    {
        Busy b(busy_);
        c_->Previous();
    }
    afterAction();
}

void TForm2::Zurck1Click()
{
    if (c_->isOpen())
        flushPendingEdits();
    {
        Busy b(busy_);
        c_->Back();
    }
    if (!c_->isOpen())
        hide();
}

void TForm2::Label9Click()
{
    {
        Busy b(busy_);
        c_->toggleWeightColumn();
    }
    StringGrid3->setColumnHidden(ColWeight, !c_->weightColumnShown());
    fitExamColumns();
    if (c_->weightColumnShown()) {
        // The opened column lies beyond the grid's right edge when the grid
        // is narrow: bring all of it into view, once the scroll range knows
        // the new width.
        StringGrid3->doItemsLayout();
        const int row = std::max(0, StringGrid3->currentIndex().row());
        StringGrid3->scrollTo(StringGrid3->model()->index(row, ColWeight), QAbstractItemView::EnsureVisible);
    }
}

// Every shown column of the exam grid in view: where the window leaves the
// grid too little room for the columns at their size, they share the room
// evenly (never narrower than a mark with its exam star), and the headings
// take a smaller font or two lines.  With room enough they keep their size.
void TForm2::fitExamColumns()
{
    QList<int> columns;
    for (int c = 0; c < kExamGridColumns; ++c)
        if (c != ColCode && !StringGrid3->isColumnHidden(c))
            columns << c;
    if (columns.isEmpty())
        return;
    const int room = StringGrid3->viewport()->width() - StringGrid3->columnWidth(ColCode);
    const QFontMetrics fm(StringGrid3->font());
    // Never narrower than a mark with its star, nor than a heading needs in
    // the smallest heading font on at most two lines; below that the grid
    // scrolls.
    int floor = fm.horizontalAdvance(QStringLiteral("6.0*"));
    // The headings' smallest size, reached as the fitting reaches it: in
    // half points down from their design size (a point below the grid's).
    QFont smallest = StringGrid3->font();
    const double lowest = std::max(kHeadingFloorPoints, smallest.pointSizeF() * 2.0 / 3.0);
    double points = smallest.pointSize() > 1 ? smallest.pointSize() - 1 : smallest.pointSizeF();
    while (points - 0.5 >= lowest)
        points -= 0.5;
    smallest.setPointSizeF(points);
    const QFontMetrics small(smallest);
    for (int c : columns) {
        const QTableWidgetItem* heading = StringGrid3->item(0, c);
        if (!heading)
            continue;
        const QString text = heading->text().trimmed();
        int need = small.horizontalAdvance(text);
        for (int i = 1; i + 1 < text.size(); ++i)
            if (text.at(i) == QLatin1Char('/') || text.at(i) == QLatin1Char(' '))
                need = std::min(need, std::max(small.horizontalAdvance(text.left(i + 1).trimmed()),
                                               small.horizontalAdvance(text.mid(i + 1).trimmed())));
        floor = std::max(floor, need);
    }
    floor += 2 + 2 * (StringGrid3->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid3) + 1) + 1;
    const int size = StringGrid3->horizontalHeader()->defaultSectionSize();
    const int width = int(columns.size()) * size <= room ? size : std::max(floor, room / int(columns.size()));
    bool changed = false;
    for (int c : columns) {
        if (StringGrid3->columnWidth(c) != width) {
            StringGrid3->setColumnWidth(c, width);
            changed = true;
        }
    }
    if (changed)
        FitGridHeadings(StringGrid3, 0);
}

void TForm2::clipboardAction(int which)
{
    QWidget* w = QApplication::focusWidget();
    if (w == StringGrid3 && c_->isOpen()) {
        // A cell without its editor open: its text is copied, and a pasted
        // text is committed like a typed one (normalised, results computed).
        const CellPos pos{StringGrid3->currentColumn(), StringGrid3->currentRow()};
        if (pos.column < 0 || pos.row < 0)
            return;
        if (which == 0 || which == 2)
            QApplication::clipboard()->setText(TrimRight(c_->sheet().grid.at(pos.column, pos.row)));
        if (which == 1 || which == 2) {
            // Cut leaves the empty mark the presets use.
            const QString text = which == 1
                ? QApplication::clipboard()->text().section(QLatin1Char('\n'), 0, 0).trimmed()
                : QStringLiteral("- ");
            if (c_->commitCell(pos.column, pos.row, text)) {
                refreshGrid();
                refreshLabels();
            }
        }
        return;
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (which == 0)
            e->copy();
        else if (which == 1)
            e->paste();
        else
            e->cut();
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        if (which == 0)
            m->copy();
        else if (which == 1)
            m->paste();
        else
            m->cut();
    }
}

// ------------------------------------------------------------------ focus

void TForm2::focusMoved(QWidget* from, QWidget* to)
{
    if (!c_->isOpen() || !to || to->window() != this)
        return;
    const auto inside = [](const QWidget* parent, const QWidget* w) {
        return w && (w == parent || parent->isAncestorOf(w));
    };
    // Leaving the profile choice stores it.
    if (inside(RadioGroup2, from) && !inside(RadioGroup2, to)) {
        c_->leaveProfile();
        refreshRemarks();
    }
    if (inside(tabbednotebook1, to) && !inside(tabbednotebook1, from))
        tabbednotebook1Enter(to);
    if (to == StringGrid1 && from != StringGrid1)
        enterGradeList();
}

void TForm2::tabbednotebook1Enter(QWidget* to)
{
    c_->EnterNotebook();
    StringGrid3->setColumnWidth(ColCode, metrics_.examGridCodeColumnWidth);
    fitExamColumns();
    refreshGrid();
    refreshLabels();
    // Focus that lands on the notebook itself goes to the page's first
    // input; a click into a particular field keeps it there.
    if (to == tabbednotebook1 || to == tabbednotebook1->tabBar()) {
        if (tabbednotebook1->currentIndex() == 0)
            StringGrid3->setFocus();
        else if (tabbednotebook1->currentIndex() == 1)
            hinweis1->setFocus();
    }
}

void TForm2::enterGradeList()
{
    c_->EnterGradeList();
    refreshGradeList();
    if (StringGrid1->currentRow() < 2)
        StringGrid1->setCurrentCell(c_->gradeListKeyMove(1, 1), 1);
}

// ------------------------------------------------------------------ remark edits

int TForm2::remarkIndex(QObject* o) const
{
    for (int i = 0; i < kRemarkCount; ++i)
        if (remarkEdits[i] == o)
            return i;
    return -1;
}

int TForm2::recordEditIndex(QObject* o) const
{
    for (int i = 0; i < 6; ++i)
        if (recordEdits[i] == o)
            return i;
    return -1;
}

void TForm2::expandEdit(QObject* o)
{
    if (!c_->isOpen())
        return;
    const int r = remarkIndex(o);
    if (r >= 0) {
        if (c_->expandRemark(r))
            refreshRemarks();
        return;
    }
    const int f = recordEditIndex(o);
    // Working groups (AG2) and AG7 take stock phrases.
    if (f == 0 || f == 5) {
        if (c_->expandRecordField(recordFieldNames()[f]))
            refreshRemarks();
    }
}

void TForm2::doubleClickEdit(QObject* o)
{
    if (!c_->isOpen() || !c_->phraseStoreShown())
        return;
    const int row = StringGrid2->currentRow() + 1;
    const int r = remarkIndex(o);
    if (r >= 0) {
        if (c_->doubleClickRemark(r, row))
            refreshRemarks();
        return;
    }
    const int f = recordEditIndex(o);
    if (f == 0 || f == 2 || f == 3 || f == 5) {
        if (c_->doubleClickRecordField(recordFieldNames()[f], row))
            refreshRemarks();
    }
}

void TForm2::focusRemarkNeighbour(QObject* edit, int step)
{
    QList<QLineEdit*> chain;
    for (QLineEdit* e : remarkEdits)
        if (e->isVisible())
            chain << e;
    for (QLineEdit* e : recordEdits)
        if (e->isVisible())
            chain << e;
    const int at = chain.indexOf(qobject_cast<QLineEdit*>(edit));
    if (at < 0)
        return;
    const int to = at + step;
    if (to >= 0 && to < chain.size())
        chain.at(to)->setFocus();
}

// A key whose work failed is shown and taken: it does nothing more.
bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    bool taken = true;
    runGuarded([&] { taken = filterEvent(watched, event); });
    return taken;
}

bool TForm2::filterEvent(QObject* watched, QEvent* event)
{
    const bool isEdit = remarkIndex(watched) >= 0 || recordEditIndex(watched) >= 0;
    if (isEdit) {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            switch (k->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                expandEdit(watched);
                focusRemarkNeighbour(watched, +1);
                return true;
            case Qt::Key_Up:
                focusRemarkNeighbour(watched, -1);
                return true;
            case Qt::Key_Escape:
                expandEdit(watched);
                Zurck1Click();
                return true;
            default:
                break;
            }
        } else if (event->type() == QEvent::FocusOut) {
            expandEdit(watched);
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            doubleClickEdit(watched);
            return true;
        }
        return QMainWindow::eventFilter(watched, event);
    }

    if (watched == StringGrid3 && event->type() == QEvent::Resize)
        fitExamColumns();

    if (watched == memo1 && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        // The grade file keeps 45 note lines: no 46th line is begun.
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            && memo1->blockCount() >= kGradeFileNoteLines) {
            QApplication::beep();
            return true;
        }
    }

    if (watched == RadioGroup2 && event->type() == QEvent::FocusOut && c_->isOpen())
        c_->leaveProfile();

    // Keys reach the grid itself only while no cell editor is open (the
    // editor hands the cursor keys on).
    if (watched == StringGrid3 && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const CellPos from{StringGrid3->currentColumn(), StringGrid3->currentRow()};
        if ((k->key() == Qt::Key_Delete || k->key() == Qt::Key_Backspace)
            && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            // The mark is removed, as an emptied cell is stored.
            if (c_->commitCell(from.column, from.row, QString())) {
                refreshGrid();
                refreshLabels();
            }
            return true;
        }
        if (const std::optional<ExamGridKey> key = CursorMoveOf<ExamGridKey>(*k)) {
            const int rowPixels = std::max(1, StringGrid3->rowHeight(kFirstSubjectRow));
            const int page = std::max(1, (StringGrid3->viewport()->height() - StringGrid3->rowHeight(0)) / rowPixels - 1);
            const KeyResult r = c_->keyMove(from, *key, page);
            StringGrid3->setCurrentCell(r.pos.row, r.pos.column);
            return true;
        }
    }

    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Escape) {
            Zurck1Click();
            return true;
        }
        int step = 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Down)
            step = 1;
        else if (k->key() == Qt::Key_Up)
            step = -1;
        if (step != 0) {
            const int from = std::max(0, StringGrid1->currentRow());
            StringGrid1->setCurrentCell(c_->gradeListKeyMove(from, step), 1);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------------ activation

void TForm2::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow() && isVisible() && c_->isOpen()) {
        // The newly active window is known only once the change is through.
        QTimer::singleShot(0, this, [this] { checkDeactivation(); });
    }
}

void TForm2::checkDeactivation()
{
    if (!isVisible() || !c_->isOpen() || isActiveWindow())
        return;
    if (!ShouldCloseOnDeactivation(this, QApplication::activeWindow(), busy_ > 0))
        return;
    close();
}

void TForm2::closeEvent(QCloseEvent* event)
{
    if (c_->isOpen()) {
        // A save that failed keeps the window open with the input.
        bool closed = false;
        runGuarded([&] {
            flushPendingEdits();
            Busy b(busy_);
            closed = c_->Close();
        });
        if (!closed) {
            event->ignore();
            return;
        }
    }
    event->accept();
    QMainWindow::closeEvent(event);
}

// ------------------------------------------------------------------ program entry points

QWidget* CreateGradeWindow()
{
    auto* form = new TForm2;
    programForm() = form;
    return form;
}

TForm2* GradeWindowForm()
{
    return programForm();
}

bool OpenGradeWindow(const QString& openMode)
{
    TForm2* form = programForm();
    if (!form)
        form = static_cast<TForm2*>(CreateGradeWindow());
    GradeWindowController& c = form->controller();
    if (!c.Open(state().currentStudentRecord, openMode))
        return false;
    form->showStudent();
    form->tabbednotebook1->setCurrentIndex(0);
    form->show();
    form->raise();
    form->activateWindow();
    return true;
}

} // namespace hsa
