#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include "classes/subjectdata.h"

// The program's shared state: the variables that the main window's unit holds
// for the whole run and that every part of the program reads.  One instance,
// reached through state(); the program-wide reset (platform/programwide.h)
// returns it to its state at start.
namespace hsa {

struct PrintSettings {
    QString printerFontName = QStringLiteral("Times New Roman");
    bool printLandscape = false;
    int printShiftX = 0;        // 0.1 mm
    int printShiftY = 0;        // 0.1 mm
    double printStretchX = 1.0;
    double printStretchY = 1.0;
    double printScaleX = 0.0; // set by BeginPrint
    double printScaleY = 0.0;
    double printFontStretch = 1.0;
    int printLineWidth = 2;     // 0 to 4; 0 leaves out every ruled line
    int emblemKind = 2;         // 1 "bw2.wmf", > 1 "landes2.bmp", <= 0 none
    int printPageWidth = 0;     // printable width, 0.1 mm (set by BeginPrint)
    int printPageHeight = 0;    // printable height, 0.1 mm
    bool printerNameTooLong = false; // the default printer's name was cut short
    double emblemWidthFactor = 1.0;
    double emblemHeightFactor = 1.0;
    int emblemShiftX = 0;       // 0.1 mm
    int emblemShiftY = 0;       // 0.1 mm
    int stateLineSwitch = 1;    // > 0: certificate heading prints the state line
    bool printFontFileRead = false; // schrift2.dat is read once per run
};

struct SharedState {
    // Program folder (the current folder) and the start switches.
    QString programDir;
    bool accessLocked = true;
    bool terminalServerMode = false;
    bool stickTransferEnabled = true;
    bool versionCheckSkipped = true;
    bool quitRequested = false;
    bool firstActivation = true;
    QString helpFileName = QStringLiteral("darovari.chm");
    QString homepageUrl = QStringLiteral("https://wendra-pruefer.example.org");
    QString updateUrl = QStringLiteral("https://wendra-pruefer.example.org");

    // Screen scaling.
    double fontFactor = 1.0;
    int formScale = 1;
    int viewZoom = 100; // percent of "Ansicht (Zoom)" for the zoomed windows

    // Subject data and certificate texts of the open class level.
    QStringList subjectNames;                // rows of the subject table
    QString subjectBlockHeading = QStringLiteral("Leistungen in den einzelnen Fächern:");
    std::array<QString, 5> footerLines{};
    QStringList certificateLines;
    QString ebaHeading;

    // Exam board of the open class.
    QString examChairName;
    QString headTeacherName;

    // School settings.
    QString schoolName = QStringLiteral("Hauptschule mit Werkrealschule Irgendwo");
    QString schoolTypeText = QStringLiteral("der Hauptschule mit Werkrealschule");
    bool eveningSchoolMode = false;
    QString schoolTypeCaption; // caption of the main window's school-type label

    // The open class and the current student.
    QString openClassFile;  // caption of Label1: file name of the open class table
    QString currentStudentNr;
    QString classDir;
    QString gradeFilePath;
    bool inputOk = false;

    // Whole-class table on screen.
    int gradeTableKind = 0;
    QStringList gridRowTexts;

    // Per-student prints.
    int printDocKind = 0; // a document kind of print/documentkinds.h
    int printFromNr = 1;
    int printToNr = 40;
    bool printAbortRequested = false;

    PrintSettings print;

    QString stickRoot;

    // Subject data of the open class level (subjects.h keeps subjectNames,
    // subjectBlockHeading, footerLines, certificateLines and ebaHeading above
    // equal to it).
    SubjectData subjectData;
    // Main window's school-name label: SchoolName with its first "?" as a line
    // feed (ShowSchoolType).
    QString schoolNameCaption;
    // Password the password dialog accepts; replaced by the content of the
    // password file each time the dialog is activated.
    QString storedPassword = QStringLiteral("3wiro");
    // Live position of the student list's current record in the class table
    // (the record the grade window opens on; the grade window moves it when
    // it steps to the next or previous student).
    int currentStudentRecord = 0;
};

SharedState& state();
// The program folder; the current folder while start-up has not set it yet.
QString ProgramFolder();
void resetState();

// The main window shows part of the shared state (open class, school name and
// type captions, the menu gate).  Logic that changes those fields calls
// NotifyMainWindow(); the main window installs the refresh it needs.
void NotifyMainWindow();
void SetMainWindowRefresh(std::function<void()> refresh);

} // namespace hsa
