#include "print/subjectlistprint.h"

#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "print/classprintload.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"

namespace hsa {

bool PrintSubjectListOrder(const SubjectListOrder& order, const ClassPrintData& cls,
                           const QString& firstKlasse, const std::vector<StudentPrintData>& students,
                           const ListPrintHooks& hooks)
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
        case ListCommProtocols:
            if (!PrintExamProtocols(cls, students, s, order.listType, order.examKind, hooks))
                return false;
            break;
        case ListCommunication:
            PrintCommunicationExamList(cls, students, firstKlasse, s, order.withMarks);
            break;
        default:
            return true;
        }
        // A declined file choice or a printer failure asks the loop to stop.
        if (hooks.abortNow()) {
            if (hooks.clearAbortRequest)
                hooks.clearAbortRequest();
            return false;
        }
    }
    return true;
}

bool PrintSubjectListsOfOpenClass(const SubjectListOrder& order, const ListPrintHooks& hooks)
{
    if (state().openClassFile.isEmpty())
        return true;
    const ClassPrintData cls = ClassPrintDataFromState();
    QString firstKlasse;
    const auto students = LoadListStudents(ClassTable(), cls, &firstKlasse);
    return PrintSubjectListOrder(order, cls, firstKlasse, students, hooks);
}

} // namespace hsa
