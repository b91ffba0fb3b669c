#include "word/docxdocument.h"

#include "classes/textfile.h"
#include "platform/errors.h"
#include "zip/archiver.h"
#include "zip/zipstream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <pugixml.hpp>
#include <set>
#include <sstream>

namespace hsa {

namespace {

const char* const kWordNamespace = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

QString notReadable(const QString& path)
{
    return QStringLiteral("Die Datei %1 ist kein lesbares Word-Dokument (.docx).")
        .arg(QDir::toNativeSeparators(path));
}

QString tooLarge(const QString& path)
{
    return QStringLiteral("Die Datei %1 ist zu groß oder zu verschachtelt für ein Word-Dokument dieses Programms "
                          "und wird nicht benutzt.")
        .arg(QDir::toNativeSeparators(path));
}

// Takes the XML parts out of the container, each at most once and each and
// all together within the limits: a small container can name one part
// thousands of times or hold a part that inflates beyond any template.
class PartReader {
public:
    PartReader(zip::ZipArchiver& zip, const QString& path) : zip_(zip), path_(path) {}

    std::vector<unsigned char> extract(const std::string& name)
    {
        const int index = zip_.FindEntry(name);
        if (index < 0)
            return {};
        const uint64_t size = zip_.Entry(index).uncompSize;
        if (size > kMaxDocxPartBytes || total_ + size > kMaxDocxXmlBytes || ++count_ > kMaxDocxParts)
            throw FileError(tooLarge(path_));
        total_ += size;
        zip::MemoryStream out;
        // Inflating stops at the declared size: a part that claims less than
        // it holds is damaged, never larger than its claim.
        zip_.ExtractToStream(index, out);
        return out.Data();
    }

private:
    zip::ZipArchiver& zip_;
    QString path_;
    uint64_t total_ = 0;
    int count_ = 0;
};

// Folder part of an entry name ("word/document.xml" -> "word/").
std::string folderOf(const std::string& name)
{
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string resolveTarget(const std::string& folder, const std::string& target)
{
    if (!target.empty() && target[0] == '/')
        return target.substr(1);
    std::string path = folder + target;
    // "../" steps, as relationship targets may use them.
    std::vector<std::string> segments;
    std::stringstream ss(path);
    for (std::string seg; std::getline(ss, seg, '/');) {
        if (seg == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
    }
    std::string out;
    for (const auto& s : segments)
        out += (out.empty() ? "" : "/") + s;
    return out;
}

bool endsWith(const std::string& s, const char* tail)
{
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

// Markers that delimit ranges (bookmarks, comments, permissions) and carry no
// text: they stay when a bookmark's content is replaced.
bool isRangeMarker(const pugi::xml_node& n, const std::string& prefix)
{
    const std::string name = n.name();
    if (name.rfind(prefix, 0) != 0)
        return false;
    return endsWith(name, "Start") || endsWith(name, "End");
}

pugi::xml_node nextInDocumentOrder(pugi::xml_node n)
{
    if (n.first_child())
        return n.first_child();
    while (n) {
        if (n.next_sibling())
            return n.next_sibling();
        n = n.parent();
    }
    return {};
}

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata;
constexpr unsigned kSaveFlags = pugi::format_raw | pugi::format_no_declaration;

} // namespace

struct DocxDocument::Part {
    std::string name;
    pugi::xml_document xml;
    std::string prefix = "w:";
    bool changed = false;

    std::string tag(const char* local) const { return prefix + local; }
};

struct DocxDocument::Bookmark {
    Part* part = nullptr;
    pugi::xml_node start;
};

DocxDocument::DocxDocument() = default;
DocxDocument::~DocxDocument() = default;
DocxDocument::DocxDocument(DocxDocument&&) noexcept = default;
DocxDocument& DocxDocument::operator=(DocxDocument&&) noexcept = default;

QString CleanDocumentText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        if (u == '\r' || u == '\n') {
            // A pair of line-end characters is one line end.
            const QChar other = u == '\r' ? QLatin1Char('\n') : QLatin1Char('\r');
            if (i + 1 < text.size() && text.at(i + 1) == other)
                ++i;
            out += QLatin1Char('\n');
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (u == '\t' || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD)) {
            out += c;
        }
    }
    return out;
}

DocxDocument DocxDocument::load(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(path)));
    if (f.size() > kMaxDocxFileBytes)
        throw FileError(tooLarge(path));
    const QByteArray bytes = f.readAll();
    DocxDocument doc;
    doc.path_ = path;
    doc.container_.assign(bytes.begin(), bytes.end());
    try {
        zip::MemoryStream mem(doc.container_);
        zip::ZipArchiver zip;
        zip.OpenArchive(&mem, true);
        PartReader reader(zip, path);
        auto parseXml = [&](const std::string& name, pugi::xml_document& xml) {
            const std::vector<unsigned char> data = reader.extract(name);
            return !data.empty() && xml.load_buffer(data.data(), data.size(), kParseFlags, pugi::encoding_utf8);
        };
        std::string main = "word/document.xml";
        pugi::xml_document rels;
        if (parseXml("_rels/.rels", rels)) {
            for (pugi::xml_node r : rels.document_element().children()) {
                if (endsWith(r.attribute("Type").value(), "/officeDocument"))
                    main = resolveTarget(std::string(), r.attribute("Target").value());
            }
        }
        std::vector<std::string> names{main};
        // Every part once, however often the relations name it (entry
        // names are found ignoring case).
        std::set<QString> named{QString::fromStdString(main).toLower()};
        const std::string folder = folderOf(main);
        pugi::xml_document mainRels;
        if (parseXml(folder + "_rels/" + main.substr(folder.size()) + ".rels", mainRels)) {
            for (pugi::xml_node r : mainRels.document_element().children()) {
                const std::string type = r.attribute("Type").value();
                if (!endsWith(type, "/header") && !endsWith(type, "/footer"))
                    continue;
                if (std::string(r.attribute("TargetMode").value()) == "External")
                    continue;
                const std::string target = resolveTarget(folder, r.attribute("Target").value());
                if (named.insert(QString::fromStdString(target).toLower()).second)
                    names.push_back(target);
            }
        }
        for (const std::string& name : names) {
            auto part = std::make_unique<Part>();
            part->name = name;
            if (!parseXml(name, part->xml)) {
                if (name == main)
                    throw FileError(notReadable(path));
                continue; // a header the document names but lacks is left alone
            }
            for (pugi::xml_attribute a : part->xml.document_element().attributes()) {
                const std::string an = a.name();
                if (std::string(a.value()) == kWordNamespace && an.rfind("xmlns", 0) == 0)
                    part->prefix = an.size() > 6 ? an.substr(6) + ":" : std::string();
            }
            doc.parts_.push_back(std::move(part));
        }
        zip.CloseArchive();
    } catch (const zip::EZAException&) {
        throw FileError(notReadable(path));
    }
    return doc;
}

