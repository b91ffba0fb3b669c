#include "word/docxdocument.h"

#include "platform/errors.h"
#include "support/childrun.h"
#include "support/tempfolder.h"
#include "zip/support/ziptestsupport.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace hsa;
using namespace hsa::test;
using zip::test::Quote;
using zip::test::RunShell;

namespace {

// Runs a python-docx script on the document; its output, or nothing when it failed.
QString PythonDocx(const char* script, const QString& path)
{
    const auto r = RunShell("/usr/bin/python3 -c " + Quote(std::string("import sys, docx\n") + script) + " "
                            + Quote(path.toStdString()));
    return r.status == 0 ? QString::fromStdString(r.output) : QString();
}

// A document with the bookmarks "Name" (around a bold run "XXX" after
// "Name: ", followed by " Ende"), "Datei" (empty, after "Datei: "), "Zelle"
// (in a table cell, around "alt") and "SN1" (in the header, after "Schule: ").
const char* const kMakeDocument = R"(
from docx.oxml import OxmlElement
from docx.oxml.ns import qn
d = docx.Document()
n = [0]
def mark(par, name, before='', inside=''):
    if before: par.add_run(before)
    s = OxmlElement('w:bookmarkStart'); s.set(qn('w:id'), str(n[0])); s.set(qn('w:name'), name)
    e = OxmlElement('w:bookmarkEnd'); e.set(qn('w:id'), str(n[0])); n[0] += 1
    par._p.append(s)
    if inside: par.add_run(inside).bold = True
    par._p.append(e)
p = d.add_paragraph(); mark(p, 'Name', 'Name: ', 'XXX'); p.add_run(' Ende')
p = d.add_paragraph(); mark(p, 'Datei', 'Datei: ')
t = d.add_table(rows=1, cols=2); mark(t.cell(0, 1).paragraphs[0], 'Zelle', '', 'alt')
mark(d.sections[0].header.paragraphs[0], 'SN1', 'Schule: ')
d.save(sys.argv[1])
print('ok')
)";

// What python-docx reads: the body paragraphs, the table cell, the header,
// one per line, and whether the bold formatting of "Name" survived.
const char* const kReadDocument = R"(
d = docx.Document(sys.argv[1])
for p in d.paragraphs: print('P|' + p.text)
print('C|' + d.tables[0].cell(0, 1).text)
print('H|' + d.sections[0].header.paragraphs[0].text)
print('B|' + str([r.bold for r in d.paragraphs[0].runs]))
)";

} // namespace

