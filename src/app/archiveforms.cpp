#include "app/archiveforms.h"

#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "classes/classfiles.h"
#include "classes/sharedstate.h"
#include "exchange/sticktransfer.h"
#include "exchange/transferrecovery.h"
#include "exchange/yeararchive.h"
#include "platform/help.h"
#include "platform/prompt.h"
#include "platform/windowhook.h"
#include "platform/slotguard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace hsa {

namespace {

constexpr int kHelpTopic = 20;

QButtonGroup* radioGroup(QWidget* owner, const QString& title, const QStringList& captions, QVBoxLayout* into)
{
    auto* box = new QGroupBox(title, owner);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(owner);
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions.at(i), box);
        group->addButton(b, i);
        layout->addWidget(b);
    }
    into->addWidget(box);
    return group;
}

QListWidget* fileList(QWidget* owner, bool multi)
{
    auto* list = new QListWidget(owner);
    list->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    return list;
}

QLabel* folderLabel(QWidget* owner)
{
    auto* label = new QLabel(owner);
    // A long folder must not widen the window beyond the screen.
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QComboBox* halfYearBox(QWidget* owner)
{
    auto* box = new QComboBox(owner);
    box->setEditable(true);
    box->addItems({QString(), QStringLiteral("1"), QStringLiteral("2")});
    return box;
}

// Selected entries in list order.
QStringList selectedNames(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            out << list->item(i)->text();
    return out;
}

void fill(QListWidget* list, const QStringList& names)
{
    list->clear();
    list->addItems(names);
}

void wireModel(ArchiveWindowModel& model, QLabel* panel)
{
    model.beep = [] { QApplication::beep(); };
    model.progress = WhileAlive(panel, [panel](const QString& text) {
        panel->setText(text);
        panel->setVisible(!text.isEmpty());
        panel->repaint();
    });
}

void showHelp()
{
    help().showTopic(state().programDir, state().helpFileName, kHelpTopic);
}

QHBoxLayout* buttonRow(QWidget* owner, QPushButton* start)
{
    auto* help = new QPushButton(QStringLiteral("Hilfe"), owner);
    auto* close = new QPushButton(QStringLiteral("Schließen"), owner);
    QObject::connect(help, &QPushButton::clicked, owner, guardedSlot([] { showHelp(); }));
    QObject::connect(close, &QPushButton::clicked, owner, &QWidget::close);
    auto* row = new QHBoxLayout;
    row->addWidget(start);
    row->addStretch();
    row->addWidget(help);
    row->addWidget(close);
    return row;
}

// Both windows were laid out for a 640 pixel screen; their text keeps its
// size on screens with more pixels per inch.
void applyScale(QWidget* w)
{
    const ArchiveWindowScale sc = ComputeArchiveWindowScale(state().formScale, state().fontFactor);
    QFont f = w->font();
    f.setPointSize(sc.fontSize);
    w->setFont(f);
    w->resize(sc.width, sc.height);
}

void showModeless(const QString& formName)
{
    if (!state().openClassFile.isEmpty()) {
        showMessage(QStringLiteral("Bitte erst Klasse schließen."));
        return;
    }
    if (QWidget* w = ProgramWindow(formName)) {
        w->showMaximized();
        w->raise();
        w->activateWindow();
    }
}

} // namespace

ArchiveWindowScale ComputeArchiveWindowScale(int formScale, double fontFactor)
{
    const int scale = formScale > 1 ? formScale : 640;
    const double factor = fontFactor > 0 ? fontFactor : 1.0;
    return {std::max(1, static_cast<int>(10 / factor)), 640 * scale / 640, 480 * scale / 640};
}

// ---------------------------------------------------------------------------

