// The calibration dialog: grid content, taking the cells over, the save and
// discard paths with scripted answers, and the window itself.
#include "print/calibration.h"
#include "print/calibrationdialog.h"
#include "support/printfixture.h"

#include <QDir>
#include <QLocale>

using namespace hsa;

namespace {

class Calibration : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    void typeValues(CalibrationForm& form, const QStringList& six)
    {
        for (int r = 1; r <= 6; ++r)
            form.setCell(2, r, six[r - 1]);
    }
};

TEST_F(Calibration, GridShowsTheSettingsAndWritesAMissingFile)
{
    auto& ps = state().print;
    ps.printShiftX = 12;
    ps.printShiftY = -4;
    ps.printStretchY = 0.954;
    ps.printFontStretch = 0.95;
    ps.printLineWidth = 3;
    CalibrationForm form;
    form.activate();
    EXPECT_EQ(form.currentValues(), (QStringList{"12", "-4", "1,00", "0,95", "0,95", "3"}));
    EXPECT_EQ(folder.read(QStringLiteral("einstell.dat")), QByteArray("12\r\n-4\r\n1,00\r\n0,95\r\n0,95\r\n3\r\n"));
    // An existing file is left alone.
    folder.write(QStringLiteral("einstell.dat"), "1\n2\n1\n1\n1\n2\n");
    CalibrationForm().activate();
    EXPECT_EQ(folder.read(QStringLiteral("einstell.dat")), QByteArray("1\n2\n1\n1\n1\n2\n"));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

// Leaving the grid takes the values over at once; they act until the dialog
// is left unsaved, then fall back to the file.
TEST_F(Calibration, TypedValuesActUntilTheDialogIsLeftUnsaved)
{
    const QByteArray saved("3\r\n4\r\n1\r\n0.95\r\n1\r\n2\r\n");
    folder.write(QStringLiteral("einstell.dat"), saved);
    CalibrationForm form;
    form.activate();
    typeValues(form, {"20", "-10abc", "1,05", "0,9,5", "0.9", "1"});
    form.gridExit();
    const auto& ps = state().print;
    const auto values = [&] {
        return std::tuple(ps.printShiftX, ps.printShiftY, ps.printStretchX, ps.printStretchY, ps.printFontStretch,
                          ps.printLineWidth);
    };
    EXPECT_EQ(values(), std::tuple(20, -10, 1.05, 0.9, 0.9, 1)); // only the first comma becomes a point
    EXPECT_EQ(form.cell(2, 3) + "|" + form.cell(2, 4), QStringLiteral("1.05|0.9,5"));
    prompt.no();
    EXPECT_TRUE(form.buttonClick());
    EXPECT_EQ(ps.printShiftX, 20);
    EXPECT_EQ(folder.read(QStringLiteral("einstell.dat")), saved);
    form.deactivate();
    EXPECT_EQ(values(), std::tuple(3, 4, 1.0, 0.95, 1.0, 2));
    EXPECT_EQ(prompt.shown().size(), 1);
}

TEST_F(Calibration, StretchOfZeroIsRefusedWithAMessage)
{
    auto& ps = state().print;
    ps.printStretchX = 1.02;
    ps.printFontStretch = 0.95;
    CalibrationForm form;
    form.activate();
    typeValues(form, {"0", "0", "0", "1", "-0,5", "9"});
    prompt.yes();
    EXPECT_TRUE(form.buttonClick());
    EXPECT_EQ(std::tuple(ps.printStretchX, ps.printFontStretch, ps.printLineWidth), std::tuple(1.02, 0.95, 4));
    EXPECT_EQ((QStringList{form.cell(2, 3), form.cell(2, 5), form.cell(2, 6)}), (QStringList{"1,02", "0,95", "4"}));
    EXPECT_EQ(std::count_if(prompt.shown().begin(), prompt.shown().end(),
                            [](const auto& s) { return s.kind == MsgKind::Warning; }),
              3);
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("Streckfaktor Gesamtausdruck nach rechts")));
    // What is saved is what is in force, so the file never holds a 0 stretch.
    EXPECT_EQ(folder.read(QStringLiteral("einstell.dat")),
              QByteArray("0\r\n0\r\n1,02\r\n1\r\n0,95\r\n4\r\n"));
}

TEST_F(Calibration, AFailedSaveKeepsTheDialogOpen)
{
    folder.write(QStringLiteral("einstell.dat"), "1\n1\n1\n1\n1\n1\n");
    CalibrationForm form;
    form.activate();
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("einstell.dat"))));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("einstell.dat")));
    typeValues(form, {"8", "8", "1", "1", "1", "1"});
    prompt.yes();
    EXPECT_FALSE(form.buttonClick());
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error);
    EXPECT_EQ(state().print.printShiftX, 8);
}

TEST_F(Calibration, WindowGeometry)
{
    const CalibrationGeometry g = CalibrationFormGeometry(768, 1.25, 819);
    // 768 / 1.25 * 4 / 3 = 819.2
    EXPECT_EQ(std::tuple(g.scaleNumerator, g.gridFontSize, g.buttonFontSize, g.left, g.width, g.columnWidths[0]),
              std::tuple(819, 10, 11, 231, 529, 400));
    EXPECT_EQ(CalibrationFormGeometry(600, 0.0, 640).scaleNumerator, 800);
}

} // namespace
