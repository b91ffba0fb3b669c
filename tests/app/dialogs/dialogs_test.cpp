// The small dialogs and the subject editor panel, driven like a user would.
#include "app/aboutbox.h"
#include "app/apphooks.h"
#include "app/certlineseditor.h"
#include "app/passworddlg.h"
#include "app/schooldatadlg.h"
#include "app/smalldialogs.h"
#include "app/sonderdlg.h"
#include "app/subjecteditorpanel.h"
#include "app/zoomdlg.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"
#include "support/textbytes.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace hsa;
using hsa::test::crlf;

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    void TearDown() override { SubjectEditorOpenHook() = nullptr; }
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

} // namespace

TEST_F(Dialogs, PasswordDialogFirstStartAndReturnKey)
{
    TPasswordDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.Label1->text(), "Erster Start mit Passwort 3wiro");
    QTest::keyClicks(dlg.Password, "3wiro");
    QTest::keyClick(dlg.Password, Qt::Key_Return);
    EXPECT_FALSE(state().accessLocked);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(Dialogs, PasswordDialogWithFileWrongThenRight)
{
    WritePasswordFile("Schul€1");
    TPasswordDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.Label1->text(), "Passwort eingeben");
    QTest::keyClicks(dlg.Password, "3wiro");
    QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
    EXPECT_TRUE(state().accessLocked);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompt.lastText(), "Falsches Passwort !");

    // Shown again: the edit starts empty.
    dlg.show();
    EXPECT_TRUE(dlg.Password->text().isEmpty());
    dlg.Password->setText(QString::fromUtf8("Schul€1"));
    QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
    EXPECT_FALSE(state().accessLocked);
}

TEST_F(Dialogs, PasswordDialogCancelAsksBeforeEnding)
{
    TPasswordDlg dlg;
    QSignalSpy abort(&dlg, &TPasswordDlg::programAbortRequested);
    dlg.show();
    prompt.no();
    QTest::keyClick(dlg.Password, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompt.lastText(), "Sie wollen das Programm abbrechen?");
    EXPECT_EQ(abort.count(), 0);
    EXPECT_FALSE(state().quitRequested);

    dlg.show();
    prompt.yes();
    QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(abort.count(), 1);
    EXPECT_TRUE(state().quitRequested);
    EXPECT_TRUE(state().accessLocked);
}

TEST_F(Dialogs, SchoolDataDialogSavesTheChosenType)
{
    folder.write("epw5.dat", crlf({"Schule?Ort", "Ort", "1", "2", "der Hauptschule", "x"}));
    state().schoolTypeText = "der Hauptschule";
    state().schoolName = "Schule?Ort";
    TBtnRightDlg dlg;
    dlg.prepareForSchoolType();
    dlg.show();
    EXPECT_TRUE(dlg.Panel1->isVisible());
    EXPECT_EQ(dlg.Edit3->text(), "der Hauptschule");

    // Choosing the Gemeinschaftsschule shows its notice once per choice.
    dlg.ComboBox1->setCurrentIndex(4);
    emit dlg.ComboBox1->activated(4);
    EXPECT_EQ(dlg.Edit3->text(), "der Gemeinschaftsschule");
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.lastText().startsWith("Gemeinschaftsschule: Bitte lesen Sie"));
    emit dlg.ComboBox1->activated(3);
    EXPECT_EQ(prompt.shown().size(), 1);
    emit dlg.ComboBox1->activated(4);
    EXPECT_EQ(prompt.shown().size(), 2);

    QTest::mouseClick(dlg.SaveBtn, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.Panel1->isVisible());
    EXPECT_EQ(folder.read("epw5.dat"),
              crlf({"Schule?Ort", "Ort", "1", "2", "der Gemeinschaftsschule", "x"}));
    EXPECT_EQ(state().schoolTypeCaption, "Gemeinschaftsschulklasse");
}

