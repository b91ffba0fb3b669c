#pragma once
#include <QList>
#include <QString>

namespace hsa {

// The program's help: every request names the help file and a topic (a
// context number, or 0 for the file's start page).  The system router shows a
// ".chm" file in the CHM viewer kChmViewer, started with "--contextid=" and
// the number so that it opens the topic; without that viewer (or for another
// kind of file) the desktop's handler shows the file at its start.  A missing
// file is reported.
inline constexpr char kChmViewer[] = "xchm";

class HelpRouter {
public:
    virtual ~HelpRouter() = default;
    // Shows topic context of helpFile (relative names resolve against
    // programDir).  False when it could not be shown (after a message).
    virtual bool showTopic(const QString& programDir, const QString& helpFile, int context) = 0;
};

// The old help system's requests (command, data) and what each becomes: one
// request of the compiled-help viewer, with or without the help file.
enum HelpCommand : unsigned {
    kHelpContext = 0x0001,
    kHelpQuit = 0x0002,
    kHelpContextPopup = 0x0008,
    kHelpKey = 0x0101,
};
enum HtmlHelpCommand : unsigned {
    kHhDisplayTopic = 0,
    kHhDisplayIndex = 2,
    kHhHelpContext = 15,
    kHhCloseAll = 18,
};
struct HelpRoute {
    unsigned htmlCommand = kHhDisplayTopic;
    bool usesHelpFile = true;
    quintptr data = 0;
    bool operator==(const HelpRoute&) const = default;
};
HelpRoute RouteHelpRequest(unsigned command, quintptr data);

// Carries out a help request of the program: the context commands show their
// topic, the others the help file's start page (context 0), "close all" does
// nothing.  False when nothing was shown.
bool HandleHelpRequest(const QString& programDir, const QString& helpFile, unsigned command,
                       quintptr data);

HelpRouter& help();
void setHelp(HelpRouter* h); // nullptr restores the system one

} // namespace hsa
