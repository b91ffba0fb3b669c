#pragma once
#include <QList>
#include <QString>

// The steps by which the program changes files on disk (writing bytes,
// renaming, copying, removing), passed through one place.  On a full disk or
// a pulled stick any of these can fail part-way; every operation that changes
// a class must then leave it as it was.  To prove that without filling a
// disk, a test installs its FileStepFaults (the tests' FileFaultScope): a
// step it picks fails exactly as a full disk would make it fail.
namespace hsa {

enum class FileStep : unsigned {
    Write = 1u << 0,    // a file written whole, or one record or header of a table
    Rename = 1u << 1,   // a file or folder renamed
    Copy = 1u << 2,     // a whole file copied
    Remove = 1u << 3,   // a file removed
};
constexpr unsigned kAllFileSteps = 0xFu;

// What decides that a step fails.  The program has none: every step goes
// ahead.
class FileStepFaults {
public:
    virtual ~FileStepFaults() = default;
    // Asked right before every step; true makes the step fail.
    virtual bool fails(FileStep step) = 0;
};

// Installs faults (not owned); nullptr lets every step go ahead again, as the
// program-wide reset does.
void SetFileStepFaults(FileStepFaults* faults);

// Called by the file layer right before it performs a step.  True means the
// step must fail (the caller reports it as its ordinary I/O error, errno says
// the disk is full).  Without installed faults it is always false.
bool FileStepFails(FileStep step);

// Renames from to to (replacing a file at to), through the seam.  False on
// failure, nothing changed then.
bool RenamePath(const QString& from, const QString& to);
// Removes the file at path, through the seam.  False on failure.
bool RemoveFile(const QString& path);
// Writes all size bytes of data to the open descriptor fd, going on after
// interrupted and short writes.  False on any failure (a full disk among
// them); the descriptor then holds an unknown part of the data.  Not a step
// of the seam: callers count their own step.
bool WriteFully(int fd, const char* data, qint64 size);

// One entry of a folder as listing it found it; links are not followed.
struct FolderEntry {
    QString name;
    bool regular = false; // a regular file
    bool folder = false;  // a folder, no link to one
    bool link = false;
    qint64 size = 0;
};

// The entries of folder (without "." and ".."), sorted by name ignoring
// case; empty when the folder does not exist.  A folder that exists but
// cannot be listed, or holds an entry that cannot be examined, is never
// taken for an empty one: FileError FolderUnreadableMessage.
QList<FolderEntry> ReadFolder(const QString& folder);

// "Der Ordner %1 kann nicht gelesen werden."
QString FolderUnreadableMessage(const QString& folder);

// True when path is a folder itself (no link to one).
bool IsRealFolder(const QString& path);

} // namespace hsa
