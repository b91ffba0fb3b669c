#include "zip/dirmanager.h"

#include "zip/codepage.h"
#include "zip/zaerrors.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <zlib.h>

namespace hsa::zip {

namespace {

constexpr uint32_t kSat32 = 0xFFFFFFFFu;

struct DamagedDirectory {};

} // namespace

// ---------------------------------------------------------------- names

std::string DecodeEntryName(const std::string& raw, uint16_t flags, uint16_t versionMadeBy,
                            const std::vector<ExtraField>& extra, bool oemNames)
{
    bool multi = false;
    const bool valid = IsValidUtf8(raw, &multi);
    if ((flags & 0x0800) && valid)
        return raw;
    // The Unicode path field of other tools, valid while it belongs to these name bytes.
    for (const auto& f : extra) {
        if (f.id == kUnicodePathExtraId && f.data.size() > 5 && f.data[0] == 1) {
            const uint32_t crc = Get32(f.data.data() + 1);
            const uint32_t actual = uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(raw.data()), uInt(raw.size())));
            std::string u(reinterpret_cast<const char*>(f.data.data() + 5), f.data.size() - 5);
            if (crc == actual && IsValidUtf8(u))
                return u;
        }
    }
    const unsigned host = versionMadeBy >> 8;
    if (valid && (host == 3 || multi))
        return raw;   // Unix hosts write UTF-8; so does anything with well-formed multi-byte runs
    return oemNames ? Cp850ToUtf8(raw) : Cp1252ToUtf8(raw);
}

void EncodeEntryName(const std::string& name, bool oemNames, std::string& bytes, bool& utf8)
{
    const bool fits = oemNames ? Utf8ToCp850(name, bytes) : Utf8ToCp1252(name, bytes);
    if (fits) {
        utf8 = false;
        return;
    }
    bytes = name;
    utf8 = true;
}

std::vector<ExtraField> ParseExtraFields(const unsigned char* p, size_t len)
{
    std::vector<ExtraField> out;
    size_t i = 0;
    while (len - i >= 4) {
        ExtraField f;
        f.id = Get16(p + i);
        size_t sz = Get16(p + i + 2);
        i += 4;
        if (sz > len - i)
            sz = len - i;
        f.data.assign(p + i, p + i + sz);
        i += sz;
        out.push_back(std::move(f));
    }
    return out;
}

void ApplyKnownExtraFields(DirItem& item)
{
    item.uncompSize = item.h.uncompSize;
    item.compSize = item.h.compSize;
    item.localOffset = item.h.localOffset;
    item.diskStart = item.h.diskStart;
    for (const auto& f : item.extra) {
        if (f.id == kZip64ExtraId) {
            size_t i = 0;
            const auto& d = f.data;
            if (item.h.uncompSize == kSat32 && d.size() - i >= 8) {
                item.uncompSize = Get64(d.data() + i);
                i += 8;
            }
            if (item.h.compSize == kSat32 && d.size() - i >= 8) {
                item.compSize = Get64(d.data() + i);
                i += 8;
            }
            if (item.h.localOffset == kSat32 && d.size() - i >= 8) {
                item.localOffset = Get64(d.data() + i);
                i += 8;
            }
            if (item.h.diskStart == 0xFFFF && d.size() - i >= 4)
                item.diskStart = Get32(d.data() + i);
            item.zip64 = true;
        } else if (f.id == kAesExtraId && f.data.size() >= 7) {
            const uint8_t strength = f.data[4];
            if (strength >= 1 && strength <= 3) {
                item.encryption = CryptoAlgorithm(strength);
                item.actualMethod = Get16(f.data.data() + 5);
            }
        }
    }
}

// ---------------------------------------------------------------- records

EndRecord EndRecord::Parse(const unsigned char* p)
{
    EndRecord r;
    r.signature = Get32(p);
    r.thisDisk = Get16(p + 4);
    r.dirDisk = Get16(p + 6);
    r.entriesThisDisk = Get16(p + 8);
    r.totalEntries = Get16(p + 10);
    r.dirSize = Get32(p + 12);
    r.dirOffset = Get32(p + 16);
    r.commentLen = Get16(p + 20);
    return r;
}

