#include "word/attachments.h"
#include "word/docxdocument.h"
#include "word/worddocuments.h"

#include "platform/shell.h"
#include "support/classfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <gtest/gtest.h>

using namespace hsa;
using namespace hsa::test;

namespace {

class AttachmentTest : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        setShell(&shell);
        makeClass("9a_25262.dbf",
                  {{"1", "Muster", "Anna", "W", {{"AG3", "01.02.2010"}, {"AG4", "Ulm"}, {"KLASSE", "9a"}}},
                   {"2", "Ohne", "Datum"},
                   {"3", "../x", "a/b", "M", {{"AG3", "03.04.2010"}}},
                   {"4", "FAKTOR", "x", "M", {{"AG3", "1"}}}});
        openClass("9a_25262.dbf");
        state().schoolName = "Schule am See?Seestadt";
    }
    void TearDown() override
    {
        setShell(nullptr);
        RealClassFixture::TearDown();
    }
    QString anna() const { return QDir(classFolder()).filePath("Muster_Anna.docx"); }
    QStringList opened() const
    {
        QStringList files;
        for (const auto& r : shell.requests)
            if (r.what == "file")
                files << QFileInfo(r.target).fileName();
        return files;
    }
    RecordingShell shell;
};

} // namespace

TEST(BookmarkList, LinesGiveTheirFills)
{
    TempProgramFolder dir;
    auto field = [](const QString& f) { return f == "AG4" ? QString("Ulm") : QString(); };
    const struct {
        const char* name;
        QByteArray list;
        QString school;
        QList<BookmarkFill> fills;
    } cases[] = {
        {"split school", "SN1\r\n", "Schule?Ort?X", {{"SN1", "Schule"}, {"SN2", "Ort?X"}}},
        {"whole school", "SN1  \r\n", "Schule", {{"SN1", "Schule"}}},
        {"field line", "FAG4\r\nFUNBEKANNT\r\n", "S", {{"FAG4", "Ulm"}, {"FUNBEKANNT", ""}}},
        {"other lines", "Verbal\r\n\r\nF\r\nsn1\r\n", "S", {}},
    };
    for (const auto& c : cases) {
        dir.write("a.bmk", c.list);
        EXPECT_EQ(ReadBookmarkList(dir.file("a.bmk"), c.school, field), c.fills) << c.name;
    }
    EXPECT_TRUE(ReadBookmarkList(dir.file("fehlt.bmk"), "S", field).isEmpty());
}

// A bookmark the template lacks is named, and the rest are still filled.
TEST_F(AttachmentTest, MissingBookmarkIsReportedAndFillingGoesOn)
{
    folder.write("doc/anlage.bmk", "FFEHLT\r\nFAG4\r\n");
    WordDocuments word;
    ASSERT_TRUE(word.OpenDocument(folder.file("doc/anlage.docx")));
    ApplyBookmarkList(word, folder.file("doc/anlage.bmk"), "S", [](const QString& f) { return f; });
    EXPECT_EQ(prompt.texts(), QStringList({"Textmarke FFEHLT fehlt"}));
    EXPECT_TRUE(word.activeDocument().bodyText().contains("AG4"));
}

TEST_F(AttachmentTest, CreateOpenAndRecreate)
{
    // No attachment yet: it is created from the class-9 template, filled and opened.
    OpenCertificateAttachment(0);
    ASSERT_TRUE(QFileInfo::exists(anna())) << prompt.texts().join(" | ").toStdString();
    EXPECT_EQ(opened(), QStringList({"Muster_Anna.docx"}));
    const QString text = DocxDocument::load(anna()).bodyText();
    for (const char* part : {"Hauptschulabschluss", "Muster", "Anna", "01.02.2010", "Ulm", "9a"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    EXPECT_TRUE(DocxDocument::load(anna()).hasBookmark("Verbal"));

    // Recreate: No keeps the user's text, Yes replaces it.
    folder.write("9a_25262/Muster_Anna.docx", folder.read("doc/anlage10.docx"));
    prompt.clear();
    prompt.no();
    RecreateCertificateAttachment(0);
    EXPECT_EQ(folder.read("9a_25262/Muster_Anna.docx"), folder.read("doc/anlage10.docx"));
    prompt.yes();
    RecreateCertificateAttachment(0);
    EXPECT_TRUE(DocxDocument::load(anna()).bodyText().contains("Hauptschulabschluss"));

    // No birth date: nothing is made.  The weighting record never gets one.
    prompt.clear();
    EXPECT_FALSE(CreateCertificateAttachment(1));
    EXPECT_TRUE(prompt.lastText().startsWith("Ohne Datum: Erst Geburtsdatum eintragen"));
    EXPECT_FALSE(CreateCertificateAttachment(3));
    EXPECT_FALSE(QFileInfo::exists(QDir(classFolder()).filePath("FAKTOR_x.docx")));

    // An unsafe name stays in the class folder.
    ASSERT_TRUE(CreateCertificateAttachment(2)) << prompt.texts().join(" | ").toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(classFolder()).filePath(".._x_a_b.docx")));
    // No temporary file is left in the class folder or in "doc".
    EXPECT_EQ(QDir(classFolder()).entryList({"*.doc*", "*tmp*", "temp*"}, QDir::Files | QDir::Hidden),
              QStringList({".._x_a_b.docx", "Muster_Anna.docx"}));
    EXPECT_EQ(QDir(folder.file("doc")).entryList({"*tmp*", "temp*"}, QDir::Files | QDir::Hidden), QStringList());
}

