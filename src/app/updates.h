#pragma once
#include <QString>

// The program's own files that start-up refreshes, and the updater handshake.
namespace hsa {

// When base + "eee" exists: base + extension is rewritten through a temporary
// copy renamed over it, then the marker base + "eee" is deleted.  A failed
// rewrite keeps the old file and the marker.
void RefreshByCopy(const QString& base, const QString& extension);

// A new updater "down2.exe" replaces "down1.exe" in dir (a copy renamed over
// it); "down2.exe" is deleted only once the copy is complete.
void ReplaceUpdater(const QString& dir);

// The library renames "libeay322.dll" -> "libeay32.dll" and "ssleay322.dll" ->
// "ssleay32.dll" (when the new name is free), then deletes what is left of
// the old names.
void RenameLibraries(const QString& dir);

// Deletes name in dir (found ignoring case) when it exists; true when it did.
bool DeleteProgramFile(const QString& dir, const QString& name);

// The version letter: the character after the first "." of the caption
// (empty when there is none).
QString VersionLetter(const QString& caption);

// The text of the start-up question whether the installed version is current.
QString VersionPromptText(const QString& caption);

// True when a process of the updater named exeName runs.
bool IsProcessRunning(const QString& exeName);
// Ends this user's processes of the updater: program name "down1.exe" or
// "down1" (ignoring case), wherever started; twice, with a pause between.
void KillUpdater();

} // namespace hsa
