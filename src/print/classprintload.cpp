#include "print/classprintload.h"

#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "grades/gradecontext.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFileInfo>

namespace hsa {

namespace {

constexpr int kLastListRecord = 38;
constexpr int kLastNoteRecord = 39;

QString Field(const DbfTable& t, int record, const char* name)
{
    return TrimRight(t.valueOrEmpty(record, QString::fromLatin1(name)));
}

} // namespace

ClassPrintData ClassPrintDataFromState()
{
    const SharedState& s = state();
    ClassPrintData cls;
    cls.classFile = s.openClassFile;
    cls.classDir = QDir(s.programDir).filePath(ClassFolderName(s.openClassFile)) + QLatin1Char('/');
    cls.schoolName = s.schoolName;
    cls.schoolTypeText = s.schoolTypeText;
    cls.eveningSchoolMode = s.eveningSchoolMode;
    cls.subjects = s.subjectData;
    cls.examChairName = s.examChairName;
    cls.headTeacherName = s.headTeacherName;
    cls.context = GradeContextFromState();
    cls.today = PrintToday();
    return cls;
}

StudentPrintData StudentPrintDataFromRecord(const DbfTable& t, int record, const ClassPrintData& cls)
{
    StudentPrintData st;
    st.record = record + 1;
    st.nr = Field(t, record, "NR").trimmed();
    st.surname = Field(t, record, "NACHNAME");
    st.firstName = Field(t, record, "VORNAME");
    st.klasse = Field(t, record, "KLASSE");
    st.projectGroup = Field(t, record, "HJ");
    st.birthDate = Field(t, record, "AG3");
    st.birthPlace = Field(t, record, "AG4");
    st.ag7 = Field(t, record, "AG7");
    st.sheet = LoadStudentGradeFile(GradeFilePathFor(cls.classDir, st.nr), cls.context, st.ag7);
    return st;
}

std::vector<StudentPrintData> LoadListStudents(const DbfTable& t, const ClassPrintData& cls, QString* firstKlasse)
{
    std::vector<StudentPrintData> out;
    const int count = t.isOpen() ? t.recordCount() : 0;
    if (firstKlasse)
        *firstKlasse = count > 0 ? Field(t, 0, "KLASSE") : QString();
    for (int r = 0; r < count && r < kLastListRecord; ++r) {
        const QString surname = Field(t, r, "NACHNAME");
        if (surname.isEmpty() || surname.trimmed() == QStringLiteral("FAKTOR"))
            continue;
        StudentPrintData st = StudentPrintDataFromRecord(t, r, cls);
        // A damaged grade file must not pass as a student without marks.
        if (!st.sheet.loadError.isEmpty())
            showError(st.sheet.loadError);
        if (st.sheet.fromFile)
            out.push_back(std::move(st));
    }
    return out;
}

std::vector<StudentPrintData> LoadNoteRecords(const DbfTable& t, const ClassPrintData& cls)
{
    std::vector<StudentPrintData> out;
    const int count = t.isOpen() ? t.recordCount() : 0;
    for (int r = 0; r < count && r < kLastNoteRecord; ++r) {
        if (Field(t, r, "NACHNAME").isEmpty()) {
            StudentPrintData gap;
            gap.record = r + 1;
            out.push_back(gap);
            continue;
        }
        out.push_back(StudentPrintDataFromRecord(t, r, cls));
    }
    return out;
}

} // namespace hsa
