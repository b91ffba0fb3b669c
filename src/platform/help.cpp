#include "platform/help.h"

#include "platform/prompt.h"
#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>

namespace hsa {

namespace {

class SystemHelp : public HelpRouter {
public:
    bool showTopic(const QString& programDir, const QString& helpFile, int context) override
    {
        (void)context;
        const QDir dir(programDir);
        QString path = dir.filePath(helpFile);
        if (!QFileInfo::exists(path)) {
            // Help files come from Windows installations: find them ignoring case.
            for (const QString& e : dir.entryList(QDir::Files))
                if (e.compare(QFileInfo(helpFile).fileName(), Qt::CaseInsensitive) == 0)
                    path = dir.filePath(e);
        }
        if (!QFileInfo::exists(path)) {
            showWarning(QStringLiteral("Die Hilfedatei %1 wurde im Programmordner nicht gefunden.")
                            .arg(helpFile));
            return false;
        }
        if (!shell().openFile(path)) {
            showWarning(QStringLiteral("Die Hilfedatei %1 kann auf diesem Rechner nicht angezeigt werden.")
                            .arg(helpFile));
            return false;
        }
        return true;
    }
};

HelpRouter* g_help = nullptr;

} // namespace

HelpRouter& help()
{
    static SystemHelp system;
    return g_help ? *g_help : system;
}

void setHelp(HelpRouter* h)
{
    g_help = h;
}

bool RecordingHelp::showTopic(const QString& programDir, const QString& helpFile, int context)
{
    (void)programDir;
    requests.append({helpFile, context});
    return true;
}

} // namespace hsa
