#include "grades/gradewindowcontroller.h"
#include "classes/storabletext.h"

#include "classes/classfields.h"
#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "grades/memoeingabe.h"
#include "platform/errors.h"
#include "platform/help.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");

// The grade slots of one record of the class table.
class TableGradeRecord : public GradeRecord {
public:
    TableGradeRecord(DbfTable& table, int record) : table_(table), record_(record) {}
    QString fieldText(const QString& name) const override
    {
        return table_.valueOrEmpty(record_, name);
    }
    void setFieldText(const QString& name, const QString& text) override
    {
        if (table_.fieldIndex(name) >= 0)
            table_.setValue(record_, name, text);
    }

private:
    DbfTable& table_;
    int record_;
};


// The message for a record that is no valid student but is not an empty row
// either: what is missing, and that nothing of that record was touched.
QString invalidRecordMessage(const QString& firstLine, const StudentRecordCheck& check,
                             int record, bool genderRequired)
{
    return firstLine + kBreak + kBreak
        + QStringLiteral("Im Datensatz %1 der Schülerliste fehlt: %2.")
              .arg(record + 1)
              .arg(check.missingText(genderRequired))
        + kBreak
        + QStringLiteral("Das Fenster wird geschlossen; die Einträge dieses Datensatzes bleiben "
                         "unverändert. Bitte ergänzen Sie die Angaben in der Schülerliste.");
}

} // namespace

const std::array<QString, kRemarkCount>& RemarkFieldNames()
{
    static const std::array<QString, kRemarkCount> names{
        kFieldHint1, kFieldHint2, kFieldHint3,
        kFieldHint4, kFieldRemark1, kFieldRemark2};
    return names;
}

GradeWindowController::GradeWindowController() : GradeWindowController(ClassTable()) {}

GradeWindowController::GradeWindowController(DbfTable& table) : table_(&table)
{
    reset();
}

void GradeWindowController::reset()
{
    hooks_ = GradeWindowHooks{};
    hooks_.editInMemo = [](const QString& caption, const QString& text) -> std::optional<QString> {
        QString edited = text;
        if (EditInMemoDialog(caption, edited))
            return edited;
        return std::nullopt;
    };
    hooks_.openHelp = [](int context) {
        help().showTopic(state().programDir, state().helpFileName, context);
    };
    open_ = false;
    record_ = -1;
    openMode_.clear();
    classFile_.clear();
    sheet_ = ExamSheet{};
    context_ = GradeContext{};
    gradeList_ = GradeList{};
    layout_ = GradeWindowLayout{};
    studentCaption_.clear();
    classCaption_.clear();
    classTypeHint_.clear();
    gradeFilePath_.clear();
    companionPath_.clear();
    loadedNr_.clear();
    loadedLast_.clear();
    loadedFirst_.clear();
    remarks_ = {};
    deutschnote_.clear();
    mathenote_.clear();
    deutschnoteLoaded_ = false;
    phrases_ = PhraseStore{};
    phraseStoreShown_ = false;
    weightColumnShown_ = false;
    gradeListEntered_ = false;
}

QString GradeWindowController::field(int record, const QString& name) const
{
    if (!table_->isOpen() || record < 0 || record >= table_->recordCount())
        return {};
    return table_->valueOrEmpty(record, name);
}

// ------------------------------------------------------------------ opening

bool GradeWindowController::checkOpening(int record)
{
    const StudentRecordCheck c = CheckStudentRecord(*table_, record);
    bool ok = true;
    if (!c.numberOk) {
        showWarning(kMsgBadNumber);
        ok = false;
    }
    if (!c.hasLastName || !c.hasFirstName) {
        showWarning(kMsgNameFirst);
        ok = false;
    }
    if (ok && c.isMarker()) {
        // The last record carries the factors of the whole-class tables.
        showWarning(QStringLiteral("Der Datensatz Nr. 40 ist kein Schüler."));
        ok = false;
    }
    state().inputOk = ok;
    return ok;
}

