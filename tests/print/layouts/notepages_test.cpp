#include "layoutfixture.h"
#include "print/layouts/notepages.h"

using namespace hsa;
using hsa::test::LayoutTest;

TEST_F(LayoutTest, RangePromptsKeepTheirOwnRange)
{
    state().printFromNr = 2;
    state().printToNr = 30;
    for (const char* answer : {"40", "39", "38", "40", "39"})
        prompt.text(QString::fromLatin1(answer));
    const auto range = AskNoteRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(std::pair(range->from, range->to), std::pair(39, 39));
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    prompt.cancelText();
    EXPECT_FALSE(AskNoteRange());

    // Positions 3 to 5: record positions, whatever NR says; gaps and the
    // weighting record are skipped.
    std::vector<StudentPrintData> records;
    for (int pos = 1; pos <= 6; ++pos) {
        StudentPrintData st = student(pos + 10, 1, {});
        st.record = pos;
        records.push_back(st);
    }
    records[3].surname.clear();
    records[4].surname = QStringLiteral("FAKTOR");
    records[2].sheet.fromFile = false; // no grade file: the head only
    PrintNoteFields(cls, records, NoteRange{3, 6}, PrintLoopScope());
    QStringList heads;
    for (const PrintJob& job : dev().jobs)
        heads << job.texts().at(1).text;
    EXPECT_EQ(heads, QStringList({"13)  Name13 Vor  ", "16)  Name16 Vor  "}));
    EXPECT_EQ(std::pair(state().printFromNr, state().printToNr), std::pair(2, 30));
}

TEST_F(LayoutTest, FortyFiveNoteLinesAndTheWarning)
{
    StudentPrintData st = student(7, 1, {});
    st.projectGroup = QStringLiteral("3");
    for (int n : {45, 46}) {
        QStringList notes;
        for (int i = 1; i <= n; ++i)
            notes << QStringLiteral("Zeile %1").arg(i);
        PrintNoteFieldsCurrent(cls, st, notes);
        const PrintJob& job = dev().lastJob();
        EXPECT_EQ(at(job, QStringLiteral("Zeile 45")), QPoint(100, 2500)) << n;
        EXPECT_FALSE(job.findText(QStringLiteral("Zeile 46"))) << n;
        EXPECT_EQ(at(job, kNotesTooLong), n == 46 ? QPoint(100, 2550) : QPoint(-1, -1)) << n;
        EXPECT_EQ(at(job, QStringLiteral("xa_25262.dbf   (Stand: 15.03.2026)")), QPoint(100, 100));
        EXPECT_EQ(at(job, QStringLiteral("Projektgruppe 3")), QPoint(1600, 200));
    }
}
