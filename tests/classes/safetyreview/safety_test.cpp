// Faults in the paths that write what the secretary typed: marks must stay
// with their student, and a file error must end as a message, never as a
// crash of the program.
#include "app/apphooks.h"
#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/studentlist.h"
#include "grades/classgrid.h"
#include "grades/gradewindowcontroller.h"
#include "platform/errors.h"
#include "platform/scriptedprompt.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "support/classfolder.h"
#include "support/programwindows.h"
#include "support/tempfolder.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace hsa;
using namespace hsa::test;

namespace {

QList<StudentRow> threeStudents()
{
    return {{"1", "Berg", "Anna", "W"}, {"2", "Czech", "Bernd", "M"}, {"3", "Dorn", "Carla", "W"}};
}

// Exchanges students a and b (numbered from 1) as the list's swap does.
void swapStudents(int a, int b, const QString& folder)
{
    MoveStudentRecord(ClassTable(), folder, a, kSwapRecord);
    MoveStudentRecord(ClassTable(), folder, b, a);
    MoveStudentRecord(ClassTable(), folder, kSwapRecord, b);
    ClearStudentRecord(ClassTable(), kSwapRecord, true);
}

bool anyTextContains(const ScriptedPrompt& p, const QString& part)
{
    for (const QString& t : p.texts())
        if (t.contains(part))
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// The grade window writes back only onto the student it shows.

class GradeWindowWriteBack : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        gradeWindow().reset();
        gradeWindow().hooks().editInMemo = [](const QString&, const QString&) {
            return std::optional<QString>();
        };
    }
    void TearDown() override
    {
        gradeWindow().reset();
        RealClassFixture::TearDown();
    }
};

TEST_F(GradeWindowWriteBack, RemarksNeverLandOnTheStudentWhoTookTheRow)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    GradeWindowController& gw = gradeWindow();
    ASSERT_TRUE(gw.Open(0));
    gw.setRemark(0, "Anna hat gefehlt");

    // The rows change under the open window (the list was rearranged while
    // the window could not be closed).
    swapStudents(1, 2, classFolder() + "/");
    ASSERT_EQ(ClassTable().value(0, "NACHNAME"), "Czech");
    prompt.clear();

    EXPECT_FALSE(gw.Close());
    EXPECT_TRUE(gw.isOpen());
    EXPECT_EQ(ClassTable().value(0, "HINWEIS1"), "");
    EXPECT_EQ(ClassTable().value(1, "HINWEIS1"), "");
    EXPECT_FALSE(QFileInfo::exists(classFolder() + "/v.1"));
    ASSERT_FALSE(prompt.texts().isEmpty());
    EXPECT_TRUE(anyTextContains(prompt, "Berg"));

    // Moving on is refused the same way.
    prompt.clear();
    EXPECT_EQ(gw.Next(), StepResult::Failed);
    EXPECT_EQ(ClassTable().value(0, "HINWEIS1"), "");
    EXPECT_FALSE(prompt.texts().isEmpty());
}

TEST_F(GradeWindowWriteBack, TheShownStudentIsStillWrittenAsBefore)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    GradeWindowController& gw = gradeWindow();
    ASSERT_TRUE(gw.Open(1));
    gw.setRemark(0, "Bernd war krank");
    EXPECT_EQ(gw.Next(), StepResult::Moved);
    EXPECT_EQ(ClassTable().value(1, "HINWEIS1"), "Bernd war krank");
    EXPECT_TRUE(QFileInfo::exists(classFolder() + "/v.2"));
    EXPECT_TRUE(gw.Close());
    EXPECT_TRUE(prompt.texts().isEmpty());
}

TEST_F(GradeWindowWriteBack, AnotherClassOpenedMeanwhileGetsNothing)
{
    makeClass("xa_25262.dbf", threeStudents());
    makeClass("xb_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    GradeWindowController& gw = gradeWindow();
    ASSERT_TRUE(gw.Open(0));
    gw.setRemark(0, "nur Klasse a");
    ClassTable().close();
    openClass("xb_25262.dbf");

    EXPECT_FALSE(gw.Close());
    EXPECT_EQ(ClassTable().value(0, "HINWEIS1"), "");
    EXPECT_FALSE(QFileInfo::exists(folder.file("xb_25262") + "/v.1"));
    EXPECT_FALSE(prompt.texts().isEmpty());
}

// ---------------------------------------------------------------------------
// The whole-class entry table saves each row only onto its own student.

class GridSave : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        classGrid().reset();
    }
    void TearDown() override
    {
        classGrid().reset();
        RealClassFixture::TearDown();
    }
};

