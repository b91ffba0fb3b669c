// Split and spanned archives: requesting volumes, writing across them,
// finishing the set, and finding an archive's volume layout when it is opened.
#include "zip/archiver.h"

#include "zip/codepage.h"
#include "zip/safefs.h"
#include "zip/tailbackup.h"
#include "zip/volumemedia.h"
#include "zip/volumestream.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hsa::zip {

namespace {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Printf(const char* fmt, long long a, long long b = 0)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

// A name with its last extension's letters in the other case.
std::string OtherCase(const std::string& name)
{
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name;
    std::string out = name;
    bool anyLower = false;
    for (size_t i = dot; i < out.size(); ++i)
        anyLower = anyLower || (out[i] >= 'a' && out[i] <= 'z');
    for (size_t i = dot; i < out.size(); ++i)
        out[i] = anyLower ? char(std::toupper(static_cast<unsigned char>(out[i])))
                          : char(std::tolower(static_cast<unsigned char>(out[i])));
    return out;
}

// What tells one file under a name from another: "-" when there is none.
std::string FileState(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return "-";
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":"
           + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

// How often the same answer to a volume request (same name, same file or
// none) is taken before the request fails.
constexpr int kUnchangedVolumeAnswers = 2;
// Answers that keep changing without ever providing the volume end too.
constexpr int kMostVolumeAnswers = 100;

} // namespace

// ---------------------------------------------------------------- helpers

VolumeMedia& ZABaseArchiver::TheMedia() const { return Media ? *Media : DefaultVolumeMedia(); }

VolumeNaming ZABaseArchiver::Naming() const
{
    VolumeNaming n;
    n.mode = spanningMode_;
    n.advancedNaming = SpanningOptions.AdvancedNaming;
    n.selfExtracting = (dm_ && dm_->BaseOffset != 0 && !creatingVolumes_) || !SFXStub.empty()
                       || IsExecutableName(fileName_);
    n.compressionMethod = compressionMethod_ < 0 ? 8 : compressionMethod_;
    return n;
}

bool ZABaseArchiver::AskOkCancel(const std::string& text) const
{
    ZipDialogs* d = TheDialogs();
    return d && d->AskOkCancel(text);
}

int ZABaseArchiver::VolumeCount() const
{
    if (volumeSet_)
        return volumeSet_->LastDisk() + 1;
    if (creatingVolumes_)
        return int(writtenVolumes_.size()) + (volume_ ? 1 : 0);
    return active_ ? 1 : 0;
}

std::string ZABaseArchiver::GetVolumeFileName(const std::string& archiveName, int index, bool mustExist)
{
    VolumeNaming n = Naming();
    const std::string first = VolumeFileName(archiveName, index, n);
    if (!mustExist || FileExists(first))
        return first;
    // Archives from elsewhere: the other naming form, the other case.
    std::vector<std::string> tries{OtherCase(first)};
    if (n.mode == SpanningMode::Spanning || n.mode == SpanningMode::Splitting) {
        n.advancedNaming = !n.advancedNaming;
        const std::string other = VolumeFileName(archiveName, index, n);
        tries.push_back(other);
        tries.push_back(OtherCase(other));
    }
    for (const auto& t : tries)
        if (FileExists(t))
            return t;
    return first;
}

// ---------------------------------------------------------------- events

void ZABaseArchiver::DoOnRequestBlankVolume(int volumeNumber, std::string& volumeFileName, bool& cancel)
{
    cancel = false;
    if (OnRequestBlankVolume) {
        OnRequestBlankVolume(*this, volumeNumber, volumeFileName, cancel);
        return;
    }
    if (spanningMode_ != SpanningMode::Spanning)
        return;
    cancel = !AskOkCancel(Printf("Please insert a blank disk #%lld", std::max(volumeNumber, 0)));
}

void ZABaseArchiver::DoOnRequestFirstVolume(std::string& volumeFileName, bool& cancel)
{
    cancel = false;
    if (OnRequestFirstVolume) {
        OnRequestFirstVolume(*this, volumeFileName, cancel);
        return;
    }
    if (spanningMode_ == SpanningMode::Spanning) {
        cancel = !AskOkCancel("Please insert the first disk");
        if (!cancel)
            volumeFileName = GetVolumeFileName(MakeAbsolute(fileName_), 0, true);
        return;
    }
    cancel = !creatingVolumes_ && !FileExists(volumeFileName);
}

void ZABaseArchiver::DoOnRequestLastVolume(std::string& volumeFileName, bool& cancel)
{
    cancel = false;
    if (OnRequestLastVolume) {
        OnRequestLastVolume(*this, volumeFileName, cancel);
        return;
    }
    if (spanningMode_ == SpanningMode::Spanning) {
        cancel = !AskOkCancel("Please insert the last disk");
        while (!cancel && !FileExists(volumeFileName))
            cancel = !AskOkCancel(FormatZipMessage(
                "File '%s' not found on inserted disk. Please insert last disk with required file", {volumeFileName}));
        return;
    }
    cancel = !FileExists(volumeFileName);
}

void ZABaseArchiver::DoOnRequestMiddleVolume(int volumeNumber, std::string& volumeFileName, bool& cancel)
{
    cancel = false;
    if (OnRequestMiddleVolume) {
        OnRequestMiddleVolume(*this, volumeNumber, volumeFileName, cancel);
        return;
    }
    if (spanningMode_ == SpanningMode::Spanning) {
        cancel = !AskOkCancel(Printf("Please insert disk #%lld", volumeNumber));
        if (!cancel)
            volumeFileName = GetVolumeFileName(MakeAbsolute(fileName_), volumeNumber - 1, true);
        return;
    }
    cancel = !FileExists(volumeFileName);
}

// ---------------------------------------------------------------- writing

void ZABaseArchiver::CloseVolume()
{
    if (!volume_)
        return;
    if (creatingVolumes_) {
        // A spanned disk is taken out next: its file must be on the disk.
        const bool ok = spanningMode_ == SpanningMode::Spanning || Options.FlushBuffers ? volume_->Flush()
                                                                                          : volume_->FlushBuffer();
        if (!ok)
            throw EZAException(volume_->LastError() == ENOSPC ? err::DiskFull : err::WriteError,
                               std::vector<std::string>{}, Name);
        struct stat st {};
        ::fstat(volume_->Descriptor(), &st);
        writtenVolumes_.push_back(volumeName_);
        writtenIds_.emplace_back(uint64_t(st.st_dev), uint64_t(st.st_ino));
        writtenSizes_.push_back(uint64_t(st.st_size));
    }
    volume_.reset();
    if (stream_ && !volumeSet_)
        stream_ = nullptr;
}

void ZABaseArchiver::RequestBlankVolume(int number)
{
    CloseVolume();
    const int64_t size = SpanningOptions.VolumeSizeFor(number);
    const std::string archive = MakeAbsolute(fileName_);
    for (int tries = 0;; ++tries) {
        if (tries > 1000)
            Raise(err::OpenCancelled);
        std::string name = GetVolumeFileName(archive, number, false);
        bool cancel = false;
        DoOnRequestBlankVolume(number + 1, name, cancel);
        if (cancel || name.empty())
            Raise(err::OpenCancelled);
        name = MakeAbsolute(name);
        // A disk that holds an earlier volume of this set is never written
        // over: the set would be lost.
        struct stat st {};
        if (::stat(name.c_str(), &st) == 0) {
            const std::pair<uint64_t, uint64_t> id{uint64_t(st.st_dev), uint64_t(st.st_ino)};
            const auto hit = std::find(writtenIds_.begin(), writtenIds_.end(), id);
            if (hit != writtenIds_.end()) {
                const long long part = (hit - writtenIds_.begin()) + 1;
                if (!AskOkCancel(Printf("Der eingelegte Datenträger enthält Teil %lld dieses Archivs.\n\r"
                                        "Bitte legen Sie einen leeren Datenträger für Teil %lld ein.",
                                        part, number + 1)))
                    Raise(err::OpenCancelled);
                continue;
            }
        }
        const auto free = TheMedia().FreeSpace(name);
        const bool accepted = free && *free > 65536
                              && (size < 0 || spanningMode_ == SpanningMode::Splitting || int64_t(*free) >= size);
        if (!accepted) {
            bool c = false;
            DoOnDiskFull(number + 1, name, c);
            if (c)
                Raise(err::OpenCancelled);
            continue;
        }
        try {
            volume_ = std::make_unique<FileStream>(name, FileStream::Mode::Create);
        } catch (const std::system_error&) {
            Raise(err::CannotCreateFile, {name});
        }
        volumeName_ = name;
        volumeInfo_.SetNumber(number);
        if (number == 0)
            volumeInfo_.MakeFirst();
        stream_ = volume_.get();
        if (dm_)
            dm_->SetStream(stream_);
        // Labels only on removable media: a fixed disk's name stays.
        if (spanningMode_ == SpanningMode::Spanning && TheMedia().IsRemovable(name)) {
            char label[32];
            std::snprintf(label, sizeof label, "pkback# %.3d", number + 1);
            TheMedia().SetLabel(name, label);
        }
        return;
    }
}

size_t ZABaseArchiver::WriteToVolumes(const void* buf, size_t count, MemoryStream* intermediate, int64_t mustFollow)
{
    if (!IsMultiVolume() || !creatingVolumes_) {
        return stream_ ? stream_->Write(buf, count) : 0;
    }
    const auto* p = static_cast<const unsigned char*>(buf);
    size_t done = 0;
    bool freshVolume = false;
    while (done < count) {
        if (!volume_)
            RequestBlankVolume(volumeInfo_.Number() + 1);
        if (!volume_->FlushBuffer())
            return done;
        const uint64_t held = intermediate ? intermediate->Size() : 0;
        const auto space = TheMedia().FreeSpace(volumeName_);
        int64_t free = space ? int64_t(std::min<uint64_t>(*space, uint64_t(INT64_MAX))) - int64_t(held) : -1;
        const int64_t size = SpanningOptions.VolumeSizeFor(volumeInfo_.Number());
        if (size > 0) {
            const int64_t room = size - int64_t(volume_->Size()) - int64_t(held);
            free = std::min(free, room);
        }
        if (free < 0)
            break;
        const size_t remaining = count - done;
        size_t n;
        if (mustFollow >= 0 && uint64_t(mustFollow) + remaining > uint64_t(free)) {
            // The record goes whole onto the next volume; on a blank one it
            // can never fit.
            if (freshVolume && volume_->Size() == 0 && held == 0)
                break;
            n = 0;
        } else {
            n = size_t(std::min<uint64_t>(uint64_t(free), remaining));
        }
        if (n) {
            const size_t w = intermediate ? intermediate->Write(p + done, n) : volume_->Write(p + done, n);
            done += w;
            if (w < n)
                break;
        }
        if (done < count) {
            if (intermediate && intermediate->Size()) {
                const auto& data = intermediate->Data();
                if (volume_->Write(data.data(), data.size()) != data.size())
                    break;
                intermediate->Truncate(0);
                intermediate->SetPosition(0);
            }
            RequestBlankVolume(volumeInfo_.Number() + 1);
            freshVolume = true;
        }
    }
    return done;
}

void ZABaseArchiver::WriteToVolumesChecked(const void* buf, size_t count, MemoryStream* intermediate,
                                           int64_t mustFollow)
{
    if (WriteToVolumes(buf, count, intermediate, mustFollow) != count) {
        const int e = volume_ ? volume_->LastError() : stream_ ? stream_->LastError() : 0;
        Raise(e == ENOSPC ? err::DiskFull : err::WriteError);
    }
}

bool ZABaseArchiver::ReserveOnVolume(size_t count)
{
    // Nothing is written: an empty write with mustFollow moves to the next
    // volume when the bytes would not fit on this one.
    if (!volume_)
        RequestBlankVolume(volumeInfo_.Number() + 1);
    if (!volume_->FlushBuffer())
        return false;
    const auto space = TheMedia().FreeSpace(volumeName_);
    int64_t free = space ? int64_t(std::min<uint64_t>(*space, uint64_t(INT64_MAX))) : -1;
    const int64_t size = SpanningOptions.VolumeSizeFor(volumeInfo_.Number());
    if (size > 0)
        free = std::min(free, size - int64_t(volume_->Size()));
    if (free >= int64_t(count))
        return true;
    if (volume_->Size() == 0)
        return false;   // not even a blank volume holds it
    RequestBlankVolume(volumeInfo_.Number() + 1);
    return ReserveOnVolume(count);
}

bool ZABaseArchiver::CopyToVolumes(ZStream& source, uint64_t length, bool progress)
{
    constexpr size_t kPiece = 1000000;
    std::vector<unsigned char> buf(size_t(std::min<uint64_t>(kPiece, std::max<uint64_t>(length, 1))));
    bool cancel = false;
    if (progress) {
        DoOnCopyTempFileProgress(0, ProgressPhase::Start, cancel);
        if (cancel)
            return false;
    }
    uint64_t done = 0;
    while (done < length) {
        const size_t n = size_t(std::min<uint64_t>(buf.size(), length - done));
        // A source that ends early leaves the volume short: a write error,
        // never a silently cut entry.
        if (source.Read(buf.data(), n) != n)
            Raise(err::WriteError);
        WriteToVolumesChecked(buf.data(), n, nullptr, -1);
        done += n;
        if (progress) {
            DoOnCopyTempFileProgress(100.0 * double(done) / double(length), ProgressPhase::Start, cancel);
            if (cancel)
                return false;
        }
    }
    if (progress)
        DoOnCopyTempFileProgress(100.0, ProgressPhase::End, cancel);
    return !cancel;
}

void ZABaseArchiver::CreateVolumes()
{
    if (inMemory_)
        Raise(err::MultiVolumeStream);
    creatingVolumes_ = true;
    volumesFinished_ = false;
    writtenVolumes_.clear();
    writtenIds_.clear();
    writtenSizes_.clear();
    volumeInfo_.Reset();
    volumeInfo_.MakeFirst();
    DirSettings ds;
    ds.oemNames = Options.OEMFileNames;
    ds.repairDamaged = RepairDamagedDirectory;
    RequestBlankVolume(0);
    dm_ = std::make_unique<DirManager>(stream_, ds);
    if (!SFXStub.empty()) {
        std::unique_ptr<FileStream> stub;
        try {
            stub = std::make_unique<FileStream>(SFXStub, FileStream::Mode::Read);
        } catch (const std::system_error&) {
            Raise(err::CannotOpenFile, {SFXStub});
        }
        const int64_t first = SpanningOptions.VolumeSizeFor(0);
        if (first > 0 && int64_t(stub->Size()) > first)
            Raise(err::StubTooLarge);
        CopyToVolumes(*stub, stub->Size(), false);
    }
    dm_->BaseOffset = dm_->DirStart = volume_->Size();
}

void ZABaseArchiver::WriteVolumeDirectory()
{
    auto& items = dm_->Dir().Items();
    const uint64_t dirStartOnVolume = 0;
    (void)dirStartOnVolume;
    // The directory starts where the next record goes; a first record that
    // does not fit moves it to the next volume.
    const auto firstRecord = items.empty() ? std::vector<unsigned char>{} : dm_->BuildCentralRecord(items.front());
    if (!firstRecord.empty() && !ReserveOnVolume(firstRecord.size()))
        Raise(err::WriteError);
    if (!volume_)
        RequestBlankVolume(volumeInfo_.Number() + 1);
    uint32_t dirDisk = uint32_t(volumeInfo_.Number());
    uint64_t dirOffset = volume_->Size();
    uint64_t dirSize = 0;
    uint64_t onThisDisk = 0;
    int disk = volumeInfo_.Number();
    for (size_t i = 0; i < items.size(); ++i) {
        const auto rec = i == 0 ? firstRecord : dm_->BuildCentralRecord(items[i]);
        WriteToVolumesChecked(rec.data(), rec.size(), nullptr, 0);
        if (volumeInfo_.Number() != disk) {
            disk = volumeInfo_.Number();
            onThisDisk = 0;
        }
        if (i == 0) {
            dirDisk = uint32_t(volumeInfo_.Number());
            dirOffset = volume_->Size() - rec.size();
        }
        ++onThisDisk;
        dirSize += rec.size();
    }
    // The end records stay together on the last volume.
    const uint64_t probe = dm_->BuildEndRecords(0, 0, 0, 0, 0, 0).size();
    if (!ReserveOnVolume(size_t(probe) + kZip64EndSize + kZip64LocatorSize))
        Raise(err::WriteError);
    if (volumeInfo_.Number() != disk)
        onThisDisk = 0;
    const auto end = dm_->BuildEndRecords(dirOffset, dirDisk, uint32_t(volumeInfo_.Number()), onThisDisk, dirSize,
                                          volume_->Size());
    WriteToVolumesChecked(end.data(), end.size(), nullptr, int64_t(0));
}

void ZABaseArchiver::FinishVolumes()
{
    const std::string archive = MakeAbsolute(fileName_);
    const int last = volumeInfo_.Number();
    std::string lastName = volumeName_;
    if (volumeName_ != archive) {
        // The last volume takes the archive's name.
        const std::string target = MakeAbsolute(GetVolumeFileName(archive, -1, false));
        if (!volume_->Flush())
            Raise(volume_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
        volume_.reset();
        NoteFsChange(FsChange::Rename);
        ::unlink(target.c_str());
        if (::rename(volumeName_.c_str(), target.c_str()) != 0)
            Raise(err::CannotCreateOutput, {target});
        lastName = target;
        try {
            volume_ = std::make_unique<FileStream>(target, FileStream::Mode::ReadWrite);
        } catch (const std::system_error&) {
            Raise(err::CannotOpenFile, {target});
        }
        volumeName_ = target;
    } else if (!volume_->Flush()) {
        Raise(volume_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    }
    FsyncFolder(ParentFolder(lastName));
    // From here on the set is read like any opened one.
    std::vector<uint64_t> sizes = writtenSizes_;
    sizes.push_back(volume_->Size());
    volumeInfo_.SetLastNumber(last);
    volumeInfo_.MakeLast();
    creatingVolumes_ = false;
    volumesFinished_ = true;
    writtenIds_.clear();
    OpenVolumeSet(last);
    for (int d = 0; d <= last; ++d)
        volumeSet_->KnowSize(d, sizes[size_t(d)]);
    for (auto& it : dm_->Dir().Items())
        it.localOffset += volumeSet_->VolumeStart(int(it.diskStart));
    dm_->DirStart = volumeSet_->Size();
    dm_->VolumeStart = [this](uint32_t disk) { return volumeSet_->VolumeStart(int(disk)); };
}

void ZABaseArchiver::DiscardVolumes()
{
    // A set that could not be finished is removed, as far as its files are
    // within reach; the old archive of that name stays.
    if (volume_) {
        volume_.reset();
        ::unlink(volumeName_.c_str());
    }
    // Earlier volumes only while the very file written is there: a disk
    // changed since holds someone else's file of that name.
    for (size_t i = 0; i < writtenVolumes_.size() && i < writtenIds_.size(); ++i) {
        struct stat st {};
        if (::stat(writtenVolumes_[i].c_str(), &st) == 0
            && std::make_pair(uint64_t(st.st_dev), uint64_t(st.st_ino)) == writtenIds_[i])
            ::unlink(writtenVolumes_[i].c_str());
    }
    writtenVolumes_.clear();
    writtenIds_.clear();
    writtenSizes_.clear();
    creatingVolumes_ = false;
    stream_ = nullptr;
}

int ZABaseArchiver::CommitVolumes()
{
    updateCount_ = 0;
    processed_ = total_ = 0;
    bytesDone_ = bytesTotal_ = 0;
    cancel_ = false;
    auto& work = dm_->Dir();
    ProcessOperation firstOp = ProcessOperation::Delete;
    for (const auto& it : work.Items()) {
        if (!it.changed)
            continue;
        if (total_ == 0)
            firstOp = it.operation;
        bytesTotal_ += it.uncompSize;
        ++total_;
    }
    bool cancel = false;
    DoOnOverallProgress(0, firstOp, ProgressPhase::Start, cancel);
    if (cancel) {
        work.Assign(dm_->Saved());
        return 0;
    }
    int written = 0;
    bool aborted = false;
    try {
        int i = 0;
        while (i < work.Count() && !cancel_ && !aborted) {
            DirItem& item = work.Ref(i);
            bool ok = false;
            size_t volumesBefore = 0;
            uint64_t sizeBefore = 0;
            const ItemResult result = RetryItem(
                item.sourcePath.empty() ? item.name : item.sourcePath, item.operation,
                [&] {
                    volumesBefore = writtenVolumes_.size();
                    sizeBefore = volume_ ? volume_->Size() : 0;
                    ok = WriteAddedEntry(item);
                },
                [&](const EZAException& e) {
                    // Bytes already on a volume cannot be taken back: the set fails.
                    return writtenVolumes_.size() == volumesBefore && volume_ && volume_->Size() == sizeBefore
                           && e.NativeError() != err::DiskFull && e.NativeError() != err::OpenCancelled
                           && e.NativeError() != err::WriteError;
                });
            aborted = result == ItemResult::Aborted;
            if (aborted || cancel_)
                break;
            if (ok) {
                ++processed_;
                ++written;
                ++i;
            } else {
                work.Delete(i);
            }
        }
        if (cancel_ || aborted) {
            DiscardVolumes();
            work.Assign(dm_->Saved());
            ReleaseArchive();
            return 0;
        }
        WriteVolumeDirectory();
        FinishVolumes();
    } catch (...) {
        DiscardVolumes();
        work.Assign(dm_->Saved());
        ReleaseArchive();
        throw;
    }
    for (auto& it : work.Items()) {
        it.changed = false;
        it.isNew = false;
        it.source.reset();
    }
    DeleteMovedSources();
    bool late = false;
    DoOnOverallProgress(100.0, firstOp, ProgressPhase::End, late);
    return written;
}

// ---------------------------------------------------------------- reading

ZStream& ZABaseArchiver::RequestReadVolume(int number, std::optional<uint64_t> expectedSize)
{
    if (volume_ && volumeInfo_.Number() == number)
        return *volume_;
    const int last = volumeInfo_.LastNumber();
    const std::string archive = MakeAbsolute(fileName_);
    const bool handler = number == 0 ? bool(OnRequestFirstVolume)
                       : number == last ? bool(OnRequestLastVolume)
                                        : bool(OnRequestMiddleVolume);
    // The question is repeated only while the answers change something (the
    // name, or the file found under it); a handler that says OK without
    // providing the volume would otherwise be asked without end.
    std::string lastName;
    std::string lastState;
    int unchanged = 0;
    for (int asked = 1;; ++asked) {
        const int index = number == last ? -1 : number;
        std::string name = GetVolumeFileName(archive, index, !handler || index == -1);
        bool cancel = false;
        if (number == last)
            DoOnRequestLastVolume(name, cancel);
        else if (number == 0)
            DoOnRequestFirstVolume(name, cancel);
        else
            DoOnRequestMiddleVolume(number + 1, name, cancel);
        // No file is no volume: the request ends as cancelled, never with
        // the previous volume left in its place.
        if (cancel || name.empty())
            Raise(err::OpenCancelled);
        name = MakeAbsolute(name);
        const std::string state = FileState(name);
        const bool exists = state != "-";
        unchanged = name == lastName && state == lastState ? unchanged + 1 : 0;
        if (unchanged >= kUnchangedVolumeAnswers || asked > kMostVolumeAnswers)
            Raise(err::VolumeNotFound, {name});
        lastName = name;
        lastState = state;
        if (!exists)
            continue;
        volume_.reset();
        std::unique_ptr<FileStream> v;
        try {
            v = std::make_unique<FileStream>(name, FileStream::Mode::Read);
        } catch (const std::system_error&) {
            continue;
        }
        // A disk whose file has another size than the one seen before is
        // not the volume asked for.
        if (expectedSize && v->Size() != *expectedSize)
            continue;
        volume_ = std::move(v);
        volumeName_ = name;
        volumeInfo_.SetNumber(number);
        if (number == last)
            volumeInfo_.MakeLast();
        return *volume_;
    }
}

void ZABaseArchiver::OpenVolumeSet(int lastDisk)
{
    volumeInfo_.SetLastNumber(lastDisk);
    volumeSet_ = std::make_unique<VolumeSetStream>(
        lastDisk, [this](int disk, std::optional<uint64_t> expected) -> ZStream& {
            return RequestReadVolume(disk, expected);
        });
    if (volume_ && volumeInfo_.Number() == lastDisk)
        volumeSet_->KnowSize(lastDisk, volume_->Size());
    stream_ = volumeSet_.get();
    if (dm_)
        dm_->SetStream(stream_);
}

bool ZABaseArchiver::DetectLayout(bool endFound, const EndRecord& er)
{
    const std::string archive = MakeAbsolute(fileName_);
    if (!endFound) {
        spanningMode_ = TheMedia().IsRemovable(archive) ? SpanningMode::Spanning : SpanningMode::None;
        return false;
    }
    if (er.thisDisk == 0) {
        spanningMode_ = SpanningMode::None;
        return true;
    }
    spanningMode_ = SpanningMode::Splitting;
    const std::string found = GetVolumeFileName(archive, er.thisDisk - 1, true);
    if (FileExists(found)) {
        VolumeNaming flipped = Naming();
        flipped.advancedNaming = !flipped.advancedNaming;
        const std::string other = VolumeFileName(archive, er.thisDisk - 1, flipped);
        if (found == other || found == OtherCase(other))
            SpanningOptions.AdvancedNaming = !SpanningOptions.AdvancedNaming;
        return true;
    }
    if (IsExecutableName(archive)) {
        spanningMode_ = SpanningMode::None;
        return true;
    }
    spanningMode_ = SpanningMode::Spanning;
    return true;
}

void ZABaseArchiver::OpenExisting()
{
    spanningMode_ = SpanningMode::None;
    volumeInfo_.Reset();
    const std::string archive = MakeAbsolute(fileName_);
    DirSettings ds;
    ds.oemNames = Options.OEMFileNames;
    ds.repairDamaged = RepairDamagedDirectory;
    const bool writable = openMode_ == openmode::ReadWrite;
    if (FileExists(archive))
        RecoverCutOffCommit(archive);

    // The last volume (the archive file itself) tells the layout.
    std::string lastState = FileState(archive);
    int unchanged = 0;
    for (int tries = 0;; ++tries) {
        if (!FileExists(archive)) {
            if (!TheMedia().IsRemovable(archive))
                Raise(err::ArchiveNotFound, {fileName_});
            spanningMode_ = SpanningMode::Spanning;
            std::string name = archive;
            bool cancel = false;
            DoOnRequestLastVolume(name, cancel);
            if (cancel || !FileExists(MakeAbsolute(name)))
                Raise(err::OpenCancelled);
        }
        try {
            ownedStream_ = std::make_unique<FileStream>(
                archive, writable ? FileStream::Mode::ReadWrite : FileStream::Mode::Read);
        } catch (const std::system_error&) {
            Raise(err::CannotOpenFile, {fileName_});
        }
        stream_ = ownedStream_.get();
        dm_ = std::make_unique<DirManager>(stream_, ds);
        uint64_t pos = 0;
        EndRecord er;
        std::string comment;
        const bool found = dm_->FindEndOfCentralDir(sig::End, pos, er, comment);
        DetectLayout(found, er);
        if (spanningMode_ == SpanningMode::None || (found && spanningMode_ != SpanningMode::None)) {
            if (spanningMode_ != SpanningMode::None) {
                // The set is read through its volumes, end to end.
                int last = er.thisDisk;
                if (er.thisDisk == 0xFFFF && pos >= kZip64LocatorSize) {
                    unsigned char loc[kZip64LocatorSize];
                    if (stream_->ReadAt(pos - kZip64LocatorSize, loc, sizeof loc) && Get32(loc) == sig::Zip64Locator)
                        last = int(Get32(loc + 16)) - 1;
                }
                auto* fs = static_cast<FileStream*>(ownedStream_.release());
                volume_.reset(fs);
                volumeName_ = archive;
                volumeInfo_.SetLastNumber(last);
                volumeInfo_.MakeLast();
                OpenVolumeSet(last);
                dm_->VolumeStart = [this](uint32_t disk) { return volumeSet_->VolumeStart(int(disk)); };
            }
            break;
        }
        // No end record on a removable disk: another disk may be the last one.
        ownedStream_.reset();
        dm_.reset();
        std::string name = archive;
        bool cancel = false;
        DoOnRequestLastVolume(name, cancel);
        if (cancel || tries > 100)
            Raise(err::OpenCancelled);
        // Asked again only while the answer changes the disk's file.
        const std::string state = FileState(archive);
        if (state == lastState) {
            if (++unchanged >= kUnchangedVolumeAnswers)
                Raise(err::VolumeNotFound, {archive});
        } else {
            unchanged = 0;
        }
        lastState = state;
    }
    dm_->ReadDirectory();
    if (!dm_->EndFound && !RepairDamagedDirectory)
        Raise(err::Damaged);
}

} // namespace hsa::zip
