// Fuzz target for the update path: a fuzzed archive takes an appended entry
// and a deletion, is closed and opened again.  Whatever the input, an archive
// the engine has written must open again with its own directory (no rebuild
// from local headers), list exactly the entries the engine kept, and every
// entry that read back intact before the update must still do so.
#include "scratchfolder.h"
#include "zip/archiver.h"
#include "zip/codepage.h"
#include "zip/zipstream.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& NewEntryFolder()
{
    static const hsa::fuzz::ScratchFolder folder("hsazipupd");
    static const bool written = [] {
        FILE* f = std::fopen((folder.path() + "/neu.txt").c_str(), "wb");
        if (!f)
            std::abort();
        std::fputs("ein neuer Eintrag", f);
        std::fclose(f);
        return true;
    }();
    (void)written;
    return folder.path();
}

// Names of the entries and whether each reads back intact.
std::map<std::string, bool> Survey(hsa::zip::ZipArchiver& z)
{
    std::map<std::string, bool> out;
    for (int i = 0; i < z.FileCount(); ++i) {
        const std::string name = z.Entry(i).name;
        hsa::zip::NullStream sink;
        bool intact = true;
        try {
            z.ExtractToStream(i, sink);
        } catch (const std::exception&) {
            intact = false;
        }
        out[name] = out.count(name) ? out[name] && intact : intact;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hsa::zip;
    MemoryStream archive(std::vector<unsigned char>(data, data + size));
    auto skip = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                   ZAAction& a) { a = ZAAction::Skip; };
    std::map<std::string, bool> before;
    std::vector<std::string> kept;
    try {
        ZipArchiver w;
        w.OnProcessFileFailure = skip;
        w.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& s) { s = true; };
        w.OpenArchive(&archive, false);
        before = Survey(w);
        if (w.FindEntry("neu.txt") >= 0)
            return 0;   // a replaced entry of the same name proves nothing
        w.SetBaseDir(NewEntryFolder());
        if (w.AddFiles(NewEntryFolder() + "/neu.txt") != 1)
            return 0;
        if (w.FileCount() > 1) {
            const std::string victim = w.Entry(0).name;
            if (!victim.empty() && victim.find_first_of("*?") == std::string::npos
                && LowerName(victim) != "neu.txt")
                w.DeleteFiles(victim);
        }
        for (int i = 0; i < w.FileCount(); ++i)
            kept.push_back(w.Entry(i).name);
        w.CloseArchive();
    } catch (const EZAException&) {
        return 0;
    } catch (const EZlibError&) {
        return 0;
    }
    ZipArchiver r;
    r.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& s) { s = true; };
    try {
        r.OpenArchive(&archive, true);
    } catch (const EZAException&) {
        std::abort();
    }
    if (r.DirectoryRebuilt() || r.FileCount() != int(kept.size()))
        std::abort();
    for (int i = 0; i < r.FileCount(); ++i)
        if (r.Entry(i).name != kept[size_t(i)])
            std::abort();
    const std::map<std::string, bool> after = Survey(r);
    if (!after.count("neu.txt") || !after.at("neu.txt"))
        std::abort();
    for (const auto& [name, intact] : after)
        if (before.count(name) && before.at(name) && !intact)
            std::abort();
    return 0;
}
