#include "platform/recordinghelp.h"

namespace hsa {

bool RecordingHelp::showTopic(const QString& programDir, const QString& helpFile, int context)
{
    (void)programDir;
    requests.append({helpFile, context});
    return true;
}

} // namespace hsa
