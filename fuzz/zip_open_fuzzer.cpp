// Fuzz target: opens arbitrary bytes as an archive, lists, tests, checks a
// password and extracts into a scratch folder.  Nothing may crash, hang or
// write outside that folder.
#include "zip/archiver.h"
#include "zip/codepage.h"
#include "zip/zipstream.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const std::string& Scratch()
{
    static const std::string path = [] {
        std::string t = (std::filesystem::temp_directory_path() / "hsazipfuzzXXXXXX").string();
        if (!::mkdtemp(t.data()))
            std::abort();
        std::filesystem::create_directories(t + "/in");
        FILE* f = std::fopen((t + "/in/neu.txt").c_str(), "wb");
        if (!f)
            std::abort();
        std::fputs("ein neuer Eintrag", f);
        std::fclose(f);
        return t;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hsa::zip;
    MemoryStream stream(std::vector<unsigned char>(data, data + size));
    ZipArchiver z;
    z.SetPassword("geheim");
    z.SyncExtractedFiles = false;
    z.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int, int, const std::string&,
                                ZAAction& a) { a = ZAAction::Skip; };
    const std::string target = Scratch() + "/out";
    try {
        z.OpenArchive(&stream, true);
        for (int i = 0; i < z.FileCount(); ++i)
            (void)z.Entry(i).name.size();
        z.TestFiles("*.*");
        if (z.FileCount() > 0)
            z.TestFilePassword(z.Entry(0).name, "geheim");
        z.SetBaseDir(target);
        z.ExtractFiles("*.*");
        z.CloseArchive();
    } catch (const EZAException&) {
    } catch (const EZlibError&) {
    }
    // Changing the archive: append, delete, and read the result back.
    MemoryStream changed(std::vector<unsigned char>(data, data + size));
    int added = 0;
    try {
        ZipArchiver w;
        w.OnProcessFileFailure = z.OnProcessFileFailure;
        w.OpenArchive(&changed, false);
        w.SetBaseDir(Scratch() + "/in");
        added = w.AddFiles(Scratch() + "/in/neu.txt");
        if (w.FileCount() > 1) {
            const std::string victim = w.Entry(0).name;
            const size_t slash = victim.find_last_of("/\\");
            const std::string bare = hsa::zip::LowerName(slash == std::string::npos ? victim : victim.substr(slash + 1));
            if (victim.find_first_of("*?") == std::string::npos && bare != "neu.txt" && !victim.empty())
                w.DeleteFiles(victim);
        }
        w.CloseArchive();
    } catch (const EZAException&) {
        added = 0;
    } catch (const EZlibError&) {
        added = 0;
    }
    if (added == 1) {
        // The appended entry must read back intact.
        ZipArchiver r;
        try {
            r.OpenArchive(&changed, true);
        } catch (const EZAException&) {
            std::abort();
        }
        const int i = r.FindEntry("neu.txt");
        if (i < 0)
            std::abort();
        NullStream sink;
        try {
            r.ExtractToStream(i, sink);
        } catch (const EZAException&) {
            std::abort();
        }
        if (sink.Size() != 17)
            std::abort();
    }
    // Everything extracted must lie inside the target.
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(Scratch(), ec))
        if (e.path().filename() != "out" && e.path().filename() != "in")
            std::abort();
    std::filesystem::remove_all(target, ec);
    return 0;
}
