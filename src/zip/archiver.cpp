#include "zip/archiver.h"

#include "zip/codepage.h"
#include "zip/compression.h"
#include "zip/runrecord.h"
#include "zip/safefs.h"
#include "zip/tailbackup.h"
#include "zip/volumemedia.h"
#include "zip/volumestream.h"
#include "zip/wildcard.h"
#include "zip/zipstream.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace hsa::zip {

namespace {

ZipDialogs* gDefaultDialogs = nullptr;

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

void SetDefaultZipDialogs(ZipDialogs* dialogs) { gDefaultDialogs = dialogs; }
ZipDialogs* DefaultZipDialogs() { return gDefaultDialogs; }

std::recursive_mutex& ArchiveLock()
{
    static std::recursive_mutex lock;
    return lock;
}

// ---------------------------------------------------------------- life

ZABaseArchiver::ZABaseArchiver()
{
    Zip64Mode = 1;
    ChooseCompressionMethod();
}

ZABaseArchiver::~ZABaseArchiver()
{
    try {
        CloseArchive();
    } catch (...) {
    }
}

ZipArchiver::ZipArchiver()
{
    standardZipFormat_ = true;
    Zip64Mode = 0;
    ChooseCompressionMethod();
}

void ZipArchiver::SetPassword(const std::string& password)
{
    ZABaseArchiver::SetPassword(password);
}

void ZipArchiver::ChooseCompressionMethod()
{
    compressionMethod_ = GetCompressionMode() != 0 ? 8 : 0;
}

void ZABaseArchiver::ChooseCompressionMethod()
{
    compressionMethod_ = -1;
}

void ZABaseArchiver::Raise(int code, const std::vector<std::string>& args) const
{
    throw EZAException(code, args, Name);
}

ZipDialogs* ZABaseArchiver::TheDialogs() const
{
    return Dialogs ? Dialogs : gDefaultDialogs;
}

// ---------------------------------------------------------------- properties

void ZABaseArchiver::SetCompressionLevel(CompressionLevel level)
{
    compressionLevel_ = level;
    compressionMode_ = LevelToMode(level);
    ChooseCompressionMethod();
}

void ZABaseArchiver::SetCompressionMode(int mode)
{
    if (mode < 0 || mode >= 10)
        Raise(err::BadCompressionMode);
    compressionMode_ = uint8_t(mode);
    compressionLevel_ = ModeToLevel(mode);
    ChooseCompressionMethod();
}

void ZABaseArchiver::SetPassword(const std::string& password)
{
    password_ = password;
}

void ZABaseArchiver::SetSpanningMode(SpanningMode mode)
{
    if (active_)
        throw std::runtime_error("Cannot set spanning mode on open archive");
    spanningMode_ = mode;
}

void ZABaseArchiver::SetInMemory(bool value)
{
    if (value == inMemory_)
        return;
    if (!active_) {
        inMemory_ = value;
        return;
    }
    if (!value) {
        if (BareName(fileName_).empty())
            Raise(err::BlankFileNameMemory);
        // Write what is in memory to the file, then reopen from the file.
        CommitUpdate();
        auto* mem = dynamic_cast<MemoryStream*>(stream_);
        if (mem && stream_->Size() == dm_->DirStart)
            dm_->WriteDirectory(dm_->DirStart);
        std::vector<unsigned char> data = mem ? mem->Data() : std::vector<unsigned char>{};
        {
            std::string tmp;
            Fd fd = CreateTempFile(ParentFolder(MakeAbsolute(fileName_)), BareName(fileName_) + ".", tmp);
            if (!fd)
                Raise(err::CannotCreateOutput, {fileName_});
            FileStream fs(fd.release(), tmp);
            if (fs.Write(data.data(), data.size()) != data.size() || !fs.Flush()) {
                ::unlink(tmp.c_str());
                Raise(err::WriteError);
            }
            NoteFsChange(FsChange::Rename);
            if (::rename(tmp.c_str(), fileName_.c_str()) != 0) {
                ::unlink(tmp.c_str());
                Raise(err::CannotCreateOutput, {fileName_});
            }
        }
        ReleaseArchive();
        inMemory_ = false;
        OpenArchive(openmode::ReadWrite);
    } else {
        ReleaseArchive();
        inMemory_ = true;
        OpenArchive(openmode::Create);
    }
}

// ---------------------------------------------------------------- paths

std::string ZABaseArchiver::AbsoluteBase()
{
    if (currentBaseDir_.empty()) {
        char buf[4096];
        if (::getcwd(buf, sizeof buf))
            currentBaseDir_ = buf;
        else
            currentBaseDir_ = "/";
    }
    std::string b = baseDir_;
    for (auto& c : b)
        if (c == '\\')
            c = '/';
    return b.empty() ? currentBaseDir_ : NormalizePath(b, currentBaseDir_);
}

std::string ZABaseArchiver::MakeAbsolute(const std::string& path)
{
    if (currentBaseDir_.empty())
        AbsoluteBase();
    return NormalizePath(path, currentBaseDir_);
}

// ---------------------------------------------------------------- open and close

void ZABaseArchiver::CheckOpen() const
{
    if (!active_)
        Raise(err::NotOpen);
}

void ZABaseArchiver::OpenArchive()
{
    committed_ = false;
    if (!inMemory_ && BareName(fileName_).empty())
        Raise(err::BlankFileNameAuto);
    uint16_t mode = openmode::Create;
    if (inMemory_) {
        mode = openmode::Create;
    } else if (FileExists(fileName_)) {
        const int fd = ::open(fileName_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            mode = openmode::ReadWrite;
        } else {
            mode = openmode::ReadOnly;
        }
    }
    OpenArchive(mode);
}

void ZABaseArchiver::OpenArchive(uint16_t mode)
{
    committed_ = false;
    if (!inMemory_ && BareName(fileName_).empty())
        Raise(err::BlankFileNameMode);
    if (!inMemory_ && mode != openmode::Create && !FileExists(fileName_) && spanningMode_ != SpanningMode::Spanning
        && !TheMedia().IsRemovable(MakeAbsolute(fileName_)))
        Raise(err::ArchiveNotFound, {fileName_});
    if (inMemory_ && mode != openmode::Create)
        Raise(err::InMemoryCreateOnly);
    CloseArchive();
    externalStream_ = false;
    openMode_ = mode;
    OpenInternal(mode);
    active_ = true;
    if (AfterOpen)
        AfterOpen(*this);
}

void ZABaseArchiver::OpenArchive(ZStream* external, bool readOnly)
{
    committed_ = false;
    CloseArchive();
    externalStream_ = true;
    openMode_ = readOnly ? openmode::ReadOnly : openmode::ReadWrite;
    stream_ = external;
    DirSettings ds;
    ds.oemNames = Options.OEMFileNames;
    ds.repairDamaged = RepairDamagedDirectory;
    dm_ = std::make_unique<DirManager>(stream_, ds);
    try {
        if (external->Size() == 0 && !readOnly) {
            dm_->DirStart = 0;
        } else {
            dm_->ReadDirectory();
            if (!dm_->EndFound && !RepairDamagedDirectory)
                Raise(err::Damaged);
        }
    } catch (...) {
        dm_.reset();
        stream_ = nullptr;
        externalStream_ = false;
        throw;
    }
    active_ = true;
    if (AfterOpen)
        AfterOpen(*this);
}

void ZABaseArchiver::OpenInternal(uint16_t mode)
{
    if (mode == openmode::Create && !inMemory_ && spanningMode_ != SpanningMode::None) {
        try {
            CreateVolumes();
        } catch (...) {
            ReleaseArchive();
            throw;
        }
        return;
    }
    spanningMode_ = SpanningMode::None;
    DirSettings ds;
    ds.oemNames = Options.OEMFileNames;
    ds.repairDamaged = RepairDamagedDirectory;
    if (inMemory_) {
        ownedStream_ = std::make_unique<MemoryStream>();
        stream_ = ownedStream_.get();
        dm_ = std::make_unique<DirManager>(stream_, ds);
        dm_->DirStart = 0;
        return;
    }
    if (mode == openmode::Create) {
        // A new archive is written beside its final name and takes that name
        // only when its first directory is complete: an older file of the same
        // name stays intact until then.
        const std::string abs = MakeAbsolute(fileName_);
        std::string tmp;
        Fd fd = CreateTempFile(ParentFolder(abs), "." + BareName(abs) + ".", tmp);
        if (!fd)
            Raise(err::CannotCreateOutput, {fileName_});
        ::fchmod(fd.get(), 0644 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }());
        ownedStream_ = std::make_unique<FileStream>(fd.release(), tmp);
        stream_ = ownedStream_.get();
        pendingCreatePath_ = tmp;
        dm_ = std::make_unique<DirManager>(stream_, ds);
        if (!SFXStub.empty()) {
            try {
                FileStream stub(SFXStub, FileStream::Mode::Read);
                std::vector<unsigned char> buf(1 << 20);
                size_t n;
                while ((n = stub.Read(buf.data(), buf.size())) > 0)
                    if (stream_->Write(buf.data(), n) != n)
                        Raise(err::WriteError);
            } catch (const std::system_error&) {
                ReleaseArchive();
                Raise(err::CannotOpenFile, {SFXStub});
            }
        }
        dm_->BaseOffset = dm_->DirStart = stream_->Size();
        return;
    }
    try {
        OpenExisting();
    } catch (const EZAException& e) {
        ReleaseArchive();
        // The directory's errors are re-raised with the component's name in
        // front; the archiver's own carry it already.
        if (Name.empty() || std::string(e.what()).rfind(Name + ": ", 0) == 0)
            throw;
        throw EZAException(e.NativeError(), std::vector<std::string>{}, Name);
    }
}

