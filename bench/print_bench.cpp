// Times the exam tables ("Deckblatt Prüfungsmappe") of a full class printed
// through the print drivers into one PDF file with the Qt print device: a
// temporary program folder with the shipped files, a class of 38 students
// with complete grade files, "alle Schüler" with document kind 4.  Prints the
// time, the page count and whether the goal (under 2 s) was met.
//
//   print_bench [runs]
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "platform/scriptedprompt.h"
#include "print/documentkinds.h"
#include "print/drivers.h"
#include "print/printer.h"
#include "print/printersystem.h"
#include "support/pdfwords.h"
#include "support/tempfolder.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

using namespace hsa;

namespace {

constexpr int kStudents = 38;
const QString kClass = QStringLiteral("9a_25262.dbf");

void makeClass(const test::TempProgramFolder& folder)
{
    folder.write(kClass, folder.read(QStringLiteral("start2.dbf")));
    DbfTable t;
    t.open(folder.file(kClass));
    for (int i = 0; i < kStudents; ++i) {
        t.setValue(i, QStringLiteral("NR"), QString::number(i + 1));
        t.setValue(i, QStringLiteral("NACHNAME"), QStringLiteral("Nachname%1").arg(i + 1));
        t.setValue(i, QStringLiteral("VORNAME"), QStringLiteral("Vorname%1").arg(i + 1));
        t.setValue(i, QStringLiteral("M/W"), i % 2 ? QStringLiteral("M") : QStringLiteral("W"));
        t.setValue(i, QStringLiteral("KLASSE"), QStringLiteral("9a"));
        t.setValue(i, QStringLiteral("AG3"), QStringLiteral("%1.03.2010").arg(i % 28 + 1, 2, 10, QLatin1Char('0')));
        t.setValue(i, QStringLiteral("AG4"), QStringLiteral("Stuttgart"));
    }
    t.post();
    t.close();
}

// Every subject with a year mark and every pending exam with its mark, so
// each table prints a full grid, averages and a result.
bool writeGradeFiles(const QString& classDir)
{
    const GradeContext context = GradeContextFromState();
    for (int i = 1; i <= kStudents; ++i) {
        ExamSheet sheet = PresetExamSheet(context);
        for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r) {
            if (context.shortCode(r).isEmpty())
                continue;
            sheet.grid.at(ColYear, r) = QStringLiteral("%1.0").arg((i + r) % 4 + 1);
            for (int c = ColWritten; c <= ColOral; ++c)
                if (sheet.grid.at(c, r).contains(QLatin1Char('P')))
                    sheet.grid.at(c, r) = QStringLiteral("%1.%2").arg((i + c) % 4 + 1).arg(r % 10);
        }
        RecalcExamGrid(sheet.grid, context);
        sheet.resultIndex = i % 4;
        if (!SaveStudentGradeFile(classDir + QStringLiteral("/v.") + QString::number(i), sheet, context))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;

    test::TempProgramFolder folder;
    folder.layDefaults();
    resetState();
    state().programDir = folder.path();
    state().accessLocked = false;
    classFiles().reset();
    classFiles().hooks().today = [] { return QDate::currentDate(); };
    classFiles().hooks().clearClipboard = [] {};
    ScriptedPrompt prompt;
    ScopedPrompt guard(prompt);

    makeClass(folder);
    if (!classFiles().OpenClass(kClass) || !writeGradeFiles(folder.file(kClass.left(8)))) {
        std::fprintf(stderr, "Die Klasse konnte nicht angelegt werden.\n");
        return 1;
    }
    setPrinterSystem(nullptr);
    if (!printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {})) {
        std::fprintf(stderr, "Der PDF-Drucker steht nicht zur Verfügung.\n");
        return 1;
    }

    double best = 1e9;
    int pages = 0;
    for (int run = 1; run <= runs; ++run) {
        const QString pdf = folder.file(QStringLiteral("pruefungstabellen%1.pdf").arg(run));
        prompt.clear();
        prompt.text(pdf);
        state().printDocKind = kDocExamTable;
        QElapsedTimer timer;
        timer.start();
        PrintAllStudents();
        const double seconds = timer.nsecsElapsed() / 1e9;
        pages = test::PdfPageCount(pdf);
        best = std::min(best, seconds);
        std::printf("Lauf %d: %d Prüfungstabellen, %d Seiten, %.3f s, %lld Bytes\n", run, kStudents, pages,
                    seconds, static_cast<long long>(QFile(pdf).size()));
    }
    std::printf("Bester Lauf: %.3f s für %d Seiten (Ziel unter 2 s: %s)\n", best, pages,
                best < 2.0 && pages == kStudents ? "erreicht" : "verfehlt");
    return pages == kStudents ? 0 : 1;
}
