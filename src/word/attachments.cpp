#include "word/attachments.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "platform/shell.h"
#include "word/office.h"
#include "word/worddocuments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");

QString field(int record, const QString& name)
{
    return ClassTable().valueOrEmpty(record, name).trimmed();
}

bool officeRunning()
{
    for (const char* exe : {"soffice.bin", "soffice", "oosplash"})
        if (shell().isProcessRunning(QString::fromLatin1(exe)))
            return true;
    return false;
}

// A lock the office suite left behind when it ended without closing.
bool staleLock(const QString& lockPath)
{
    QFile f(lockPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString host = QSysInfo::machineHostName();
    const QStringList fields = QString::fromUtf8(f.readAll()).split(QLatin1Char(','));
    for (const QString& part : fields)
        if (!host.isEmpty() && part.trimmed().compare(host, Qt::CaseInsensitive) == 0)
            return !officeRunning();
    return false;
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The user writes the attachment's text at "Verbal"; a word processor that
// cannot be sent there opens the document at its start.
const QString kVerbal = QStringLiteral("Verbal");

bool openInWordProcessor(const QString& path)
{
    if (shell().openFileAt(path, kVerbal))
        return true;
    showError(DocumentNotOpenedMessage(path));
    return false;
}

} // namespace

QString DocumentNotOpenedMessage(const QString& path)
{
    return QStringLiteral("Die Datei %1 konnte nicht geöffnet werden.").arg(nativePath(path)) + kBreak
           + kMsgNoWordHandler;
}

QString SafeAttachmentName(const QString& last, const QString& first)
{
    auto safe = [](QString part) {
        for (QChar& c : part)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\<>:\"|?*").contains(c))
                c = QLatin1Char('_');
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            part = QStringLiteral("_");
        return part;
    };
    return safe(last) + QLatin1Char('_') + safe(first);
}

QString AttachmentPath(const QString& classFolder, const QString& last, const QString& first)
{
    return QDir(classFolder).filePath(SafeAttachmentName(last, first) + QStringLiteral(".docx"));
}

QString ExistingAttachment(const QString& classFolder, const QString& last, const QString& first)
{
    const QString base = SafeAttachmentName(last, first);
    for (const char* ext : {".docx", ".doc"}) {
        const QString path = FindFileCI(classFolder, base + QString::fromLatin1(ext));
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QStringList OpenDocumentsIn(const QString& folder)
{
    QStringList open;
    const QDir dir(folder);
    const QStringList documents =
        dir.entryList({QStringLiteral("*.doc"), QStringLiteral("*.docx")}, QDir::Files | QDir::Hidden);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden)) {
        QString doc;
        if (entry.startsWith(QLatin1String(".~lock.")) && entry.endsWith(QLatin1Char('#'))) {
            if (staleLock(dir.filePath(entry)))
                continue;
            doc = entry.mid(7, entry.size() - 8);
        } else if (entry.startsWith(QLatin1String("~$"))) {
            // Word cuts long names at the front when it names its lock file.
            const QString rest = entry.mid(2);
            doc = rest;
            for (const QString& d : documents)
                if (!d.startsWith(QLatin1String("~$")) && d.endsWith(rest, Qt::CaseInsensitive)
                    && d.size() - rest.size() <= 2)
                    doc = d;
        } else {
            continue;
        }
        if (!doc.isEmpty() && !open.contains(doc, Qt::CaseInsensitive))
            open << doc;
    }
    open.sort(Qt::CaseInsensitive);
    return open;
}

QString FindWordTemplate(const QString& name)
{
    const QString dir = state().programDir;
    const QString docx = FindFileCI(dir, QStringLiteral("doc/") + name + QStringLiteral(".docx"));
    if (QFileInfo(docx).isFile())
        return docx;
    const QString doc = FindFileCI(dir, QStringLiteral("doc/") + name + QStringLiteral(".doc"));
    if (!QFileInfo(doc).isFile() || OfficeProgram().isEmpty())
        return {};
    QTemporaryDir tmp;
    const Conversion c = ConvertDocuments({doc}, QStringLiteral("docx"), tmp.path());
    if (c.outputs.front().isEmpty())
        return {};
    try {
        WriteFileAtomic(docx, ReadFileBytes(c.outputs.front()));
    } catch (const FileError& e) {
        showError(e.message());
        return {};
    }
    return docx;
}

QString AttachmentTemplateName(const QString& classFile)
{
    const QChar c = classFile.isEmpty() ? QChar() : classFile.front();
    if (c == QLatin1Char('F') || c == QLatin1Char('f'))
        return QStringLiteral("anlage_f");
    if (c == QLatin1Char('9'))
        return QStringLiteral("anlage");
    return QStringLiteral("anlage10");
}

