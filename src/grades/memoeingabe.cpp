#include "grades/memoeingabe.h"
#include "platform/slotguard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace hsa {

namespace {

QPointer<Tmemoeingabe>& programEditor()
{
    static QPointer<Tmemoeingabe> editor;
    return editor;
}

} // namespace

Tmemoeingabe::Tmemoeingabe(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("memoeingabe"));
    setModal(true);
    resize(520, 360);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFont(QFont(QStringLiteral("Arial"), 11));
    Button1 = new QPushButton(QStringLiteral("Übernehmen"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Abbrechen"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, guardedSlot([this] {
        resultWord_ = QStringLiteral("ok");
        accept();
    }));
    connect(Button2, &QPushButton::clicked, this, guardedSlot([this] {
        resultWord_ = QStringLiteral("Abbruch");
        QDialog::reject();
    }));
}

void Tmemoeingabe::prepare(const QString& caption, const QString& text)
{
    resultWord_.clear();
    Memo1->setPlainText(text);
    setWindowTitle(caption);
}

void Tmemoeingabe::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Memo1->setFocus();
}

void Tmemoeingabe::closeEvent(QCloseEvent* event)
{
    if (resultWord_.isEmpty())
        resultWord_ = QStringLiteral("Abbruch");
    QDialog::closeEvent(event);
}

void Tmemoeingabe::reject()
{
    if (resultWord_.isEmpty())
        resultWord_ = QStringLiteral("Abbruch");
    QDialog::reject();
}

bool EditInMemoDialog(const QString& caption, QString& text)
{
    Tmemoeingabe* editor = programEditor();
    std::unique_ptr<Tmemoeingabe> own;
    if (!editor || editor->isVisible()) {
        own = std::make_unique<Tmemoeingabe>(QApplication::activeWindow());
        editor = own.get();
    }
    editor->prepare(caption, text);
    editor->exec();
    if (editor->resultWord() != QStringLiteral("ok"))
        return false;
    text = editor->Memo1->toPlainText();
    return true;
}

QWidget* CreateMemoEditor()
{
    auto* editor = new Tmemoeingabe;
    programEditor() = editor;
    return editor;
}

} // namespace hsa
