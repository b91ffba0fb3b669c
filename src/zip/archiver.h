#pragma once
#include "zip/dirmanager.h"
#include "zip/volumes.h"
#include "zip/zaerrors.h"
#include "zip/zatypes.h"
#include "zip/zipevents.h"

#include <cstdint>
#include <sys/stat.h>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace hsa::zip {

class ZStream;
class FileStream;
class EntryCipher;
class TailBackup;
class RunRecord;
class VolumeMedia;
class VolumeSetStream;
class MemoryStream;
class DecompressScratch;
struct CompressResult;

// The one lock of all archivers: held by an add run and by an item run.
std::recursive_mutex& ArchiveLock();

// The state of a search through the archive's directory.
struct ZASearchRec {
    std::string mask;
    std::string exclusionMask;
    uint32_t searchAttr = attr::DefaultSearch;
    bool wildcards = false;
    int index = -1;          // entry found last
    std::string name;        // its name
    uint32_t attributes = 0;
    uint64_t size = 0, compressedSize = 0;
};

// The archive component: creates, opens, fills, extracts and tests ZIP
// archives.  One archive at a time; every change is an update transaction
// committed through the archive's tail.
//
// Packing one file into a new encrypted archive:
//     ZipArchiver zip;  zip.Name = "ZipArchiver1";
//     zip.SetPassword(password);                 // UTF-8; the cipher gets Windows-1252 bytes
//     zip.SetFileName(archivePath);
//     zip.OpenArchive(openmode::Create);         // the old file stays until the new one is complete
//     zip.SetBaseDir(folderOfTheFile);
//     int added = zip.AddFiles(fullPathOfTheFile, attr::DefaultSearch, "");   // 1 when packed
//     zip.CloseArchive();  zip.SetPassword("");
// Taking entries out:
//     zip.SetPassword(password);  zip.SetFileName(archivePath);
//     zip.OpenArchive();                          // EZAException 12 when missing
//     if (zip.TestFilePassword(entryName, zip.Password())) {
//         zip.SetBaseDir(targetFolder);
//         int extracted = zip.ExtractFiles("*.dbf", attr::DefaultSearch, "");
//     }
//     zip.CloseArchive();  zip.SetPassword("");
// Failed items go to OnProcessFileFailure (or the installed ZipDialogs);
// LastFailures() lists them after a run.
class ZABaseArchiver {
public:
    ZABaseArchiver();
    virtual ~ZABaseArchiver();
    ZABaseArchiver(const ZABaseArchiver&) = delete;
    ZABaseArchiver& operator=(const ZABaseArchiver&) = delete;

    // The component's name, put in front of its error messages.
    std::string Name;

    // ----- properties
    bool ExtractCorruptedFiles = false;
    CompressionLevel GetCompressionLevel() const { return compressionLevel_; }
    void SetCompressionLevel(CompressionLevel level);
    uint8_t GetCompressionMode() const { return compressionMode_; }
    void SetCompressionMode(int mode);   // 10 or more: error 5
    std::string CurrentVersion() const { return "6.20 "; }
    const std::string& Password() const { return password_; }
    virtual void SetPassword(const std::string& password);
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    const std::string& BaseDir() const { return baseDir_; }
    void SetBaseDir(const std::string& dir) { baseDir_ = dir; }
    std::string TempDir;
    SpanningMode GetSpanningMode() const { return spanningMode_; }
    void SetSpanningMode(SpanningMode mode);
    // Volume naming and sizes of split and spanned archives.
    ZASpanningOptions SpanningOptions;
    // Removable media, free space and labels (null: DefaultVolumeMedia()).
    VolumeMedia* Media = nullptr;
    std::string SFXStub;
    ZAOptions Options;
    std::vector<std::string> FileMasks, ExclusionMasks, NoCompressionMasks;
    bool GetInMemory() const { return inMemory_; }
    void SetInMemory(bool value);
    bool RepairDamagedDirectory = true;
    uint8_t Zip64Mode = 1;                 // 0 never, 1 where needed, 2 always
    CryptoAlgorithm EncryptionMethod = CryptoAlgorithm::PkzipClassic;
    // Extracted files are flushed to the disk, and every extracted file is
    // written under a temporary name that gets the real one only when it is
    // complete, so that even a crash never leaves part of a file under its
    // real name.  Off, a file whose name is still free is written under its
    // real name directly (and removed if anything fails); a file that
    // replaces another is written beside it and renamed in either case, after
    // its size and CRC proved good.  Every waiting name is noted in a record
    // in the target first: the next extraction into that target removes what
    // a run cut off by a crash left under such names.
    bool SyncExtractedFiles = true;
    // How often the password question may be asked for one entry.
    int MaxPasswordAttempts = 3;

