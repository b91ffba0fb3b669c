#include "layoutfixture.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"

using namespace hsa;
using hsa::test::LayoutTest;

// The participant and protocol edges show in the pages below; these only here.
TEST(SubjectListGeometry, CommunicationEdgesForPageWidth2030)
{
    const CommunicationListEdges c = CommunicationListGeometry(2030);
    EXPECT_EQ(std::vector<int>({c.left, c.x1, c.xJ, c.xE, c.xA, c.right}),
              std::vector<int>({100, 201, 1013, 1216, 1621, 1930}));
}

TEST_F(LayoutTest, WrittenListCorrectionColumnsOnlyForTheThreeSubjects)
{
    struct Case { int s; bool columns; const char* first; const char* second; };
    const Case cases[] = {{2, true, "Note", "Note"}, {3, true, "Note", "Note"},
                          {4, true, "Note   ", "Note "}, {5, false, "", ""}};
    for (const Case& c : cases) {
        const std::vector<StudentPrintData> students{student(1, c.s - 1, QStringLiteral("P"))};
        PrintSubjectExamList(cls, students, c.s, ListWritten, kExamOral, false);
        const PrintJob& job = dev().lastJob();
        EXPECT_EQ(job.findText(QStringLiteral("(Unterschrift)")).has_value(), c.columns) << c.s;
        const QString headings = textsAt(job, 932, 175) + "|" + textsAt(job, 1184, 175) + "|" + textsAt(job, 1436, 175);
        EXPECT_EQ(headings, c.columns ? QStringLiteral("%1|%2|Note für die").arg(c.first, c.second) : "||") << c.s;
    }
}

TEST_F(LayoutTest, SelectionAndMarksPerListType)
{
    const int row = 2; // Mathematik, s = 3
    const std::vector<StudentPrintData> students{
        student(1, row, QStringLiteral("P"), {}, QStringLiteral("P"), QStringLiteral("3.0")),
        student(2, row, QStringLiteral("2.0"), QStringLiteral("P"), {}, QStringLiteral("2.0")),
        student(3, row, QStringLiteral("- ")),
        student(4, row, QStringLiteral("3.4"), QStringLiteral("2.0"), QStringLiteral("2.0"), QStringLiteral("3.0")),
        student(5, row, QStringLiteral("P"), {}, QStringLiteral("P"), QStringLiteral("3.0")),
    };
    struct Case { const char* name; int type, kind; bool marks; QString title; QList<int> listed; };
    const Case cases[] = {
        {"written", ListWritten, kExamOral, true, "Schriftliche Prüfungen im Fach Mathematik", {1, 2, 4, 5}},
        {"oral", ListOral, kExamOral, true, "Mündliche Prüfungen im Fach Mathematik", {1, 4, 5}},
        {"practical", ListOral, kExamPractical, false, "Praktische Prüfungen im Fach Mathematik", {2, 4}},
        {"organisation", ListOrganisation, kExamOral, true, "Mündliche Prüfungen im Fach Mathematik", {1, 4, 5}},
    };
    for (const Case& c : cases) {
        PrintSubjectExamList(cls, students, 3, c.type, c.kind, c.marks);
        const PrintJob& job = dev().lastJob();
        EXPECT_EQ(at(job, c.title), QPoint(100, 100)) << c.name;
        for (int nr = 1; nr <= 5; ++nr)
            EXPECT_EQ(at(job, QStringLiteral("Name%1 Vor").arg(nr)).y(), c.listed.contains(nr) ? 260 + 75 * c.listed.indexOf(nr) : -1)
                << c.name << " student " << nr;
        // The organisation list carries no marks.
        EXPECT_EQ(job.findText(QStringLiteral("Endn. Bereich")).has_value(), c.type == ListOral && c.marks)
            << c.name;
    }
    // The oral list with marks: the written column with the second mark after
    // four blanks, the exam mark, and boundary texts computed row by row (the
    // pending written mark of student 5 gets "-", not the text of student 4).
    PrintSubjectExamList(cls, students, 3, ListOral, kExamOral, true);
    const PrintJob& job = dev().lastJob();
    EXPECT_EQ(textsAt(job, 1114 + 14, 335) + "|" + textsAt(job, 1621 + 34, 335), "3.4    2.0|2.0");
    EXPECT_EQ(textsAt(job, 1331, 260) + "|" + textsAt(job, 1331, 335) + "|" + textsAt(job, 1331, 410),
              "-|3 :  [ 1,0...5,7 ]|-");
}

