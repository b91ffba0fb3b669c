#pragma once
#include <QString>
#include <QStringList>

// One recovery for every folder a class passes through: the program folder,
// the year folders of the archive, a stick.  A killed transfer (a class
// staging, ClassStaging) and a killed archive move (LeaveForArchive) are
// each finished or put back; what belongs to another user or a program that
// still runs is left alone, and a class it holds is neither opened nor
// replaced nor read.
namespace hsa {

// Recovers the transfers and archive moves in root; texts for what was left
// alone.
QStringList RecoverFolder(const QString& root);

// The start of the program: the program folder and the year folders of the
// archive in it.
QStringList RecoverProgramFolder(const QString& programDir);

// True when unfinished work that this program cannot finish or put back
// holds the class tableName in root.
bool ClassHeldByUnfinishedWork(const QString& root, const QString& tableName);

// Before the class tableName of programDir is opened: recovers what a killed
// program of this user left there; the message why the class must not be
// opened (ClassBeingChangedMessage), empty when it may.
QString PrepareClassForOpening(const QString& programDir, const QString& tableName);

} // namespace hsa
