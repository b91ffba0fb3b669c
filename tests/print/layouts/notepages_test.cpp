#include "layoutfixture.h"
#include "print/layouts/notepages.h"

using namespace hsa;
using hsa::test::LayoutTest;

TEST(NoteLines, LastNonEmptyAndLineOrDefault)
{
    const QStringList notes{QStringLiteral("eins"), QStringLiteral("  "), QStringLiteral("drei "), QString()};
    EXPECT_EQ(FindLastNonEmptyMemoLine(notes), 2);
    EXPECT_EQ(FindLastNonEmptyMemoLine({QStringLiteral(" "), QString()}), 0);
    EXPECT_EQ(GetMemoLineOrDefault(notes, 1, QStringLiteral("d")), QStringLiteral("eins"));
    EXPECT_EQ(GetMemoLineOrDefault(notes, 2, QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(GetMemoLineOrDefault(notes, 3, QStringLiteral("d")), QStringLiteral("drei "));
    EXPECT_EQ(GetMemoLineOrDefault(notes, 9, QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(LayoutTest, RangePromptsKeepTheirOwnRange)
{
    state().printFromNr = 2;
    state().printToNr = 30;
    prompt.text(QStringLiteral("40")).text(QStringLiteral("39")).text(QStringLiteral("38")).text(QStringLiteral("40"))
        .text(QStringLiteral("39"));
    const auto range = AskNoteRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(range->from, 39);
    EXPECT_EQ(range->to, 39);
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
    EXPECT_EQ(state().printFromNr, 2);
    EXPECT_EQ(state().printToNr, 30);
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
