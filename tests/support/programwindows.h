#pragma once
#include "app/apphooks.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "app/startup.h"
#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/fixedscreen.h"
#include "platform/recordingshell.h"
#include "platform/screen.h"
#include "platform/scriptedprompt.h"
#include "platform/shell.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

namespace hsa::test {

// The program's windows created by the program block in the current folder,
// with the given scripted prompts, a recording shell and a 1024 x 768 screen.
// The start-up's version question is answered No.  For fixtures that bring
// their own folder and prompts.
struct ProgramWindows {
    void start(ScriptedPrompt& prompt)
    {
        appHooks() = {};
        setShell(&shellDouble);
        setScreen(&screenDouble);
        setPrompts(&prompt);
        prompt.no(); // the version question
        form = RunProgramBlock();
        prompt.clear();
    }
    void stop()
    {
        state().quitRequested = true;
        DestroyProgramWindows();
        appHooks() = {};
        form = nullptr;
    }

    RecordingShell shellDouble;
    FixedScreen screenDouble{ScreenInfo{1024, 768, 96}};
    TForm1* form = nullptr;
};

// The program's windows in a temporary program folder of their own, in a
// fresh program (its shared state, singletons and hook tables as at start).
class ProgramWindowsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramWideObjects();
        windows.start(prompt);
        form = windows.form;
    }
    void TearDown() override
    {
        windows.stop();
        ResetProgramWideObjects();
    }

    TempProgramFolder dir;
    ScriptedPrompt prompt;
    ProgramWindows windows;
    RecordingShell& shellDouble = windows.shellDouble;
    FixedScreen& screenDouble = windows.screenDouble;
    TForm1* form = nullptr;
};

// The program's windows, whose start-up a case runs again on the main
// window: the start-up and main-window tests.
class StartupFixture : public ProgramWindowsFixture {
protected:
    void TearDown() override
    {
        startupHooks() = {}; // the next program block sets its own again
        ProgramWindowsFixture::TearDown();
    }
    // The start run again on the program's main window, in its program folder.
    void start(Answer versionAnswer = Answer::No)
    {
        prompt.answer(versionAnswer);
        RunFormCreate(*form);
    }
};

} // namespace hsa::test
