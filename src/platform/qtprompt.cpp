#include "platform/qtprompt.h"
#include "platform/screen.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QSpacerItem>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace hsa {

namespace {

// A window a question can stand over: on screen and not a menu, tip or
// splash.
bool canCarry(const QWidget* w)
{
    if (!w || !w->isVisible() || w->isMinimized())
        return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet || type == Qt::Tool;
}

QPointer<QWidget>& lastWorkedInWindow()
{
    static QPointer<QWidget> window;
    return window;
}

void followTheUsersWindow()
{
    static bool following = false;
    if (following || !qApp)
        return;
    following = true;
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
        if (now && canCarry(now->window()))
            lastWorkedInWindow() = now->window();
    });
}

// The window that asks: a modal window on screen, else the active one, else
// the one the user worked in last, else the program's main window.  Between
// a closed dialog (the printer choice, a file dialog) and the desktop's next
// activation there is no active window, or one that is already hidden; a
// box without a fitting parent would stand in a corner of the screen.  Qt
// centres a box over its parent.
QWidget* parentWindow()
{
    followTheUsersWindow();
    for (QWidget* w : {QApplication::activeModalWidget(), QApplication::activeWindow(), lastWorkedInWindow().data()})
        if (w && canCarry(w->window()))
            return w->window();
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops)
        if (canCarry(w) && w->inherits("QMainWindow"))
            return w;
    for (QWidget* w : tops)
        if (canCarry(w))
            return w;
    return nullptr;
}

QString captionOr(const QString& caption)
{
    return caption.isEmpty() ? QApplication::applicationName() : caption;
}

QMessageBox::Icon iconOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Information: return QMessageBox::Information;
    case MsgKind::Warning: return QMessageBox::Warning;
    case MsgKind::Error: return QMessageBox::Critical;
    case MsgKind::Confirmation: return QMessageBox::Question;
    case MsgKind::Plain: break;
    }
    return QMessageBox::NoIcon;
}

// Capital umlauts and accents reach above the ascent of many faces, and a
// box's text starts at the top edge of its label: the dots of "Ü" on the
// first line would be cut off.  The label gets the room they need above it.
void giveFirstLineItsHeight(QLabel* label)
{
    if (!label)
        return;
    const QFontMetrics fm(label->font());
    const QString first = label->text().section(QLatin1Char('\n'), 0, 0);
    const int above = first.isEmpty() ? 0 : -fm.tightBoundingRect(first).top() - fm.ascent();
    QMargins m = label->contentsMargins();
    m.setTop(m.top() + std::max(0, above) + 2);
    label->setContentsMargins(m);
}

// A box as narrow as its text ("Klasse sortieren?") leaves the desktop too
// little room for the program's caption, and the title bar shows "KORV...".
// Every box, message or input, takes the width the caption needs (never
// wider than the screen); content is the layout's, so the room goes to its
// contents.
int contentWidthForCaption(const QWidget* box, const QString& title)
{
    const QMargins m = box->layout() ? box->layout()->contentsMargins() : QMargins();
    return std::max(0, WidthForCaption(title) - m.left() - m.right());
}

