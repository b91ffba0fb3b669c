#include "word/attachments.h"
#include "word/docxdocument.h"
#include "word/worddocuments.h"

#include "classes/classfiles.h"
#include "grades/gradewindow.h"
#include "platform/recordingshell.h"
#include "platform/shell.h"
#include "support/classfolder.h"
#include "support/privatedesktop.h"
#include "support/programwindows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>
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
                   {"4", "FAKTOR", "x", "M", {{"AG3", "1"}}},
                   {"5", "Nurname", "", "W", {{"AG3", "05.06.2010"}}}});
        openClass("9a_25262.dbf");
        state().schoolName = "Schule am See?Seestadt";
    }
    QString inClass(const QString& name) const { return QDir(classFolder()).filePath(name); }
    RecordingShell shell;
};

} // namespace

// The school name splits at its first "?"; field lines take the record's
// value; other lines are no bookmarks.  A bookmark the template lacks is
// named, and the rest are still filled.
TEST_F(AttachmentTest, BookmarkListLinesGiveTheirFills)
{
    folder.write("a.bmk", "SN1  \r\nFAG4\r\nFUNBEKANNT\r\nVerbal\r\n\r\nF\r\nsn1\r\n");
    auto field = [](const QString& f) { return f == "AG4" ? QString("Ulm") : QString(); };
    EXPECT_EQ(ReadBookmarkList(folder.file("a.bmk"), "Schule?Ort?X", field),
              QList<BookmarkFill>({{"SN1", "Schule"}, {"SN2", "Ort?X"}, {"FAG4", "Ulm"}, {"FUNBEKANNT", ""}}));
    EXPECT_EQ(ReadBookmarkList(folder.file("a.bmk"), "Schule", field),
              QList<BookmarkFill>({{"SN1", "Schule"}, {"FAG4", "Ulm"}, {"FUNBEKANNT", ""}}));
    EXPECT_TRUE(ReadBookmarkList(folder.file("fehlt.bmk"), "S", field).isEmpty());
    folder.write("doc/anlage.bmk", "FFEHLT\r\nFAG4\r\n");
    WordDocuments word;
    ASSERT_TRUE(word.OpenDocument(folder.file("doc/anlage.docx")));
    ApplyBookmarkList(word, folder.file("doc/anlage.bmk"), "S", [](const QString& f) { return f; });
    EXPECT_EQ(prompt.texts(), QStringList({"Textmarke FFEHLT fehlt"}));
    EXPECT_TRUE(word.activeDocument().bodyText().contains("AG4"));
    // "*" names the open documents and closes none; a name closes only its own.
    for (const auto& [name, shown, open] : {std::tuple{"*", "anlage.docx", true}, {"andere.docx", "", true},
                                            {"anlage.docx", "", false}}) {
        prompt.clear();
        word.CloseDocument(QString::fromUtf8(name));
        EXPECT_EQ(prompt.texts().join("|"), shown) << name;
        EXPECT_EQ(word.hasDocument(), open) << name;
    }
}

