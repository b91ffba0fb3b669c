#pragma once
#include <QString>

// The program's own temporary files.  Every file the program rewrites is
// first written beside its target under a temporary name; a program that is
// killed (or a disk that fills) at the wrong moment leaves such a file
// behind.  They are never a student's data: they are removed when their
// class is opened and are never copied with a class.
//
// Names, in a class folder or the program folder:
//   ".<name>.XXXXXX"   a file being rewritten (the atomic writer, the ZIP
//                      engine's extraction and its new archives); XXXXXX are
//                      six letters or digits
//   "<v|m|l>.<n>.XXXXXX"  a student's file being copied in under a temporary
//                      name
//   ".weg-<k>-<name>"  a student's file set aside by a list operation, until
//                      the operation stands
namespace hsa {

// True when the bare file name is one of the names above.
bool IsProgramTemporaryFile(const QString& fileName);

// Removes the program's temporary files lying directly in folder (never in a
// sub-folder).  Only for a folder nobody else writes at the moment: a class
// folder while its class table is held open.  Returns how many were removed;
// one that cannot be removed stays, as it did before.
int RemoveStaleTemporaryFiles(const QString& folder);

} // namespace hsa
