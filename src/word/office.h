#pragma once
#include <QString>
#include <QStringList>

// The office suite that turns Word documents into PDF files for printing, and
// old ".doc" templates into ".docx".  It runs headless, once per command for
// all documents, with a profile of its own in the user's cache folder, so the
// user's running office program and its settings are never touched.
namespace hsa {

inline const QString kMsgNoOffice = QStringLiteral(
    "LibreOffice ist auf diesem Rechner nicht installiert. Word-Dokumente können deshalb nicht "
    "gedruckt werden.\n\rBitte lassen Sie das Paket libreoffice-writer installieren.");

// "soffice" or "libreoffice" from the search path; empty when neither is there.
QString OfficeProgram();

struct Conversion {
    // Per input file, the non-empty result file, or an empty text.
    QStringList outputs;
    // Why the run failed as a whole (not started, time out); empty otherwise.
    QString error;
};

// Converts files into outDir ("pdf" or "docx") in one run of the office
// program, ended after timeoutMs.  The inputs must have distinct base names.
Conversion ConvertDocuments(const QStringList& files, const QString& format, const QString& outDir,
                            int timeoutMs = 180000);

} // namespace hsa
