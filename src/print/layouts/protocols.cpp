#include "print/layouts/protocols.h"

#include "classes/helpers.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

bool Pending(const QString& cell)
{
    return TrimRight(cell) == QStringLiteral("P");
}

} // namespace

ProtocolEdges ProtocolGeometry(int pageWidth)
{
    const int w = pageWidth - 100;
    ProtocolEdges e;
    e.value = e.left + ListPart(1, w) + ListPart(5, w);
    e.box = e.value + ListPart(1, w) + ListPart(1, w) + ListPart(1, w);
    e.right = w;
    return e;
}

QString StripDashSlash(QString text)
{
    for (int i = text.indexOf(QStringLiteral("-/")); i >= 0; i = text.indexOf(QStringLiteral("-/")))
        text[i + 1] = QLatin1Char(' ');
    return text;
}

QString ProtocolExamWord(const ExamGrid& grid, int row, int listType, int examKind)
{
    const bool comm = Pending(grid.cell(ColComm, row));
    if (!comm && !(Pending(grid.cell(ColOral, row)) && examKind == kExamOral))
        return {};
    if (listType == ListCommProtocols)
        return comm ? QStringLiteral("Kommunikationsprüfung") : QString();
    if (listType == ListOralProtocols)
        return examKind == kExamOral ? QStringLiteral("mündliche") : QStringLiteral("praktische");
    return {};
}

void PrintExamProtocol(const ClassPrintData& cls, const StudentPrintData& student, int s,
                       const QString& word)
{
    if (!StartPortraitJob(cls))
        return;
    const ProtocolEdges e = ProtocolGeometry(PrintPageWidth());
    const int v = e.value;
    const SchoolNameParts school = SplitSchoolName(cls.schoolName);
    SetPrintFontBold(false);
    SetNominalFont(cls, 50);
    // Every text from the value column on ends at the sheet's right edge.
    PrintFittedText(v, 10, school.first, e.right);
    if (school.twoLines)
        PrintFittedText(v, 80, school.second, e.right);
    PrintTextOut(v, school.twoLines ? 150 : 80, ExamSchoolYearText(cls));

    SetPrintFontBold(true);
    SetNominalFont(cls, 60);
    PrintFittedText(v, 340,
                    word == QStringLiteral("Kommunikationsprüfung")
                        ? QStringLiteral("Niederschrift über die Kommunikationsprüfung")
                        : QStringLiteral("Niederschrift über die ") + word + QStringLiteral(" Prüfung"),
                    e.right);
    const QString subject = (s >= 0 && s < kSubjectEntryCount) ? cls.subjects.subjectNames[s] : QString();
    PrintFittedText(v, 410, QStringLiteral("im Fach ") + StripDashSlash(subject), e.right);

    SetPrintFontBold(false);
    SetNominalFont(cls, 50);
    PrintTextOut(e.left, 630, QStringLiteral("Name des Prüflings:"));
    PrintFittedText(v, 630, student.surname + QStringLiteral(", ") + student.firstName, e.right);
    PrintTextOut(e.left, 700, QStringLiteral("Klasse:"));
    PrintFittedText(v, 700, student.klasse, e.right);
    PrintTextOut(e.left, 770, QStringLiteral("Prüfungszeit:"));
    PrintTextOut(v, 770, QStringLiteral("______________________________"));
    PrintTextOut(e.left, 850, QStringLiteral("Prüfungsaufgaben:"));
    PrintRule(e.left, 920, e.right, 920);
    PrintRule(e.box, 920, e.box, 2120);
    PrintTextOut(v, 2270, QStringLiteral("Prüfungsnote: ____________________"));
    PrintTextOut(e.left, 2430, QStringLiteral("Datum: _____________"));
    SetNominalFont(cls, 30);
    PrintTextOut(v + 270, 2340, QStringLiteral("Die Note wurde auf Wunsch des Schülers"));
    PrintTextOut(v + 270, 2390, QStringLiteral("O  mitgeteilt          O  mitgeteilt und begründet"));
    PrintRule(e.left, 2620, e.left + 500, 2620);
    PrintRule(v, 2620, v + 550, 2620);
    PrintRule(v + 670, 2620, v + 1200, 2620);
    SetNominalFont(cls, 35);
    PrintTextOut(e.left, 2630, QStringLiteral("(Schriftführer)"));
    PrintTextOut(v, 2630, QStringLiteral("(Fachlehrer)"));
    PrintTextOut(v + 670, 2630, QStringLiteral("(Vorsitzender des Prüfungsausschusses)"));
    EndPrint();
}

bool PrintExamProtocols(const ClassPrintData& cls, const std::vector<StudentPrintData>& students,
                        int s, int listType, int examKind, const PrintLoopScope& loop)
{
    for (const StudentPrintData& st : students) {
        const QString word = ProtocolExamWord(st.sheet.grid, s - 1, listType, examKind);
        if (word.isEmpty())
            continue;
        loop.progress(st.surname + QStringLiteral("  ") + st.firstName);
        PrintExamProtocol(cls, st, s, word);
        loop.pause();
        if (PrintAbortRequested())
            return false;
    }
    return true;
}

} // namespace hsa
