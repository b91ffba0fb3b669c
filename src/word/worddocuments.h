#pragma once
#include "word/docxdocument.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The word processor as the program drives it: one document at a time, held
// in memory, opened from a file, filled at its bookmarks, saved and closed.
// Nothing here starts or attaches to an office program, so a document the
// user has open in one is never saved, closed or discarded by the program.
namespace hsa {

class WordDocuments {
public:
    // Makes the document at path the active one.  False when the file does
    // not exist; raises FileError when it is no readable Word document.
    bool OpenDocument(const QString& path);
    bool hasDocument() const { return doc_.has_value(); }
    DocxDocument& activeDocument() { return *doc_; }

    // Moves to the bookmark; a missing one shows "Textmarke " + name +
    // " fehlt" and returns false, and the next text goes nowhere.
    bool GotoBookmark(const QString& name);
    // Types text, after count line breaks, in place of the bookmark's content.
    void InsertText(const QString& text, int count = 0);
    void DeleteBookmarks();
    // Raises FileError.
    void SaveDocumentAs(const QString& path);
    void CloseDocument();
    // The file name of the active document (that of its last save).
    QString documentName() const { return name_; }
    // Closes the active document when its name is name; "*" closes nothing
    // and shows the name of each open document instead.
    void CloseDocument(const QString& name);

private:
    std::optional<DocxDocument> doc_;
    QString name_;
    QString bookmark_;
};

// One entry of a bookmark list (".bmk"): the text typed at a bookmark.
struct BookmarkFill {
    QString bookmark;
    QString text;
    bool operator==(const BookmarkFill&) const = default;
};

// The fills a bookmark list gives, one line at a time: "SN1" types the school
// name at "SN1", or, when it holds a "?", the part before the first "?" at
// "SN1" and the part after it at "SN2"; a line "F" + field types the field's
// text of the student's record at the bookmark named by the whole line; other
// lines are ignored.  A missing list gives none.  field returns the text of
// a class-table field (empty for an unknown one).
QList<BookmarkFill> ReadBookmarkList(const QString& listPath, const QString& schoolName,
                                     const std::function<QString(const QString& field)>& field);

// Applies the list to the active document; a missing bookmark is reported and
// filling goes on.
void ApplyBookmarkList(WordDocuments& word, const QString& listPath, const QString& schoolName,
                       const std::function<QString(const QString& field)>& field);

} // namespace hsa
