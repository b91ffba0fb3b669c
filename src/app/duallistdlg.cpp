#include "app/duallistdlg.h"

#include "app/programblock.h"
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "platform/screen.h"
#include "platform/slotguard.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hsa {
namespace {

void setPointSize(QWidget* w, int size)
{
    if (size <= 0)
        return;
    QFont f = w->font();
    f.setPointSize(size);
    w->setFont(f);
}

} // namespace

TDualListDlg::TDualListDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import mehrerer Klassen aus vorbereiteten ASCII-Dateien"));
    SrcList = new QListWidget(this);
    SrcList->setObjectName(QStringLiteral("SrcList"));
    DstList = new QListWidget(this);
    DstList->setObjectName(QStringLiteral("DstList"));
    for (QListWidget* l : {SrcList, DstList})
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IncludeBtn = new QPushButton(QStringLiteral(">"), this);
    IncAllBtn = new QPushButton(QStringLiteral(">>"), this);
    ExcludeBtn = new QPushButton(QStringLiteral("<"), this);
    ExAllBtn = new QPushButton(QStringLiteral("<<"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems({QStringLiteral("*.sdf  :  SDF-Format (aus dBase)"), QStringLiteral("*.imp :  ASCII - Zeilenformat")});
    ComboBox1->setPlaceholderText(QStringLiteral("*.imp : ASCII-Format"));
    ComboBox1->setCurrentIndex(-1);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setPlainText(QStringLiteral("Links stehen die Importdateien des Programmordners. Wählen Sie die "
                                       "Dateien aus, aus denen Klassen angelegt werden sollen, und starten Sie "
                                       "den Import. Je Datei entsteht eine neue Klasse."));
    Label1 = new QLabel(this);
    Label1->setVisible(false);
    ListBox1 = new QListWidget(this);
    ListBox1->setVisible(false);
    OKBtn = new QPushButton(QStringLiteral("Import  starten"), this);
    CancelBtn = new QPushButton(QStringLiteral("Schließen"), this);
    HelpBtn = new QPushButton(QStringLiteral("Hilfe"), this);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* b : {IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn})
        moves->addWidget(b);
    moves->addStretch();
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Importdateien:"), this), 0, 0);
    lists->addWidget(new QLabel(QStringLiteral("Zum Umwandeln  ausgesucht:"), this), 0, 2);
    lists->addWidget(SrcList, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(DstList, 1, 2);
    lists->addWidget(ListBox1, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ComboBox1);
    layout->addWidget(Memo1);
    layout->addLayout(lists, 1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    // Scaled from the screen the program measured, never beyond it.
    const int formScale = state().formScale > 1 ? state().formScale : 640;
    for (QWidget* w : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(Memo1),
                       static_cast<QWidget*>(SrcList), static_cast<QWidget*>(DstList)})
        setPointSize(w, formScale * 8 / 640);
    setPointSize(ComboBox1, formScale * 8 / 660);
    const ScreenInfo s = hsa::screen().info();
    resize(std::min(s.width, 560 * formScale / 640), std::min(s.height, 400 * formScale / 640));

    connect(IncludeBtn, &QPushButton::clicked, this,
            guardedSlot([this] { showLists(model_.Include(selectedRows(SrcList)), -1); }));
    connect(ExcludeBtn, &QPushButton::clicked, this,
            guardedSlot([this] { showLists(-1, model_.Exclude(selectedRows(DstList))); }));
    connect(IncAllBtn, &QPushButton::clicked, this, guardedSlot([this] { model_.IncludeAll(); showLists(-1, -1); }));
    connect(ExAllBtn, &QPushButton::clicked, this, guardedSlot([this] { model_.ExcludeAll(); showLists(-1, -1); }));
    connect(ComboBox1, &QComboBox::textActivated, this, guardedSlot([this](const QString& text) {
        model_.ChooseFormat(text, QDir::currentPath());
        showLists(-1, -1);
    }));
    connect(HelpBtn, &QPushButton::clicked, this, guardedSlot([] { showInformation(MultiClassImportHelpText()); }));
    connect(OKBtn, &QPushButton::clicked, this, guardedSlot([this] { OKBtnClick(); }));
    connect(CancelBtn, &QPushButton::clicked, this, guardedSlot([this] {
        reject();
        if (!state().openClassFile.isEmpty())
            classFiles().Close();
    }));
}

QList<int> TDualListDlg::selectedRows(QListWidget* list)
{
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows << i;
    return rows;
}

void TDualListDlg::showLists(int sourceRow, int destinationRow)
{
    SrcList->clear();
    SrcList->addItems(model_.source());
    DstList->clear();
    DstList->addItems(model_.destination());
    if (sourceRow >= 0 && sourceRow < SrcList->count())
        SrcList->item(sourceRow)->setSelected(true);
    if (destinationRow >= 0 && destinationRow < DstList->count())
        DstList->item(destinationRow)->setSelected(true);
    IncludeBtn->setEnabled(model_.includeEnabled());
    IncAllBtn->setEnabled(model_.includeEnabled());
    ExcludeBtn->setEnabled(model_.excludeEnabled());
    ExAllBtn->setEnabled(model_.excludeEnabled());
}

void TDualListDlg::Activate()
{
    model_.Refill(QDir::currentPath());
    showLists(-1, -1);
}

void TDualListDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    runGuarded([this] { Activate(); });
}

void TDualListDlg::OKBtnClick()
{
    ListBox1->clear();
    ImportProgress progress;
    progress.label = [this](const QString& text) {
        if (ListBox1->count() == 0) {
            ListBox1->addItem(QStringLiteral("Erstellt wurden:"));
            ListBox1->setVisible(true);
        }
        Label1->setText(text);
        Label1->setVisible(!text.isEmpty());
        Label1->repaint();
    };
    progress.created = [this](const QString& created) {
        ListBox1->addItem(created);
        ListBox1->repaint();
    };
    const QDate today = classFiles().hooks().today ? classFiles().hooks().today() : QDate::currentDate();
    RunMultiClassImport(model_, today, progress);
    showLists(-1, -1);
}

void TDualListDlg::done(int result)
{
    QDialog::done(result);
    // The import used the main window's class table; no class stays open.
    runGuarded([] {
        ClassTable().close();
        NotifyMainWindow();
        showInformation(MultiClassImportClosingText());
    });
}

void N3Click()
{
    if (!PrepareMultiClassImport())
        return;
    if (!state().openClassFile.trimmed().isEmpty()) {
        showInformation(QStringLiteral("Bitte erst Klasse schließen"));
        return;
    }
    if (auto* dlg = qobject_cast<TDualListDlg*>(ProgramWindow(QStringLiteral("DualListDlg"))))
        dlg->exec();
}

} // namespace hsa