TEST_F(AttachmentTest, CreateOpenAndRecreate)
{
    // An old ".doc" is the student's attachment until it is recreated: Yes
    // makes the new one from the class-9 template, filled, and opens it.
    const QString anna = inClass("Muster_Anna.docx");
    folder.write("9a_25262/MUSTER_ANNA.DOC", "alt");
    OpenCertificateAttachment(0);
    prompt.yes();
    RecreateCertificateAttachment(0);
    ASSERT_EQ(shell.requests.size(), 2);
    EXPECT_EQ(QFileInfo(shell.requests[0].target).fileName() + QFileInfo(shell.requests[1].target).fileName(),
              "MUSTER_ANNA.DOCMuster_Anna.docx");
    // Both open where the user writes, at the bookmark "Verbal".
    EXPECT_EQ(shell.requests[0].args + shell.requests[1].args, QStringList({"Verbal", "Verbal"}));
    EXPECT_FALSE(QFileInfo::exists(inClass("MUSTER_ANNA.DOC")));
    const QString text = DocxDocument::load(anna).bodyText();
    for (const char* part : {"Hauptschulabschluss", "Muster", "Anna", "01.02.2010", "Ulm", "9a"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    EXPECT_TRUE(DocxDocument::load(anna).hasBookmark("Verbal"));
    // Recreate again: No keeps the user's text.
    folder.write("9a_25262/Muster_Anna.docx", folder.read("doc/anlage10.docx"));
    prompt.no();
    RecreateCertificateAttachment(0);
    EXPECT_EQ(folder.read("9a_25262/Muster_Anna.docx"), folder.read("doc/anlage10.docx"));
    const ScriptedPrompt::Shown& question = prompt.shown().last();
    EXPECT_EQ(std::pair(question.text, question.defaultButton),
              std::pair(QString("Zeugnisanlage existiert schon.\n\rSoll sie gelöscht und durch eine leere Vorlage ersetzt "
                                "werden?"), std::optional<Answer>(Answer::No)));
    // No birth date: nothing is made.  The weighting record never gets one.
    EXPECT_FALSE(CreateCertificateAttachment(1));
    EXPECT_TRUE(prompt.lastText().startsWith("Ohne Datum: Erst Geburtsdatum eintragen"));
    EXPECT_EQ(prompt.lastText(), "Ohne Datum: Erst Geburtsdatum eintragen (Bei Einzelzeugnis/Zeugnis)!\n\rDatei nicht erzeugt");
    EXPECT_FALSE(CreateCertificateAttachment(3));
    EXPECT_FALSE(QFileInfo::exists(inClass("FAKTOR_x.docx")));
    // Opening a missing attachment creates it; an unsafe name stays in the
    // class folder; no temporary file is left in the class folder or in "doc".
    OpenCertificateAttachment(2);
    EXPECT_EQ(QDir(classFolder()).entryList({"*.doc*", "*tmp*", "temp*"}, QDir::Files | QDir::Hidden),
              QStringList({".._x_a_b.docx", "Muster_Anna.docx"}));
    // A last name without first name still gets its attachment.
    EXPECT_TRUE(CreateCertificateAttachment(4));
    EXPECT_TRUE(QFileInfo::exists(inClass("Nurname__.docx")));
    EXPECT_EQ(QDir(folder.file("doc")).entryList({"*tmp*", "temp*"}, QDir::Files | QDir::Hidden), QStringList());
    // Without a word processor the user is told so; without a template nothing is made.
    shell.result = false;
    OpenCertificateAttachment(0);
    EXPECT_EQ(prompt.lastText(), "Die Datei " + anna + " konnte nicht geöffnet werden.\n\r" + kMsgNoWordHandler);
    QFile::remove(folder.file("doc/anlage.docx"));
    EXPECT_FALSE(CreateCertificateAttachment(0));
    EXPECT_TRUE(prompt.lastText().endsWith("anlage.docx nicht gefunden")) << prompt.lastText().toStdString();
}

// "Zeugnisanlagedatei neu erstellen" says "wird erzeugt" only for an
// attachment it then makes: every refusal comes alone.
TEST_F(AttachmentTest, RecreateAnnouncesOnlyWhatItMakes)
{
    const struct {
        const char* name;
        int record;
        std::function<void()> before;
        QString lastText;
        bool made;
    } cases[] = {
        {"no birth date", 1, [] {},
         "Ohne Datum: Erst Geburtsdatum eintragen (Bei Einzelzeugnis/Zeugnis)!\n\rDatei nicht erzeugt", false},
        {"no template", 4, [&] { QFile::remove(folder.file("doc/anlage.docx")); },
         QDir::toNativeSeparators(folder.file("doc/anlage.docx")) + " nicht gefunden", false},
        {"made", 4, [] {}, QDir::toNativeSeparators(inClass("Nurname__.docx")) + " wird erzeugt", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        prompt.clear();
        RecreateCertificateAttachment(c.record);
        EXPECT_EQ(prompt.lastText(), c.lastText) << prompt.texts().join(" | ").toStdString();
        EXPECT_EQ(prompt.texts().filter("wird erzeugt").size(), c.made ? 1 : 0);
        EXPECT_EQ(QDir(classFolder()).entryList({"*.docx"}, QDir::Files).size(), c.made ? 1 : 0);
        folder.write("doc/anlage.docx", folder.read("doc/anlage10.docx"));
    }
}

// On a real X display with the system's shell: without a word processor
// neither the single attachment nor those of all students open, and the
// message names the first that did not; a word processor that takes them
// gets each at "Verbal" and nothing is said.
TEST_F(AttachmentTest, AttachmentsOpenOnlyWhenAWordProcessorTookThem)
{
    test::OnPrivateDesktop([this](test::PrivateDesktop& desktop) {
        setShell(nullptr);
        const QString anna = inClass("Muster_Anna.docx");
        const QString odd = inClass(".._x_a_b.docx");
        const QString notOpened = "Die Datei " + anna + " konnte nicht geöffnet werden.\n\r" + kMsgNoWordHandler;
        const auto atVerbal = [](const QString& p) {
            return QUrl::fromLocalFile(p).toString(QUrl::FullyEncoded) + "#Verbal";
        };
        ASSERT_TRUE(CreateCertificateAttachment(0));
        for (const bool office : {false, true}) {
            SCOPED_TRACE(office ? "with a word processor" : "without a word processor");
            if (office)
                desktop.registerHandler(test::PrivateDesktop::Browser::Hands, "soffice-ersatz",
                                        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document"});
            prompt.clear();
            OpenCertificateAttachment(0);
            EXPECT_EQ(prompt.texts().join(" | ").toStdString(), (office ? QString() : notOpened).toStdString());
            prompt.clear();
            OpenAllCertificateAttachments();
            // Once, for the first; the student without a birth date gets none.
            EXPECT_EQ(prompt.texts().filter("konnte nicht geöffnet werden").join(" | ").toStdString(),
                      (office ? QString() : notOpened).toStdString());
            const QStringList opened =
                office ? QStringList{atVerbal(anna), atVerbal(anna), atVerbal(odd), atVerbal(inClass("Nurname__.docx"))}
                       : QStringList{};
            EXPECT_EQ(desktop.openedAddresses(opened.size()).join(' ').toStdString(), opened.join(' ').toStdString());
        }
    });
}

TEST(AttachmentNames, SafeNamesAndTemplates)
{
    for (const auto& [last, first, name] : {std::tuple{"Muster", "Anna", "Muster_Anna"}, {"..", ".", "___"},
                                            {"", "a\\b", "__a_b"}, {"x<>:\"|?*", "\t\x7f", "x__________"}}) {
        EXPECT_EQ(SafeAttachmentName(last, first), name) << name;
        EXPECT_EQ(QFileInfo(AttachmentPath("/k/9a", last, first)).path(), "/k/9a") << name;
    }
    for (const auto& [classFile, templ] : {std::pair{"f9_25262.dbf", "anlage_f"}, {"F1_25262.dbf", "anlage_f"},
                                           {"9a_25262.dbf", "anlage"}, {"xa_25262.dbf", "anlage10"},
                                           {"ya_25262.dbf", "anlage10"}})
        EXPECT_EQ(AttachmentTemplateName(classFile), templ) << classFile;
}

TEST_F(AttachmentTest, LockFilesMarkOpenDocuments)
{
    ASSERT_TRUE(CreateCertificateAttachment(0));
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QString office = ".~lock.Muster_Anna.docx#";
    const std::tuple<const char*, QString, QByteArray, QStringList, bool> cases[] = {
        {"office lock", office, "Anna,anna,anderer-rechner,07.12.2026 10:00,file:///;", {}, true},
        {"stale lock of this computer", office, ",anna," + host + ",07.12.2026;", {}, false},
        {"lock of this computer, office running", office, ",anna," + host + ",x;",
         {"/usr/lib/libreoffice/program/soffice.bin"}, true},
        {"word lock, name cut", "~$ster_Anna.docx", "Anna", {}, true},
    };
    for (const auto& [name, lock, content, running, open] : cases) {
        SCOPED_TRACE(name);
        folder.write("9a_25262/" + lock, content);
        shell.runningPrograms = running;
        prompt.clear();
        EXPECT_EQ(OpenDocumentsIn(classFolder()), open ? QStringList{"Muster_Anna.docx"} : QStringList());
        EXPECT_EQ(CheckNoWordDocumentsOpen(), open);
        if (open) {
            EXPECT_TRUE(prompt.lastText().startsWith(kMsgWordDocumentsOpen));
            // Recreating an open attachment is refused.
            EXPECT_FALSE(CreateCertificateAttachment(0));
            EXPECT_TRUE(prompt.lastText().contains("Muster_Anna.docx"));
        }
        QFile::remove(inClass(lock));
    }
}

// From the menus and the grade window to the attachment, and the guards of
// documents still open in the word processor.
TEST_F(ProgramWindowsFixture, AttachmentFromMenuAndGradeWindow)
{
    dir.layDefaults();
    QFile::copy(dir.file("start2.dbf"), dir.file("9a_21222.dbf"));
    {
        DbfTable t;
        t.open(dir.file("9a_21222.dbf"));
        for (const auto& [field, value] : {std::pair{"NACHNAME", "Muster"}, {"VORNAME", "Anna"}, {"M/W", "W"}, {"AG3", "01.02.2010"}})
            t.setValue(0, field, value);
    }
    prompt.setDefaultAnswer(Answer::Yes);
    ASSERT_TRUE(classFiles().OpenClass("9a_21222.dbf"));
    state().currentStudentRecord = 0;
    form->trigger("MarkierterSchker1");
    ASSERT_TRUE(GradeWindowForm()->isVisible()) << prompt.texts().join(" | ").toStdString();
    ASSERT_FALSE(shellDouble.requests.isEmpty());
    EXPECT_EQ(shellDouble.requests.last().target, QDir(state().classDir).filePath("Muster_Anna.docx"));
    GradeWindowForm()->Button15->click();
    EXPECT_TRUE(prompt.lastText().endsWith("Muster_Anna.docx wird erzeugt")) << prompt.texts().join(" | ").toStdString();
    // While the attachment is open the class stays open and the forms window stays shut.
    dir.write("9a_21222/.~lock.Muster_Anna.docx#", "Anna,anna,anderswo,07.12.2026;");
    prompt.clear();
    GradeWindowForm()->Zurck1Click();
    EXPECT_TRUE(prompt.lastText().startsWith(kMsgWordDocumentsOpen));
    form->trigger("PPProjektbeschriebungBeobachtungsbogenBewertungsbogenZeugnisanlage1");
    EXPECT_FALSE(ProgramWindow("Form4")->isVisible());
    form->trigger("schlieen1");
    EXPECT_EQ(state().openClassFile, "9a_21222.dbf");
    QFile::remove(dir.file("9a_21222/.~lock.Muster_Anna.docx#"));
    form->trigger("SeriendruckfrZeugnisanlagen1");
    EXPECT_TRUE(ProgramWindow("Form4")->isVisible());
}
