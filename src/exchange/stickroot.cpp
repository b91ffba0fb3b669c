#include "exchange/stickroot.h"

#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"

namespace hsa {

std::optional<QString> AskStickRoot(const QString& caption)
{
    const QStringList roots = ReadyRemovableRoots();
    const QString preset = roots.isEmpty() ? QString() : roots.first();
    const auto answer = prompts().input(caption, QStringLiteral("Mögliche Laufwerke:     ")
                                                     + ListReadyRemovableDrives(),
                                        preset);
    state().inputOk = answer.has_value();
    if (!answer)
        return std::nullopt;
    const QString folder = answer->trimmed();
    if (folder.isEmpty() || !IsDriveReady(folder)) {
        state().inputOk = false;
        showWarning(QStringLiteral("Das Laufwerk ") + folder + QStringLiteral(" ist nicht ansprechbar."));
        return std::nullopt;
    }
    state().stickRoot = folder;
    return folder;
}

} // namespace hsa
