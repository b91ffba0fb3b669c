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

TEST(GradeWindowMetrics, SizesGrowInProportionCutTowardZero)
{
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(640)), "fonts 7/9/7/7 exam 38x16 list 84,28x14 phrase 28 window 632x440");
    // 1024 x 768 after the import dialog: factor 1.2 (8.4 -> 8, 45.6 -> 45,
    // 19.2 -> 19, 100.8 -> 100, 16.8 -> 16, 33.6 -> 33, 758.4 -> 758).
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(768)),
              "fonts 8/10/8/8 exam 45x19 list 100,33x16 phrase 33 window 758x528");
    // 1024 x 768 while the main window is scaled: factor 1.6 (11.2 -> 11,
    // 60.8 -> 60, 25.6 -> 25, 44.8 -> 44, 22.4 -> 22, 44.8 -> 44, 1011.2 -> 1011).
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(1024)),
              "fonts 11/14/11/11 exam 60x25 list 134,44x22 phrase 44 window 1011x704");
    // 120 dots per inch: 819.  Several values lie just below the next whole
    // number (8.96, 17.92, 35.83, 563.06): cut, never rounded.
    EXPECT_EQ(describe(ComputeGradeWindowMetrics(819)),
              "fonts 8/11/8/8 exam 48x20 list 107,35x17 phrase 35 window 808x563");
    // 800: exact halves (47.5, 17.5) are cut too.
    const GradeWindowMetrics m800 = ComputeGradeWindowMetrics(800);
    EXPECT_EQ(m800.examGridColumnWidth, 47);
    EXPECT_EQ(m800.gradeListNameColumnWidth, 105);
    EXPECT_EQ(m800.gradeListRowHeight, 17);
    EXPECT_EQ(m800.windowFontPointSize, 8);
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
    EXPECT_EQ(tiny.windowWidth, 1);  // 632 * 2 / 640 = 1.975
    EXPECT_EQ(tiny.windowHeight, 1);

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
    expectShows(*narrow, ComputeGradeWindowMetrics(640));
    expectShows(*wide, ComputeGradeWindowMetrics(1024));

    // A later change of FormScale (the import dialog sets it again) leaves a
    // window that exists as it was built.
    state().formScale = 768;
    expectShows(*wide, ComputeGradeWindowMetrics(1024));
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
    std::unique_ptr<TForm2> wide = createAt(1024); // wants 1011 x 704
    setScreen(nullptr);
    EXPECT_LE(wide->width(), 1024);
    EXPECT_LE(wide->height(), 768);
    // The grids keep their scaled sizes (they scroll inside the window).
    EXPECT_EQ(wide->StringGrid3->columnWidth(ColWritten), 60);
}
