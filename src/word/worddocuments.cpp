#include "word/worddocuments.h"

#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"

#include <QFileInfo>

namespace hsa {

bool WordDocuments::OpenDocument(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    doc_ = DocxDocument::load(path);
    name_ = QFileInfo(path).fileName();
    bookmark_.clear();
    return true;
}

bool WordDocuments::GotoBookmark(const QString& name)
{
    bookmark_.clear();
    if (!doc_ || !doc_->hasBookmark(name)) {
        showMessage(QStringLiteral("Textmarke ") + name + QStringLiteral(" fehlt"));
        return false;
    }
    bookmark_ = name;
    return true;
}

void WordDocuments::InsertText(const QString& text, int count)
{
    if (!doc_ || bookmark_.isEmpty())
        return;
    doc_->fillBookmark(bookmark_, QString(qMax(count, 0), QLatin1Char('\n')) + text);
}

void WordDocuments::DeleteBookmarks()
{
    if (doc_)
        doc_->deleteBookmarks();
    bookmark_.clear();
}

void WordDocuments::SaveDocumentAs(const QString& path)
{
    if (!doc_)
        return;
    doc_->save(path);
    name_ = QFileInfo(path).fileName();
}

void WordDocuments::CloseDocument()
{
    doc_.reset();
    name_.clear();
    bookmark_.clear();
}

void WordDocuments::CloseDocument(const QString& name)
{
    if (!doc_)
        return;
    if (name == QLatin1String("*")) {
        showMessage(name_);
        return;
    }
    if (name == name_)
        CloseDocument();
}

QList<BookmarkFill> ReadBookmarkList(const QString& listPath, const QString& schoolName,
                                     const std::function<QString(const QString& field)>& field)
{
    QList<BookmarkFill> fills;
    if (!QFileInfo(listPath).isFile())
        return fills;
    for (QString line : ReadTextLines(listPath)) {
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        if (line == QLatin1String("SN1")) {
            const int q = schoolName.indexOf(QLatin1Char('?'));
            if (q >= 0) {
                fills.append({QStringLiteral("SN1"), schoolName.left(q)});
                fills.append({QStringLiteral("SN2"), schoolName.mid(q + 1)});
            } else {
                fills.append({QStringLiteral("SN1"), schoolName});
            }
        } else if (line.startsWith(QLatin1Char('F')) && line.size() > 1) {
            fills.append({line, field(line.mid(1))});
        }
    }
    return fills;
}

void ApplyBookmarkList(WordDocuments& word, const QString& listPath, const QString& schoolName,
                       const std::function<QString(const QString& field)>& field)
{
    for (const BookmarkFill& f : ReadBookmarkList(listPath, schoolName, field))
        if (word.GotoBookmark(f.bookmark))
            word.InsertText(f.text);
}

} // namespace hsa