bool GradeWindowController::Open(int record, const QString& openMode)
{
    if (open_ && !Close())
        return false;
    if (state().openClassFile.isEmpty() || !table_->isOpen())
        return false;
    if (hooks_.leaveGradeTable)
        hooks_.leaveGradeTable();
    if (!checkOpening(record))
        return false;

    openMode_ = openMode;
    classFile_ = state().openClassFile;
    layout_ = LayoutForClass(classFile_, state().schoolTypeText);
    phraseStoreShown_ = false;
    weightColumnShown_ = false;
    gradeListEntered_ = false;
    try {
        phrases_.load(PhraseStore::defaultPath());
    } catch (const FileError& e) {
        showError(e.message() + kBreak
                  + QStringLiteral("Die Floskeln werden nicht gespeichert, damit die Datei erhalten bleibt."));
    }
    classTypeHint_.clear();
    if (layout_.classTypeHintShown) {
        QString error;
        classTypeHint_ = LoadClassTypeHint(ProgramFolder(), layout_.classTypeHintFile, &error);
        if (!error.isEmpty())
            showError(error);
    }

    loadStudent(record);
    open_ = true;
    if (openMode_ == kOpenModeNote && hooks_.openCertificateAttachment)
        hooks_.openCertificateAttachment();
    return true;
}

void GradeWindowController::loadStudent(int record)
{
    SharedState& s = state();
    record_ = record;
    const QString nr = field(record, kFieldNr).trimmed();
    loadedNr_ = nr;
    loadedLast_ = field(record, kFieldLast);
    loadedFirst_ = field(record, kFieldFirst);
    s.classDir = FindClassDirCI(ProgramFolder(), classFile_) + QLatin1Char('/');
    s.currentStudentNr = nr;
    studentCaption_ = nr + QLatin1Char(' ') + field(record, kFieldFirst) + QLatin1Char(' ')
        + field(record, kFieldLast);
    classCaption_ = QStringLiteral("Klasse  ") + classFile_.left(2) + QStringLiteral("  ")
        + classFile_.mid(3, 4) + QStringLiteral("   ") + classFile_.mid(7, 1);
    gradeFilePath_ = GradeFilePathFor(s.classDir, nr);
    s.gradeFilePath = gradeFilePath_;
    companionPath_ = StudentFilePathCI(s.classDir, QStringLiteral("m."), nr);

    for (int i = 0; i < kRemarkCount; ++i)
        remarks_[i] = field(record, RemarkFieldNames()[i]);
    deutschnoteLoaded_ = field(record, kFieldGroup).trimmed() == QStringLiteral("x");
    deutschnote_ = deutschnoteLoaded_ ? field(record, kFieldGerman) : QString();
    mathenote_ = field(record, kFieldMath);

    context_ = GradeContextFromState();
    TableGradeRecord rec(*table_, record);
    gradeList_ = GradeListFromRecord(rec, classFile_);
    sheet_ = LoadStudentGradeFile(gradeFilePath_, context_, field(record, kFieldProfile));
    if (!sheet_.loadError.isEmpty())
        showError(sheet_.loadError);
    if (!sheet_.loadNotice.isEmpty())
        showWarning(sheet_.loadNotice);
    recalc();

    s.currentStudentRecord = record;
    s.inputOk = true;
    NotifyMainWindow();
}

// ------------------------------------------------------------------ writing back

bool GradeWindowController::studentStillInPlace() const
{
    if (table_->isOpen() && state().openClassFile == classFile_ && record_ >= 0
        && record_ < table_->recordCount()
        && field(record_, kFieldNr).trimmed() == loadedNr_
        && field(record_, kFieldLast) == loadedLast_
        && field(record_, kFieldFirst) == loadedFirst_)
        return true;
    // The list was rearranged or another class opened while the window
    // stayed open: writing by position would give these marks to someone else.
    showError(QStringLiteral("Die Eingaben für %1 %2 (Nr. %3, Klasse %4) können nicht gespeichert "
                             "werden: Die Schülerliste wurde inzwischen verändert oder die Klasse "
                             "geschlossen.")
                  .arg(loadedFirst_, loadedLast_, loadedNr_, classFile_)
              + kBreak
              + QStringLiteral("Damit keine Noten beim falschen Schüler landen, wird nichts geschrieben."));
    return false;
}

