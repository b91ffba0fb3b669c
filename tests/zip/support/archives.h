#pragma once
// Archiver set-ups shared by the ZIP engine tests.
#include "zip/archiver.h"
#include "zip/zipstream.h"

#include "support/ziptestsupport.h"

#include <cerrno>
#include <functional>
#include <map>
#include <optional>

namespace hsa::zip::test {

using Files = std::map<std::string, std::string>;

inline void LayOut(const std::string& root, const Files& files)
{
    for (const auto& [name, content] : files)
        WriteFile(root + "/" + name, content);
}

inline void Open(ZipArchiver& z, const std::string& archive, const std::string& password = {})
{
    z.SetFileName(archive);
    z.SetPassword(password);
    z.OpenArchive();
}

// A new archive of everything below `folder`, names relative to it.
inline void PackFolder(const std::string& archive, const std::string& folder, const std::string& password = {},
                       int mode = 6, CryptoAlgorithm cipher = CryptoAlgorithm::PkzipClassic)
{
    ZipArchiver z;
    z.EncryptionMethod = cipher;
    z.SetFileName(archive);
    z.SetPassword(password);
    z.SetCompressionMode(mode);
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(folder);
    z.AddFiles(folder + "/*.*");
    z.CloseArchive();
}

// Failures are recorded (name and native error) and answered with `answer`
// instead of asked about.
struct FailureLog {
    std::vector<std::string> names;
    std::vector<int> codes;
    void Attach(ZABaseArchiver& z, ZAAction answer = ZAAction::Skip)
    {
        z.OnProcessFileFailure = [this, answer](ZABaseArchiver&, const std::string& name, ProcessOperation, int native,
                                                int, const std::string&, ZAAction& a) {
            names.push_back(name);
            codes.push_back(native);
            a = answer;
        };
    }
};

// The native error a call raises; 0 when it raises none.
template <class Call>
int NativeErrorOf(Call&& call)
{
    try {
        call();
    } catch (const EZAException& e) {
        return e.NativeError();
    }
    return 0;
}

// The user at the dialogs: every question is recorded and answered as set.
struct ScriptedDialogs : ZipDialogs {
    OverwriteAnswer overwrite = OverwriteAnswer::Yes;
    FailureAnswer failure = FailureAnswer::Abort;
    std::optional<std::string> password;
    std::function<bool(const std::string&)> okCancel;   // unset: Cancel
    std::vector<std::string> asked;
    bool retryOffered = false;
    OverwriteAnswer AskOverwrite(const std::string& text) override
    {
        asked.push_back(text);
        return overwrite;
    }
    FailureAnswer AskFailure(const std::string& text, bool offerRetry) override
    {
        asked.push_back(text);
        retryOffered = offerRetry;
        return failure;
    }
    std::optional<std::string> AskPassword(const std::string& caption, const std::string& label) override
    {
        asked.push_back(caption + "|" + label);
        return password;
    }
    bool AskOkCancel(const std::string& text) override
    {
        asked.push_back(text);
        return okCancel && okCancel(text);
    }
};

// A stream on a disk that is full beyond `room` bytes.
struct LimitedStream : MemoryStream {
    using MemoryStream::MemoryStream;
    size_t room = SIZE_MAX;
    size_t Write(const void* buf, size_t n) override
    {
        if (Position() + n > room) {
            lastError_ = ENOSPC;
            return 0;
        }
        return MemoryStream::Write(buf, n);
    }
};

} // namespace hsa::zip::test
