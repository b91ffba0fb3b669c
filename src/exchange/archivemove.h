#pragma once
#include <QString>
#include <QStringList>

// Moving a class into the year archive: once the whole class stands in the
// archive, it leaves the folder it came from.  That takes several steps (the
// copy's commit, its folder steps aside, the table goes, then the files), so
// the move first records its intent in that folder:
//   ".<cls8>.verschieben"   line 1 the class table's name, line 2 the
//                           archive folder; locked while the move runs
//   ".<cls8>.verschoben"    the class folder while it is being emptied
// A program killed in between leaves the intent.  The recovery finishes the
// move when the archive is the class's own year folder (in the program
// folder or on drive A, no link) and holds the class byte for byte (the
// table and every file still at home), and puts the class back together at
// home otherwise; either way the class is whole in exactly one place and no
// hidden folder stays.  Only plain entries (files and folders, no links)
// come back from a folder that stepped aside.  An intent naming anything
// but the class's own year archive was not written by this program: the
// class stays, and the intent steps aside as ".<cls8>.verschieben.unbenutzt".
namespace hsa {

// One move of the class name (its table and class folder) from the folder
// from into the archive folder to.  The intent is recorded before the copy
// into the archive is committed, so that a kill at any later point is
// finished (the archive holds the class) or undone (it does not).
class ArchiveMove {
public:
    // Records the intent and holds it locked.  Raises FileError (nothing
    // changed then).
    ArchiveMove(const QString& from, const QString& to, const QString& name);
    // The intent goes: without leave() nothing of the class was taken away.
    ~ArchiveMove();
    ArchiveMove(const ArchiveMove&) = delete;
    ArchiveMove& operator=(const ArchiveMove&) = delete;

    // Takes the class out of from after its copy in to is complete.  Raises
    // FileError (the class then stays whole in from).
    void leave();

private:
    QString from_, to_, name_, intent_;
    int fd_ = -1;
};

// Finishes or undoes every move out of root that a killed program of this
// user left; texts for what it could do neither with (the archive not
// readable while the table is gone, an intent of another user, an intent
// naming another folder than the year archive, which stays as it is, and
// entries of a folder set aside that are no plain files or folders, which
// stay there unused).
QStringList RecoverInterruptedArchiveMoves(const QString& root);

// True when a move of the class tableName out of root runs (another program
// holds its intent) or was left by another user.
bool ArchiveMoveInProgress(const QString& root, const QString& tableName);

} // namespace hsa
