#pragma once
#include <QDialog>

class QAction;
class QMenuBar;
class QPlainTextEdit;

namespace hsa {

// The editor of "wahlzeilen.txt": certificate title and the lines that do not
// depend on a subject, per class level.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    QMenuBar* MainMenu1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QAction* OldRegulation = nullptr;    // "wahlzeilen.alt"
    QAction* NewRegulation = nullptr;    // "wahlzeilen.neu"
    QAction* SaveAndUse = nullptr;       // "So speichern und verwenden"
    QAction* CancelNoSave = nullptr;     // "Abbruch ohne zu speichern"

    void LoadDefaultCopy(const QString& name);
    // Saves Memo1 and reloads the certificate lines; true when saved.
    bool SaveMemo();

protected:
    void showEvent(QShowEvent* e) override;

public:
    void reject() override;

private:
    bool unsaved() const;
    QString savedText_;
};

} // namespace hsa
