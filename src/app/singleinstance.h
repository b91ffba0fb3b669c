#pragma once
#include <QString>

namespace hsa {

class InstanceGuard;

// The single-instance guard of the program start: unless "ohne_mutex.dat"
// exists in programDir, takes the guard "HSA".  False when another copy of
// the program holds it: the caller then ends at once, silently.
bool RunSingleInstanceGuard(const QString& programDir, InstanceGuard& guard);

} // namespace hsa