bool GradeWindowController::writeRecord()
{
    try {
        for (int i = 0; i < kRemarkCount; ++i)
            table_->setValue(record_, RemarkFieldNames()[i], remarks_[i]);
        if (deutschnoteLoaded_)
            table_->setValue(record_, kFieldGerman, deutschnote_);
        table_->setValue(record_, kFieldMath, mathenote_);
        TableGradeRecord rec(*table_, record_);
        CopyGradeListToRecord(gradeList_, classFile_, rec);
        table_->post();
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    return true;
}

bool GradeWindowController::writeGradeFile()
{
    try {
        // A sheet that stands for a damaged file is never saved over it (the
        // reason was shown when it was loaded).
        SaveStudentGradeFile(gradeFilePath_, sheet_, context_);
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    return true;
}

void GradeWindowController::projectGradeReminder()
{
    if (classFile_.isEmpty() || classFile_.at(0).toUpper() != QLatin1Char('X'))
        return;
    if (sheet_.resultIndex != 1 && sheet_.resultIndex != 2)
        return;
    if (GetProjectGrade(sheet_.grid) != QStringLiteral("-"))
        showMessage(kMsgProjectGrade);
}

void GradeWindowController::resetGapRecord(int record)
{
    try {
        table_->setValue(record, kFieldHint1, QStringLiteral("-"));
        table_->setValue(record, kFieldHint2, QString());
        table_->setValue(record, kFieldHint3, QString());
        table_->setValue(record, kFieldHint4, QString());
        table_->setValue(record, kFieldRemark1, QStringLiteral("-"));
        table_->setValue(record, kFieldRemark2, QString());
        table_->setValue(record, kFieldGerman, QStringLiteral("-"));
        table_->setValue(record, kFieldMath, QStringLiteral("-"));
        if (ClassKeepsGradeSlots(classFile_))
            for (int row = 0; row < 10; ++row)
                table_->setValue(record, GradeSlotFieldName(row), QString());
        table_->post();
    } catch (const FileError& e) {
        showError(e.message());
    }
}

void GradeWindowController::closeUntouched(int record)
{
    try {
        phrases_.save(PhraseStore::defaultPath());
    } catch (const FileError& e) {
        showError(e.message());
    }
    open_ = false;
    state().inputOk = false;
    state().currentStudentRecord = record;
    NotifyMainWindow();
}

bool GradeWindowController::Close(bool force)
{
    if (!open_)
        return true;
    try {
        phrases_.save(PhraseStore::defaultPath());
    } catch (const FileError& e) {
        showError(e.message());
    }
    recalc();
    bool written = false;
    if (studentStillInPlace()) {
        const bool recordWritten = writeRecord();
        const bool fileWritten = writeGradeFile();
        written = recordWritten && fileWritten;
    }
    if (!written && !force)
        return false;
    open_ = false;
    state().currentStudentRecord = record_;
    NotifyMainWindow();
    return true;
}

bool GradeWindowController::Back()
{
    if (!open_)
        return true;
    if (hooks_.remindOpenAttachments)
        hooks_.remindOpenAttachments();
    recalc();
    return Close();
}

void GradeWindowController::OpenAttachment()
{
    if (open_ && hooks_.openCertificateAttachment)
        hooks_.openCertificateAttachment();
}

void GradeWindowController::RecreateAttachment()
{
    if (open_ && hooks_.recreateCertificateAttachment)
        hooks_.recreateCertificateAttachment();
}

bool GradeWindowController::SavePhrasesAndClose()
{
    return Close();
}

// ------------------------------------------------------------------ next, previous

StepResult GradeWindowController::Next()
{
    return step(+1);
}

StepResult GradeWindowController::Previous()
{
    return step(-1);
}

StepResult GradeWindowController::step(int direction)
{
    if (!open_)
        return StepResult::Failed;
    recalc();
    // The student being left: record first, then the grade file.  When
    // either cannot be written the window stays on him, so nothing typed is
    // lost by moving on.
    if (!studentStillInPlace() || !writeRecord())
        return StepResult::Failed;
    if (!writeGradeFile())
        return StepResult::Failed;
    projectGradeReminder();

    const int target = record_ + direction;
    if (target < 0 || target >= table_->recordCount()) {
        showWarning(direction > 0 ? kMsgLastStudent : kMsgFirstStudent);
        return StepResult::Stayed;
    }

    const StudentRecordCheck c = CheckStudentRecord(*table_, target);
    if (direction > 0) {
        // The end of the list or an empty row: stay on the student.
        if (!c.hasLastName || !c.hasFirstName || c.isMarker()) {
            showWarning(kMsgListEnd);
            return StepResult::Stayed;
        }
        if (!c.valid(false)) {
            showWarning(invalidRecordMessage(kMsgBadNumber, c, target, false));
            closeUntouched(target);
            return StepResult::Closed;
        }
    } else {
        if (c.isGap()) {
            // An empty row of the list: it is tidied up and the window closes.
            showWarning(kMsgNameMissing);
            resetGapRecord(target);
            closeUntouched(target);
            return StepResult::Closed;
        }
        if (!c.valid(true) || c.isMarker()) {
            // A student with something missing keeps everything he has.
            showWarning(invalidRecordMessage(c.numberOk ? kMsgNameMissing : kMsgBadNumber, c,
                                             target, true));
            closeUntouched(target);
            return StepResult::Closed;
        }
    }
    loadStudent(target);
    return StepResult::Moved;
}

// ------------------------------------------------------------------ shown data

QString GradeWindowController::gesamtschnittLabel() const
{
    return sheet_.gesamtschnittLabel(context_);
}

QString GradeWindowController::firstName() const
{
    return field(record_, kFieldFirst);
}

QString GradeWindowController::remark(int index) const
{
    return index >= 0 && index < kRemarkCount ? remarks_[index] : QString();
}

bool GradeWindowController::setRemark(int index, const QString& text)
{
    if (index < 0 || index >= kRemarkCount)
        return false;
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (RefuseUnstorableText(t, remarkMaxLength(index), int(remarks_[index].size())))
        return false;
    remarks_[index] = t;
    return true;
}

bool GradeWindowController::setDeutschnote(const QString& t)
{
    if (RefuseUnstorableText(t, 1, int(deutschnote_.size())))
        return false;
    deutschnote_ = t;
    return true;
}

bool GradeWindowController::setMathenote(const QString& t)
{
    if (RefuseUnstorableText(t, 1, int(mathenote_.size())))
        return false;
    mathenote_ = t;
    return true;
}

int GradeWindowController::remarkMaxLength(int index) const
{
    int length = 0;
    if (index >= 0 && index < 4)
        length = layout_.hintLength[index];
    else if (index >= 4 && index < kRemarkCount)
        length = layout_.remarkLength[index - 4];
    else
        return 0;
    // Never more than the record's field takes: what the user sees is stored.
    const int width = table_->fieldWidth(RemarkFieldNames()[index]);
    return width > 0 ? std::min(length, width) : length;
}

QString GradeWindowController::recordField(const QString& name) const
{
    return field(record_, name);
}

int GradeWindowController::recordFieldWidth(const QString& name) const
{
    return table_->fieldWidth(name);
}

bool GradeWindowController::setRecordField(const QString& name, const QString& text)
{
    if (!open_ || table_->fieldIndex(name) < 0)
        return false;
    if (!studentStillInPlace())
        return false;
    if (RefuseUnstorableText(text, recordFieldWidth(name), int(recordField(name).size())))
        return false;
    try {
        table_->setValue(record_, name, text);
        table_->post();
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    return true;
}

bool GradeWindowController::setNotesText(const QString& text)
{
    const LimitedNotes limited = LimitNoteLines(text, kGradeFileNoteLines);
    sheet_.setNotesText(limited.text);
    return limited.cut;
}

// ------------------------------------------------------------------ exam grid

void GradeWindowController::recalc()
{
    RecalcExamGrid(sheet_.grid, context_, gradeList_);
}

bool GradeWindowController::commitCell(int column, int row, const QString& text)
{
    if (!CommitExamCell(sheet_.grid, column, row, text, context_))
        return false;
    recalc();
    return true;
}

CellPos GradeWindowController::clickCell(CellPos pos)
{
    const CellPos to = ClickExamCell(sheet_.grid, pos, context_);
    recalc();
    return to;
}

void GradeWindowController::doubleClickCell(CellPos pos)
{
    // Only the mark cells toggle between "P" (exam pending) and "- ".
    if (!IsEditableExamCell(pos.column, pos.row) || pos.column == ColWeight)
        return;
    DoubleClickExamCell(sheet_.grid, pos, context_);
    recalc();
}

KeyResult GradeWindowController::keyMove(CellPos pos, ExamGridKey key, int pageRows) const
{
    return ExamGridKeyMove(sheet_.grid, pos, key, pageRows);
}

void GradeWindowController::EnterNotebook()
{
    if (!open_)
        return;
    SetModeHeadings(sheet_.grid, context_.eveningSchoolMode);
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        sheet_.grid.at(ColCode, r) = context_.shortCode(r);
    recalc();
}

int GradeWindowController::gradeListKeyMove(int row, int step) const
{
    return GradeListKeyMove(context_.subjectNames, row, step, gradeListFixedRows());
}

void GradeWindowController::ShowHelp(int context)
{
    if (hooks_.openHelp)
        hooks_.openHelp(context);
}

void GradeWindowController::toggleWeightColumn()
{
    weightColumnShown_ = !weightColumnShown_;
    showMessage(WeightColumnMessage());
}

// ------------------------------------------------------------------ result, profile

void GradeWindowController::selectExamResult(int index)
{
    if (index < -1 || index >= kExamResultCount)
        return;
    if (classFile_.startsWith(QLatin1Char('9')) && (index == 1 || index == 2)) {
        showMessage(kMsgClass9Result);
        index = 0;
    }
    sheet_.resultIndex = index;
    sheet_.resultLabel = ExamResultCaption(index);
}

void GradeWindowController::selectProfile(int index)
{
    if (index < -1 || index > 5)
        return;
    sheet_.profileIndex = index;
    setRecordField(kFieldProfile, QString::number(index));
}

void GradeWindowController::leaveProfile()
{
    if (!open_ || !layout_.profileControlsShown)
        return;
    const QString stored = recordField(kFieldProfile).trimmed();
    const QString wanted = QString::number(sheet_.profileIndex < 0 ? -1 : sheet_.profileIndex);
    if (stored == wanted)
        return;
    if (sheet_.profileIndex < 0 && !stored.isEmpty() && ProfileIndexFromField(stored) < 0) {
        bool number = false;
        stored.toInt(&number);
        // Only an index (or nothing) stands for "no profile subject": a typed
        // text stays.
        if (!number)
            return;
    }
    setRecordField(kFieldProfile, wanted);
}

std::array<QString, 6> GradeWindowController::profileCodes() const
{
    return state().subjectData.profileCodes;
}

void GradeWindowController::editProfileCodes()
{
    if (!askYesNo(ProfileCodesQuestion()))
        return;
    if (!hooks_.editInMemo)
        return;
    const std::optional<QString> edited =
        hooks_.editInMemo(ProfileCodesEditorCaption(), ProfileCodesEditorText(profileCodes()));
    if (!edited)
        return;
    const std::array<QString, 6> codes = ProfileCodesFromEditorText(*edited);
    state().subjectData.profileCodes = codes;
    try {
        SaveProfileCodes(ProgramFolder(), codes);
    } catch (const FileError& e) {
        showError(e.message());
        return;
    }
    showMessage(ProfileCodesSavedMessage());
}

void GradeWindowController::explainProfileNotCounted()
{
    showMessage(ProfileNotCountedMessage());
}

// ------------------------------------------------------------------ stock phrases

void GradeWindowController::showPhraseHelp()
{
    showMessage(kMsgPhraseHelp);
}

bool GradeWindowController::expandRemark(int index)
{
    if (index < 0 || index >= kRemarkCount)
        return false;
    const std::optional<QString> e =
        ExpandPhraseNumber(remarks_[index], phrases_, remarkMaxLength(index), firstName());
    if (!e)
        return false;
    remarks_[index] = *e;
    return true;
}

bool GradeWindowController::expandRecordField(const QString& name)
{
    const std::optional<QString> e =
        ExpandPhraseNumber(recordField(name), phrases_, recordFieldWidth(name), firstName());
    if (!e)
        return false;
    return setRecordField(name, *e);
}

bool GradeWindowController::doubleClickRemark(int index, int phraseRow)
{
    if (!phraseStoreShown_ || index < 0 || index >= kRemarkCount)
        return false;
    const QString phrase = phrases_.phrase(phraseRow);
    if (phrase.isEmpty())
        return false;
    remarks_[index] = InsertFirstName(phrase, 1, remarkMaxLength(index), firstName());
    return true;
}

bool GradeWindowController::doubleClickRecordField(const QString& name, int phraseRow)
{
    if (!phraseStoreShown_)
        return false;
    const QString phrase = phrases_.phrase(phraseRow);
    if (phrase.isEmpty())
        return false;
    const int width = recordFieldWidth(name);
    // Birth place and project topic take the phrase as it stands.
    const bool plain = name.compare(kFieldBirthPlace, Qt::CaseInsensitive) == 0
        || name.compare(kFieldProjectTopic, Qt::CaseInsensitive) == 0;
    const QString text = plain ? phrase.left(width) : InsertFirstName(phrase, 1, width, firstName());
    return setRecordField(name, text);
}

GradeWindowController& gradeWindow()
{
    static GradeWindowController controller;
    return controller;
}

namespace {
const ProgramWideReset resetGradeWindow(ResetOrder::Objects, [] { gradeWindow().reset(); });
}

} // namespace hsa
