#include "exchange/transferrecovery.h"

#include "classes/classrules.h"
#include "exchange/archivemove.h"
#include "exchange/classstaging.h"
#include "exchange/yeararchive.h"

#include <QDir>

namespace hsa {

QStringList RecoverFolder(const QString& root)
{
    if (root.isEmpty() || !QDir(root).exists())
        return {};
    return RecoverInterruptedTransfers(root) + RecoverInterruptedArchiveMoves(root);
}

QStringList RecoverProgramFolder(const QString& programDir)
{
    // The archive's copy comes first: a move finishes only when the archive
    // holds the whole class.
    QStringList reports;
    for (const QString& year : YearFolders(programDir))
        reports += RecoverInterruptedTransfers(QDir(programDir).filePath(year));
    return reports + RecoverFolder(programDir);
}

bool ClassHeldByUnfinishedWork(const QString& root, const QString& tableName)
{
    return InUnfinishedTransfer(root, {tableName, ClassFolderName(tableName)})
           || ArchiveMoveInProgress(root, tableName);
}

QString PrepareClassForOpening(const QString& programDir, const QString& tableName)
{
    RecoverFolder(programDir);
    return ClassHeldByUnfinishedWork(programDir, tableName) ? ClassBeingChangedMessage(tableName) : QString();
}

} // namespace hsa
