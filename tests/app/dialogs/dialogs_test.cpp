// The small dialogs and the subject editor panel, driven like a user would;
// what they decide is the models' and tested with them.
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
#include "support/programfolder.h"
#include "support/scopedhook.h"
#include "support/textbytes.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
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

class Dialogs : public test::ProgramFolderTest {
protected:
    void TearDown() override { SubjectEditorOpenHook() = nullptr; }
};

} // namespace

// Shown by the menus' hook; Return in the edit is the OK; every showing
// starts with an empty edit.
TEST_F(Dialogs, PasswordDialog)
{
    RegisterSmallDialogs();
    const struct {
        const char* stored; // nullptr: no password file
        const char* typed;
        bool byReturn, locked;
        QString label, message;
    } rows[] = {
        {nullptr, "3wiro", true, false, "Erster Start mit Passwort 3wiro", {}},
        {"Schul€1", "3wiro", false, true, "Passwort eingeben", "Falsches Passwort !"},
        {"Schul€1", "Schul€1", true, false, "Passwort eingeben", {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.typed);
        if (r.stored)
            WritePasswordFile(QString::fromUtf8(r.stored));
        state().accessLocked = true;
        prompt.clear();
        appHooks().showPasswordDialog(false);
        TPasswordDlg* shown = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TPasswordDlg*>(w); d && d->isVisible())
                shown = d;
        ASSERT_TRUE(shown);
        TPasswordDlg& dlg = *shown;
        EXPECT_EQ(dlg.Label1->text(), r.label);
        EXPECT_TRUE(dlg.Password->text().isEmpty());
        dlg.Password->setText(QString::fromUtf8(r.typed));
        if (r.byReturn)
            QTest::keyClick(dlg.Password, Qt::Key_Return);
        else
            QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
        EXPECT_EQ(state().accessLocked, r.locked);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(prompt.texts(), r.message.isEmpty() ? QStringList{} : QStringList{r.message});
    }
    appHooks().showPasswordDialog = nullptr;
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
    dlg.show();
    prompt.yes();
    QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(abort.count(), 1);
    EXPECT_TRUE(state().quitRequested);
}

TEST_F(Dialogs, SchoolDataDialogSavesTheChosenType)
{
    folder.write("epw5.dat", crlf({"Schule?Ort", "Ort", "1", "2", "der Hauptschule", "x"}));
    state().schoolTypeText = "der Hauptschule";
    TBtnRightDlg dlg;
    dlg.prepareForSchoolType();
    dlg.show();
    EXPECT_EQ(dlg.Edit3->text(), "der Hauptschule");
    // The Gemeinschaftsschule notice comes with each choice of it.
    for (int index : {4, 3, 4})
        emit dlg.ComboBox1->activated(index);
    EXPECT_EQ(dlg.Edit3->text(), "der Gemeinschaftsschule");
    EXPECT_EQ(prompt.shown().size(), 2);
    // The school number of line 3 is shown and takes digits only.
    EXPECT_EQ(dlg.EditSchoolNumber->text(), "1");
    dlg.EditSchoolNumber->clear();
    QTest::keyClicks(dlg.EditSchoolNumber, "47a1-1");
    EXPECT_EQ(dlg.EditSchoolNumber->text(), "4711");
    QTest::mouseClick(dlg.SaveBtn, Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(folder.read("epw5.dat"), crlf({"Schule?Ort", "Ort", "4711", "2", "der Gemeinschaftsschule", "x"}));
    dlg.prepareForSchoolType();
    dlg.show();
    EXPECT_EQ(dlg.EditSchoolNumber->text(), "4711");
    dlg.reject();
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
    const struct {
        int button, user;
        QSize size;
        double points;
    } steps[] = {
        {0, 100, {720, 480}, 12}, // 120 %
        {2, 100, {600, 400}, 10}, // back to 100 % from 120 %
        {6, 0, {600, 400}, 10},   // a user value of 0 is refused, once
    };
    for (const auto& step : steps) {
        dlg.show();
        dlg.RadioGroup1Buttons->button(step.button)->setChecked(true);
        dlg.SpinEdit1->setValue(step.user);
        QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
        EXPECT_EQ(target.size(), step.size) << step.button;
        EXPECT_DOUBLE_EQ(target.font().pointSizeF(), step.points) << step.button;
    }
    EXPECT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(dlg.SpinEdit1->value(), 100);
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
    dlg.reject(); // untouched: asks nothing
    EXPECT_TRUE(prompt.shown().isEmpty());
    // Typed, then "Abbruch ohne zu speichern": No keeps the file, Yes saves.
    for (const Answer a : {Answer::No, Answer::Yes}) {
        dlg.show();
        dlg.Memo1->setPlainText("Klasse 9\nNeuer Titel\nSatz\nEBA neu\nRolle\nSchluss");
        prompt.answer(a);
        dlg.CancelNoSave->trigger();
        EXPECT_EQ(prompt.lastText(), "Änderungen speicher?");
        if (a == Answer::No) {
            EXPECT_EQ(folder.read("wahlzeilen.txt"), original);
        }
    }
    EXPECT_EQ(folder.read("wahlzeilen.txt"), crlf({"Klasse 9", "Neuer Titel", "Satz", "EBA neu", "Rolle", "Schluss"}));
    EXPECT_EQ(subjects().ebaHeading, "EBA neu");
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
    const hsa::test::ScopedHook open(SubjectEditorOpenHook(), [&] { ++opened; });
    Tform_sonder dlg;
    const struct {
        const char* typed;
        bool classOpen, stays;
        int opened;
    } rows[] = {{"falsch", true, true, 0}, {"Gärten48260", false, false, 0}, {"Gärten48260", true, false, 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.typed);
        state().openClassFile = r.classOpen ? "9a_2526_2.dbf" : "";
        opened = 0;
        dlg.show();
        EXPECT_TRUE(dlg.Edit1->text().isEmpty());
        dlg.Edit1->setText(QString::fromUtf8(r.typed));
        QTest::keyClick(dlg.Edit1, Qt::Key_Return);
        EXPECT_EQ(dlg.isVisible(), r.stays);
        EXPECT_EQ(opened, r.opened);
        dlg.hide();
    }
    EXPECT_EQ(prompt.texts(), QStringList{"Dazu erst die Klasse öffnen, in der Fächer geändert werden sollen."});
}

TEST_F(Dialogs, SubjectEditorPanelRefusalAndCancel)
{
    folder.layDefaults();
    state().openClassFile = "9a_2526_2.dbf";
    state().schoolTypeText = "der Werkrealschule";
    LoadClassLevelSubjects(state().openClassFile);
    SubjectEditorPanel panel;
    QSignalSpy closed(&panel, &SubjectEditorPanel::closed);
    // A refused list keeps the panel open with its text; cancel restores.
    ASSERT_TRUE(panel.open());
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QString("Fach %1").arg(i);
    panel.Memo2->setPlainText(many.join('\n'));
    panel.Button1->click();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(prompt.lastText().contains("höchstens 19"));
    EXPECT_EQ(panel.Memo2->toPlainText(), many.join('\n'));
    subjects().ebaHeading = "geändert";
    panel.Button2->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_NE(subjects().ebaHeading, "geändert");
}
