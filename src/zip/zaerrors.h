#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hsa::zip {

// The engine's error: a composed message (optionally prefixed with the name of
// the archiver that raised it and always followed by the native code), the
// index of the message text (ErrorCode, 0-41) and the engine code (NativeError,
// 0-68).
using ZipArgs = std::vector<std::string>;

class EZAException : public std::runtime_error {
public:
    // Raised without a component: the text carries no name prefix.
    explicit EZAException(int nativeError);
    EZAException(int nativeError, const std::vector<std::string>& args);
    // Raised by a component: a non-empty componentName is put in front.
    EZAException(int nativeError, const std::string& componentName);
    EZAException(int nativeError, const std::vector<std::string>& args, const std::string& componentName);

    int ErrorCode() const { return errorCode_; }
    int NativeError() const { return nativeError_; }
    // The message text of the table, formatted, without name prefix and suffix.
    const std::string& BareMessage() const { return bare_; }

private:
    int errorCode_;
    int nativeError_;
    std::string bare_;
};

// Table look-ups.
int ErrorCodeForNative(int nativeError);          // 0 for codes outside the map
const char* ErrorMessageText(int errorCode);      // the raw table text ("%s" / "%d" unformatted)
// Formats a table text: each "%s" or "%d" takes the next argument in order.
std::string FormatZipMessage(const std::string& text, const std::vector<std::string>& args);
// The full composition: "<name>: " + text + " - Native error: 000nn".
std::string ComposeZipMessage(int nativeError, const std::vector<std::string>& args, const std::string& componentName);

// Errors of the zlib glue.
class EZlibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class ECompressionError : public EZlibError {
public:
    using EZlibError::EZlibError;
};
class EDecompressionError : public EZlibError {
public:
    using EZlibError::EZlibError;
};

// Native error codes used by the engine (the numbers are the engine's codes).
namespace err {
inline constexpr int IndexPut = 1, IndexGet = 2, IndexRef = 3, IndexDelete = 4;
inline constexpr int BadCompressionMode = 5;
inline constexpr int DamagedEntry = 8;
inline constexpr int BlankFileNameAuto = 9, BlankFileNameMode = 10;
inline constexpr int ArchiveNotFound = 12;
inline constexpr int NotOpen = 13;
inline constexpr int ItemIndex = 16;
inline constexpr int CannotCreateFile = 19;
inline constexpr int CannotCreateDir = 20;
inline constexpr int UpdateNotStartedDelete = 22, UpdateNotStartedUpdate = 25;
inline constexpr int InsideUpdate = 26;
inline constexpr int CannotDeleteFile = 27;
inline constexpr int InMemoryCreateOnly = 28;
inline constexpr int BlankFileNameMemory = 29;
inline constexpr int ReadOnly = 32;
inline constexpr int CannotOpenFile = 33;
inline constexpr int ShortRead = 34;
inline constexpr int InvalidArchive = 35;
inline constexpr int CannotCreateOutput = 36;
inline constexpr int Zip64EndMissing = 40;
inline constexpr int Zip64Needed = 41, Zip64Disabled = 43;
inline constexpr int EntryNotFound = 42;
inline constexpr int OpenAborted = 44, OpenCancelled = 45;
inline constexpr int WriteError = 46;
inline constexpr int StubTooLarge = 47;
inline constexpr int MultiVolumeStream = 51;
inline constexpr int Damaged = 48;
inline constexpr int MultiVolumeChange = 52;
inline constexpr int VolumeNotFound = 53;
inline constexpr int Deflate64 = 55;
inline constexpr int CompressedTooLarge = 57;
inline constexpr int HashPut = 58, HashRename = 59;
inline constexpr int CannotDeleteFolder = 60;
inline constexpr int NameTooLong = 61;
inline constexpr int MultiTransaction = 62;
inline constexpr int DiskFull = 65;
inline constexpr int InvalidPassword = 67;
// Beyond the classic table: the process has no file handle left.
inline constexpr int TooManyOpenFiles = 68;
} // namespace err

} // namespace hsa::zip
