#pragma once
#include "print/printdata.h"

#include <QString>
#include <functional>

// The print loops over the students of the open class (marked student, all
// students, a range) and the per-student step: load the student, choose the
// page, begin the job, lay it out.  The main window shows the loop's progress
// through PrintLoopHooks; every list printer uses the same hooks through a
// PrintLoopScope.
namespace hsa {

// What a print loop shows and asks of the window.  An empty hook is skipped.
struct PrintLoopHooks {
    // The progress field: shows text; an empty text hides the field.
    std::function<void(const QString& text)> progress;
    // The button "Abbrechen": shown (with that caption) or hidden.
    std::function<void(bool visible)> abortButton;
    // The student list: usable (true) or taken out of the user's hands while
    // a loop walks the class table (false).
    std::function<void(bool usable)> studentList;
    // Between two students: pending window events run (so the abort button
    // can be pressed).
    std::function<void()> pause;
};
PrintLoopHooks& printLoopHooks();

// The user asked the running loop to stop (the button "Abbrechen").
bool PrintAbortRequested();

// A print loop on screen for its lifetime: the abort button shown and, when
// asked, the student list out of use; at its end the progress field and the
// button are hidden, the list usable again and an abort request cleared, so
// that it cannot stop the next print.
class PrintLoopScope {
public:
    explicit PrintLoopScope(bool hideStudentList = true);
    ~PrintLoopScope();
    PrintLoopScope(const PrintLoopScope&) = delete;
    PrintLoopScope& operator=(const PrintLoopScope&) = delete;
    void progress(const QString& text) const;
    void pause() const;

private:
    bool hideList_;
};

// How one student's print went.
enum class StudentPrintResult {
    Printed,     // a job was begun, laid out and ended
    NoLayout,    // no page for this kind, result and class: no job
    NotStarted,  // the job could not begin (no printer, PDF declined): the loop stops
};

// Prints one student: chooses the page for kind (ChooseStudentLayout), and only
// when it has a layout begins the job (portrait, printer font and pen), lays
// it out and makes sure the job ends.
StudentPrintResult PrintStudentDocument(int kind, const ClassPrintData& cls,
                                        const StudentPrintData& student);

// The record (1-based position in the class table) as kind, when it qualifies:
// a student record (1 to 38) of the open class with both names and an NR
// within PrintFromNr..PrintToNr.  Returns whether a job was begun.
bool PrintStudents(int kind, const ClassPrintData& cls, int record);

// The three drivers with PrintDocKind.  The marked student is
// state().currentStudentRecord.
void PrintMarkedStudent();
void PrintAllStudents();
void PrintStudentRange();

// The progress texts of the drivers.
QString MarkedStudentProgressText(const QString& nr, const QString& firstName, const QString& surname);
QString AllStudentsProgressText(const QString& nr, const QString& firstName, const QString& surname);

} // namespace hsa
