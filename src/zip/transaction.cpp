// Update transactions: changes collect in the working directory and are
// written in one commit that rewrites the archive from the first changed
// entry on.
#include "zip/archiver.h"

#include "zip/codepage.h"
#include "zip/compression.h"
#include "zip/entrycipher.h"
#include "zip/safefs.h"
#include "zip/tailbackup.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace hsa::zip {

namespace {

// Where an entry is compressed before it goes to the volumes: memory for
// small entries, an unnamed temporary file for large ones.
std::unique_ptr<ZStream> MakeEntryScratch(uint64_t sizeHint, const std::string& folder)
{
    if (sizeHint < (16u << 20))
        return std::make_unique<MemoryStream>();
    std::string tmp;
    Fd fd = CreateTempFile(folder, "FC", tmp);
    if (!fd)
        throw EZAException(err::CannotCreateOutput, std::vector<std::string>{folder});
    ::unlink(tmp.c_str());
    return std::make_unique<FileStream>(fd.release(), tmp);
}

} // namespace

void ZABaseArchiver::BeginUpdate()
{
    if (spanningMode_ != SpanningMode::None && committed_)
        throw EZAException(err::MultiTransaction);
    // The volumes of an opened split or spanned archive are only read.
    if (active_ && spanningMode_ != SpanningMode::None && !creatingVolumes_)
        throw EZAException(err::MultiTransaction);
    if (updateCount_ == 0) {
        if (!active_)
            SetActive(true);
        if ((openMode_ == openmode::ReadOnlyCompat || openMode_ == openmode::ReadOnly))
            Raise(err::ReadOnly);
        auto& work = dm_->Dir();
        for (int i = 0; i < work.Count(); ++i) {
            DirItem& it = work.Ref(i);
            it.changed = false;
            it.savedIndex = i;
        }
        dm_->Saved().Assign(work);
    }
    ++updateCount_;
}

void ZABaseArchiver::EndUpdate()
{
    if (updateCount_ == 0)
        return;
    if (updateCount_ >= 2) {
        --updateCount_;
        return;
    }
    committed_ = true;
    CommitUpdate();
}

void ZABaseArchiver::CancelUpdate()
{
    if (updateCount_ > 0) {
        updateCount_ = 0;
        // Every change collected since BeginUpdate is dropped.
        if (dm_)
            dm_->Dir().Assign(dm_->Saved());
    }
}

int ZABaseArchiver::CommitUpdate()
{
    if (updateCount_ < 1)
        return 0;
    if (creatingVolumes_)
        return CommitVolumes();
    updateCount_ = 0;
    processed_ = total_ = 0;
    bytesDone_ = bytesTotal_ = 0;
    cancel_ = false;
    auto& work = dm_->Dir();
    auto& saved = dm_->Saved();

    const ProcessOperation firstOp = CountChangedItems();
    int first = FirstChangedIndex();
    if (first == work.Count() && work.Count() == saved.Count() && !dm_->Rebuilt) {
        return 0;   // nothing to write
    }
    bool cancel = false;
    DoOnOverallProgress(0, firstOp, ProgressPhase::Start, cancel);
    if (cancel) {
        work.Assign(saved);
        return 0;
    }
    const bool inside = first < saved.Count();
    first = FindRewriteStart(first);
    const bool newTail = SaveArchiveTail(inside);

    // A new tail is written into the journal: entries and directory go there
    // at the positions they get in the archive, which stays untouched.
    ZStream* const archive = stream_;
    auto writeToArchive = [&] {
        stream_ = archive;
        dm_->SetStream(archive);
    };
    if (newTail) {
        stream_ = &backup_->NewTailStream();
        dm_->SetStream(stream_);
    }
    bool final = false;
    int written = 0;
    try {
        bool aborted = false;
        written = WriteItemsFrom(first, aborted);
        if (cancel_ || aborted) {
            writeToArchive();
            RollbackUpdate();
            return 0;
        }
        dm_->WriteDirectory(stream_->Position());
        writeToArchive();
        PutNewArchiveInPlace(newTail);
        // From here on the new archive stands: nothing rolls back.
        final = true;
        dm_->Rebuilt = false;
        backup_.reset();
        DeleteMovedSources();
        bool late = false;
        DoOnOverallProgress(100.0, firstOp, ProgressPhase::End, late);
    } catch (...) {
        writeToArchive();
        if (!final && backup_ && backup_->Sealed()) {
            // The archive may be half rewritten: it is closed, and its next
            // open finishes the commit from the journal.
            backup_->Keep();
            ReleaseArchive();
            throw;
        }
        if (!final)
            RollbackUpdate();
        backup_.reset();
        throw;
    }
    for (auto& it : work.Items()) {
        it.changed = false;
        it.isNew = false;
        it.source.reset();
    }
    return written;
}