TEST_F(GridSave, RowsRearrangedUnderTheTableAreNotSavedOntoOthers)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    ClassGrid& g = classGrid();
    ASSERT_TRUE(g.OpenTable(GradeTable::JL));
    const int c = g.FirstFilteredColumn();
    ASSERT_TRUE(g.commitCell(c, 1, "1"));

    swapStudents(1, 2, classFolder() + "/");
    prompt.clear();
    prompt.yes();   // save
    EXPECT_FALSE(g.Leave());
    EXPECT_TRUE(g.visible());
    EXPECT_TRUE(g.entryOpen());
    // Nothing was written: Anna's mark is still in the table, not in Bernd's file.
    EXPECT_FALSE(QFileInfo::exists(classFolder() + "/v.1"));
    EXPECT_FALSE(QFileInfo::exists(classFolder() + "/v.2"));
    EXPECT_FALSE(QFileInfo::exists(classFolder() + "/v.3"));
    EXPECT_TRUE(anyTextContains(prompt, "Berg"));
    EXPECT_EQ(g.cell(c, 1), "1.0");
}

TEST_F(GridSave, AnUnchangedListIsSavedAsBefore)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    ClassGrid& g = classGrid();
    ASSERT_TRUE(g.OpenTable(GradeTable::JL));
    ASSERT_TRUE(g.commitCell(g.FirstFilteredColumn(), 1, "1"));
    prompt.yes();
    EXPECT_TRUE(g.Leave());
    EXPECT_TRUE(QFileInfo::exists(classFolder() + "/v.1"));
    EXPECT_FALSE(g.visible());
}

// ---------------------------------------------------------------------------
// A file error in a menu handler is shown, not thrown into the event loop.

using MenuGuard = test::ProgramWindowsFixture;

TEST_F(MenuGuard, FileErrorsAndOtherFailuresOfAHandlerBecomeMessages)
{
    ASSERT_NE(form, nullptr);
    RegisterMenuHandler("SafetyFileError", [] {
        throw FileError(QStringLiteral("Datei C:\\x\\v.3 kann nicht geöffnet werden"));
    });
    RegisterMenuHandler("SafetyStdError", [] { throw std::runtime_error("kaputt"); });

    EXPECT_NO_THROW(form->trigger("SafetyFileError"));
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_EQ(prompt.texts().first(), QStringLiteral("Datei C:\\x\\v.3 kann nicht geöffnet werden"));

    prompt.clear();
    EXPECT_NO_THROW(form->trigger("SafetyStdError"));
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().first().contains("kaputt"));
    RegisterMenuHandler("SafetyFileError", {});
    RegisterMenuHandler("SafetyStdError", {});
}

} // namespace

#include <csignal>
#include <sys/resource.h>

namespace {

// ---------------------------------------------------------------------------
// A table write the disk refuses is reported, never taken for done.

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(GridSave, ATableThatCannotGrowReportsTheFailure)
{
    makeClass("xa_25262.dbf", threeStudents());
    DbfTable t;
    t.open(folder.file("xa_25262.dbf"));
    const int before = t.recordCount();
    const qint64 size = QFileInfo(folder.file("xa_25262.dbf")).size();
    bool failed = false;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(size));
        try {
            // A handful of records is more than stdio buffers on its own.
            for (int i = 0; i < 64; ++i) {
                const int r = t.appendRecord();
                t.setValue(r, "NACHNAME", "Neu");
                t.post();
            }
        } catch (const FileError& e) {
            failed = true;
            EXPECT_TRUE(e.message().contains("Schreibfehler")) << e.message().toStdString();
        }
    }
    EXPECT_TRUE(failed);
    t.close();
    DbfTable again;
    again.open(folder.file("xa_25262.dbf"), DbfAccess::SharedReadOnly);
    EXPECT_GE(again.recordCount(), before);
    EXPECT_EQ(again.value(0, "NACHNAME"), "Berg");
}

} // namespace
