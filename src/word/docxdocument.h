#pragma once
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

// A Word document (.docx) held in memory.  The container is a ZIP archive of
// XML parts; the main part, its headers and footers are parsed, every other
// part is never touched.  Bookmarks are the named ranges of those parts
// (w:bookmarkStart / w:bookmarkEnd with the same w:id); their names are
// compared ignoring case, as the word processors do.
//
// Saving writes only the parts that changed into a copy of the original
// container: every other entry keeps its bytes, compressed data included.
// The file is written under a temporary name and renamed over the target, so a
// failed save leaves the old document and no stray file behind.
//
// A template from outside is held within limits: the container itself, each
// XML part read (decompressed), all of them together and their number; every
// part is read and parsed once however often the relations name it.  A
// document beyond them is refused as too large.
//
// Every failure raises FileError with a German message for the user.
namespace pugi {
class xml_document;
}

namespace hsa {

inline constexpr long long kMaxDocxFileBytes = 64LL * 1024 * 1024;
inline constexpr unsigned long long kMaxDocxPartBytes = 8ULL * 1024 * 1024;
inline constexpr unsigned long long kMaxDocxXmlBytes = 32ULL * 1024 * 1024;
inline constexpr int kMaxDocxParts = 256;

class DocxDocument {
public:
    DocxDocument();
    ~DocxDocument();
    DocxDocument(DocxDocument&&) noexcept;
    DocxDocument& operator=(DocxDocument&&) noexcept;

    // Reads the document at path.  Raises FileError when it cannot be read
    // or is no Word document.
    static DocxDocument load(const QString& path);

    // The file the document was read from.
    QString path() const { return path_; }
    // Names of all bookmarks, body first, then headers and footers.
    QStringList bookmarkNames() const;
    bool hasBookmark(const QString& name) const;
    // Replaces the bookmark's content inside its paragraph by text, typed
    // literally in one run formatted like the run where the bookmark starts.
    // Tabs and line breaks become the document's own; characters XML cannot
    // hold are dropped.  False when there is no such bookmark.
    bool fillBookmark(const QString& name, const QString& text);
    // Removes every bookmark (their content stays).
    void deleteBookmarks();
    // The plain text of the main part, paragraphs on lines of their own.
    QString bodyText() const;

    // Writes the document to path.  Raises FileError.
    void save(const QString& path) const;

private:
    struct Part;
    struct Bookmark;
    Bookmark findBookmark(const QString& name) const;

    QString path_;
    std::vector<unsigned char> container_;
    std::vector<std::unique_ptr<Part>> parts_;
};

// The text a word processor shows for text: characters XML 1.0 cannot hold
// dropped, line ends (CR LF, LF CR, CR, LF) made one line feed.
QString CleanDocumentText(const QString& text);

} // namespace hsa