    // ----- events (Sender is the archiver)
    std::function<void(ZABaseArchiver&, double, ProcessOperation, ProgressPhase, bool&)> OnOverallProgress;
    std::function<void(ZABaseArchiver&, const std::string&, double, ProcessOperation, ProgressPhase, bool&)> OnFileProgress;
    std::function<void(ZABaseArchiver&, double, ProgressPhase, bool&)> OnCopyTempFileProgress;
    std::function<void(ZABaseArchiver&, const std::string&, std::string&, bool&)> OnConfirmOverwrite;
    std::function<void(ZABaseArchiver&, const std::string&, ProcessOperation, bool&)> OnConfirmProcessFile;
    std::function<void(ZABaseArchiver&)> AfterOpen;
    std::function<void(ZABaseArchiver&, const std::string&, std::string&, bool&)> OnPassword;
    std::function<void(ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&, ZAAction&)>
        OnProcessFileFailure;
    std::function<void(ZABaseArchiver&, int, const std::string&, bool&)> OnDiskFull;
    // Volume requests: the volume number counted from 1 where there is one,
    // the volume's file name (the handler may change it) and Cancel.
    std::function<void(ZABaseArchiver&, int, std::string&, bool&)> OnRequestBlankVolume;
    std::function<void(ZABaseArchiver&, std::string&, bool&)> OnRequestFirstVolume;
    std::function<void(ZABaseArchiver&, std::string&, bool&)> OnRequestLastVolume;
    std::function<void(ZABaseArchiver&, int, std::string&, bool&)> OnRequestMiddleVolume;
    // Kinds: see namespace internalevent.
    std::function<void(ZABaseArchiver&, uint8_t, int64_t, int64_t, int64_t)> OnInternalEvent;
    std::function<void(ZABaseArchiver&, std::string&, uint32_t&, std::string&, const std::string&)> OnStoreFile;
    std::function<void(ZABaseArchiver&, std::string&, uint32_t&, const std::string&)> OnExtractFile;

    // The built-in questions (null: the default dialogs, or none).
    ZipDialogs* Dialogs = nullptr;

    // ----- operations
    void OpenArchive();                       // automatic mode
    void OpenArchive(uint16_t mode);          // openmode::Create, ReadWrite, ReadOnly, ReadOnlyCompat
    // Opens an archive held by the caller (never closed by the archiver).
    void OpenArchive(ZStream* external, bool readOnly);
    void CloseArchive();
    bool Active() const { return active_; }
    void SetActive(bool value);

    // Adds the files that the mask names (a path, or a folder with a
    // wildcard pattern) and returns how many entries were written.
    int AddFiles(const std::string& fileMask, uint32_t searchAttr = attr::DefaultSearch,
                 const std::string& exclusionMask = {});
    // As AddFiles, then deletes the sources once the archive is committed.
    int MoveFiles(const std::string& fileMask, uint32_t searchAttr = attr::DefaultSearch,
                  const std::string& exclusionMask = {});
    // Extracts the matching entries into BaseDir; returns the number of files
    // written (folders not counted).
    int ExtractFiles(const std::string& fileMask, uint32_t searchAttr = attr::DefaultSearch,
                     const std::string& exclusionMask = {});
    // Test-decompresses the matching entries; returns how many are intact.
    int TestFiles(const std::string& fileMask, uint32_t searchAttr = attr::DefaultSearch,
                  const std::string& exclusionMask = {});
    // Removes the matching entries; returns how many.
    int DeleteFiles(const std::string& fileMask, uint32_t searchAttr = attr::DefaultSearch,
                    const std::string& exclusionMask = {});
    bool TestFilePassword(const std::string& fileName, const std::string& password);
    // Decompresses one entry into a stream (checks size and CRC).
    void ExtractToStream(int index, ZStream& dest);
    // True when the last entry decompressed proved damaged in what its
    // headers declare: a local header or sizes that cannot hold, or data
    // longer than declared, or complete with the right checksum and shorter.
    // Such an entry was not deciphered, or deciphered right: its damage is
    // never a wrong password (a wrong classic password that slips past the
    // check byte gives garbage that fails otherwise).
    bool LastEntrySizeWrong() const { return lastSizeWrong_; }

