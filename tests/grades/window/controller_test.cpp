#include "classfixture.h"

#include "classes/subjects.h"
#include "grades/gradeslots.h"

using namespace hsa;
using namespace hsa::test;

namespace {

class GradeWindowFlow : public ClassFixture {
protected:
    GradeWindowController& gw() { return gradeWindow(); }
    // Makes and opens the class and opens the window on record.
    bool start(int record, const QList<StudentRow>& rows = threeStudents(), const QString& file = "xa_25262.dbf",
               int keep = 40)
    {
        makeClass(file, rows, keep);
        openClass(file);
        return gw().Open(record);
    }
};

} // namespace

TEST_F(GradeWindowFlow, OpeningRefusesRecordsThatAreNoStudent)
{
    EXPECT_FALSE(gw().Open(0)); // no class open
    EXPECT_TRUE(prompt.shown().isEmpty());
    QList<StudentRow> rows = threeStudents();
    rows << StudentRow{"4", "", "Nurvorname", "M"} << StudentRow{"abc", "Ohne", "Nummer", "M"};
    makeClass("xa_25262.dbf", rows);
    openClass("xa_25262.dbf");
    // The last record (NR 40) is no student, even with a name.
    ClassTable().setValue(39, "NACHNAME", "FAKTOR");
    ClassTable().setValue(39, "VORNAME", "x");
    const std::pair<int, QString> cases[] = {
        {3, kMsgNameFirst}, {4, kMsgBadNumber}, {39, "Der Datensatz Nr. 40 ist kein Schüler."}};
    for (const auto& [record, message] : cases) {
        prompt.clear();
        EXPECT_FALSE(gw().Open(record)) << record;
        EXPECT_EQ(prompt.lastText(), message) << record;
        EXPECT_FALSE(state().inputOk) << record;
    }
    EXPECT_FALSE(QFileInfo::exists(gradeFile("40")));
}

TEST_F(GradeWindowFlow, WhatWasTypedEndsUpInTheRecordAndTheGradeFileAndComesBack)
{
    ASSERT_TRUE(start(0));
    const int rel = rowOf("R");
    const int deu = rowOf("D");
    // A new sheet: Deutsch, Mathematik written and English communication exams pending.
    const ExamGrid& grid = gw().sheet().grid;
    EXPECT_EQ(grid.at(ColWritten, deu) + grid.at(ColWritten, rowOf("M")) + grid.at(ColComm, rowOf("E")), "PPP");
    EXPECT_EQ(gw().gradeList()[deu + 1], "??");
    EXPECT_EQ(gw().classCaption(), "Klasse  xa  2526   2");
    EXPECT_TRUE(prompt.shown().isEmpty());
    ASSERT_TRUE(gw().commitCell(ColYear, rel, "2"));
    ASSERT_TRUE(gw().commitCell(ColWritten, deu, "37"));
    ASSERT_TRUE(gw().commitCell(ColYear, deu, "2,5"));
    EXPECT_EQ(gw().gradeList()[deu + 1], "3*");
    gw().setRemark(0, "Teilnahme an der Streitschlichtung");
    gw().setRemark(5, "Zeile\nmit Umbruch");
    gw().selectExamResult(1);
    EXPECT_FALSE(gw().setNotesText("erste Notiz\nzweite Notiz"));
    EXPECT_TRUE(gw().setRecordField("AG2", "Theater-AG"));

    EXPECT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_EQ(QStringList({rec(0, "HINWEIS1"), rec(0, "BEMERK2"), rec(0, GradeSlotFieldName(rel + 1)),
                           rec(0, GradeSlotFieldName(deu + 1))}),
              QStringList({"Teilnahme an der Streitschlichtung", "Zeile mit Umbruch", "2", "3*"}));
    const QStringList lines = gradeLines(1);
    ASSERT_EQ(lines.size(), kGradeFileLines);
    EXPECT_EQ(cellLine(lines, ColWritten, deu) + "|" + cellLine(lines, ColYear, rel), "3.7|2.0");
    EXPECT_EQ(lines.mid(180, 4), (QStringList{"1", "erste Notiz", "zweite Notiz", ""}));
    // The next student starts clean: nothing of the first carried over.
    EXPECT_EQ(gw().remark(0) + gw().notesText(), "");
    EXPECT_EQ(gw().sheet().resultIndex, kNoExamResult);

    // Back to the first: everything comes back.
    EXPECT_EQ(gw().Previous(), StepResult::Moved);
    EXPECT_EQ(QStringList({gw().remark(0), gw().notesText(), gw().sheet().grid.at(ColWritten, deu),
                           gw().recordField("AG2")}),
              QStringList({"Teilnahme an der Streitschlichtung", "erste Notiz\nzweite Notiz", "3.7", "Theater-AG"}));
    EXPECT_EQ(gw().sheet().resultIndex, 1);

    // Closing writes the student once more; a second reader finds it on disk.
    gw().setRemark(1, "nach dem Zurückgehen");
    ASSERT_TRUE(gw().Close());
    ClassTable().close();
    EXPECT_EQ(onDisk(0, "HINWEIS2"), "nach dem Zurückgehen");
    EXPECT_EQ(onDisk(0, GradeSlotFieldName(deu + 1)), "3*");
}

