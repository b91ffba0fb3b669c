// Writes the Word templates the program fills ("doc/<type>.docx" for the
// project-exam forms, "anlage.docx", "anlage_f.docx" and "anlage10.docx" for
// the certificate attachments) with their bookmark lists ("<type>.bmk",
// "anlage.bmk").  Every template carries every bookmark of its list, the
// attachments also "Verbal", where the user writes the assessment.
// Usage: make_word_templates [folder]   (default: data/doc)
#include "classes/textfile.h"
#include "platform/errors.h"
#include "zip/archiver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int g_bookmarkId = 0;

QString esc(QString s)
{
    return s.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
}

QString run(const QString& text, bool bold = false, int halfPoints = 22)
{
    QString props = QStringLiteral("<w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/>")
                    + (bold ? QStringLiteral("<w:b/>") : QString())
                    + QStringLiteral("<w:sz w:val=\"%1\"/></w:rPr>").arg(halfPoints);
    return QStringLiteral("<w:r>") + props + QStringLiteral("<w:t xml:space=\"preserve\">") + esc(text)
           + QStringLiteral("</w:t></w:r>");
}

// A bookmark around one run of placeholder blanks, formatted as the text.
QString mark(const QString& name, bool bold = false, int halfPoints = 22)
{
    const int id = g_bookmarkId++;
    return QStringLiteral("<w:bookmarkStart w:id=\"%1\" w:name=\"%2\"/>").arg(id).arg(name) + run(" ", bold, halfPoints)
           + QStringLiteral("<w:bookmarkEnd w:id=\"%1\"/>").arg(id);
}

QString para(const QString& runs, const QString& align = {}, int spaceAfter = 120)
{
    QString p = QStringLiteral("<w:p><w:pPr><w:spacing w:after=\"%1\"/>").arg(spaceAfter);
    if (!align.isEmpty())
        p += QStringLiteral("<w:jc w:val=\"%1\"/>").arg(align);
    return p + QStringLiteral("</w:pPr>") + runs + QStringLiteral("</w:p>");
}

QString cell(const QString& content, int width)
{
    return QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr>").arg(width) + para(content, {}, 60)
           + QStringLiteral("</w:tc>");
}

// A two-column table: label, then the bookmark (or empty room to write in).
QString table(const QList<QPair<QString, QString>>& rows, int labelWidth = 3000, int valueWidth = 6600)
{
    QString t = QStringLiteral("<w:tbl><w:tblPr><w:tblW w:w=\"%1\" w:type=\"dxa\"/><w:tblBorders>").arg(labelWidth + valueWidth);
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        t += QStringLiteral("<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>").arg(side);
    t += QStringLiteral("</w:tblBorders></w:tblPr><w:tblGrid><w:gridCol w:w=\"%1\"/><w:gridCol w:w=\"%2\"/></w:tblGrid>")
             .arg(labelWidth)
             .arg(valueWidth);
    for (const auto& r : rows)
        t += QStringLiteral("<w:tr>") + cell(run(r.first, true), labelWidth)
             + cell(r.second.isEmpty() ? run(" ") : mark(r.second), valueWidth) + QStringLiteral("</w:tr>");
    return t + QStringLiteral("</w:tbl>");
}

const char* const kNs = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
const char* const kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

struct Form {
    QString file;      // without ".docx"
    QString title;
    QString subtitle;
    QList<QPair<QString, QString>> student;   // label, bookmark
    QList<QPair<QString, QString>> criteria;  // label, empty room
    bool verbal = false;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw hsa::FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(path));
}

