#pragma once
#include <QString>
#include <QStringList>

// A class that arrives as a whole or not at all.  The stick export, the stick
// import and the year archive (copy, move, restore) replace a class (its
// table, its class folder, the exam-board names, the stick's marker) by
// another; a pulled stick, a full or read-only disk or a vanished source
// must never leave a new table beside old or missing grade files.
//
// The new class is first put together in a hidden folder beside the target
// (".uebertragung-XXXXXX" in the target's root, so on the same volume):
//   <staging>/neu/<entry>   what will stand in the target under <entry>
//   <staging>/alt/<entry>   what stood there, moved aside by commit()
// Every file is copied in full and checked (TransferCopyFile).  commit() then
// moves each old entry aside and the new one into its place, by renaming
// only; a rename that fails moves everything back, so the target is as
// before.  The staging folder goes when the object goes, with the old class
// after a commit and with the half new one after a failure.
//   <staging>/sperre   locked while the owner lives
//   <staging>/plan     "entry<TAB>name in the target", one a line, written
//                      before the first rename
//   <staging>/fertig   written when every rename is done
// A program killed in the middle of a commit leaves the plan without
// "fertig"; RecoverInterruptedTransfers puts the older class back then, or
// finishes the commit when something in the new class was written after it
// (another desk worked on it): an older class never replaces a newer file.
// The staging folder can be read by every user, so that a second user of a
// shared program folder sees which class a transfer he cannot finish or put
// back holds, and leaves that class alone.
namespace hsa {

class FileError;

class ClassStaging {
public:
    // Creates the staging folder in targetRoot (which must exist).  Raises
    // FileError "Verzeichnis %1 kann nicht erstellt werden".
    explicit ClassStaging(const QString& targetRoot);
    ~ClassStaging();
    ClassStaging(const ClassStaging&) = delete;
    ClassStaging& operator=(const ClassStaging&) = delete;

    // The place of entry ("9a_21222.dbf", "9a_21222/v.1") in the new class.
    QString path(const QString& entry) const;
    // Copies the regular file source into the new class as entry.  Raises
    // FileError.
    void copy(const QString& source, const QString& entry);
    // Creates the folder entry in the new class.  Raises FileError.
    void makeFolder(const QString& entry);
    // Carries into the folder entry of the new class the regular files of the
    // target's folder existing that the new class keeps: all but those for
    // which dropped returns true (a hard link where the volume allows it,
    // else a copy).  A folder holding anything but regular files is not
    // replaced: FileError "Der Ordner %1 enthält Unterordner oder
    // Verknüpfungen und wird nicht ersetzt.".
    template <typename Dropped>
    void keepFolder(const QString& existing, const QString& entry, Dropped dropped)
    {
        // The program's own hidden files (the journal of a list change, files
        // set aside, half-written copies) belong to the old class alone.
        for (const QString& name : folderFiles(existing))
            if (!name.startsWith(QLatin1Char('.')) && !dropped(name))
                keep(existing + QLatin1Char('/') + name, entry + QLatin1Char('/') + name);
    }

    // Puts the new entries in place in the order given, each under the name
    // (found ignoring case) it replaces in the target.  The entries of
    // firstAway (each also one of entries) are moved out of the target
    // before anything is put in place (the stick's marker, which must never
    // stand beside half a class).  On a
    // failure every entry goes back as it was and FileError is raised; a
    // target that an unfinished transfer of another program holds is not
    // touched (FileError ClassBeingChangedMessage).
    void commit(const QStringList& entries, const QStringList& firstAway = {});

    // The error of a step on the new class, naming the target: the user
    // knows the target, not the hidden folder.
    FileError forTarget(const FileError& e) const;

private:
    QStringList folderFiles(const QString& folder) const;
    void keep(const QString& existing, const QString& entry);

    // Puts back what a commit in the staging folder of root had changed,
    // following its plan; true when everything is back.  With forward it
    // finishes the commit instead.
    static bool rollBack(const QString& folder, const QString& root, bool forward = false);
    friend QStringList RecoverInterruptedTransfers(const QString& root);

    QString root_;
    QString folder_;
    int lock_ = -1;
    bool committing_ = false;
    bool committed_ = false;
};

// Finds the staging folders in root that a killed program of this user left
// (no program holds their lock): a commit it had begun goes back, so that
// the target holds the older class again (or is finished, when the new
// class was written to since), and the folder goes.  Only a folder of the
// current user whose entries are plain regular files and folders (no links,
// no names leading elsewhere) and whose plan names plain entries is touched;
// every other one stays as it is, and the returned texts say so.  Each
// ClassStaging does this for its target first; every flow does it for each
// folder it reads; the start of the program for the program folder.
QStringList RecoverInterruptedTransfers(const QString& root);

// True when a transfer in root that this program cannot finish or put back
// (one that still runs, one of another user, one that is not sound) has
// begun to replace one of names (a class table, a class folder; found
// ignoring case), or when such a transfer's plan cannot be read.
bool InUnfinishedTransfer(const QString& root, const QStringList& names);

// Why a class that an unfinished transfer holds is neither opened nor
// replaced.
QString ClassBeingChangedMessage(const QString& name);

} // namespace hsa
