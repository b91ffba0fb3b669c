#include "word/docxdocument.h"

#include "platform/errors.h"
#include "support/tempfolder.h"
#include "tools.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace hsa;
using namespace hsa::test;

namespace {

// What python-docx reads: the body paragraphs, the table cell, the header,
// one per line, and whether the bold formatting of "Name" survived.
QString PeerText(const QString& path)
{
    const QString script = QStringLiteral(R"(
import sys, docx
d = docx.Document(sys.argv[1])
for p in d.paragraphs: print('P|' + p.text)
print('C|' + d.tables[0].cell(0, 1).text)
print('H|' + d.sections[0].header.paragraphs[0].text)
print('B|' + str([r.bold for r in d.paragraphs[0].runs]))
)");
    return RunPeer(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
}

} // namespace

// Filling types every text literally into body, table cell and header; the
// file stays a sound archive whose untouched entries keep their bytes.
TEST(DocxDocument, FillsBookmarksLiterallyAndKeepsUntouchedParts)
{
    if (!HavePythonDocx())
        GTEST_SKIP() << "python3-docx nicht installiert: kein Vergleichsdokument";
    TempProgramFolder dir;
    const QString src = dir.file("vorlage.docx");
    ASSERT_TRUE(MakePeerDocument(src));
    DocxDocument doc = DocxDocument::load(src);
    EXPECT_EQ(doc.bookmarkNames(), QStringList({"Name", "Datei", "Zelle", "SN1"}));

    const struct { const char* bookmark; QString text; } fills[] = {
        {"name", QStringLiteral("Müller & <Söhne> \"A\"")},       // names ignore case
        {"Datei", QStringLiteral("/etc/passwd")},                  // a file name is only text
        {"Zelle", QStringLiteral("a\x01\x1f" "b  c")},             // control characters dropped
        {"SN1", QStringLiteral("Schule am See")},
    };
    for (const auto& f : fills)
        EXPECT_TRUE(doc.fillBookmark(f.bookmark, f.text)) << f.bookmark;
    EXPECT_FALSE(doc.fillBookmark("Fehlt", "x"));
    const QString out = dir.file("anlage.docx");
    doc.save(out);

    const QString text = PeerText(out);
    for (const char* line : {"P|Name: Müller & <Söhne> \"A\" Ende", "P|Datei: /etc/passwd", "C|ab  c",
                             "H|Schule: Schule am See", "B|[None, True, None]"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();

    int rc = -1;
    RunPeer("unzip", {"-tq", out}, &rc);
    EXPECT_EQ(rc, 0);
    // Every entry but the two filled parts keeps name, size, compressed size and CRC.
    auto listing = [](const QString& file) {
        QStringList rows = RunPeer("unzip", {"-v", file}).split('\n');
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
    EXPECT_TRUE(PeerText(out).contains("P|Datei: /etc/passwd"));
}

TEST(DocxDocument, DamagedFileIsReportedInGerman)
{
    TempProgramFolder dir;
    dir.write("kaputt.docx", "PK\x03\x04 nicht wirklich");
    try {
        DocxDocument::load(dir.file("kaputt.docx"));
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains("kein lesbares Word-Dokument")) << e.message().toStdString();
    }
}
