#pragma once
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "grades/gradewindowcontroller.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace hsa::test {

// One row of the class table as a test lays it out.
struct StudentRow {
    QString nr;
    QString last;
    QString first;
    QString gender;
    QList<QPair<QString, QString>> fields = {};
};

// A program folder with the shipped files, a class table made from
// "start2.dbf" and opened as the program opens a class, scripted prompts, and
// the grade window's data reset.
class ClassFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        folder.layDefaults();
        state().programDir = folder.path();
        state().accessLocked = false;
        state().versionCheckSkipped = false;
        classFiles().reset();
        classFiles().hooks().today = [] { return QDate(2026, 3, 15); };
        classFiles().hooks().clearClipboard = [] {};
        guard = std::make_unique<ScopedPrompt>(prompt);
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
        ClassTable().close();
        classFiles().reset();
        guard.reset();
    }

    // Copies the template to name and fills rows 0.. with the students; rows
    // after them keep the template (NR only).  keep < 40 deletes the rest.
    void makeClass(const QString& name, const QList<StudentRow>& rows, int keep = 40)
    {
        folder.write(name, folder.read(QStringLiteral("start2.dbf")));
        DbfTable t;
        t.open(folder.file(name));
        for (int i = 0; i < rows.size(); ++i) {
            const StudentRow& s = rows.at(i);
            t.setValue(i, QStringLiteral("NR"), s.nr);
            t.setValue(i, QStringLiteral("NACHNAME"), s.last);
            t.setValue(i, QStringLiteral("VORNAME"), s.first);
            t.setValue(i, QStringLiteral("M/W"), s.gender);
            for (const auto& f : s.fields)
                t.setValue(i, f.first, f.second);
        }
        t.post();
        while (t.recordCount() > keep)
            t.deleteRecord(t.recordCount() - 1);
        t.post();
        t.pack();
        t.close();
    }

    void openClass(const QString& name)
    {
        ASSERT_TRUE(classFiles().OpenClass(name));
        className = name;
        prompt.clear();
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

    QString classDir() const { return folder.file(className.left(8)); }
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

    TempProgramFolder folder;
    ScriptedPrompt prompt;
    std::unique_ptr<ScopedPrompt> guard;
    QString className;
    std::optional<QString> memoAnswer;
    QString memoCaption;
    QString memoInput;
};

inline QList<StudentRow> threeStudents()
{
    return {{"1", "Berg", "Anna", "W"}, {"2", "Czech", "Bernd", "M"}, {"3", "Dorn", "Carla", "W"}};
}

} // namespace hsa::test
