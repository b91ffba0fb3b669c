#include "support/scopedhook.h"
#include "word/attachments.h"
#include "word/office.h"
#include "word/wordforms.h"
#include "word/wordformswindow.h"

#include "classes/textfile.h"
#include "platform/recordingshell.h"
#include "platform/shell.h"
#include "print/drivers.h"
#include "print/printer.h"
#include "print/recordingdevice.h"
#include "support/classfolder.h"
#include "support/pdfwords.h"
#include "zip/support/ziptestsupport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace hsa;
using namespace hsa::test;

namespace {

// A stub "lp" records its arguments and keeps each job's file; a stub
// "soffice" turns every input into a one-page PDF (or a given ".docx") and
// keeps the input.
const char* const kLp = "#!/bin/sh\n"
                        "echo \"$*\" >> \"$STUB_DIR/lp.log\"\n"
                        "for a; do f=\"$a\"; done\n"
                        "n=$(ls \"$STUB_DIR\" | grep -c '^job')\n"
                        "cp \"$f\" \"$STUB_DIR/job$n.pdf\"\n"
                        "[ -z \"$LP_REFUSE\" ] || { echo 'lp: The printer or class does not exist.' >&2; exit 1; }\n";
const char* const kOffice =
    "#!/bin/sh\n"
    "echo call >> \"$STUB_DIR/office.log\"\n"
    "while [ $# -gt 0 ]; do case \"$1\" in\n"
    "  --outdir) out=\"$2\"; shift 2;; --convert-to) fmt=\"$2\"; shift 2;; -*) shift;;\n"
    "  *) b=$(basename \"$1\"); cp \"$1\" \"$STUB_DIR/in_$b\"; src=\"$STUB_PDF\"; [ \"$fmt\" = docx ] && src=\"$STUB_DOCX\"\n"
    "     cp \"$src\" \"$out/${b%.*}.$fmt\"; shift;;\n"
    "esac; done\n";

class WordFormsTest : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        // Hooks a main window of an earlier test left behind point into it.
        printLoopHooks() = {};
        setShell(&shell);
        setPrinterSystem(&printers);
        savedPath = qgetenv("PATH");
        for (const auto& [name, script] : {std::pair{"lp", kLp}, {"soffice", kOffice}}) {
            QFile f(stubs.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(script) > 0);
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("STUB_DIR", stubs.path().toUtf8());
        QPdfWriter writer(stubs.filePath("eine-seite.pdf"));
        QPainter(&writer).drawText(100, 100, "Seite");
        qputenv("STUB_PDF", stubs.filePath("eine-seite.pdf").toUtf8());
        qputenv("PATH", (stubs.path() + ":/usr/bin:/bin").toUtf8());
        makeClass("9a_25262.dbf", {{"1", "Muster", "Anna", "W", {{"AG3", "01.02.2010"}}},
                                   {"2", "Beispiel", "Ben", "M", {{"AG3", "02.02.2010"}}},
                                   {"3", "Probe", "Paula", "W", {{"AG3", "03.02.2010"}}},
                                   {"4", "FAKTOR", "Gewichte", "M", {{"AG3", "1"}}},
                                   // Not printed: a last name alone, a first name alone.
                                   {"5", "Nurname", "", "M", {{"AG3", "05.02.2010"}}},
                                   {"6", "", "Nurvor", "W", {{"AG3", "06.02.2010"}}}});
        openClass("9a_25262.dbf");
        state().currentStudentRecord = 0;
        forms = WordFormsController();
    }
    void TearDown() override
    {
        qputenv("PATH", savedPath);
        qunsetenv("LP_REFUSE");
        RealClassFixture::TearDown();
    }
    // The lp calls, each without the file it printed.
    QStringList lpCalls() const
    {
        QFile f(stubs.filePath("lp.log"));
        QStringList calls = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                                        : QStringList();
        for (QString& call : calls)
            call = call.section(' ', 0, -2);
        return calls;
    }
    QString job(int n) const { return stubs.filePath(QString("job%1.pdf").arg(n)); }
    void reset()
    {
        for (const QString& f : QDir(stubs.path()).entryList({"job*", "in_*", "*.log", "ausdruck.pdf"}, QDir::Files))
            QFile::remove(stubs.filePath(f));
        prompt.clear();
    }
    // Form type, range (0 the current student, 1 all, 2 from/to) and variant.
    void choose(int type, int range, int variant, int from = 1, int to = 1)
    {
        forms.formType = type;
        forms.range = range;
        forms.variant = variant;
        forms.fromNr = from;
        forms.toNr = to;
    }
    QTemporaryDir stubs;
    QByteArray savedPath;
    RecordingShell shell;
    RecordingPrinterSystem printers{{"Buero", "PDF-Datei"}, "Buero"};
    WordFormsController forms;
};

} // namespace

