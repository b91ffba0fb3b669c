#pragma once
#include "zip/safefs.h"
#include "zip/zipstream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hsa::zip {

// What keeps a commit that rewrites the archive from its first changed entry
// on safe against a failure and against the process being killed.
//
// A commit that replaces, deletes or moves entries writes the archive's new
// tail (the entries from the first changed one on and the new directory)
// into a journal first, reading the entries it keeps from the archive, which
// stays untouched; only when the journal is complete is it copied over the
// archive's old tail.  An entry that is replaced or deleted is never copied
// at all.  A commit that only appends saves the old directory in a journal
// and writes the new entries after the last old one in place.
//
// A journal lies beside the archive (or in TempDir) under the name
// "FC<hash of the archive's file name>.tmp" ("FC<hash of its full path>.tmp"
// in TempDir): its bytes, followed by a trailer that names the archive's
// file name, the old archive's size and where the bytes belong, and keeps
// checksums of samples of the old archive (the prefix before the bytes, and
// for a new tail the pages at the old tail's start and end).  The trailer
// is written (and, with `sync`, flushed) only after the bytes are on the
// disk, and the archive is touched only after that.  The next open looks
// at every journal beside the archive that names it and ties it to the
// archive by content alone, so that a folder copied from a backup or a
// stick that comes back as another device under another path still finds
// its journal, while another archive that has taken the name since never
// gets it.  A journal tied so is put into the archive: its bytes written
// at their place and the archive cut after them, which gives the old
// archive for an undo journal and the new one for a finish journal, however
// far the cut-off commit had come, and may be repeated when it is cut off
// itself.  One without a trailer, or of a commit that never wrote into the
// archive, is removed; one that cannot be tied is set aside
// ("FC<hash>.verwaist") and reported.
//
// Archives that are no file of their own (in memory, a caller's stream) keep
// the old way: the old tail is saved (in memory when small, else in a
// temporary "FC" file), the archive cut and rewritten in place, and the saved
// tail written back when the commit fails.
class TailBackup {
public:
    enum class Kind : uint32_t { OldTail = 1, NewTail = 2 };

    // Saves [start, end of archive) before the archive is cut.  With a
    // journal path the copy goes there, ends with its trailer and is flushed
    // (with `sync`); otherwise it stays in memory when small (forceFile
    // false) or goes to a temporary file in tempFolder.  Throws EZAException
    // on failure (nothing is left behind then).
    TailBackup(ZStream& archive, uint64_t start, const std::string& tempFolder, const std::string& journalPath,
               bool forceFile, bool sync, const std::function<bool(double)>& progress = {});
    // Starts a journal of the new tail of the archive file from `start` on;
    // the commit writes it through NewTailStream() and ends it with
    // Seal() and Apply().
    TailBackup(FileStream& archive, uint64_t start, const std::string& journalPath, bool sync);
    ~TailBackup();
    TailBackup(const TailBackup&) = delete;
    TailBackup& operator=(const TailBackup&) = delete;

    Kind GetKind() const { return kind_; }
    uint64_t Start() const { return start_; }
    // The length of the old tail (OldTail) or of the archive from Start() on.
    uint64_t Size() const { return size_; }
    bool InFile() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    // Reads the old tail (offset relative to Start()): the saved bytes, or
    // the untouched archive while a new tail is being written.
    bool ReadAt(uint64_t offset, void* buf, size_t n);
    // Copies n bytes of the old tail from `offset` to the stream's position.
    bool CopyTo(ZStream& dest, uint64_t offset, uint64_t n);
    // OldTail: writes the saved bytes back at Start() and cuts the archive
    // after them.
    bool Restore(ZStream& archive);

    // NewTail: the stream the new tail is written to; its positions are
    // those of the archive (the journal's first byte is at Start()).
    ZStream& NewTailStream() { return *shifted_; }
    // NewTail: ends the journal with its trailer (flushed with `sync`).
    // Throws EZAException on failure; the archive is untouched then.
    void Seal();
    // NewTail: puts the sealed journal into the archive.  Throws
    // EZAException when the disk has no room for the new tail (the archive
    // is as before then); any later failure leaves the sealed journal for
    // the next open.
    void Apply();
    bool Sealed() const { return sealed_; }
    // Deletes the journal or temporary file.
    void Discard();
    // Leaves a sealed journal for the next open (the archive may be half
    // rewritten).
    void Keep();

private:
    class Shifted;
    Kind kind_ = Kind::OldTail;
    uint64_t start_ = 0, size_ = 0;
    bool sync_ = false;
    bool sealed_ = false;
    std::vector<unsigned char> memory_;
    std::string path_;
    std::unique_ptr<FileStream> file_;
    ZStream* archive_ = nullptr;
    std::unique_ptr<ZStream> shifted_;
    uint64_t sealedLength_ = 0;
    void WriteTrailer(uint64_t length);
};

// The journal's file name (without folder) for an archive's full path,
// when it lies beside the archive or in another folder.
std::string TailJournalName(const std::string& archivePath, bool besideArchive);

// What opening an archive found of a commit that was cut off.
struct JournalRecovery {
    enum class Outcome { None, Undone, Finished, Discarded, SetAside, Failed } outcome = Outcome::None;
    uint64_t start = 0, length = 0;
    std::string path; // the journal (set aside: where it lies now)
};
// Looks for the journals of the archive (full path) in the folders and
// puts each that is tied to the archive into it, removes each unfinished
// one or one whose commit never wrote into the archive, and sets aside each
// that names the archive but cannot be tied to it.  A journal that cannot be
// put in (the archive is read-only) stays.
std::vector<JournalRecovery> RecoverTailJournals(const std::string& archivePath,
                                                 const std::vector<std::string>& folders, bool sync);

} // namespace hsa::zip
