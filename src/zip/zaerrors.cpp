#include "zip/zaerrors.h"

#include <cstdio>

namespace hsa::zip {

namespace {

// The message texts exactly as the engine shows them ("beore" included).
const char* const kMessages[42] = {
    "Unknown error",
    "Index out of bounds",
    "Invalid compression mode. Mode must be in [0-9] range",
    "Unexpected nil pointer",
    "Invalid size or check sum of file or unsupported compression format",
    "File name is blank. Specify appropriate file name",
    "File \"%s\" not found",
    "Archive is not open",
    "SFXStub property is not specified",
    "Cannot create file \"%s\"",
    "Cannot create directory \"%s\"",
    "Internal error. Update is not started",
    "Cannot open file \"%s\"",
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    "Cannot delete file \"%s\"",
    "In-memory archive can be created only",
    "File is open in read-only mode",
    "Invalid compressed size, rfs.size = %d, count = %d",
    "Invalid archive file.",
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    "Archive is open. You should close it beore performing this operation.",
    "Unable to create directory",
    "Cannot find 64-bit directory end record",
    "Cannot compress file '%s'. Zip64 mode is not enabled",
    "Cannot open archive file. Opening aborted or invalid file",
    "Write to stream error",
    "Cannot place SFX stub on volume. Volume size limit is too small",
    "Archive is damaged. Open failed",
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX",
    "Archive already has SFX stub",
    "Multi-volume archive is not allowed for custom stream",
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times",
    "Deflate64 compression method is not supported",
    "MakeSFX error",
    "Hashed list of file names is invalid",
    "Cannot delete folder \"%s\"",
    "File name is too long: \r\n\"%s\"",
    "Multiple transactions are not supported for multi-volume archives",
    "Invalid InitVector index = %d. Index should be >= 0 and < %d",
    "Disk is full. There is not enough free space on disk.",
    "Invalid password. Cannot decompress encrypted file.",
    // Not in the classic table: a lack of handles must not pass for a
    // folder or file that cannot be created.
    "Too many open files. Close other programs and try again.",
};

// Native code (index) to message index; -1 marks codes the map does not hold.
const int kNativeToMessage[69] = {
    0,                                 // 0
    1, 1, 1, 1,                        // 1-4
    2,                                 // 5
    3,                                 // 6
    1,                                 // 7
    4,                                 // 8
    5, 5,                              // 9, 10
    6, 6,                              // 11, 12
    7, 7,                              // 13, 14
    6,                                 // 15
    1,                                 // 16
    8,                                 // 17
    6,                                 // 18
    9,                                 // 19
    10,                                // 20
    1,                                 // 21
    11,                                // 22
    9,                                 // 23
    1,                                 // 24
    11,                                // 25
    13,                                // 26
    14,                                // 27
    15,                                // 28
    5,                                 // 29
    6, 6,                              // 30, 31
    16,                                // 32
    12,                                // 33
    17,                                // 34
    18,                                // 35
    19,                                // 36
    20,                                // 37
    6,                                 // 38
    21,                                // 39
    22,                                // 40
    23,                                // 41
    6,                                 // 42
    23,                                // 43
    24, 24,                            // 44, 45
    25,                                // 46
    26,                                // 47
    27,                                // 48
    28,                                // 49
    29,                                // 50
    30,                                // 51
    31,                                // 52
    6, 6,                              // 53, 54
    32,                                // 55
    33,                                // 56
    27,                                // 57
    34, 34,                            // 58, 59
    35,                                // 60
    36,                                // 61
    37,                                // 62
    38, 38,                            // 63, 64
    39, 39,                            // 65, 66
    40,                                // 67
    41,                                // 68
};

} // namespace

int ErrorCodeForNative(int nativeError)
{
    if (nativeError < 0 || nativeError >= 69)
        return 0;
    const int m = kNativeToMessage[nativeError];
    return m < 0 ? 0 : m;
}

const char* ErrorMessageText(int errorCode)
{
    if (errorCode < 0 || errorCode > 41)
        return kMessages[0];
    return kMessages[errorCode];
}

std::string FormatZipMessage(const std::string& text, const std::vector<std::string>& args)
{
    std::string out;
    out.reserve(text.size() + 32);
    size_t next = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'd')) {
            if (next < args.size())
                out += args[next];
            ++next;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ComposeZipMessage(int nativeError, const std::vector<std::string>& args, const std::string& componentName)
{
    std::string text = FormatZipMessage(ErrorMessageText(ErrorCodeForNative(nativeError)), args);
    if (!componentName.empty())
        text = componentName + ": " + text;
    char code[32];
    std::snprintf(code, sizeof code, "%5d", nativeError);
    for (char* p = code; *p; ++p)
        if (*p == ' ')
            *p = '0';
    return text + " - Native error: " + code;
}

EZAException::EZAException(int nativeError)
    : EZAException(nativeError, std::vector<std::string>{}, std::string{})
{
}

EZAException::EZAException(int nativeError, const std::vector<std::string>& args)
    : EZAException(nativeError, args, std::string{})
{
}

EZAException::EZAException(int nativeError, const std::string& componentName)
    : EZAException(nativeError, std::vector<std::string>{}, componentName)
{
}

EZAException::EZAException(int nativeError, const std::vector<std::string>& args, const std::string& componentName)
    : std::runtime_error(ComposeZipMessage(nativeError, args, componentName))
    , errorCode_(ErrorCodeForNative(nativeError))
    , nativeError_(nativeError)
    , bare_(FormatZipMessage(ErrorMessageText(ErrorCodeForNative(nativeError)), args))
{
}

} // namespace hsa::zip
