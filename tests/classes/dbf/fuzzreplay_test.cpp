// The class-table fuzz target's corpus, replayed: every seed and every input
// that once crashed, and every prefix of them, must pass cleanly.
#include "../../../fuzz/dbf_table_fuzzer.cpp"
#include "support/fuzzcorpus.h"

TEST(DbfFuzzReplay, CorpusRunsCleanly)
{
    EXPECT_GE(hsa::test::ReplayCorpus("corpus-dbf", LLVMFuzzerTestOneInput, true), 1);
}