void EndRecord::Serialize(unsigned char* p) const
{
    Put32(p, signature);
    Put16(p + 4, thisDisk);
    Put16(p + 6, dirDisk);
    Put16(p + 8, entriesThisDisk);
    Put16(p + 10, totalEntries);
    Put32(p + 12, dirSize);
    Put32(p + 16, dirOffset);
    Put16(p + 20, commentLen);
}

// ---------------------------------------------------------------- manager

DirManager::DirManager(ZStream* stream, DirSettings settings)
    : stream_(stream), settings_(settings)
{
}

bool DirManager::FindEndOfCentralDir(uint32_t signature, uint64_t& pos, EndRecord& rec, std::string& comment)
{
    const uint64_t size = stream_->Size();
    const uint64_t window = std::min<uint64_t>(65600, size);
    if (window < kEndRecordSize)
        return false;
    const uint64_t start = size - window;
    std::vector<unsigned char> buf(window);
    const uint64_t savedPos = stream_->Position();
    const bool ok = stream_->ReadAt(start, buf.data(), buf.size());
    stream_->SetPosition(savedPos);
    if (!ok)
        return false;
    unsigned char s[4];
    Put32(s, signature);
    for (int64_t i = int64_t(window) - 4; i >= 0; --i) {
        if (buf[size_t(i) + 3] != s[3] || buf[size_t(i)] != s[0] || buf[size_t(i) + 1] != s[1] || buf[size_t(i) + 2] != s[2])
            continue;
        const uint64_t cand = start + uint64_t(i);
        if (size - cand < kEndRecordSize)
            continue;
        const EndRecord r = EndRecord::Parse(buf.data() + i);
        if (r.dirDisk > r.thisDisk || r.entriesThisDisk > r.totalEntries)
            continue;
        // A directory that starts on an earlier volume may be larger than
        // what precedes the record on this one (sets split by other tools
        // run it over a volume's end): its size is checked once the
        // volumes are laid end to end.
        if (r.dirDisk == r.thisDisk && r.dirSize != kSat32 && uint64_t(r.dirSize) >= cand + kEndRecordSize)
            continue;
        if (r.dirDisk == r.thisDisk && r.dirOffset != kSat32 && r.dirSize != kSat32
            && uint64_t(r.dirOffset) >= cand + kEndRecordSize - r.dirSize)
            continue;
        if (size - cand - kEndRecordSize < r.commentLen)
            continue;
        pos = cand;
        rec = r;
        comment.assign(reinterpret_cast<const char*>(buf.data() + i + kEndRecordSize), r.commentLen);
        return true;
    }
    return false;
}

void DirManager::ReadDirectory()
{
    dir_.Clear();
    BaseOffset = 0;
    Rebuilt = false;
    Comment.clear();
    uint64_t endPos = 0;
    EndRecord er;
    EndFound = FindEndOfCentralDir(sig::End, endPos, er, Comment);
    if (!EndFound) {
        RebuildDirectory();
        return;
    }
    try {
        uint64_t count = er.totalEntries, dirSize = er.dirSize, dirOffset = er.dirOffset;
        uint64_t dirDisk = er.dirDisk;
        uint64_t recPos = endPos;
        bool countKnown = er.totalEntries != 0xFFFF;
        if (endPos >= kZip64LocatorSize) {
            unsigned char loc[kZip64LocatorSize];
            if (!stream_->ReadAt(endPos - kZip64LocatorSize, loc, sizeof loc))
                throw DamagedDirectory{};
            if (Get32(loc) == sig::Zip64Locator) {
                const uint64_t locPos = endPos - kZip64LocatorSize;
                uint64_t z64Pos = Get64(loc + 8);
                unsigned char z[kZip64EndSize];
                auto recordAt = [&](uint64_t at) {
                    return at + kZip64EndSize <= locPos && stream_->ReadAt(at, z, sizeof z) && Get32(z) == sig::Zip64End;
                };
                if (!recordAt(z64Pos)) {
                    // Data put in front of the archive moves the record as well.
                    if (locPos < kZip64EndSize || !recordAt(locPos - kZip64EndSize))
                        throw EZAException(err::Zip64EndMissing);
                    z64Pos = locPos - kZip64EndSize;
                }
                count = Get64(z + 32);
                dirSize = Get64(z + 40);
                dirOffset = Get64(z + 48);
                dirDisk = Get32(z + 20);
                recPos = z64Pos;
                countKnown = true;
            }
        }
        if (dirSize > recPos)
            throw DamagedDirectory{};
        const uint64_t cdStart = recPos - dirSize;
        if (countKnown && count > dirSize / kCentralHeaderSize)
            throw DamagedDirectory{};
        if (VolumeStart) {
            // The directory's offset counts from the start of its volume.
            if (dirDisk > 0xFFFF || VolumeStart(uint32_t(dirDisk)) + dirOffset != cdStart)
                throw DamagedDirectory{};
            dirOffset = cdStart;
        }
        if (dirOffset > cdStart)
            throw DamagedDirectory{};
        const int64_t delta = int64_t(cdStart - dirOffset);
        std::vector<unsigned char> buf(static_cast<size_t>(dirSize));
        if (dirSize && !stream_->ReadAt(cdStart, buf.data(), buf.size()))
            throw DamagedDirectory{};
        ParseCentral(buf.data(), buf.size(), countKnown ? count : UINT64_MAX, cdStart, delta);
        DirStart = cdStart;
        CheckEntries(cdStart);
    } catch (const DamagedDirectory&) {
        if (!settings_.repairDamaged)
            throw EZAException(err::CompressedTooLarge);
        RebuildDirectory();
    } catch (const EZAException& e) {
        if (e.NativeError() == err::Zip64EndMissing || e.NativeError() == err::OpenCancelled || !settings_.repairDamaged)
            throw;
        RebuildDirectory();
    }
}

