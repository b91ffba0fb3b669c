#include "print/notepagecommands.h"

#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "grades/gradewindowcontroller.h"
#include "print/classprintload.h"
#include "print/layouts/notepages.h"
#include "print/pagemodel.h"

namespace hsa {

void PrintNotePagesOfRange(const ListPrintHooks& hooks)
{
    if (state().openClassFile.isEmpty())
        return;
    const auto range = AskNoteRange();
    if (!range)
        return;
    const ClassPrintData cls = ClassPrintDataFromState();
    const auto records = LoadNoteRecords(ClassTable(), cls);
    PrintBatch batch;
    PrintNoteFields(cls, records, *range, hooks);
}

void PrintGradeWindowNotePage()
{
    GradeWindowController& g = gradeWindow();
    if (!g.isOpen())
        return;
    const ClassPrintData cls = ClassPrintDataFromState();
    const StudentPrintData student = StudentPrintDataFromRecord(g.table(), g.record(), cls);
    {
        PrintBatch batch;
        PrintNoteFieldsCurrent(cls, student, g.notesText().split(QLatin1Char('\n')));
    }
    // A declined PDF file asks a print loop to stop; with no loop running
    // the request must not linger and stop the next one.
    state().printAbortRequested = false;
}

} // namespace hsa
