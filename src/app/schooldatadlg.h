#pragma once
#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace hsa {

// The school-data dialog: the school type is chosen from ComboBox1 or typed
// into Edit3 and saved with "Geänderte Schulart speichern"; the school name
// (a "?" breaks the line on the main window) and the school number (line 3 of
// "epw5.dat", which the password of the family's class files is made of) can
// be corrected beside it.  An empty number field leaves the number alone.
class TBtnRightDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBtnRightDlg(QWidget* parent = nullptr);

    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* EditSchoolName = nullptr;
    QLineEdit* EditSchoolNumber = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* PanelLabel = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;   // help topic 99

    // Opens the dialog for the school type (panel with the save button shown).
    void prepareForSchoolType();

    void ComboBox1Change(int index);
    void SaveSchoolTypeClick();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
};

} // namespace hsa