ProcessOperation ZABaseArchiver::CountChangedItems()
{
    ProcessOperation firstOp = ProcessOperation::Delete;
    bool anyChanged = false;
    for (const auto& it : dm_->Dir().Items()) {
        if (!it.changed)
            continue;
        bytesTotal_ += it.uncompSize;
        ++total_;
        if (!anyChanged)
            firstOp = it.operation;
        anyChanged = true;
    }
    return firstOp;
}

int ZABaseArchiver::FirstChangedIndex() const
{
    const auto& work = dm_->Dir();
    const int shorter = std::min(work.Count(), dm_->Saved().Count());
    for (int i = 0; i < shorter; ++i) {
        const DirItem& w = work.Items()[size_t(i)];
        if (w.changed || w.savedIndex != i)
            return i;
    }
    return shorter;
}

int ZABaseArchiver::FindRewriteStart(int first)
{
    const auto& saved = dm_->Saved();
    writePos_ = dm_->DirStart;
    if (first >= saved.Count())
        return first;
    // Entries need not lie in the order of the directory: the rewrite
    // starts at the lowest entry from `first` on, and when an earlier
    // entry lies behind that point everything is rewritten.
    auto lowestFrom = [&](int from) {
        uint64_t low = dm_->DirStart;
        for (int k = from; k < saved.Count(); ++k)
            low = std::min(low, saved.Items()[size_t(k)].localOffset);
        return low;
    };
    writePos_ = lowestFrom(first);
    for (int k = 0; k < first; ++k) {
        if (saved.Items()[size_t(k)].localOffset >= writePos_) {
            writePos_ = lowestFrom(0);
            return 0;
        }
    }
    return first;
}

bool ZABaseArchiver::SaveArchiveTail(bool inside)
{
    auto* archiveFile = dynamic_cast<FileStream*>(stream_);
    std::string tempFolder = TempDir;
    if (tempFolder.empty()) {
        // Beside the archive, so the copy stays on the same disk.
        tempFolder = archiveFile && !archiveFile->Path().empty() ? ParentFolder(MakeAbsolute(archiveFile->Path()))
                                                                 : std::string(P_tmpdir);
    }
    // An archive file of the archiver's own is changed through a journal the
    // next open finds; a new archive still under its temporary name needs
    // none (the old file of its name stays until it is complete).
    const bool journaled = archiveFile && !externalStream_ && pendingCreatePath_.empty()
        && !archiveFile->Path().empty();
    const std::string journal = journaled
        ? JoinPath(tempFolder,
                   TailJournalName(archiveFile->Path(), tempFolder == ParentFolder(MakeAbsolute(archiveFile->Path()))))
        : std::string();
    const bool newTail = journaled && inside;
    try {
        if (newTail) {
            backup_ = std::make_unique<TailBackup>(*archiveFile, writePos_, journal, Options.FlushBuffers);
        } else {
            backup_ = std::make_unique<TailBackup>(*stream_, writePos_, tempFolder, journal, inside,
                                                   Options.FlushBuffers, [this](double p) {
                                                       bool c = false;
                                                       DoOnCopyTempFileProgress(p, ProgressPhase::Start, c);
                                                       return !c;
                                                   });
        }
    } catch (...) {
        // Nothing on disk has changed yet: the directory in memory must not
        // keep the entries that were never written, or the next commit of
        // this archiver would put them into the archive's directory.
        backup_.reset();
        dm_->Dir().Assign(dm_->Saved());
        throw;
    }
    return newTail;
}

