#include "exchange/stickroot.h"

#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "exchange/transfercopy.h"
#include "platform/prompt.h"

namespace hsa {

QString StickIsProgramFolderMessage(const QString& folder)
{
    return QStringLiteral("Der Ordner ") + folder +
           QStringLiteral(" ist der Programmordner, liegt in ihm oder enthält ihn. Bitte wählen Sie den Stick.");
}

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
    // A portable installation run from the stick offers the program folder
    // itself: a class written there would replace the class it comes from.
    if (FoldersOverlap(folder, state().programDir)) {
        state().inputOk = false;
        showWarning(StickIsProgramFolderMessage(folder));
        return std::nullopt;
    }
    state().stickRoot = folder;
    return folder;
}

} // namespace hsa
