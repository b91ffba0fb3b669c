#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace hsa::zip {

namespace sig {
inline constexpr uint32_t Local = 0x04034B50;
inline constexpr uint32_t Central = 0x02014B50;
inline constexpr uint32_t End = 0x06054B50;
inline constexpr uint32_t Zip64End = 0x06064B50;
inline constexpr uint32_t Zip64Locator = 0x07064B50;
inline constexpr uint32_t DataDescriptor = 0x08074B50;
} // namespace sig

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64EndSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr uint16_t kZip64ExtraId = 0x0001;
inline constexpr uint16_t kAesExtraId = 0x9901;
inline constexpr uint16_t kUnicodePathExtraId = 0x7075;

inline uint16_t Get16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t Get64(const unsigned char* p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }

inline void Put16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline void Put64(unsigned char* p, uint64_t v)
{
    Put32(p, uint32_t(v));
    Put32(p + 4, uint32_t(v >> 32));
}

// Appends little-endian values to a byte vector.
struct ByteWriter {
    std::vector<unsigned char>& out;
    void u16(uint16_t v)
    {
        unsigned char b[2];
        Put16(b, v);
        out.insert(out.end(), b, b + 2);
    }
    void u32(uint32_t v)
    {
        unsigned char b[4];
        Put32(b, v);
        out.insert(out.end(), b, b + 4);
    }
    void u64(uint64_t v)
    {
        unsigned char b[8];
        Put64(b, v);
        out.insert(out.end(), b, b + 8);
    }
    void bytes(const void* p, size_t n)
    {
        const auto* c = static_cast<const unsigned char*>(p);
        out.insert(out.end(), c, c + n);
    }
    void str(const std::string& s) { bytes(s.data(), s.size()); }
};

// The 22-byte end of central directory record.
struct EndRecord {
    uint32_t signature = sig::End;
    uint16_t thisDisk = 0;
    uint16_t dirDisk = 0;
    uint16_t entriesThisDisk = 0;
    uint16_t totalEntries = 0;
    uint32_t dirSize = 0;
    uint32_t dirOffset = 0;
    uint16_t commentLen = 0;

    static EndRecord Parse(const unsigned char* p);
    void Serialize(unsigned char* p) const;
};

struct Zip64EndRecord {
    uint64_t recordSize = 44;
    uint16_t versionMadeBy = 45, versionNeeded = 45;
    uint32_t thisDisk = 0, dirDisk = 0;
    uint64_t entriesThisDisk = 0, totalEntries = 0, dirSize = 0, dirOffset = 0;
};

struct Zip64Locator {
    uint32_t diskOfZip64End = 0;
    uint64_t zip64EndOffset = 0;
    uint32_t totalDisks = 1;
};

} // namespace hsa::zip