TEST_F(GradeWindowFlow, ConductGradesPassThroughAndDeutschFollowsTheHalfYearField)
{
    QList<StudentRow> rows = threeStudents();
    rows[0].fields = {{"RELIGION", "2"}, {"ZUSATZ4", "1"}, {"HJ", "x"}, {"DEU", "2"}, {"MATH", "3"}};
    rows[1].fields = {{"DEU", "4"}, {"MATH", "5"}};
    ASSERT_TRUE(start(0, rows));
    EXPECT_EQ(gw().gradeList()[0] + gw().gradeList()[1] + gw().deutschnote() + gw().mathenote(), "2123");
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_EQ(rec(0, "RELIGION") + rec(0, "ZUSATZ4"), "21");
    // Without "x" in HJ the Deutsch edit is not loaded: the first student's
    // value is not shown and not written to this one.
    EXPECT_EQ(gw().deutschnote() + "|" + gw().mathenote(), "|5");
}

TEST_F(GradeWindowFlow, StepsNeverLoseTheStudentLeftNorTouchARecordThatIsNoStudent)
{
    QList<StudentRow> forty;
    for (int i = 1; i <= 39; ++i)
        forty << StudentRow{QString::number(i), QStringLiteral("Name%1").arg(i), "Vor", "M"};
    forty << StudentRow{"40", "FAKTOR", "1", ""};
    const auto with = [](int index, const StudentRow& row, QList<StudentRow> rows = threeStudents()) {
        rows[index] = row;
        return rows;
    };
    const struct {
        const char* name;
        QList<StudentRow> rows;
        int start, direction;
        StepResult result;
        QString message;  // the last message starts with it
        QString mentions; // and contains it
        QList<std::tuple<int, const char*, const char*>> after;
        int keep = 40;
    } cases[] = {
        {"next into a gap", with(2, {"3", "", "", "", {{"HINWEIS1", "alt"}}}) << StudentRow{"4", "Ende", "Emil", "M"},
         1, +1, StepResult::Stayed, kMsgListEnd, "", {{2, "HINWEIS1", "alt"}}},
        {"next into a gap without number", with(1, {"", "", "", ""}), 0, +1, StepResult::Stayed, kMsgListEnd, "",
         {{1, "HINWEIS1", ""}}},
        {"next onto a named record with a bad number",
         with(1, {"0", "Czech", "Bernd", "M", {{"HINWEIS1", "seins"}, {"DEU", "2*"}}}), 0, +1, StepResult::Closed,
         kMsgBadNumber, "fehlt: Schülernummer (1 bis 40).", {{1, "HINWEIS1", "seins"}, {1, "DEU", "2*"}}},
        {"previous onto a true gap: tidied",
         with(0, {"1", "", "", "", {{"HINWEIS2", "Rest"}, {"BEMERK2", "Rest"}, {"RELIGION", "3"}, {"F11", "4"}}}),
         1, -1, StepResult::Closed, kMsgNameMissing, "",
         {{0, "HINWEIS1", "-"}, {0, "HINWEIS2", ""}, {0, "BEMERK1", "-"}, {0, "BEMERK2", ""},
          {0, "RELIGION", ""}, {0, "DEU", ""}, {0, "MATH", ""}, {0, "F11", "4"}}},
        {"previous onto a student without gender",
         with(0, {"1", "Berg", "Anna", "", {{"HINWEIS1", "Schülersprecherin"}, {"BEMERK1", "hilfsbereit"}, {"DEU", "2"}}}),
         1, -1, StepResult::Closed, kMsgNameMissing, "fehlt: Geschlecht (M/W).",
         {{0, "HINWEIS1", "Schülersprecherin"}, {0, "BEMERK1", "hilfsbereit"}, {0, "DEU", "2"}}},
        {"previous onto a student without first name", with(0, {"1", "Berg", "", "W", {{"HINWEIS1", "bleibt"}}}),
         1, -1, StepResult::Closed, kMsgNameMissing, "fehlt: Vorname.", {{0, "HINWEIS1", "bleibt"}}},
        {"first student", threeStudents(), 0, -1, StepResult::Stayed, kMsgFirstStudent, "", {}, 3},
        {"last student", threeStudents(), 2, +1, StepResult::Stayed, kMsgLastStudent, "", {}, 3},
        {"the factor record ends the list", forty, 38, +1, StepResult::Stayed, kMsgListEnd, "", {{39, "HINWEIS1", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(start(c.start, c.rows, "xa_25262.dbf", c.keep));
        const int target = c.start + c.direction;
        const QString nr = c.rows.value(target).nr; // none beyond the list
        if (!nr.isEmpty())
            WriteTextLines(gradeFile(nr), {"unberührt"});
        gw().setRemark(0, "getippt");
        EXPECT_TRUE((c.direction > 0 ? gw().Next() : gw().Previous()) == c.result);
        const QString said = prompt.lastText();
        EXPECT_TRUE(said.startsWith(c.message) && said.contains(c.mentions)) << said.toStdString();
        // The student left is written, record and grade file.
        EXPECT_EQ(rec(c.start, "HINWEIS1"), "getippt");
        EXPECT_TRUE(QFileInfo::exists(gradeFile(c.rows[c.start].nr)));
        if (!nr.isEmpty()) {
            EXPECT_EQ(ReadTextLines(gradeFile(nr)), QStringList{"unberührt"});
        }
        if (c.result == StepResult::Stayed) {
            EXPECT_TRUE(gw().isOpen());
            EXPECT_EQ(gw().record(), c.start);
        } else {
            EXPECT_FALSE(gw().isOpen());
            EXPECT_FALSE(state().inputOk);
            EXPECT_EQ(state().currentStudentRecord, target);
        }
        ASSERT_TRUE(gw().Close());
        for (const auto& [record, field, value] : c.after)
            EXPECT_EQ(rec(record, field), QString::fromUtf8(value)) << record << " " << field;
        gw().reset();
        ClassTable().close();
    }
}

TEST_F(GradeWindowFlow, AGradeFileThatIsDamagedOrCannotBeWrittenLosesNothing)
{
    ASSERT_TRUE(start(0));
    const QByteArray damaged("2.0\r\n\0\0\0\r\n", 10);
    folder.write(className.left(8) + "/v.2", damaged);
    EXPECT_EQ(gw().Next(), StepResult::Moved);
    ASSERT_FALSE(prompt.shown().isEmpty());
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error);
    gw().setRemark(0, "trotzdem");
    EXPECT_EQ(gw().Previous(), StepResult::Moved);
    EXPECT_EQ(folder.read(className.left(8) + "/v.2"), damaged);
    EXPECT_EQ(rec(1, "HINWEIS1"), "trotzdem");

    // A folder where the grade file belongs: it cannot be replaced, and the
    // window stays on the student until it is closed by force.
    QFile::remove(gradeFile("1"));
    QDir().mkpath(gradeFile("1"));
    gw().setRemark(0, "getippt");
    prompt.clear();
    EXPECT_EQ(gw().Next(), StepResult::Failed);
    EXPECT_EQ(gw().record(), 0);
    EXPECT_EQ(gw().remark(0), "getippt");
    ASSERT_FALSE(prompt.shown().isEmpty());
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error);
    EXPECT_FALSE(gw().Close());
    EXPECT_TRUE(gw().Close(true));
    // The record was written all the same.
    EXPECT_EQ(rec(0, "HINWEIS1"), "getippt");
}

// A grade file cut short or holding a mark outside 1.0 to 6.0 is opened with
// what it holds; the window says so, and the student can be saved, which
// writes the whole file again.
TEST_F(GradeWindowFlow, AnIncompleteGradeFileIsToldAndSavedWhole)
{
    ASSERT_TRUE(start(0));
    const int deu = rowOf("D");
    ASSERT_TRUE(gw().commitCell(ColYear, deu, "2,5"));
    ASSERT_TRUE(gw().commitCell(ColYear, rowOf("R"), "3"));
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    QByteArray cut;
    for (const QString& line : gradeLines(1).mid(0, 120))
        cut += line.toLatin1() + "\r\n";
    cut.replace("\r\n3.0\r\n", "\r\n65\r\n");
    writeFile(gradeFile("1"), cut);
    prompt.clear();
    ASSERT_EQ(gw().Previous(), StepResult::Moved);
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Warning);
    EXPECT_TRUE(prompt.lastText().contains("ist unvollständig: Sie hat nur 120 von 226 Zeilen"))
        << prompt.lastText().toStdString();
    EXPECT_TRUE(prompt.lastText().contains("außerhalb von 1,0 bis 6,0 (R Jahresl.: 65)")) << prompt.lastText().toStdString();
    EXPECT_EQ(gw().sheet().grid.at(ColYear, deu), "2.5");
    EXPECT_EQ(gw().sheet().grid.at(ColYear, rowOf("R")), "- ");
    ASSERT_TRUE(gw().commitCell(ColYear, rowOf("M"), "4"));
    EXPECT_TRUE(gw().Close());
    const QStringList lines = gradeLines(1);
    ASSERT_EQ(lines.size(), kGradeFileLines);
    EXPECT_EQ(cellLine(lines, ColYear, deu) + "|" + cellLine(lines, ColYear, rowOf("M")), "2.5|4.0");
}

