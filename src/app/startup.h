#pragma once
#include "app/scaling.h"
#include "platform/screen.h"

#include <QString>
#include <functional>

namespace hsa {

// The main window's caption as designed, and the one of a terminal-server
// installation.
extern const QString DesignCaption;
extern const QString TerminalCaption;
// Application titles: the one the program block sets and the one start-up sets.
extern const QString ProgramBlockTitle;
extern const QString StartupTitle;
extern const QString ProgramBlockHelpFile;

// What the start-up needs of the main window; the window implements it, tests
// use a recording one.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    virtual QString windowCaption() const = 0;
    virtual void setWindowCaption(const QString& caption) = 0;
    virtual void setApplicationTitle(const QString& title) = 0;
    virtual void setHelpFile(const QString& file) = 0;
    virtual void clearSubjectMemo() = 0;                         // Memo3
    virtual void applyScreenLayout(const ScreenLayout& layout, const ScreenInfo& screen) = 0;
    virtual void setUpdateSwitchChecked(bool checked) = 0;
    virtual void setHomepageEntryCaption(const QString& caption) = 0;
    // Labels and the menu gate follow the shared state.
    virtual void refreshFromState() = 0;
};

// Steps of other parts of the program that start-up runs; each may be empty.
struct StartupHooks {
    std::function<void()> showSchoolType;  // reads the school data, sets the captions
    std::function<void()> loadFontFactor;  // the font divisor file
    std::function<void()> printerDefaults; // job title and canvas of the printer
};
StartupHooks& startupHooks();

// The main window's creation: reads the switch, settings and update files of
// the program folder (the current folder), scales the window and asks whether
// the installed version is current.  A file that exists but cannot be read is
// reported and the start goes on with the next step.
void RunFormCreate(StartupHost& host);

// The evening-school notice shown at the end of the start.
QString EveningSchoolNotice();

} // namespace hsa
