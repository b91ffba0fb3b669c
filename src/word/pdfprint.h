#pragma once
#include <QList>
#include <QString>
#include <functional>

// Sends finished PDF files to the printer chosen in the program: a queue of
// the print service by one "lp" call per job, or "PDF-Datei", a file asked
// once per command that takes every job of the command, one copy each.
namespace hsa {

struct PdfJob {
    QString pdf;
    QString title;   // the job's name in the queue
    int copies = 1;
};

// Prints the jobs one by one, or (oneJob) joined into one job titled title.
// Every failure is shown; the result lists the indexes of the jobs that
// reached the printer or the file (a joined job: all of its parts or none).
// printed is called with each index as soon as its job is taken.
QList<int> PrintPdfJobs(const QList<PdfJob>& jobs, bool oneJob, const QString& title,
                        const std::function<void(int index)>& printed = {});

// Joins PDF files into one (poppler's pdfunite); the failure text, or empty.
QString JoinPdfs(const QStringList& pdfs, const QString& target);

} // namespace hsa
