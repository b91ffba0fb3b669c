#include "exchange/finalgradeexport.h"
#include "grades/classgrid.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"

#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "support/childrun.h"
#include "support/classfolder.h"
#include "support/gradefilebytes.h"
#include "support/textbytes.h"
#include "zip/support/ziptestsupport.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace hsa;
using namespace hsa::test;
using zip::test::HaveTool;
using zip::test::Quote;
using zip::test::RunShell;

namespace {

const std::array<QString, 19> kCodes{"D", "M", "E", "Inf", "Prof", "G", "Geo", "Gk", "Ph", "Ch",
                                     "Bio", "Mu", "BK", "Sp", "WAG", "Te", "AES", "F", "Proj"};
const std::array<QString, 6> kProfiles{"BKP", "MuP", "SpP", "NwT", "IMP", "Spa"};

FinalGradeExportInput sample(const QString& classFile)
{
    FinalGradeExportInput in{"Werkrealschule Süd?Irgendwo", classFile, kCodes, kProfiles, {}};
    FinalGradeRecord anna{"Müller", "Anna", 0, "01.02.2006", "Ulm", "1", "2.3", {}};
    anna.grades = {"2*", "3-", "1", "2", "3", "", "", "", "", "", "", "", "", "", "", "", "", "", "2  "};
    FinalGradeRecord ben{"Schmidt", "Ben", 3, "", "", "", "4.1", {}};
    ben.grades[18] = "4";
    FinalGradeRecord factors{"FAKTOR", "", 0, "", "", "", "2.0", {}};
    factors.grades.fill("1");
    in.records = {anna, FinalGradeRecord{"", "", 5, "", "", "", "??", {}}, ben, factors};
    return in;
}

} // namespace

TEST(FinalGradeExport, LinesAsTheReportCardProgramReadsThem)
{
    // Written by hand: one passed student, an empty record, one who failed
    // and the weighting record (a record like an empty one, never passed).
    QStringList expected{"Werkrealschule Süd?Irgendwo", "9a_21222", "PZeugnisnummern Start",
                         "Müller", "Anna", "0", "2", "01.02.2006", "Ulm", "2.3 (gut)",
                         "", "", "5", "", "", "", "",
                         "Schmidt", "Ben", "3", "4", "", "", "4.1  (ausreichend)",
                         "", "", "5", "", "", "", "",
                         "Zeugnisnummern Ende", "Müller", "Anna",
                         "D", "2", "M", "3-", "E", "1", "WI", "2", "MuP", "3"};
    for (const char* code : {"G", "Geo", "Gk", "Ph", "Ch", "Bio", "Mu", "BK", "Sp", "WAG", "Te", "AES", "F"})
        expected << code << "";
    expected << "Proj" << "2";
    EXPECT_EQ(crlf(BuildFinalGradeExport(sample("9a_21222.dbf"))), crlf(expected));
    // The average line comes with the school year 2020/21 ("2021"), never before ("1920").
    for (const auto& [classFile, fewer] : {std::pair{"9a_19202.dbf", 4}, {"9a_20212.dbf", 0}})
        EXPECT_EQ(BuildFinalGradeExport(sample(classFile)).size(), expected.size() - fewer) << classFile;
    // A class of one passed student: a surname alone is a student, a first
    // name alone is not and gets no block in the second section.  An average
    // with nothing to compute (" - ") or a pending one ("??") leaves its line empty.
    for (const auto& [last, first, blocks, average, averageLine] :
         {std::tuple{"Yilmaz", "", 1, " - ", ""}, {"", "Lea", 0, "??", ""}, {"  ", "Lea", 0, "1.4", "1.4  (sehr gut)"}}) {
        FinalGradeExportInput one = sample("9a_21222.dbf");
        one.records = {FinalGradeRecord{last, first, 1, "", "", "", average, {}}};
        const QStringList lines = BuildFinalGradeExport(one);
        EXPECT_EQ(lines.size(), 3 + 7 + 1 + blocks * 40) << last << "|" << first;
        EXPECT_EQ(lines.mid(3, 3), QStringList({QString(last).trimmed(), first, "1"}));
        EXPECT_EQ(lines.at(9), averageLine);
        EXPECT_EQ(lines.mid(11, 2), blocks ? QStringList({last, first}) : QStringList());
    }
    // The profile subject: the student's own code where AG7 selects one.
    FinalGradeExportInput in = sample("9a_21222.dbf");
    for (const auto& [ag7, code] : {std::pair{"1", "MuP"}, {"6", "Spa"}, {"0", "BKP"}, {"-1", "Prof"}, {"", "Prof"},
                                    {"x", "Prof"}, {"7", "Prof"}}) {
        in.records[0].profileField = ag7;
        EXPECT_EQ(BuildFinalGradeExport(in).at(expected.size() - 30), code) << "AG7 " << ag7;
    }
}