void DirManager::ParseCentral(const unsigned char* buf, size_t len, uint64_t count, uint64_t cdStart, int64_t delta)
{
    size_t p = 0;
    // Room for what an update usually adds, so that appending a file to a
    // large archive does not move every entry to a new array.
    if (count != UINT64_MAX)
        dir_.Reserve(size_t(count) + size_t(count) / 16 + 16);
    for (uint64_t n = 0; n < count; ++n) {
        if (count == UINT64_MAX && len - p < kCentralHeaderSize)
            break;
        if (len - p < kCentralHeaderSize || Get32(buf + p) != sig::Central)
            throw DamagedDirectory{};
        const unsigned char* h = buf + p;
        DirItem it;
        it.h.signature = sig::Central;
        it.h.versionMadeBy = Get16(h + 4);
        it.h.versionNeeded = Get16(h + 6);
        it.h.flags = Get16(h + 8);
        it.h.method = Get16(h + 10);
        it.h.time = Get16(h + 12);
        it.h.date = Get16(h + 14);
        it.h.crc = Get32(h + 16);
        it.h.compSize = Get32(h + 20);
        it.h.uncompSize = Get32(h + 24);
        it.h.nameLen = Get16(h + 28);
        it.h.extraLen = Get16(h + 30);
        it.h.commentLen = Get16(h + 32);
        it.h.diskStart = Get16(h + 34);
        it.h.internalAttr = Get16(h + 36);
        it.h.externalAttr = Get32(h + 38);
        it.h.localOffset = Get32(h + 42);
        const size_t varLen = size_t(it.h.nameLen) + it.h.extraLen + it.h.commentLen;
        if (len - p - kCentralHeaderSize < varLen)
            throw DamagedDirectory{};
        const unsigned char* v = h + kCentralHeaderSize;
        it.rawName.assign(reinterpret_cast<const char*>(v), it.h.nameLen);
        it.rawNameValid = true;
        it.extra = ParseExtraFields(v + it.h.nameLen, it.h.extraLen);
        it.comment.assign(reinterpret_cast<const char*>(v + it.h.nameLen + it.h.extraLen), it.h.commentLen);
        it.actualMethod = it.h.method;
        it.encryption = CryptoAlgorithm::PkzipClassic;
        ApplyKnownExtraFields(it);
        if (VolumeStart) {
            if (it.diskStart > 0xFFFF)
                throw DamagedDirectory{};
            it.localOffset += VolumeStart(it.diskStart);
        }
        it.name = DecodeEntryName(it.rawName, it.h.flags, it.h.versionMadeBy, it.extra, settings_.oemNames);
        dir_.Append(std::move(it));
        p += kCentralHeaderSize + varLen;
    }
    // Data put in front of the archive after its offsets were recorded (a
    // stub): the directory lies `delta` bytes later than it says.  Shift
    // every entry when the first local header is found there.
    if (delta > 0 && dir_.Count() > 0) {
        const DirItem* first = &dir_.Items()[0];
        for (const auto& it : dir_.Items())
            if (it.localOffset < first->localOffset)
                first = &it;
        unsigned char s[4];
        bool shifted = false;
        if (first->localOffset + uint64_t(delta) + 4 <= cdStart && stream_->ReadAt(first->localOffset + uint64_t(delta), s, 4)
            && Get32(s) == sig::Local)
            shifted = true;
        if (shifted) {
            for (auto& it : dir_.Items())
                it.localOffset += uint64_t(delta);
            BaseOffset = uint64_t(delta);
        }
    } else if (dir_.Count() == 0) {
        BaseOffset = cdStart;
    }
    // A set of volumes has no base offset: the split marker that other tools
    // put at the start of the first volume is no stub, and taking it for one
    // would make the set self-extracting and its first volume an ".exe".
    if (VolumeStart) {
        BaseOffset = 0;
        return;
    }
    if (dir_.Count() > 0 && BaseOffset == 0) {
        uint64_t low = UINT64_MAX;
        for (const auto& it : dir_.Items())
            low = std::min(low, it.localOffset);
        BaseOffset = low;
    }
}

