#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace hsa {

class TForm1;

// The windows of the program: created once, in a fixed order, and shown and
// hidden for the whole run.  Each is known by its form variable name.
struct ProgramWindowDef {
    QString className;   // "TPasswordDlg"
    QString formName;    // "PasswordDlg"
    std::function<QWidget*()> create; // empty: an empty window of that name
};

// The fifteen windows in their creation order; the first is the main window.
const QList<ProgramWindowDef>& ProgramWindowOrder();

// Installs the constructor of a window class (called before the program
// block runs); a class without one is created as an empty window.
void RegisterWindowClass(const QString& className, std::function<QWidget*()> create);

// The created window of a form name (nullptr before the program block ran).
QWidget* ProgramWindow(const QString& formName);
TForm1* MainWindow();

// Names of the windows in the order they were created.
QStringList CreatedWindowOrder();

// The program block: sets the application title and help file, creates the
// main window (whose creation runs the start-up) and then the other windows.
// The main window is returned; the caller shows it and runs the message loop.
TForm1* RunProgramBlock();

// Deletes the windows again: at the end of the run, and as the first step of
// the program-wide reset.
void DestroyProgramWindows();

// The application's help file as the program block and start-up set it.
QString ApplicationHelpFile();

} // namespace hsa