TEST_F(Dialogs, SchoolDataDialogEmptyTypeDoesNothingAndEveningSchool)
{
    folder.write("epw5.dat", crlf({"Schule", "", "0", "0", "der Realschule", ""}));
    const QByteArray before = folder.read("epw5.dat");
    TBtnRightDlg dlg;
    dlg.prepareForSchoolType();
    dlg.show();
    dlg.Edit3->setText("   ");
    QTest::mouseClick(dlg.SaveBtn, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(folder.read("epw5.dat"), before);

    dlg.Edit3->setText("der Abendrealschule");
    dlg.EditSchoolName->setText("Abendschule?Stadt");
    QTest::mouseClick(dlg.SaveBtn, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(state().eveningSchoolMode);
    EXPECT_EQ(state().schoolNameCaption, "Abendschule\nStadt");
    EXPECT_EQ(ReadTextLines(folder.file("epw5.dat")).value(0), "Abendschule?Stadt");

    // Cancel changes nothing.
    dlg.show();
    dlg.Edit3->setText("der Hauptschule");
    QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(state().schoolTypeText, "der Abendrealschule");
}

TEST_F(Dialogs, ZoomDialogScalesEachWindowOnce)
{
    QWidget target;
    target.resize(600, 400);
    QFont f = target.font();
    f.setPointSizeF(10);
    target.setFont(f);
    TBtnRightDlg1 dlg;
    dlg.scaledWindows = [&] { return QList<QWidget*>{&target, &target}; };
    dlg.show();
    dlg.RadioGroup1Buttons->button(0)->setChecked(true);
    QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
    EXPECT_EQ(target.size(), QSize(720, 480));
    EXPECT_DOUBLE_EQ(target.font().pointSizeF(), 12.0);
    EXPECT_EQ(dlg.previousZoom(), 120);

    // Back to 100 % from 120 %.
    dlg.show();
    dlg.RadioGroup1Buttons->button(2)->setChecked(true);
    dlg.hide();
    EXPECT_EQ(target.size(), QSize(600, 400));

    // A user value of 0 is refused and nothing is scaled.
    dlg.show();
    dlg.RadioGroup1Buttons->button(6)->setChecked(true);
    dlg.SpinEdit1->setValue(0);
    dlg.hide();
    EXPECT_EQ(target.size(), QSize(600, 400));
    EXPECT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(dlg.SpinEdit1->value(), 100);
    dlg.SpinEdit1->setValue(150);
    dlg.ApplyViewZoom();
    EXPECT_EQ(target.size(), QSize(900, 600));
}

TEST_F(Dialogs, CertificateLinesEditor)
{
    folder.layDefaults();
    state().openClassFile = "9a_2526_2.dbf";
    state().schoolTypeText = "der Hauptschule";
    const QByteArray original = folder.read("wahlzeilen.txt");
    TForm5 dlg;
    dlg.show();
    EXPECT_EQ(dlg.Memo1->toPlainText().split('\n').first(), "Klasse 9");

    // Closing untouched asks nothing.
    dlg.reject();
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_FALSE(dlg.isVisible());

    // Typed, then "Abbruch ohne zu speichern", answered No: file unchanged.
    dlg.show();
    dlg.Memo1->setPlainText("Klasse 9\nNeuer Titel\nSatz\nEBA neu\nRolle\n");
    prompt.no();
    dlg.CancelNoSave->trigger();
    EXPECT_EQ(prompt.lastText(), "Änderungen speicher?");
    EXPECT_EQ(folder.read("wahlzeilen.txt"), original);

    // Answered Yes: saved and used.
    dlg.show();
    dlg.Memo1->setPlainText("Klasse 9\nNeuer Titel\nSatz\nEBA neu\nRolle\nSchluss");
    prompt.yes();
    dlg.CancelNoSave->trigger();
    EXPECT_EQ(folder.read("wahlzeilen.txt"), crlf({"Klasse 9", "Neuer Titel", "Satz", "EBA neu", "Rolle", "Schluss"}));
    EXPECT_EQ(subjects().certificateLines[0], "Neuer Titel");
    EXPECT_EQ(subjects().ebaHeading, "EBA neu");

    // A default copy, then "So speichern und verwenden": no question.
    dlg.show();
    dlg.NewRegulation->trigger();
    EXPECT_TRUE(dlg.Memo1->toPlainText().contains("der Werkrealschule mit Erfolg"));
    const int shownBefore = static_cast<int>(prompt.shown().size());
    dlg.SaveAndUse->trigger();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompt.shown().size(), shownBefore);
    EXPECT_EQ(folder.read("wahlzeilen.txt"), folder.read("wahlzeilen.neu"));
    EXPECT_EQ(subjects().certificateLines[1],
              "hat die Hauptschulabschlussprüfung nach Klasse 9 der Werkrealschule mit Erfolg abgelegt.");

    // A missing default copy is reported and the memo keeps its text.
    QFile::remove(folder.file("wahlzeilen.alt"));
    dlg.show();
    const QString text = dlg.Memo1->toPlainText();
    dlg.OldRegulation->trigger();
    EXPECT_TRUE(prompt.lastText().contains("wahlzeilen.alt"));
    EXPECT_EQ(dlg.Memo1->toPlainText(), text);
    dlg.reject();
}

TEST_F(Dialogs, SpecialFunctionsDialog)
{
    int opened = 0;
    SubjectEditorOpenHook() = [&] { ++opened; };
    Tform_sonder dlg;
    dlg.show();
    QTest::keyClicks(dlg.Edit1, "falsch");
    QTest::keyClick(dlg.Edit1, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(prompt.shown().isEmpty());

    // The right password without an open class.
    dlg.Edit1->setText(QString::fromUtf8("Gärten48260"));
    QTest::mouseClick(dlg.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompt.lastText(), "Dazu erst die Klasse öffnen, in der Fächer geändert werden sollen.");
    EXPECT_EQ(opened, 0);

    // With a class open the editor opens.
    state().openClassFile = "9a_2526_2.dbf";
    dlg.show();
    EXPECT_TRUE(dlg.Edit1->text().isEmpty());
    dlg.Edit1->setText(QString::fromUtf8("Gärten48260"));
    QTest::keyClick(dlg.Edit1, Qt::Key_Return);
    EXPECT_EQ(opened, 1);

    dlg.show();
    QTest::mouseClick(dlg.BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(opened, 1);
}

TEST_F(Dialogs, SubjectEditorPanelSaveCancelStandard)
{
    folder.layDefaults();
    state().openClassFile = "9a_2526_2.dbf";
    state().schoolTypeText = "der Werkrealschule";
    LoadClassLevelSubjects(state().openClassFile);
    SubjectEditorPanel panel;
    QSignalSpy closed(&panel, &SubjectEditorPanel::closed);
    ASSERT_TRUE(panel.open());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(prompt.shown().size(), 2);
    EXPECT_TRUE(panel.ProjectHint->isVisible());
    EXPECT_TRUE(panel.Memo2->toPlainText().contains("Deutsch*"));

    // Standard subjects: the level file is written at once.
    panel.Button7->click();
    EXPECT_EQ(folder.read("fa9-mit.DAT"), folder.read("sta-fa9-mit.dat"));
    EXPECT_TRUE(panel.Memo3->toPlainText().contains("Durchschnittsberechnung"));

    // An edit with a blank line; the exam rows follow the written lines.
    QString upper = panel.Memo2->toPlainText();
    upper.replace("Ethik\n", "Ethik\n\n");
    panel.Memo2->setPlainText(upper);
    panel.RadioGroup3Buttons->button(1)->setChecked(true);
    panel.Button1->click();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(closed.count(), 1);
    const QStringList file = ReadTextLines(folder.file("fa9-mit.DAT"));
    EXPECT_EQ(file.value(0), "3 7 ");
    EXPECT_EQ(file.value(4), "Deutsch");
    EXPECT_TRUE(file.contains("****1"));
    EXPECT_EQ(subjects().rowName(3), "Deutsch");
    EXPECT_EQ(subjects().msgGradeIndex, 1);

    // A refused list keeps the panel open with its text.
    ASSERT_TRUE(panel.open());
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QString("Fach %1").arg(i);
    panel.Memo2->setPlainText(many.join('\n'));
    panel.Button1->click();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(prompt.lastText().contains("höchstens 19"));
    EXPECT_EQ(panel.Memo2->toPlainText(), many.join('\n'));
    EXPECT_EQ(ReadTextLines(folder.file("fa9-mit.DAT")).value(4), "Deutsch");

    subjects().ebaHeading = "geändert";
    panel.Button2->click();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(closed.count(), 2);
    EXPECT_NE(subjects().ebaHeading, "geändert");
}

TEST_F(Dialogs, RegisteredPasswordHookShowsTheDialog)
{
    RegisterSmallDialogs();
    ASSERT_TRUE(static_cast<bool>(appHooks().showPasswordDialog));
    appHooks().showPasswordDialog(false);
    bool visible = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TPasswordDlg*>(w); d && d->isVisible()) {
            visible = true;
            d->Password->setText("3wiro");
            d->OKBtnClick();
        }
    EXPECT_TRUE(visible);
    EXPECT_FALSE(state().accessLocked);
    appHooks().showPasswordDialog = nullptr;
}
