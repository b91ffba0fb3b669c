#include "app/singleinstance.h"
#include "platform/instanceguard.h"
#include "support/tempfolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hsa;

TEST(SingleInstance, GuardHeldUntilReleasedUnlessSwitchedOff)
{
    test::TempProgramFolder dir;
    QTemporaryDir lockDir;
    FileLockInstanceGuard first(lockDir.path().toStdString());
    FileLockInstanceGuard second(lockDir.path().toStdString());
    EXPECT_TRUE(RunSingleInstanceGuard(dir.path(), first));
    EXPECT_FALSE(RunSingleInstanceGuard(dir.path(), second));
    dir.write("OHNE_MUTEX.DAT", "");
    EXPECT_TRUE(RunSingleInstanceGuard(dir.path(), second));
    first.release();
    EXPECT_TRUE(second.acquire("HSA"));
}

// Two real copies of the program in one folder: the second ends at once and
// silently while the first waits at its start-up question (offscreen).
TEST(SingleInstance, SecondProgramEndsSilently)
{
    test::TempProgramFolder dir;
    QTemporaryDir lockDir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", lockDir.path());
    QProcess first, second;
    for (QProcess* p : {&first, &second}) {
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->start(QStringLiteral(HSA_PROGRAM), {});
        ASSERT_TRUE(p->waitForStarted(5000));
        // The first copy takes the guard before anything else; give it a moment.
        if (p == &first) {
            ASSERT_FALSE(first.waitForFinished(1500));
        }
    }
    EXPECT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
}
