#pragma once
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "classes/examgrid.h"
#include "grades/classgrid.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "support/programwindows.h"

#include <QFile>
#include <QTest>

#include <functional>

namespace hsa::test {

// The program's windows on a class of their own, shown and active: the
// delivered empty class copied to classFile with its first count records
// named ("Schüler1" to "Schüler<count>", first name "Anna", NR 1 to count,
// "w"), opened, every question answered Yes.  The grade files of the
// students marked(n) hold "2.0" in every exam part and year mark.
class NamedClassFixture : public ProgramWindowsFixture {
protected:
    void openNamedClass(const QString& classFile, int count, const std::function<bool(int n)>& marked)
    {
        // A table left open by another test; the program block then installs
        // the grid's hooks anew.
        classGrid().reset();
        ProgramWindowsFixture::SetUp();
        state().accessLocked = false;
        prompt.setDefaultAnswer(Answer::Yes);
        dir.layDefaults();
        QFile::copy(dir.file("start2.dbf"), dir.file(classFile));
        {
            DbfTable t;
            t.open(dir.file(classFile));
            for (int i = 0; i < count; ++i) {
                t.setValue(i, "NACHNAME", QStringLiteral("Schüler%1").arg(i + 1));
                t.setValue(i, "VORNAME", "Anna");
                t.setValue(i, "NR", QString::number(i + 1));
                t.setValue(i, "M/W", "w");
            }
        }
        ASSERT_TRUE(classFiles().OpenClass(classFile)) << prompt.texts().join(" | ").toStdString();
        const GradeContext ctx = GradeContextFromState();
        for (int n = 1; n <= count; ++n) {
            if (!marked(n))
                continue;
            ExamSheet sheet = PresetExamSheet(ctx);
            for (int column : {ColWritten, ColComm, ColOral, ColYear})
                for (int row = 1; row <= 19; ++row)
                    sheet.grid.at(column, row) = QStringLiteral("2.0");
            ASSERT_TRUE(SaveStudentGradeFile(gradeFile(n), sheet, ctx));
        }
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        prompt.clear();
    }
    void TearDown() override
    {
        classGrid().reset();
        ClassTable().close();
        ProgramWindowsFixture::TearDown();
    }
    QString gradeFile(int n) const { return GradeFilePathFor(state().classDir, QString::number(n)); }
};

} // namespace hsa::test
