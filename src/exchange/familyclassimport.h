#pragma once
#include <QString>

// The report-card program's encrypted class files: "<name>.kvz", a ZIP archive
// holding the class table "<name>.dbf" (name: the first 8 characters of the
// archive's file name, e.g. "9a-21222").  The archive is copied from the stick
// into the program folder and the class table taken out of it beside the
// program, where the take-over of a family class table finds it.
namespace hsa {

// The family's archive password: the school name without trailing blanks,
// "/", and the integer of line 3 of "epw5.dat" (0 when it is missing).
QString FamilyArchivePassword();

// A family class table is its header and at most 40 records; the largest a
// dBase header and record can be bounds it.  A table entry declared or
// inflating beyond that is a damaged archive, never written.
inline constexpr int kFamilyTableRecords = 40;
inline constexpr unsigned long long kMaxFamilyTableBytes = 65535ULL + kFamilyTableRecords * 65535ULL + 1;

// Outcome of taking the class table out of an archive.
enum class FamilyExtract { Done, Declined, WrongPassword, Failed };

// Takes the entry name + ".dbf" (only that entry, only at the top of the
// archive) out of archivePath into the program folder, asking before it
// replaces an existing file.  The entry must be encrypted, a plain file, the
// only one of its name and no larger than a class table; it is streamed to a
// hidden file beside its target under that limit and gets its name only when
// it is complete and proved good.  Every outcome but Done has been told to
// the user; a damaged entry (a wrong declared size, a bad checksum) is told
// as such, never as a wrong password.
FamilyExtract ExtractFamilyClassTable(const QString& archivePath, const QString& name);

// The menu entry "... EINKOPIEREN einer KORVI-Klassendatei (ab Version S77)
// vom Stick zur anschließenden Datenübernahme".
void TakeInFamilyClassFile();

} // namespace hsa
