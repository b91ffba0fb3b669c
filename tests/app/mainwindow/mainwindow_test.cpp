// The main window as the secretary sees it through a school day: the school
// name above whatever the window shows, the class list behind every
// question of a print, and the attachments of all students from the menu.

#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "grades/classgrid.h"
#include "print/printer.h"
#include "print/recordingdevice.h"
#include "support/dbfpeer.h"
#include "support/programwindows.h"
#include "word/attachments.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QApplication>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <functional>

using namespace hsa;

namespace {

const QString kClass = QStringLiteral("9a_21222.dbf");

// The scripted answers, and what the window showed when each question came.
class WatchingPrompt : public ScriptedPrompt {
public:
    std::function<void(const QString& question)> asked;
    Answer ask(MsgKind kind, const QString& text, Buttons buttons, const QString& caption,
               std::optional<Answer> defaultButton) override
    {
        if (asked)
            asked(text);
        return ScriptedPrompt::ask(kind, text, buttons, caption, defaultButton);
    }
    std::optional<QString> saveFileName(const QString& caption, const QString& dir, const QString& filter) override
    {
        if (asked)
            asked(caption);
        return ScriptedPrompt::saveFileName(caption, dir, filter);
    }
};

class MainWindowDay : public test::ProgramWindowsFixture {
protected:
    void SetUp() override
    {
        classGrid().reset();
        ProgramWindowsFixture::SetUp();
        state().accessLocked = false;
        prompt.setDefaultAnswer(Answer::Yes);
        dir.layDefaults();
        QFile::copy(dir.file("start2.dbf"), dir.file(kClass));
        QDir(dir.path()).mkpath(kClass.left(8));
        DbfTable t;
        t.open(dir.file(kClass));
        const struct {
            const char* last;
            const char* first;
            const char* born;
        } students[] = {
            {"Zorn", "Zoe", "01.02.2010"}, {"Adler", "Anna", "02.03.2010"}, {"Ohne", "Datum", ""},
            {"FAKTOR", "x", "1"},          {"Maier", "Max", "04.05.2010"},
        };
        int r = 0;
        for (const auto& s : students) {
            t.setValue(r, "NACHNAME", QString::fromUtf8(s.last));
            t.setValue(r, "VORNAME", QString::fromUtf8(s.first));
            t.setValue(r, "AG3", QString::fromUtf8(s.born));
            ++r;
        }
        form->show();
    }
    void TearDown() override
    {
        ClassTable().close();
        classGrid().reset();
        ProgramWindowsFixture::TearDown();
    }
    void openClass()
    {
        form->trigger("whlen1");
        form->FileListBox1->setCurrentItem(form->FileListBox1->findItems(kClass, Qt::MatchFixedString).value(0));
        form->FileListBox1Activate();
        ASSERT_EQ(state().openClassFile, kClass) << prompt.texts().join(" | ").toStdString();
    }
    QString schoolName() const { return form->Label2->isVisible() ? form->Label2->text() : QString(); }
};

} // namespace

// The school name stays above the window from the start through choosing,
// opening and sorting a class and opening all attachments.
TEST_F(MainWindowDay, SchoolNameStaysThroughTheDay)
{
    const QString name = schoolName();
    ASSERT_TRUE(name.startsWith("Hauptschule mit Werkrealschule")) << name.toStdString();
    const struct {
        const char* step;
        std::function<void()> run;
    } steps[] = {
        {"choose and open", [&] { openClass(); }},
        {"sort", [&] {
             prompt.yes().no().no();
             form->trigger("Schlerlistesortieren1");
         }},
        {"grade table", [&] {
             form->trigger("JahresleistungEingabe1");
             classGrid().CloseTable();
         }},
        {"all attachments", [&] { form->trigger("WordfensterfralleSchleranlegenbearbeiten1"); }},
    };
    for (const auto& s : steps) {
        s.run();
        EXPECT_EQ(schoolName().toStdString(), name.toStdString()) << s.step;
    }
    // The sort did run.
    EXPECT_EQ(ClassTable().value(0, "NACHNAME"), "Adler");
}

// Every question of the sorted year-mark list printed to a PDF file stands
// over the class list, never over a window emptied for the print.
TEST_F(MainWindowDay, PrintQuestionsStandOverTheClassList)
{
    openClass();
    ScopedRecordingPrinter printers({"Buero", "PDF-Datei"}, "Buero");
    RecordingDevice& pdfPrinter = printers.system().recorder("PDF-Datei");
    pdfPrinter.pdf = true;
    ASSERT_TRUE(printer().SelectPrinterDevice("PDF-Datei", {}, {}));
    WatchingPrompt watching;
    watching.setDefaultAnswer(Answer::Yes);
    watching.text(dir.file("jahresleistung.pdf"));
    QStringList seen;
    watching.asked = [&](const QString& question) {
        seen << question.trimmed() + (form->DBGrid1->isVisible() ? " | Liste sichtbar" : " | leeres Fenster");
    };
    setPrompts(&watching);
    form->trigger("TabelleAnmeldenoten1");
    setPrompts(&prompt);
    ASSERT_GE(seen.size(), 2) << watching.texts().join(" | ").toStdString();
    EXPECT_EQ(seen.value(0).toStdString(), "Nach Durchschnitt sortieren? | Liste sichtbar");
    EXPECT_EQ(seen.value(1).toStdString(), "Liste im Querformat? | Liste sichtbar");
    for (const QString& s : seen)
        EXPECT_TRUE(s.endsWith("Liste sichtbar")) << s.toStdString();
    ASSERT_EQ(pdfPrinter.jobs.size(), 1) << watching.texts().join(" | ").toStdString();
    EXPECT_TRUE(pdfPrinter.lastJob().ended && pdfPrinter.lastJob().landscape);
    EXPECT_TRUE(form->DBGrid1->isVisible() && form->DBGrid1->isEnabled());
}

