#pragma once
#include <QString>
#include <cstdint>

namespace hsa {

// Copies the whole content of source into dest: written under a temporary
// name beside dest and renamed over it when complete, so that a failed copy
// leaves an existing dest whole.  A dest that is the source itself (same
// device and inode, under any name) is refused with "Datei %s kann nicht auf
// sich selbst kopiert werden".  Time stamps are not carried over; a replaced
// dest keeps its permissions; no folder is created.  Raises FileError "Datei
// %s kann nicht geöffnet werden" when source cannot be opened and "Datei %s
// kann nicht erstellt werden" when dest cannot be written.
void CopyFileContents(const QString& source, const QString& dest);

// Size in bytes (low 32 bits) of the first entry matching name, which may hold
// the wildcards "*" and "?" in its last component (matched ignoring case, as
// the program's files are); -1 when nothing matches.  Relative names resolve
// against the current folder.
int32_t FindFileSize(const QString& name);

} // namespace hsa
