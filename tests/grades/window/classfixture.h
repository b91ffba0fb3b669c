#pragma once
#include "support/gridfixture.h"
#include "grades/gradewindowcontroller.h"

#include <optional>

namespace hsa::test {

// The real class folder of the program, with the grade window's memo editor
// scripted.
class ClassFixture : public GridFixture {
protected:
    void SetUp() override
    {
        GridFixture::SetUp();
        state().versionCheckSkipped = false;
        gradeWindow().hooks().editInMemo = [this](const QString&, const QString& text) {
            memoInput = text;
            return memoAnswer;
        };
    }
    QString rec(int record, const QString& field) const { return ClassTable().value(record, field); }
    // The same as the bytes on disk show it: what was posted.
    QString onDisk(int record, const QString& field) const
    {
        return QString::fromLatin1(rawField(tableBytes(), record, field)).trimmed();
    }
    QString gradeFile(const QString& nr) const { return classDir() + QStringLiteral("v.") + nr; }

    std::optional<QString> memoAnswer;
    QString memoInput;
};

} // namespace hsa::test