// "ALLE SCHÜLER": every student's attachment is made where it is missing
// and opened at "Verbal"; an attachment already written is opened as it
// stands; the weighting record gets none, a student without a birth date is
// named and gets none.
TEST_F(MainWindowDay, AllStudentsAttachmentsOpenAtVerbal)
{
    openClass();
    const QDir folder(state().classDir);
    ASSERT_TRUE(CreateCertificateAttachment(4)); // Maier, written by hand since
    QFile maier(folder.filePath("Maier_Max.docx"));
    ASSERT_TRUE(maier.open(QIODevice::Append));
    maier.write("x");
    maier.close();
    const QByteArray written = [&] {
        QFile f(folder.filePath("Maier_Max.docx"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    shellDouble.requests.clear();
    prompt.clear();
    form->trigger("WordfensterfralleSchleranlegenbearbeiten1");
    QStringList opened;
    for (const auto& r : shellDouble.requests)
        opened << r.what + " " + QFileInfo(r.target).fileName() + " @" + r.args.join(",");
    EXPECT_EQ(opened, QStringList({"file Zorn_Zoe.docx @Verbal", "file Adler_Anna.docx @Verbal",
                                   "file Maier_Max.docx @Verbal"}));
    EXPECT_FALSE(folder.exists("FAKTOR_x.docx"));
    EXPECT_FALSE(folder.exists("Ohne_Datum.docx"));
    EXPECT_EQ(prompt.texts().filter("Geburtsdatum").size(), 1) << prompt.texts().join(" | ").toStdString();
    QFile f(folder.filePath("Maier_Max.docx"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), written);
    // The list is back and the main window shows no progress any longer.
    EXPECT_TRUE(form->DBGrid1->isVisible());
}

// A name typed into the open student list that the class table cannot hold
// (a letter outside its code page, more letters than the field takes) is
// refused with the reason, and the student keeps the old name; one it can
// hold is stored as typed.
TEST_F(MainWindowDay, StudentListRefusesTypedNamesItCannotStore)
{
    openClass();
    form->trigger("ListezumSchreibenfreigeben1");
    QTableView* list = form->DBGrid1;
    ASSERT_TRUE(list->isVisible());
    form->activateWindow();
    QApplication::setActiveWindow(form);
    const int width = ClassTable().fieldWidth("NACHNAME");
    const QString tooLong = QString("Hohenzollern").repeated(width / 12 + 1);
    const struct {
        QString typed;
        QString stored;
        QString refusal; // empty: no box
    } cases[] = {
        {"Ayşe", "Zorn", "Das Zeichen \"ş\" in \"Ayşe\" kann nicht gespeichert werden."},
        {"Zoë😀", "Zorn", "Das Zeichen \"😀\" in \"Zoë😀\" kann nicht gespeichert werden."},
        {tooLong, "Zorn", QString("Der Text ist %1 Zeichen lang; dieses Feld nimmt höchstens %2 Zeichen auf.")
                              .arg(tooLong.size())
                              .arg(width)},
        {"Zoë", "Zoë", {}},
        {"Zorn", "Zorn", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        prompt.clear();
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 1));
        QTest::keyClick(list, Qt::Key_F2);
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : list->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        ASSERT_TRUE(editor) << "no editor opened";
        editor->selectAll();
        // Key by key, as a keyboard with these letters sends them.
        for (qsizetype i = 0; i < c.typed.size(); ++i) {
            const qsizetype n = c.typed.at(i).isHighSurrogate() ? 2 : 1;
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent key(type, Qt::Key_unknown, Qt::NoModifier, c.typed.mid(i, n));
                QApplication::sendEvent(editor, &key);
            }
            i += n - 1;
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(ClassTable().value(0, "NACHNAME").toStdString(), c.stored.toStdString());
        EXPECT_EQ(prompt.texts().join(" | ").section("\n\r", 0, 0).toStdString(), c.refusal.toStdString());
        // The file holds it as well, as another dBase reader sees it.
        if (const auto rows = test::DbfreadRows(dir.file(kClass), "cp1252", {"NACHNAME"})) {
            EXPECT_EQ(rows->value(0).toStdString(), c.stored.toStdString());
        }
    }
}
