// The grade-file fuzz target's corpus, replayed: every seed and every input
// that once crashed, and every prefix of them, must pass cleanly.
#include "../../../fuzz/gradefile_fuzzer.cpp"
#include "support/fuzzcorpus.h"

TEST(GradeFileFuzzReplay, CorpusRunsCleanly)
{
    EXPECT_GE(hsa::test::ReplayCorpus("corpus-gradefile", LLVMFuzzerTestOneInput, true), 3);
}
