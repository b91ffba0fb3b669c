#include "word/wordforms.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "print/drivers.h"
#include "print/printdevice.h"
#include "word/attachments.h"
#include "word/office.h"
#include "word/pdfprint.h"
#include "word/worddocuments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");

struct Prepared {
    QString file;
    QString last;
    QString nr;
};

} // namespace

WordFormsController& wordForms()
{
    static WordFormsController c;
    return c;
}

namespace {
const ProgramWideReset resetWordForms(ResetOrder::Objects, [] { wordForms() = WordFormsController(); });
}

void WordFormsController::Abort()
{
    state().printAbortRequested = true;
    mayClose_ = true;
}

void WordFormsController::Start()
{
    mayClose_ = false;
    // Whatever happens, even an error the window's guard shows, the window
    // can be closed afterwards.
    struct Closable {
        bool& mayClose;
        ~Closable() { mayClose = true; }
    } closable{mayClose_};
    try {
        run();
    } catch (const FileError& e) {
        showError(e.message());
    } catch (const PrinterError& e) {
        showError(e.message());
    }
}

namespace {

// What one "Start" prints: how many copies of each form, for which students,
// and whether as one job.
struct RunScope {
    int copies = 1;
    int from = 0;
    int to = 0;
    bool single = true;
    bool oneJob = false;
};

// The template of the form type, empty for the attachment, which is printed
// as it stands.  Without the office suite or the template nothing can be
// printed: said once, before the user is asked anything; nullopt then.
std::optional<QString> FormTemplate(const QString& type)
{
    if (OfficeProgram().isEmpty()) {
        showError(kMsgNoOffice);
        return std::nullopt;
    }
    if (type == QLatin1String("anlage"))
        return QString();
    const QString templ = FindWordTemplate(type);
    if (templ.isEmpty()) {
        showError(QDir::toNativeSeparators(
                      QDir(state().programDir).filePath(QStringLiteral("doc/") + type + QStringLiteral(".docx")))
                  + QStringLiteral(" nicht gefunden"));
        return std::nullopt;
    }
    return templ;
}

// The scope of the window's choices; the project description asks for the
// number of copies (1 to 30) and is always for the marked student (NR nr).
// nullopt when the user cancels.
std::optional<RunScope> ChooseScope(int formType, int range, int fromNr, int toNr, int variant, int nr)
{
    RunScope scope;
    scope.from = scope.to = nr;
    if (formType == 0) {
        scope.copies = 0;
        while (scope.copies < 1 || scope.copies > 30) {
            const auto answer = prompts().input(QString(), QStringLiteral("Wie viele Exemplare (max. 30)?"),
                                                QStringLiteral("1"));
            if (!answer)
                return std::nullopt;
            scope.copies = answer->trimmed().toInt(); // not a whole number: 0, asked again
        }
    } else if (range != 0) {
        scope.single = false;
        scope.from = range == 1 ? 1 : fromNr;
        scope.to = range == 1 ? 40 : toNr;
    }
    scope.oneJob = !scope.single && variant == 1;
    return scope;
}

// The documents of the students in scope, in folder: each filled from the
// template and bookmark list, or the student's attachment copied.  An abort
// request stops after the current student.
struct Preparation {
    QList<Prepared> prepared;
    bool aborted = false;
    bool ended = false; // the marked student has no attachment: nothing more happens
};

Preparation PrepareForms(const QString& type, const QString& templ, const RunScope& scope, int current,
                         const QString& folder, const std::function<void(const QString&)>& progress,
                         const WordFormsHooks& hooks)
{
    SharedState& s = state();
    DbfTable& t = ClassTable();
    const QString bmk = FindFileCI(s.programDir, QStringLiteral("doc/") + type + QStringLiteral(".bmk"));
    Preparation out;
    const int first = scope.single ? current : 0;
    const int last = scope.single ? current + 1 : t.recordCount();
    for (int r = first; r >= 0 && r < last && r < t.recordCount(); ++r) {
        const QString nrText = t.valueOrEmpty(r, kFieldNr).trimmed();
        const QString lastName = t.valueOrEmpty(r, kFieldLast).trimmed();
        const QString firstName = t.valueOrEmpty(r, kFieldFirst).trimmed();
        const int n = ParseLeadingInt(nrText);
        if (lastName.isEmpty() || firstName.isEmpty() || IsWeightRecordName(lastName) || n < scope.from
            || n > scope.to)
            continue;
        progress(QStringLiteral("Drucke Schüler Nr.") + nrText + QStringLiteral("  ") + firstName
                 + QStringLiteral("  ") + lastName + QStringLiteral("   (Bitte warten)"));
        const QString base = QDir(folder).filePath(QStringLiteral("nr%1").arg(n, 2, 10, QLatin1Char('0')));
        if (type == QLatin1String("anlage")) {
            // The attachment is printed as the user wrote it.
            const QString source = ExistingAttachment(s.classDir, lastName, firstName);
            if (source.isEmpty()) {
                showMessage(QDir::toNativeSeparators(AttachmentPath(s.classDir, lastName, firstName))
                            + QStringLiteral(" existiert nicht"));
                if (scope.single) {
                    out.ended = true;
                    return out;
                }
            } else {
                const QString copy = base + QLatin1Char('.') + QFileInfo(source).suffix().toLower();
                if (!QFile::copy(source, copy))
                    throw FileError::cannotOpen(source);
                out.prepared.append({copy, lastName, nrText});
            }
        } else {
            WordDocuments word;
            word.OpenDocument(templ);
            ApplyBookmarkList(word, bmk, s.schoolName, [&t, r](const QString& f) { return t.valueOrEmpty(r, f); });
            word.SaveDocumentAs(base + QStringLiteral(".docx"));
            word.CloseDocument();
            out.prepared.append({base + QStringLiteral(".docx"), lastName, nrText});
        }
        if (hooks.processEvents)
            hooks.processEvents();
        if (s.printAbortRequested) {
            out.aborted = true;
            break;
        }
    }
    return out;
}

// The documents converted to PDF in one run and printed, one job a student
// or one joined job; done grows by each student's last name as the printer
// takes the form.
void PrintForms(const QList<Prepared>& prepared, const QString& type, const RunScope& scope, const QString& folder,
                const std::function<void(const QString&)>& progress, const WordFormsHooks& hooks, QStringList& done)
{
    QStringList files;
    for (const Prepared& p : prepared)
        files << p.file;
    progress(QStringLiteral("Die Dokumente werden für den Druck umgewandelt   (Bitte warten)"));
    const Conversion c = ConvertDocuments(files, QStringLiteral("pdf"), folder);
    if (!c.error.isEmpty()) {
        showError(c.error);
        return;
    }
    QList<PdfJob> jobs;
    QList<int> jobStudent;
    QStringList failed;
    for (int i = 0; i < prepared.size(); ++i) {
        if (c.outputs[i].isEmpty()) {
            failed << prepared[i].nr + QStringLiteral("  ") + prepared[i].last;
            continue;
        }
        jobs.append({c.outputs[i], QStringLiteral("Nr. ") + prepared[i].nr + QLatin1Char(' ') + prepared[i].last,
                     scope.copies});
        jobStudent << i;
    }
    if (!failed.isEmpty())
        showError(QStringLiteral("Für diese Schüler ließ sich keine PDF-Datei erzeugen; sie wurden nicht gedruckt:")
                  + kBreak + failed.join(kBreak));
    PrintPdfJobs(jobs, scope.oneJob, QStringLiteral("Formulare ") + type, [&](int j) {
        const QString& name = prepared[jobStudent[j]].last;
        done << name;
        if (hooks.studentDone)
            hooks.studentDone(name);
        if (hooks.processEvents)
            hooks.processEvents();
    });
}

} // namespace

