#pragma once
// Shared set-up of the list, protocol and note-page tests: a page 203 x 287 mm
// (so W = 1930), a class with its subjects and students built by hand.
#include "grades/gradecontext.h"
#include "print/printdata.h"
#include "support/printfixture.h"

namespace hsa::test {

class LayoutTest : public PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        dev().printableMM = QSizeF(203.0, 287.0);
        std::array<QString, kSubjectEntryCount> names{};
        const char* subjects[] = {"Deutsch", "Mathematik", "Englisch", "Biologie", "Wirtschaft-/Beruf"};
        for (int i = 2; i < 21; ++i)
            names[i] = i < 7 ? QString::fromUtf8(subjects[i - 2]) : QStringLiteral("Fach%1").arg(i);
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
        const QString cells[] = {written, comm, oral, year};
        const int columns[] = {ColWritten, ColComm, ColOral, ColYear};
        for (int i = 0; i < 4; ++i)
            st.sheet.grid.at(columns[i], row) = cells[i];
        st.sheet.fromFile = true;
        return st;
    }

    ClassPrintData cls;
};

} // namespace hsa::test
