#pragma once
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

// The memo editor: a text in a memo, taken over with "Übernehmen" or left
// with "Abbrechen" (or by closing the window).
namespace hsa {

class Tmemoeingabe : public QDialog {
    Q_OBJECT
public:
    explicit Tmemoeingabe(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Übernehmen"
    QPushButton* Button2 = nullptr;  // "Abbrechen"

    // "ok", "Abbruch", or empty while the editor is open.
    QString resultWord() const { return resultWord_; }
    // Clears the result word and shows text with the caption.
    void prepare(const QString& caption, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QString resultWord_;
};

// Edits text in the memo editor with caption; true and the edited text in
// text on "Übernehmen", false (text unchanged) otherwise.  Uses the program's
// editor window when it exists, else one of its own.
bool EditInMemoDialog(const QString& caption, QString& text);

// The program's memo editor window (created once by the program block).
QWidget* CreateMemoEditor();

} // namespace hsa
