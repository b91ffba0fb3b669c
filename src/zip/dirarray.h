#pragma once
#include "zip/zatypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace hsa::zip {

class ZStream;

struct ExtraField {
    uint16_t id = 0;
    std::vector<unsigned char> data;
};

// The 46-byte central directory header, field by field.
struct CentralHeader {
    uint32_t signature = 0x02014B50;
    uint16_t versionMadeBy = 20;
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t time = 0;
    uint16_t date = 0;
    uint32_t crc = 0;
    uint32_t compSize = 0;
    uint32_t uncompSize = 0;
    uint16_t nameLen = 0;
    uint16_t extraLen = 0;
    uint16_t commentLen = 0;
    uint16_t diskStart = 0;
    uint16_t internalAttr = 0;
    uint32_t externalAttr = 0;
    uint32_t localOffset = 0;
};

// One entry of the in-memory directory.
struct DirItem {
    CentralHeader h;
    std::string name;          // UTF-8, "/" as separator
    std::string rawName;       // the name bytes as the archive holds them
    bool rawNameValid = false; // rawName may be written back unchanged
    std::string comment;       // UTF-8
    std::vector<ExtraField> extra;
    CryptoAlgorithm encryption = CryptoAlgorithm::PkzipClassic;
    bool zip64 = false;
    uint64_t uncompSize = 0, compSize = 0, localOffset = 0;
    uint32_t diskStart = 0;
    bool isNew = false;
    std::string password;      // UTF-8; the cipher takes its Windows-1252 bytes
    std::shared_ptr<ZStream> source;
    bool selected = false;
    std::string sourcePath;
    uint16_t actualMethod = 0;
    uint8_t compressionMode = 0;
    ProcessOperation operation = ProcessOperation::Add;
    bool changed = false;
    // Index of this entry in the list saved when the update began (-1: new).
    int savedIndex = -1;

    bool IsEncrypted() const { return (h.flags & 1) != 0; }
    bool IsDirectory() const;
};

// The case-insensitive index of entry names: lower-cased keys in a hash map
// keyed with a per-process random seed, so crafted names cannot force
// collisions.  Rebuilt lazily after deletions, since indexes shift.
class NameIndex {
public:
    void Clear();
    void Invalidate() { valid_ = false; }
    // Returns the first index holding the key, or -1.
    int Find(const std::vector<std::string>& keys, const std::string& key);
    void Added(const std::vector<std::string>& keys, int index);
    void Replaced(const std::string& oldKey, const std::string& newKey, int index);

private:
    struct SeededHash {
        size_t operator()(const std::string& s) const;
    };
    void Rebuild(const std::vector<std::string>& keys);
    std::unordered_map<std::string, int, SeededHash> map_;
    bool valid_ = false;
};

// The entry array with its name list.
class DirArray {
public:
    int Count() const { return int(items_.size()); }
    void SetCount(int n);
    DirItem Get(int i) const;              // error 2 outside the range
    DirItem& Ref(int i);                   // error 3
    const DirItem& Ref(int i) const;
    void Put(int i, const DirItem& item);  // error 1 (i == Count appends)
    void Append(DirItem item);
    void Delete(int i);                    // error 4
    int Find(const std::string& name);     // -1 when absent
    void Rename(int i, const std::string& newName);
    void Assign(const DirArray& other);
    void ClearSelected();
    void Clear();
    std::vector<DirItem>& Items() { return items_; }
    const std::vector<DirItem>& Items() const { return items_; }
    void Reserve(size_t n)
    {
        items_.reserve(n);
        keys_.reserve(n);
    }

private:
    std::vector<DirItem> items_;
    std::vector<std::string> keys_;   // lower-case names, same index as items_
    NameIndex index_;
};

// DOS date and time (local time), packed as the ZIP headers hold them.
uint32_t UnixToDosDateTime(int64_t unixTime);
int64_t DosDateTimeToUnix(uint32_t dosDateTime);

} // namespace hsa::zip