TEST_F(GradeWindowFlow, Class9AllowsOnlyTheHauptschulabschluss)
{
    ASSERT_TRUE(start(0, threeStudents(), "9a_25262.dbf"));
    ASSERT_TRUE(gw().commitCell(ColYear, rowOf("R"), "2"));
    gw().selectExamResult(2);
    EXPECT_EQ(prompt.texts(), QStringList{kMsgClass9Result});
    EXPECT_EQ(gw().resultLabel(), "Hauptschulabschluss bestanden");
    EXPECT_TRUE(gw().gesamtschnittLabel().startsWith("Gesamtschnitt: "));
    gw().selectExamResult(3);
    EXPECT_EQ(gw().resultLabel() + "|" + gw().gesamtschnittLabel(), "nicht bestanden|");
}

TEST_F(GradeWindowFlow, OnlyARealschulabschlussWithAProjectGradeInClassXGetsTheReminder)
{
    ASSERT_TRUE(start(0));
    const int proj = rowOf("Proj");
    const struct {
        const char* project;
        int result;
        bool reminded;
    } cases[] = {{"2", 2, true}, {"3", 0, false}, {"-", 2, false}};
    for (const auto& c : cases) {
        prompt.clear();
        ASSERT_TRUE(gw().commitCell(ColWritten, proj, c.project));
        gw().selectExamResult(c.result);
        EXPECT_EQ(gw().Next(), StepResult::Moved);
        EXPECT_EQ(prompt.texts().contains(kMsgProjectGrade), c.reminded) << c.project << " " << c.result;
        ASSERT_EQ(gw().Previous(), StepResult::Moved);
    }
}

