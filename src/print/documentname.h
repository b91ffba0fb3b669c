#pragma once
#include <QString>

// The name a PDF file of the running print command is proposed under: the
// document and the class, e.g. "Klassenübersicht Endnoten 10a.pdf" in the
// documents folder.  A print command names its document for its lifetime;
// a name given inside it stands while it lasts.
namespace hsa {

class PrintDocumentName {
public:
    explicit PrintDocumentName(const QString& name);
    ~PrintDocumentName();
    PrintDocumentName(const PrintDocumentName&) = delete;
    PrintDocumentName& operator=(const PrintDocumentName&) = delete;

private:
    QString outer_;
};

// The name in force; empty outside every print command that named one.
QString CurrentPrintDocumentName();

// "<document> <class>.pdf", the class as the class table names it
// ("xa_21222.dbf": "10a").  Without a document "Druck" stands for it, without
// a class file the class is left out; characters a file name cannot hold
// become blanks.
QString ProposedPdfFileName(const QString& document, const QString& classFile);

} // namespace hsa