Tarchivform::Tarchivform(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("JAHRGANGSARCHIVIERUNG GANZER KLASSENDATEIEN"));
    YearArchive& model = yearArchive();

    Label2 = folderLabel(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    ComboBox2 = halfYearBox(this);
    FileListBox1 = fileList(this, true);
    Label4 = folderLabel(this);
    FileListBox2 = fileList(this, false);
    Panel3 = new QLabel(this);
    Panel3->hide();
    Button1 = new QPushButton(QStringLiteral("Archivierung starten"), this);

    auto* choices = new QVBoxLayout;
    RadioGroup1 = radioGroup(this, QStringLiteral("Archivierungsart"),
                             {QStringLiteral("Verschieben"), QStringLiteral("Kopieren")}, choices);
    RadioGroup2 = radioGroup(this, QStringLiteral("Archivierungsziel"),
                             {ArchivePlaceCaption(ArchivePlace::HardDisk), ArchivePlaceCaption(ArchivePlace::DriveA)},
                             choices);
    RadioGroup1->button(1)->setChecked(true);
    RadioGroup2->button(0)->setChecked(true);
    choices->addStretch();

    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("Schuljahr:"), this));
    yearRow->addWidget(ComboBox1);
    yearRow->addWidget(new QLabel(QStringLiteral("Halbjahr:"), this));
    yearRow->addWidget(ComboBox2);
    yearRow->addStretch();

    auto* source = new QVBoxLayout;
    source->addWidget(new QLabel(QStringLiteral("Quelle:"), this));
    source->addWidget(Label2);
    source->addLayout(yearRow);
    source->addWidget(FileListBox1, 1);
    auto* target = new QVBoxLayout;
    target->addWidget(new QLabel(QStringLiteral("Ziel:"), this));
    target->addWidget(Label4);
    target->addWidget(FileListBox2, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(source, 2);
    columns->addLayout(choices, 1);
    columns->addLayout(target, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(Panel3);
    layout->addLayout(buttonRow(this, Button1));

    wireModel(model, Panel3);
    auto yearLeft = [this] {
        // Checked as typed: "2122 " is no year.
        yearArchive().SetYear(ComboBox1->currentText());
        if (yearArchive().halfYear().isEmpty())
            ComboBox2->setCurrentText(QString());
        refresh();
    };
    connect(ComboBox1->lineEdit(), &QLineEdit::editingFinished, this, guardedSlot(yearLeft));
    connect(ComboBox1, &QComboBox::activated, this, guardedSlot(yearLeft));
    connect(ComboBox2, &QComboBox::currentTextChanged, this, guardedSlot([this](const QString& text) {
        yearArchive().SetHalfYear(text);
        refresh();
    }));
    connect(RadioGroup1, &QButtonGroup::idClicked, this, guardedSlot([](int id) { yearArchive().SetMoving(id == 0); }));
    connect(RadioGroup2, &QButtonGroup::idClicked, this, guardedSlot([this](int id) {
        yearArchive().SetPlace(id == 1 ? ArchivePlace::DriveA : ArchivePlace::HardDisk);
        refresh();
    }));
    connect(Button1, &QPushButton::clicked, this, guardedSlot([this] {
        yearArchive().Start(selectedNames(FileListBox1));
        refresh();
    }));
    applyScale(this);
}

void Tarchivform::refresh()
{
    const YearArchive& model = yearArchive();
    const QSignalBlocker b1(ComboBox1), b2(ComboBox2);
    if (ComboBox1->count() != model.years().size()) {
        ComboBox1->clear();
        ComboBox1->addItems(model.years());
    }
    ComboBox1->setCurrentText(model.year());
    ComboBox2->setCurrentText(model.halfYear());
    RadioGroup1->button(model.moving() ? 0 : 1)->setChecked(true);
    RadioGroup2->button(model.place() == ArchivePlace::DriveA ? 1 : 0)->setChecked(true);
    Label2->setText(QDir::toNativeSeparators(model.sourceFolder()));
    Label4->setText(QDir::toNativeSeparators(model.targetFolder()));
    fill(FileListBox1, model.sourceFiles());
    fill(FileListBox2, model.targetFiles());
}

void Tarchivform::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    runGuarded([this] {
        yearArchive().Activate(state().programDir);
        ComboBox1->clear();
        refresh();
    });
}

void Tarchivform::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------------------

