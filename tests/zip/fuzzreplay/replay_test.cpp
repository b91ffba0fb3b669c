// Replays the fuzz corpus through the fuzz target's entry point, as a normal
// test: every seed and every input that once crashed must pass cleanly.
#include "fuzz/zip_open_fuzzer.cpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

TEST(ZipFuzzReplay, CorpusRunsCleanly)
{
    const std::filesystem::path corpus = std::filesystem::path(HSA_SOURCE_DIR) / "fuzz" / "corpus";
    ASSERT_TRUE(std::filesystem::is_directory(corpus));
    int runs = 0;
    for (const auto& e : std::filesystem::directory_iterator(corpus)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream f(e.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(e.path().filename().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
        // Every prefix of a seed as well: truncated archives of every length.
        for (size_t cut = 0; cut < bytes.size(); cut += std::max<size_t>(1, bytes.size() / 64))
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), cut);
        ++runs;
    }
    EXPECT_GE(runs, 10);
}
