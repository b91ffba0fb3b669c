// The lists and note pages of a real class: students read from the class
// table with their grade files.
#include "classes/dbftable.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "grades/gradewindowcontroller.h"
#include "print/layouts/subjectlists.h"
#include "print/notepagecommands.h"
#include "print/recordingdevice.h"
#include "print/subjectlistprint.h"
#include "support/classfolder.h"

#include <QFile>

using namespace hsa;

namespace {

class OpenClassPrint : public test::RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        gradeWindow().reset();
        QList<test::StudentRow> rows;
        for (int nr = 1; nr <= 38; ++nr)
            rows.append({QString::number(nr), QStringLiteral("Name%1").arg(nr), QStringLiteral("Vor"), "M",
                         {{"KLASSE", "10a"}}});
        rows.append({"39", "FAKTOR", "", "", {}});
        makeClass("xa_25262.dbf", rows);
        openClass("xa_25262.dbf");
        const GradeContext context = GradeContextFromState();
        for (int nr = 1; nr <= 39; ++nr)
            if (nr != 5)
                SaveStudentGradeFile(classFolder() + "/v." + QString::number(nr), PresetExamSheet(context), context);
        english = int(std::find(context.subjectNames.begin(), context.subjectNames.end(), "Englisch")
                      - context.subjectNames.begin());
    }
    void TearDown() override
    {
        gradeWindow().reset();
        RealClassFixture::TearDown();
    }

    ScopedRecordingPrinter rec;
    int english = 0;
};

} // namespace

TEST_F(OpenClassPrint, CommunicationListTakesStudentsUpToThirtyEight)
{
    SubjectListChoice choice;
    ASSERT_TRUE(choice.applyPreset(SubjectListPresets()[6], state().subjectData.subjectNames));
    prompt.no();
    const auto order = choice.pressPrint();
    ASSERT_TRUE(order);
    EXPECT_EQ(order->subjects, std::vector<int>({english}));
    PrintSubjectListsOfOpenClass(*order);
    ASSERT_EQ(rec.device().jobs.size(), 1);
    const PrintJob& job = rec.device().lastJob();
    QStringList numbers;
    for (const PrintedText& t : job.texts())
        if (t.x == 114 && t.pageY() >= kListFirstRowY)
            numbers << t.text;
    // Every student but the one without a grade file, never the weighting record.
    EXPECT_EQ(numbers.size(), 37);
    EXPECT_TRUE(numbers.contains("38") && !numbers.contains("5") && !numbers.contains("39"));
    EXPECT_EQ(std::pair(job.pages, rec.device().batchesEnded), std::pair(2, 1));
}

TEST_F(OpenClassPrint, NotePagesOfTheRangeAndOfTheGradeWindow)
{
    prompt.text("30").text("39");
    PrintNotePagesOfRange();
    EXPECT_EQ(rec.device().jobs.size(), 9); // positions 30 to 38; 39 is the weighting record

    GradeWindowController& gw = gradeWindow();
    ASSERT_TRUE(gw.Open(1));
    gw.setNotesText("erste Zeile\nneu getippt");
    PrintGradeWindowNotePage();
    const PrintJob& job = rec.device().lastJob();
    EXPECT_EQ(job.findText("neu getippt")->pageY(), 350);
    EXPECT_EQ(job.findText("2)  Name2 Vor  ")->pageY(), 200);
    EXPECT_FALSE(folder.read(QStringLiteral("xa_25262/v.2")).contains("neu getippt")); // printing saves nothing
}
