#pragma once
#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

namespace hsa::test {

// A fresh program (its shared state, singletons and hook tables as at start)
// in a program folder of its own, with scripted answers: the set-up of every
// test that needs files but no open class.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramWideObjects();
        setPrompts(&prompt);
    }
    void TearDown() override { ResetProgramWideObjects(); }
    TempProgramFolder folder;
    ScriptedPrompt prompt;
};

} // namespace hsa::test
