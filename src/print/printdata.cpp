#include "print/printdata.h"

#include "classes/classfields.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "grades/flawedgradefiles.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>

#include <exception>
#include <optional>

namespace hsa {

namespace {
std::function<QDate()>& clockSlot()
{
    static std::function<QDate()> clock;
    return clock;
}

// The students noted by the print command that is running, if any.
std::optional<FlawedGradeFiles>& flawedSlot()
{
    static std::optional<FlawedGradeFiles> flawed;
    return flawed;
}
} // namespace

FlawedGradeFileScope::FlawedGradeFileScope()
    : outermost_(!flawedSlot().has_value()), exceptions_(std::uncaught_exceptions())
{
    if (outermost_)
        flawedSlot().emplace();
}

FlawedGradeFileScope::~FlawedGradeFileScope()
{
    if (!outermost_)
        return;
    const FlawedGradeFiles flawed = std::move(*flawedSlot());
    flawedSlot().reset();
    // A print that ends by an error says that error; the files are told
    // again when it is printed once more.
    if (flawed.isEmpty() || std::uncaught_exceptions() > exceptions_)
        return;
    try {
        showWarning(flawed.message(QStringLiteral("Gedruckt wurde, was gelesen werden konnte; eine fehlende Note "
                                                  "steht als \"- \" da. ")
                                   + kFlawedCheckInGradeWindow));
    } catch (...) {
        // A box that cannot be shown must not end the program from here.
    }
}

void NoteFlawedGradeFile(const QString& nr, const QString& surname, const QString& firstName,
                         const ExamSheet& sheet)
{
    if (flawedSlot())
        flawedSlot()->note(nr, surname, firstName, sheet);
}

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
    c.stateLine = s.print.stateLineSwitch > 0;
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
    st.klasse = f(kFieldClass);
    st.projectGroup = f(kFieldGroup);
    st.birthDate = f(kFieldBirthDate);
    st.birthPlace = f(kFieldBirthPlace);
    st.ag2 = f(kFieldWorkingGroups);
    st.ag5 = f(kFieldProjectTopic);
    st.ag6 = f(kFieldClass8Grade);
    st.ag7 = f(kFieldProfile);
    for (int i = 0; i < 4; ++i)
        st.hints[i] = f(kFieldHints[i]);
    st.remarks[0] = f(kFieldRemark1);
    st.remarks[1] = f(kFieldRemark2);
    st.deu = f(kFieldGerman);
    st.math = f(kFieldMath);
    st.datum = f(kFieldDate);
    st.gradeFilePath = GradeFilePathFor(cls.classDir, st.nr.trimmed());
    st.sheet = LoadStudentGradeFile(st.gradeFilePath, cls.context, st.ag7);
    NoteFlawedGradeFile(st.nr, st.surname, st.firstName, st.sheet);
    st.grades = ClassKeepsGradeSlots(cls.classFile) ? GradeListFromRecord(RecordFields(table, rec), cls.classFile)
                                                    : st.sheet.gradeList(cls.context);
    return st;
}

namespace {
const ProgramWideReset resetPrintClock(ResetOrder::Objects, [] { SetPrintClock(nullptr); });
}

} // namespace hsa