DocxDocument::Bookmark DocxDocument::findBookmark(const QString& name) const
{
    for (const auto& part : parts_) {
        const std::string tag = part->tag("bookmarkStart");
        const std::string nameAttr = part->tag("name");
        for (pugi::xml_node n = part->xml.document_element(); n; n = nextInDocumentOrder(n)) {
            if (tag == n.name()
                && QString::fromUtf8(n.attribute(nameAttr.c_str()).value()).compare(name, Qt::CaseInsensitive) == 0)
                return {part.get(), n};
        }
    }
    return {};
}

QStringList DocxDocument::bookmarkNames() const
{
    QStringList names;
    for (const auto& part : parts_) {
        const std::string tag = part->tag("bookmarkStart");
        const std::string nameAttr = part->tag("name");
        for (pugi::xml_node n = part->xml.document_element(); n; n = nextInDocumentOrder(n))
            if (tag == n.name())
                names << QString::fromUtf8(n.attribute(nameAttr.c_str()).value());
    }
    return names;
}

bool DocxDocument::hasBookmark(const QString& name) const
{
    return findBookmark(name).part != nullptr;
}

bool DocxDocument::fillBookmark(const QString& name, const QString& text)
{
    Bookmark b = findBookmark(name);
    if (!b.part)
        return false;
    Part& part = *b.part;
    const std::string idAttr = part.tag("id");
    const std::string id = b.start.attribute(idAttr.c_str()).value();
    auto isEnd = [&](const pugi::xml_node& n) {
        return part.tag("bookmarkEnd") == n.name() && id == n.attribute(idAttr.c_str()).value();
    };

    // Where the new run goes: right after the start inside its paragraph, or
    // at the head of the next paragraph when the bookmark starts between
    // paragraphs (a table cell, the body).
    pugi::xml_node paragraph = b.start.parent();
    pugi::xml_node after = b.start;
    if (part.tag("p") != paragraph.name()) {
        paragraph = {};
        for (pugi::xml_node n = nextInDocumentOrder(b.start); n; n = nextInDocumentOrder(n))
            if (part.tag("p") == n.name()) {
                paragraph = n;
                break;
            }
        if (!paragraph)
            return true; // nothing to type into: the bookmark stays empty
        after = paragraph.child(part.tag("pPr").c_str());
    }

    // The run the bookmark starts in gives the formatting; a bookmark at the
    // end of its paragraph takes the run before it.
    pugi::xml_node format;
    for (pugi::xml_node n = after ? after.next_sibling() : paragraph.first_child(); n && !isEnd(n);
         n = n.next_sibling()) {
        if (part.tag("r") == n.name()) {
            format = n;
            break;
        }
        if (pugi::xml_node r = n.child(part.tag("r").c_str())) {
            format = r;
            break;
        }
    }
    if (!format && after)
        for (pugi::xml_node n = after.previous_sibling(); n && !format; n = n.previous_sibling())
            if (part.tag("r") == n.name())
                format = n;

    // The old content, up to the bookmark's end or the end of the paragraph.
    std::vector<pugi::xml_node> old;
    for (pugi::xml_node n = after ? after.next_sibling() : paragraph.first_child(); n && !isEnd(n);
         n = n.next_sibling())
        if (!isRangeMarker(n, part.prefix))
            old.push_back(n);

    pugi::xml_node run = after ? paragraph.insert_child_after(part.tag("r").c_str(), after)
                               : paragraph.prepend_child(part.tag("r").c_str());
    if (format)
        if (pugi::xml_node rPr = format.child(part.tag("rPr").c_str()))
            run.append_copy(rPr);
    for (pugi::xml_node n : old)
        paragraph.remove_child(n);

    const QString clean = CleanDocumentText(text);
    QString piece;
    auto flush = [&] {
        if (piece.isEmpty())
            return;
        pugi::xml_node t = run.append_child(part.tag("t").c_str());
        t.append_attribute("xml:space") = "preserve";
        t.text().set(piece.toUtf8().constData());
        piece.clear();
    };
    for (QChar c : clean) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
            flush();
            run.append_child(part.tag(c == QLatin1Char('\n') ? "br" : "tab").c_str());
        } else {
            piece += c;
        }
    }
    flush();
    part.changed = true;
    return true;
}

