#include "classfixture.h"

#include "grades/gradewindow.h"
#include "grades/gradewindowrules.h"
#include "platform/screen.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

using namespace hsa;
using namespace hsa::test;

namespace {

// All sizes of a metrics value in one line, so that a failure names them all.
QString describe(const GradeWindowMetrics& m)
{
    return QStringLiteral("fonts %1/%2/%3/%4 exam %5x%6 list %7,%8x%9 phrase %10 window %11x%12")
        .arg(m.windowFontPointSize)
        .arg(m.headingFontPointSize)
        .arg(m.examGridFontPointSize)
        .arg(m.gradeListFontPointSize)
        .arg(m.examGridColumnWidth)
        .arg(m.examGridRowHeight)
        .arg(m.gradeListNameColumnWidth)
        .arg(m.gradeListGradeColumnWidth)
        .arg(m.gradeListRowHeight)
        .arg(m.phraseNumberColumnWidth)
        .arg(m.windowWidth)
        .arg(m.windowHeight);
}

} // namespace

TEST(GradeWindowMetrics, DesignWidthGivesTheDesignSizes)
{
    const GradeWindowMetrics m = ComputeGradeWindowMetrics(640);
    EXPECT_EQ(m.formScale, 640);
    EXPECT_EQ(describe(m), "fonts 9/12/9/9 exam 62x22 list 160,50x20 phrase 34 window 1040x640");
}

TEST(GradeWindowMetrics, SizesGrowInProportionCutTowardZero)
{
    // 1024 x 768 after the import dialog: factor 1.2 (10.8 -> 10, 74.4 -> 74,
    // 26.4 -> 26, 14.4 -> 14, 40.8 -> 40).
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(768)),
              "fonts 10/14/10/10 exam 74x26 list 192,60x24 phrase 40 window 1248x768");
    // 1024 x 768 while the main window is scaled: factor 1.6 (14.4 -> 14,
    // 19.2 -> 19, 99.2 -> 99, 35.2 -> 35, 54.4 -> 54).
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(1024)),
              "fonts 14/19/14/14 exam 99x35 list 256,80x32 phrase 54 window 1664x1024");
    // 120 dots per inch: 819.  Several values lie just below the next whole
    // number (63.98, 204.75, 11.52): cut, never rounded.
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(819)),
              "fonts 11/15/11/11 exam 79x28 list 204,63x25 phrase 43 window 1330x819");
    // 800: exact halves (77.5, 27.5, 42.5) are cut too.
    const GradeWindowMetrics m800 = ComputeGradeWindowMetrics(800);
    EXPECT_EQ(m800.examGridColumnWidth, 77);
    EXPECT_EQ(m800.examGridRowHeight, 27);
    EXPECT_EQ(m800.phraseNumberColumnWidth, 42);
    EXPECT_EQ(m800.windowFontPointSize, 11);
}

TEST(GradeWindowMetrics, UnmeasuredScreenKeepsTheDesignAndTinyScalesStayUsable)
{
    // FormScale starts as 1 until start-up has measured the screen.
    const QString design = describe(ComputeGradeWindowMetrics(640));
    for (int unset : {1, 0, -640})
        EXPECT_EQ(describe(ComputeGradeWindowMetrics(unset)), design) << unset;
    EXPECT_EQ(ComputeGradeWindowMetrics(1).formScale, 640);

    // A very small scale never yields a zero font size or an invisible column.
    const GradeWindowMetrics tiny = ComputeGradeWindowMetrics(2);
    EXPECT_EQ(tiny.formScale, 2);
    for (int v : {tiny.windowFontPointSize, tiny.headingFontPointSize, tiny.examGridFontPointSize,
                  tiny.gradeListFontPointSize, tiny.examGridColumnWidth, tiny.examGridRowHeight,
                  tiny.gradeListNameColumnWidth, tiny.gradeListGradeColumnWidth,
                  tiny.gradeListRowHeight, tiny.phraseNumberColumnWidth})
        EXPECT_EQ(v, 1);
    EXPECT_EQ(tiny.windowWidth, 3);  // 1040 * 2 / 640 = 3.25
    EXPECT_EQ(tiny.windowHeight, 2);

    // Huge values do not overflow into negative sizes.
    const GradeWindowMetrics huge = ComputeGradeWindowMetrics(1 << 30);
    EXPECT_GT(huge.windowWidth, 0);
    EXPECT_GT(huge.examGridColumnWidth, 0);
}

// The window reads FormScale when it is created.
class GradeWindowScaling : public ClassFixture {
protected:
    void SetUp() override
    {
        ClassFixture::SetUp();
        makeClass("xa_25262.dbf", threeStudents());
        openClass("xa_25262.dbf");
    }
    void TearDown() override
    {
        state().formScale = 1;
        ClassFixture::TearDown();
    }

