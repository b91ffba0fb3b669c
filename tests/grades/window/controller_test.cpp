#include "classfixture.h"

#include "classes/subjects.h"
#include "grades/gradeslots.h"
#include "platform/help.h"

#include <QFileInfo>

using namespace hsa;
using namespace hsa::test;

namespace {

class GradeWindowFlow : public ClassFixture {
protected:
    GradeWindowController& gw() { return gradeWindow(); }
    // Makes and opens the class and opens the window on record.
    bool start(int record, const QList<StudentRow>& rows = threeStudents(), const QString& file = "xa_25262.dbf")
    {
        makeClass(file, rows);
        openClass(file);
        return gw().Open(record);
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Opening

TEST_F(GradeWindowFlow, OpeningShowsTheStudentWithThePresetsOfANewSheet)
{
    ASSERT_TRUE(start(1));
    EXPECT_TRUE(gw().isOpen());
    EXPECT_EQ(gw().studentCaption(), "2 Bernd Czech");
    EXPECT_EQ(gw().classCaption(), "Klasse  xa  2526   2");
    EXPECT_EQ(QFileInfo(gw().gradeFilePath()).fileName(), "v.2");
    EXPECT_EQ(QFileInfo(gw().companionFilePath()).fileName(), "m.2");
    EXPECT_EQ(state().currentStudentNr, "2");
    // Presets: Deutsch and Mathematik written exams pending, English
    // communication exam pending, nothing computed yet.
    EXPECT_EQ(gw().sheet().grid.at(ColWritten, rowOf("D")), "P");
    EXPECT_EQ(gw().sheet().grid.at(ColWritten, rowOf("M")), "P");
    EXPECT_EQ(gw().sheet().grid.at(ColComm, rowOf("E")), "P");
    EXPECT_EQ(gw().sheet().resultIndex, kNoExamResult);
    EXPECT_EQ(gw().resultLabel(), "");
    EXPECT_EQ(gw().gradeList()[rowOf("D") + 1], "??");
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(GradeWindowFlow, OpeningRefusesRecordsThatAreNoStudent)
{
    QList<StudentRow> rows = threeStudents();
    rows << StudentRow{"4", "", "Nurvorname", "M"} << StudentRow{"abc", "Ohne", "Nummer", "M"};
    makeClass("xa_25262.dbf", rows);
    openClass("xa_25262.dbf");

    EXPECT_FALSE(gw().Open(3));
    EXPECT_EQ(prompt.lastText(), kMsgNameFirst);
    EXPECT_FALSE(state().inputOk);
    prompt.clear();
    EXPECT_FALSE(gw().Open(4));
    EXPECT_EQ(prompt.lastText(), kMsgBadNumber);
    prompt.clear();
    // The last record (NR 40) is no student, even with a name.
    ClassTable().setValue(39, "NACHNAME", "FAKTOR");
    ClassTable().setValue(39, "VORNAME", "x");
    EXPECT_FALSE(gw().Open(39));
    EXPECT_FALSE(gw().isOpen());
    EXPECT_FALSE(QFileInfo::exists(gradeFile("40")));
}

TEST_F(GradeWindowFlow, OpeningWithoutAClassDoesNothing)
{
    EXPECT_FALSE(gw().Open(0));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

// ---------------------------------------------------------------------------
// Editing and leaving a student

TEST_F(GradeWindowFlow, WhatWasTypedEndsUpInTheRecordAndTheGradeFile)
{
    ASSERT_TRUE(start(0));
    const int rel = rowOf("R");
    const int deu = rowOf("D");
    ASSERT_GT(rel, 0);
    ASSERT_TRUE(gw().commitCell(ColYear, rel, "2"));
    ASSERT_TRUE(gw().commitCell(ColWritten, deu, "37"));
    ASSERT_TRUE(gw().commitCell(ColYear, deu, "2,5"));
    EXPECT_FALSE(gw().commitCell(ColFinal, deu, "1"));  // computed cell
    EXPECT_EQ(gw().sheet().grid.at(ColWritten, deu), "3.7");
    EXPECT_EQ(gw().sheet().grid.at(ColFinal, deu), " 3");
    EXPECT_EQ(gw().gradeList()[deu + 1], "3*");

    gw().setRemark(0, "Teilnahme an der Streitschlichtung");
    gw().setRemark(3, "Sie war Klassensprecherin.");
    gw().setRemark(4, "fleißig und zuverlässig");
    gw().setRemark(5, "Zeile\nmit Umbruch");
    gw().selectExamResult(1);
    EXPECT_EQ(gw().resultLabel(), "Werkrealschulabschluss bestanden");
    EXPECT_FALSE(gw().setNotesText("erste Notiz\nzweite Notiz"));
    EXPECT_TRUE(gw().setRecordField("AG2", "Theater-AG"));

    EXPECT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_EQ(gw().studentCaption(), "2 Bernd Czech");
    EXPECT_EQ(gw().record(), 1);
    EXPECT_EQ(state().currentStudentRecord, 1);

    // The record of the student left.
    EXPECT_EQ(rec(0, "HINWEIS1"), "Teilnahme an der Streitschlichtung");
    EXPECT_EQ(rec(0, "HINWEIS4"), "Sie war Klassensprecherin.");
    EXPECT_EQ(rec(0, "BEMERK1"), "fleißig und zuverlässig");
    EXPECT_EQ(rec(0, "BEMERK2"), "Zeile mit Umbruch");
    EXPECT_EQ(rec(0, "AG2"), "Theater-AG");
    EXPECT_EQ(rec(0, GradeSlotFieldName(rel + 1)), "2");
    EXPECT_EQ(rec(0, GradeSlotFieldName(deu + 1)), "3*");

    // The grade file of the student left.
    const QStringList lines = gradeFileLines("1");
    ASSERT_EQ(lines.size(), kGradeFileLines);
    EXPECT_EQ(cellLine(lines, ColWritten, deu), "3.7");
    EXPECT_EQ(cellLine(lines, ColYear, deu), "2.5");
    EXPECT_EQ(cellLine(lines, ColYear, rel), "2.0");
    EXPECT_EQ(lines.at(180), "1");
    EXPECT_EQ(lines.at(181), "erste Notiz");
    EXPECT_EQ(lines.at(182), "zweite Notiz");
    EXPECT_EQ(lines.at(183), "");

    // The next student starts clean: nothing of the first carried over.
    EXPECT_EQ(gw().remark(0), "");
    EXPECT_EQ(gw().notesText(), "");
    EXPECT_EQ(gw().sheet().resultIndex, kNoExamResult);

    // Back to the first: everything comes back.
    EXPECT_EQ(gw().Previous(), StepResult::Moved);
    EXPECT_EQ(gw().remark(0), "Teilnahme an der Streitschlichtung");
    EXPECT_EQ(gw().remark(4), "fleißig und zuverlässig");
    EXPECT_EQ(gw().notesText(), "erste Notiz\nzweite Notiz");
    EXPECT_EQ(gw().sheet().resultIndex, 1);
    EXPECT_EQ(gw().sheet().grid.at(ColWritten, deu), "3.7");
    EXPECT_EQ(gw().recordField("AG2"), "Theater-AG");

    // Closing writes the student once more; a second reader finds it on disk.
    gw().setRemark(1, "nach dem Zurückgehen");
    ASSERT_TRUE(gw().Close());
    EXPECT_FALSE(gw().isOpen());
    ClassTable().close();
    EXPECT_EQ(onDisk(0, "HINWEIS2"), "nach dem Zurückgehen");
    EXPECT_EQ(onDisk(0, "HINWEIS1"), "Teilnahme an der Streitschlichtung");
    EXPECT_EQ(onDisk(0, GradeSlotFieldName(deu + 1)), "3*");
}

TEST_F(GradeWindowFlow, ConductAndCooperationGradesPassThroughUnchanged)
{
    QList<StudentRow> rows = threeStudents();
    rows[0].fields = {{"RELIGION", "2"}, {"ZUSATZ4", "1"}};
    ASSERT_TRUE(start(0, rows));
    EXPECT_EQ(gw().gradeList()[0], "2");
    EXPECT_EQ(gw().gradeList()[1], "1");
    ASSERT_TRUE(gw().Close());
    EXPECT_EQ(rec(0, "RELIGION"), "2");
    EXPECT_EQ(rec(0, "ZUSATZ4"), "1");
}

TEST_F(GradeWindowFlow, SchoolGradeEditsFollowTheHalfYearField)
{
    QList<StudentRow> rows = threeStudents();
    rows[0].fields = {{"HJ", "x"}, {"DEU", "2"}, {"MATH", "3"}};
    rows[1].fields = {{"DEU", "4"}, {"MATH", "5"}};
    ASSERT_TRUE(start(0, rows));
    EXPECT_EQ(gw().deutschnote(), "2");
    EXPECT_EQ(gw().mathenote(), "3");
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    // Without "x" in HJ the Deutsch edit is not loaded: the first student's
    // value is not shown and not written to this one.
    EXPECT_EQ(gw().deutschnote(), "");
    EXPECT_EQ(gw().mathenote(), "5");
}

// ---------------------------------------------------------------------------
// Next and previous across gaps and invalid records

TEST_F(GradeWindowFlow, NextIntoAGapStaysOnTheStudent)
{
    QList<StudentRow> rows = threeStudents();
    rows[2] = StudentRow{"3", "", "", "", {{"HINWEIS1", "alt"}}};
    rows << StudentRow{"4", "Ende", "Emil", "M"};
    ASSERT_TRUE(start(1, rows));
    gw().setRemark(0, "bleibt");
    EXPECT_EQ(gw().Next(), StepResult::Stayed);
    EXPECT_EQ(prompt.lastText(), kMsgListEnd);
    EXPECT_TRUE(gw().isOpen());
    EXPECT_EQ(gw().record(), 1);
    EXPECT_EQ(rec(1, "HINWEIS1"), "bleibt");
    EXPECT_EQ(rec(2, "HINWEIS1"), "alt");
    EXPECT_TRUE(QFileInfo::exists(gradeFile("2")));
}

TEST_F(GradeWindowFlow, NextIntoAGapWithABadNumberNeverWipesTheStudentLeft)
{
    QList<StudentRow> rows = threeStudents();
    rows[1] = StudentRow{"", "", "", ""};
    ASSERT_TRUE(start(0, rows));
    gw().setRemark(0, "Streitschlichter");
    gw().setRemark(4, "freundlich");
    ASSERT_TRUE(gw().commitCell(ColYear, rowOf("R"), "2"));
    EXPECT_EQ(gw().Next(), StepResult::Stayed);
    EXPECT_TRUE(gw().isOpen());
    ASSERT_TRUE(gw().Close());
    EXPECT_EQ(rec(0, "HINWEIS1"), "Streitschlichter");
    EXPECT_EQ(rec(0, "BEMERK1"), "freundlich");
    EXPECT_EQ(rec(0, GradeSlotFieldName(rowOf("R") + 1)), "2");
    EXPECT_EQ(rec(1, "HINWEIS1"), "");
}

TEST_F(GradeWindowFlow, NextOntoANamedRecordWithABadNumberClosesAndTouchesNothing)
{
    QList<StudentRow> rows = threeStudents();
    rows[1] = StudentRow{"0", "Czech", "Bernd", "M", {{"HINWEIS1", "seins"}, {"DEU", "2*"}}};
    ASSERT_TRUE(start(0, rows));
    gw().setRemark(0, "ihres");
    EXPECT_EQ(gw().Next(), StepResult::Closed);
    EXPECT_FALSE(gw().isOpen());
    EXPECT_TRUE(prompt.lastText().startsWith(kMsgBadNumber));
    EXPECT_TRUE(prompt.lastText().contains("Schülernummer"));
    EXPECT_EQ(rec(0, "HINWEIS1"), "ihres");
    EXPECT_EQ(rec(1, "HINWEIS1"), "seins");
    EXPECT_EQ(rec(1, "DEU"), "2*");
    EXPECT_FALSE(state().inputOk);
    EXPECT_EQ(state().currentStudentRecord, 1);
}

TEST_F(GradeWindowFlow, PreviousOntoATrueGapTidiesItAndCloses)
{
    QList<StudentRow> rows = threeStudents();
    rows[0] = StudentRow{"1", "", "", "",
                         {{"HINWEIS2", "Rest"}, {"BEMERK2", "Rest"}, {"RELIGION", "3"}, {"F11", "4"}}};
    ASSERT_TRUE(start(1, rows));
    gw().setRemark(0, "zweiter");
    EXPECT_EQ(gw().Previous(), StepResult::Closed);
    EXPECT_EQ(prompt.lastText(), kMsgNameMissing);
    EXPECT_FALSE(gw().isOpen());
    // The student left was written.
    EXPECT_EQ(rec(1, "HINWEIS1"), "zweiter");
    EXPECT_TRUE(QFileInfo::exists(gradeFile("2")));
    // The empty row was reset.
    EXPECT_EQ(rec(0, "HINWEIS1"), "-");
    EXPECT_EQ(rec(0, "HINWEIS2"), "");
    EXPECT_EQ(rec(0, "BEMERK1"), "-");
    EXPECT_EQ(rec(0, "BEMERK2"), "");
    EXPECT_EQ(rec(0, "RELIGION"), "");
    EXPECT_EQ(rec(0, "DEU"), "");
    EXPECT_EQ(rec(0, "MATH"), "");
    EXPECT_EQ(rec(0, "F11"), "4");
}

TEST_F(GradeWindowFlow, PreviousOntoAStudentWithoutGenderKeepsHisRemarksAndGrades)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    // The first student gets remarks, grades and a grade file.
    ASSERT_TRUE(gw().Open(0));
    gw().setRemark(0, "Schülersprecherin");
    gw().setRemark(4, "sehr hilfsbereit");
    ASSERT_TRUE(gw().commitCell(ColYear, rowOf("R"), "1"));
    EXPECT_FALSE(gw().setNotesText("Notiz Anna"));
    ASSERT_TRUE(gw().Close());
    const QByteArray fileBefore = folder.read(className.left(8) + "/v.1");
    ASSERT_FALSE(fileBefore.isEmpty());

    // Her gender goes missing in the list.
    ClassTable().setValue(0, "M/W", "");
    ClassTable().post();
    prompt.clear();

    ASSERT_TRUE(gw().Open(1));
    EXPECT_EQ(gw().Previous(), StepResult::Closed);
    EXPECT_FALSE(gw().isOpen());
    const QString msg = prompt.lastText();
    EXPECT_TRUE(msg.startsWith(kMsgNameMissing));
    EXPECT_TRUE(msg.contains("Geschlecht (M/W)"));
    EXPECT_FALSE(msg.contains("Vorname,"));
    EXPECT_EQ(rec(0, "HINWEIS1"), "Schülersprecherin");
    EXPECT_EQ(rec(0, "BEMERK1"), "sehr hilfsbereit");
    EXPECT_EQ(rec(0, GradeSlotFieldName(rowOf("R") + 1)), "1");
    EXPECT_EQ(folder.read(className.left(8) + "/v.1"), fileBefore);
    EXPECT_EQ(state().currentStudentRecord, 0);
}

TEST_F(GradeWindowFlow, PreviousOntoAStudentWithoutFirstNameNamesIt)
{
    QList<StudentRow> rows = threeStudents();
    rows[0] = StudentRow{"1", "Berg", "", "W", {{"HINWEIS1", "bleibt"}}};
    ASSERT_TRUE(start(1, rows));
    EXPECT_EQ(gw().Previous(), StepResult::Closed);
    EXPECT_TRUE(prompt.lastText().contains(": Vorname."));
    EXPECT_EQ(rec(0, "HINWEIS1"), "bleibt");
}

TEST_F(GradeWindowFlow, FirstAndLastStudentOfTheList)
{
    makeClass("xa_25262.dbf", threeStudents(), 3);
    openClass("xa_25262.dbf");
    ASSERT_TRUE(gw().Open(0));
    EXPECT_EQ(gw().Previous(), StepResult::Stayed);
    EXPECT_EQ(prompt.lastText(), kMsgFirstStudent);
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    gw().setRemark(0, "letzte");
    EXPECT_EQ(gw().Next(), StepResult::Stayed);
    EXPECT_EQ(prompt.lastText(), kMsgLastStudent);
    EXPECT_TRUE(gw().isOpen());
    EXPECT_EQ(gw().record(), 2);
    // Record posted at once, grade file written as well.
    EXPECT_EQ(rec(2, "HINWEIS1"), "letzte");
    EXPECT_TRUE(QFileInfo::exists(gradeFile("3")));
}

TEST_F(GradeWindowFlow, TheFactorRecordEndsTheList)
{
    QList<StudentRow> rows;
    for (int i = 1; i <= 39; ++i)
        rows << StudentRow{QString::number(i), QStringLiteral("Name%1").arg(i), "Vor", "M"};
    rows << StudentRow{"40", "FAKTOR", "1", ""};
    ASSERT_TRUE(start(38, rows));
    EXPECT_EQ(gw().Next(), StepResult::Stayed);
    EXPECT_EQ(prompt.lastText(), kMsgListEnd);
    EXPECT_EQ(rec(39, "HINWEIS1"), "");
}

TEST_F(GradeWindowFlow, AGradeFileThatCannotBeWrittenKeepsTheWindowOnTheStudent)
{
    ASSERT_TRUE(start(0));
    // A folder where the grade file belongs: it cannot be replaced.
    QDir().mkpath(gradeFile("1"));
    gw().setRemark(0, "getippt");
    prompt.clear();
    EXPECT_EQ(gw().Next(), StepResult::Failed);
    EXPECT_TRUE(gw().isOpen());
    EXPECT_EQ(gw().record(), 0);
    EXPECT_EQ(gw().remark(0), "getippt");
    ASSERT_FALSE(prompt.shown().isEmpty());
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error);
    EXPECT_FALSE(gw().Close());
    EXPECT_TRUE(gw().isOpen());
    EXPECT_TRUE(gw().Close(true));
    EXPECT_FALSE(gw().isOpen());
    // The record was written all the same.
    EXPECT_EQ(rec(0, "HINWEIS1"), "getippt");
}

TEST_F(GradeWindowFlow, ADamagedGradeFileIsReportedAndNeverOverwritten)
{
    makeClass("xa_25262.dbf", threeStudents());
    openClass("xa_25262.dbf");
    QByteArray damaged("2.0\r\n\0\0\0\r\n", 10);
    folder.write(className.left(8) + "/v.1", damaged);
    ASSERT_TRUE(gw().Open(0));
    ASSERT_FALSE(prompt.shown().isEmpty());
    EXPECT_EQ(prompt.shown().first().kind, MsgKind::Error);
    gw().setRemark(0, "trotzdem");
    EXPECT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_EQ(folder.read(className.left(8) + "/v.1"), damaged);
    EXPECT_EQ(rec(0, "HINWEIS1"), "trotzdem");
}

// ---------------------------------------------------------------------------
// Exam result, reminder, profile

TEST_F(GradeWindowFlow, Class9AllowsOnlyTheHauptschulabschluss)
{
    ASSERT_TRUE(start(0, threeStudents(), "9a_25262.dbf"));
    ASSERT_TRUE(gw().commitCell(ColYear, rowOf("R"), "2"));
    gw().selectExamResult(2);
    EXPECT_EQ(prompt.lastText(), kMsgClass9Result);
    EXPECT_EQ(gw().sheet().resultIndex, 0);
    EXPECT_EQ(gw().resultLabel(), "Hauptschulabschluss bestanden");
    EXPECT_TRUE(gw().gesamtschnittLabel().startsWith("Gesamtschnitt: "));
    prompt.clear();
    gw().selectExamResult(3);
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_EQ(gw().resultLabel(), "nicht bestanden");
    EXPECT_EQ(gw().gesamtschnittLabel(), "");
    ASSERT_TRUE(gw().Close());
    EXPECT_EQ(gradeFileLines("1").at(180), "3");
}

TEST_F(GradeWindowFlow, ClassXStudentWithRealschulabschlussAndProjectGradeGetsTheReminder)
{
    ASSERT_TRUE(start(0));
    const int proj = rowOf("Proj");
    ASSERT_GT(proj, 0);
    ASSERT_TRUE(gw().commitCell(ColWritten, proj, "2"));
    gw().selectExamResult(2);
    EXPECT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_TRUE(prompt.texts().contains(kMsgProjectGrade));
    // Written before the reminder came: record and grade file of the student.
    EXPECT_EQ(gradeFileLines("1").at(180), "2");

    // Hauptschulabschluss with a project grade: no reminder.
    prompt.clear();
    ASSERT_TRUE(gw().commitCell(ColWritten, proj, "3"));
    gw().selectExamResult(0);
    EXPECT_EQ(gw().Previous(), StepResult::Moved);
    EXPECT_FALSE(prompt.texts().contains(kMsgProjectGrade));

    // Realschulabschluss without project grade: no reminder either.
    prompt.clear();
    ASSERT_TRUE(gw().commitCell(ColWritten, proj, "-"));
    gw().selectExamResult(2);
    EXPECT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_FALSE(prompt.texts().contains(kMsgProjectGrade));
}

TEST_F(GradeWindowFlow, ProfileCodesAreEditedAndSavedForTheNextStart)
{
    ASSERT_TRUE(start(0));

    // "No" leaves everything as it was.
    prompt.no();
    gw().editProfileCodes();
    EXPECT_TRUE(memoCaption.isEmpty());
    EXPECT_FALSE(folder.exists("profilkuerzel.txt"));

    // Cancelled in the editor: nothing written.
    prompt.yes();
    gw().editProfileCodes();
    EXPECT_EQ(memoInput, "BKP\nMuP\nSpP\nNwT\nIMP\nSpa");
    EXPECT_FALSE(folder.exists("profilkuerzel.txt"));

    memoAnswer = QStringLiteral("\n  \nBKPX\n Mu \n\nNwT\r\nIMP");
    prompt.yes();
    gw().editProfileCodes();
    EXPECT_EQ(memoCaption, ProfileCodesEditorCaption());
    EXPECT_EQ(prompt.lastText(), ProfileCodesSavedMessage());
    const std::array<QString, 6> expected{"BKP", "Mu", "--", "NwT", "IMP", "--"};
    EXPECT_EQ(gw().profileCodes(), expected);
    EXPECT_EQ(folder.read("profilkuerzel.txt"), QByteArray("BKP\r\nMu\r\n--\r\nNwT\r\nIMP\r\n--\r\n"));

    // The next start reads them back.
    subjects().profileCodes = {"a", "b", "c", "d", "e", "f"};
    LoadProfileCodes();
    EXPECT_EQ(subjects().profileCodes, expected);
}

// ---------------------------------------------------------------------------
// Stock phrases

TEST_F(GradeWindowFlow, PhraseNumbersBecomeTheirPhrasesWithTheFirstName)
{
    QStringList phrases;
    for (int i = 1; i <= 100; ++i)
        phrases << QString();
    phrases[11] = QStringLiteral("* nahm an der AG teil (*) und *) half.");
    phrases[12] = QStringLiteral("Eine sehr lange Floskel, die länger ist als das Feld für die Hinweise: *");
    phrases[19] = QStringLiteral("Geboren in Überlingen *");
    WriteTextLines(folder.file("floskel3.dat"), phrases);

    ASSERT_TRUE(start(0));

    gw().setRemark(0, "12");
    EXPECT_TRUE(gw().expandRemark(0));
    EXPECT_EQ(gw().remark(0), "Anna nahm an der AG teil (*) und *) half.");
    // Cut to the edit's length (42 characters for hinweis1 in this class).
    gw().setRemark(1, "13");
    EXPECT_TRUE(gw().expandRemark(1));
    EXPECT_EQ(gw().remark(1), phrases[12].left(42));
    // An empty row keeps the number; text that is no number stays.
    gw().setRemark(2, "14");
    EXPECT_FALSE(gw().expandRemark(2));
    EXPECT_EQ(gw().remark(2), "14");

    // The record-bound working groups edit: expanded and posted.
    ASSERT_TRUE(gw().setRecordField("AG2", " 12 "));
    EXPECT_TRUE(gw().expandRecordField("AG2"));
    EXPECT_EQ(rec(0, "AG2"), "Anna nahm an der AG teil (*) und *) half.");

    // Double clicks take the selected phrase only while the store is shown;
    // the birth place takes it without the first name.
    EXPECT_FALSE(gw().doubleClickRemark(4, 12));
    gw().togglePhraseStore();
    EXPECT_TRUE(gw().doubleClickRemark(4, 12));
    EXPECT_EQ(gw().remark(4), "Anna nahm an der AG teil (*) und *) half.");
    EXPECT_FALSE(gw().doubleClickRemark(5, 50));
    EXPECT_TRUE(gw().doubleClickRecordField("AG4", 20));
    EXPECT_EQ(rec(0, "AG4"), "Geboren in Überlingen *");

    // An edited phrase is in the file after closing, all 100 rows.
    gw().phrases().setPhrase(50, QStringLiteral("Neue Floskel für *"));
    ASSERT_TRUE(gw().Close());
    const QStringList saved = ReadTextLines(folder.file("floskel3.dat"));
    ASSERT_EQ(saved.size(), 100);
    EXPECT_EQ(saved.at(11), phrases[11]);
    EXPECT_EQ(saved.at(19), phrases[19]);
    EXPECT_EQ(saved.at(49), "Neue Floskel für *");
    EXPECT_EQ(rec(0, "BEMERK1"), "Anna nahm an der AG teil (*) und *) half.");
}

// ---------------------------------------------------------------------------
// Notes

// ---------------------------------------------------------------------------
// Certificate date

TEST_F(GradeWindowFlow, CertificateDateGoesIntoEveryRecord)
{
    makeClass("xa_25262.dbf", threeStudents());
    EXPECT_EQ(FillCertificateDate("15.07.2026"), 0); // no class open
    openClass("xa_25262.dbf");
    EXPECT_EQ(FillCertificateDate(""), 0);
    EXPECT_EQ(rec(5, "DATUM"), "");
    EXPECT_EQ(FillCertificateDate("15.07.2026"), 40);
    ClassTable().close();
    for (int r : {0, 2, 20, 39})
        EXPECT_EQ(onDisk(r, "DATUM"), "15.07.2026");
}

// ---------------------------------------------------------------------------
// Class types

// ---------------------------------------------------------------------------
// Help, notebook, grade list

TEST_F(GradeWindowFlow, EnteringTheNotebookRewritesHeadingsAndCodesButKeepsTheMarks)
{
    state().eveningSchoolMode = true;
    ASSERT_TRUE(start(0));
    const int d = rowOf("D");
    ASSERT_TRUE(gw().commitCell(ColYear, d, "2"));
    const ExamSheet before = gw().sheet();
    gw().EnterNotebook();
    EXPECT_EQ(gw().sheet().grid.at(ColWritten, 0), "schr(1)");
    EXPECT_EQ(gw().sheet().grid.at(ColComm, 0), "KP/pr(1)");
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        EXPECT_EQ(gw().sheet().grid.at(ColCode, r), gw().context().shortCode(r));
    for (int c = 1; c < kExamGridColumns; ++c)
        for (int r = 1; r < kExamGridRows; ++r)
            EXPECT_EQ(gw().sheet().grid.at(c, r), before.grid.at(c, r)) << c << "," << r;
}

TEST_F(GradeWindowFlow, EnteringTheGradeListFixesTheConductRowsUntilTheNextOpening)
{
    ASSERT_TRUE(start(0));
    ASSERT_FALSE(gw().layout().gradeListFixedRows);
    EXPECT_FALSE(gw().gradeListFixedRows());
    EXPECT_EQ(gw().gradeListKeyMove(2, -1), 1);
    gw().EnterGradeList();
    EXPECT_TRUE(gw().gradeListFixedRows());
    EXPECT_EQ(gw().gradeListKeyMove(2, -1), 2);
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    EXPECT_TRUE(gw().gradeListFixedRows());
    ASSERT_TRUE(gw().Close());
    ASSERT_TRUE(gw().Open(0));
    EXPECT_FALSE(gw().gradeListFixedRows());
}

TEST_F(GradeWindowFlow, LeavingTheProfileChoiceNeverReplacesATypedTopic)
{
    state().schoolTypeText = "der Gemeinschaftsschule";
    ASSERT_TRUE(start(0));
    ASSERT_TRUE(gw().setRecordField("AG7", "Bau eines Solarboots"));
    gw().leaveProfile();
    EXPECT_EQ(rec(0, "AG7").trimmed(), "Bau eines Solarboots");
    // An empty field or an index stands for the choice: nothing chosen is "-1".
    ASSERT_TRUE(gw().setRecordField("AG7", ""));
    gw().leaveProfile();
    EXPECT_EQ(rec(0, "AG7").trimmed(), "-1");
    gw().selectProfile(4);
    ASSERT_TRUE(gw().setRecordField("AG7", "9"));
    gw().leaveProfile();
    EXPECT_EQ(rec(0, "AG7").trimmed(), "4");
    // The next student starts without it; coming back shows it again.
    ASSERT_EQ(gw().Next(), StepResult::Moved);
    gw().leaveProfile();
    EXPECT_EQ(rec(1, "AG7").trimmed(), "-1");
    ASSERT_EQ(gw().Previous(), StepResult::Moved);
    EXPECT_EQ(gw().sheet().profileIndex, 4);

    // Without the profile controls the field is the personal edit's alone.
    ASSERT_TRUE(gw().Close());
    state().schoolTypeText = "der Werkrealschule";
    ASSERT_TRUE(gw().Open(1));
    ASSERT_TRUE(gw().setRecordField("AG7", ""));
    gw().leaveProfile();
    EXPECT_EQ(rec(1, "AG7").trimmed(), "");
}
