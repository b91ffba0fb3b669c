#include "print/subjectlistprint.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "print/drivers.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

constexpr int kLastListRecord = 38;

} // namespace

std::vector<StudentPrintData> LoadListStudents(const ClassPrintData& cls, const DbfTable& table)
{
    std::vector<StudentPrintData> out;
    const int count = table.isOpen() ? std::min(table.recordCount(), kLastListRecord) : 0;
    for (int record = 1; record <= count; ++record) {
        const QString surname = table.valueOrEmpty(record - 1, kFieldLast).trimmed();
        if (surname.isEmpty() || IsWeightRecordName(surname))
            continue;
        StudentPrintData st = LoadStudentPrintData(cls, table, record);
        // A damaged grade file must not pass as a student without marks.
        if (!st.sheet.loadError.isEmpty())
            showError(st.sheet.loadError);
        if (st.sheet.fromFile)
            out.push_back(std::move(st));
    }
    return out;
}

bool PrintSubjectListOrder(const SubjectListOrder& order, const ClassPrintData& cls,
                           const QString& firstKlasse, const std::vector<StudentPrintData>& students)
{
    PrintBatch batch;
    for (int s : order.subjects) {
        switch (order.listType) {
        case ListWritten:
        case ListOral:
        case ListOrganisation:
            PrintSubjectExamList(cls, students, s, order.listType, order.examKind, order.withMarks);
            break;
        case ListOralProtocols:
        case ListCommProtocols: {
            const PrintLoopScope loop(false);
            if (!PrintExamProtocols(cls, students, s, order.listType, order.examKind, loop))
                return false;
            break;
        }
        case ListCommunication:
            PrintCommunicationExamList(cls, students, firstKlasse, s, order.withMarks);
            break;
        default:
            return true;
        }
        // A declined file choice or a printer failure asks the loop to stop.
        if (PrintAbortRequested()) {
            state().printAbortRequested = false;
            return false;
        }
    }
    return true;
}

bool PrintSubjectListsOfOpenClass(const SubjectListOrder& order)
{
    if (state().openClassFile.isEmpty())
        return true;
    const ClassPrintData cls = LoadClassPrintData();
    const DbfTable& table = ClassTable();
    const QString firstKlasse =
        table.isOpen() && table.recordCount() > 0 ? table.valueOrEmpty(0, QStringLiteral("KLASSE")) : QString();
    return PrintSubjectListOrder(order, cls, firstKlasse, LoadListStudents(cls, table));
}

} // namespace hsa
