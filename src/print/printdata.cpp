#include "print/printdata.h"

#include "classes/classfields.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "platform/programwide.h"

#include <QDir>

namespace hsa {

namespace {
std::function<QDate()>& clockSlot()
{
    static std::function<QDate()> clock;
    return clock;
}
} // namespace

QDate PrintToday()
{
    return clockSlot() ? clockSlot()() : QDate::currentDate();
}

void SetPrintClock(std::function<QDate()> clock)
{
    clockSlot() = std::move(clock);
}

QString PrintDateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

ClassPrintData LoadClassPrintData()
{
    const SharedState& s = state();
    ClassPrintData c;
    c.classFile = s.openClassFile;
    const QString programDir = s.programDir.isEmpty() ? QDir::currentPath() : s.programDir;
    if (!c.classFile.isEmpty())
        c.classDir = QDir(programDir).filePath(ClassFolderName(c.classFile)) + QLatin1Char('/');
    c.schoolName = s.schoolName;
    c.schoolTypeText = s.schoolTypeText;
    c.eveningSchoolMode = s.eveningSchoolMode;
    c.subjects = s.subjectData;
    c.examChairName = s.examChairName;
    c.headTeacherName = s.headTeacherName;
    c.context = GradeContextFromState();
    c.today = PrintToday();
    c.shortDates = FileExistsCI(programDir, QStringLiteral("kurzdat.dat"));
    c.fontStretch = s.print.printFontStretch;
    c.printerFontName = s.print.printerFontName;
    c.lineWidth = s.print.printLineWidth;
    return c;
}

namespace {

// One record of a table, read only.
class RecordFields : public GradeRecord {
public:
    RecordFields(const DbfTable& table, int record) : table_(table), record_(record) {}
    QString fieldText(const QString& name) const override { return table_.valueOrEmpty(record_, name); }
    void setFieldText(const QString&, const QString&) override {}

private:
    const DbfTable& table_;
    int record_;
};

} // namespace

StudentPrintData LoadStudentPrintData(const ClassPrintData& cls, const DbfTable& table, int record)
{
    StudentPrintData st;
    st.record = record;
    for (int k = 0; k < kGradeListRows; ++k)
        st.gradeNames[k] = cls.subjects.subjectNames[k];
    if (record < 1 || record > table.recordCount())
        return st;
    const int rec = record - 1;
    const auto f = [&](const QString& name) { return table.valueOrEmpty(rec, name); };
    st.nr = f(kFieldNr);
    st.surname = f(kFieldLast);
    st.firstName = f(kFieldFirst);
    st.klasse = f(QStringLiteral("KLASSE"));
    st.projectGroup = f(QStringLiteral("HJ"));
    st.birthDate = f(QStringLiteral("AG3"));
    st.birthPlace = f(QStringLiteral("AG4"));
    st.ag2 = f(QStringLiteral("AG2"));
    st.ag5 = f(QStringLiteral("AG5"));
    st.ag6 = f(QStringLiteral("AG6"));
    st.ag7 = f(kFieldProfile);
    for (int i = 0; i < 4; ++i)
        st.hints[i] = f(QStringLiteral("HINWEIS%1").arg(i + 1));
    st.remarks[0] = f(QStringLiteral("BEMERK1"));
    st.remarks[1] = f(QStringLiteral("BEMERK2"));
    st.deu = f(QStringLiteral("DEU"));
    st.math = f(QStringLiteral("MATH"));
    st.datum = f(kFieldDate);
    st.gradeFilePath = GradeFilePathFor(cls.classDir, st.nr.trimmed());
    st.sheet = LoadStudentGradeFile(st.gradeFilePath, cls.context, st.ag7);
    st.grades = ClassKeepsGradeSlots(cls.classFile) ? GradeListFromRecord(RecordFields(table, rec), cls.classFile)
                                                    : st.sheet.gradeList(cls.context);
    return st;
}

namespace {
const ProgramWideReset resetPrintClock(ResetOrder::Objects, [] { SetPrintClock(nullptr); });
}

} // namespace hsa
