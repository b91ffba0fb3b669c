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

void WordFormsController::run()
{
    SharedState& s = state();
    DbfTable& t = ClassTable();
    if (!t.isOpen() || formType < 0 || formType >= kWordFormTypes.size())
        return;
    const QString type = kWordFormTypes[formType];
    const int current = s.currentStudentRecord;
    const int nr = current >= 0 && current < t.recordCount() ? ParseLeadingInt(t.valueOrEmpty(current, kFieldNr)) : 0;

    // Without the office suite or the template nothing can be printed: said
    // once, before the user is asked anything.
    if (OfficeProgram().isEmpty()) {
        showError(kMsgNoOffice);
        return;
    }
    QString templ;
    if (type != QLatin1String("anlage")) {
        templ = FindWordTemplate(type);
        if (templ.isEmpty()) {
            showError(QDir::toNativeSeparators(QDir(s.programDir).filePath(QStringLiteral("doc/") + type
                                                                          + QStringLiteral(".docx")))
                      + QStringLiteral(" nicht gefunden"));
            return;
        }
    }
    int copies = 1;
    int from = nr, to = nr;
    bool single = true;
    if (formType == 0) {
        copies = 0;
        while (copies < 1 || copies > 30) {
            const auto answer = prompts().input(QString(), QStringLiteral("Wie viele Exemplare (max. 30)?"),
                                                QStringLiteral("1"));
            if (!answer)
                return;
            copies = answer->trimmed().toInt(); // not a whole number: 0, asked again
        }
    } else if (range != 0) {
        single = false;
        from = range == 1 ? 1 : fromNr;
        to = range == 1 ? 40 : toNr;
    }
    const bool oneJob = !single && variant == 1;

    const QString bmk = FindFileCI(s.programDir, QStringLiteral("doc/") + type + QStringLiteral(".bmk"));

    // A run over several students shows which one is done in the main
    // window, with its abort button; the marked student alone needs neither.
    std::optional<PrintLoopScope> loop;
    if (!single)
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
    bool aborted = false;
    QList<Prepared> prepared;
    const int first = single ? current : 0;
    const int last = single ? current + 1 : t.recordCount();
    for (int r = first; r >= 0 && r < last && r < t.recordCount(); ++r) {
        const QString nrText = t.valueOrEmpty(r, kFieldNr).trimmed();
        const QString lastName = t.valueOrEmpty(r, kFieldLast).trimmed();
        const QString firstName = t.valueOrEmpty(r, kFieldFirst).trimmed();
        const int n = ParseLeadingInt(nrText);
        if (lastName.isEmpty() || firstName.isEmpty() || IsWeightRecordName(lastName) || n < from || n > to)
            continue;
        progress(QStringLiteral("Drucke Schüler Nr.") + nrText + QStringLiteral("  ") + firstName
                 + QStringLiteral("  ") + lastName + QStringLiteral("   (Bitte warten)"));
        const QString base = QDir(tmp.path()).filePath(QStringLiteral("nr%1").arg(n, 2, 10, QLatin1Char('0')));
        if (type == QLatin1String("anlage")) {
            // The attachment is printed as the user wrote it.
            const QString source = ExistingAttachment(s.classDir, lastName, firstName);
            if (source.isEmpty()) {
                showMessage(QDir::toNativeSeparators(AttachmentPath(s.classDir, lastName, firstName))
                            + QStringLiteral(" existiert nicht"));
                if (single)
                    return;
            } else {
                const QString copy = base + QLatin1Char('.') + QFileInfo(source).suffix().toLower();
                if (!QFile::copy(source, copy))
                    throw FileError(QStringLiteral("Datei %1 kann nicht geöffnet werden")
                                        .arg(QDir::toNativeSeparators(source)));
                prepared.append({copy, lastName, nrText});
            }
        } else {
            WordDocuments word;
            word.OpenDocument(templ);
            ApplyBookmarkList(word, bmk, s.schoolName, [&t, r](const QString& f) { return t.valueOrEmpty(r, f); });
            word.SaveDocumentAs(base + QStringLiteral(".docx"));
            word.CloseDocument();
            prepared.append({base + QStringLiteral(".docx"), lastName, nrText});
        }
        if (hooks_.processEvents)
            hooks_.processEvents();
        if (s.printAbortRequested) {
            aborted = true;
            break;
        }
    }
    if (!single) {
        s.printFromNr = 1;
        s.printToNr = aborted ? 39 : 40;
    }
    s.printAbortRequested = false;
    if ((aborted && oneJob) || prepared.isEmpty())
        return;
    // The abort button has done its work: what was prepared is printed.
    if (loop && printLoopHooks().abortButton)
        printLoopHooks().abortButton(false);

    QStringList files;
    for (const Prepared& p : prepared)
        files << p.file;
    progress(QStringLiteral("Die Dokumente werden für den Druck umgewandelt   (Bitte warten)"));
    const Conversion c = ConvertDocuments(files, QStringLiteral("pdf"), tmp.path());
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
                     copies});
        jobStudent << i;
    }
    if (!failed.isEmpty())
        showError(QStringLiteral("Für diese Schüler ließ sich keine PDF-Datei erzeugen; sie wurden nicht gedruckt:")
                  + kBreak + failed.join(kBreak));
    PrintPdfJobs(jobs, oneJob, QStringLiteral("Formulare ") + type, [this, &prepared, &jobStudent](int j) {
        const QString& name = prepared[jobStudent[j]].last;
        done_ << name;
        if (hooks_.studentDone)
            hooks_.studentDone(name);
        if (hooks_.processEvents)
            hooks_.processEvents();
    });
}

} // namespace hsa
