// Fuzz target for the grade-file reader: arbitrary bytes as a student's grade
// file are loaded, every row is computed, and the sheet is written back when
// it may be.  Nothing may crash or hang.
#include "grades/examsheet.h"
#include "classes/helpers.h"
#include "grades/gradecontext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    const QString path = QDir(dir.path()).filePath(QStringLiteral("v.1"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    std::array<QString, hsa::kGradeListRows> names{};
    const char* const subjects[] = {"", "", "Deutsch", "Mathematik", "Englisch", "Geschichte", "Projekt"};
    for (size_t i = 0; i < std::size(subjects); ++i)
        names[i] = QString::fromLatin1(subjects[i]);
    for (bool evening : {false, true}) {
        const hsa::GradeContext context = hsa::MakeGradeContext(names, QStringLiteral("x1_25262.dbf"), evening);
        hsa::ExamSheet sheet = hsa::LoadStudentGradeFile(path, context, QStringLiteral("2"));
        (void)sheet.gradeList(context);
        (void)sheet.gesamtschnittLabel(context);
        // Whatever the file held, no mark outside 1.0 to 6.0 is counted.
        for (int r = hsa::kFirstSubjectRow; r <= hsa::kLastSubjectRow; ++r) {
            for (int c : {hsa::ColWritten, hsa::ColComm, hsa::ColOral, hsa::ColYear}) {
                const QString& cell = sheet.grid.at(c, r);
                if (!cell.contains(QLatin1Char('P')) && !cell.contains(QLatin1Char('?')) && !hsa::MarkValueInRange(cell))
                    std::abort();
            }
            if (hsa::ParseDecimal(sheet.grid.at(hsa::ColAverage, r)) > 6.0)
                std::abort();
        }
        if (!sheet.saveBlocked)
            (void)hsa::GradeFileLines(sheet, context);
    }
    return 0;
}
