// Fuzz target for durable extraction from an archive file: the archive is
// read through the file stream (with its read-ahead) and extracted twice
// into one target with flushing on, first asking before a file is replaced
// and then over the first run's files, and the same in fast mode into a
// second target.  Nothing may crash or hang, nothing may be written outside
// the targets; the durable target holds nothing but the archive's own names
// (no file or folder left under a waiting name, no run record), no file
// or folder of either target takes a run record's name, and after
// each run both modes have left the same files with the same bytes and
// named the same failures.
#include "scratchfolder.h"
#include "zip/archiver.h"
#include "zip/runrecord.h"
#include "zip/safefs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& ExtractScratch()
{
    static const hsa::fuzz::ScratchFolder folder("hsazipext");
    return folder.path();
}

// The names of the failures the handler heard of.
std::vector<std::string> ExtractInto(const std::string& archive, const std::string& target, bool sync,
                                     hsa::zip::OverwriteMode mode, std::set<std::string>& names)
{
    using namespace hsa::zip;
    std::vector<std::string> failed;
    ZipArchiver z;
    z.SetPassword("geheim");
    z.SyncExtractedFiles = sync;
    z.Options.OverwriteMode_ = mode;
    int asked = 0;
    z.OnConfirmOverwrite = [&](ZABaseArchiver&, const std::string&, std::string&, bool& c) { c = ++asked % 2 == 0; };
    z.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
    z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string& name, ProcessOperation, int, int,
                                 const std::string&, ZAAction& a) {
        failed.push_back(name);
        a = ZAAction::Skip;
    };
    try {
        z.SetFileName(archive);
        z.OpenArchive();
        // Every name the archive may give a file or folder in the target.
        for (int i = 0; i < z.FileCount(); ++i) {
            std::vector<std::string> parts;
            bool folder = false;
            if (!SplitEntryPath(z.Entry(i).name, parts, folder))
                continue;
            std::string path;
            for (const auto& p : parts) {
                path = path.empty() ? p : path + "/" + p;
                names.insert(path);
            }
        }
        z.SetBaseDir(target);
        z.ExtractFiles("*.*");
        z.CloseArchive();
    } catch (const EZAException&) {
        failed.push_back("(run)");
    } catch (const EZlibError&) {
        failed.push_back("(run)");
    }
    return failed;
}

// Every file and folder below a target with its bytes (folders: none).
std::map<std::string, std::string> Tree(const std::string& target)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(target, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string bytes = "(folder)";
        if (!it->is_directory()) {
            std::ifstream f(it->path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        }
        out[it->path().lexically_relative(target).string()] = bytes;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hsa::zip;
    namespace fs = std::filesystem;
    const std::string archive = ExtractScratch() + "/archiv.zip";
    const std::string target = ExtractScratch() + "/out";
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        if (size > 0 && std::fwrite(data, 1, size, f) != size)
            std::abort();
        std::fclose(f);
    } else {
        std::abort();
    }
    const std::string fast = ExtractScratch() + "/schnell";
    std::set<std::string> names;
    for (const OverwriteMode mode : {OverwriteMode::Prompt, OverwriteMode::Always}) {
        const auto durableFailures = ExtractInto(archive, target, true, mode, names);
        const auto fastFailures = ExtractInto(archive, fast, false, mode, names);
        const auto durableTree = Tree(target);
        const auto fastTree = Tree(fast);
        for (const auto& [path, bytes] : durableTree)
            if (!names.count(path))
                std::abort();
        // No entry takes a record's name, in either mode: the next run would
        // act on what a planted record lists.
        for (const auto* tree : {&durableTree, &fastTree})
            for (const auto& [path, bytes] : *tree)
                for (const auto& part : std::filesystem::path(path))
                    if (TakesRecordName(part.string()))
                        std::abort();
        if (durableTree != fastTree || durableFailures != fastFailures)
            std::abort();
    }
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(ExtractScratch(), ec)) {
        const std::string n = e.path().filename().string();
        if (n != "out" && n != "schnell" && n != "archiv.zip")
            std::abort();
    }
    fs::remove_all(target, ec);
    fs::remove_all(fast, ec);
    return 0;
}
