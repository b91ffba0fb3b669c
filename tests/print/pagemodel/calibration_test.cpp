// The calibration: its settings files (formats, refused values, the loading
// when a class list is prepared) and the dialog (grid, taking the cells over,
// the save and discard paths, the window geometry).
#include "print/calibration.h"
#include "print/calibrationdialog.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printsettings.h"
#include "support/printfixture.h"

#include <QDir>
#include <QFile>
#include <QLocale>

using namespace hsa;

namespace {

using SettingsFiles = test::PrintTest;

// Each row starts from values unlike the defaults, so a refused or missing
// line shows as the value kept.
TEST_F(SettingsFiles, CalibrationAndPenWidthFiles)
{
    struct Row { const char *name, *bytes; int shiftX, shiftY; double stretchX, stretchY, fontStretch; int lineWidth; };
    const Row rows[] = {
        {"einstell.dat", "15\r\n-7\r\n1,02\r\n0.95\r\n0,9\r\n3\r\n", 15, -7, 1.02, 0.95, 0.9, 3},
        {"EINSTELL.DAT", "4\n5\n1,00\n1.00\n1\n1\n", 4, 5, 1.0, 1.0, 1.0, 1},
        // Stretches of zero or less are refused; the line width is held to 0..4.
        {"einstell.dat", "0\n0\n0\n-1,5\nabc\n9\n", 0, 0, 1.01, 0.96, 0.95, 4},
        {"einstell.dat", "0\n0\n1\n1\n1\n-2\n", 0, 0, 1.0, 1.0, 1.0, 0},
        // A short file keeps the rest: an empty line would have removed every rule.
        {"einstell.dat", "12\n-3\n", 12, -3, 1.01, 0.96, 0.95, 3},
        // Shifts and stretches beyond a page are refused.
        {"einstell.dat", "2147483647\n-99999\n0,00001\n99999\n1\n1\n", 9, 8, 1.01, 0.96, 1.0, 1},
        {"penwi.dat", "2\r\n", 9, 8, 1.01, 0.96, 0.95, 2},
        {"penwi.dat", "7\r\n", 9, 8, 1.01, 0.96, 0.95, 4},
        {"penwi.dat", "0", 9, 8, 1.01, 0.96, 0.95, 0},
        {"", "", 9, 8, 1.01, 0.96, 0.95, 3}, // no file: nothing changes
    };
    auto& ps = state().print;
    for (const Row& r : rows) {
        for (const char* f : {"einstell.dat", "EINSTELL.DAT", "penwi.dat"})
            QFile::remove(folder.file(QString::fromLatin1(f)));
        std::tie(ps.printShiftX, ps.printShiftY, ps.printStretchX, ps.printStretchY, ps.printFontStretch,
                 ps.printLineWidth) = std::tuple(9, 8, 1.01, 0.96, 0.95, 3);
        if (*r.name)
            folder.write(QString::fromLatin1(r.name), r.bytes);
        LoadPrintCalibration();
        LoadPenWidth();
        EXPECT_EQ(std::tuple(ps.printShiftX, ps.printShiftY, ps.printStretchX, ps.printStretchY, ps.printFontStretch,
                             ps.printLineWidth),
                  std::tuple(r.shiftX, r.shiftY, r.stretchX, r.stretchY, r.fontStretch, r.lineWidth))
            << r.name << " " << r.bytes;
    }
    LoadPrintFontName();
    folder.write(QStringLiteral("schrift2.dat"), "\r\n 1.00000000000000E+0000\r\n"); // an empty line names no font
    LoadPrintFontName();
    EXPECT_EQ(ps.printerFontName, QStringLiteral("Times New Roman"));
    EXPECT_TRUE(prompt.shown().isEmpty());
    // A file that cannot be read is reported and changes nothing.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("einstell.dat")));
    EXPECT_NO_THROW(LoadPrintCalibration());
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(std::pair(ps.printShiftX, prompt.shown()[0].kind), std::pair(9, MsgKind::Error));
}

TEST_F(SettingsFiles, FontFactorOnlyInItsSensibleRange)
{
    const std::pair<const char*, double> factors[] = {
        {"0\r\n", 1.25}, {"abc\r\n", 1.25}, {"", 1.25}, {"0,0000001\r\n", 1.25}, {"9\r\n", 1.25}, {"1,1\r\n", 1.1}, {"0.8", 0.8}};
    for (const auto& [bytes, factor] : factors) {
        state().fontFactor = 1.25;
        folder.write(QStringLiteral("fontfakt.dat"), bytes);
        LoadFontFactor();
        EXPECT_DOUBLE_EQ(state().fontFactor, factor) << bytes;
    }
}

TEST_F(SettingsFiles, PreparingTheClassList)
{
    auto& ps = state().print;
    std::tie(ps.printStretchX, ps.printStretchY) = std::tuple(1.2, 0.8); // left from a dialog use not saved
    SetPrintOrientation(true);
    folder.write(QStringLiteral("einstell.dat"), "5\n6\n0\n0,97\n1\n2\n");
    folder.write(QStringLiteral("penwi.dat"), "1\n");
    folder.write(QStringLiteral("schrift2.dat"), "Arial\r\n 1.00000000000000E+0000\r\n");
    rec.device().pixelsPortrait = QSize(2400, 3300);
    PreparePrintSettingsForClassList();
    // The stretch reset, and the file's 0 refused; penwi.dat after einstell.dat.
    EXPECT_EQ(std::tuple(ps.printStretchX, ps.printStretchY, ps.printShiftX, ps.printLineWidth, ps.printLandscape,
                         printer().landscape()),
              std::tuple(1.0, 0.97, 5, 1, false, false));
    EXPECT_DOUBLE_EQ(ps.printScaleX, 3300 / 3200.0 * 1.0);
    EXPECT_DOUBLE_EQ(ps.printScaleY, 2400 / 2368.0 * 0.97 * 0.98);
    EXPECT_EQ(ps.printerFontName, QStringLiteral("Arial"));
    // Only the first preparation of a run reads the font file.
    folder.write(QStringLiteral("schrift2.dat"), "Courier New\r\n");
    rec.device().pixelsPortrait = QSize(2368, 3200);
    PreparePrintSettingsForClassList();
    EXPECT_EQ(ps.printerFontName, QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(ps.printScaleY, 0.97); // exactly 2368 pixels wide: no 0.98
}

// The class-file hook leaves the font file to its caller; without a printer
// the files are still loaded.
TEST_F(SettingsFiles, TheClassFileHookAndAMissingPrinter)
{
    folder.write(QStringLiteral("schrift2.dat"), "Arial\r\n");
    folder.write(QStringLiteral("einstell.dat"), "1\n2\n1,01\n1\n1\n3\n");
    ApplyPrintSettingsForClassList();
    const auto& ps = state().print;
    EXPECT_EQ(std::tuple(ps.printerFontName, ps.printStretchX, ps.printLineWidth, ps.printFontFileRead),
              std::tuple(QStringLiteral("Times New Roman"), 1.01, 3, false));
    rec.system().defaultName.clear();
    printer().reset();
    folder.write(QStringLiteral("einstell.dat"), "5\n6\n1\n1\n1\n4\n");
    PreparePrintSettingsForClassList();
    EXPECT_EQ(std::pair(ps.printShiftY, ps.printLineWidth), std::pair(6, 4));
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("kein Standard-Drucker")));
}

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
    EXPECT_EQ(std::pair(ps.printShiftX, folder.read(QStringLiteral("einstell.dat"))), std::pair(20, saved));
    form.deactivate();
    EXPECT_EQ(values(), std::tuple(3, 4, 1.0, 0.95, 1.0, 2));
    EXPECT_EQ(prompt.shown().size(), 1);
}

