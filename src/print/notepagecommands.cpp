#include "print/notepagecommands.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "grades/gradewindowcontroller.h"
#include "print/documentname.h"
#include "print/drivers.h"
#include "print/layouts/notepages.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

constexpr int kLastNoteRecord = 39;

// Every record at positions 1 to 39; a record without a name stays a gap
// (its grade file is not read), the pages skip it by name.
std::vector<StudentPrintData> loadNoteRecords(const ClassPrintData& cls, const DbfTable& table)
{
    std::vector<StudentPrintData> out;
    const int count = table.isOpen() ? std::min(table.recordCount(), kLastNoteRecord) : 0;
    for (int record = 1; record <= count; ++record) {
        if (table.valueOrEmpty(record - 1, kFieldLast).isEmpty()) {
            StudentPrintData gap;
            gap.record = record;
            out.push_back(gap);
            continue;
        }
        out.push_back(LoadStudentPrintData(cls, table, record));
    }
    return out;
}

} // namespace

void PrintNotePagesOfRange()
{
    if (state().openClassFile.isEmpty())
        return;
    const auto range = AskNoteRange();
    if (!range)
        return;
    const FlawedGradeFileScope flawed;
    const ClassPrintData cls = LoadClassPrintData();
    const auto records = loadNoteRecords(cls, ClassTable());
    const PrintLoopScope loop;
    const PrintDocumentName named(QStringLiteral("Notizfelder"));
    PrintBatch batch;
    PrintNoteFields(cls, records, *range, loop);
}

void PrintGradeWindowNotePage()
{
    GradeWindowController& g = gradeWindow();
    if (!g.isOpen())
        return;
    const ClassPrintData cls = LoadClassPrintData();
    const StudentPrintData student = LoadStudentPrintData(cls, g.table(), g.record() + 1);
    {
        const PrintDocumentName named(QStringLiteral("Notizfeld ") + TrimRight(student.surname));
        PrintBatch batch;
        PrintNoteFieldsCurrent(cls, student, g.notesText().split(QLatin1Char('\n')));
    }
    // A declined PDF file asks a print loop to stop; with no loop running
    // the request must not linger and stop the next one.
    state().printAbortRequested = false;
}

} // namespace hsa