    // ----- transactions
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate();
    int UpdateCount() const { return updateCount_; }

    // ----- the directory
    int FileCount() const;
    const DirItem& Entry(int index) const;
    int FindEntry(const std::string& name);
    bool FindFirstItem(const std::string& fileMask, ZASearchRec& rec, uint32_t searchAttr = attr::DefaultSearch,
                       const std::string& exclusionMask = {});
    bool FindNextItem(ZASearchRec& rec);
    std::string ArchiveComment() const;
    uint64_t DirectoryStart() const;
    uint64_t BaseOffset() const;
    bool DirectoryRebuilt() const;

    // ----- volumes
    // The file name of the volume with the zero-based index (-1: the last
    // volume); with mustExist the other naming forms are tried as well.
    std::string GetVolumeFileName(const std::string& archiveName, int index, bool mustExist);
    const ZAVolumeNumberInfo& VolumeInfo() const { return volumeInfo_; }
    // The volume file that is open, empty for single-file archives.
    const std::string& VolumeFileNameOpen() const { return volumeName_; }
    // Number of volumes of the open multi-volume archive (1 for a single file).
    int VolumeCount() const;
    // Writes bytes across the volumes of an archive being created: mustFollow
    // (>= 0) bytes after these must end up on the same volume, so a record
    // is never cut.  Returns the count written.
    size_t WriteToVolumes(const void* buf, size_t count, MemoryStream* intermediate, int64_t mustFollow);
    // The same; fewer bytes written raise error 46.
    void WriteToVolumesChecked(const void* buf, size_t count, MemoryStream* intermediate, int64_t mustFollow);
    // Copies length bytes of the source (from its position) to the volumes,
    // in pieces of 1,000,000 bytes; a source that ends early raises error 46.
    // False when the copy-progress handler cancelled.
    bool CopyToVolumes(ZStream& source, uint64_t length, bool progress);

