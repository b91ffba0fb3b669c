#include "print/subjectlistprint.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "print/documentname.h"
#include "print/drivers.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

constexpr int kLastListRecord = 38;

// The exam a protocol order is for, as the user's message names it.
QString protocolExam(const SubjectListOrder& order)
{
    if (order.listType == ListCommProtocols)
        return QStringLiteral("Kommunikationsprüfung");
    return order.examKind == kExamPractical ? QStringLiteral("praktische Prüfung")
                                            : QStringLiteral("mündliche Prüfung");
}

bool anyProtocol(const std::vector<StudentPrintData>& students, int s, const SubjectListOrder& order)
{
    for (const StudentPrintData& st : students)
        if (!ProtocolExamWord(st.sheet.grid, s - 1, order.listType, order.examKind).isEmpty())
            return true;
    return false;
}

// The name the order's PDF file is proposed under; with one subject, the
// subject is named too.
QString orderDocumentName(const SubjectListOrder& order, const ClassPrintData& cls)
{
    const bool practical = order.examKind == kExamPractical;
    QString name;
    switch (order.listType) {
    case ListWritten: name = QStringLiteral("Teilnehmerliste schriftliche Prüfung"); break;
    case ListOral:
        name = practical ? QStringLiteral("Teilnehmerliste praktische Prüfung")
                         : QStringLiteral("Teilnehmerliste mündliche Prüfung");
        break;
    case ListOrganisation: name = QStringLiteral("Organisation mündliche Prüfung"); break;
    case ListOralProtocols:
        name = practical ? QStringLiteral("Protokolle praktische Prüfung")
                         : QStringLiteral("Protokolle mündliche Prüfung");
        break;
    case ListCommProtocols: name = QStringLiteral("Protokolle Kommunikationsprüfung"); break;
    case ListCommunication: name = QStringLiteral("Kommunikationsprüfung Ergebnisliste"); break;
    default: break;
    }
    if (order.subjects.size() == 1)
        name += QLatin1Char(' ') + TrimRight(cls.subjects.rowName(order.subjects.front() - 1));
    return name;
}

// A protocol order that prints nothing for a subject must not pass for one
// that printed: the user is told which subjects have no student marked "P".
void tellSubjectsWithoutProtocol(const SubjectListOrder& order, const QStringList& subjects)
{
    if (subjects.isEmpty())
        return;
    const QString br = QStringLiteral("\n\r");
    showInformation(QStringLiteral("Kein Schüler ist für die ") + protocolExam(order)
                    + QStringLiteral(" markiert (\"P\") im Fach:") + br + subjects.join(br) + br + br
                    + QStringLiteral("Dafür wurde kein Protokoll gedruckt."));
}

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
    const PrintDocumentName named(orderDocumentName(order, cls));
    PrintBatch batch;
    QStringList withoutProtocol;
    for (int s : order.subjects) {
        switch (order.listType) {
        case ListWritten:
        case ListOral:
        case ListOrganisation:
            PrintSubjectExamList(cls, students, s, order.listType, order.examKind, order.withMarks);
            break;
        case ListOralProtocols:
        case ListCommProtocols: {
            if (!anyProtocol(students, s, order)) {
                withoutProtocol << TrimRight(cls.subjects.rowName(s - 1));
                break;
            }
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
    tellSubjectsWithoutProtocol(order, withoutProtocol);
    return true;
}

bool PrintSubjectListsOfOpenClass(const SubjectListOrder& order)
{
    if (state().openClassFile.isEmpty())
        return true;
    const FlawedGradeFileScope flawed;
    const ClassPrintData cls = LoadClassPrintData();
    const DbfTable& table = ClassTable();
    const QString firstKlasse =
        table.isOpen() && table.recordCount() > 0 ? table.valueOrEmpty(0, kFieldClass) : QString();
    return PrintSubjectListOrder(order, cls, firstKlasse, LoadListStudents(cls, table));
}

} // namespace hsa
