#pragma once
// Shared set-up of the list, protocol and note-page tests: the recording
// printer with a page 203 x 287 mm (so W = 1930), a class with its subjects
// and students built by hand.
#include "classes/sharedstate.h"
#include "grades/gradecontext.h"
#include "platform/scriptedprompt.h"
#include "print/printdata.h"
#include "print/recordingdevice.h"

#include <gtest/gtest.h>
#include <vector>

namespace hsa::test {

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        rec.device().printableMM = QSizeF(203.0, 287.0);
        std::array<QString, kSubjectEntryCount> names{};
        const char* subjects[] = {"Deutsch", "Mathematik", "Englisch", "Biologie", "Wirtschaft-/Beruf"};
        for (int i = 0; i < 5; ++i)
            names[i + 2] = QString::fromUtf8(subjects[i]);
        for (int i = 7; i < 21; ++i)
            names[i] = QStringLiteral("Fach%1").arg(i);
        cls.classFile = QStringLiteral("xa_25262.dbf");
        cls.schoolName = QStringLiteral("Realschule?Irgendwo");
        cls.subjects.subjectNames = names;
        cls.context = MakeGradeContext(names, cls.classFile, false);
        cls.today = QDate(2026, 3, 15);
    }

    // A student whose exam-grid row holds the cells written, comm, oral, year.
    static StudentPrintData student(int nr, int row, const QString& written, const QString& comm = {},
                                    const QString& oral = {}, const QString& year = {})
    {
        StudentPrintData st;
        st.record = nr;
        st.nr = QString::number(nr);
        st.surname = QStringLiteral("Name%1").arg(nr);
        st.firstName = QStringLiteral("Vor");
        st.klasse = QStringLiteral("10a");
        ExamGrid& g = st.sheet.grid;
        g.at(ColWritten, row) = written;
        g.at(ColComm, row) = comm;
        g.at(ColOral, row) = oral;
        g.at(ColYear, row) = year;
        st.sheet.fromFile = true;
        return st;
    }

    RecordingDevice& dev() { return rec.device(); }
    // The page y and x of the first text equal to text in job, or (-1, -1).
    static QPoint at(const PrintJob& job, const QString& text)
    {
        const auto t = job.findText(text);
        return t ? QPoint(t->x, t->pageY()) : QPoint(-1, -1);
    }

    ScopedRecordingPrinter rec;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
    ClassPrintData cls;
};

} // namespace hsa::test
