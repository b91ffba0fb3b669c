#pragma once
#include "app/apphooks.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/recordingshell.h"
#include "platform/screen.h"
#include "platform/scriptedprompt.h"
#include "platform/shell.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

namespace hsa::test {

// The program's windows created by the program block in a temporary program
// folder, with scripted prompts, a recording shell and a 1024 x 768 screen.
// The start-up's version question is answered No.
class ProgramWindowsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramWideObjects();
        setShell(&shellDouble);
        setScreen(&screenDouble);
        setPrompts(&prompt);
        prompt.no(); // the version question
        form = RunProgramBlock();
        prompt.clear();
    }
    void TearDown() override
    {
        state().quitRequested = true;
        ResetProgramWideObjects(); // the windows first
        setPrompts(nullptr);
        setShell(nullptr);
        setScreen(nullptr);
    }

    TempProgramFolder dir;
    ScriptedPrompt prompt;
    RecordingShell shellDouble;
    FixedScreen screenDouble{ScreenInfo{1024, 768, 96}};
    TForm1* form = nullptr;
};

} // namespace hsa::test