bool CreateCertificateAttachment(int record, const std::function<void(const QString&)>& announce)
{
    const SharedState& s = state();
    const QString last = field(record, kFieldLast);
    const QString first = field(record, kFieldFirst);
    if (last.isEmpty() || IsWeightRecordName(last))
        return false;
    if (field(record, kFieldBirthDate).isEmpty()) {
        showMessage(last + QLatin1Char(' ') + first
                    + QStringLiteral(": Erst Geburtsdatum eintragen (Bei Einzelzeugnis/Zeugnis)!") + kBreak
                    + QStringLiteral("Datei nicht erzeugt"));
        return false;
    }
    const QString templateName = AttachmentTemplateName(s.openClassFile);
    const QString templ = FindWordTemplate(templateName);
    if (templ.isEmpty()) {
        showError(nativePath(QDir(s.programDir).filePath(QStringLiteral("doc/") + templateName + QStringLiteral(".docx")))
                  + QStringLiteral(" nicht gefunden"));
        return false;
    }
    const QString path = AttachmentPath(s.classDir, last, first);
    const QString old = ExistingAttachment(s.classDir, last, first);
    const QStringList open = OpenDocumentsIn(s.classDir);
    for (const QString& name : {QFileInfo(path).fileName(), QFileInfo(old).fileName()}) {
        if (!name.isEmpty() && open.contains(name, Qt::CaseInsensitive)) {
            showWarning(kMsgWordDocumentsOpen + kBreak + kBreak + name);
            return false;
        }
    }
    // Only an attachment that can be made is announced: the user is never
    // told "wird erzeugt" and then that nothing was made.
    if (announce)
        announce(path);
    try {
        WordDocuments word;
        word.OpenDocument(templ);
        ApplyBookmarkList(word, FindFileCI(s.programDir, QStringLiteral("doc/anlage.bmk")), s.schoolName,
                          [record](const QString& f) { return ClassTable().valueOrEmpty(record, f); });
        word.SaveDocumentAs(path);
    } catch (const FileError& e) {
        showError(e.message() + kBreak + QStringLiteral("Datei nicht erzeugt"));
        return false;
    }
    // The new document takes the place of an old ".doc" of the student.
    if (!old.isEmpty() && QFileInfo(old).fileName().compare(QFileInfo(path).fileName(), Qt::CaseInsensitive) != 0)
        QFile::remove(old);
    return true;
}

void OpenCertificateAttachment(int record)
{
    const SharedState& s = state();
    const QString last = field(record, kFieldLast);
    const QString first = field(record, kFieldFirst);
    QString path = ExistingAttachment(s.classDir, last, first);
    if (path.isEmpty()) {
        showMessage(nativePath(AttachmentPath(s.classDir, last, first)) + QStringLiteral(" existiert nicht"));
        if (!CreateCertificateAttachment(record))
            return;
        path = AttachmentPath(s.classDir, last, first);
    }
    openInWordProcessor(path);
}

void RecreateCertificateAttachment(int record)
{
    const SharedState& s = state();
    const QString last = field(record, kFieldLast);
    const QString first = field(record, kFieldFirst);
    if (!ExistingAttachment(s.classDir, last, first).isEmpty()
        && !askYesNoDefaultNo(QStringLiteral("Zeugnisanlage existiert schon.") + kBreak
                     + QStringLiteral("Soll sie gelöscht und durch eine leere Vorlage ersetzt werden?")))
        return;
    const QString path = AttachmentPath(s.classDir, last, first);
    const auto announce = [](const QString& made) { showMessage(nativePath(made) + QStringLiteral(" wird erzeugt")); };
    if (CreateCertificateAttachment(record, announce))
        openInWordProcessor(path);
}

void OpenAllCertificateAttachments(const std::function<void(const QString&)>& progress)
{
    const SharedState& s = state();
    DbfTable& t = ClassTable();
    if (!t.isOpen())
        return;
    bool handlerMissing = false;
    for (int r = 0; r < t.recordCount(); ++r) {
        const QString last = field(r, kFieldLast);
        const QString first = field(r, kFieldFirst);
        if (last.isEmpty() || IsWeightRecordName(last))
            continue;
        if (progress)
            progress(QStringLiteral("Zeugnisanlage für  Schüler Nr.") + field(r, kFieldNr)
                     + QStringLiteral("  ") + first + QStringLiteral("  ") + last
                     + QStringLiteral("   (Bitte warten)"));
        QString path = ExistingAttachment(s.classDir, last, first);
        if (path.isEmpty()) {
            if (!CreateCertificateAttachment(r))
                continue;
            path = AttachmentPath(s.classDir, last, first);
        }
        // Without a word processor the rest are still created, the
        // message comes once, naming the first that did not open.
        if (!handlerMissing && !shell().openFileAt(path, kVerbal)) {
            handlerMissing = true;
            showError(DocumentNotOpenedMessage(path));
        }
    }
    if (progress)
        progress(QString());
}

bool CheckNoWordDocumentsOpen()
{
    const QString folder = state().classDir;
    if (folder.isEmpty())
        return false;
    const QStringList open = OpenDocumentsIn(folder);
    if (open.isEmpty())
        return false;
    showWarning(kMsgWordDocumentsOpen + kBreak + kBreak + open.join(kBreak));
    return true;
}

bool SaveOpenAttachments()
{
    return CheckNoWordDocumentsOpen();
}

} // namespace hsa
