#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// Certificate attachments ("Zeugnisanlagen"): one Word document per student
// in the class folder, "NACHNAME_VORNAME.docx", made from the template of the
// class level in the folder "doc" of the program folder ("anlage_f.docx" for
// F classes, "anlage.docx" for class 9, "anlage10.docx" otherwise), filled
// from "doc/anlage.bmk" and then written by the user in the desktop's word
// processor at the bookmark "Verbal".  An old "NACHNAME_VORNAME.doc" is that
// student's attachment until it is recreated.
//
// A document counts as open while its word processor's lock file lies beside
// it: ".~lock." + name + "#", or "~$" + name (or name less its first one or two
// characters).  A lock that names this computer while no office program of
// this user runs was left by a crash and does not count.
namespace hsa {

inline const QString kMsgNoWordHandler =
    QStringLiteral("Für Word-Dokumente ist auf diesem Rechner kein Programm eingerichtet.");
inline const QString kMsgWordDocumentsOpen =
    QStringLiteral("Es sind noch Word-Dokumente geöffnet.\n\rBitte speichern, falls gewünscht und schließen");

// What the user is told when the word processor did not take the document
// at path: the file, then kMsgNoWordHandler.
QString DocumentNotOpenedMessage(const QString& path);

// The student's part of the file name, NACHNAME + "_" + VORNAME, each name
// made safe: "/", "\", control characters and <>:"|?* become "_"; an empty,
// "." or ".." name becomes "_".
QString SafeAttachmentName(const QString& last, const QString& first);
// The attachment to create: classFolder + SafeAttachmentName + ".docx".
QString AttachmentPath(const QString& classFolder, const QString& last, const QString& first);
// The existing attachment: the ".docx", else an old ".doc" (names found
// ignoring case); empty when there is none.
QString ExistingAttachment(const QString& classFolder, const QString& last, const QString& first);

// Names of the documents in folder that a word processor holds open.
QStringList OpenDocumentsIn(const QString& folder);

// A Word template of the folder "doc": name + ".docx", or a ".doc" of that
// name converted once to ".docx" beside it when LibreOffice is installed.
// Empty when there is none.
QString FindWordTemplate(const QString& name);

// The attachment template of the class file ("anlage_f", "anlage", "anlage10").
QString AttachmentTemplateName(const QString& classFile);

// For the student at record of the open class: creates (or overwrites) the
// attachment.  False, after the message, when the birth date is missing, the
// template is missing, the attachment is open or the file cannot be written.
// announce, when given, is called with the attachment's path once those
// checks passed, before the file is written.
bool CreateCertificateAttachment(int record, const std::function<void(const QString&)>& announce = {});
// Grade window "Word - Zeugnisanlage öffnen": opens the attachment in the
// desktop's word processor at "Verbal" (at its start where the word
// processor cannot be told a bookmark), creating it first when there is none.
void OpenCertificateAttachment(int record);
// Grade window "Zeugnisanlagedatei neu erstellen": after asking, replaces the
// attachment by a freshly filled template and opens it.
void RecreateCertificateAttachment(int record);
// Menu "ALLE SCHÜLER ...": opens (or creates) every student's attachment at
// "Verbal";
// progress shows the student being done.
void OpenAllCertificateAttachments(const std::function<void(const QString&)>& progress = {});

// Closing the class: true (refuse) while documents of the class folder are
// open, after naming them.
bool CheckNoWordDocumentsOpen();
// Opening the forms window: the same check; true when it must not open.
bool SaveOpenAttachments();

} // namespace hsa
