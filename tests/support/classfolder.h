#pragma once
#include "classes/classfields.h"
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"

#include <QDate>
#include <QList>
#include <QPair>

#include <gtest/gtest.h>

namespace hsa::test {

// One row of a class table as a test lays it out.
struct StudentRow {
    QString nr;
    QString last;
    QString first;
    QString gender = QStringLiteral("M");
    QList<QPair<QString, QString>> fields = {};
};

// A fresh program in a program folder with the shipped files, real class
// tables made from "start2.dbf" and opened the way the program opens a class,
// and scripted prompts.
class RealClassFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramWideObjects();
        folder.layDefaults();
        state().programDir = folder.path();
        state().accessLocked = false;
        classFiles().hooks().today = [] { return QDate(2026, 3, 15); };
        classFiles().hooks().clearClipboard = [] {};
        setPrompts(&prompt);
    }
    void TearDown() override
    {
        ResetProgramWideObjects(); // closes the class table while its folder is there
    }

    // Copies the template to name and fills records 1.. with the students;
    // the records after them keep the template (NR only).  keep < 40 cuts the
    // table to keep records.
    void makeClass(const QString& name, const QList<StudentRow>& rows, int keep = 40)
    {
        folder.write(name, folder.read(QStringLiteral("start2.dbf")));
        DbfTable t;
        t.open(folder.file(name));
        for (int i = 0; i < rows.size(); ++i) {
            const StudentRow& s = rows.at(i);
            t.setValue(i, kFieldNr, s.nr);
            t.setValue(i, kFieldLast, s.last);
            t.setValue(i, kFieldFirst, s.first);
            t.setValue(i, kFieldGender, s.gender);
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

    // The open class's folder, without a trailing separator.
    QString classFolder() const { return folder.file(className.left(8)); }

    TempProgramFolder folder;
    ScriptedPrompt prompt;
    QString className;
};

} // namespace hsa::test
