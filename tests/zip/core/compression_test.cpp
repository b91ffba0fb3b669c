// The data path of one entry: levels, CRC, raw deflate, classic encryption
// and the checks of decompression.
#include "zip/compression.h"
#include "zip/entrycipher.h"
#include "zip/zipstream.h"

#include "support/ziptestsupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

using Status = DecompressResult::Status;

MemoryStream FromString(const std::string& s)
{
    return MemoryStream(std::vector<unsigned char>(s.begin(), s.end()));
}

std::string Compress(const std::string& data, uint16_t method, int mode, CompressResult* result = nullptr,
                     EntryCipher* cipher = nullptr)
{
    MemoryStream src = FromString(data), dst;
    CompressJob job;
    job.source = &src;
    job.sourceSize = data.size();
    job.dest = &dst;
    job.method = method;
    job.mode = mode;
    job.cipher = cipher;
    job.password = "pw";
    const CompressResult r = CompressEntry(job);
    EXPECT_EQ(r.status, CompressResult::Status::Ok);
    if (result)
        *result = r;
    return std::string(dst.Data().begin(), dst.Data().end());
}

DecompressResult Decompress(const std::string& packed, uint16_t method, uint64_t expected, std::string& out)
{
    MemoryStream arc = FromString(packed), dst;
    DecompressJob job;
    job.archive = &arc;
    job.dataSize = packed.size();
    job.method = method;
    job.expectedSize = expected;
    job.dest = &dst;
    const DecompressResult r = DecompressEntry(job);
    out.assign(dst.Data().begin(), dst.Data().end());
    return r;
}

// The reference way of deflating an entry: a zlib stream per entry, each
// buffer-sized piece sync-flushed, the last finished, the zlib header and
// the Adler-32 trailer cut off.
std::string DeflateInPieces(const std::string& data, int mode)
{
    const size_t piece = BufferSizeForMode(mode);
    z_stream z {};
    deflateInit(&z, mode);
    std::string out;
    for (size_t pos = 0; pos < data.size(); pos += piece) {
        const size_t n = std::min(piece, data.size() - pos);
        const bool last = pos + n == data.size();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + pos));
        z.avail_in = uInt(n);
        std::string buf(n + n / 10 + 4096, '\0');
        do {
            z.next_out = reinterpret_cast<Bytef*>(buf.data());
            z.avail_out = uInt(buf.size());
            deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
            out.append(buf.data(), buf.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out.substr(2, out.size() - 6);
}

} // namespace

TEST(ZipCompression, ModesGiveTheZlibHeaderOfTheirLevelAndTheCrcRunsRaw)
{
    const std::pair<int, int> headers[] = {{1, 0x0178}, {4, 0x5E78}, {6, 0x9C78}, {0, 0xDA78}, {12, 0}};
    for (const auto& [mode, header] : headers)
        EXPECT_EQ(ZlibHeaderForMode(mode), header) << "mode " << mode;
    uint32_t crc = UpdateCrc32(0xFFFFFFFFu, "1234", 4);
    UpdateCrc32InPlace(crc, "56789", 5);
    EXPECT_EQ(~crc, 0xCBF43926u);   // the check value of CRC-32
}

// Byte-identical output to the reference method keeps archives comparable.
TEST(ZipCompression, PiecesAreSyncFlushedLikeTheReferenceMethod)
{
    for (int mode : {1, 6}) {
        const std::string data = TextBytes(BufferSizeForMode(mode) * 2 + 4321, 7);
        EXPECT_TRUE(Compress(data, 8, mode) == DeflateInPieces(data, mode)) << "mode " << mode;
    }
}

TEST(ZipCompression, InflateStopsAtTheDeclaredSizeAndNeedsTheStreamEnd)
{
    const std::string data(100000, 'z');
    const std::string packed = Compress(data, 8, 6);
    const struct {
        const char* what;
        std::string bytes;
        uint16_t method;
        uint64_t declared;
        Status status;
    } rows[] = {
        {"declared smaller", packed, 8, 1000, Status::TooLong},
        {"declared larger", packed, 8, 200000, Status::TooShort},
        {"cut: the stream never ends", packed.substr(0, packed.size() / 2), 8, data.size(), Status::DataError},
        {"garbage", std::string(50, '\xFF'), 8, 10, Status::DataError},
        {"unknown method", packed, 12, data.size(), Status::BadMethod},
    };
    for (const auto& r : rows) {
        std::string out;
        EXPECT_EQ(Decompress(r.bytes, r.method, r.declared, out).status, r.status) << r.what;
        EXPECT_LE(out.size(), r.declared) << r.what;   // never writes more than declared
    }
}

TEST(ZipCompression, ASourceThatChangesFailsInsteadOfStoringAWrongCrc)
{
    // A source that claims more bytes than it delivers (a file that shrank).
    struct Shrinking : MemoryStream {
        using MemoryStream::MemoryStream;
        uint64_t Size() override { return MemoryStream::Size() + 100; }
    };
    ClassicCipher cipher;
    for (EntryCipher* c : {static_cast<EntryCipher*>(nullptr), static_cast<EntryCipher*>(&cipher)}) {
        Shrinking shrunk(std::vector<unsigned char>(1000, 'a'));
        MemoryStream grown(std::vector<unsigned char>(1000, 'b')), dst;
        for (auto [source, size] : {std::pair<ZStream*, uint64_t>{&shrunk, shrunk.Size()}, {&grown, 900}}) {
            CompressJob job;
            job.source = source;
            job.sourceSize = size;
            job.dest = &dst;
            job.cipher = c;
            job.password = "x";
            EXPECT_EQ(CompressEntry(job).status, CompressResult::Status::SourceChanged) << size << (c ? " encrypted" : "");
        }
    }
}

TEST(ZipClassicCipher, TheHeaderCarriesTheCheckByteOfTheCrcOrOfTheTime)
{
    ClassicCipher enc;
    CompressResult r;
    const std::string packed = Compress(TextBytes(5000, 9), 8, 1, &r, &enc);
    unsigned char header[12];
    std::copy(packed.begin(), packed.begin() + 12, header);
    ClassicKeys keys;
    ClassicDecryptHeader("pw", keys, header);
    EXPECT_EQ(header[11], uint8_t(r.crc >> 24));
    EXPECT_EQ(header[10], uint8_t(r.crc >> 16));
    // An entry with a data descriptor checks the time byte instead of the CRC.
    EntryCipherInfo info;
    info.crc = r.crc;
    info.dosTime = 0xAB00;
    info.flags = 0x0008;
    const auto h = enc.StartEncrypt("x", info);
    EXPECT_TRUE(ClassicPasswordCheck("x", h.data(), keys, 0, 0xAB00, 0x0008));
    EXPECT_FALSE(ClassicPasswordCheck("x", h.data(), keys, r.crc, 0x1100, 0x0008));
}
