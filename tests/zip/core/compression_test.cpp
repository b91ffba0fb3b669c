// The data path of one entry: buffer sizes and levels, CRC, raw deflate,
// classic encryption and the checks of decompression.
#include "zip/compression.h"
#include "zip/entrycipher.h"
#include "zip/zipstream.h"

#include "support/ziptestsupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

MemoryStream FromString(const std::string& s)
{
    return MemoryStream(std::vector<unsigned char>(s.begin(), s.end()));
}

std::string ToString(const MemoryStream& m)
{
    return std::string(m.Data().begin(), m.Data().end());
}

// A source that claims more bytes than it delivers (a file that shrank).
class ShrinkingSource : public MemoryStream {
public:
    using MemoryStream::MemoryStream;
    uint64_t Size() override { return MemoryStream::Size() + 100; }
};

std::string Compress(const std::string& data, uint16_t method, int mode, EntryCipher* cipher = nullptr,
                     const std::string& pw = {}, CompressResult* result = nullptr)
{
    MemoryStream src = FromString(data);
    MemoryStream dst;
    CompressJob job;
    job.source = &src;
    job.sourceSize = data.size();
    job.dest = &dst;
    job.method = method;
    job.mode = mode;
    job.cipher = cipher;
    job.password = pw;
    const CompressResult r = CompressEntry(job);
    EXPECT_EQ(r.status, CompressResult::Status::Ok);
    if (result)
        *result = r;
    return ToString(dst);
}

DecompressResult Decompress(const std::string& packed, uint16_t method, uint64_t expected, std::string& out,
                            EntryCipher* cipher = nullptr, uint64_t skip = 0)
{
    MemoryStream arc = FromString(packed);
    MemoryStream dst;
    DecompressJob job;
    job.archive = &arc;
    job.dataOffset = skip;
    job.dataSize = packed.size() - skip;
    job.method = method;
    job.expectedSize = expected;
    job.dest = &dst;
    job.cipher = cipher;
    const DecompressResult r = DecompressEntry(job);
    out = ToString(dst);
    return r;
}

} // namespace

TEST(ZipCompression, ModesGiveTheZlibHeaderOfTheirLevel)
{
    const std::pair<int, int> headers[] = {{1, 0x0178}, {4, 0x5E78}, {6, 0x9C78}, {0, 0xDA78}, {12, 0}};
    for (const auto& [mode, header] : headers)
        EXPECT_EQ(ZlibHeaderForMode(mode), header) << "mode " << mode;
}