void giveTitleItsRoom(QMessageBox& box)
{
    // A message box sizes itself from its grid; a spacer across the grid is
    // the one minimum width it keeps.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(contentWidthForCaption(&box, box.windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void QtPrompt::message(MsgKind kind, const QString& text, const QString& caption)
{
    QMessageBox box(iconOf(kind), captionOr(caption), displayText(text), QMessageBox::Ok,
                    parentWindow());
    giveFirstLineItsHeight(box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")));
    giveTitleItsRoom(box);
    box.exec();
}

Answer QtPrompt::ask(MsgKind kind, const QString& text, Buttons buttons, const QString& caption,
                     std::optional<Answer> defaultButton)
{
    QMessageBox::StandardButtons sb;
    switch (buttons) {
    case Buttons::Ok: sb = QMessageBox::Ok; break;
    case Buttons::OkCancel: sb = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: sb = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: sb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case Buttons::Cancel: sb = QMessageBox::Cancel; break;
    }
    QMessageBox box(iconOf(kind), captionOr(caption), displayText(text), sb, parentWindow());
    giveFirstLineItsHeight(box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")));
    giveTitleItsRoom(box);
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Yes, QStringLiteral("&Ja")},
        {QMessageBox::No, QStringLiteral("&Nein")},
        {QMessageBox::Cancel, QStringLiteral("Abbrechen")},
    };
    for (const auto& [button, text] : captions)
        if (QAbstractButton* b = box.button(button))
            b->setText(text);
    if (defaultButton == Answer::No)
        box.setDefaultButton(QMessageBox::No);
    else if (defaultButton == Answer::Cancel)
        box.setDefaultButton(QMessageBox::Cancel);
    else if (defaultButton == Answer::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    else if (defaultButton == Answer::Ok)
        box.setDefaultButton(QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

namespace {

std::optional<QString> askText(const QString& caption, const QString& label, const QString& preset,
                               QLineEdit::EchoMode echo, int maxLength = 0)
{
    QInputDialog d(parentWindow());
    d.setWindowTitle(captionOr(caption));
    d.setLabelText(displayText(label));
    d.setTextEchoMode(echo);
    d.setTextValue(preset);
    d.setOkButtonText(QStringLiteral("OK"));
    d.setCancelButtonText(QStringLiteral("Abbrechen"));
    giveFirstLineItsHeight(d.findChild<QLabel*>());
    // The dialog's layout fixes its own minimum, so the room goes to the line.
    if (auto* line = d.findChild<QLineEdit*>())
        line->setMinimumWidth(contentWidthForCaption(&d, d.windowTitle()));
    if (maxLength > 0)
        if (auto* line = d.findChild<QLineEdit*>())
            line->setMaxLength(maxLength);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.textValue();
}

} // namespace

std::optional<QString> QtPrompt::input(const QString& caption, const QString& label,
                                       const QString& preset, int maxLength)
{
    return askText(caption, label, preset, QLineEdit::Normal, maxLength);
}

std::optional<QString> QtPrompt::password(const QString& caption, const QString& label)
{
    return askText(caption, label, QString(), QLineEdit::Password);
}

std::optional<int> QtPrompt::choose(const QString& caption, const QString& label,
                                    const QStringList& items, int current)
{
    QInputDialog d(parentWindow());
    d.setWindowTitle(captionOr(caption));
    d.setLabelText(displayText(label));
    d.setComboBoxItems(items);
    d.setComboBoxEditable(false);
    if (current >= 0 && current < items.size())
        d.setTextValue(items[current]);
    d.setOkButtonText(QStringLiteral("OK"));
    d.setCancelButtonText(QStringLiteral("Abbrechen"));
    giveFirstLineItsHeight(d.findChild<QLabel*>());
    if (auto* box = d.findChild<QComboBox*>())
        box->setMinimumWidth(contentWidthForCaption(&d, d.windowTitle()));
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    int i = items.indexOf(d.textValue());
    if (i < 0)
        return std::nullopt;
    return i;
}

std::optional<QString> QtPrompt::openFileName(const QString& caption, const QString& dir,
                                              const QString& filter)
{
    QString s = QFileDialog::getOpenFileName(parentWindow(), captionOr(caption), dir, filter);
    if (s.isEmpty())
        return std::nullopt;
    return s;
}

std::optional<QString> QtPrompt::saveFileName(const QString& caption, const QString& dir,
                                              const QString& filter)
{
    QString s = QFileDialog::getSaveFileName(parentWindow(), captionOr(caption), dir, filter);
    if (s.isEmpty())
        return std::nullopt;
    return s;
}

std::optional<QString> QtPrompt::folderName(const QString& caption, const QString& dir)
{
    QString s = QFileDialog::getExistingDirectory(parentWindow(), captionOr(caption), dir);
    if (s.isEmpty())
        return std::nullopt;
    return s;
}

} // namespace hsa
