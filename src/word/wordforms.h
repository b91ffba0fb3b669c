#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// The forms of the project exam (window TForm4 "Formulare für die
// Projektprüfung"): project description, observation sheet, assessment sheet
// and certificate attachment, filled for the students of the open class and
// printed through LibreOffice on the printer chosen in the program.  The
// first three come from the templates "doc/<type>.docx" filled from
// "doc/<type>.bmk"; the attachment is each student's own document, printed as
// it stands.  All documents of one "Start" are converted in one run; the
// print is one job per student, or one job joined from all of them.
namespace hsa {

// The form types by the index of "Formulartyp".
inline const QStringList kWordFormTypes = {QStringLiteral("projektbeschreibung"), QStringLiteral("beobachtung"),
                                           QStringLiteral("bewertungsbogen"), QStringLiteral("anlage")};

// A run over several students shows its progress in the main window's
// progress field with the main window's abort button (the print loop hooks).
struct WordFormsHooks {
    // A student's form reached the printer (or the PDF file): Memo1 grows by
    // the last name while the run goes on.
    std::function<void(const QString& lastName)> studentDone;
    // Lets waiting window messages run (the abort button).
    std::function<void()> processEvents;
};

class WordFormsController {
public:
    // The window's choices.
    int formType = 1;   // "Formulartyp" 0..3
    int range = 0;      // "Ausdruck für": marked student, all, from ... to
    int fromNr = 1;     // SpinEdit1, SpinEdit2
    int toNr = 1;
    int variant = 1;    // "Technische Variante": 0 several jobs, 1 one job

    // "Start": fills and prints the chosen forms.
    void Start();
    // "Druckschleife abbrechen": the loop stops after the current student.
    void Abort();
    // Activating the window.
    void Activate() { mayClose_ = true; }
    bool mayClose() const { return mayClose_; }
    // Memo1: the last names of the students printed, in the order printed.
    const QStringList& done() const { return done_; }

    WordFormsHooks& hooks() { return hooks_; }

private:
    void run();

    bool mayClose_ = true;
    QStringList done_;
    WordFormsHooks hooks_;
};

WordFormsController& wordForms();

} // namespace hsa
