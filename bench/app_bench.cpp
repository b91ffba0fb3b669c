// How quickly the program starts, opens a full class and saves a student.
//
//   build/bench/app_bench [runs]
//
// Start-up: from the process start to the main window shown (offscreen), in a
// child process of this program.  Opening: a class of 38 students with
// complete grade files, every student loaded and computed as the grade window
// does, then every whole-class table filled.  Saving: one student written
// back.  Each figure is the median of the runs, beside the time plain file
// reads of the same files take (the floor) and the goal where there is one.

#include "app/mainwindow.h"
#include "app/programblock.h"
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "grades/classgrid.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "grades/gradewindowcontroller.h"
#include "classes/arithmetic.h"
#include "platform/scriptedprompt.h"
#include "platform/recordingshell.h"
#include "platform/shell.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

using namespace hsa;
using Clock = std::chrono::steady_clock;

namespace {

const QString kClass = QStringLiteral("9a_21222.dbf");
constexpr int kStudents = 38;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double timed(const std::function<void()>& f)
{
    const auto t0 = Clock::now();
    f();
    return msSince(t0);
}

void copyData(const QString& to)
{
    const QDir src(QStringLiteral(HSA_SOURCE_DIR "/data"));
    QDirIterator it(src.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString target = QDir(to).filePath(src.relativeFilePath(from));
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(from, target);
    }
}

// Plain reads of every file under the folders: the floor.
double readFloor(const QStringList& files)
{
    std::vector<char> buf(1 << 16);
    return timed([&] {
        for (const QString& f : files) {
            std::ifstream in(f.toStdString(), std::ios::binary);
            while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
            }
        }
    });
}

QStringList filesUnder(const QString& folder, bool recursive)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext())
        out << it.next();
    return out;
}

// The child: start the program in the folder and report when its main window
// is on the screen.
int startOnly(const QString& folder)
{
    int argc = 1;
    char name[] = "app_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QDir::setCurrent(folder);
    ScriptedPrompt prompt;
    prompt.setDefaultAnswer(Answer::No);
    setPrompts(&prompt);
    RecordingShell shell;
    setShell(&shell);
    TForm1* form = RunProgramBlock();
    form->show();
    QApplication::processEvents();
    const auto shown = Clock::now().time_since_epoch();
    std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(shown).count()));
    std::fflush(stdout);
    std::_Exit(0); // the figure is taken; tearing down is not part of it
}

// The class closed the way a test starts afresh.
void CloseClass()
{
    ClassTable().close();
    classFiles().reset();
    state().openClassFile.clear();
}

void layClass(const QString& folder)
{
    QFile::copy(QDir(folder).filePath("start2.dbf"), QDir(folder).filePath(kClass));
    QDir(folder).mkpath(kClass.left(8));
    DbfTable t;
    t.open(QDir(folder).filePath(kClass));
    for (int i = 0; i < kStudents; ++i) {
        t.setValue(i, "NACHNAME", QStringLiteral("Schülerin%1").arg(i + 1));
        t.setValue(i, "VORNAME", QStringLiteral("Anna"));
        t.setValue(i, "M/W", "w");
    }
    t.post();
    t.close();
}

// Complete grade files: a year mark in every subject row and the written,
// oral and practical marks of the exam subjects.
void writeGradeFiles(const QString& folder)
{
    const GradeContext context = GradeContextFromState();
    for (int i = 1; i <= kStudents; ++i) {
        ExamSheet sheet = PresetExamSheet(context);
        for (int r = 1; r < kExamGridRows; ++r)
            sheet.grid.at(5, r) = QString::number(1 + (i + r) % 5);
        for (int r = 1; r <= 3; ++r) {
            sheet.grid.at(1, r) = QString::number(1 + (i + 2 * r) % 5) + ".0";
            sheet.grid.at(3, r) = QString::number(1 + (i + r) % 4);
        }
        RecalcExamGrid(sheet.grid, context);
        SaveStudentGradeFile(QDir(folder).filePath(kClass.left(8) + "/v." + QString::number(i)), sheet, context);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--start-only")
        return startOnly(QString::fromLocal8Bit(argv[2]));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path();
    copyData(folder);
    QDir::setCurrent(folder);
    ScriptedPrompt prompt;
    prompt.setDefaultAnswer(Answer::No);
    setPrompts(&prompt);
    RecordingShell shell;
    setShell(&shell);
    state().programDir = folder;
    state().accessLocked = false;
    layClass(folder);

    // Start-up, each run a new process.
    std::vector<double> start, startFloor;
    const QStringList programFiles = filesUnder(folder, false);
    for (int r = 0; r < runs; ++r) {
        QProcess child;
        child.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        const auto t0 = Clock::now();
        child.start(QCoreApplication::applicationFilePath(), {"--start-only", folder});
        child.waitForFinished(60000);
        const long long shown = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toLongLong();
        start.push_back((shown - std::chrono::duration_cast<std::chrono::nanoseconds>(t0.time_since_epoch()).count()) / 1e6);
        startFloor.push_back(readFloor(programFiles));
    }
    QFile::remove(QDir(folder).filePath("pwrsa.dat"));

    if (!classFiles().OpenClass(kClass)) {
        std::fprintf(stderr, "Die Klasse %s lässt sich nicht öffnen.\n", qPrintable(kClass));
        return 1;
    }
    writeGradeFiles(folder);
    CloseClass();
    ClassTable().close();

    QStringList classFiles_ = filesUnder(QDir(folder).filePath(kClass.left(8)), true);
    classFiles_ << QDir(folder).filePath(kClass);

    std::vector<double> open, openFloor, save, saveFloor;
    int opened = 0;
    for (int r = 0; r < runs; ++r) {
        opened = 0;
        open.push_back(timed([&] {
            classFiles().OpenClass(kClass);
            for (int i = 0; i < kStudents; ++i) {
                GradeWindowController c(ClassTable());
                opened += c.Open(i) ? 1 : 0;
            }
            for (GradeTable t : {GradeTable::JL, GradeTable::SP, GradeTable::MP, GradeTable::KP,
                                 GradeTable::PP, GradeTable::PL, GradeTable::EZ}) {
                classGrid().OpenTable(t);
                classGrid().CloseTable();
            }
        }));
        openFloor.push_back(readFloor(classFiles_));

        GradeWindowController c(ClassTable());
        c.Open(0);
        save.push_back(timed([&] { c.Close(true); }));
        saveFloor.push_back(readFloor({QDir(folder).filePath(kClass.left(8) + "/v.1"), QDir(folder).filePath(kClass)}));
        CloseClass();
        ClassTable().close();
    }

    if (opened != kStudents) {
        std::fprintf(stderr, "Nur %d von %d Schülern ließen sich öffnen: %s\n", opened, kStudents,
                     qPrintable(prompt.texts().join(QStringLiteral(" | "))));
        return 1;
    }
    const auto line = [](const char* what, double ms, double floor, double goal) {
        std::printf("%-44s %9.2f ms   floor %8.3f ms   x%7.1f", what, ms, floor, floor > 0 ? ms / floor : 0.0);
        if (goal > 0)
            std::printf("   Ziel < %.0f ms: %s", goal, ms < goal ? "erreicht" : "VERFEHLT");
        std::printf("\n");
    };
    std::printf("Median aus %d Läufen\n", runs);
    line("Programmstart bis Hauptfenster", median(start), median(startFloor), 300);
    line("Klasse (38 Schüler) öffnen und berechnen", median(open), median(openFloor), 50);
    line("Einen Schüler speichern", median(save), median(saveFloor), 0);
    setPrompts(nullptr);
    setShell(nullptr);
    return 0;
}