void ZABaseArchiver::ReleaseArchive()
{
    if (!pendingCreatePath_.empty()) {
        NoteFsChange(FsChange::Remove);
        ::unlink(pendingCreatePath_.c_str());
        pendingCreatePath_.clear();
    }
    backup_.reset();
    if (creatingVolumes_)
        DiscardVolumes();
    dm_.reset();
    if (!externalStream_)
        ownedStream_.reset();
    ownedStream_.reset();
    stream_ = nullptr;
    volumeSet_.reset();
    volume_.reset();
    volumeName_.clear();
    volumesFinished_ = false;
    externalStream_ = false;
    active_ = false;
    updateCount_ = 0;
}

void ZABaseArchiver::FinishPendingCreate()
{
    if (pendingCreatePath_.empty())
        return;
    // The new archive takes its name only when complete; on the disk before
    // that only where the caller asked for flushing.
    auto* fs = dynamic_cast<FileStream*>(stream_);
    if (!(Options.FlushBuffers ? fs->Flush() : fs->FlushBuffer()))
        Raise(fs->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    const std::string target = MakeAbsolute(fileName_);
    NoteFsChange(FsChange::Rename);
    if (::rename(pendingCreatePath_.c_str(), target.c_str()) != 0)
        Raise(err::CannotCreateOutput, {fileName_});
    fs->SetPath(target);
    pendingCreatePath_.clear();
    if (Options.FlushBuffers)
        FsyncFolder(ParentFolder(target));
}

void ZABaseArchiver::CloseArchive()
{
    if (active_) {
        try {
            if (updateCount_ > 0)
                CommitUpdate();
            if (creatingVolumes_) {
                // A new set gets its directory and its last volume's name.
                updateCount_ = 1;
                CommitUpdate();
            }
            // A new archive gets its (possibly empty) directory; an opened one is
            // never rewritten merely because it was opened.
            if (stream_ && dm_ && openMode_ == openmode::Create && !externalStream_ && !volumeSet_
                && stream_->Size() == dm_->DirStart) {
                dm_->WriteDirectory(dm_->DirStart);
                if (Options.FlushBuffers)
                    stream_->Flush();
                FinishPendingCreate();
            }
        } catch (...) {
            // Closing never raises; an archive that could not be finished
            // keeps its last committed state.
        }
    }
    ReleaseArchive();
}

void ZABaseArchiver::SetActive(bool value)
{
    if (value == active_)
        return;
    if (value)
        OpenArchive();
    else
        CloseArchive();
}

// ---------------------------------------------------------------- directory access

int ZABaseArchiver::FileCount() const
{
    return dm_ ? dm_->Dir().Count() : 0;
}

const DirItem& ZABaseArchiver::Entry(int index) const
{
    if (!dm_)
        Raise(err::NotOpen);
    return dm_->Dir().Ref(index);
}

int ZABaseArchiver::FindEntry(const std::string& name)
{
    if (!dm_)
        return -1;
    return dm_->Dir().Find(name);
}

std::string ZABaseArchiver::ArchiveComment() const
{
    return dm_ ? dm_->Comment : std::string();
}

uint64_t ZABaseArchiver::DirectoryStart() const { return dm_ ? dm_->DirStart : 0; }
uint64_t ZABaseArchiver::BaseOffset() const { return dm_ ? dm_->BaseOffset : 0; }
bool ZABaseArchiver::DirectoryRebuilt() const { return dm_ && dm_->Rebuilt; }

bool ZABaseArchiver::FindFirstItem(const std::string& fileMask, ZASearchRec& rec, uint32_t searchAttr,
                                   const std::string& exclusionMask)
{
    std::string m = fileMask;
    for (auto& c : m)
        if (c == '\\')
            c = '/';
    if (Options.StorePath != StorePathMode::FullPathWithDrive && m.size() >= 2 && m[1] == ':')
        m = m.substr(2);
    if (m.size() > 4096)
        m.resize(4096);
    rec = ZASearchRec();
    rec.mask = m;
    rec.wildcards = m.find_first_of("*?") != std::string::npos;
    rec.exclusionMask = exclusionMask;
    rec.searchAttr = searchAttr;
    rec.index = -1;
    return FindNextItem(rec);
}

bool ZABaseArchiver::MatchesItem(const DirItem& item, const ZASearchRec& rec) const
{
    std::string name = item.name;
    if (!name.empty() && (name.back() == '/' || name.back() == '\\'))
        name.pop_back();
    const std::string bare = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    auto matches = [&](const std::string& mask) {
        std::string m = mask == "*.*" ? "*" : mask;
        if (!m.empty() && m.back() == '.' && m != ".") {
            m.pop_back();
            auto noExt = [](const std::string& n) { return n.find('.') == std::string::npos; };
            return (MatchesWildcard(name, m, true) && noExt(name)) || (MatchesWildcard(bare, m, true) && noExt(bare));
        }
        return MatchesWildcard(name, m, true) || MatchesWildcard(bare, m, true);
    };
    if (!matches(rec.mask))
        return false;
    if (!rec.exclusionMask.empty() && matches(rec.exclusionMask))
        return false;
    const uint32_t missing = 0x1E & ~rec.searchAttr;
    return (item.h.externalAttr & 0xFF & missing) == 0;
}

bool ZABaseArchiver::FindNextItem(ZASearchRec& rec)
{
    if (!dm_)
        return false;
    const auto& items = dm_->Dir().Items();
    for (int i = rec.index + 1; i < int(items.size()); ++i) {
        if (MatchesItem(items[size_t(i)], rec)) {
            const DirItem& it = items[size_t(i)];
            rec.index = i;
            rec.name = it.name;
            rec.attributes = it.h.externalAttr;
            rec.size = it.uncompSize;
            rec.compressedSize = it.compSize;
            return true;
        }
    }
    rec.index = int(items.size());
    return false;
}

// ---------------------------------------------------------------- events

void ZABaseArchiver::DoOnOverallProgress(double progress, ProcessOperation op, ProgressPhase phase, bool& cancel)
{
    cancel = false;
    if (OnOverallProgress)
        OnOverallProgress(*this, progress, op, phase, cancel);
}

void ZABaseArchiver::DoOnFileProgress(const std::string& fileName, double progress, ProcessOperation op,
                                      ProgressPhase phase, bool& cancel)
{
    cancel = false;
    if (OnFileProgress)
        OnFileProgress(*this, fileName, progress, op, phase, cancel);
}

void ZABaseArchiver::DoOnCopyTempFileProgress(double progress, ProgressPhase phase, bool& cancel)
{
    cancel = false;
    if (OnCopyTempFileProgress)
        OnCopyTempFileProgress(*this, progress, phase, cancel);
}

void ZABaseArchiver::DoOnConfirmOverwrite(const std::string& sourceFileName, std::string& destFileName, bool& confirm)
{
    if (OnConfirmOverwrite) {
        OnConfirmOverwrite(*this, sourceFileName, destFileName, confirm);
        return;
    }
    ZipDialogs* d = TheDialogs();
    if (!d) {
        confirm = false;
        return;
    }
    const std::string text = FormatZipMessage("Overwrite file \"%s\" with \"%s\"", {destFileName, sourceFileName});
    switch (d->AskOverwrite(text)) {
    case ZipDialogs::OverwriteAnswer::Yes: confirm = true; break;
    case ZipDialogs::OverwriteAnswer::No: confirm = false; break;
    case ZipDialogs::OverwriteAnswer::NoToAll:
        confirm = false;
        Options.OverwriteMode_ = OverwriteMode::Never;
        break;
    case ZipDialogs::OverwriteAnswer::YesToAll:
        confirm = true;
        Options.OverwriteMode_ = OverwriteMode::Always;
        break;
    }
}

void ZABaseArchiver::DoOnConfirmProcessFile(const std::string& fileName, ProcessOperation op, bool& confirm)
{
    confirm = true;
    if (OnConfirmProcessFile)
        OnConfirmProcessFile(*this, fileName, op, confirm);
}

void ZABaseArchiver::DoOnPassword(const std::string& fileName, std::string& newPassword, bool& skipFile)
{
    if (OnPassword) {
        OnPassword(*this, fileName, newPassword, skipFile);
        return;
    }
    ZipDialogs* d = TheDialogs();
    if (!d) {
        skipFile = true;
        return;
    }
    const auto answer = d->AskPassword(FormatZipMessage("Password for \"%s\"", {fileName}), "Enter password: ");
    if (answer) {
        skipFile = false;
        newPassword = answer->substr(0, 255);
    } else {
        skipFile = true;
    }
}

void ZABaseArchiver::DoOnProcessFileFailure(const std::string& fileName, ProcessOperation op, int nativeError,
                                            int errorCode, const std::string& errorMessage, ZAAction& action)
{
    action = ZAAction::Skip;
    if (OnProcessFileFailure) {
        OnProcessFileFailure(*this, fileName, op, nativeError, errorCode, errorMessage, action);
        return;
    }
    if (nativeError == err::OpenCancelled) {
        action = ZAAction::Abort;
        return;
    }
    ZipDialogs* d = TheDialogs();
    if (!d) {
        // Nobody to ask: stop rather than leave a half-done run behind.
        action = ZAAction::Abort;
        return;
    }
    ZipDialogs::FailureAnswer a;
    if (nativeError == err::NameTooLong)
        a = d->AskFailure(errorMessage, false);
    else
        a = d->AskFailure(FormatZipMessage("%s. File processing error, possibly disk is full", {errorMessage}), true);
    action = a == ZipDialogs::FailureAnswer::Retry ? ZAAction::Retry
           : a == ZipDialogs::FailureAnswer::Ignore ? ZAAction::Skip
                                                     : ZAAction::Abort;
}

void ZABaseArchiver::DoOnDiskFull(int volumeNumber, const std::string& volumeFileName, bool& cancel)
{
    if (OnDiskFull) {
        OnDiskFull(*this, volumeNumber, volumeFileName, cancel);
        return;
    }
    // Outside spanning mode a full disk is an error (raised without a name).
    throw EZAException(err::DiskFull);
}

void ZABaseArchiver::DoOnInternalEvent(uint8_t kind, int64_t a, int64_t b, int64_t c)
{
    if (OnInternalEvent)
        OnInternalEvent(*this, kind, a, b, c);
}

void ZABaseArchiver::DoOnStoreFile(std::string& fileName, uint32_t& fileAttr, std::string& comment,
                                   const std::string& originalFileName)
{
    if (OnStoreFile)
        OnStoreFile(*this, fileName, fileAttr, comment, originalFileName);
    for (auto& c : fileName)
        if (c == '\\')
            c = '/';
}

void ZABaseArchiver::DoOnExtractFile(std::string& fileName, uint32_t& fileAttr, const std::string& comment)
{
    if (OnExtractFile)
        OnExtractFile(*this, fileName, fileAttr, comment);
}

void ZABaseArchiver::HandleItemFailure(const std::string& name, ProcessOperation op, const EZAException& e,
                                       ZAAction& action)
{
    lastFailures_.push_back(e.what());
    DoOnProcessFileFailure(name, op, e.NativeError(), e.ErrorCode(), e.what(), action);
}

std::string ZABaseArchiver::CipherPassword(const std::string& password) const
{
    // Bytes that are no UTF-8 are taken as Windows-1252 already.
    if (!IsValidUtf8(password))
        return password;
    return Utf8ToCp1252Lossy(password);
}

} // namespace hsa::zip