Tarch2form::Tarch2form(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("RÜCKHOLUNG ARCHIVIERTER KLASSEN"));
    ArchiveRestore& model = archiveRestore();

    Label2 = folderLabel(this);
    FileListBox3 = fileList(this, false);
    ComboBox2 = halfYearBox(this);
    Label4 = folderLabel(this);
    FileListBox2 = fileList(this, true);
    FileListBox1 = fileList(this, false);
    Panel3 = new QLabel(this);
    Panel3->hide();
    Button1 = new QPushButton(QStringLiteral(" Rückholung starten"), this);

    auto* years = new QVBoxLayout;
    RadioGroup2 = radioGroup(this, QStringLiteral("Archive suchen auf"),
                             {ArchivePlaceCaption(ArchivePlace::HardDisk), ArchivePlaceCaption(ArchivePlace::DriveA)},
                             years);
    RadioGroup2->button(0)->setChecked(true);
    years->addWidget(new QLabel(QStringLiteral("Schuljahre:"), this));
    years->addWidget(FileListBox3, 1);
    auto* halfRow = new QHBoxLayout;
    halfRow->addWidget(new QLabel(QStringLiteral("Halbjahr:"), this));
    halfRow->addWidget(ComboBox2);
    halfRow->addStretch();
    years->addLayout(halfRow);

    auto* archived = new QVBoxLayout;
    archived->addWidget(new QLabel(QStringLiteral("Archiv:"), this));
    archived->addWidget(Label4);
    archived->addWidget(FileListBox2, 1);
    auto* working = new QVBoxLayout;
    working->addWidget(new QLabel(QStringLiteral("Arbeitsverzeichnis:"), this));
    working->addWidget(Label2);
    working->addWidget(FileListBox1, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(years, 1);
    columns->addLayout(archived, 2);
    columns->addLayout(working, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(Panel3);
    layout->addLayout(buttonRow(this, Button1));

    wireModel(model, Panel3);
    connect(FileListBox3, &QListWidget::itemClicked, this, guardedSlot([this](QListWidgetItem* item) {
        archiveRestore().ChooseYearEntry(item->text());
        refresh();
    }));
    connect(ComboBox2, &QComboBox::currentTextChanged, this, guardedSlot([this](const QString& text) {
        archiveRestore().SetHalfYear(text);
        refresh();
    }));
    connect(RadioGroup2, &QButtonGroup::idClicked, this, guardedSlot([this](int id) {
        archiveRestore().SetPlace(id == 1 ? ArchivePlace::DriveA : ArchivePlace::HardDisk);
        refresh();
    }));
    connect(Button1, &QPushButton::clicked, this, guardedSlot([this] {
        archiveRestore().Start(selectedNames(FileListBox2));
        refresh();
    }));
    applyScale(this);
}

void Tarch2form::refresh()
{
    const ArchiveRestore& model = archiveRestore();
    const QSignalBlocker b2(ComboBox2);
    ComboBox2->setCurrentText(model.halfYear());
    RadioGroup2->button(model.place() == ArchivePlace::DriveA ? 1 : 0)->setChecked(true);
    Label2->setText(QDir::toNativeSeparators(model.workingFolder()));
    Label4->setText(QDir::toNativeSeparators(model.archiveFolder()));
    // The year list is filled anew only when its folders changed: the entry
    // just clicked stays where it is, and the highlight on what was chosen.
    const QStringList entries = model.yearFolderEntries();
    QStringList shownEntries;
    for (int i = 0; i < FileListBox3->count(); ++i)
        shownEntries << FileListBox3->item(i)->text();
    if (shownEntries != entries)
        fill(FileListBox3, entries);
    const QList<QListWidgetItem*> chosen = FileListBox3->findItems(model.chosenYearEntry(), Qt::MatchExactly);
    if (chosen.isEmpty())
        FileListBox3->setCurrentRow(-1);
    else
        FileListBox3->setCurrentItem(chosen.first());
    fill(FileListBox2, model.archivedFiles());
    fill(FileListBox1, model.workingFiles());
}

void Tarch2form::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    runGuarded([this] {
        archiveRestore().Activate(state().programDir);
        refresh();
    });
}

void Tarch2form::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------------------

void InstallStickAndArchiveParts()
{
    RegisterWindowClass(QStringLiteral("Tarchivform"), [] { return new Tarchivform; });
    RegisterWindowClass(QStringLiteral("Tarch2form"), [] { return new Tarch2form; });
    ClassFileHooks& cf = classFiles().hooks();
    cf.stickExport = [](const QString&, const QString& name) { stickTransfer().ExportClassToStick(name); };
    cf.stickImport = [](const QString& folder, const QString& name) {
        stickTransfer().ImportClassFromStick(folder, name);
    };
    cf.prepareOpening = PrepareClassForOpening;
}

void InstallStickAndArchiveMenu(TForm1& form)
{
    stickTransfer().progress = WhileAlive(&form, [&form](const QString& text) {
        if (text.isEmpty())
            form.statusBar()->clearMessage();
        else
            form.statusBar()->showMessage(text);
        form.statusBar()->repaint();
    });
    RegisterMenuHandler(QStringLiteral("StickSichern1"), [] { stickTransfer().PrepareExport(); });
    RegisterMenuHandler(QStringLiteral("StickEinspielen1"), [] { stickTransfer().PrepareImport(); });
    RegisterMenuHandler(QStringLiteral("NKORVIKlassezurDatenbernahmevomStickeinkopieren1"),
                        [] { stickTransfer().PrepareFamilyImport(); });
    RegisterMenuHandler(QStringLiteral("Archivierung1"), [] { ShowYearEndHint(); });
    RegisterMenuHandler(QStringLiteral("JahrgangsarchivierungAbschlussklassen1"),
                        [] { showModeless(QStringLiteral("archivform")); });
    RegisterMenuHandler(QStringLiteral("KlassenausdemArchivzurckholen1"),
                        [] { showModeless(QStringLiteral("arch2form")); });
}

} // namespace hsa