    // Results of the last item run: how many items failed, and their messages.
    int LastFailureCount() const { return int(lastFailures_.size()); }
    const std::vector<std::string>& LastFailures() const { return lastFailures_; }

protected:
    virtual void ChooseCompressionMethod();
    virtual void DoOnOverallProgress(double progress, ProcessOperation op, ProgressPhase phase, bool& cancel);
    virtual void DoOnFileProgress(const std::string& fileName, double progress, ProcessOperation op,
                                  ProgressPhase phase, bool& cancel);
    virtual void DoOnCopyTempFileProgress(double progress, ProgressPhase phase, bool& cancel);
    virtual void DoOnConfirmOverwrite(const std::string& sourceFileName, std::string& destFileName, bool& confirm);
    virtual void DoOnConfirmProcessFile(const std::string& fileName, ProcessOperation op, bool& confirm);
    virtual void DoOnPassword(const std::string& fileName, std::string& newPassword, bool& skipFile);
    virtual void DoOnProcessFileFailure(const std::string& fileName, ProcessOperation op, int nativeError,
                                        int errorCode, const std::string& errorMessage, ZAAction& action);
    virtual void DoOnDiskFull(int volumeNumber, const std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestBlankVolume(int volumeNumber, std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestFirstVolume(std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestLastVolume(std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestMiddleVolume(int volumeNumber, std::string& volumeFileName, bool& cancel);
    virtual void DoOnInternalEvent(uint8_t kind, int64_t a, int64_t b, int64_t c);
    virtual void DoOnStoreFile(std::string& fileName, uint32_t& fileAttr, std::string& comment,
                               const std::string& originalFileName);
    virtual void DoOnExtractFile(std::string& fileName, uint32_t& fileAttr, const std::string& comment);

    int compressionMethod_ = -1;
    bool standardZipFormat_ = false;

private:
    friend class ArchiverTestAccess;
    [[noreturn]] void Raise(int code, const std::vector<std::string>& args = {}) const;
    ZipDialogs* TheDialogs() const;
    void CheckOpen() const;
    void OpenInternal(uint16_t mode);
    void ReleaseArchive();
    std::string AbsoluteBase();
    std::string MakeAbsolute(const std::string& path);

    // adding
    int AddOrMove(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask,
                  ProcessOperation op);
    void SearchFiles(const std::string& mask, const std::vector<std::string>& exclusions, uint32_t searchAttr,
                     ProcessOperation op);
    void SearchFolder(const std::string& folder, const std::string& pattern, const std::vector<std::string>& exclusions,
                      uint32_t searchAttr, ProcessOperation op, int depth);
    bool IsExcluded(const std::string& fullPath, const std::vector<std::string>& exclusions) const;
    // `known`: what the search already learnt of the file (saves asking again).
    void RegisterFile(const std::string& fullPath, bool isFolder, ProcessOperation op,
                      const struct stat* known = nullptr);
    bool WriteAddedEntry(DirItem& item);
    // The phases of writing an added entry: its source is opened (null for
    // a folder); its layout (offset, Zip64, method, cipher, name, flags,
    // extra fields) is decided; its data is compressed (false: cancelled);
    // the written entry is recorded in its directory item.
    struct EntryLayout;
    ZStream* OpenAddedSource(DirItem& item, EntryLayout& layout, std::unique_ptr<ZStream>& owned);
    void PlanAddedEntry(DirItem& item, EntryLayout& layout);
    bool CompressAddedEntry(DirItem& item, EntryLayout& layout, ZStream* source, ZStream* dest, CompressResult& r);
    void RecordAddedEntry(DirItem& item, const EntryLayout& layout, uint32_t crc, uint64_t comp, uint64_t uncomp,
                          uint32_t disk);
    // Writes to the archive stream; a short write raises error 46 (asking
    // about a full disk first).
    void WriteOrRaise(const std::vector<unsigned char>& bytes);

    // volumes
    VolumeMedia& TheMedia() const;
    VolumeNaming Naming() const;
    bool IsMultiVolume() const { return spanningMode_ != SpanningMode::None; }
    bool AskOkCancel(const std::string& text) const;
    void CreateVolumes();
    void RequestBlankVolume(int number);
    ZStream& RequestReadVolume(int number, std::optional<uint64_t> expectedSize);
    void CloseVolume();
    bool ReserveOnVolume(size_t count);
    void WriteVolumeDirectory();
    void FinishVolumes();
    void DiscardVolumes();
    int CommitVolumes();
    void OpenExisting();
    bool DetectLayout(bool endFound, const EndRecord& er);
    void OpenVolumeSet(int lastDisk);

    // commit
    int CommitUpdate();
    // The phases of a commit, in their order.  The changed items are counted
    // (the operation of the first one is returned); the first index at which
    // the directory differs from the saved one is found; from it the place
    // where rewriting starts (writePos_; an earlier index when an entry before
    // it lies behind that place); the archive's tail is saved (true: the new
    // tail goes to a journal); the items are written from that index
    // (returns how many were written); the new archive is put in place.
    ProcessOperation CountChangedItems();
    int FirstChangedIndex() const;
    int FindRewriteStart(int first);
    bool SaveArchiveTail(bool inside);
    int WriteItemsFrom(int first, bool& aborted);
    void PutNewArchiveInPlace(bool newTail);
    void RollbackUpdate();
    // Copies an entry from the saved tail to the write position; entries
    // copied unchanged are gathered while they lie back to back and copied
    // as one block by FlushPendingCopy (before anything else is written).
    void CopyEntry(DirItem& item);
    void FlushPendingCopy();
    struct PendingCopy {
        uint64_t from = 0, length = 0;   // in the saved tail
    };
    PendingCopy pendingCopy_;
    void DeleteMovedSources();
    void FinishPendingCreate();
    // Puts right a commit of the archive (full path) that was cut off, from
    // the journal it left, and reports it through OnInternalEvent.
    void RecoverCutOffCommit(const std::string& archive);

    // items
    int ProcessItems(ProcessOperation op, int index);
    int ProcessItemsLoop(ProcessOperation op, int index);
    bool ExtractItem(int index);
    bool TestItem(int index);
    // 1 decompressed, 0 skipped (password dialog cancelled), -1 cancelled
    int DecompressItem(int index, ZStream& dest);
    bool MatchesItem(const DirItem& item, const ZASearchRec& rec) const;
    void HandleItemFailure(const std::string& name, ProcessOperation op, const EZAException& e, ZAAction& action);

    // How one item of a run ended.
    enum class ItemResult : uint8_t { Done, Skipped, Aborted };
    // Runs one item of a run (`attempt`), again for as long as the failure
    // handler answers "retry" to the engine error it raises.  After each
    // failure `recover` puts back what the attempt left behind and says
    // whether the handler may be asked at all; a failure it refuses ends the
    // whole run (the error propagates).  Skip and abort are the handler's
    // other answers.
    template <class Attempt, class Recover>
    ItemResult RetryItem(const std::string& name, ProcessOperation op, Attempt&& attempt, Recover&& recover)
    {
        while (true) {
            try {
                attempt();
                return ItemResult::Done;
            } catch (const EZAException& e) {
                if (!recover(e))
                    throw;
                ZAAction action = ZAAction::Skip;
                HandleItemFailure(name, op, e, action);
                if (action == ZAAction::Abort)
                    return ItemResult::Aborted;
                if (action != ZAAction::Retry)
                    return ItemResult::Skipped;
            }
        }
    }
    template <class Attempt>
    ItemResult RetryItem(const std::string& name, ProcessOperation op, Attempt&& attempt)
    {
        return RetryItem(name, op, attempt, [](const EZAException&) { return true; });
    }
    std::string CipherPassword(const std::string& password) const;

    CompressionLevel compressionLevel_ = CompressionLevel::Fastest;
    uint8_t compressionMode_ = 1;
    std::string password_;
    std::string fileName_;
    std::string baseDir_;
    SpanningMode spanningMode_ = SpanningMode::None;
    bool inMemory_ = false;

    int updateCount_ = 0;
    bool active_ = false;
    bool externalStream_ = false;
    uint16_t openMode_ = 0;
    std::string currentBaseDir_;
    int processed_ = 0, total_ = 0;
    uint64_t bytesDone_ = 0, bytesTotal_ = 0;
    bool cancel_ = false;
    bool committed_ = false;
    bool testFlag_ = false;
    bool skipFlag_ = false;
    bool lastSizeWrong_ = false;
    std::unique_ptr<DirManager> dm_;
    ZStream* stream_ = nullptr;                 // the archive stream
    std::unique_ptr<ZStream> ownedStream_;
    std::string pendingCreatePath_;             // new archive written here until its first directory
    std::unique_ptr<TailBackup> backup_;
    uint64_t writePos_ = 0;
    std::vector<std::string> lastFailures_;
    int addedInRun_ = 0;
    // Volumes.
    ZAVolumeNumberInfo volumeInfo_;
    std::string volumeName_;                    // the open volume's file
    std::unique_ptr<FileStream> volume_;        // the open volume
    bool creatingVolumes_ = false;              // a multi-volume archive being written
    bool volumesFinished_ = false;
    std::vector<std::string> writtenVolumes_;   // files of the set written so far
    std::vector<std::pair<uint64_t, uint64_t>> writtenIds_;   // their device and inode
    std::vector<uint64_t> writtenSizes_;
    std::unique_ptr<VolumeSetStream> volumeSet_;
    // The folder of the last extracted file, kept open during one run.
    std::string folderCacheKey_;
    std::shared_ptr<int> folderCacheFd_;
    bool folderCacheMade_ = false;              // that folder was created in this run
    // Durable extraction: every file waits under a temporary name until one
    // flush of the file system has made all new bytes of the run durable.
    // The waiting files' folders are remembered by path and identity, not
    // held open, so that an archive of many folders never runs the process
    // out of handles; they are opened again, one at a time, to name the files.
    struct PendingFolder {
        std::string target;
        std::vector<std::string> parts;   // below the target
        uint64_t dev = 0, ino = 0;
        bool madeByRun = false;           // created by this run, empty when it began
    };
    struct DeferredRename {
        size_t folder;                    // index into pendingFolders_
        std::string temp, leaf, shown;
        std::string entry;                // the entry's name, for the failure handler
        // The name was not looked up before the data was written (the folder
        // was new): it is given only while it is still free.
        bool unchecked = false;
    };
    std::vector<PendingFolder> pendingFolders_;
    std::unordered_map<std::string, size_t> pendingFolderIndex_;
    std::vector<DeferredRename> deferredRenames_;
    // A folder the run has to make is made under a hidden temporary name
    // and takes its own name, with all it holds, only after the flush: the
    // files in it need no waiting names of their own.  Folders below it are
    // made under their own names.
    struct StagedFolder {
        std::string target;
        std::vector<std::string> parents;   // below the target, there before the run
        std::string temp, name, shown;
        uint64_t dev = 0, ino = 0;
    };
    std::vector<StagedFolder> stagedFolders_;
    std::unordered_map<std::string, size_t> stagedFolderIndex_;   // by its path with its own name
    bool folderCacheStaged_ = false;            // the cached folder lies in a staged one
    // Opens parts[0..count) below target for a durable extraction, making the
    // first missing folder under a temporary name; -1 on failure as
    // OpenFolderChain says.  *staged: the folder lies in a staged one.
    int OpenStagedFolderChain(const std::string& target, const std::vector<std::string>& parts, size_t count,
                              std::string& failedAt, int& error, bool& made, bool& staged);
    // The files of this run that wait outside a staged folder, by their path
    // with their own name: what a later entry of that name meets there.
    struct WaitingFile {
        int64_t time = 0;
        bool readOnly = false;
    };
    std::unordered_map<std::string, WaitingFile> waitingFiles_;
    // Names every waiting name of the run made outside a staged folder.
    std::unique_ptr<RunRecord> runRecord_;
    std::function<void(const std::string&, bool)> NoteWaitingNames(const std::vector<std::string>& parts, size_t count);
    // Whether an entry may replace the file that holds its name: the
    // read-only rule and the overwrite mode, with its question.
    bool MayReplace(const DirItem& item, const std::string& shown, int64_t existingTime, bool readOnly,
                    int64_t entryTime);
    // One open folder per file system, for the flush.
    std::vector<std::pair<uint64_t, std::shared_ptr<int>>> syncFolders_;
    // Names the run's files after one flush; each file that cannot take its
    // name goes to the failure handler (when mayRaise).  The number of them.
    int FinishExtractionRun(bool mayRaise);
    struct NamingRun;
    void NameStagedFolders(const std::vector<StagedFolder>& staged, NamingRun& run);
    void NameWaitingFiles(std::vector<DeferredRename>& renames, const std::vector<PendingFolder>& pending,
                          NamingRun& run);
    // Extracting one entry, step by step: where its file goes (false for a
    // folder), the file made there (false when the name's file stays), the
    // data written and the name given or left to the end of the run.
    struct OutputFile;
    bool PlaceEntry(int index, OutputFile& o);
    void OpenEntryFolder(const OutputFile& o);
    bool CreateOutput(const DirItem& item, OutputFile& o);
    bool WriteOutput(int index, OutputFile& o);
    // The folder's place in pendingFolders_ (added at its first file) and
    // whether this run created it.
    struct PendingFolderSlot {
        size_t index = 0;
        bool made = false;
    };
    PendingFolderSlot PendingFolderFor(const std::string& key, const std::string& target,
                                       const std::vector<std::string>& parts, size_t folderCount, int dirFd,
                                       const std::string& shown);
    // Inflate buffers and state reused from entry to entry during one run.
    std::shared_ptr<DecompressScratch> scratch_;
    // Entry times converted during one run.
    std::unordered_map<uint32_t, int64_t> unixTimes_;
    int64_t EntryUnixTime(uint32_t dosDateTime);
};

// The archiver the program places on its main window: standard ZIP records,
// no Zip64 fields, deflate whenever the compression mode is not 0.
class ZipArchiver : public ZABaseArchiver {
public:
    ZipArchiver();
    void SetPassword(const std::string& password) override;

protected:
    void ChooseCompressionMethod() override;
};

} // namespace hsa::zip