    std::unique_ptr<TForm2> createAt(int formScale)
    {
        state().formScale = formScale;
        return std::make_unique<TForm2>(gradeWindow());
    }

    // The window's sizes as it shows them.
    static void expectShows(TForm2& f, const GradeWindowMetrics& m)
    {
        SCOPED_TRACE(describe(m).toStdString());
        for (int col = ColCode; col <= ColFinal; ++col)
            EXPECT_EQ(f.StringGrid3->columnWidth(col), m.examGridColumnWidth) << col;
        for (int row = 0; row < kExamGridRows; ++row)
            EXPECT_EQ(f.StringGrid3->rowHeight(row), m.examGridRowHeight) << row;
        EXPECT_EQ(f.StringGrid3->font().pointSize(), m.examGridFontPointSize);
        EXPECT_EQ(f.StringGrid1->columnWidth(0), m.gradeListNameColumnWidth);
        EXPECT_EQ(f.StringGrid1->columnWidth(1), m.gradeListGradeColumnWidth);
        for (int row = 0; row < kGradeListRows; ++row)
            EXPECT_EQ(f.StringGrid1->rowHeight(row), m.gradeListRowHeight) << row;
        EXPECT_EQ(f.StringGrid1->font().pointSize(), m.gradeListFontPointSize);
        EXPECT_EQ(f.StringGrid2->columnWidth(0), m.phraseNumberColumnWidth);
        EXPECT_EQ(f.font().pointSize(), m.windowFontPointSize);
        EXPECT_EQ(f.hinweis1->font().pointSize(), m.windowFontPointSize);
        EXPECT_EQ(f.Label2->font().pointSize(), m.headingFontPointSize);
        EXPECT_TRUE(f.Label2->font().bold());
    }
};

TEST_F(GradeWindowScaling, SizesFollowFormScaleAtCreation)
{
    std::unique_ptr<TForm2> narrow = createAt(640);
    std::unique_ptr<TForm2> wide = createAt(1024);
    EXPECT_EQ(describe(narrow->metrics()), describe(ComputeGradeWindowMetrics(640)));
    EXPECT_EQ(describe(wide->metrics()), describe(ComputeGradeWindowMetrics(1024)));
    expectShows(*narrow, ComputeGradeWindowMetrics(640));
    expectShows(*wide, ComputeGradeWindowMetrics(1024));
    EXPECT_GT(wide->StringGrid3->columnWidth(ColWritten), narrow->StringGrid3->columnWidth(ColWritten));
    EXPECT_GT(wide->StringGrid3->rowHeight(1), narrow->StringGrid3->rowHeight(1));
    EXPECT_GT(wide->StringGrid1->columnWidth(0), narrow->StringGrid1->columnWidth(0));

    // A later change of FormScale (the import dialog sets it again) leaves a
    // window that exists as it was built.
    state().formScale = 768;
    expectShows(*wide, ComputeGradeWindowMetrics(1024));
}

TEST_F(GradeWindowScaling, ProgramWindowIsScaledWhenTheProgramBlockCreatesIt)
{
    state().formScale = 1024;
    std::unique_ptr<QWidget> program(CreateGradeWindow());
    ASSERT_EQ(GradeWindowForm(), program.get());
    expectShows(*GradeWindowForm(), ComputeGradeWindowMetrics(1024));
}

TEST_F(GradeWindowScaling, SizesSurviveShowingAStudentAndTheOpenedWeightColumnMatchesTheGrades)
{
    std::unique_ptr<TForm2> wide = createAt(1024);
    const GradeWindowMetrics m = ComputeGradeWindowMetrics(1024);
    state().currentStudentRecord = 0;
    ASSERT_TRUE(gradeWindow().Open(0));
    wide->showStudent();
    wide->show();
    expectShows(*wide, m);

    EXPECT_TRUE(wide->StringGrid3->isColumnHidden(ColWeight));
    wide->Label9Click();
    EXPECT_EQ(prompt.lastText(), WeightColumnMessage());
    EXPECT_FALSE(wide->StringGrid3->isColumnHidden(ColWeight));
    EXPECT_EQ(wide->StringGrid3->columnWidth(ColWeight), m.examGridColumnWidth);
    wide->Label9Click();
    EXPECT_TRUE(wide->StringGrid3->isColumnHidden(ColWeight));
    wide->close();
}

TEST_F(GradeWindowScaling, FirstSizeNeverExceedsTheScreen)
{
    FixedScreen small(ScreenInfo{1024, 768, 96});
    setScreen(&small);
    std::unique_ptr<TForm2> wide = createAt(1024); // wants 1664 x 1024
    setScreen(nullptr);
    EXPECT_LE(wide->width(), 1024);
    EXPECT_LE(wide->height(), 768);
    // The grids keep their scaled sizes (they scroll inside the window).
    EXPECT_EQ(wide->StringGrid3->columnWidth(ColWritten), 99);
}