class FinalGradeExportRun : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        makeClass("9a_21222.dbf", {{"1", "Müller", "Anna", "W", {{"DEU", "2*"}, {"F21", "2"}}},
                                   {"2", "Özdemir", "Cem", "M", {{"DEU", "3"}}},
                                   {"3", "Schmidt", "Ben"}});
        openClass("9a_21222.dbf");
        // Anna passed; Cem has no grade file and follows her.
        for (const auto& [nr, result] : {std::pair{"1", 0}, {"3", 3}}) {
            ExamSheet sheet = PresetExamSheet(GradeContextFromState());
            sheet.resultIndex = result;
            SaveStudentGradeFile(GradeFilePathFor(classFolder(), nr), sheet, GradeContextFromState());
        }
    }
    QString exportFile(const QString& ext) const { return folder.file("Export/9a-21222 Endnoten." + ext); }
};

// A mark outside 1.0 to 6.0 in a grade file (damaged or edited by hand)
// never reaches the average the report-card program prints.
TEST_F(FinalGradeExportRun, AMarkOutsideOneToSixNeverReachesTheAverage)
{
    if (!HaveTool("unzip"))
        GTEST_SKIP() << "unzip missing";
    // The export leaves its final-grade table on screen.
    const auto closeTable = qScopeGuard([] { classGrid().reset(); });
    ExamSheet sheet = PresetExamSheet(GradeContextFromState());
    sheet.resultIndex = 0;
    for (int r = 1; r < 20; ++r)
        for (const int c : {ColWritten, ColComm, ColOral})
            sheet.grid.at(c, r) = "- "; // no exam pending
    sheet.grid.at(ColYear, 1) = "2.0";
    sheet.grid.at(ColYear, 2) = "65";
    ASSERT_TRUE(SaveStudentGradeFile(GradeFilePathFor(classFolder(), "1"), sheet, GradeContextFromState()));
    prompt.yes().no();
    ConfirmFinalGradeExport();
    const auto text = RunShell("unzip -p -P " + Quote("Kw4\xF6\xDC!#pT8n2Lx") + " " + Quote(exportFile("qdn").toStdString()));
    ASSERT_EQ(text.status, 0) << text.output;
    const QStringList lines = FromWindows1252(QByteArray::fromStdString(text.output)).split("\r\n");
    ASSERT_GT(lines.size(), 9);
    EXPECT_EQ(lines.mid(3, 2), QStringList({"Müller", "Anna"}));
    EXPECT_TRUE(lines.at(9).startsWith("2.0")) << lines.at(9).toStdString();
}

// Anna's grade file is cut inside the notes, Ben's holds a year mark "65":
// the export tells of exactly these two, once, and goes on with what the
// files held; a sound class exports without that word.
TEST_F(FinalGradeExportRun, FlawedGradeFilesAreToldOnceAndExported)
{
    const auto closeTable = qScopeGuard([] { classGrid().reset(); });
    const QString anna = GradeFilePathFor(classFolder(), "1");
    const QString ben = GradeFilePathFor(classFolder(), "3");
    const QByteArray soundAnna = ReadFileBytes(anna);
    const QByteArray soundBen = ReadFileBytes(ben);
    for (const bool flawed : {true, false}) {
        SCOPED_TRACE(flawed ? "flawed" : "sound");
        WriteFileAtomic(anna, flawed ? FirstLines(soundAnna, 200) : soundAnna);
        WriteFileAtomic(ben, flawed ? WithLine(soundBen, CellLine(ColYear, 1), "65") : soundBen);
        classGrid().reset();
        prompt.clear();
        prompt.yes().no();
        ConfirmFinalGradeExport();
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        EXPECT_TRUE(QFileInfo(exportFile("qdn")).isFile());
        const QStringList told = Warnings(prompt);
        if (!flawed) {
            EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
            continue;
        }
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains("Nr. 1 Müller, Anna: unvollständig (200 von 226 Zeilen)")) << told[0].toStdString();
        EXPECT_TRUE(told[0].contains("Nr. 3 Schmidt, Ben: Noten außerhalb")) << told[0].toStdString();
        EXPECT_FALSE(told[0].contains("Özdemir"));
    }
}