void DocxDocument::deleteBookmarks()
{
    for (const auto& part : parts_) {
        std::vector<pugi::xml_node> markers;
        for (pugi::xml_node n = part->xml.document_element(); n; n = nextInDocumentOrder(n))
            if (part->tag("bookmarkStart") == n.name() || part->tag("bookmarkEnd") == n.name())
                markers.push_back(n);
        for (pugi::xml_node n : markers)
            n.parent().remove_child(n);
        if (!markers.empty())
            part->changed = true;
    }
}

QString DocxDocument::bodyText() const
{
    QString out;
    if (parts_.empty())
        return out;
    const Part& part = *parts_.front();
    for (pugi::xml_node n = part.xml.document_element(); n; n = nextInDocumentOrder(n)) {
        if (part.tag("p") == n.name() && !out.isEmpty())
            out += QLatin1Char('\n');
        else if (part.tag("t") == n.name())
            out += QString::fromUtf8(n.text().get());
        else if (part.tag("tab") == n.name() && part.tag("r") == n.parent().name())
            out += QLatin1Char('\t');
        else if (part.tag("br") == n.name())
            out += QLatin1Char('\n');
    }
    return out;
}

void DocxDocument::save(const QString& path) const
{
    const QString cannotWrite =
        QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(path));
    zip::MemoryStream mem(container_);
    bool anyChanged = false;
    for (const auto& part : parts_)
        anyChanged = anyChanged || part->changed;
    if (anyChanged) {
        // The changed parts go through a private folder outside the class
        // folder: the archive takes its new entries from files.
        QTemporaryDir tmp;
        if (!tmp.isValid())
            throw FileError(cannotWrite);
        try {
            zip::ZipArchiver zip;
            zip.OpenArchive(&mem, false);
            zip.SetBaseDir(QDir(tmp.path()).absolutePath().toStdString());
            zip.BeginUpdate();
            for (const auto& part : parts_) {
                if (!part->changed)
                    continue;
                const QString file = QDir(tmp.path()).filePath(QString::fromStdString(part->name));
                QDir().mkpath(QFileInfo(file).path());
                std::ostringstream xml;
                part->xml.save(xml, "", kSaveFlags, pugi::encoding_utf8);
                QFile out(file);
                const std::string bytes = xml.str();
                if (!out.open(QIODevice::WriteOnly) || out.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
                    throw FileError(cannotWrite);
                out.close();
                if (zip.AddFiles(part->name) != 1)
                    throw FileError(cannotWrite);
            }
            zip.EndUpdate();
            zip.CloseArchive();
        } catch (const zip::EZAException& e) {
            throw FileError(cannotWrite + QStringLiteral("\n\r") + QString::fromStdString(e.what()));
        }
    }
    const auto& data = mem.Data();
    WriteFileAtomic(path, QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
}

} // namespace hsa
