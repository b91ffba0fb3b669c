#pragma once
#include "classes/dbftable.h"
#include "classes/textfile.h"
#include "grades/gradewindowcontroller.h"
#include "support/classfolder.h"

#include <QDir>
#include <optional>

namespace hsa::test {

// The real class folder of the program, with the grade window's data reset
// and its memo editor scripted.
class ClassFixture : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        state().versionCheckSkipped = false;
        gradeWindow().reset();
        gradeWindow().hooks().editInMemo = [this](const QString&, const QString& text) {
            memoInput = text;
            return memoAnswer;
        };
    }
    void TearDown() override
    {
        gradeWindow().reset();
        RealClassFixture::TearDown();
    }

    QString rec(int record, const QString& field) const { return ClassTable().value(record, field); }
    // The same, read by a second reader after the table was closed: what was
    // posted is on disk.
    QString onDisk(int record, const QString& field) const
    {
        DbfTable t;
        t.open(folder.file(className), DbfAccess::SharedReadOnly);
        return t.value(record, field);
    }
    QString gradeFile(const QString& nr) const { return classFolder() + QStringLiteral("/v.") + nr; }
    QStringList gradeFileLines(const QString& nr) const { return ReadTextLines(gradeFile(nr)); }
    static QString cellLine(const QStringList& lines, int column, int row) { return lines.value(column * 20 + row); }
    // Exam row of a short code.
    int rowOf(const QString& code) const
    {
        for (int r = 1; r <= 19; ++r)
            if (gradeWindow().context().shortCode(r) == code)
                return r;
        return -1;
    }

    std::optional<QString> memoAnswer;
    QString memoInput;
};

inline QList<StudentRow> threeStudents()
{
    return {{"1", "Berg", "Anna", "W"}, {"2", "Czech", "Bernd", "M"}, {"3", "Dorn", "Carla", "W"}};
}

} // namespace hsa::test
