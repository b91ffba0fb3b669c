// Fuzz target: opens arbitrary bytes as an archive, lists, tests, checks a
// password and extracts into a scratch folder.  Nothing may crash, hang or
// write outside that folder.  (Changing archives: zip_update_fuzzer.)
#include "scratchfolder.h"
#include "zip/archiver.h"
#include "zip/zipstream.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const std::string& Scratch()
{
    static const hsa::fuzz::ScratchFolder folder("hsazipfuzz");
    return folder.path();
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
    // Everything extracted must lie inside the target.
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(Scratch(), ec))
        if (e.path().filename() != "out")
            std::abort();
    std::filesystem::remove_all(target, ec);
    return 0;
}