namespace {
constexpr size_t kHeaderReadAhead = 32 * 1024;
} // namespace

void DirManager::CheckEntries(uint64_t dataLimit)
{
    struct Span {
        uint64_t start, end;
    };
    std::vector<Span> spans;
    spans.reserve(size_t(dir_.Count()));
    // The local headers lie one after another: read a block ahead, so that
    // thousands of small entries do not each cost a read from the system.
    struct ReadAheadScope {
        FileStream* file;
        size_t before;
        ~ReadAheadScope()
        {
            if (file)
                file->SetReadAhead(before);
        }
    } readAhead{dynamic_cast<FileStream*>(stream_), 0};
    if (readAhead.file) {
        readAhead.before = readAhead.file->ReadAhead();
        if (readAhead.before == 0 && dir_.Count() > 1)
            readAhead.file->SetReadAhead(kHeaderReadAhead);
    }
    for (const auto& it : dir_.Items()) {
        // The entry's data follows its own local header, whose name and extra
        // lengths may differ from the central ones (archives from other
        // tools do that, and an entry copied by a commit keeps its local
        // header): measure with the local lengths where they can be read.
        uint64_t head = uint64_t(kLocalHeaderSize) + it.h.nameLen;
        unsigned char h[kLocalHeaderSize];
        if (it.localOffset <= dataLimit && dataLimit - it.localOffset >= kLocalHeaderSize
            && stream_->ReadAt(it.localOffset, h, sizeof h) && Get32(h) == sig::Local)
            head = uint64_t(kLocalHeaderSize) + Get16(h + 26) + Get16(h + 28);
        if (it.localOffset > dataLimit || dataLimit - it.localOffset < head || dataLimit - it.localOffset - head < it.compSize)
            throw DamagedDirectory{};
        spans.push_back({it.localOffset, it.localOffset + head + it.compSize});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].start < spans[i - 1].end)
            throw DamagedDirectory{};
}

