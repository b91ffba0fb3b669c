#pragma once
#include "exchange/transfercopy.h"

#include <QString>
#include <functional>

// Switches that make the transfer copy meet a full volume, for the tests of
// the stick transfer and the year archive.  Both install a volume of their
// own in place of the system's; nullptr (for both) restores the system's.
namespace hsa {

// fault returns true for the targets whose copy breaks after half of it is
// written, as on a volume that fills up.
void SetTransferCopyFault(std::function<bool(const QString& dest)> fault);
// source answers the free space of a folder's volume in place of the system.
void SetFreeSpaceSource(std::function<qint64(const QString& folder)> source);

} // namespace hsa