TEST(AttachmentNames, SafeNamesAndTemplates)
{
    const struct { QString last, first, name; } names[] = {
        {"Muster", "Anna", "Muster_Anna"},
        {"..", ".", "___"},
        {"", "a\\b", "__a_b"},
        {"x<>:\"|?*", "\t\x7f", "x_______"  "___"},
    };
    for (const auto& n : names) {
        EXPECT_EQ(SafeAttachmentName(n.last, n.first), n.name) << n.name.toStdString();
        EXPECT_EQ(QFileInfo(AttachmentPath("/k/9a", n.last, n.first)).path(), "/k/9a") << n.name.toStdString();
    }
    const struct { const char* classFile; const char* templ; } templates[] = {
        {"f9_25262.dbf", "anlage_f"}, {"F1_25262.dbf", "anlage_f"}, {"9a_25262.dbf", "anlage"},
        {"xa_25262.dbf", "anlage10"}, {"ya_25262.dbf", "anlage10"}};
    for (const auto& t : templates)
        EXPECT_EQ(AttachmentTemplateName(t.classFile), t.templ) << t.classFile;
}

TEST_F(AttachmentTest, MissingTemplateIsReported)
{
    QFile::remove(folder.file("doc/anlage.docx"));
    EXPECT_FALSE(CreateCertificateAttachment(0));
    EXPECT_TRUE(prompt.lastText().endsWith("anlage.docx nicht gefunden")) << prompt.lastText().toStdString();
}

// An old ".doc" is the student's attachment until it is recreated.
TEST_F(AttachmentTest, OldDocIsOpenedAndReplaced)
{
    folder.write("9a_25262/MUSTER_ANNA.DOC", "alt");
    OpenCertificateAttachment(0);
    EXPECT_EQ(opened(), QStringList({"MUSTER_ANNA.DOC"}));
    prompt.yes();
    RecreateCertificateAttachment(0);
    EXPECT_TRUE(QFileInfo::exists(anna()));
    EXPECT_FALSE(QFileInfo::exists(QDir(classFolder()).filePath("MUSTER_ANNA.DOC")));

    // Without a word processor the user is told so.
    shell.result = false;
    OpenCertificateAttachment(0);
    EXPECT_EQ(prompt.lastText(), kMsgNoWordHandler);
}

TEST_F(AttachmentTest, LockFilesMarkOpenDocuments)
{
    ASSERT_TRUE(CreateCertificateAttachment(0));
    const QString host = QSysInfo::machineHostName();
    const struct {
        const char* name;
        const char* lock;
        QByteArray content;
        QStringList running;
        QStringList open;
    } cases[] = {
        {"office lock", ".~lock.Muster_Anna.docx#", "Anna,anna,anderer-rechner,07.12.2026 10:00,file:///;", {}, {"Muster_Anna.docx"}},
        {"stale lock of this computer", ".~lock.Muster_Anna.docx#", ",anna," + host.toUtf8() + ",07.12.2026;", {}, {}},
        {"lock of this computer, office running", ".~lock.Muster_Anna.docx#", ",anna," + host.toUtf8() + ",x;",
         {"/usr/lib/libreoffice/program/soffice.bin"}, {"Muster_Anna.docx"}},
        {"word lock, name cut", "~$ster_Anna.docx", "Anna", {}, {"Muster_Anna.docx"}},
    };
    for (const auto& c : cases) {
        folder.write(QString("9a_25262/") + c.lock, c.content);
        shell.runningPrograms = c.running;
        prompt.clear();
        EXPECT_EQ(OpenDocumentsIn(classFolder()), c.open) << c.name;
        EXPECT_EQ(CheckNoWordDocumentsOpen(), !c.open.isEmpty()) << c.name;
        if (!c.open.isEmpty()) {
            EXPECT_TRUE(prompt.lastText().startsWith(kMsgWordDocumentsOpen)) << c.name;
            // Recreating an open attachment is refused.
            prompt.clear();
            EXPECT_FALSE(CreateCertificateAttachment(0)) << c.name;
            EXPECT_TRUE(prompt.lastText().contains("Muster_Anna.docx")) << c.name;
        }
        QFile::remove(QDir(classFolder()).filePath(c.lock));
    }
}
