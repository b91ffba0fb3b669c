#pragma once
#include <QString>
#include <cstdint>

namespace hsa {

// Copies the whole content of source into dest (created or cut to the new
// length).  Time stamps and permissions are not carried over; no folder is
// created.  Raises FileError "Datei %s kann nicht geöffnet werden" when
// source cannot be opened and "Datei %s kann nicht erstellt werden" when dest
// cannot be created; a read or write error during the copy also raises.
void CopyFileContents(const QString& source, const QString& dest);

// Size in bytes (low 32 bits) of the first entry matching name, which may hold
// the wildcards "*" and "?" in its last component (matched ignoring case, as
// the program's files are); -1 when nothing matches.  Relative names resolve
// against the current folder.
int32_t FindFileSize(const QString& name);

} // namespace hsa
