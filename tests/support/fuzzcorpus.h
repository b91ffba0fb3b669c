#pragma once
// Replays a fuzz corpus (a folder under fuzz/) through a fuzz target's entry
// point; every input must return 0 without crashing.  With prefixes, every
// prefix of each input runs too: inputs cut off at every length.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace hsa::test {

inline int ReplayCorpus(const std::string& folder, int (*target)(const uint8_t*, size_t), bool prefixes)
{
    const std::filesystem::path corpus = std::filesystem::path(HSA_SOURCE_DIR) / "fuzz" / folder;
    EXPECT_TRUE(std::filesystem::is_directory(corpus)) << corpus.string();
    int runs = 0;
    for (const auto& e : std::filesystem::directory_iterator(corpus)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream f(e.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(e.path().filename().string());
        EXPECT_EQ(target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
        if (prefixes)
            for (size_t cut = 0; cut < bytes.size(); cut += std::max<size_t>(1, bytes.size() / 64))
                target(reinterpret_cast<const uint8_t*>(bytes.data()), cut);
        ++runs;
    }
    return runs;
}

} // namespace hsa::test
