#include "app/certlineseditor.h"
#include "classes/subjecteditor.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "platform/slotguard.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace hsa {

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Zeugnisüberschrift und fachunabhängige Einträge für die 2010/2011"));
    MainMenu1 = new QMenuBar(this);
    QMenu* defaults = MainMenu1->addMenu(QStringLiteral("Standardvorgaben einlesen"));
    OldRegulation = defaults->addAction(
        QStringLiteral("nach alter Verordnung für Hauptschule und Hauptschule mit Werkrealschule"));
    NewRegulation = defaults->addAction(QStringLiteral("nach der Werkrealschulverordnung"));
    SaveAndUse = MainMenu1->addAction(QStringLiteral("So speichern und verwenden"));
    CancelNoSave = MainMenu1->addAction(QStringLiteral("Abbruch ohne zu speichern"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Memo1);
    resize(700, 480);

    connect(OldRegulation, &QAction::triggered, this,
            guardedSlot([this] { LoadDefaultCopy(QStringLiteral("wahlzeilen.alt")); }));
    connect(NewRegulation, &QAction::triggered, this,
            guardedSlot([this] { LoadDefaultCopy(QStringLiteral("wahlzeilen.neu")); }));
    connect(SaveAndUse, &QAction::triggered, this, guardedSlot([this] {
        if (SaveMemo())
            accept();
    }));
    connect(CancelNoSave, &QAction::triggered, this, &QDialog::reject);
}

void TForm5::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    QStringList lines;
    runGuarded([&] { lines = ReadCertificateLinesFile(QStringLiteral("wahlzeilen.txt")); });
    savedText_ = lines.join(QLatin1Char('\n'));
    Memo1->setPlainText(savedText_);
}

void TForm5::LoadDefaultCopy(const QString& name)
{
    runGuarded([&] {
        const QStringList lines = ReadCertificateLinesFile(name);
        if (lines.isEmpty())
            throw FileError::cannotOpen(name);
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    });
}

bool TForm5::SaveMemo()
{
    const QString text = Memo1->toPlainText();
    bool saved = false;
    if (!runGuarded([&] { saved = SaveCertificateLinesFile(text.split(QLatin1Char('\n'))); }) || !saved)
        return false;
    savedText_ = text;
    return true;
}

bool TForm5::unsaved() const
{
    return Memo1->toPlainText() != savedText_;
}

void TForm5::reject()
{
    // Every way of closing (menu, Escape, the window's close box) comes here.
    // Whatever was typed and not yet saved is offered for saving; a save that
    // fails keeps the window open.
    if (unsaved() && askYesNo(QStringLiteral("Änderungen speicher?")) && !SaveMemo())
        return;
    QDialog::reject();
}

} // namespace hsa
