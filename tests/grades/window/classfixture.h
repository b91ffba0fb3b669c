#pragma once
#include "classes/classgrid/gridfixture.h"
#include "grades/gradewindowcontroller.h"

#include <optional>

namespace hsa::test {

// The real class folder of the program, with the grade window's data reset
// and its memo editor scripted.
class ClassFixture : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
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
        GridFixture::TearDown();
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
    QString gradeFile(const QString& nr) const { return classDir() + QStringLiteral("v.") + nr; }

    std::optional<QString> memoAnswer;
    QString memoInput;
};

} // namespace hsa::test
