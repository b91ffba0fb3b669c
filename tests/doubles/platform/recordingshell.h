#pragma once
#include "platform/shell.h"

#include <QList>

namespace hsa {

// Test double of Shell: records every request and answers with a fixed result.
class RecordingShell : public Shell {
public:
    struct Request {
        QString what; // "url", "file", "start", "running", "terminate"
        QString target;
        QStringList args;
        QString workDir;
    };
    bool openUrl(const QString& url) override;
    bool openFile(const QString& path) override;
    // Recorded as "file" with the mark as the only argument.
    bool openFileAt(const QString& path, const QString& mark) override;
    bool startDetached(const QString& program, const QStringList& args,
                       const QString& workDir) override;
    bool isProcessRunning(const QString& exeName) override;
    int terminateProcessesNamed(const QStringList& names) override;

    QList<Request> requests;
    bool result = true;           // what the open and start calls return
    QStringList runningPrograms;  // what isProcessRunning finds
};

} // namespace hsa
