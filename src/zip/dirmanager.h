#pragma once
#include "zip/dirarray.h"
#include "zip/ziprecords.h"

#include <functional>
#include <string>

namespace hsa::zip {

class ZStream;

struct DirSettings {
    bool oemNames = true;         // names without flag bit 11 are code page 850
    bool repairDamaged = true;    // rebuild from the local headers when the directory is bad
};

// What a local header says about an entry's data.
struct LocalInfo {
    uint64_t headerOffset = 0;
    uint16_t versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
    uint32_t crc = 0;
    uint16_t nameLen = 0, extraLen = 0;
    uint64_t dataOffset = 0;      // first byte after name and extra fields
    std::vector<ExtraField> extra;
};

// Name coding of the headers.  Decoding gives UTF-8; encoding picks code
// page 850 (or 1252 without OEM names) when the name fits, else UTF-8 with
// flag bit 11.
std::string DecodeEntryName(const std::string& raw, uint16_t flags, uint16_t versionMadeBy,
                            const std::vector<ExtraField>& extra, bool oemNames);
void EncodeEntryName(const std::string& name, bool oemNames, std::string& bytes, bool& utf8);

// Parses an extra-field block; fields claiming more than is left are cut.
std::vector<ExtraField> ParseExtraFields(const unsigned char* p, size_t len);
// Applies the Zip64 and AES fields of the item's extra list to its values.
void ApplyKnownExtraFields(DirItem& item);

// The archive's directory: reading, rebuilding and writing it.
class DirManager {
public:
    DirManager(ZStream* stream, DirSettings settings);

    void ReadDirectory();
    void RebuildDirectory();
    bool FindEndOfCentralDir(uint32_t signature, uint64_t& pos, EndRecord& rec, std::string& comment);
    // Writes the central directory and the end records at position `at`
    // (the archive is cut there first); the directory start becomes `at`.
    void WriteDirectory(uint64_t at);
    // Builds the bytes of the central directory and end records for a
    // directory that starts at `at`.
    std::vector<unsigned char> BuildDirectory(uint64_t at) const;
    // One central header of a multi-volume archive: the entry's volume in
    // the disk field, its offset on that volume.
    std::vector<unsigned char> BuildCentralRecord(const DirItem& item) const;
    // The end records (the Zip64 end record and locator where needed, then
    // the end record and the comment) of an archive whose directory starts at
    // dirOffset on volume dirDisk, with the end on volume thisDisk, where
    // these records begin at endRecordOffset.
    std::vector<unsigned char> BuildEndRecords(uint64_t dirOffset, uint32_t dirDisk, uint32_t thisDisk,
                                               uint64_t entriesThisDisk, uint64_t dirSize,
                                               uint64_t endRecordOffset) const;

    // Reads and checks the local header of an entry: its signature, that the
    // name, extra fields and data lie inside the archive data.
    bool ReadLocalHeader(const DirItem& item, LocalInfo& info);
    // First byte after an entry's data and its data descriptor, if any.
    uint64_t EntryEnd(const DirItem& item, const LocalInfo& info);

    DirArray& Dir() { return dir_; }
    DirArray& Saved() { return saved_; }
    const DirArray& Dir() const { return dir_; }

    void SetStream(ZStream* s) { stream_ = s; }
    ZStream* Stream() const { return stream_; }
    DirSettings& Settings() { return settings_; }

    uint64_t DirStart = 0;        // start of the central directory (= end of entry data)
    uint64_t BaseOffset = 0;      // bytes in front of the first local header
    std::string Comment;          // archive comment, raw bytes
    bool EndFound = false;
    bool Rebuilt = false;
    // Set for the volumes of a split or spanned archive laid end to end:
    // where a volume starts in the stream.  Offsets of the directory are
    // then taken relative to their volume, and no rebuild is possible.
    std::function<uint64_t(uint32_t disk)> VolumeStart;

private:
    void ParseCentral(const unsigned char* buf, size_t len, uint64_t count, uint64_t cdStart, int64_t delta);
    void AppendCentral(std::vector<unsigned char>& out, const DirItem& it, bool withDisk) const;
    void AppendEndRecords(std::vector<unsigned char>& out, uint64_t dirOffset, uint32_t dirDisk, uint32_t thisDisk,
                          uint64_t entriesThisDisk, uint64_t dirSize, uint64_t endRecordOffset) const;
    void CheckEntries(uint64_t dataLimit);

    ZStream* stream_;
    DirSettings settings_;
    DirArray dir_;
    DirArray saved_;
};

} // namespace hsa::zip
