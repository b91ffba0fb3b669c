#include "print/drivers.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "print/documentkinds.h"
#include "print/layouts/pageparts.h"
#include "print/pagemodel.h"
#include "print/studentlayouts.h"

namespace hsa {

namespace {

constexpr int kLastStudentRecord = 38;

const QString kJobRunning =
    QStringLiteral("Alter Druckvorgang läuft noch. Neuen Druckbefehl bitte später wiederholen ");

// No class open: nothing to print (the window's gate greys the menus).
bool noClassOpen()
{
    if (!state().openClassFile.isEmpty())
        return false;
    NotifyMainWindow();
    return true;
}

// The common start of the drivers: the emblem picture for the certificates.
bool startDriver()
{
    if (noClassOpen())
        return false;
    LoadEmblemPicture();
    if (printLoopHooks().pause)
        printLoopHooks().pause();
    return true;
}

// A page that is still to come in this program version is told, not left
// to print nothing without a word.
bool pageAvailable(int kind)
{
    const QString& file = state().openClassFile;
    const StudentLayoutChoice c = ChooseStudentLayout(kind, 0, file.isEmpty() ? QChar() : file.at(0));
    if (c.layout == StudentLayout::None || StudentLayoutFor(c.layout))
        return true;
    showInformation(QStringLiteral("Dieser Ausdruck steht in dieser Programmversion noch nicht zur Verfügung."));
    return false;
}

void askExamChoiceSheet()
{
    if (state().printDocKind == kDocYearMarkSheet
        && askYesNo(QStringLiteral("Ausdruck Jahresleistungen mit Prüfungswahlbogen?")))
        state().printDocKind = kDocYearMarksWithChoice;
}

QString field(const DbfTable& table, int record, const QString& name)
{
    return record >= 1 && record <= table.recordCount() ? table.valueOrEmpty(record - 1, name) : QString();
}

// Walks the student records with PrintDocKind; the range is reset at the end
// (1..40), or after an abort or a job that could not begin (1..39).
void printAllRecords()
{
    SharedState& s = state();
    const ClassPrintData cls = LoadClassPrintData();
    const PrintLoopScope scope;
    bool stopped = false;
    {
        PrintBatch batch;
        const DbfTable& table = ClassTable();
        const int last = table.isOpen() ? std::min(kLastStudentRecord, table.recordCount()) : 0;
        for (int record = 1; record <= last; ++record) {
            scope.progress(AllStudentsProgressText(field(table, record, kFieldNr),
                                                   field(table, record, kFieldFirst),
                                                   field(table, record, kFieldLast)));
            PrintStudents(s.printDocKind, cls, record);
            scope.pause();
            if (s.printAbortRequested) {
                stopped = true;
                break;
            }
        }
    }
    s.printFromNr = 1;
    s.printToNr = stopped ? 39 : 40;
}

} // namespace

PrintLoopHooks& printLoopHooks()
{
    static PrintLoopHooks hooks;
    return hooks;
}

bool PrintAbortRequested()
{
    return state().printAbortRequested;
}

PrintLoopScope::PrintLoopScope(bool hideStudentList) : hideList_(hideStudentList)
{
    const PrintLoopHooks& h = printLoopHooks();
    if (h.abortButton)
        h.abortButton(true);
    if (hideList_ && h.studentList)
        h.studentList(false);
}

PrintLoopScope::~PrintLoopScope()
{
    const PrintLoopHooks& h = printLoopHooks();
    if (h.progress)
        h.progress(QString());
    if (h.abortButton)
        h.abortButton(false);
    if (hideList_ && h.studentList)
        h.studentList(true);
    state().printAbortRequested = false;
}

void PrintLoopScope::progress(const QString& text) const
{
    if (printLoopHooks().progress)
        printLoopHooks().progress(text);
}

void PrintLoopScope::pause() const
{
    if (printLoopHooks().pause)
        printLoopHooks().pause();
}

QString MarkedStudentProgressText(const QString& nr, const QString& firstName, const QString& surname)
{
    return QStringLiteral("Drucke Schüler Nr.") + nr + QStringLiteral("  ") + firstName + QStringLiteral("  ")
        + surname + QStringLiteral("     (Bitte warten)");
}

QString AllStudentsProgressText(const QString& nr, const QString& firstName, const QString& surname)
{
    return QStringLiteral("Drucke Schüler Nr.") + nr + QStringLiteral("  ") + firstName + QStringLiteral("  ")
        + surname + QStringLiteral("   (Bitte warten)");
}

StudentPrintResult PrintStudentDocument(int kind, const ClassPrintData& cls, const StudentPrintData& student)
{
    const StudentLayoutChoice choice = ChooseStudentLayout(kind, student.sheet.resultIndex, cls.classCode());
    const StudentLayoutFunction layout = StudentLayoutFor(choice.layout);
    if (!layout)
        return StudentPrintResult::NoLayout;

    if (PrintJobRunning()) {
        AbortPrint();
        showWithCancel(MsgKind::Information, QStringLiteral("Drucker ist noch beschäftigt"));
    }
    if (!BeginPageJob(cls, false)) {
        // Nothing is laid out on a job that did not begin; the loop stops.
        state().printAbortRequested = true;
        return StudentPrintResult::NotStarted;
    }
    try {
        layout(cls, student, choice.kind);
    } catch (...) {
        if (PrintJobRunning())
            AbortPrint();
        throw;
    }
    // Every job ends, whatever the layout did.
    if (PrintJobRunning())
        EndPrint();
    return StudentPrintResult::Printed;
}

bool PrintStudents(int kind, const ClassPrintData& cls, int record)
{
    SharedState& s = state();
    const DbfTable& table = ClassTable();
    if (cls.classFile.isEmpty() || !table.isOpen() || record < 1 || record > kLastStudentRecord
        || record > table.recordCount())
        return false;
    const int nr = ParseLeadingInt(field(table, record, kFieldNr));
    if (nr < s.printFromNr || nr > s.printToNr)
        return false;
    if (TrimRight(field(table, record, kFieldLast)).isEmpty()
        || TrimRight(field(table, record, kFieldFirst)).isEmpty())
        return false;
    s.inputOk = true;
    if (nr <= 0 || nr > 40) {
        s.inputOk = false;
        showWarning(QStringLiteral("Schülerummer stimmt nicht !"));
        return false;
    }
    const StudentPrintData student = LoadStudentPrintData(cls, table, record);
    return PrintStudentDocument(kind, cls, student) == StudentPrintResult::Printed;
}

void PrintMarkedStudent()
{
    const FlawedGradeFileScope flawed;
    if (!startDriver())
        return;
    SharedState& s = state();
    if (PrintJobRunning()) {
        showInformation(kJobRunning);
        return;
    }
    if (!pageAvailable(s.printDocKind))
        return;
    const ClassPrintData cls = LoadClassPrintData();
    const int record = s.currentStudentRecord + 1;
    {
        const PrintLoopScope scope;
        const DbfTable& table = ClassTable();
        scope.progress(MarkedStudentProgressText(field(table, record, kFieldNr),
                                                 field(table, record, kFieldFirst),
                                                 field(table, record, kFieldLast)));
        PrintBatch batch;
        PrintStudents(s.printDocKind, cls, record);
    }
}

void PrintAllStudents()
{
    const FlawedGradeFileScope flawed;
    if (!startDriver())
        return;
    askExamChoiceSheet();
    if (pageAvailable(state().printDocKind))
        printAllRecords();
}

void PrintStudentRange()
{
    const FlawedGradeFileScope flawed;
    if (!startDriver())
        return;
    SharedState& s = state();
    askExamChoiceSheet();
    if (!pageAvailable(s.printDocKind))
        return;
    for (;;) {
        const auto answer = prompts().input(QStringLiteral("Drucken von..."),
                                            QStringLiteral("Nummer des ersten Schülers: "),
                                            QString::number(s.printFromNr));
        if (!answer) {
            s.printFromNr = 1;
            return;
        }
        s.printFromNr = ParseLeadingInt(*answer);
        if (s.printFromNr >= 1 && s.printFromNr < 41)
            break;
    }
    for (;;) {
        const auto answer = prompts().input(QStringLiteral("Drucken bis..."),
                                            QStringLiteral("Nummer des letzten Schülers:"),
                                            QString::number(s.printToNr));
        if (!answer) {
            s.printFromNr = 1;
            s.printToNr = 40;
            return;
        }
        s.printToNr = ParseLeadingInt(*answer);
        if (s.printToNr >= s.printFromNr && s.printToNr < 41)
            break;
    }
    printAllRecords();
}

namespace {
const ProgramWideReset resetPrintLoopHooks(ResetOrder::Objects, [] { printLoopHooks() = {}; });
}

} // namespace hsa