TEST_F(Calibration, StretchOfZeroIsRefusedWithAMessage)
{
    auto& ps = state().print;
    std::tie(ps.printStretchX, ps.printFontStretch) = std::tuple(1.02, 0.95);
    CalibrationForm form;
    form.activate();
    typeValues(form, {"0", "0", "0", "1", "-0,5", "9"});
    prompt.yes();
    EXPECT_TRUE(form.buttonClick());
    EXPECT_EQ(std::tuple(ps.printStretchX, ps.printFontStretch, ps.printLineWidth), std::tuple(1.02, 0.95, 4));
    EXPECT_EQ((QStringList{form.cell(2, 3), form.cell(2, 5), form.cell(2, 6)}), (QStringList{"1,02", "0,95", "4"}));
    EXPECT_EQ(std::count_if(prompt.shown().begin(), prompt.shown().end(),
                            [](const auto& s) { return s.kind == MsgKind::Warning; }), 3);
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("Streckfaktor Gesamtausdruck nach rechts")));
    // What is saved is what is in force, so the file never holds a 0 stretch.
    EXPECT_EQ(folder.read(QStringLiteral("einstell.dat")), QByteArray("0\r\n0\r\n1,02\r\n1\r\n0,95\r\n4\r\n"));
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
    EXPECT_EQ(std::pair(prompt.shown().last().kind, state().print.printShiftX), std::pair(MsgKind::Error, 8));
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