TEST_F(FinalGradeExportRun, EncryptedArchiveOpensInThePeers)
{
    if (!HaveTool("unzip") || !HaveTool("7z") || !HaveTool("python3"))
        GTEST_SKIP() << "unzip, 7z or python3 missing";
    ASSERT_FALSE(folder.exists("Export"));
    prompt.yes().no();
    ConfirmFinalGradeExport();
    ASSERT_TRUE(QFileInfo::exists(exportFile("qdn"))) << prompt.texts().join("|").toStdString();
    EXPECT_FALSE(QFileInfo::exists(exportFile("txt")));
    const std::string archive = exportFile("qdn").toStdString();
    const std::string pw = Quote("Kw4\xF6\xDC!#pT8n2Lx");   // the password's Windows-1252 bytes
    const auto text = RunShell("unzip -p -P " + pw + " " + Quote(archive) + " '9a-21222 Endnoten.txt'");
    ASSERT_EQ(text.status, 0) << text.output;
    const QStringList lines = FromWindows1252(QByteArray::fromStdString(text.output)).split("\r\n");
    // Cem has no grade file: never Anna's result.
    EXPECT_EQ(lines.mid(0, 7) + lines.mid(10, 3), QStringList({state().schoolName, "9a_21222", "PZeugnisnummern Start", "Müller",
                                                                "Anna", "0", "2", "Özdemir", "Cem", "5"}));
    // Records 1 to 39 of the 40, each with its average line, and Anna's block.
    EXPECT_EQ(lines.size(), 3 + 39 * 7 + 1 + 40 + 1);
    EXPECT_EQ(RunShell("7z t -p" + pw + " " + Quote(archive)).status, 0);
    const auto py = RunShell("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                             "print(z.namelist(), len(z.read(z.namelist()[0], pwd=b'Kw4\\xf6\\xdc!#pT8n2Lx')))\" "
                             + Quote(archive));
    EXPECT_EQ(py.status, 0) << py.output;
    EXPECT_NE(py.output.find("['9a-21222 Endnoten.txt']"), std::string::npos) << py.output;
    EXPECT_TRUE(classGrid().visible());
    classGrid().reset();
}

