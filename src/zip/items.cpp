// Item runs over the directory: extracting, testing and deleting entries.
#include "zip/archiver.h"

#include "zip/codepage.h"
#include "zip/compression.h"
#include "zip/crypto/aesentrycipher.h"
#include "zip/entrycipher.h"
#include "zip/runrecord.h"
#include "zip/safefs.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <unordered_set>
#include <stdexcept>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa::zip {

namespace {

// A temporary output file beside the target; removed unless it was renamed.
struct PendingOutput {
    int dirFd = -1;
    std::string name;
    bool active = false;
    ~PendingOutput()
    {
        if (active) {
            NoteFsChange(FsChange::Remove);
            ::unlinkat(dirFd, name.c_str(), 0);
        }
    }
};

// The deflate format cannot expand more than about 1032 to 1: a larger
// declared size is a lie or a bomb.
bool PlausibleSizes(const DirItem& it)
{
    if (it.actualMethod == 0)
        return it.IsEncrypted() || it.uncompSize == it.compSize;
    if (it.actualMethod == 8)
        return it.uncompSize / 1032 <= it.compSize + 1;
    return true;
}

bool IsAes(CryptoAlgorithm a)
{
    return a == CryptoAlgorithm::AES128 || a == CryptoAlgorithm::AES192 || a == CryptoAlgorithm::AES256;
}

// The cipher that reads an entry.  AES entries are read with the vendor
// version of their own 0x9901 field (AE-1 checks code and CRC, AE-2 the
// code alone); null for an algorithm or version the engine does not know.
std::unique_ptr<EntryCipher> ReadCipherFor(const DirItem& item)
{
    if (!IsAes(item.encryption))
        return CreateEntryCipher(item.encryption, item.actualMethod);
    try {
        return MakeAesEntryCipher(item.encryption, item.actualMethod, AesVendorVersionOf(item.extra));
    } catch (const std::invalid_argument&) {
        return nullptr;
    }
}

// The enciphered data's length without header and trailer, when the entry's
// sizes allow one: at least header and trailer, at most what is left of the
// archive's entry data behind the local header.
std::optional<uint64_t> CipherDataLength(const EntryCipher& cipher, const DirItem& item, uint64_t bytesLeft)
{
    const uint64_t overhead = uint64_t(cipher.HeaderSize()) + cipher.TrailerSize();
    if (IsAes(item.encryption))
        return AesEncryptedDataLength(item.compSize, AesKeyBitsOf(item.encryption), bytesLeft);
    if (item.compSize < overhead || item.compSize > bytesLeft)
        return std::nullopt;
    return item.compSize - overhead;
}

// The block of the archive read ahead during an extraction or test run.
constexpr size_t kReadAhead = 256 * 1024;

} // namespace

int64_t ZABaseArchiver::EntryUnixTime(uint32_t dosDateTime)
{
    // The local-time conversion asks the system for the time zone each time;
    // entries of one run share few distinct times.
    const auto found = unixTimes_.find(dosDateTime);
    if (found != unixTimes_.end())
        return found->second;
    const int64_t t = DosDateTimeToUnix(dosDateTime);
    if (unixTimes_.size() < 65536)
        unixTimes_.emplace(dosDateTime, t);
    return t;
}

int ZABaseArchiver::ExtractFiles(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask)
{
    CheckOpen();
    if (updateCount_ > 0)
        Raise(err::InsideUpdate);
    lastFailures_.clear();
    ZASearchRec rec;
    if (!Options.Recurse && fileMask.find_first_of("*?") == std::string::npos && exclusionMask.empty()
        && searchAttr == attr::DefaultSearch) {
        if (!FindFirstItem(fileMask, rec, searchAttr, exclusionMask))
            return 0;
        dm_->Dir().ClearSelected();
        dm_->Dir().Ref(rec.index).selected = true;
        return ProcessItems(ProcessOperation::Extract, rec.index);
    }
    dm_->Dir().ClearSelected();
    for (bool found = FindFirstItem(fileMask, rec, searchAttr, exclusionMask); found; found = FindNextItem(rec))
        dm_->Dir().Ref(rec.index).selected = true;
    return ProcessItems(ProcessOperation::Extract, -1);
}

int ZABaseArchiver::TestFiles(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask)
{
    CheckOpen();
    if (updateCount_ > 0)
        Raise(err::InsideUpdate);
    lastFailures_.clear();
    ZASearchRec rec;
    dm_->Dir().ClearSelected();
    for (bool found = FindFirstItem(fileMask, rec, searchAttr, exclusionMask); found; found = FindNextItem(rec))
        dm_->Dir().Ref(rec.index).selected = true;
    return ProcessItems(ProcessOperation::Test, -1);
}

int ZABaseArchiver::DeleteFiles(const std::string& fileMask, uint32_t searchAttr, const std::string& exclusionMask)
{
    CheckOpen();
    lastFailures_.clear();
    BeginUpdate();
    int deleted = 0;
    try {
        ZASearchRec rec;
        dm_->Dir().ClearSelected();
        for (bool found = FindFirstItem(fileMask, rec, searchAttr, exclusionMask); found; found = FindNextItem(rec))
            dm_->Dir().Ref(rec.index).selected = true;
        deleted = ProcessItems(ProcessOperation::Delete, -1);
        EndUpdate();
    } catch (...) {
        CancelUpdate();
        throw;
    }
    return deleted;
}

