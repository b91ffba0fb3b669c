#include "word/attachments.h"

#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "grades/gradewindow.h"
#include "support/programwindows.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace hsa;
using namespace hsa::test;

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