// Each way of printing, and the refusals: a printer that does not take the
// job, a missing template, no office suite, a conversion without a PDF.
TEST_F(WordFormsTest, PrintsThroughTheChosenPrinter)
{
    const QStringList all{"Muster", "Beispiel", "Probe"};
    const struct {
        const char* name;
        std::function<void()> before;
        int type, range, variant, from, to;
        QStringList answers;       // copies, file name
        const char* printer;
        QStringList calls;         // lp arguments before the file
        QList<int> pages;          // of each job
        QStringList done;
        QString message = {};      // last message contains
    } cases[] = {
        {"one job per student", {}, 1, 1, 0, 1, 1, {}, "Buero",
         {"-d Buero -n 1 -t Nr. 1 Muster", "-d Buero -n 1 -t Nr. 2 Beispiel", "-d Buero -n 1 -t Nr. 3 Probe"}, {1, 1, 1}, all},
        {"one joined job", {}, 2, 1, 1, 1, 1, {}, "Buero", {"-d Buero -n 1 -t Formulare bewertungsbogen"}, {3}, all},
        {"range", {}, 1, 2, 0, 2, 3, {}, "Buero",
         {"-d Buero -n 1 -t Nr. 2 Beispiel", "-d Buero -n 1 -t Nr. 3 Probe"}, {1, 1}, {"Beispiel", "Probe"}},
        {"copies asked again", {}, 0, 0, 1, 1, 1, {"31", "x", "0", "3"}, "Buero", {"-d Buero -n 3 -t Nr. 1 Muster"}, {1}, {"Muster"}},
        {"thirty copies", {}, 0, 0, 1, 1, 1, {"30"}, "Buero", {"-d Buero -n 30 -t Nr. 1 Muster"}, {1}, {"Muster"}},
        {"PDF file", {}, 1, 1, 0, 1, 1, {"ausdruck"}, "PDF-Datei", {}, {}, all},
        {"abort", [&] { forms.hooks().processEvents = [] { state().printAbortRequested = true; }; }, 1, 1, 1, 1, 1, {}, "Buero",
         {}, {}, {}},
        {"refused", [] { qputenv("LP_REFUSE", "1"); }, 1, 0, 0, 1, 1, {}, "Buero", {"-d Buero -n 1 -t Nr. 1 Muster"}, {1}, {},
         "nicht angenommen"},
        {"no PDF from the conversion", [] { qputenv("STUB_PDF", "/dev/null"); }, 1, 1, 1, 1, 1, {}, "Buero", {}, {}, {},
         "keine PDF-Datei"},
        {"template missing", [&] { QFile::remove(folder.file("doc/beobachtung.docx")); }, 1, 0, 1, 1, 1, {}, "Buero", {}, {},
         {}, "beobachtung.docx nicht gefunden"},
        {"no office suite", [&] { qputenv("PATH", stubs.path().toUtf8()); QFile::remove(stubs.filePath("soffice")); }, 2, 0, 1,
         1, 1, {}, "Buero", {}, {}, {}, kMsgNoOffice},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        qunsetenv("LP_REFUSE");
        qputenv("STUB_PDF", stubs.filePath("eine-seite.pdf").toUtf8());
        forms.hooks().processEvents = [] {};
        ASSERT_TRUE(printer().SelectPrinterDevice(c.printer, {}, {}));
        for (const QString& a : c.answers)
            prompt.text(a == "ausdruck" ? stubs.filePath(a) : a);
        if (c.before)
            c.before();
        choose(c.type, c.range, c.variant, c.from, c.to);
        // Memo1 grows as each job is taken; the main window shows the
        // student being filled, with its abort button, for several students.
        QStringList grown, shown;
        QList<bool> abortButton;
        const ScopedHook grownHook(forms.hooks().studentDone, [&](const QString& name) {
            grown << name + "@" + QString::number(lpCalls().size());
        });
        const ScopedHook shownHook(printLoopHooks().progress, [&](const QString& text) { shown << text; });
        const ScopedHook abortHook(printLoopHooks().abortButton, [&](bool visible) { abortButton << visible; });
        forms.Start();
        QStringList names = grown;
        for (QString& n : names)
            n = n.section('@', 0, 0);
        EXPECT_EQ(names, c.done);
        if (QString(c.name) == "one job per student") {
            EXPECT_EQ(grown, QStringList({"Muster@1", "Beispiel@2", "Probe@3"}));
        }
        if (QString(c.name) == "range") {
            EXPECT_EQ(shown.value(0), "Drucke Schüler Nr.2  Ben  Beispiel   (Bitte warten)");
            EXPECT_EQ(shown.last(), "");
            EXPECT_EQ(abortButton.value(0), true);
            EXPECT_EQ(abortButton.last(), false);
        }
        if (c.range == 0) {
            EXPECT_TRUE(shown.isEmpty() && abortButton.isEmpty());
        }
        EXPECT_EQ(lpCalls(), c.calls);
        for (int i = 0; i < c.pages.size(); ++i)
            EXPECT_EQ(PdfPageCount(job(i)), c.pages[i]) << "job " << i;
        EXPECT_EQ(forms.done(), c.done);
        EXPECT_TRUE(forms.mayClose());
        EXPECT_TRUE(prompt.lastText().contains(c.message)) << prompt.lastText().toStdString();
        EXPECT_EQ(PdfPageCount(stubs.filePath("ausdruck.pdf")), QString(c.printer) == "PDF-Datei" ? 3 : -1);
        // The file is proposed under the forms' and the class's name.
        for (const auto& shown : prompt.shown())
            if (shown.call == ScriptedPrompt::Call::SaveFile) {
                EXPECT_EQ(QFileInfo(shown.preset).fileName(), "Formulare " + kWordFormTypes[c.type] + " 9a.pdf");
            }
        if (QString(c.name) == "abort") {
            EXPECT_EQ(state().printToNr, 39);
        }
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        state().printAbortRequested = false;
    }
}