void writeDocx(const QString& target, const Form& form)
{
    g_bookmarkId = 0;
    QString header = QStringLiteral("<w:hdr %1>").arg(kNs)
                     + para(mark("SN1", true, 24) + run("  ") + mark("SN2", false, 20), "center", 0)
                     + QStringLiteral("</w:hdr>");
    QString body = para(run(form.title, true, 32), "center", 60);
    if (!form.subtitle.isEmpty())
        body += para(run(form.subtitle, false, 22), "center", 240);
    body += table(form.student) + para(QString());
    if (!form.criteria.isEmpty())
        body += table(form.criteria, 3600, 6000) + para(QString());
    if (form.verbal) {
        body += para(run("Beurteilung der Projektprüfung:", true));
        body += para(mark("Verbal"), {}, 2400);
        body += para(run("______________________________      ______________________________"), {}, 0);
        body += para(run("Ort, Datum                                              Schulleiterin / Schulleiter"));
    } else {
        body += para(run("______________________________      ______________________________"), {}, 0);
        body += para(run("Datum                                                      Unterschrift der Prüferin / des Prüfers"));
    }
    const QString document =
        QStringLiteral("<w:document %1><w:body>").arg(kNs) + body
        + QStringLiteral("<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rIdKopf\"/>"
                         "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" w:right=\"1134\" "
                         "w:bottom=\"1134\" w:left=\"1418\" w:header=\"567\" w:footer=\"567\" w:gutter=\"0\"/>"
                         "</w:sectPr></w:body></w:document>");

    QTemporaryDir tmp;
    const QDir d(tmp.path());
    writeFile(d.filePath("[Content_Types].xml"),
              QByteArray(kDecl)
                  + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
                    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                    "<Override PartName=\"/word/header1.xml\" ContentType=\"application/"
                    "vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/></Types>");
    writeFile(d.filePath("_rels/.rels"),
              QByteArray(kDecl)
                  + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    writeFile(d.filePath("word/_rels/document.xml.rels"),
              QByteArray(kDecl)
                  + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rIdKopf\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/header\" Target=\"header1.xml\"/></Relationships>");
    writeFile(d.filePath("word/document.xml"), QByteArray(kDecl) + document.toUtf8());
    writeFile(d.filePath("word/header1.xml"), QByteArray(kDecl) + header.toUtf8());

    QFile::remove(target);
    hsa::zip::ZipArchiver zip;
    zip.SetFileName(target.toStdString());
    zip.OpenArchive(hsa::zip::openmode::Create);
    zip.SetBaseDir(QDir(tmp.path()).absolutePath().toStdString());
    zip.BeginUpdate();
    for (const char* part : {"[Content_Types].xml", "_rels/.rels", "word/_rels/document.xml.rels",
                             "word/document.xml", "word/header1.xml"})
        zip.AddFiles(part);
    zip.EndUpdate();
    zip.CloseArchive();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("data/doc");
    const QList<QPair<QString, QString>> person = {{"Name:", "FNACHNAME"}, {"Vorname:", "FVORNAME"},
                                                   {"Klasse:", "FKLASSE"}, {"Thema der Projektarbeit:", "FAG5"}};
    const QList<QPair<QString, QString>> attachment = {
        {"Name:", "FNACHNAME"}, {"Vorname:", "FVORNAME"}, {"geboren am:", "FAG3"},
        {"in:", "FAG4"},        {"Klasse:", "FKLASSE"},   {"Thema der Projektarbeit:", "FAG5"}};
    const QList<QPair<QString, QString>> observed = {{"Planung und Organisation", ""},
                                                     {"Durchführung und Arbeitsweise", ""},
                                                     {"Zusammenarbeit im Team", ""},
                                                     {"Dokumentation", ""},
                                                     {"Präsentation", ""}};
    const QList<Form> forms = {
        {"projektbeschreibung", "Projektbeschreibung", "Projektprüfung", {{"Klasse:", "FKLASSE"}, {"Thema der Projektarbeit:", "FAG5"},
          {"Gruppenmitglieder:", ""}, {"Ziel des Projekts:", ""}, {"Geplante Arbeitsschritte:", ""}}, {}, false},
        {"beobachtung", "Beobachtungsbogen", "Projektprüfung (schülerbezogen)", person, observed, false},
        {"bewertungsbogen", "Bewertungsbogen", "Projektprüfung (schülerbezogen)", person,
         observed + QList<QPair<QString, QString>>{{"Note der Projektprüfung", ""}}, false},
        {"anlage", "Anlage zum Zeugnis", "Hauptschulabschluss - Projektprüfung", attachment, {}, true},
        {"anlage_f", "Anlage zum Zeugnis", "Projektprüfung", attachment, {}, true},
        {"anlage10", "Anlage zum Zeugnis", "Klasse 10 - Projektprüfung", attachment, {}, true},
    };
    QDir().mkpath(folder);
    try {
        for (const Form& f : forms) {
            writeDocx(QDir(folder).filePath(f.file + ".docx"), f);
            if (f.file == "anlage_f" || f.file == "anlage10")
                continue; // the attachments share "anlage.bmk"
            QStringList list{"SN1"};
            for (const auto& row : f.student)
                if (!row.second.isEmpty())
                    list << row.second;
            hsa::WriteTextLines(QDir(folder).filePath(f.file + ".bmk"), list);
        }
    } catch (const hsa::FileError& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%s\n", folder.toLocal8Bit().constData());
    return 0;
}