void DirManager::RebuildDirectory()
{
    if (VolumeStart)
        throw EZAException(err::OpenAborted);   // no rebuild across volumes
    dir_.Clear();
    Rebuilt = true;
    const uint64_t size = stream_->Size();
    // One pass over the file collects the positions of both signatures.
    std::vector<uint64_t> locals, descriptors;
    {
        constexpr size_t kChunk = 65535;
        std::vector<unsigned char> buf(kChunk + 4);
        uint64_t pos = 0;
        size_t carry = 0;
        while (pos < size) {
            const size_t want = size_t(std::min<uint64_t>(kChunk, size - pos));
            if (!stream_->ReadAt(pos, buf.data() + carry, want))
                break;
            const size_t have = carry + want;
            const uint64_t base = pos - carry;
            for (size_t i = 0; i + 4 <= have; ++i) {
                if (buf[i] != 0x50 || buf[i + 1] != 0x4B)
                    continue;
                const uint32_t s = Get32(buf.data() + i);
                if (s == sig::Local)
                    locals.push_back(base + i);
                else if (s == sig::DataDescriptor)
                    descriptors.push_back(base + i);
            }
            pos += want;
            carry = std::min<size_t>(3, have);
            std::copy(buf.begin() + std::ptrdiff_t(have - carry), buf.begin() + std::ptrdiff_t(have), buf.begin());
        }
    }
    if (locals.empty())
        throw EZAException(err::InvalidArchive);
    uint64_t covered = 0;   // end of the last accepted entry's known data
    for (const uint64_t at : locals) {
        if (at < covered)
            continue;     // a signature inside the data of the previous entry
        if (size - at < kLocalHeaderSize)
            continue;
        unsigned char h[kLocalHeaderSize];
        if (!stream_->ReadAt(at, h, sizeof h))
            continue;
        DirItem it;
        it.h.versionNeeded = it.h.versionMadeBy = Get16(h + 4);
        it.h.flags = Get16(h + 6);
        it.h.method = Get16(h + 8);
        it.h.time = Get16(h + 10);
        it.h.date = Get16(h + 12);
        it.h.crc = Get32(h + 14);
        it.h.compSize = Get32(h + 18);
        it.h.uncompSize = Get32(h + 22);
        it.h.nameLen = Get16(h + 26);
        it.h.extraLen = Get16(h + 28);
        if (it.h.compSize >= size || it.h.nameLen > 260)
            continue;
        const uint64_t varEnd = at + kLocalHeaderSize + it.h.nameLen + it.h.extraLen;
        if (varEnd > size)
            continue;
        std::vector<unsigned char> var(size_t(it.h.nameLen) + it.h.extraLen);
        if (!var.empty() && !stream_->ReadAt(at + kLocalHeaderSize, var.data(), var.size()))
            continue;
        it.rawName.assign(reinterpret_cast<const char*>(var.data()), it.h.nameLen);
        it.rawNameValid = true;
        it.extra = ParseExtraFields(var.data() + it.h.nameLen, it.h.extraLen);
        it.h.localOffset = at > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(at);
        it.actualMethod = it.h.method;
        // Local Zip64 fields carry both sizes whenever present.
        ApplyKnownExtraFields(it);
        it.localOffset = at;
        uint64_t descriptorEnd = 0;
        if (it.h.flags & 0x0008) {
            const auto d = std::lower_bound(descriptors.begin(), descriptors.end(), varEnd);
            if (d != descriptors.end() && size - *d >= 16) {
                unsigned char dd[16];
                if (stream_->ReadAt(*d, dd, sizeof dd)) {
                    descriptorEnd = *d + 16;
                    it.h.crc = Get32(dd + 4);
                    it.h.compSize = Get32(dd + 8);
                    it.h.uncompSize = Get32(dd + 12);
                    it.compSize = it.h.compSize;
                    it.uncompSize = it.h.uncompSize;
                    if (*d - varEnd != it.compSize) {
                        // A Zip64 descriptor or a stray signature: measure the data instead.
                        it.compSize = *d - varEnd;
                        it.h.compSize = it.compSize >= 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(it.compSize);
                    }
                }
            }
        }
        if (it.compSize > size - varEnd)
            continue;
        it.h.externalAttr = (it.uncompSize == 0 && !(it.h.flags & 0x0008)) ? 0x10 : 0x20;
        // Decoded as the directory the engine writes for it will be read
        // again, so a rebuilt entry keeps its name through an update.
        it.name = DecodeEntryName(it.rawName, it.h.flags, it.h.versionMadeBy, it.extra, settings_.oemNames);
        if (it.IsDirectory())
            it.h.externalAttr = 0x10;
        else if (it.h.externalAttr == 0x10)
            it.h.externalAttr = 0x20;   // an empty file is a folder only by its name
        covered = std::max(varEnd + it.compSize, descriptorEnd);
        dir_.Append(std::move(it));
    }
    BaseOffset = dir_.Count() ? dir_.Items()[0].localOffset : 0;
    // New entries go after the last entry's data; the old directory remnants are dropped.
    DirStart = covered;
}

