// Fuzz target for durable extraction from an archive file: the archive is
// read through the file stream (with its read-ahead) and extracted twice
// into one target with flushing on, the second time over the first run's
// files under another overwrite mode.  Nothing may crash or hang, nothing may
// be written outside the target, and afterwards the target holds nothing
// but the archive's own names: no file or folder left under a waiting name,
// no run record.
#include "zip/archiver.h"
#include "zip/safefs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& ExtractScratch()
{
    static const std::string path = [] {
        std::string t = (std::filesystem::temp_directory_path() / "hsazipextXXXXXX").string();
        if (!::mkdtemp(t.data()))
            std::abort();
        return t;
    }();
    return path;
}

void ExtractInto(const std::string& archive, const std::string& target, hsa::zip::OverwriteMode mode,
                 std::set<std::string>& names)
{
    using namespace hsa::zip;
    ZipArchiver z;
    z.SetPassword("geheim");
    z.SyncExtractedFiles = true;
    z.Options.OverwriteMode_ = mode;
    int asked = 0;
    z.OnConfirmOverwrite = [&](ZABaseArchiver&, const std::string&, std::string&, bool& c) { c = ++asked % 2 == 0; };
    z.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                ZAAction& a) { a = ZAAction::Skip; };
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
    } catch (const EZlibError&) {
    }
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
    std::set<std::string> names;
    ExtractInto(archive, target, OverwriteMode::Always, names);
    ExtractInto(archive, target, OverwriteMode::Prompt, names);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(ExtractScratch(), ec))
        if (e.path().filename() != "out" && e.path().filename() != "archiv.zip")
            std::abort();
    for (auto it = fs::recursive_directory_iterator(target, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!names.count(it->path().lexically_relative(target).string()))
            std::abort();
    fs::remove_all(target, ec);
    return 0;
}