// Filling types every text literally into body, table cell and header; the
// file stays a sound archive whose untouched entries keep their bytes.
TEST(DocxDocument, FillsBookmarksLiterallyAndKeepsUntouchedParts)
{
    TempProgramFolder dir;
    const QString src = dir.file("vorlage.docx");
    if (PythonDocx(kMakeDocument, src) != "ok\n")
        GTEST_SKIP() << "python3-docx nicht installiert: kein Vergleichsdokument";
    DocxDocument doc = DocxDocument::load(src);
    EXPECT_EQ(doc.bookmarkNames(), QStringList({"Name", "Datei", "Zelle", "SN1"}));
    // Names ignore case; a file name is only text; control characters are dropped.
    for (const auto& [bookmark, text] : {std::pair{"name", "Müller & <Söhne> \"A\""}, {"Datei", "/etc/passwd"},
                                         {"Zelle", "a\x01\x1f" "b  c"}, {"SN1", "Schule am See"}})
        EXPECT_TRUE(doc.fillBookmark(bookmark, QString::fromUtf8(text))) << bookmark;
    EXPECT_FALSE(doc.fillBookmark("Fehlt", "x"));
    const QString out = dir.file("anlage.docx");
    doc.save(out);
    const QString text = PythonDocx(kReadDocument, out);
    for (const char* line : {"P|Name: Müller & <Söhne> \"A\" Ende", "P|Datei: /etc/passwd", "C|ab  c",
                             "H|Schule: Schule am See", "B|[None, True, None]"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
    EXPECT_EQ(RunShell("unzip -tq " + Quote(out.toStdString())).status, 0);
    // Every entry but the two filled parts keeps name, size, compressed size and CRC.
    auto listing = [](const QString& file) {
        QStringList rows = QString::fromStdString(RunShell("unzip -v " + Quote(file.toStdString())).output).split('\n');
        rows = rows.filter(QRegularExpression("(Defl|Stored)"));
        rows.replaceInStrings(QRegularExpression("^\\s*(\\d+)\\s+\\S+\\s+(\\d+)\\s+\\S+\\s+\\S+\\s+\\S+\\s+(\\S+)\\s+(.*)$"),
                              "\\4 \\1 \\2 \\3");
        return rows.filter(QRegularExpression("^(?!word/(document|header1)\\.xml)"));
    };
    EXPECT_EQ(listing(out), listing(src));
    EXPECT_GT(listing(src).size(), 8);
    // Deleting the bookmarks keeps their content.
    DocxDocument again = DocxDocument::load(out);
    again.deleteBookmarks();
    again.save(out);
    EXPECT_TRUE(DocxDocument::load(out).bookmarkNames().isEmpty());
    EXPECT_TRUE(PythonDocx(kReadDocument, out).contains("P|Datei: /etc/passwd"));
}

TEST(DocxDocument, DamagedFileIsReportedInGerman)
{
    TempProgramFolder dir;
    dir.write("kaputt.docx", "PK\x03\x04 nicht wirklich");
    try {
        DocxDocument::load(dir.file("kaputt.docx"));
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains("kein lesbares Word-Dokument")) << e.message().toStdString();
    }
}

namespace {

// Two hostile templates: one header of 2 MB that the document's relations
// name 5,000 times, and a main part of 160 MB that deflates to a few
// hundred kilobytes.
const char* const kMakeHostile = R"(
import sys, zipfile
W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
def doc(path, body, header, count):
    z = zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED, compresslevel=1)
    z.writestr('_rels/.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="r1" Type="' + R + '/officeDocument" Target="word/document.xml"/></Relationships>')
    z.writestr('word/document.xml', '<w:document ' + W + '><w:body>' + body + '</w:body></w:document>')
    rels = ''.join('<Relationship Id="h%d" Type="%s/header" Target="header1.xml"/>' % (i, R) for i in range(count))
    z.writestr('word/_rels/document.xml.rels',
               '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' + rels + '</Relationships>')
    z.writestr('word/header1.xml', '<w:hdr ' + W + '>' + header + '</w:hdr>')
    z.close()
mark = '<w:p><w:bookmarkStart w:id="1" w:name="Kopf"/><w:r><w:t>x</w:t></w:r><w:bookmarkEnd w:id="1"/></w:p>'
doc(sys.argv[1], '<w:p/>', mark + '<w:p><w:r><w:t>x</w:t></w:r></w:p>' * 60000, 5000)
doc(sys.argv[2], '<w:p/>' * (160 * 1024 * 1024 // 6), mark, 1)
print('ok')
)";

} // namespace

// A template from outside never makes the program use more than a bounded
// amount of memory: each part is parsed once, and a part beyond any template
// is refused.  Each load runs in a child with little room to grow.
TEST(DocxDocument, HostileTemplatesStayWithinLittleMemory)
{
    if (!kAddressSpaceLimitWorks)
        GTEST_SKIP() << "no address-space limit under a sanitizer";
    TempProgramFolder dir;
    const auto made = RunShell("/usr/bin/python3 -c " + Quote(kMakeHostile) + " " + Quote(dir.file("viele.docx").toStdString())
                               + " " + Quote(dir.file("riesig.docx").toStdString()));
    if (made.status != 0)
        GTEST_SKIP() << "python3 missing: " << made.output;
    ASSERT_LT(QFileInfo(dir.file("riesig.docx")).size(), 2 * 1024 * 1024);
    const struct {
        const char* file;
        int result;          // 0 loaded with its header's bookmark, 1 refused as too large
    } cases[] = {{"viele.docx", 0}, {"riesig.docx", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const LimitedRun run = RunWithMemoryLimit(128ull * 1024 * 1024, [&] {
            try {
                const DocxDocument d = DocxDocument::load(dir.file(c.file));
                return d.hasBookmark("kopf") && d.bookmarkNames().size() == 1 ? 0 : 2;
            } catch (const FileError& e) {
                return e.message().contains("zu groß") ? 1 : 3;
            }
        });
        EXPECT_TRUE(run.exited && run.code == c.result) << run.describe().toStdString();
    }
}
