#pragma once
// Builds ZIP archives byte by byte, with whatever lies a test needs.
#include "zip/ziprecords.h"

#include <string>
#include <vector>
#include <zlib.h>

namespace hsa::zip::test {

struct RawEntry {
    std::string name;
    std::string data;            // as stored (already compressed)
    uint16_t method = 0;
    uint32_t crc = 0;
    bool autoCrc = true;         // crc of `plain`
    std::string plain;           // the uncompressed content (for the CRC)
    uint64_t compSize = UINT64_MAX;    // UINT64_MAX: data.size()
    uint64_t uncompSize = UINT64_MAX;  // UINT64_MAX: plain.size()
    uint16_t versionMadeBy = 20;
    uint32_t externalAttr = 0x20;
    int64_t offsetOverride = -1;  // central offset to write instead of the real one
    std::string centralExtra;
    std::string localName;        // name in the local header when it differs
    std::string padAfter;         // bytes between this entry's data and the next
};

inline std::string Deflate(const std::string& in, int level = 6)
{
    z_stream z {};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(in.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline uint32_t Crc(const std::string& s)
{
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size())));
}

// A stored entry holding plain text.
inline RawEntry Stored(const std::string& name, const std::string& text)
{
    RawEntry e;
    e.name = name;
    e.data = e.plain = text;
    return e;
}

inline RawEntry Deflated(const std::string& name, const std::string& text)
{
    RawEntry e;
    e.name = name;
    e.plain = text;
    e.data = Deflate(text);
    e.method = 8;
    return e;
}

struct RawArchive {
    std::vector<RawEntry> entries;
    uint64_t countOverride = UINT64_MAX;
    int64_t dirSizeDelta = 0;

    std::string Build() const
    {
        std::vector<unsigned char> out;
        ByteWriter w{out};
        // The fields local and central headers share, from "version needed" on.
        auto common = [&w](const RawEntry& e, const std::string& name, size_t extraLen) {
            w.u16(20);
            w.u16(0);   // flags
            w.u16(e.method);
            w.u16(0);
            w.u16(0x21);
            w.u32(e.autoCrc ? Crc(e.plain) : e.crc);
            w.u32(uint32_t(e.compSize == UINT64_MAX ? e.data.size() : e.compSize));
            w.u32(uint32_t(e.uncompSize == UINT64_MAX ? e.plain.size() : e.uncompSize));
            w.u16(uint16_t(name.size()));
            w.u16(uint16_t(extraLen));
        };
        std::vector<uint64_t> offsets;
        for (const auto& e : entries) {
            offsets.push_back(out.size());
            const std::string& local = e.localName.empty() ? e.name : e.localName;
            w.u32(sig::Local);
            common(e, local, 0);
            w.str(local + e.data + e.padAfter);
        }
        const uint64_t cdStart = out.size();
        for (size_t i = 0; i < entries.size(); ++i) {
            const auto& e = entries[i];
            w.u32(sig::Central);
            w.u16(e.versionMadeBy);
            common(e, e.name, e.centralExtra.size());
            w.u16(0);   // comment length
            w.u16(0);   // disk
            w.u16(0);   // internal attributes
            w.u32(e.externalAttr);
            w.u32(uint32_t(e.offsetOverride >= 0 ? uint64_t(e.offsetOverride) : offsets[i]));
            w.str(e.name + e.centralExtra);
        }
        const uint64_t cdSize = out.size() - cdStart;
        const uint64_t count = countOverride == UINT64_MAX ? entries.size() : countOverride;
        w.u32(sig::End);
        w.u32(0);   // disk numbers
        w.u16(uint16_t(count));
        w.u16(uint16_t(count));
        w.u32(uint32_t(int64_t(cdSize) + dirSizeDelta));
        w.u32(uint32_t(cdStart));
        w.u16(0);
        return std::string(out.begin(), out.end());
    }
};

} // namespace hsa::zip::test
