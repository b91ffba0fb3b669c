#include "zip/compression.h"

#include "zip/entrycipher.h"
#include "zip/zaerrors.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>
#include <zlib.h>

namespace hsa::zip {

size_t BufferSizeForMode(int mode)
{
    if (mode == 0)
        return 0x100000;
    if (mode >= 1 && mode <= 3)
        return 0x80000;
    if (mode >= 4 && mode <= 6)
        return 0x100000;
    if (mode >= 7 && mode <= 9)
        return 0x180000;
    return 0x100000;
}

CompressionLevel ModeToLevel(int mode)
{
    if (mode >= 1 && mode <= 3)
        return CompressionLevel::Fastest;
    if (mode >= 4 && mode <= 6)
        return CompressionLevel::Normal;
    if (mode >= 7 && mode <= 9)
        return CompressionLevel::Max;
    return CompressionLevel::None;
}

uint8_t LevelToMode(CompressionLevel level)
{
    switch (level) {
    case CompressionLevel::None: return 0;
    case CompressionLevel::Fastest: return 1;
    case CompressionLevel::Normal: return 6;
    case CompressionLevel::Max: return 9;
    }
    return 0;
}

uint16_t ZlibHeaderForMode(int mode)
{
    auto pair = [](uint8_t a, uint8_t b) { return uint16_t(a | (b << 8)); };
    switch (mode) {
    case 1: case 2: return pair(0x78, 0x01);
    case 3: case 4: return pair(0x78, 0x5E);
    case 5: case 6: return pair(0x78, 0x9C);
    case 0: case 7: case 8: case 9: return pair(0x78, 0xDA);
    default: return 0;
    }
}

uint32_t UpdateCrc32(uint32_t crc, const void* buf, size_t count)
{
    // zlib inverts before and after; the running value here is kept raw.
    const auto* p = static_cast<const Bytef*>(buf);
    uLong c = ~crc & 0xFFFFFFFFu;
    while (count > 0) {
        const uInt n = uInt(std::min<size_t>(count, 1u << 30));
        c = crc32(c, p, n);
        p += n;
        count -= n;
    }
    return ~uint32_t(c);
}

int CCheck(int result)
{
    if (result < 0)
        throw ECompressionError("error " + std::to_string(result));
    return result;
}

int DCheck(int result)
{
    if (result < 0)
        throw EDecompressionError("error");
    return result;
}

namespace {

bool WriteAll(ZStream* dest, const unsigned char* p, size_t n, CompressResult& r)
{
    if (n == 0)
        return true;
    if (dest->Write(p, n) != n) {
        r.status = CompressResult::Status::WriteFailed;
        r.writeErrno = dest->LastError();
        return false;
    }
    r.bytesWritten += n;
    return true;
}

struct DeflateStream {
    z_stream z {};
    bool live = false;
    ~DeflateStream()
    {
        if (live)
            deflateEnd(&z);
    }
};

} // namespace

CompressResult CompressEntry(const CompressJob& job)
{
    CompressResult r;
    const size_t bufSize = size_t(std::max<uint64_t>(1, std::min<uint64_t>(BufferSizeForMode(job.mode), job.sourceSize)));
    std::vector<unsigned char> in(bufSize);
    uint32_t advanceCrc = 0;
    EntryCipherInfo info;
    info.dosTime = job.dosTime;
    info.flags = job.flags;
    info.actualMethod = job.method;

    if (job.cipher && job.cipher->NeedsCrcInAdvance()) {
        // The header needs the CRC before the data: a first pass over the source.
        uint32_t crc = 0xFFFFFFFFu;
        uint64_t done = 0;
        job.source->SetPosition(0);
        while (done < job.sourceSize) {
            const size_t want = size_t(std::min<uint64_t>(bufSize, job.sourceSize - done));
            const size_t got = job.source->Read(in.data(), want);
            crc = UpdateCrc32(crc, in.data(), got);
            done += got;
            if (got < want)
                break;
        }
        if (done != job.sourceSize) {
            r.status = CompressResult::Status::SourceChanged;
            r.bytesRead = done;
            return r;
        }
        advanceCrc = ~crc;
        job.source->SetPosition(0);
    }
    info.crc = advanceCrc;

    DeflateStream ds;
    if (job.method == 8) {
        CCheck(deflateInit2(&ds.z, std::clamp(job.mode, 1, 9), Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY));
        ds.live = true;
    }
    if (job.cipher) {
        std::vector<unsigned char> header = job.cipher->StartEncrypt(job.password, info);
        if (!WriteAll(job.dest, header.data(), header.size(), r))
            return r;
    }
    std::vector<unsigned char> out;
    if (job.method == 8)
        out.resize(std::max<size_t>(64 * 1024, bufSize + bufSize / 10 + 4096));

    uint32_t crc = 0xFFFFFFFFu;
    uint64_t done = 0;
    bool finished = false;
    while (!finished) {
        if (job.progress && !job.progress(done)) {
            r.status = CompressResult::Status::Cancelled;
            return r;
        }
        const size_t want = size_t(std::min<uint64_t>(bufSize, job.sourceSize - done));
        const size_t got = want ? job.source->Read(in.data(), want) : 0;
        if (got < want) {
            r.status = CompressResult::Status::SourceChanged;
            r.bytesRead = done + got;
            return r;
        }
        crc = UpdateCrc32(crc, in.data(), got);
        done += got;
        finished = done >= job.sourceSize;
        if (job.method == 8) {
            ds.z.next_in = in.data();
            ds.z.avail_in = uInt(got);
            // Each piece ends on a byte boundary (sync flush), the last one
            // finishes the stream: archives made from the same file by the
            // same zlib come out byte for byte the same as the family's.
            const int flush = finished ? Z_FINISH : Z_SYNC_FLUSH;
            do {
                ds.z.next_out = out.data();
                ds.z.avail_out = uInt(out.size());
                int rc = deflate(&ds.z, flush);
                if (rc == Z_BUF_ERROR && flush != Z_FINISH)
                    break;   // everything pending was already taken out
                CCheck(rc);
                const size_t produced = out.size() - ds.z.avail_out;
                if (job.cipher)
                    job.cipher->Encrypt(out.data(), produced);
                if (!WriteAll(job.dest, out.data(), produced, r))
                    return r;
                if (rc == Z_STREAM_END)
                    break;
            } while (ds.z.avail_out == 0 || (flush == Z_FINISH));
        } else {
            if (job.cipher)
                job.cipher->Encrypt(in.data(), got);
            if (!WriteAll(job.dest, in.data(), got, r))
                return r;
        }
    }
    // A source that grew: there is more than was measured.
    unsigned char probe;
    if (job.source->Read(&probe, 1) != 0) {
        r.status = CompressResult::Status::SourceChanged;
        r.bytesRead = done + 1;
        return r;
    }
    r.bytesRead = done;
    r.crc = ~crc;
    if (job.cipher && job.cipher->NeedsCrcInAdvance() && r.crc != advanceCrc) {
        // The file changed between the two passes: the header would lie.
        r.status = CompressResult::Status::SourceChanged;
        return r;
    }
    if (job.cipher) {
        std::vector<unsigned char> trailer = job.cipher->FinishEncrypt();
        if (!WriteAll(job.dest, trailer.data(), trailer.size(), r))
            return r;
    }
    return r;
}

struct DecompressScratch::Inflate {
    z_stream z {};
    bool live = false;
    ~Inflate()
    {
        if (live)
            inflateEnd(&z);
    }
};

DecompressScratch::DecompressScratch() = default;
DecompressScratch::~DecompressScratch() = default;

unsigned char* DecompressScratch::Grow(std::unique_ptr<unsigned char[]>& buf, size_t& size, size_t n)
{
    if (size < n || !buf) {
        // Left uninitialised: every byte used is written first.
        buf.reset(new unsigned char[std::max<size_t>(n, 1)]);
        size = std::max<size_t>(n, 1);
    }
    return buf.get();
}

void* DecompressScratch::Inflater()
{
    if (!inflate_)
        inflate_ = std::make_unique<Inflate>();
    Inflate& f = *inflate_;
    if (f.live && inflateReset(&f.z) == Z_OK)
        return &f.z;
    if (f.live) {
        inflateEnd(&f.z);
        f.live = false;
    }
    f.z = z_stream {};
    if (inflateInit2(&f.z, -MAX_WBITS) != Z_OK)
        return nullptr;
    f.live = true;
    return &f.z;
}

DecompressResult DecompressEntry(const DecompressJob& job)
{
    DecompressResult r;
    if (job.method != 0 && job.method != 8) {
        r.status = DecompressResult::Status::BadMethod;
        return r;
    }
    constexpr size_t kIn = 256 * 1024;
    constexpr size_t kOut = 512 * 1024;
    DecompressScratch local;
    DecompressScratch& scratch = job.scratch ? *job.scratch : local;
    // Buffers no larger than the entry needs: the output buffer holds one
    // byte more than the declared size, so that a longer stream shows itself.
    const size_t inSize = size_t(std::min<uint64_t>(kIn, std::max<uint64_t>(job.dataSize, 1)));
    unsigned char* const in = scratch.In(inSize);
    size_t outSize = 0;
    unsigned char* out = nullptr;
    z_stream* zs = nullptr;
    if (job.method == 8) {
        outSize = size_t(std::min<uint64_t>(kOut, std::max<uint64_t>(job.expectedSize, 4095) + 1));
        out = scratch.Out(outSize);
        zs = static_cast<z_stream*>(scratch.Inflater());
        if (!zs)
            throw EDecompressionError("error");
    }
    uint32_t crc = 0xFFFFFFFFu;
    uint64_t consumed = 0;
    bool ended = false;
    job.archive->SetPosition(job.dataOffset);
    auto emit = [&](const unsigned char* p, size_t n) -> bool {
        if (n == 0)
            return true;
        if (r.written + n > job.expectedSize) {
            r.status = DecompressResult::Status::TooLong;
            return false;
        }
        if (job.dest->Write(p, n) != n) {
            r.status = DecompressResult::Status::WriteFailed;
            r.writeErrno = job.dest->LastError();
            return false;
        }
        crc = UpdateCrc32(crc, p, n);
        r.written += n;
        return true;
    };
    while (consumed < job.dataSize && !ended) {
        if (job.progress && !job.progress(r.written)) {
            r.status = DecompressResult::Status::Cancelled;
            return r;
        }
        const size_t want = size_t(std::min<uint64_t>(inSize, job.dataSize - consumed));
        job.archive->SetPosition(job.dataOffset + consumed);
        if (job.archive->Read(in, want) != want) {
            r.status = DecompressResult::Status::ReadFailed;
            return r;
        }
        consumed += want;
        if (job.cipher)
            job.cipher->Decrypt(in, want);
        if (job.method == 0) {
            if (!emit(in, want))
                return r;
            continue;
        }
        zs->next_in = in;
        zs->avail_in = uInt(want);
        while (true) {
            zs->next_out = out;
            zs->avail_out = uInt(outSize);
            const int rc = inflate(zs, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                r.status = DecompressResult::Status::DataError;
                return r;
            }
            if (!emit(out, outSize - zs->avail_out))
                return r;
            if (rc == Z_STREAM_END) {
                ended = true;
                break;
            }
            if (zs->avail_in == 0 && zs->avail_out != 0)
                break;
            if (rc == Z_BUF_ERROR && zs->avail_in == 0)
                break;
        }
    }
    if (job.method == 8 && !ended) {
        r.status = DecompressResult::Status::DataError;
        return r;
    }
    if (job.method == 8 && job.cipher && consumed < job.dataSize) {
        // Data after the end of the stream still has to pass the cipher (its
        // authentication covers every byte).
        while (consumed < job.dataSize) {
            const size_t want = size_t(std::min<uint64_t>(inSize, job.dataSize - consumed));
            job.archive->SetPosition(job.dataOffset + consumed);
            if (job.archive->Read(in, want) != want) {
                r.status = DecompressResult::Status::ReadFailed;
                return r;
            }
            job.cipher->Decrypt(in, want);
            consumed += want;
        }
    }
    if (r.written != job.expectedSize) {
        r.status = DecompressResult::Status::TooShort;
        r.crc = ~crc;
        return r;
    }
    r.crc = ~crc;
    return r;
}

} // namespace hsa::zip
