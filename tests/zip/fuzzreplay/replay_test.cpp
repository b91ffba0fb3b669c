// Replays the fuzz corpora through the fuzz targets' entry points, as normal
// tests: every seed and every input that once crashed must pass cleanly.
// Durable extraction flushes the file system per input: whole inputs only.
#define LLVMFuzzerTestOneInput OpenFuzzerTestOneInput
#include "fuzz/zip_open_fuzzer.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput UpdateFuzzerTestOneInput
#include "fuzz/zip_update_fuzzer.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput ExtractFuzzerTestOneInput
#include "fuzz/zip_extract_fuzzer.cpp"
#undef LLVMFuzzerTestOneInput

#include "support/fuzzcorpus.h"

#include <gtest/gtest.h>

TEST(ZipFuzzReplay, OpeningAndUpdateCorporaRunCleanly)
{
    EXPECT_GE(hsa::test::ReplayCorpus("corpus", OpenFuzzerTestOneInput, true), 10);
    EXPECT_GE(hsa::test::ReplayCorpus("corpus", UpdateFuzzerTestOneInput, false), 10);
}

TEST(ZipFuzzReplay, DurableExtractionFromAFileRunsCleanlyOnTheCorpus)
{
    EXPECT_GE(hsa::test::ReplayCorpus("corpus", ExtractFuzzerTestOneInput, false), 15);
}
