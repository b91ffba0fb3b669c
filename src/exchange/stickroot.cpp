#include "exchange/stickroot.h"

#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "exchange/transfercopy.h"
#include "platform/prompt.h"

#include <QDir>

namespace hsa {

namespace {

// Without a removable volume the drive prompt would offer an empty list and
// an empty field: the user is told that any folder serves as the stick and
// picks one.
std::optional<QString> askForFolder(const QString& caption)
{
    showInformation(QStringLiteral("Es wurde kein USB-Stick gefunden.") + QStringLiteral("\n\r\n\r")
                    + QStringLiteral("Jeder Ordner kann als Stick dienen, z. B. ein Ordner auf der Festplatte, "
                                     "im Netzwerk oder auf einer Speicherkarte.")
                    + QStringLiteral("\n\r") + QStringLiteral("Wählen Sie den Ordner im folgenden Fenster."));
    return prompts().folderName(caption.trimmed() + QStringLiteral(": Ordner wählen, der als Stick dient"),
                                QDir::homePath());
}

} // namespace

QString StickIsProgramFolderMessage(const QString& folder)
{
    return QStringLiteral("Der Ordner ") + folder +
           QStringLiteral(" ist der Programmordner, liegt in ihm oder enthält ihn. Bitte wählen Sie den Stick.");
}

std::optional<QString> AskStickRoot(const QString& caption)
{
    const QStringList roots = ReadyRemovableRoots();
    const QString preset = roots.isEmpty() ? QString() : roots.first();
    const auto answer = roots.isEmpty()
        ? askForFolder(caption)
        : prompts().input(caption, QStringLiteral("Mögliche Laufwerke:     ") + ListReadyRemovableDrives(), preset);
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