void DirManager::AppendCentral(std::vector<unsigned char>& out, const DirItem& it, bool withDisk) const
{
    ByteWriter w{out};
    std::string nameBytes;
    uint16_t flags = it.h.flags;
    if (it.rawNameValid) {
        nameBytes = it.rawName;
    } else {
        bool utf8 = false;
        EncodeEntryName(it.name, settings_.oemNames, nameBytes, utf8);
        flags = utf8 ? uint16_t(flags | 0x0800) : uint16_t(flags & ~0x0800);
    }
    // Sizes kept in the Zip64 field stay there, as the local header has them too.
    const bool satU = it.uncompSize >= kSat32 || it.h.uncompSize == kSat32;
    const bool satC = it.compSize >= kSat32 || it.h.compSize == kSat32;
    const bool satO = it.localOffset >= kSat32;
    std::vector<unsigned char> z64;
    ByteWriter zw{z64};
    if (satU)
        zw.u64(it.uncompSize);
    if (satC)
        zw.u64(it.compSize);
    if (satO)
        zw.u64(it.localOffset);
    size_t extraLen = z64.empty() ? 0 : z64.size() + 4;
    for (const auto& f : it.extra)
        if (f.id != kZip64ExtraId)
            extraLen += 4 + f.data.size();
    if (extraLen > 0xFFFF || nameBytes.size() > 0xFFFF)
        throw EZAException(err::WriteError);
    uint16_t madeBy = it.h.versionMadeBy, needed = it.h.versionNeeded;
    if (!z64.empty()) {
        madeBy = uint16_t((madeBy & 0xFF00) | std::max<uint16_t>(madeBy & 0xFF, 45));
        needed = std::max<uint16_t>(needed, 45);
    }
    w.u32(sig::Central);
    w.u16(madeBy);
    w.u16(needed);
    w.u16(flags);
    w.u16(it.h.method);
    w.u16(it.h.time);
    w.u16(it.h.date);
    w.u32(it.h.crc);
    w.u32(satC ? kSat32 : uint32_t(it.compSize));
    w.u32(satU ? kSat32 : uint32_t(it.uncompSize));
    w.u16(uint16_t(nameBytes.size()));
    w.u16(uint16_t(extraLen));
    w.u16(uint16_t(std::min<size_t>(it.comment.size(), 0xFFFF)));
    w.u16(withDisk ? uint16_t(std::min<uint32_t>(it.diskStart, 0xFFFF)) : uint16_t(0));
    w.u16(it.h.internalAttr);
    w.u32(it.h.externalAttr);
    w.u32(satO ? kSat32 : uint32_t(it.localOffset));
    w.str(nameBytes);
    if (!z64.empty()) {
        w.u16(kZip64ExtraId);
        w.u16(uint16_t(z64.size()));
        w.bytes(z64.data(), z64.size());
    }
    for (const auto& f : it.extra) {
        if (f.id == kZip64ExtraId)
            continue;
        w.u16(f.id);
        w.u16(uint16_t(f.data.size()));
        w.bytes(f.data.data(), f.data.size());
    }
    w.bytes(it.comment.data(), std::min<size_t>(it.comment.size(), 0xFFFF));
}

std::vector<unsigned char> DirManager::BuildCentralRecord(const DirItem& item) const
{
    std::vector<unsigned char> out;
    AppendCentral(out, item, true);
    return out;
}

std::vector<unsigned char> DirManager::BuildDirectory(uint64_t at) const
{
    std::vector<unsigned char> out;
    out.reserve(size_t(dir_.Count()) * 96 + 128);
    for (const auto& it : dir_.Items())
        AppendCentral(out, it, false);
    const uint64_t dirSize = out.size();
    // A single file is volume 0 holding every entry.
    AppendEndRecords(out, at, 0, 0, uint64_t(dir_.Count()), dirSize, at + dirSize);
    return out;
}

std::vector<unsigned char> DirManager::BuildEndRecords(uint64_t dirOffset, uint32_t dirDisk, uint32_t thisDisk,
                                                   uint64_t entriesThisDisk, uint64_t dirSize,
                                                   uint64_t endRecordOffset) const
{
    std::vector<unsigned char> out;
    AppendEndRecords(out, dirOffset, dirDisk, thisDisk, entriesThisDisk, dirSize, endRecordOffset);
    return out;
}

