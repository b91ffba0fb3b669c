#pragma once
#include "classes/fileops.h"

#include <QString>
#include <QStringList>
#include <optional>

// File copying for the stick transfer and the year archive.  A class travels
// as plain files; a copy must never leave half a file under a real name, so
// every copy is written beside its target under a temporary name and renamed
// when it is complete.  Links are never followed or carried.
namespace hsa {

// Copies the regular file source to dest (replaced when it exists).  Raises
// FileError: "Datei %1 kann nicht geöffnet werden" when source is missing or
// no regular file, "Datei %1 kann nicht erstellt werden" when dest cannot be
// written or is source itself, "Lesefehler in Datei %1" / "Schreibfehler in
// Datei %1" during the copy.  On failure dest is as it was before.
void TransferCopyFile(const QString& source, const QString& dest);

// True when path is a regular file and no link.
bool IsRegularFile(const QString& path);

// True for the grade files "v.1" to "v.40" of a class folder (any case):
// those of an older class must not land on the students of a new one.
bool IsGradeFileName(const QString& name);

// The regular files of folder (no links, no folders), sorted by name
// ignoring case; empty when the folder does not exist.  Raises FileError
// as ReadFolder does.
QStringList RegularFilesIn(const QString& folder);

// Looks at the class folder that a copy of a class reads, after the copy's
// last question, and tells whether it is there to be read.  The copy must
// not go on, FileError with the folder's name, a line break and outcome
// (what became of the copy), when the folder
// - cannot be listed ("Der Klassenordner %1 kann nicht gelesen werden."),
// - was there at the copy's first look (seenBefore) and has gone since
//   ("Der Klassenordner %1 ist nicht mehr vorhanden."),
// - is missing while the target's class folder (targetFolder) exists, whose
//   grade files the copy would take away ("Der Klassenordner %1 fehlt, die
//   Klasse ist unvollständig.").
bool CheckSourceClassFolder(const QString& folder, bool seenBefore, const QString& targetFolder,
                            const QString& outcome);

// Bytes free for the user on the volume holding folder; -1 when unknown.
qint64 FreeSpace(const QString& folder);

// The folder that stands for the old floppy drive "Laufwerk A": the folder
// on the first line of "laufwerk_a.txt" in the program folder when that file
// exists, else the first ready removable volume; empty when that is not
// accessible.
QString DriveAFolder();

// True when a and b name the same existing folder.
bool SameFolder(const QString& a, const QString& b);
// True when a and b (links resolved) are the same folder or one of them lies
// inside the other: a stick must be neither the program folder nor part of
// it, nor may it hold it.
bool FoldersOverlap(const QString& a, const QString& b);
// True when name is a bare name of a file in one folder: no path separator
// of either kind, no "..", not hidden.  A name on a stick or in an archive
// that is not one is never looked up.
bool IsPlainEntryName(const QString& name);

// The volume the copies go to, as far as the copy asks more of it than the
// file system calls: its free space, and how much of a copy it takes before
// it is full.  The system's volume answers unless another is installed.
class TransferVolume {
public:
    virtual ~TransferVolume() = default;
    // Bytes free for the user on the volume holding folder; -1 when unknown.
    virtual qint64 freeSpace(const QString& folder);
    // After how many of the size bytes of a copy to dest the volume is full;
    // nullopt (the system's answer) when it takes them all.  A copy that
    // fills the volume fails with "Schreibfehler in Datei %1" after writing
    // that many bytes.
    virtual std::optional<qint64> fullAfter(const QString& dest, qint64 size);
};
TransferVolume& transferVolume();
void SetTransferVolume(TransferVolume* volume); // nullptr restores the system's

} // namespace hsa