int ZABaseArchiver::WriteItemsFrom(int first, bool& aborted)
{
    auto& work = dm_->Dir();
    const auto& saved = dm_->Saved();
    int written = 0;
    // A journal is new and empty: cutting it to nothing would make the file
    // system write it out when it is closed, as it does for a file rewritten
    // from scratch, and removing it would then wait for the disk.
    if (stream_->Size() != writePos_ && !stream_->Truncate(writePos_))
        Raise(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    stream_->SetPosition(writePos_);
    pendingCopy_ = {};
    int i = first;
    while (i < work.Count() && !cancel_ && !aborted) {
        DirItem& item = work.Ref(i);
        const bool copyOnly = !item.changed || item.operation == ProcessOperation::Rename
            || item.operation == ProcessOperation::SetAttributes || item.operation == ProcessOperation::SetComment;
        if (copyOnly) {
            CopyEntry(item);
            ++i;
            continue;
        }
        FlushPendingCopy();
        bool ok = false;
        uint64_t at = 0;
        const ItemResult result = RetryItem(
            item.sourcePath.empty() ? item.name : item.sourcePath, item.operation,
            [&] {
                at = stream_->Position();
                ok = WriteAddedEntry(item);
            },
            [&](const EZAException& e) {
                // What the attempt wrote is cut off; a full disk ends the commit.
                stream_->Truncate(at);
                stream_->SetPosition(at);
                return e.NativeError() != err::DiskFull;
            });
        aborted = result == ItemResult::Aborted;
        if (aborted || cancel_)
            break;
        if (ok) {
            ++processed_;
            ++written;
            ++i;
            continue;
        }
        // Failed or skipped: a new entry is left out, a replaced one keeps its old data.
        if (item.savedIndex < 0) {
            work.Delete(i);
        } else {
            work.Put(i, saved.Items()[size_t(item.savedIndex)]);
            work.Ref(i).changed = false;
            work.Ref(i).savedIndex = item.savedIndex;
            CopyEntry(work.Ref(i));
            ++i;
        }
    }
    if (!cancel_ && !aborted)
        FlushPendingCopy();
    return written;
}

void ZABaseArchiver::PutNewArchiveInPlace(bool newTail)
{
    if (newTail) {
        backup_->Seal();
        // From here on the journal finishes the commit, at the next open if
        // not now.
        backup_->Apply();
    } else if (Options.FlushBuffers) {
        if (!stream_->Flush())
            Raise(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    }
    FinishPendingCreate();
}

void ZABaseArchiver::RecoverCutOffCommit(const std::string& archive)
{
    std::vector<std::string> folders{ParentFolder(archive)};
    if (!TempDir.empty() && MakeAbsolute(TempDir) != folders[0])
        folders.push_back(MakeAbsolute(TempDir));
    for (const JournalRecovery& r : RecoverTailJournals(archive, folders, Options.FlushBuffers)) {
        uint8_t kind = 0;
        switch (r.outcome) {
        case JournalRecovery::Outcome::None: continue;
        case JournalRecovery::Outcome::Undone: kind = internalevent::CommitUndone; break;
        case JournalRecovery::Outcome::Finished: kind = internalevent::CommitFinished; break;
        case JournalRecovery::Outcome::Discarded: kind = internalevent::CommitLeftoverRemoved; break;
        case JournalRecovery::Outcome::SetAside:
        case JournalRecovery::Outcome::Failed: kind = internalevent::CommitNotRecovered; break;
        }
        DoOnInternalEvent(kind, int64_t(r.start), int64_t(r.length), 0);
    }
}

void ZABaseArchiver::RollbackUpdate()
{
    dm_->Dir().Assign(dm_->Saved());
    if (stream_ && backup_ && backup_->GetKind() == TailBackup::Kind::OldTail) {
        backup_->Restore(*stream_);
        // The restored bytes hold the old directory: its start is unchanged.
    }
    // A new tail that was never put into the archive is simply dropped.
    backup_.reset();
}

void ZABaseArchiver::CopyEntry(DirItem& item)
{
    if (item.savedIndex < 0 || item.savedIndex >= dm_->Saved().Count())
        Raise(err::NotOpen);
    const DirItem& old = dm_->Saved().Items()[size_t(item.savedIndex)];
    const uint64_t rel = old.localOffset - backup_->Start();
    if (old.localOffset < backup_->Start())
        Raise(err::Damaged);
    unsigned char h[kLocalHeaderSize];
    if (!backup_->ReadAt(rel, h, sizeof h) || Get32(h) != sig::Local)
        Raise(err::Damaged);
    const uint16_t nameLen = Get16(h + 26), extraLen = Get16(h + 28);
    const uint16_t flags = Get16(h + 6);
    uint64_t dataStart = kLocalHeaderSize + uint64_t(nameLen) + extraLen;
    uint64_t span = dataStart + old.compSize;
    if (flags & 0x0008) {
        unsigned char s[4];
        const bool withSig = backup_->ReadAt(rel + span, s, 4) && Get32(s) == sig::DataDescriptor;
        uint64_t dd = (withSig ? 4 : 0) + 4 + (old.zip64 ? 16 : 8);
        span += std::min<uint64_t>(dd, backup_->Size() - std::min(backup_->Size(), rel + span));
    }
    if (rel + span > backup_->Size())
        Raise(err::Damaged);
    const bool renamed = item.operation == ProcessOperation::Rename && item.changed;
    // Entries copied unchanged that lie back to back are copied as one block
    // (inside the system when it is large).
    const bool joins = !renamed && pendingCopy_.length > 0 && rel == pendingCopy_.from + pendingCopy_.length;
    if (!joins)
        FlushPendingCopy();
    const uint64_t newOffset = stream_->Position() + pendingCopy_.length;
    if (newOffset >= 0xFFFFFFFFull && Zip64Mode == 0)
        Raise(err::Zip64Disabled, {item.name});
    if (!renamed) {
        if (!joins)
            pendingCopy_.from = rel;
        pendingCopy_.length += span;
        item.localOffset = newOffset;
        item.h.localOffset = newOffset >= 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(newOffset);
        return;
    }

    // A new local header with the new name; the rest is copied.
    {
        std::string bytes;
        bool utf8 = false;
        EncodeEntryName(item.name, Options.OEMFileNames, bytes, utf8);
        std::vector<unsigned char> extra(extraLen);
        if (extraLen && !backup_->ReadAt(rel + kLocalHeaderSize + nameLen, extra.data(), extra.size()))
            Raise(err::Damaged);
        uint16_t f = utf8 ? uint16_t(flags | 0x0800) : uint16_t(flags & ~0x0800);
        Put16(h + 6, f);
        Put16(h + 26, uint16_t(bytes.size()));
        std::vector<unsigned char> head(h, h + kLocalHeaderSize);
        head.insert(head.end(), bytes.begin(), bytes.end());
        head.insert(head.end(), extra.begin(), extra.end());
        if (stream_->Write(head.data(), head.size()) != head.size())
            Raise(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
        item.h.flags = f;
        item.rawName = bytes;
        item.rawNameValid = true;
    }
    if (span > dataStart && !backup_->CopyTo(*stream_, rel + dataStart, span - dataStart))
        Raise(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    item.localOffset = newOffset;
    item.h.localOffset = newOffset >= 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(newOffset);
}

void ZABaseArchiver::FlushPendingCopy()
{
    const PendingCopy run = pendingCopy_;
    pendingCopy_ = {};
    if (run.length > 0 && !backup_->CopyTo(*stream_, run.from, run.length))
        Raise(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
}

// How an added entry is laid out, decided before its data is written.
struct ZABaseArchiver::EntryLayout {
    bool folder = false;
    uint64_t sourceSize = 0;
    uint64_t offset = 0; // of its local header
    bool needZip64 = false;
    uint16_t method = 0;       // what the data is compressed with
    uint16_t headerMethod = 0; // what the headers say (the cipher's method)
    uint16_t flags = 0;
    uint16_t version = 0;
    std::unique_ptr<EntryCipher> cipher;
    std::string nameBytes;
    std::vector<unsigned char> localExtra;

    // The local header with the CRC and sizes given.
    std::vector<unsigned char> LocalHeader(const DirItem& item, uint32_t crc, uint64_t comp, uint64_t uncomp)
    {
        std::vector<unsigned char> out;
        ByteWriter w{out};
        w.u32(sig::Local);
        w.u16(version);
        w.u16(flags);
        w.u16(headerMethod);
        w.u16(item.h.time);
        w.u16(item.h.date);
        w.u32(crc);
        w.u32(needZip64 ? 0xFFFFFFFFu : uint32_t(comp));
        w.u32(needZip64 ? 0xFFFFFFFFu : uint32_t(uncomp));
        w.u16(uint16_t(nameBytes.size()));
        w.u16(uint16_t(localExtra.size()));
        w.str(nameBytes);
        if (needZip64) {
            Put64(localExtra.data() + 4, uncomp);
            Put64(localExtra.data() + 12, comp);
        }
        w.bytes(localExtra.data(), localExtra.size());
        return out;
    }
};

bool ZABaseArchiver::WriteAddedEntry(DirItem& item)
{
    ChooseCompressionMethod();
    bool cancel = false;
    DoOnFileProgress(item.sourcePath.empty() ? item.name : item.sourcePath, 0, item.operation, ProgressPhase::Start,
                     cancel);
    if (cancel) {
        cancel_ = true;
        return false;
    }
    EntryLayout layout;
    layout.folder = item.IsDirectory();
    std::unique_ptr<ZStream> ownedSource;
    ZStream* const source = OpenAddedSource(item, layout, ownedSource);
    PlanAddedEntry(item, layout);
    // Across volumes an entry is compressed first and written with its final
    // header: a closed volume is never gone back to.
    std::unique_ptr<ZStream> scratch;
    if (creatingVolumes_) {
        std::string tempFolder = TempDir.empty() ? std::string(P_tmpdir) : TempDir;
        scratch = MakeEntryScratch(layout.sourceSize, tempFolder);
    } else {
        WriteOrRaise(layout.LocalHeader(item, 0, 0, 0));
    }
    CompressResult r;
    if (!layout.folder && !CompressAddedEntry(item, layout, source, creatingVolumes_ ? scratch.get() : stream_, r)) {
        cancel_ = true;
        return false;
    }
    const uint64_t comp = r.bytesWritten;
    if ((comp >= 0xFFFFFFFFull || r.bytesRead >= 0xFFFFFFFFull) && !layout.needZip64)
        Raise(err::Zip64Needed, {item.name});
    const uint32_t crc = layout.folder ? 0 : (layout.cipher ? layout.cipher->CrcToStore(r.crc) : r.crc);
    uint32_t disk = 0;
    if (creatingVolumes_) {
        // The header stays whole on one volume; the data may run on.
        const auto header = layout.LocalHeader(item, crc, comp, r.bytesRead);
        if (!ReserveOnVolume(header.size()))
            Raise(err::WriteError);
        layout.offset = volume_->Size();
        disk = uint32_t(volumeInfo_.Number());
        WriteToVolumesChecked(header.data(), header.size(), nullptr, 0);
        scratch->SetPosition(0);
        if (!CopyToVolumes(*scratch, comp, false)) {
            cancel_ = true;
            return false;
        }
    } else {
        // Patch the header with the final CRC and sizes.
        const uint64_t end = stream_->Position();
        stream_->SetPosition(layout.offset);
        WriteOrRaise(layout.LocalHeader(item, crc, comp, r.bytesRead));
        stream_->SetPosition(end);
    }
    RecordAddedEntry(item, layout, crc, r.bytesWritten, r.bytesRead, disk);
    bytesDone_ += r.bytesRead;
    DoOnFileProgress(item.sourcePath.empty() ? item.name : item.sourcePath, 100.0, item.operation, ProgressPhase::End,
                     cancel);
    return true;
}

ZStream* ZABaseArchiver::OpenAddedSource(DirItem& item, EntryLayout& layout, std::unique_ptr<ZStream>& owned)
{
    if (layout.folder)
        return nullptr;
    ZStream* source = item.source.get();
    if (!source) {
        if (item.sourcePath.size() >= 4096)
            Raise(err::NameTooLong, {item.sourcePath});
        try {
            owned = std::make_unique<FileStream>(item.sourcePath, FileStream::Mode::Read);
        } catch (const std::system_error&) {
            Raise(err::CannotOpenFile, {item.sourcePath});
        }
        source = owned.get();
    }
    layout.sourceSize = source->Size();
    source->SetPosition(0);
    return source;
}

void ZABaseArchiver::PlanAddedEntry(DirItem& item, EntryLayout& layout)
{
    layout.offset = creatingVolumes_ ? (volume_ ? volume_->Size() : 0) : stream_->Position();
    layout.needZip64 = Zip64Mode == 2 || layout.offset >= 0xFFFFFFFFull || layout.sourceSize >= 0xFFFFFFFFull;
    if (layout.needZip64 && Zip64Mode == 0)
        Raise(err::Zip64Disabled, {item.name});

    const bool encrypt = !layout.folder && !item.password.empty();
    layout.method = layout.folder || layout.sourceSize == 0 ? 0 : item.h.method;
    if (layout.method != 0 && layout.method != 8)
        layout.method = 8;
    if (encrypt) {
        layout.cipher = CreateEntryCipher(EncryptionMethod, layout.method);
        if (!layout.cipher)
            Raise(err::CannotOpenFile, {item.sourcePath.empty() ? item.name : item.sourcePath});
    }
    bool utf8 = false;
    EncodeEntryName(item.name, Options.OEMFileNames, layout.nameBytes, utf8);
    if (layout.nameBytes.size() > 0xFFFF)
        Raise(err::NameTooLong, {item.name});
    // Folders carry flag 2 in both headers (peers compare them).
    layout.flags = layout.folder ? 2 : (encrypt ? 1 : 0);
    if (utf8)
        layout.flags |= 0x0800;
    // Extra fields: the Zip64 sizes, then the cipher's field.
    item.extra.erase(std::remove_if(item.extra.begin(), item.extra.end(),
                                    [](const ExtraField& f) {
                                        return f.id == kZip64ExtraId || f.id == kAesExtraId
                                               || f.id == kUnicodePathExtraId;
                                    }),
                     item.extra.end());
    ByteWriter lx{layout.localExtra};
    if (layout.needZip64) {
        lx.u16(kZip64ExtraId);
        lx.u16(16);
        lx.u64(0);
        lx.u64(0);
    }
    layout.headerMethod = layout.method;
    if (layout.cipher) {
        if (auto f = layout.cipher->EntryExtraField()) {
            lx.u16(f->id);
            lx.u16(uint16_t(f->data.size()));
            lx.bytes(f->data.data(), f->data.size());
            item.extra.push_back(*f);
            item.encryption = EncryptionMethod;
        } else {
            item.encryption = CryptoAlgorithm::PkzipClassic;
        }
        layout.headerMethod = layout.cipher->HeaderMethod(layout.method);
    }
    layout.version = layout.needZip64 ? 45 : (Options.OEMFileNames ? 20 : 0x0B14);
}

void ZABaseArchiver::WriteOrRaise(const std::vector<unsigned char>& bytes)
{
    if (stream_->Write(bytes.data(), bytes.size()) != bytes.size()) {
        if (stream_->LastError() == ENOSPC) {
            bool c = false;
            DoOnDiskFull(1, fileName_, c);
        }
        Raise(err::WriteError);
    }
}

bool ZABaseArchiver::CompressAddedEntry(DirItem& item, EntryLayout& layout, ZStream* source, ZStream* dest,
                                        CompressResult& r)
{
    CompressJob job;
    job.source = source;
    job.sourceSize = layout.sourceSize;
    job.dest = dest;
    job.method = layout.method;
    job.mode = item.compressionMode ? item.compressionMode : 1;
    job.cipher = layout.cipher.get();
    job.password = CipherPassword(item.password);
    job.dosTime = item.h.time;
    job.flags = layout.flags;
    const std::string shown = item.sourcePath.empty() ? item.name : item.sourcePath;
    const uint64_t sourceSize = layout.sourceSize;
    job.progress = [&](uint64_t done) {
        bool c = false;
        DoOnFileProgress(shown, sourceSize ? 100.0 * double(done) / double(sourceSize) : 0, item.operation,
                         ProgressPhase::Start, c);
        return !c;
    };
    r = CompressEntry(job);
    switch (r.status) {
    case CompressResult::Status::Ok: break;
    case CompressResult::Status::Cancelled: return false;
    case CompressResult::Status::SourceChanged:
    case CompressResult::Status::ReadFailed:
        Raise(err::ShortRead, {std::to_string(sourceSize), std::to_string(r.bytesRead)});
    case CompressResult::Status::WriteFailed:
        if (r.writeErrno == ENOSPC) {
            bool c = false;
            DoOnDiskFull(1, fileName_, c);
        }
        Raise(err::WriteError);
    }
    return true;
}

void ZABaseArchiver::RecordAddedEntry(DirItem& item, const EntryLayout& layout, uint32_t crc, uint64_t comp,
                                      uint64_t uncomp, uint32_t disk)
{
    item.h.versionMadeBy = layout.version;
    item.h.versionNeeded = layout.version;
    item.h.flags = layout.flags;
    item.h.method = layout.headerMethod;
    item.actualMethod = layout.method;
    item.h.crc = crc;
    item.compSize = comp;
    item.uncompSize = uncomp;
    item.zip64 = layout.needZip64;
    item.h.compSize = comp >= 0xFFFFFFFFull || layout.needZip64 ? 0xFFFFFFFFu : uint32_t(comp);
    item.h.uncompSize = uncomp >= 0xFFFFFFFFull || layout.needZip64 ? 0xFFFFFFFFu : uint32_t(uncomp);
    item.localOffset = layout.offset;
    item.h.localOffset = layout.offset >= 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(layout.offset);
    item.diskStart = disk;
    item.h.diskStart = uint16_t(std::min<uint32_t>(disk, 0xFFFF));
    item.rawName = layout.nameBytes;
    item.rawNameValid = true;
}

void ZABaseArchiver::DeleteMovedSources()
{
    std::vector<std::string> files, folders;
    for (const auto& it : dm_->Dir().Items()) {
        if (it.operation != ProcessOperation::Move || !it.changed || it.sourcePath.empty())
            continue;
        (it.IsDirectory() ? folders : files).push_back(it.sourcePath);
    }
    // False when the failure handler ended the deletions.
    auto removeSource = [&](const std::string& path, bool folder) {
        return RetryItem(path, ProcessOperation::Move, [&] {
                   bool ok;
                   NoteFsChange(FsChange::Remove);
                   if (folder) {
                       ok = ::rmdir(path.c_str()) == 0 || errno == ENOENT;
                   } else {
                       ok = ::unlink(path.c_str()) == 0;
                       if (!ok) {
                           ::chmod(path.c_str(), 0600);
                           ok = ::unlink(path.c_str()) == 0 || errno == ENOENT;
                       }
                   }
                   if (!ok)
                       throw EZAException(folder ? err::CannotDeleteFolder : err::CannotDeleteFile, {path}, Name);
               }) != ItemResult::Aborted;
    };
    for (const auto& f : files)
        if (!removeSource(f, false))
            return;
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& f : folders)
        if (!removeSource(f, true))
            return;
}

} // namespace hsa::zip