void DirManager::AppendEndRecords(std::vector<unsigned char>& out, uint64_t dirOffset, uint32_t dirDisk,
                                  uint32_t thisDisk, uint64_t entriesThisDisk, uint64_t dirSize,
                                  uint64_t endRecordOffset) const
{
    ByteWriter w{out};
    const uint64_t count = uint64_t(dir_.Count());
    // The Zip64 records come first whenever a value no longer fits its field
    // in the classic end record (whose saturated value then points to them);
    // that includes where these records begin, which the locator holds.
    const bool z64 = endRecordOffset >= kSat32 || dirOffset >= kSat32 || count >= 0xFFFF || thisDisk >= 0xFFFF;
    if (z64) {
        w.u32(sig::Zip64End);
        w.u64(44);
        w.u16(45);
        w.u16(45);
        w.u32(thisDisk);
        w.u32(dirDisk);
        w.u64(entriesThisDisk);
        w.u64(count);
        w.u64(dirSize);
        w.u64(dirOffset);
        w.u32(sig::Zip64Locator);
        w.u32(thisDisk);
        w.u64(endRecordOffset);
        w.u32(thisDisk + 1);
    }
    EndRecord er;
    er.thisDisk = thisDisk >= 0xFFFF ? 0xFFFF : uint16_t(thisDisk);
    er.dirDisk = dirDisk >= 0xFFFF ? 0xFFFF : uint16_t(dirDisk);
    er.entriesThisDisk = entriesThisDisk >= 0xFFFF ? 0xFFFF : uint16_t(entriesThisDisk);
    er.totalEntries = count >= 0xFFFF ? 0xFFFF : uint16_t(count);
    er.dirSize = dirSize >= kSat32 ? kSat32 : uint32_t(dirSize);
    er.dirOffset = dirOffset >= kSat32 ? kSat32 : uint32_t(dirOffset);
    er.commentLen = uint16_t(std::min<size_t>(Comment.size(), 0xFFFF));
    unsigned char e[kEndRecordSize];
    er.Serialize(e);
    w.bytes(e, sizeof e);
    w.bytes(Comment.data(), er.commentLen);
}

void DirManager::WriteDirectory(uint64_t at)
{
    const std::vector<unsigned char> bytes = BuildDirectory(at);
    if (!stream_->Truncate(at))
        throw EZAException(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    stream_->SetPosition(at);
    if (stream_->Write(bytes.data(), bytes.size()) != bytes.size())
        throw EZAException(stream_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    DirStart = at;
}

bool DirManager::ReadLocalHeader(const DirItem& item, LocalInfo& info)
{
    const uint64_t limit = DirStart;
    const uint64_t off = item.localOffset;
    if (off > limit || limit - off < kLocalHeaderSize)
        return false;
    unsigned char h[kLocalHeaderSize];
    if (!stream_->ReadAt(off, h, sizeof h) || Get32(h) != sig::Local)
        return false;
    info.headerOffset = off;
    info.versionNeeded = Get16(h + 4);
    info.flags = Get16(h + 6);
    info.method = Get16(h + 8);
    info.time = Get16(h + 10);
    info.date = Get16(h + 12);
    info.crc = Get32(h + 14);
    info.nameLen = Get16(h + 26);
    info.extraLen = Get16(h + 28);
    info.dataOffset = off + kLocalHeaderSize + info.nameLen + info.extraLen;
    if (info.dataOffset > limit || limit - info.dataOffset < item.compSize)
        return false;
    info.extra.clear();
    if (info.extraLen) {
        std::vector<unsigned char> e(info.extraLen);
        if (!stream_->ReadAt(off + kLocalHeaderSize + info.nameLen, e.data(), e.size()))
            return false;
        info.extra = ParseExtraFields(e.data(), e.size());
    }
    return true;
}

uint64_t DirManager::EntryEnd(const DirItem& item, const LocalInfo& info)
{
    uint64_t end = info.dataOffset + item.compSize;
    if (info.flags & 0x0008) {
        const uint64_t limit = DirStart;
        unsigned char s[4];
        const bool withSig = limit - end >= 4 && stream_->ReadAt(end, s, 4) && Get32(s) == sig::DataDescriptor;
        bool z64 = item.zip64;
        for (const auto& f : info.extra)
            if (f.id == kZip64ExtraId)
                z64 = true;
        const uint64_t len = (withSig ? 4 : 0) + 4 + (z64 ? 16 : 8);
        end = std::min(limit, end + len);
    }
    return end;
}

} // namespace hsa::zip
