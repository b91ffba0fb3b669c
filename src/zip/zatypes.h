#pragma once
#include <cstdint>

namespace hsa::zip {

// What an item run does with an entry (also reported with the progress events).
enum class ProcessOperation : uint8_t {
    Add = 0,
    Move = 1,
    Delete = 2,
    UpdateFromFile = 3,
    Extract = 4,
    Test = 5,
    Rename = 6,        // directory-only changes: the local header is rewritten
    SetAttributes = 7,
    SetComment = 8,
};

enum class ProgressPhase : uint8_t { Start = 0, End = 2 };

// The owner's answer to a failed item.
enum class ZAAction : uint8_t { Retry = 0, Skip = 1, Abort = 2 };

enum class CompressionLevel : uint8_t { None, Fastest, Normal, Max };

enum class CryptoAlgorithm : uint8_t { PkzipClassic = 0, AES128 = 1, AES192 = 2, AES256 = 3 };

enum class StorePathMode : uint8_t { NoPath, RelativePath, FullPath, FullPathWithDrive };

enum class OverwriteMode : uint8_t { Prompt, Always, Never, IfNewer, IfOlder };

enum class FileShareMode : uint8_t { Compat, Exclusive, DenyWrite, DenyRead, DenyNone };

enum class SpanningMode : uint8_t { None = 0, Spanning = 1, Splitting = 2 };

// DOS file attribute bits, as stored in the low byte of the external attributes.
namespace attr {
inline constexpr uint32_t ReadOnly = 0x01, Hidden = 0x02, System = 0x04, Volume = 0x08, Directory = 0x10,
                          Archive = 0x20, Normal = 0x80, Compressed = 0x800, NotIndexed = 0x2000;
inline constexpr uint32_t DefaultSearch = 0x28BF;
} // namespace attr

// Open modes of OpenArchive.
namespace openmode {
inline constexpr uint16_t ReadOnlyCompat = 0;
inline constexpr uint16_t ReadWrite = 34;
inline constexpr uint16_t ReadOnly = 64;
inline constexpr uint16_t Create = 0xFFFF;
} // namespace openmode

struct ZAOptions {
    StorePathMode StorePath = StorePathMode::RelativePath;
    bool Recurse = true;
    FileShareMode ShareMode = FileShareMode::DenyNone;
    OverwriteMode OverwriteMode_ = OverwriteMode::Always;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    uint32_t SearchAttr = attr::DefaultSearch;
    bool FlushBuffers = true;
    bool OEMFileNames = true;
};

// What OnInternalEvent reports when an archive is opened after a commit of
// it was cut off (the process killed, the machine off): the values are where
// the bytes put back begin, their length, and 0.
namespace internalevent {
constexpr uint8_t CommitUndone = 1;          // the archive is as before the commit
constexpr uint8_t CommitFinished = 2;        // the archive is as the commit made it
constexpr uint8_t CommitLeftoverRemoved = 3; // the commit had not touched the archive
// Not put right: the archive cannot be written (the journal stays for the
// next open), or the journal that names the archive does not belong to what
// the archive holds now (another archive has taken the name, or the archive
// is damaged); it is set aside as "FC….verwaist" beside it.
constexpr uint8_t CommitNotRecovered = 4;
// Before an extraction: a = files and folders that an earlier run into the
// same target left under waiting names when it was cut off, removed now;
// b = those that could not be removed (they are tried again next time).
constexpr uint8_t LeftoversOfEarlierRun = 5;
} // namespace internalevent

} // namespace hsa::zip
