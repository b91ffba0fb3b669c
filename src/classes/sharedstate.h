#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

// The program's shared state: the variables that the main window's unit holds
// for the whole run and that every part of the program reads.  One instance,
// reached through state(); tests reset it with resetState().
namespace hsa {

struct PrintSettings {
    QString printerFontName = QStringLiteral("Arial");
    bool printLandscape = false;
    int printShiftX = 0;        // 0.1 mm
    int printShiftY = 0;        // 0.1 mm
    double printStretchX = 1.0;
    double printStretchY = 1.0;
    double printScaleX = 1.0;
    double printScaleY = 1.0;
    double printFontStretch = 1.0;
    int printLineWidth = 1;
    int emblemKind = 0;
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
    int printDocKind = 0;
    int printFromNr = 1;
    int printToNr = 40;
    bool printAbortRequested = false;

    PrintSettings print;

    QString stickRoot;
};

SharedState& state();
void resetState();

// The main window shows part of the shared state (open class, school name and
// type captions, the menu gate).  Logic that changes those fields calls
// NotifyMainWindow(); the main window installs the refresh it needs.
void NotifyMainWindow();
void SetMainWindowRefresh(std::function<void()> refresh);

} // namespace hsa
