#pragma once
#include "print/subjectlistchoice.h"

#include <QWidget>

class QPushButton;
class QTableWidget;

// The subject-list choice on the main window: the subject table StringGrid2
// ("ja"/"nein" by double click) with "Drucken" and "Abbruch", shown in the
// window's Panel2 beside its "Listentyp" and "Prüfungsart" groups.  It shows
// what subjectListChoice() holds and hands every click to it.
namespace hsa {

class TForm1;

SubjectListChoice& subjectListChoice();

class SubjectListPanel : public QWidget {
    Q_OBJECT
public:
    explicit SubjectListPanel(TForm1& form);

    QTableWidget* StringGrid2 = nullptr;
    QPushButton* Button3 = nullptr; // "Drucken"
    QPushButton* Button4 = nullptr; // "Abbruch"

    // A print menu entry's preset; prints at once where the entry does.
    void openWith(const SubjectListPreset& preset);
    void Button3Click();
    void Button4Click();
    // Shows what the choice holds (and hides the panels when it is closed).
    void refresh();

private:
    TForm1& form_;
    bool updating_ = false;
};

// Puts the panel into the main window and connects the print menu's subject
// list and note-page entries and the grade window's "Notizfeld drucken".
void InstallSubjectListPrinting(TForm1& form);

} // namespace hsa
