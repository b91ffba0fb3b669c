#include "platform/help.h"

#include "platform/programwide.h"
#include "platform/prompt.h"
#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace hsa {

namespace {

// A compiled help file goes to the CHM viewer, which jumps to a topic by its
// context number; without that viewer the desktop's handler shows the file
// at its start page.
bool showInViewer(const QString& programDir, const QString& path, int context)
{
    const QString viewer = QStandardPaths::findExecutable(QString::fromLatin1(kChmViewer));
    if (viewer.isEmpty() || !path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive))
        return shell().openFile(path);
    QStringList args;
    if (context > 0)
        args << QStringLiteral("--contextid=%1").arg(context);
    args << path;
    return shell().startDetached(viewer, args, programDir);
}

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
        if (!showInViewer(programDir, path, context)) {
            showWarning(QStringLiteral("Die Hilfedatei %1 kann auf diesem Rechner nicht angezeigt werden.")
                            .arg(helpFile));
            return false;
        }
        return true;
    }
};

HelpRouter* g_help = nullptr;

} // namespace

HelpRoute RouteHelpRequest(unsigned command, quintptr data)
{
    switch (command) {
    case kHelpContext:
    case kHelpContextPopup:
        return {kHhHelpContext, true, data};
    case kHelpKey:
        return {kHhDisplayIndex, true, data};
    case kHelpQuit:
        return {kHhCloseAll, false, 0};
    default:
        return {kHhDisplayTopic, true, 0};
    }
}

bool HandleHelpRequest(const QString& programDir, const QString& helpFile, unsigned command,
                       quintptr data)
{
    const HelpRoute r = RouteHelpRequest(command, data);
    if (!r.usesHelpFile)
        return false;
    const int context = r.htmlCommand == kHhHelpContext ? static_cast<int>(r.data) : 0;
    return help().showTopic(programDir, helpFile, context);
}

HelpRouter& help()
{
    static SystemHelp system;
    return g_help ? *g_help : system;
}

void setHelp(HelpRouter* h)
{
    g_help = h;
}

namespace {
const ProgramWideReset resetHelp(ResetOrder::Objects, [] { setHelp(nullptr); });
}

} // namespace hsa
