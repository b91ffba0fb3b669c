#pragma once
#include "zip/zatypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hsa::zip {

class EntryCipher;
class ZStream;

size_t BufferSizeForMode(int mode);
CompressionLevel ModeToLevel(int mode);
uint8_t LevelToMode(CompressionLevel level);
// The two zlib header bytes as laid in memory (first byte in the low byte).
uint16_t ZlibHeaderForMode(int mode);

// The running CRC-32 of ZIP: start with 0xFFFFFFFF, invert at the end.
uint32_t UpdateCrc32(uint32_t crc, const void* buf, size_t count);
inline void UpdateCrc32InPlace(uint32_t& crc, const void* buf, size_t count) { crc = UpdateCrc32(crc, buf, count); }

// zlib glue: a negative result raises.
int CCheck(int result);
int DCheck(int result);

// Called with the bytes done so far; false cancels.
using ProgressFn = std::function<bool(uint64_t done)>;

struct CompressJob {
    ZStream* source = nullptr;
    uint64_t sourceSize = 0;
    ZStream* dest = nullptr;       // positioned where the entry's data begins
    uint16_t method = 8;           // 0 stored, 8 deflate
    int mode = 1;                  // compression mode 1-9 gives the zlib level
    EntryCipher* cipher = nullptr; // null: not encrypted
    std::string password;          // Windows-1252 bytes
    uint16_t dosTime = 0;
    uint16_t flags = 0;
    ProgressFn progress;
};

struct CompressResult {
    enum class Status { Ok, Cancelled, ReadFailed, SourceChanged, WriteFailed } status = Status::Ok;
    uint32_t crc = 0;
    uint64_t bytesRead = 0;
    uint64_t bytesWritten = 0;     // all bytes of the entry's data, cipher header and trailer included
    int writeErrno = 0;
};

// Compresses (and enciphers) a whole source into the destination.
CompressResult CompressEntry(const CompressJob& job);

// Buffers and inflate state kept from one entry to the next of a run, so
// that many small entries do not each allocate (and clear) half a megabyte
// and set up a new inflate state.  One scratch serves one thread.
class DecompressScratch {
public:
    DecompressScratch();
    ~DecompressScratch();
    DecompressScratch(const DecompressScratch&) = delete;
    DecompressScratch& operator=(const DecompressScratch&) = delete;

    // Buffers of at least n bytes (contents undefined).
    unsigned char* In(size_t n) { return Grow(in_, inSize_, n); }
    unsigned char* Out(size_t n) { return Grow(out_, outSize_, n); }
    // A raw inflate state ready for a new stream; null when zlib fails.
    void* Inflater();

private:
    static unsigned char* Grow(std::unique_ptr<unsigned char[]>& buf, size_t& size, size_t n);
    std::unique_ptr<unsigned char[]> in_, out_;
    size_t inSize_ = 0, outSize_ = 0;
    struct Inflate;
    std::unique_ptr<Inflate> inflate_;
};

struct DecompressJob {
    ZStream* archive = nullptr;
    uint64_t dataOffset = 0;       // first byte after the cipher header
    uint64_t dataSize = 0;         // compressed bytes without cipher header and trailer
    uint16_t method = 8;
    uint64_t expectedSize = 0;     // declared uncompressed size: never more is written
    ZStream* dest = nullptr;
    EntryCipher* cipher = nullptr; // already started for decryption
    ProgressFn progress;
    DecompressScratch* scratch = nullptr;   // null: buffers of this call only
};

struct DecompressResult {
    enum class Status { Ok, DataError, TooLong, TooShort, WriteFailed, Cancelled, BadMethod, ReadFailed } status =
        Status::Ok;
    uint32_t crc = 0;
    uint64_t written = 0;
    int writeErrno = 0;
};

// Reads, deciphers and inflates one entry's data into dest.  The deflate
// stream must end within the data, the output must have the declared size.
DecompressResult DecompressEntry(const DecompressJob& job);

} // namespace hsa::zip