void WordFormsController::run()
{
    SharedState& s = state();
    DbfTable& t = ClassTable();
    if (!t.isOpen() || formType < 0 || formType >= kWordFormTypes.size())
        return;
    const QString type = kWordFormTypes[formType];
    const int current = s.currentStudentRecord;
    const int nr = current >= 0 && current < t.recordCount() ? ParseLeadingInt(t.valueOrEmpty(current, kFieldNr)) : 0;

    const std::optional<QString> templ = FormTemplate(type);
    if (!templ)
        return;
    const std::optional<RunScope> scope = ChooseScope(formType, range, fromNr, toNr, variant, nr);
    if (!scope)
        return;

    // A run over several students shows which one is done in the main
    // window, with its abort button; the marked student alone needs neither.
    std::optional<PrintLoopScope> loop;
    if (!scope->single)
        loop.emplace(false);
    const auto progress = [&loop](const QString& text) {
        if (loop)
            loop->progress(text);
    };

    QTemporaryDir tmp;
    if (!tmp.isValid())
        throw FileError(QStringLiteral("Der temporäre Ordner für den Druck kann nicht angelegt werden."));
    done_.clear();
    s.printAbortRequested = false;
    const Preparation forms = PrepareForms(type, *templ, *scope, current, tmp.path(), progress, hooks_);
    if (forms.ended)
        return;
    if (!scope->single) {
        s.printFromNr = 1;
        s.printToNr = forms.aborted ? 39 : 40;
    }
    s.printAbortRequested = false;
    if ((forms.aborted && scope->oneJob) || forms.prepared.isEmpty())
        return;
    // The abort button has done its work: what was prepared is printed.
    if (loop && printLoopHooks().abortButton)
        printLoopHooks().abortButton(false);
    PrintForms(forms.prepared, type, *scope, tmp.path(), progress, hooks_, done_);
}

} // namespace hsa
