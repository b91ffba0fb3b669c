#include "app/singleinstance.h"
#include "platform/instanceguard.h"
#include "support/tempfolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

// Starts the program in folder with its own lock folder; offscreen, so the
// first copy waits at its start-up question.
QProcess* startProgram(const QString& folder, const QString& lockDir)
{
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", lockDir);
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(folder);
    p->start(QStringLiteral(HSA_PROGRAM), {});
    p->waitForStarted(5000);
    return p;
}

void stop(QProcess* p)
{
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
    }
    delete p;
}

} // namespace

TEST(SingleInstance, GuardInProcess)
{
    test::TempProgramFolder dir;
    InProcessInstanceGuard first;
    InProcessInstanceGuard second;
    EXPECT_TRUE(RunSingleInstanceGuard(dir.path(), first));
    EXPECT_FALSE(RunSingleInstanceGuard(dir.path(), second));
    dir.write("OHNE_MUTEX.DAT", "");
    EXPECT_TRUE(RunSingleInstanceGuard(dir.path(), second));
}

TEST(SingleInstance, FileLockReleasedWithTheHolder)
{
    QTemporaryDir lockDir;
    FileLockInstanceGuard a(lockDir.path().toStdString());
    FileLockInstanceGuard b(lockDir.path().toStdString());
    EXPECT_TRUE(a.acquire("HSA"));
    EXPECT_FALSE(b.acquire("HSA"));
    a.release();
    EXPECT_TRUE(b.acquire("HSA"));
}

TEST(SingleInstance, SecondProgramEndsSilently)
{
    test::TempProgramFolder dir;
    QTemporaryDir lockDir;
    QProcess* first = startProgram(dir.path(), lockDir.path());
    ASSERT_EQ(first->state(), QProcess::Running);
    // The first copy takes the guard before anything else; give it a moment.
    first->waitForFinished(1500);
    ASSERT_EQ(first->state(), QProcess::Running);

    QProcess* second = startProgram(dir.path(), lockDir.path());
    EXPECT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardOutput().isEmpty());
    stop(second);
    stop(first);
}

TEST(SingleInstance, WithoutGuardFileTwoCopiesRun)
{
    test::TempProgramFolder dir;
    dir.write("ohne_mutex.dat", "");
    QTemporaryDir lockDir;
    QProcess* first = startProgram(dir.path(), lockDir.path());
    QProcess* second = startProgram(dir.path(), lockDir.path());
    EXPECT_FALSE(second->waitForFinished(2000));
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(second->state(), QProcess::Running);
    stop(second);
    stop(first);
}
