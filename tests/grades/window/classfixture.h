#pragma once
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "grades/gradewindowcontroller.h"
#include "platform/scriptedprompt.h"
#include "support/classfolder.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace hsa::test {

// The real class folder of the program, with the grade window's data reset.
class ClassFixture : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        state().versionCheckSkipped = false;
        gradeWindow().reset();
        gradeWindow().hooks().editInMemo = [this](const QString& caption,
                                                  const QString& text) -> std::optional<QString> {
            memoCaption = caption;
            memoInput = text;
            return memoAnswer;
        };
    }
    void TearDown() override
    {
        gradeWindow().reset();
        RealClassFixture::TearDown();
    }

    // Field of a record of the open class table.
    QString rec(int record, const QString& field) const
    {
        return ClassTable().value(record, field);
    }
    // The same, read from the file by a second reader after the table was
    // closed: what was posted is on disk.
    QString onDisk(int record, const QString& field) const
    {
        DbfTable t;
        t.open(folder.file(className), DbfAccess::SharedReadOnly);
        return t.value(record, field);
    }

    QString classDir() const { return classFolder(); }
    QString gradeFile(const QString& nr) const { return classDir() + QStringLiteral("/v.") + nr; }
    QStringList gradeFileLines(const QString& nr) const { return ReadTextLines(gradeFile(nr)); }
    static QString cellLine(const QStringList& lines, int column, int row)
    {
        return lines.value(column * 20 + row);
    }

    // Exam row of a short code.
    int rowOf(const QString& code) const
    {
        for (int r = 1; r <= 19; ++r)
            if (gradeWindow().context().shortCode(r) == code)
                return r;
        return -1;
    }

    std::optional<QString> memoAnswer;
    QString memoCaption;
    QString memoInput;
};

inline QList<StudentRow> threeStudents()
{
    return {{"1", "Berg", "Anna", "W"}, {"2", "Czech", "Bernd", "M"}, {"3", "Dorn", "Carla", "W"}};
}

} // namespace hsa::test
