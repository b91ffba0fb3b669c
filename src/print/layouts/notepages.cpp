#include "print/layouts/notepages.h"

#include "classes/classfields.h"
#include "classes/helpers.h"
#include "platform/prompt.h"
#include "print/layouts/pageparts.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

// Room left between the student's name and the project group.
constexpr int kNameGap = 15;

bool IsWeightRecord(const StudentPrintData& st)
{
    return IsWeightRecordName(st.surname);
}

// Asks for one number until it lies in low..high; nullopt on cancel.
std::optional<int> AskNumber(const QString& caption, const QString& label, int preset, int low, int high)
{
    QString text = QString::number(preset);
    for (;;) {
        const std::optional<QString> answer = prompts().input(caption, label, text);
        if (!answer)
            return std::nullopt;
        const int n = ParseLeadingInt(*answer);
        if (n >= low && n <= high)
            return n;
        text = *answer;
    }
}

} // namespace

QString GetMemoLineOrDefault(const QStringList& notes, int n, const QString& def)
{
    if (n < 1 || n > notes.size() || TrimRight(notes.at(n - 1)).isEmpty())
        return def;
    return notes.at(n - 1);
}

int FindLastNonEmptyMemoLine(const QStringList& notes)
{
    for (int i = static_cast<int>(notes.size()) - 1; i > 0; --i)
        if (!TrimRight(notes.at(i)).isEmpty())
            return i;
    return 0;
}

std::optional<NoteRange> AskNoteRange(NoteRange preset)
{
    const auto from = AskNumber(QStringLiteral("Drucken von..."), QStringLiteral("Nummer des ersten Schülers: "),
                                preset.from, 1, 39);
    if (!from)
        return std::nullopt;
    const auto to = AskNumber(QStringLiteral("Drucken bis..."), QStringLiteral("Nummer des letzten Schülers:"),
                              preset.to, *from, 39);
    if (!to)
        return std::nullopt;
    return NoteRange{*from, *to};
}

void PrintNotePage(const ClassPrintData& cls, const StudentPrintData& student, const QStringList& notes)
{
    if (!StartPortraitJob(cls))
        return;
    SetNominalFont(cls, 45);
    PrintTextOut(100, 100, cls.classFile + QStringLiteral("   (Stand: ") + PrintDateText(cls.today)
                               + QLatin1Char(')'));
    PrintRule(100, 180, 1900, 180);
    PrintRule(100, 275, 1900, 275);
    SetPrintFontBold(true);
    SetNominalFont(cls, 50);
    // Long names end before the project group beside them.
    PrintFittedText(100, 200, student.nr + QStringLiteral(")  ") + student.surname + QLatin1Char(' ')
                                  + student.firstName + QStringLiteral("  "),
                    1600 - kNameGap);
    SetPrintFontBold(false);
    PrintTextOut(1600, 200, QStringLiteral("Projektgruppe ") + student.projectGroup);
    SetNominalFont(cls, 45);
    for (int i = 0; i < kNotePageLines && i < notes.size(); ++i)
        PrintTextOut(100, 300 + 50 * i, notes.at(i));
    if (FindLastNonEmptyMemoLine(notes) >= kNotePageLines)
        PrintTextOut(100, 2550, kNotesTooLong);
    // The note page leaves its job on font height 4.
    SetNominalFont(cls, 4);
    EndPrint();
}

void PrintNoteFields(const ClassPrintData& cls, const std::vector<StudentPrintData>& records,
                     NoteRange range, const PrintLoopScope& loop)
{
    for (const StudentPrintData& st : records) {
        if (st.record < range.from || st.record > range.to || st.record > 39)
            continue;
        if (TrimRight(st.surname).isEmpty() || IsWeightRecord(st))
            continue;
        loop.progress(st.surname + QStringLiteral("  ") + st.firstName);
        PrintNotePage(cls, st, st.sheet.fromFile ? st.sheet.notes : QStringList());
        loop.pause();
        if (PrintAbortRequested())
            break;
    }
}

void PrintNoteFieldsCurrent(const ClassPrintData& cls, const StudentPrintData& student,
                            const QStringList& notesAsTyped)
{
    PrintNotePage(cls, student, notesAsTyped);
}

} // namespace hsa
