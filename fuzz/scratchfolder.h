#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace hsa::fuzz {

// A folder in the temporary folder for one fuzz target, made at first use
// and removed with all it holds when the process ends: the tests replay the
// corpora through the targets in every run, and none may leave it behind.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix)
        : path_((std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string())
    {
        if (!::mkdtemp(path_.data()))
            std::abort();
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace hsa::fuzz