TEST_F(GradeWindowFlow, ProfileCodesAreEditedAndSavedForTheNextStart)
{
    ASSERT_TRUE(start(0));
    // "No" leaves everything as it was; so does cancelling the editor.
    prompt.no().yes();
    gw().editProfileCodes();
    EXPECT_TRUE(memoInput.isEmpty());
    gw().editProfileCodes();
    EXPECT_EQ(memoInput, "BKP\nMuP\nSpP\nNwT\nIMP\nSpa");
    EXPECT_FALSE(folder.exists("profilkuerzel.txt"));

    memoAnswer = QStringLiteral("\n  \nBKPX\n Mu \n\nNwT\r\nIMP");
    prompt.yes();
    gw().editProfileCodes();
    EXPECT_EQ(prompt.lastText(), ProfileCodesSavedMessage());
    EXPECT_EQ(ReadTextLines(folder.file("profilkuerzel.txt")), (QStringList{"BKP", "Mu", "--", "NwT", "IMP", "--"}));
}

TEST_F(GradeWindowFlow, LeavingTheProfileChoiceNeverReplacesATypedTopic)
{
    state().schoolTypeText = "der Gemeinschaftsschule";
    ASSERT_TRUE(start(0));
    // An empty field or an index stands for the choice: nothing chosen is "-1".
    const std::tuple<int, const char*, const char*> cases[] = {
        {-1, "Bau eines Solarboots", "Bau eines Solarboots"}, {-1, "", "-1"}, {4, "9", "4"}};
    for (const auto& [chosen, typed, stored] : cases) {
        if (chosen >= 0)
            gw().selectProfile(chosen);
        ASSERT_TRUE(gw().setRecordField("AG7", typed));
        gw().leaveProfile();
        EXPECT_EQ(rec(0, "AG7").trimmed(), stored) << typed;
    }
    // The next student starts without it; coming back shows it again.
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    gw().leaveProfile();
    EXPECT_EQ(rec(1, "AG7").trimmed(), "-1");
    ASSERT_EQ(gw().Previous(), StepResult::Moved);
    EXPECT_EQ(gw().sheet().profileIndex, 4);
    // Without the profile controls the field is the personal edit's alone.
    ASSERT_TRUE(gw().Close());
    state().schoolTypeText = "der Werkrealschule";
    ASSERT_TRUE(gw().Open(2));
    gw().leaveProfile();
    EXPECT_EQ(rec(2, "AG7").trimmed(), "");
}

