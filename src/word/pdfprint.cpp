#include "word/pdfprint.h"

#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "print/documentname.h"
#include "print/printer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");

// Runs a tool to its end; the failure text, or empty.
QString runTool(const QString& tool, const QString& package, const QStringList& args)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return QStringLiteral("Das Programm %1 ist nicht installiert (Paket %2).").arg(tool, package);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return QStringLiteral("Das Programm %1 hat nicht geantwortet.").arg(tool);
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString::fromLocal8Bit(p.readAll()).trimmed();
    return {};
}

} // namespace

QString JoinPdfs(const QStringList& pdfs, const QString& target)
{
    if (pdfs.size() == 1) {
        QFile::remove(target);
        return QFile::copy(pdfs.front(), target)
                   ? QString()
                   : QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(target));
    }
    QString error = runTool(QStringLiteral("pdfunite"), QStringLiteral("poppler-utils"), QStringList(pdfs) << target);
    if (error.isEmpty() && QFileInfo(target).size() <= 0)
        error = QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(target));
    return error;
}

QList<int> PrintPdfJobs(const QList<PdfJob>& jobs, bool oneJob, const QString& title,
                        const std::function<void(int index)>& printed)
{
    const auto taken = [&printed](const QList<int>& indexes) {
        if (printed)
            for (int i : indexes)
                printed(i);
        return indexes;
    };
    QList<int> all;
    for (int i = 0; i < jobs.size(); ++i)
        all << i;
    if (jobs.isEmpty())
        return all;
    QString queue;
    bool toFile = false;
    try {
        PrintDevice& dev = printer().device();
        toFile = dev.isPdf() || dev.name() == PdfPrinterName();
        queue = dev.name();
    } catch (const PrinterError& e) {
        showError(e.message());
        return {};
    }

    QStringList pdfs;
    for (const PdfJob& j : jobs)
        pdfs << j.pdf;
    if (toFile) {
        // Proposed in the documents folder under the document's and the class's
        // name, as every print to a PDF file is.
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        const QString document = CurrentPrintDocumentName().isEmpty() ? title : CurrentPrintDocumentName();
        const auto chosen = prompts().saveFileName(
            QStringLiteral("Druck als PDF-Datei speichern"),
            QDir(folder).filePath(ProposedPdfFileName(document, state().openClassFile)),
            QStringLiteral("PDF-Dateien (*.pdf)"));
        if (!chosen || chosen->isEmpty())
            return {};
        QString path = *chosen;
        if (QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) != 0)
            path += QStringLiteral(".pdf");
        const QString error = JoinPdfs(pdfs, path);
        if (!error.isEmpty()) {
            showError(QStringLiteral("Die PDF-Datei konnte nicht geschrieben werden.") + kBreak + error);
            return {};
        }
        return taken(all);
    }

    auto send = [&](const QString& pdf, const QString& jobTitle, int copies) {
        const QString error = runTool(QStringLiteral("lp"), QStringLiteral("cups-client"),
                                      {QStringLiteral("-d"), queue, QStringLiteral("-n"), QString::number(copies),
                                       QStringLiteral("-t"), jobTitle, pdf});
        if (!error.isEmpty())
            showError(QStringLiteral("Der Druckauftrag \"%1\" wurde vom Drucker %2 nicht angenommen.")
                          .arg(jobTitle, queue)
                      + kBreak + error);
        return error.isEmpty();
    };
    if (oneJob) {
        QTemporaryDir tmp;
        const QString joined = QDir(tmp.path()).filePath(QStringLiteral("gesamt.pdf"));
        const QString error = JoinPdfs(pdfs, joined);
        if (!error.isEmpty()) {
            showError(QStringLiteral("Die Dokumente konnten nicht zu einem Druckauftrag zusammengefügt werden.")
                      + kBreak + error);
            return {};
        }
        return send(joined, title, 1) ? taken(all) : QList<int>();
    }
    QList<int> sent;
    for (int i = 0; i < jobs.size(); ++i)
        if (send(jobs[i].pdf, jobs[i].title, jobs[i].copies))
            sent << taken({i});
    return sent;
}

} // namespace hsa