// The window is FormScale - 10 wide; above 800 pixels it stands 650 high,
// 100 pixels from the top; below, its height is scaled against 800.
TEST(WordFormsWindow, GeometryFollowsFormScale)
{
    for (const auto& [scale, g] : {std::pair{1024, WordFormsGeometry{1014, 650, 100}}, {1280, {1270, 650, 100}},
                                   {800, {790, 650, -1}}, {640, {630, 520, -1}}})
        EXPECT_EQ(ComputeWordFormsGeometry(scale), g) << scale;
}

// The attachment is printed as the user left it, never filled again; a
// student without one is named.
TEST_F(WordFormsTest, AttachmentsPrintAsTheyStand)
{
    ASSERT_TRUE(CreateCertificateAttachment(0));
    ASSERT_TRUE(CreateCertificateAttachment(2));
    const QByteArray edited = folder.read("doc/anlage10.docx");
    folder.write("9a_25262/Probe_Paula.docx", edited);
    choose(3, 1, 1);
    forms.Start();
    EXPECT_TRUE(prompt.texts().contains(QDir::toNativeSeparators(QDir(classFolder()).filePath("Beispiel_Ben.docx"))
                                        + " existiert nicht"));
    EXPECT_EQ(ReadFileBytes(stubs.filePath("in_nr03.docx")), edited);
    EXPECT_EQ(PdfPageCount(job(0)), 2);
    EXPECT_EQ(forms.done(), QStringList({"Muster", "Probe"}));
}

// An old ".doc" template is converted once and kept as ".docx" beside it.
TEST_F(WordFormsTest, OldDocTemplateIsConvertedOnce)
{
    ASSERT_TRUE(QFile::rename(folder.file("doc/anlage.docx"), stubs.filePath("vorlage.docx")));
    qputenv("STUB_DOCX", stubs.filePath("vorlage.docx").toUtf8());
    folder.write("doc/anlage.doc", "alt");
    ASSERT_TRUE(CreateCertificateAttachment(0)) << prompt.texts().join(" | ").toStdString();
    ASSERT_TRUE(CreateCertificateAttachment(2));
    EXPECT_TRUE(folder.exists("doc/anlage.docx"));
    EXPECT_EQ(ReadFileBytes(stubs.filePath("office.log")), "call\n");
}

