#pragma once
#include <QList>
#include <QString>

namespace hsa {

// The program's help: every request names the help file and a topic (a
// context number, or 0 for the file's start page).  The desktop has no viewer
// that jumps to a topic of the old help files, so the system router opens the
// file in its handler and says so when the file is missing.
class HelpRouter {
public:
    virtual ~HelpRouter() = default;
    // Shows topic context of helpFile (relative names resolve against
    // programDir).  False when it could not be shown (after a message).
    virtual bool showTopic(const QString& programDir, const QString& helpFile, int context) = 0;
};

HelpRouter& help();
void setHelp(HelpRouter* h); // nullptr restores the system one

// Test double: records the requests.
class RecordingHelp : public HelpRouter {
public:
    struct Request {
        QString file;
        int context = 0;
    };
    bool showTopic(const QString& programDir, const QString& helpFile, int context) override;
    QList<Request> requests;
};

} // namespace hsa
