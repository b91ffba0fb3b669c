#pragma once
#include <QString>
#include <QStringList>

namespace hsa {

// The desktop's shell and process services: web pages, mailto links and
// documents open in their handler; programs start detached.  Every call says
// whether it worked; none raises.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a URL (web page, mailto link) in the desktop's handler; true only
    // when a program took it (see OpenWithDesktopOpener).
    virtual bool openUrl(const QString& url) = 0;
    // Opens a file in the program the desktop associates with it; true only
    // when a program took it (see OpenWithDesktopOpener).
    virtual bool openFile(const QString& path) = 0;
    // Opens a document at a jump mark (a bookmark of a word-processor
    // document).  Only an office suite that takes the mark as the fragment of
    // the document's URL can be told so; any other handler opens the
    // document at its start.  True only when the program took the document
    // (see RunAndAwaitAnswer).
    virtual bool openFileAt(const QString& path, const QString& mark) = 0;
    // Starts a program detached, in workDir.
    virtual bool startDetached(const QString& program, const QStringList& args,
                               const QString& workDir) = 0;
    // True when a process whose program file is named exeName (ignoring case)
    // runs for this user.
    virtual bool isProcessRunning(const QString& exeName) = 0;
    // Ends every process of this user whose program file name is one of names
    // (ignoring case, wherever it was started from); the number ended.
    virtual int terminateProcessesNamed(const QStringList& names) = 0;
};

// The command that opens url (a file URL with its jump mark as fragment)
// through the desktop entry command line exec: the program and its arguments,
// the URL put in place of the entry's file field code (or appended).  Empty
// when exec does not start an office suite that understands jump marks.
QStringList JumpMarkCommand(const QString& exec, const QString& url);

// How long openUrl, openFile and openFileAt wait for the opening program's
// answer.
inline constexpr int kOpenerAnswerMs = 4000;

// Starts command (the program, then its arguments) detached and waits at
// most waitMs for its exit status.  True when it ended with status 0, or
// still runs when the time is up: a program that opens a page or document
// keeps running with it.  False when it could not be started or ended with
// another status.  The program outlives this call and this program.
bool RunAndAwaitAnswer(const QStringList& command, int waitMs);

// Hands target (an address or a file path) to the desktop opener (the
// program opener, e.g. xdg-open) through RunAndAwaitAnswer.  The opener runs
// the program for the target in its own foreground, so running on when the
// time is up means the program has it; it fails when no program is
// registered for the target or the program failed.
bool OpenWithDesktopOpener(const QString& opener, const QString& target, int waitMs);

Shell& shell();
void setShell(Shell* s); // nullptr restores the system one

} // namespace hsa
