#pragma once
#include <QString>
#include <optional>

// The USB stick the user means, asked for by the stick transfer and the
// final-grade exchange.  A stick is the folder it is mounted on; the whole
// trimmed answer is that folder.
namespace hsa {

// Shows the input prompt caption with the label "Mögliche Laufwerke:     "
// followed by the ready removable volumes, preset with the first of them.
// Without any, the user is told that any folder can serve as the stick and
// chooses it in the folder dialog instead.
// Returns the folder and keeps it in state().stickRoot when it is ready.
// Cancel returns nullopt without a word; a folder that is not ready is
// reported ("Das Laufwerk <folder> ist nicht ansprechbar.") and gives nullopt.
// A folder that is the program folder, lies in it or holds it is refused
// (StickIsProgramFolderMessage) and gives nullopt.
// state().inputOk tells whether a usable folder was given.
std::optional<QString> AskStickRoot(const QString& caption);

// "Der Ordner <folder> ist der Programmordner, liegt in ihm oder enthält
// ihn. Bitte wählen Sie den Stick."
QString StickIsProgramFolderMessage(const QString& folder);

} // namespace hsa
