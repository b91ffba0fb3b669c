#include "classfixture.h"

#include "grades/gradewindow.h"
#include "grades/gradewindowrules.h"
#include "platform/fixedscreen.h"
#include "platform/screen.h"

#include <QtWidgets>

using namespace hsa;
using namespace hsa::test;

namespace {

// All sizes of a metrics value in one line, so that a failure names them all.
QString describe(const GradeWindowMetrics& m)
{
    return QStringLiteral("fonts %1/%2/%3/%4 exam %5(%6)x%7 list %8,%9x%10 phrase %11 window %12x%13")
        .arg(m.windowFontPointSize).arg(m.headingFontPointSize).arg(m.examGridFontPointSize)
        .arg(m.gradeListFontPointSize).arg(m.examGridColumnWidth).arg(m.examGridCodeColumnWidth)
        .arg(m.examGridRowHeight).arg(m.gradeListNameColumnWidth).arg(m.gradeListGradeColumnWidth)
        .arg(m.gradeListRowHeight).arg(m.phraseNumberColumnWidth).arg(m.windowWidth).arg(m.windowHeight);
}

} // namespace

TEST(GradeWindowMetrics, SizesGrowInProportionCutTowardZero)
{
    const QString design = "fonts 7/9/7/7 exam 38(44)x16 list 84,28x14 phrase 28 window 632x440";
    const std::pair<int, QString> cases[] = {
        // FormScale starts as 1 until start-up has measured the screen.
        {1, design}, {0, design}, {-640, design}, {640, design},
        // 1024 x 768 after the import dialog: factor 1.2.
        {768, "fonts 8/10/8/8 exam 45(52)x19 list 100,33x16 phrase 33 window 758x528"},
        // 1024 x 768 while the main window is scaled: factor 1.6 (70.4 -> 70).
        {1024, "fonts 11/14/11/11 exam 60(70)x25 list 134,44x22 phrase 44 window 1011x704"},
        // 120 dots per inch: several values lie just below the next whole
        // number (8.96, 17.92, 35.83, 563.06): cut, never rounded.
        {819, "fonts 8/11/8/8 exam 48(56)x20 list 107,35x17 phrase 35 window 808x563"},
        // Exact halves (47.5, 17.5) are cut too.
        {800, "fonts 8/11/8/8 exam 47(55)x20 list 105,35x17 phrase 35 window 790x550"},
        // A very small scale never yields a zero font size or an invisible column.
        {2, "fonts 1/1/1/1 exam 1(1)x1 list 1,1x1 phrase 1 window 1x1"},
    };
    for (const auto& [scale, want] : cases)
        EXPECT_EQ(describe(ComputeGradeWindowMetrics(scale)), want) << scale;
    // Huge values do not overflow into negative sizes.
    EXPECT_GT(ComputeGradeWindowMetrics(1 << 30).windowWidth, 0);
}

// The window reads FormScale when it is created.
class GradeWindowScaling : public ClassFixture {
protected:
    void TearDown() override
    {
        state().formScale = 1;
        ClassFixture::TearDown();
    }
    // The window's sizes as it shows them, in the order describe() gives
    // them; the first and the last column or row stand for all of them.
    static void expectShows(TForm2& f, int formScale)
    {
        const GradeWindowMetrics m = ComputeGradeWindowMetrics(formScale);
        const auto* g3 = f.StringGrid3;
        const auto* g1 = f.StringGrid1;
        // The exam grid's mark columns keep their size where the grid has
        // room for all of them, else they share the room evenly down to
        // what a heading needs, and past that the grid scrolls.
        const int final = g3->columnWidth(ColFinal);
        const bool allInView = g3->columnViewportPosition(ColFinal) + final <= g3->viewport()->width();
        EXPECT_TRUE(final == m.examGridColumnWidth
                    || (final < m.examGridColumnWidth && (allInView || g3->horizontalScrollBar()->maximum() > 0)))
            << formScale << ": " << final;
        EXPECT_EQ(QList<int>({f.font().pointSize(), f.Label2->font().pointSize(), g3->font().pointSize(),
                              g1->font().pointSize(), g3->columnWidth(ColCode), m.examGridColumnWidth,
                              g3->rowHeight(0), g3->rowHeight(kExamGridRows - 1), g1->columnWidth(0),
                              g1->columnWidth(1), g1->rowHeight(kGradeListRows - 1), f.StringGrid2->columnWidth(0)}),
                  QList<int>({m.windowFontPointSize, m.headingFontPointSize, m.examGridFontPointSize,
                              m.gradeListFontPointSize, m.examGridColumnWidth, m.examGridColumnWidth,
                              m.examGridRowHeight, m.examGridRowHeight, m.gradeListNameColumnWidth,
                              m.gradeListGradeColumnWidth, m.gradeListRowHeight, m.phraseNumberColumnWidth}))
            << formScale;
    }
};

TEST_F(GradeWindowScaling, SizesFollowFormScaleAtCreationButTheWindowNeverExceedsTheScreen)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    state().formScale = 640;
    auto narrow = std::make_unique<TForm2>(gradeWindow());
    FixedScreen small(ScreenInfo{1024, 768, 96});
    setScreen(&small);
    state().formScale = 1024; // wants 1011 x 704
    auto wide = std::make_unique<TForm2>(gradeWindow());
    setScreen(nullptr);
    expectShows(*narrow, 640);
    // A later change of FormScale (the import dialog sets it again) leaves a
    // window that exists as it was built; the grids keep their sizes and
    // scroll inside the window.
    state().formScale = 768;
    ASSERT_TRUE(gradeWindow().Open(0));
    wide->showStudent();
    wide->show();
    expectShows(*wide, 1024);
    EXPECT_LE(wide->width(), 1024);
    EXPECT_LE(wide->height(), 768);

    // The opened weight column matches the grades.
    wide->Label9Click();
    EXPECT_EQ(wide->StringGrid3->columnWidth(ColWeight), wide->StringGrid3->columnWidth(ColFinal));
    wide->Label9Click();
    EXPECT_TRUE(wide->StringGrid3->isColumnHidden(ColWeight));
}