int ZABaseArchiver::ProcessItems(ProcessOperation op, int index)
{
    if (op != ProcessOperation::Extract)
        return ProcessItemsLoop(op, index);
    int done = 0;
    try {
        done = ProcessItemsLoop(op, index);
    } catch (...) {
        FinishExtractionRun(false);
        throw;
    }
    return done - FinishExtractionRun(true);
}

namespace {

bool OutOfHandles(int e) { return e == EMFILE || e == ENFILE; }

} // namespace

namespace {

// Gives a waiting file its name only while the name is free; false with
// EEXIST when it is taken.  File systems without the no-replace rename are
// asked whether the name is taken first.
bool RenameIfFree(int fromDir, const std::string& from, int toDir, const std::string& to)
{
    NoteFsChange(FsChange::Rename);
#ifdef RENAME_NOREPLACE
    if (::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    struct stat st {};
    if (::fstatat(toDir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0;
}

bool RenameIfFree(int dirFd, const std::string& from, const std::string& to)
{
    return RenameIfFree(dirFd, from, dirFd, to);
}

// Moves what a staged folder holds into a folder of its name that appeared
// meanwhile, name by name, folders into folders; a name taken there keeps
// what is there.  True when everything moved; failed names each entry that
// could not (as the user would see it below `shown`).
bool MergeFolder(int fromDir, int toDir, const std::string& shown, std::vector<std::string>& failed)
{
    std::vector<std::string> names;
    {
        const int listFd = ::openat(fromDir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* d = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!d) {
            if (listFd >= 0)
                ::close(listFd);
            failed.push_back(shown);
            return false;
        }
        while (const dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        ::closedir(d);
    }
    bool all = true;
    for (const auto& n : names) {
        if (RenameIfFree(fromDir, n, toDir, n))
            continue;
        struct stat a {}, b {};
        bool named = false;   // the failures below were named by the merge of the folder
        if (errno == EEXIST && ::fstatat(fromDir, n.c_str(), &a, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(a.st_mode)
            && ::fstatat(toDir, n.c_str(), &b, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(b.st_mode)) {
            Fd from(::openat(fromDir, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            Fd to(::openat(toDir, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            named = from && to;
            if (named && MergeFolder(from.get(), to.get(), JoinPath(shown, n), failed)) {
                NoteFsChange(FsChange::Remove);
                ::unlinkat(fromDir, n.c_str(), AT_REMOVEDIR);
                continue;
            }
        }
        all = false;
        if (!named)
            failed.push_back(JoinPath(shown, n));
    }
    return all;
}

std::string FolderPath(const std::string& target, const std::vector<std::string>& parts)
{
    std::string path = target;
    for (const auto& p : parts)
        path = JoinPath(path, p);
    return path;
}

std::string RelativeTo(const std::string& target, const std::string& path)
{
    if (path.size() > target.size() && path.compare(0, target.size(), target) == 0 && path[target.size()] == '/')
        return path.substr(target.size() + 1);
    return path;
}

} // namespace

// What the naming at the end of a durable run shares between its steps.
struct ZABaseArchiver::NamingRun {
    // One open folder per file system, for the flushes.
    std::vector<std::pair<uint64_t, std::shared_ptr<int>>> folders;
    // File systems whose held folder was given back for want of handles:
    // flushed again at the end through one of their folders.
    std::vector<uint64_t> released;
    bool flushed = true;
    int filesFailed = 0;
    // Hands what cannot take its name to the failure handler: retry, skip
    // or abort (after an abort nobody is asked again).
    std::function<ZAAction(const std::string& entry, int code, const std::string& arg)> ask;
    bool aborted = false;

    ZAAction Fail(const std::string& entry, int code, const std::string& arg)
    {
        if (aborted)
            return ZAAction::Skip;
        const ZAAction action = ask(entry, code, arg);
        aborted = action == ZAAction::Abort;
        return action;
    }

    Fd OpenFolder(const std::string& target, const std::vector<std::string>& parts, int& error)
    {
        std::string failedAt;
        Fd dir = OpenFolderChain(target, parts, parts.size(), false, failedAt, &error);
        if (!dir && OutOfHandles(error) && !folders.empty()) {
            // The folders held for the last flush give their handles to the
            // names: a file left under its temporary name is worse.
            for (const auto& held : folders)
                released.push_back(held.first);
            folders.clear();
            dir = OpenFolderChain(target, parts, parts.size(), false, failedAt, &error);
        }
        return dir;
    }
};

int ZABaseArchiver::FinishExtractionRun(bool mayRaise)
{
    std::vector<DeferredRename> renames;
    renames.swap(deferredRenames_);
    std::vector<PendingFolder> pending;
    pending.swap(pendingFolders_);
    pendingFolderIndex_.clear();
    NamingRun run;
    run.folders.swap(syncFolders_);
    std::vector<StagedFolder> staged;
    staged.swap(stagedFolders_);
    stagedFolderIndex_.clear();
    waitingFiles_.clear();
    folderCacheMade_ = false;
    folderCacheStaged_ = false;
    // Closing the record without removing it leaves it to the next run: an
    // exception from a handler may leave waiting names behind.
    std::unique_ptr<RunRecord> record = std::move(runRecord_);
    if (!SyncExtractedFiles) {
        if (record)
            record->Finish();
        return 0;
    }
    run.ask = [&](const std::string& entry, int code, const std::string& arg) {
        ZAAction action = ZAAction::Skip;
        if (!mayRaise)
            return action;
        try {
            if (code == err::TooManyOpenFiles)
                Raise(code);
            Raise(code, {arg});
        } catch (const EZAException& e) {
            HandleItemFailure(entry, ProcessOperation::Extract, e, action);
        }
        return action;
    };
    // One flush per file system makes every file of the run durable, then
    // the files take their names: no name ever shows data that is not yet
    // on the disk, and an old file is never given up for such data.
    for (const auto& f : run.folders)
        run.flushed = ::syncfs(*f.second) == 0 && run.flushed;
    NameStagedFolders(staged, run);
    NameWaitingFiles(renames, pending, run);
    for (const auto& f : run.folders)
        ::syncfs(*f.second);
    for (const uint64_t dev : run.released) {
        bool done = false;
        for (const auto& f : pending) {
            if (f.dev != dev)
                continue;
            std::string failedAt;
            Fd dir = OpenFolderChain(f.target, f.parts, f.parts.size(), false, failedAt);
            if (dir) {
                done = ::syncfs(dir.get()) == 0;
                break;
            }
        }
        if (!done)
            ::sync();
    }
    if (record)
        record->Finish();
    return run.filesFailed;
}

void ZABaseArchiver::NameStagedFolders(const std::vector<StagedFolder>& staged, NamingRun& run)
{
    // The staged folders take their names with everything in them.
    for (const StagedFolder& sf : staged) {
        const std::string entry = RelativeTo(sf.target, sf.shown) + "/";
        while (true) {
            int error = 0;
            Fd parent = run.OpenFolder(sf.target, sf.parents, error);
            struct stat st {};
            const bool same = parent && ::fstatat(parent.get(), sf.temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                              && S_ISDIR(st.st_mode) && uint64_t(st.st_dev) == sf.dev
                              && uint64_t(st.st_ino) == sf.ino;
            const bool noHandle = !parent && OutOfHandles(error);
            const int code = noHandle ? err::TooManyOpenFiles : err::CannotCreateDir;
            if (same && run.flushed) {
                if (RenameIfFree(parent.get(), sf.temp, sf.name))
                    break;
                if (errno == EEXIST) {
                    // A folder of that name appeared meanwhile: the run's files
                    // join it where their names are free; each that finds its
                    // name taken there is named to the handler, and what is
                    // there stays.
                    Fd from(::openat(parent.get(), sf.temp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                    Fd to(::openat(parent.get(), sf.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                    std::vector<std::string> failed;
                    const bool all = from && to && MergeFolder(from.get(), to.get(), sf.shown, failed);
                    from = Fd();
                    if (all || !failed.empty()) {
                        RemoveTreeAt(parent.get(), sf.temp);
                        for (const auto& f : failed) {
                            ++run.filesFailed;
                            run.Fail(RelativeTo(sf.target, f), err::CannotCreateFile, f);
                        }
                        break;
                    }
                }
                if (run.Fail(entry, code, sf.shown) == ZAAction::Retry)
                    continue;
            } else {
                run.Fail(entry, code, sf.shown);
            }
            if (same)
                RemoveTreeAt(parent.get(), sf.temp);
            else if (noHandle)
                RemoveTreeAt(AT_FDCWD, JoinPath(FolderPath(sf.target, sf.parents), sf.temp));
            break;
        }
    }
}

void ZABaseArchiver::NameWaitingFiles(std::vector<DeferredRename>& renames, const std::vector<PendingFolder>& pending,
                                      NamingRun& run)
{
    // Folder by folder, in the order of the entries within each folder (a
    // later entry of the same name wins as it would have without the wait).
    std::stable_sort(renames.begin(), renames.end(),
                     [](const DeferredRename& a, const DeferredRename& b) { return a.folder < b.folder; });
    size_t at = 0;
    while (at < renames.size()) {
        const size_t folderIndex = renames[at].folder;
        size_t end = at;
        while (end < renames.size() && renames[end].folder == folderIndex)
            ++end;
        const PendingFolder& f = pending[folderIndex];
        int error = 0;
        Fd dir = run.OpenFolder(f.target, f.parts, error);
        struct stat st {};
        // A folder exchanged meanwhile (by a link or another folder of that
        // name) holds none of the run's files: nothing there is touched.
        const bool same = dir && ::fstat(dir.get(), &st) == 0 && uint64_t(st.st_dev) == f.dev
                          && uint64_t(st.st_ino) == f.ino;
        const bool noHandle = !dir && OutOfHandles(error);
        std::unordered_set<std::string> named;   // names this folder got in this loop
        for (size_t k = at; k < end; ++k) {
            const DeferredRename& r = renames[k];
            while (true) {
                if (same && run.flushed) {
                    const bool again = named.count(r.leaf) != 0;
                    if (r.unchecked && !again) {
                        if (RenameIfFree(dir.get(), r.temp, r.leaf)) {
                            named.insert(r.leaf);
                            break;
                        }
                    } else if (NoteFsChange(FsChange::Rename),
                               ::renameat(dir.get(), r.temp.c_str(), dir.get(), r.leaf.c_str()) == 0) {
                        named.insert(r.leaf);
                        break;
                    }
                    const int code = OutOfHandles(errno) ? err::TooManyOpenFiles : err::CannotCreateFile;
                    if (run.Fail(r.entry, code, r.shown) == ZAAction::Retry)
                        continue;
                } else {
                    run.Fail(r.entry, noHandle ? err::TooManyOpenFiles : err::CannotCreateFile, r.shown);
                }
                ++run.filesFailed;
                NoteFsChange(FsChange::Remove);
                if (same)
                    ::unlinkat(dir.get(), r.temp.c_str(), 0);
                else if (noHandle)
                    // No handle to open the folder with: its path names it, and
                    // the random temporary name nothing but this run's file.
                    ::unlink(JoinPath(FolderPath(f.target, f.parts), r.temp).c_str());
                break;
            }
        }
        at = end;
    }
}

int ZABaseArchiver::ProcessItemsLoop(ProcessOperation op, int index)
{
    std::lock_guard<std::recursive_mutex> lock(ArchiveLock());
    // What one run keeps from item to item: the open target folder, the
    // inflate buffers, the converted entry time and, when the archive is a
    // plain file, a block read ahead so that the headers and data of small
    // entries do not each cost a read from the system.
    struct RunState {
        ZABaseArchiver* self;
        FileStream* readAhead;
        ~RunState()
        {
            self->folderCacheFd_.reset();
            self->folderCacheKey_.clear();
            self->scratch_.reset();
            self->unixTimes_.clear();
            if (readAhead)
                readAhead->SetReadAhead(0);
        }
    } runState{this, nullptr};
    folderCacheFd_.reset();
    folderCacheKey_.clear();
    unixTimes_.clear();
    if (op == ProcessOperation::Extract) {
        RefreshProcessUmask();
        // What a run into this target left when it was cut off goes first:
        // it would be mistaken for the user's own files.
        const std::string target = AbsoluteBase();
        const Leftovers left = RemoveLeftoversOfEarlierRuns(target);
        if (left.removed > 0 || left.kept > 0)
            DoOnInternalEvent(internalevent::LeftoversOfEarlierRun, left.removed, left.kept, 0);
        runRecord_ = std::make_unique<RunRecord>(target);
    }
    if (op == ProcessOperation::Extract || op == ProcessOperation::Test) {
        scratch_ = std::make_shared<DecompressScratch>();
        if (auto* fs = dynamic_cast<FileStream*>(stream_)) {
            fs->SetReadAhead(kReadAhead);
            runState.readAhead = fs;
        }
    }
    processed_ = 0;
    cancel_ = false;
    auto& dir = dm_->Dir();
    int selected = 0;
    for (const auto& it : dir.Items())
        selected += it.selected ? 1 : 0;
    total_ = index >= 0 ? 1 : selected;
    const bool reports = op == ProcessOperation::Extract || op == ProcessOperation::Test;
    bool cancel = false;
    if (reports) {
        DoOnOverallProgress(0, op, ProgressPhase::Start, cancel);
        if (cancel)
            return 0;
    }
    if (op == ProcessOperation::Delete && updateCount_ == 0)
        Raise(err::UpdateNotStartedDelete);
    int done = 0;
    bool aborted = false;
    int i = index >= 0 ? index : 0;
    while (i < dir.Count() && !aborted && !cancel_) {
        if (!dir.Ref(i).selected) {
            if (index >= 0)
                break;
            ++i;
            continue;
        }
        DirItem& item = dir.Ref(i);
        item.operation = op;
        const std::string name = item.name;
        bool confirm = true;
        DoOnConfirmProcessFile(name, op, confirm);
        if (!confirm) {
            item.selected = false;
            if (index >= 0)
                break;
            ++i;
            continue;
        }
        bool removed = false;
        aborted = RetryItem(name, op, [&] {
                      if (reports) {
                          DoOnFileProgress(name, 0, op, ProgressPhase::Start, cancel);
                          if (cancel) {
                              cancel_ = true;
                              return;
                          }
                      }
                      bool ok = false;
                      switch (op) {
                      case ProcessOperation::Extract: ok = ExtractItem(i); break;
                      case ProcessOperation::Test: ok = TestItem(i); break;
                      case ProcessOperation::Delete:
                          dir.Delete(i);
                          removed = true;
                          ok = true;
                          break;
                      default: break;
                      }
                      if (cancel_)
                          return;
                      if (reports)
                          DoOnFileProgress(name, 100.0, op, ProgressPhase::End, cancel);
                      if (cancel)
                          cancel_ = true;
                      if (ok)
                          ++done;
                      ++processed_;
                  }) == ItemResult::Aborted;
        if (index >= 0)
            break;
        if (!removed)
            ++i;
    }
    if (reports) {
        DoOnOverallProgress(100.0, op, ProgressPhase::End, cancel);
    }
    if ((cancel_ || aborted) && op == ProcessOperation::Delete)
        CancelUpdate();
    return done;
}

int ZABaseArchiver::DecompressItem(int index, ZStream& dest)
{
    if (index < 0 || index >= dm_->Dir().Count())
        Raise(err::ItemIndex);
    const DirItem& item = dm_->Dir().Ref(index);
    // Every failure before the data is deciphered lies in what the headers
    // declare, never in a password.
    lastSizeWrong_ = true;
    LocalInfo info;
    if (!dm_->ReadLocalHeader(item, info))
        Raise(err::DamagedEntry);
    if (!PlausibleSizes(item) || (item.h.method == 99 && item.encryption == CryptoAlgorithm::PkzipClassic))
        Raise(err::DamagedEntry);
    std::unique_ptr<EntryCipher> cipher;
    uint64_t dataOffset = info.dataOffset;
    uint64_t dataSize = item.compSize;
    skipFlag_ = false;
    if (item.IsEncrypted()) {
        cipher = ReadCipherFor(item);
        if (!cipher)
            Raise(err::DamagedEntry);
        const size_t hs = cipher->HeaderSize();
        // Sizes that leave no room for header and trailer, or that reach past
        // the entry data, are a damaged entry before anything is deciphered.
        const uint64_t left = dm_->DirStart > dataOffset ? dm_->DirStart - dataOffset : 0;
        const auto payload = CipherDataLength(*cipher, item, left);
        if (!payload)
            Raise(err::DamagedEntry);
        std::vector<unsigned char> header(hs);
        if (!stream_->ReadAt(dataOffset, header.data(), hs))
            Raise(err::DamagedEntry);
        EntryCipherInfo ci;
        ci.crc = item.h.crc;
        ci.dosTime = item.h.time;
        ci.flags = item.h.flags;
        ci.actualMethod = item.actualMethod;
        ci.extra = &item.extra;
        int asked = 0;
        lastSizeWrong_ = false;
        while (!cipher->StartDecrypt(CipherPassword(password_), header.data(), ci)) {
            if (testFlag_ || asked >= MaxPasswordAttempts)
                Raise(err::InvalidPassword);
            ++asked;
            std::string pw;
            bool skip = false;
            DoOnPassword(item.name, pw, skip);
            if (skip) {
                skipFlag_ = true;
                return 0;
            }
            SetPassword(pw);
            cipher = ReadCipherFor(item);
        }
        dataOffset += hs;
        dataSize = *payload;
    }
    lastSizeWrong_ = false;
    DecompressJob job;
    job.archive = stream_;
    job.dataOffset = dataOffset;
    job.dataSize = dataSize;
    job.method = item.actualMethod;
    job.expectedSize = item.uncompSize;
    job.dest = &dest;
    job.cipher = cipher.get();
    job.scratch = scratch_.get();
    const std::string name = item.name;
    const uint64_t total = item.uncompSize;
    const ProcessOperation op = item.operation;
    job.progress = [&](uint64_t done) {
        bool c = false;
        DoOnFileProgress(name, total ? 100.0 * double(done) / double(total) : 0, op, ProgressPhase::Start, c);
        return !c;
    };
    const DecompressResult r = DecompressEntry(job);
    switch (r.status) {
    case DecompressResult::Status::Ok: break;
    case DecompressResult::Status::Cancelled: cancel_ = true; return -1;
    case DecompressResult::Status::WriteFailed:
        if (r.writeErrno == ENOSPC)
            throw EZAException(err::DiskFull);
        Raise(err::WriteError);
    case DecompressResult::Status::BadMethod:
        // Deflate64 is a method the engine knows and cannot read: say so,
        // rather than call the entry damaged.
        if (item.h.method == 9)
            Raise(err::Deflate64);
        [[fallthrough]];
    case DecompressResult::Status::DataError:
    case DecompressResult::Status::TooLong:
    case DecompressResult::Status::TooShort:
    case DecompressResult::Status::ReadFailed:
        // Data longer than declared, or a complete stream with the right
        // checksum that is shorter: deciphered right, declared wrong.
        lastSizeWrong_ = r.status == DecompressResult::Status::TooLong
                         || (r.status == DecompressResult::Status::TooShort && r.crc == item.h.crc);
        if (!ExtractCorruptedFiles)
            Raise(err::DamagedEntry);
        return 1;
    }
    bool intact = true;
    if (cipher) {
        std::vector<unsigned char> trailer(cipher->TrailerSize());
        if (!trailer.empty() && !stream_->ReadAt(dataOffset + dataSize, trailer.data(), trailer.size()))
            intact = false;
        else if (!cipher->CheckTrailer(trailer.data(), trailer.size()))
            intact = false;
        if (!cipher->ReplacesCrcCheck() && r.crc != item.h.crc)
            intact = false;
    } else if (r.crc != item.h.crc) {
        intact = false;
    }
    if (!intact && !ExtractCorruptedFiles)
        Raise(err::DamagedEntry);
    return 1;
}

void ZABaseArchiver::ExtractToStream(int index, ZStream& dest)
{
    CheckOpen();
    const int r = DecompressItem(index, dest);
    if (r == 0)
        Raise(err::InvalidPassword);
}

bool ZABaseArchiver::TestItem(int index)
{
    const DirItem& item = dm_->Dir().Ref(index);
    if (item.IsDirectory())
        return true;
    NullStream sink;
    return DecompressItem(index, sink) == 1;
}

int ZABaseArchiver::OpenStagedFolderChain(const std::string& target, const std::vector<std::string>& parts,
                                          size_t count, std::string& failedAt, int& error, bool& made, bool& staged)
{
    made = false;
    staged = false;
    bool baseMade = false;
    Fd cur = OpenFolderChain(target, parts, 0, Options.CreateDirs, failedAt, &error, &baseMade);
    if (!cur)
        return -1;
    made = baseMade && count == 0;
    auto fail = [&](const std::string& at) {
        error = errno;
        failedAt = at;
        return -1;
    };
    std::string path = target, rel;
    for (size_t i = 0; i < count; ++i) {
        path += "/" + parts[i];
        rel = rel.empty() ? parts[i] : rel + "/" + parts[i];
        std::string onDisk = parts[i];
        if (!staged) {
            const auto found = stagedFolderIndex_.find(path);
            if (found != stagedFolderIndex_.end()) {
                onDisk = stagedFolders_[found->second].temp;
                staged = true;
            }
        }
        int fd = ::openat(cur.get(), onDisk.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        bool createdHere = false, stagedHere = false;
        if (fd < 0 && errno == ENOENT && Options.CreateDirs) {
            if (staged) {
                NoteFsChange(FsChange::Create);
                if (::mkdirat(cur.get(), onDisk.c_str(), 0777) == 0)
                    createdHere = true;
                else if (errno != EEXIST)
                    return fail(rel);
            } else {
                if (!CreateTempFolderIn(cur.get(), WaitingNamePrefix(parts[i]), onDisk, NoteWaitingNames(parts, i)))
                    return fail(rel);
                createdHere = stagedHere = true;
            }
            fd = ::openat(cur.get(), onDisk.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (fd < 0) {
            const int e = errno;
            if (stagedHere) {
                NoteFsChange(FsChange::Remove);
                ::unlinkat(cur.get(), onDisk.c_str(), AT_REMOVEDIR);
            }
            errno = e;
            return fail(rel);
        }
        if (stagedHere) {
            struct stat st {};
            ::fstat(fd, &st);
            stagedFolderIndex_.emplace(path, stagedFolders_.size());
            stagedFolders_.push_back({target, std::vector<std::string>(parts.begin(), parts.begin() + long(i)), onDisk,
                                      parts[i], path, uint64_t(st.st_dev), uint64_t(st.st_ino)});
            staged = true;
        }
        if (i + 1 == count)
            made = createdHere;
        cur = Fd(fd);
    }
    return cur.release();
}

ZABaseArchiver::PendingFolderSlot ZABaseArchiver::PendingFolderFor(const std::string& key, const std::string& target,
                                                                   const std::vector<std::string>& parts,
                                                                   size_t folderCount, int dirFd,
                                                                   const std::string& shown)
{
    const auto found = pendingFolderIndex_.find(key);
    if (found != pendingFolderIndex_.end())
        return {found->second, pendingFolders_[found->second].madeByRun};
    struct stat fst {};
    if (::fstat(dirFd, &fst) != 0)
        Raise(err::CannotCreateFile, {shown});
    const uint64_t dev = uint64_t(fst.st_dev);
    if (std::none_of(syncFolders_.begin(), syncFolders_.end(), [&](const auto& f) { return f.first == dev; }))
        syncFolders_.emplace_back(dev, folderCacheFd_);
    const size_t index = pendingFolders_.size();
    pendingFolders_.push_back({target, std::vector<std::string>(parts.begin(), parts.begin() + long(folderCount)), dev,
                               uint64_t(fst.st_ino), folderCacheMade_});
    pendingFolderIndex_.emplace(key, index);
    return {index, folderCacheMade_};
}

// Where one entry's file goes, and the file while it is written.
struct ZABaseArchiver::OutputFile {
    std::string entry;                  // the entry's name, as the handlers see it
    uint16_t versionMadeBy = 0;
    uint32_t attributes = 0;
    std::vector<std::string> parts;     // below the target
    size_t folderCount = 0;
    bool folder = false;
    std::string target, key, leaf, shown;
    std::string path;                   // key and leaf: the name the file takes
    int64_t entryTime = 0;
    mode_t mode = 0600;
    PendingFolderSlot pending;
    bool staged = false, unchecked = false, direct = false;
    PendingOutput out;
    Fd fd;
};

bool ZABaseArchiver::MayReplace(const DirItem& item, const std::string& shown, int64_t existingTime, bool readOnly,
                                int64_t entryTime)
{
    if (!Options.ReplaceReadOnly && readOnly)
        return false;
    switch (Options.OverwriteMode_) {
    case OverwriteMode::Prompt: {
        std::string dest = shown;
        bool confirm = false;
        DoOnConfirmOverwrite(item.name, dest, confirm);
        return confirm;
    }
    case OverwriteMode::Never: return false;
    case OverwriteMode::IfNewer: return existingTime < entryTime;
    case OverwriteMode::IfOlder: return existingTime > entryTime;
    case OverwriteMode::Always: break;
    }
    return true;
}

std::function<void(const std::string&, bool)> ZABaseArchiver::NoteWaitingNames(const std::vector<std::string>& parts,
                                                                                size_t count)
{
    if (!runRecord_)
        return {};
    std::string folder;
    for (size_t k = 0; k < count; ++k)
        folder += parts[k] + "/";
    RunRecord* record = runRecord_.get();
    return [record, folder](const std::string& name, bool taken) { record->Note(folder + name, taken); };
}

bool ZABaseArchiver::PlaceEntry(int index, OutputFile& o)
{
    const DirItem& item = dm_->Dir().Ref(index);
    o.entry = item.name;
    o.versionMadeBy = item.h.versionMadeBy;
    std::string name = item.name;
    o.attributes = item.h.externalAttr;
    DoOnExtractFile(name, o.attributes, item.comment);

    if (!SplitEntryPath(name, o.parts, o.folder) || IsSpecialUnixEntry(item.h.externalAttr, item.h.versionMadeBy))
        Raise(err::CannotCreateFile, {name});   // never outside the target, never links or devices
    o.folder = o.folder || item.IsDirectory();
    if (!Options.CreateDirs) {
        if (o.folder)
            return false;
        o.parts = {o.parts.back()};
    }
    // An entry never takes a record's name: the next run into that folder
    // would remove whatever hidden names the planted record lists.
    if (std::any_of(o.parts.begin(), o.parts.end(), TakesRecordName))
        Raise(err::CannotCreateFile, {name});
    o.target = AbsoluteBase();
    o.folderCount = o.folder ? o.parts.size() : o.parts.size() - 1;
    o.key = o.target;
    for (size_t k = 0; k < o.folderCount; ++k)
        o.key += "/" + o.parts[k];
    OpenEntryFolder(o);
    if (o.folder)
        return false;
    o.leaf = o.parts.back();
    o.path = o.key + "/" + o.leaf;
    o.shown = JoinPath(o.target, name);
    o.entryTime = EntryUnixTime((uint32_t(item.h.date) << 16) | item.h.time);
    return true;
}

void ZABaseArchiver::OpenEntryFolder(const OutputFile& o)
{
    if (!o.folder && o.key == folderCacheKey_ && folderCacheFd_)
        return;
    folderCacheFd_.reset();   // one folder open at a time
    folderCacheKey_.clear();
    // A file of this run that waits for its name holds that name as surely
    // as it would on the disk: no folder goes through it.
    std::string path = o.target, rel;
    for (size_t k = 0; k < o.folderCount && !waitingFiles_.empty(); ++k) {
        path += "/" + o.parts[k];
        rel = rel.empty() ? o.parts[k] : rel + "/" + o.parts[k];
        if (waitingFiles_.count(path))
            Raise(err::CannotCreateDir, {rel});
    }
    std::string failedAt;
    int error = 0;
    bool made = false, staged = false;
    Fd opened = SyncExtractedFiles
                    ? Fd(OpenStagedFolderChain(o.target, o.parts, o.folderCount, failedAt, error, made, staged))
                    : OpenFolderChain(o.target, o.parts, o.folderCount, Options.CreateDirs, failedAt, &error, &made);
    folderCacheMade_ = made;
    folderCacheStaged_ = staged;
    if (!opened) {
        if (OutOfHandles(error))
            Raise(err::TooManyOpenFiles);
        Raise(err::CannotCreateDir, {failedAt});
    }
    folderCacheKey_ = o.key;
    folderCacheFd_ = std::shared_ptr<int>(new int(opened.release()), [](int* fd) {
        ::close(*fd);
        delete fd;
    });
}

bool ZABaseArchiver::CreateOutput(const DirItem& item, OutputFile& o)
{
    // A target that exists is replaced only by way of a temporary file beside
    // it, after the new data proved good.  Without crash safety asked for, a
    // free name is taken directly: O_EXCL never goes through a link planted
    // there nor over a file that appeared meanwhile, and a name found taken
    // goes the way of an existing target.  Either output is removed again
    // unless the entry was extracted completely.
    const int dirFd = *folderCacheFd_;
    o.out.dirFd = dirFd;
    // The file is made with the mode it is to keep: no second call sets it.
    o.mode = Options.SetAttributes ? ModeFromAttributes(o.attributes, o.versionMadeBy, false) : mode_t(0600);
    // Durably into a folder this run created: nothing there can be in the
    // way but files of this run, and the name is given only while it is free.
    if (SyncExtractedFiles)
        o.pending = PendingFolderFor(o.key, o.target, o.parts, o.folderCount, dirFd, o.shown);
    // In a staged folder the files take their names at once: the folder
    // shows none of them before the flush.
    o.staged = SyncExtractedFiles && folderCacheStaged_;
    o.unchecked = !o.staged && o.pending.made;
    const std::string prefix = WaitingNamePrefix(o.leaf);
    auto cannotCreate = [&] {
        Raise(OutOfHandles(errno) ? err::TooManyOpenFiles : err::CannotCreateFile, {o.shown});
    };
    // The name itself, while it is free; false when it is taken.
    auto takeName = [&] {
        NoteFsChange(FsChange::Create);
        o.fd = Fd(::openat(dirFd, o.leaf.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, o.mode));
        if (o.fd) {
            o.direct = true;
            o.out.name = o.leaf;
            return true;
        }
        if (errno != EEXIST)
            cannotCreate();
        return false;
    };
    auto takeWaitingName = [&](const NameNote& note) {
        o.fd = CreateTempIn(dirFd, prefix, o.out.name, o.mode, note);
        if (!o.fd)
            cannotCreate();
        return true;
    };
    // What holds the name on the disk: never a folder, a file only as the
    // overwrite mode lets it go.
    auto mayReplaceOnDisk = [&](const struct stat& st) {
        if (S_ISDIR(st.st_mode))
            Raise(err::CannotCreateFile, {o.shown});
        const bool readOnly = S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
        return MayReplace(item, o.shown, int64_t(st.st_mtime), readOnly, o.entryTime);
    };
    if (o.staged) {
        if (takeName())
            return true;
        // A name taken there belongs to an earlier entry of this run.
        struct stat st {};
        if (::fstatat(dirFd, o.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !mayReplaceOnDisk(st))
            return false;
        return takeWaitingName({});
    }
    const NameNote note = NoteWaitingNames(o.parts, o.folderCount);
    if (SyncExtractedFiles) {
        // What waits for its name in this folder holds it as surely as it
        // would on the disk: a folder of the run, or an earlier entry's file.
        if (stagedFolderIndex_.count(o.path))
            Raise(err::CannotCreateFile, {o.shown});
        const auto earlier = waitingFiles_.find(o.path);
        if (earlier != waitingFiles_.end()
            && !MayReplace(item, o.shown, earlier->second.time, earlier->second.readOnly, o.entryTime))
            return false;
        if (earlier != waitingFiles_.end() || o.unchecked)
            return takeWaitingName(note);
    }
    for (int look = 0; look < 2; ++look) {
        if (!SyncExtractedFiles && takeName())
            return true;
        struct stat st {};
        if (::fstatat(dirFd, o.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                Raise(err::CannotCreateFile, {o.shown});
            if (!SyncExtractedFiles)
                continue;   // gone again since the name was taken: another try
        } else if (!mayReplaceOnDisk(st)) {
            return false;
        }
        return takeWaitingName(note);
    }
    Raise(err::CannotCreateFile, {o.shown});
}

bool ZABaseArchiver::WriteOutput(int index, OutputFile& o)
{
    o.out.active = true;
    int result;
    {
        FileStream fs(o.fd.release(), o.out.name, 0);
        result = DecompressItem(index, fs);
        if (result == 1) {
            if (!fs.FlushBuffer())
                Raise(fs.LastError() == ENOSPC ? err::DiskFull : err::WriteError);
            struct timespec times[2];
            times[0].tv_sec = times[1].tv_sec = time_t(o.entryTime);
            times[0].tv_nsec = times[1].tv_nsec = 0;
            ::futimens(fs.Descriptor(), times);
        }
    }
    if (result != 1)
        return false;   // skipped or cancelled: the partial output goes
    if (SyncExtractedFiles && !o.staged) {
        deferredRenames_.push_back({o.pending.index, o.out.name, o.leaf, o.shown, o.entry, o.unchecked});
        waitingFiles_[o.path] = {o.entryTime, !(o.mode & S_IWUSR)};
        o.out.active = false;
        return true;
    }
    if (!o.direct) {
        NoteFsChange(FsChange::Rename);
        if (::renameat(o.out.dirFd, o.out.name.c_str(), o.out.dirFd, o.leaf.c_str()) != 0)
            Raise(err::CannotCreateFile, {o.shown});
    }
    o.out.active = false;
    return true;
}

bool ZABaseArchiver::ExtractItem(int index)
{
    OutputFile o;
    if (!PlaceEntry(index, o))
        return false;   // a folder: made, no file
    if (!CreateOutput(dm_->Dir().Ref(index), o))
        return false;   // the file there stays
    return WriteOutput(index, o);
}

bool ZABaseArchiver::TestFilePassword(const std::string& fileName, const std::string& password)
{
    CheckOpen();
    ZASearchRec rec;
    if (!FindFirstItem(fileName, rec, attr::DefaultSearch, {}))
        Raise(err::EntryNotFound, {fileName});
    const DirItem& item = dm_->Dir().Ref(rec.index);
    if (!item.IsEncrypted())
        return true;
    LocalInfo info;
    if (!dm_->ReadLocalHeader(item, info))
        return false;
    // For AES entries this is the method of the 0x9901 field, not the 99 of
    // the headers.
    if (item.actualMethod != 0 && item.actualMethod != 8)
        return false;
    auto cipher = ReadCipherFor(item);
    const uint64_t left = dm_->DirStart > info.dataOffset ? dm_->DirStart - info.dataOffset : 0;
    if (!cipher || !CipherDataLength(*cipher, item, left))
        return false;
    std::vector<unsigned char> header(cipher->HeaderSize());
    if (!stream_->ReadAt(info.dataOffset, header.data(), header.size()))
        return false;
    EntryCipherInfo ci;
    ci.crc = item.h.crc;
    ci.dosTime = item.h.time;
    ci.flags = item.h.flags;
    ci.actualMethod = item.actualMethod;
    ci.extra = &item.extra;
    if (!cipher->StartDecrypt(CipherPassword(password), header.data(), ci))
        return false;
    // The quick check lets about one wrong password in 256 through: the data decides.
    const std::string saved = password_;
    testFlag_ = true;
    bool ok = false;
    try {
        password_ = password;
        NullStream sink;
        ok = DecompressItem(rec.index, sink) == 1;
    } catch (...) {
        ok = false;
    }
    testFlag_ = false;
    password_ = saved;
    return ok;
}

} // namespace hsa::zip