// With the real office suite each student's form carries his name.
TEST_F(WordFormsTest, LibreOfficeFillsEachStudentsForm)
{
    qputenv("PATH", (stubs.path() + ":/usr/bin:/bin:/usr/local/bin").toUtf8());
    QFile::remove(stubs.filePath("soffice"));
    if (OfficeProgram().isEmpty())
        GTEST_SKIP() << "LibreOffice nicht installiert: keine echte Umwandlung";
    choose(1, 1, 0);
    forms.Start();
    ASSERT_EQ(lpCalls().size(), 3) << prompt.texts().join(" | ").toStdString();
    for (int i = 0; i < 3; ++i) {
        const QString text = QString::fromStdString(zip::test::RunShell("pdftotext " + job(i).toStdString() + " -").output);
        EXPECT_TRUE(text.contains(QStringList({"Muster", "Beispiel", "Probe"})[i])) << i << "\n" << text.toStdString();
        EXPECT_TRUE(text.contains("Beobachtungsbogen")) << i;
    }
}

// The window itself, as the user works it: "Unsichtbar im Hintergrund" is
// ticked and not offered; "Start" empties the list of students done and
// lists this run's students; the window is usable again afterwards.
TEST_F(WordFormsTest, WindowStartEmptiesTheListAndPrintsTheChosenStudents)
{
    ASSERT_TRUE(printer().SelectPrinterDevice("Buero", {}, {}));
    TForm4 window(forms);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.CheckBox1->isChecked());
    EXPECT_TRUE(window.CheckBox1->isHidden());
    EXPECT_EQ(window.RadioGroup1->checkedId(), 1); // "Beobachtungsbogen"
    const struct {
        const char* name;
        int range;           // "Ausdruck für"
        int from, to;
        int variant;         // "Technische Variante"
        QStringList listed;  // Memo1 after the run
        int jobs;
    } runs[] = {
        {"all, one job each", 1, 1, 1, 0, {"Muster", "Beispiel", "Probe"}, 3},
        {"from 2 to 3, one job", 2, 2, 3, 1, {"Beispiel", "Probe"}, 1},
        {"the marked student", 0, 1, 1, 1, {"Muster"}, 1},
    };
    window.Memo1->setPlainText(QStringLiteral("vom letzten Mal"));
    for (const auto& r : runs) {
        SCOPED_TRACE(r.name);
        reset();
        window.RadioGroup2->button(r.range)->click();
        window.RadioGroup3->button(r.variant)->click();
        window.SpinEdit1->setValue(r.from);
        window.SpinEdit2->setValue(r.to);
        QTest::mouseClick(window.Button1, Qt::LeftButton);
        EXPECT_EQ(window.Memo1->toPlainText().split('\n', Qt::SkipEmptyParts), r.listed)
            << prompt.texts().join(" | ").toStdString();
        EXPECT_FALSE(window.Memo1->toPlainText().contains("letzten")); // emptied at "Start"
        EXPECT_EQ(lpCalls().size(), r.jobs);
        EXPECT_TRUE(window.Button1->isEnabled());
        EXPECT_TRUE(window.Panel3->isHidden());
        EXPECT_TRUE(window.CheckBox1->isChecked() && window.CheckBox1->isHidden());
        EXPECT_TRUE(forms.mayClose());
        window.Memo1->appendPlainText(QStringLiteral("vom letzten Mal"));
    }
}

// An error the run does not handle itself (here from the list of students
// done) is shown once; the window stays open, its choices as they were, its
// "Start" usable again, and it can be closed.
TEST_F(WordFormsTest, AnUnexpectedErrorDuringARunIsShownAndTheWindowStaysUsable)
{
    ASSERT_TRUE(printer().SelectPrinterDevice("Buero", {}, {}));
    TForm4 window(forms);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.RadioGroup2->button(2)->click();
    window.SpinEdit1->setValue(2);
    window.SpinEdit2->setValue(3);
    const ScopedHook failing(forms.hooks().studentDone,
                             [](const QString&) { throw std::runtime_error("Speicher voll"); });
    prompt.clear();
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    EXPECT_EQ(prompt.texts(), QStringList{"Unerwarteter Fehler: Speicher voll"});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QList<int>({window.RadioGroup2->checkedId(), window.SpinEdit1->value(), window.SpinEdit2->value()}),
              QList<int>({2, 2, 3}));
    EXPECT_TRUE(window.Button1->isEnabled());
    EXPECT_TRUE(window.Panel3->isHidden());
    EXPECT_TRUE(forms.mayClose());
    EXPECT_TRUE(window.close());
}