TEST(ZipCompression, CrcRunsRawAndInvertsAtTheEnd)
{
    const std::string s = "123456789";
    uint32_t crc = 0xFFFFFFFFu;
    crc = UpdateCrc32(crc, s.data(), 4);
    UpdateCrc32InPlace(crc, s.data() + 4, 5);
    EXPECT_EQ(~crc, 0xCBF43926u);   // the check value of CRC-32
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

TEST(ZipCompression, PiecesAreSyncFlushedLikeTheReferenceMethod)
{
    for (int mode : {1, 6}) {
        const std::string data = TextBytes(BufferSizeForMode(mode) * 2 + 4321, 7);
        EXPECT_TRUE(Compress(data, 8, mode) == DeflateInPieces(data, mode)) << "mode " << mode;
    }
}

TEST(ZipCompression, RoundTripsStoredAndDeflatedAtEveryLevel)
{
    const std::string text = TextBytes(3 * 1024 * 1024 + 17, 2);   // several buffers
    for (int mode : {0, 1, 5, 9}) {
        CompressResult r;
        const std::string packed = Compress(text, mode ? 8 : 0, mode, nullptr, {}, &r);
        EXPECT_EQ(packed.size() < text.size() / 2, mode != 0) << mode;
        EXPECT_EQ(r.bytesRead, text.size());
        std::string out;
        const DecompressResult d = Decompress(packed, mode ? 8 : 0, text.size(), out);
        EXPECT_EQ(d.status, DecompressResult::Status::Ok) << mode;
        EXPECT_EQ(d.crc, r.crc);
        EXPECT_TRUE(out == text) << mode;
    }
}

TEST(ZipCompression, InflateStopsAtTheDeclaredSizeAndNeedsTheStreamEnd)
{
    using S = DecompressResult::Status;
    const std::string data(100000, 'z');
    const std::string packed = Compress(data, 8, 6);
    const struct {
        const char* what;
        std::string bytes;
        uint16_t method;
        uint64_t declared;
        S status;
    } rows[] = {
        {"declared smaller", packed, 8, 1000, S::TooLong},
        {"declared larger", packed, 8, 200000, S::TooShort},
        {"cut: the stream never ends", packed.substr(0, packed.size() / 2), 8, data.size(), S::DataError},
        {"garbage", std::string(50, '\xFF'), 8, 10, S::DataError},
        {"unknown method", packed, 12, data.size(), S::BadMethod},
    };
    for (const auto& r : rows) {
        std::string out;
        EXPECT_EQ(Decompress(r.bytes, r.method, r.declared, out).status, r.status) << r.what;
        EXPECT_LE(out.size(), r.declared) << r.what;   // never writes more than declared
    }
}

TEST(ZipCompression, ASourceThatChangesFailsInsteadOfStoringAWrongCrc)
{
    ShrinkingSource src(std::vector<unsigned char>(1000, 'a'));
    MemoryStream dst;
    CompressJob job;
    job.source = &src;
    job.sourceSize = src.Size();
    job.dest = &dst;
    EXPECT_EQ(CompressEntry(job).status, CompressResult::Status::SourceChanged);
    ClassicCipher c;
    job.cipher = &c;
    job.password = "x";
    src.SetPosition(0);
    EXPECT_EQ(CompressEntry(job).status, CompressResult::Status::SourceChanged);
    // A source that grows beyond its measured size.
    MemoryStream grow(std::vector<unsigned char>(1000, 'b'));
    job.source = &grow;
    job.sourceSize = 900;
    job.cipher = nullptr;
    EXPECT_EQ(CompressEntry(job).status, CompressResult::Status::SourceChanged);
}

TEST(ZipClassicCipher, HeaderCarriesTheCrcAndTheCheckByte)
{
    const std::string data = TextBytes(5000, 9);
    ClassicCipher enc;
    enc.randomSource = [](unsigned char* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            p[i] = uint8_t(i * 7);
    };
    CompressResult r;
    const std::string packed = Compress(data, 8, 1, &enc, "pw", &r);
    ASSERT_GT(packed.size(), 12u);
    unsigned char header[12], plain[12];
    std::copy(packed.begin(), packed.begin() + 12, header);
    std::copy(header, header + 12, plain);
    ClassicKeys keys;
    ClassicDecryptHeader("pw", keys, plain);
    EXPECT_EQ(plain[11], uint8_t(r.crc >> 24));
    EXPECT_EQ(plain[10], uint8_t(r.crc >> 16));
    EXPECT_EQ(plain[3], uint8_t(21));   // the (fixed) random bytes
    // Decrypt and inflate the whole entry.
    ClassicCipher dec;
    EntryCipherInfo info;
    info.crc = r.crc;
    ASSERT_TRUE(dec.StartDecrypt("pw", header, info));
    std::string out;
    EXPECT_EQ(Decompress(packed, 8, data.size(), out, &dec, 12).status, DecompressResult::Status::Ok);
    EXPECT_TRUE(out == data);
    // Roughly one wrong password in 256 passes the quick check; most do not.
    int passed = 0;
    for (int i = 0; i < 2560; ++i) {
        ClassicKeys k;
        passed += ClassicPasswordCheck("wrong" + std::to_string(i), header, k, r.crc, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(passed, 0);
    EXPECT_LT(passed, 40);
}

TEST(ZipClassicCipher, DataDescriptorEntriesCheckTheTimeByte)
{
    ClassicCipher enc;
    EntryCipherInfo info;
    info.crc = 0xCB000000u;
    info.dosTime = 0xAB00;
    info.flags = 0x0008;
    const auto h = enc.StartEncrypt("x", info);
    ClassicKeys k;
    EXPECT_TRUE(ClassicPasswordCheck("x", h.data(), k, 0, 0xAB00, 0x0008));
    EXPECT_FALSE(ClassicPasswordCheck("x", h.data(), k, 0xCB000000u, 0x1100, 0x0008));
    info.flags = 0;
    const auto h2 = enc.StartEncrypt("x", info);
    EXPECT_TRUE(ClassicPasswordCheck("x", h2.data(), k, 0xCB000000u, 0, 0));
}