TEST_F(GradeWindowFlow, PhraseNumbersBecomeTheirPhrasesWithTheFirstName)
{
    QStringList phrases(100);
    phrases[11] = QStringLiteral("* nahm an der AG teil (*) und *) half.");
    phrases[19] = QStringLiteral("Geboren in Überlingen *");
    WriteTextLines(folder.file("floskel3.dat"), phrases);
    ASSERT_TRUE(start(0));
    const QString anna = "Anna nahm an der AG teil (*) und *) half.";
    // An empty row keeps the number.
    gw().setRemark(2, "14");
    EXPECT_FALSE(gw().expandRemark(2));
    EXPECT_EQ(gw().remark(2), "14");
    // The record-bound working groups edit: expanded and posted.
    ASSERT_TRUE(gw().setRecordField("AG2", " 12 "));
    EXPECT_TRUE(gw().expandRecordField("AG2"));
    EXPECT_EQ(rec(0, "AG2"), anna);
    // Double clicks take a phrase only while the store is shown; the birth
    // place takes it without the first name.
    EXPECT_FALSE(gw().doubleClickRemark(4, 12));
    gw().togglePhraseStore();
    EXPECT_FALSE(gw().doubleClickRemark(5, 50));
    EXPECT_TRUE(gw().doubleClickRecordField("AG4", 20));
    EXPECT_EQ(rec(0, "AG4"), "Geboren in Überlingen *");
}

TEST_F(GradeWindowFlow, CertificateDateGoesIntoEveryRecord)
{
    makeClass("xa_25262.dbf", threeStudents());
    EXPECT_EQ(FillCertificateDate("15.07.2026"), 0); // no class open
    openClass("xa_25262.dbf");
    EXPECT_EQ(FillCertificateDate(""), 0);
    EXPECT_EQ(FillCertificateDate("15.07.2026"), 40);
    ClassTable().close();
    for (int r : {0, 2, 20, 39})
        EXPECT_EQ(onDisk(r, "DATUM"), "15.07.2026") << r;
}