TEST_F(FinalGradeExportRun, FailuresLeaveNoGradesBehind)
{
    // An archive that cannot be written: the text file goes as well.
    QDir().mkpath(exportFile("qdn"));
    prompt.yes();
    ConfirmFinalGradeExport();
    EXPECT_FALSE(QFileInfo::exists(exportFile("txt")));
    EXPECT_TRUE(prompt.anyTextContains("konnte nicht verschlüsselt werden"));
    QDir(exportFile("qdn")).removeRecursively();
    // An abort request during the loop.
    state().printAbortRequested = true;
    prompt.yes();
    ConfirmFinalGradeExport();
    EXPECT_TRUE(QDir(folder.file("Export")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(prompt.lastText(), "Es wurde nichts ausgespielt");
    EXPECT_FALSE(state().printAbortRequested);
    // The stick copy is never made onto the archive itself.
    prompt.clear();
    prompt.yes().yes().text(folder.file("Export"));
    ConfirmFinalGradeExport();
    EXPECT_TRUE(prompt.anyTextContains("Die Datei liegt bereits in diesem Ordner"));
    EXPECT_TRUE(prompt.lastText().contains("nur im Unterordner \"Export\""));
    EXPECT_GT(QFileInfo(exportFile("qdn")).size(), 100);
    classGrid().reset();
}

// A program killed at any step of the export leaves no grades unencrypted
// where anybody could read them, and no older archive that looks like the
// new one; what it leaves in its private folder goes at the next start.
TEST_F(FinalGradeExportRun, AKilledExportLeavesNoPlainGrades)
{
    QTemporaryDir systemTemp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", systemTemp.path().toLocal8Bit());
    const QString older = "Export/9a-21222 Endnoten.qdn";
    folder.write(older, "an older export");
    int steps = 0;
    {
        FileFaultScope count(0);
        prompt.yes().no();
        ConfirmFinalGradeExport();
        steps = count.steps();
    }
    // The export leaves the final-grade table on screen, which bars another.
    classGrid().reset();
    ASSERT_GT(QFileInfo(exportFile("qdn")).size(), 100);
    ASSERT_GE(steps, 3);
    const auto plainOrHalf = [&] {
        return QDir(folder.file("Export")).entryList({"*Endnoten.txt*", ".*Endnoten.qdn.*"}, QDir::Files | QDir::Hidden);
    };
    const auto scratch = [&] {
        return QDir(systemTemp.path()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    for (int killAt = 1; killAt <= steps; ++killAt) {
        SCOPED_TRACE(killAt);
        folder.write(older, "an older export");
        const LimitedRun run = RunInChild([&] {
            FileFaultScope watch(0);
            int seen = 0;
            watch.watch([&](FileStep) {
                if (++seen == killAt)
                    ::_exit(9);
            });
            prompt.clear();
            prompt.yes().no();
            ConfirmFinalGradeExport();
            return 0;
        });
        // The last steps may lie after the export, in the table it shows.
        ASSERT_TRUE(run.exited && (run.code == 9 || run.code == 0)) << run.describe().toStdString();
        EXPECT_EQ(plainOrHalf(), QStringList());
        // Killed before its first step, the export never began.
        if (killAt > 1) {
            EXPECT_FALSE(folder.exists(older) && folder.read(older) == "an older export");
        }
        // Whatever the killed export left is its owner's alone.
        for (const QFileInfo& fi : scratch()) {
            EXPECT_TRUE(fi.fileName().startsWith("hsa-endnoten-")) << fi.fileName().toStdString();
            EXPECT_EQ(fi.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeGroup
                                          | QFileDevice::ExeOther),
                      QFileDevice::Permissions());
        }
        // The next start removes it, and what an earlier version left in "Export".
        folder.write("Export/9a-21222 Endnoten.txt", "Müller\r\nAnna\r\n");
        RemoveFinalGradeLeftovers();
        EXPECT_EQ(scratch(), QFileInfoList());
        EXPECT_EQ(plainOrHalf(), QStringList());
    }
    // The folder of an export still running in this program stays.
    QDir(systemTemp.path()).mkdir(QStringLiteral("hsa-endnoten-%1-abcdef").arg(::getppid()));
    RemoveFinalGradeLeftovers();
    EXPECT_EQ(scratch().size(), 1);
    qputenv("TMPDIR", oldTemp);
    classGrid().reset();
}

TEST_F(FinalGradeExportRun, StickCopyNamesTheFolderAndTheTableHeadsItsAverageColumnSch)
{
    QTemporaryDir stick;
    prompt.yes().yes().text(stick.path());
    ConfirmFinalGradeExport();
    EXPECT_TRUE(QFileInfo::exists(QDir(stick.path()).filePath("9a-21222 Endnoten.qdn")));
    EXPECT_TRUE(prompt.anyTextContains("wurde auch auf " + stick.path() + "/ kopiert."))
        << prompt.texts().join("|").toStdString();
    EXPECT_EQ(classGrid().cell(21, 0), "Sch");
    // The question before the export replaces the class's older archive.
    const auto asked = std::find_if(prompt.shown().begin(), prompt.shown().end(),
                                    [](const auto& s) { return s.call == ScriptedPrompt::Call::Ask; });
    ASSERT_NE(asked, prompt.shown().end());
    EXPECT_EQ(asked->text, "Sie haben kontrolliert, bei welchen Schülern \"bestanden\" angeklickt wurde?\n\r"
                           "Nur Schüler mit angeklicktem Abschluss werden ausgespielt.\n\rFortfahren mit dem Ausspielen?");
    classGrid().reset();
}