TEST_F(LayoutTest, LongListsContinueOnFurtherPages)
{
    std::vector<StudentPrintData> students;
    for (int nr = 1; nr <= 38; ++nr)
        students.push_back(student(nr, 2, QStringLiteral("P")));
    PrintSubjectExamList(cls, students, 3, ListWritten, kExamOral, false);
    const PrintJob& job = dev().lastJob();
    ASSERT_EQ(job.pages, 2);
    // Rows, heading texts and the one foot, per page.
    QList<int> perPage{0, 0, 0, 0, 0, 0};
    for (const PrintedText& t : job.texts()) {
        perPage[t.page] += t.text.startsWith(QStringLiteral("Name"));
        perPage[2 + t.page] += t.text == QStringLiteral("Schüler") || t.text == QStringLiteral("Erstkorrektur");
        perPage[4 + t.page] += t.text == QStringLiteral("(Unterschrift)");
    }
    EXPECT_EQ(perPage, QList<int>({32, 6, 2, 2, 0, 1}));
    EXPECT_EQ(at(job, QStringLiteral("(Unterschrift)")), QPoint(1164, 260 + 6 * 75 + 120));
    // The first page's vertical rules end at its last row rule.
    int firstPageBottom = 0;
    for (const PrintedLine& l : job.lines())
        if (l.page == 0 && l.x1 == 100 && l.x2 == 100)
            firstPageBottom = -l.y2;
    EXPECT_EQ(firstPageBottom, 260 + 32 * 75 - 20);

    struct Case { int rows; int pages; };
    for (const Case c : {Case{35, 1}, Case{36, 2}}) {
        const std::vector<StudentPrintData> some(students.begin(), students.begin() + c.rows);
        PrintCommunicationExamList(cls, some, QStringLiteral("10a"), 4, false);
        EXPECT_EQ(dev().lastJob().pages, c.pages) << c.rows << " rows";
    }
}

TEST_F(LayoutTest, ProtocolsBySelectionWordAndAbort)
{
    struct Case { const char* name; int type, kind; QString comm, oral, word; };
    const Case cases[] = {
        {"oral pending", ListOralProtocols, kExamOral, "2.0", "P", "mündliche"},
        {"practical pending, kind oral", ListOralProtocols, kExamOral, "P", "", "mündliche"},
        {"practical pending", ListOralProtocols, kExamPractical, "P", "", "praktische"},
        {"oral pending, kind practical", ListOralProtocols, kExamPractical, "", "P", ""},
        {"communication", ListCommProtocols, kExamOral, "P", "", "Kommunikationsprüfung"},
        {"communication, oral only", ListCommProtocols, kExamOral, "", "P", ""},
    };
    for (const Case& c : cases) {
        ExamGrid g;
        g.at(ColComm, 3) = c.comm;
        g.at(ColOral, 3) = c.oral;
        EXPECT_EQ(ProtocolExamWord(g, 3, c.type, c.kind), c.word) << c.name;
    }

    std::vector<StudentPrintData> students;
    for (int nr = 1; nr <= 4; ++nr)
        students.push_back(student(nr, 5, QStringLiteral("2.0"), {}, QStringLiteral("P")));
    int pauses = 0;
    QStringList progress;
    printLoopHooks().progress = [&](const QString& t) { progress << t; };
    printLoopHooks().pause = [&] { state().printAbortRequested = ++pauses == 2; };
    {
        const PrintLoopScope loop(false);
        EXPECT_FALSE(PrintExamProtocols(cls, students, 6, ListOralProtocols, kExamOral, loop));
    }
    printLoopHooks() = {};
    ASSERT_EQ(dev().jobs.size(), 2);
    EXPECT_EQ(progress, QStringList({"Name1  Vor", "Name2  Vor", ""})); // hidden at the end
    EXPECT_FALSE(state().printAbortRequested);
    const PrintJob& job = dev().lastJob();
    EXPECT_EQ(at(job, QStringLiteral("Niederschrift über die mündliche Prüfung")), QPoint(708, 340));
    EXPECT_EQ(at(job, QStringLiteral("im Fach Wirtschaft- Beruf")), QPoint(708, 410));
    EXPECT_EQ(at(job, QStringLiteral("Irgendwo")), QPoint(708, 80));
    EXPECT_EQ(at(job, QStringLiteral("Abschlussprüfung Schuljahr 25/26")), QPoint(708, 150));
}
