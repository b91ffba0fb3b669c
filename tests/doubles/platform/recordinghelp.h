#pragma once
#include "platform/help.h"

#include <QList>

namespace hsa {

// Test double of HelpRouter: records the requests and shows nothing.
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
