#pragma once
#include "classes/arithmetic.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "print/printdata.h"
#include "print/recordingdevice.h"
#include "support/classfolder.h"

#include <ostream>
#include <tuple>

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace hsa::test {

// A real class on the recording printer, dated 15.03.2026.
class PrintClassFixture : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        setPrinterSystem(&printers.system());
        SetPrintClock([] { return QDate(2026, 3, 15); });
    }

    using Cell = std::tuple<int, int, QString>; // column, exam row, text

    // Writes the grade file "v." + nr of the open class: the presets with the
    // cells given, recomputed, the exam result and the notes.
    void writeSheet(const QString& nr, int result, const QList<Cell>& cells, const QStringList& notes = {})
    {
        const GradeContext context = GradeContextFromState();
        ExamSheet sheet = PresetExamSheet(context);
        for (const auto& [c, r, text] : cells)
            sheet.grid.at(c, r) = text;
        RecalcExamGrid(sheet.grid, context);
        sheet.resultIndex = result;
        sheet.notes = notes;
        ASSERT_TRUE(SaveStudentGradeFile(classFolder() + QStringLiteral("/v.") + nr, sheet, context));
    }

    RecordingDevice& device() { return printers.device(); }

    ScopedRecordingPrinter printers;
};

} // namespace hsa::test
