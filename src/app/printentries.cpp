#include "app/printentries.h"

#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/scaling.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "platform/screen.h"
#include "platform/windowhook.h"
#include "print/documentkinds.h"
#include "print/classlists.h"
#include "print/documentname.h"
#include "print/drivers.h"
#include "print/printmenu.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>

#include <functional>

namespace hsa {

namespace {

// The printed tables take their column widths from the grade grid's design on
// this screen.
GridPrintGeometry gridGeometry()
{
    const ScreenInfo s = screen().info();
    const ScreenLayout l = ComputeScreenLayout(s.width, s.height, state().fontFactor, s.usableWidth());
    GridPrintGeometry g;
    if (l.gridDefaultColWidth > 0 && l.gridCol0Width > 0) {
        g.defaultWidth = l.gridDefaultColWidth;
        g.column0Width = l.gridCol0Width;
    }
    return g;
}

QString copyNotice()
{
    const QString br = QStringLiteral("\n\r");
    const SharedState& s = state();
    return QStringLiteral("Prüfungsausschussvorsitzende/r und für Klasse 10 auch Schulleiter/in:") + br
        + QStringLiteral("Titel und Name können im Menüpunkt \"Allgemeine Eingaben\" eingegeben und "
                         "gespeichert werden")
        + br + br + QStringLiteral("Prüfungsvorsitzende/r: ") + s.examChairName + br
        + QStringLiteral("Schulleiter/in:                 ") + s.headTeacherName;
}

// The three entries of one per-student document: the document kind, then the
// driver.
void perStudent(const char* marked, const char* all, const char* range, int kind, const char* document,
                bool notice = false)
{
    const QString name = QString::fromUtf8(document);
    const auto run = [kind, notice, name](void (*driver)()) {
        return [kind, notice, name, driver] {
            if (notice)
                showMessage(copyNotice());
            state().printDocKind = kind;
            const PrintDocumentName named(name);
            driver();
        };
    };
    RegisterMenuHandler(QString::fromLatin1(marked), run(&PrintMarkedStudent));
    RegisterMenuHandler(QString::fromLatin1(all), run(&PrintAllStudents));
    RegisterMenuHandler(QString::fromLatin1(range), run(&PrintStudentRange));
}

void installLoopView(TForm1& form)
{
    auto* progress = new QLineEdit(&form);
    progress->setObjectName(QStringLiteral("Edit1"));
    progress->setReadOnly(true);
    progress->setVisible(false);
    auto* abort = new QPushButton(QStringLiteral("Abbrechen"), &form);
    abort->setObjectName(QStringLiteral("Abbrechen"));
    abort->setVisible(false);
    form.statusBar()->addWidget(progress, 1);
    form.statusBar()->addPermanentWidget(abort);
    QObject::connect(abort, &QPushButton::clicked, abort, [abort] {
        RequestPrintAbort(WhileAlive(abort, [abort](const QString& c) { abort->setText(c); }));
    });

    PrintLoopHooks& h = printLoopHooks();
    // The loop hooks outlive the window: each holds its widget through a
    // QPointer, so a print after the window went calls no freed widget.
    h.progress = WhileAlive(progress, [progress](const QString& text) {
        progress->setText(text);
        progress->setVisible(!text.isEmpty());
    });
    h.abortButton = WhileAlive(abort, [abort](bool visible) {
        abort->setText(QStringLiteral("Abbrechen"));
        abort->setVisible(visible);
    });
    // While a print walks the class table the list takes no input, but it
    // stays in the window: the questions and the file dialog of a print
    // stand over the class the user sees, never over an emptied window.
    QTableView* list = form.DBGrid1;
    h.studentList = [enable = WhileAlive(list, [list](bool usable) { list->setEnabled(usable); })](bool usable) {
        enable(usable);
        if (usable)
            NotifyMainWindow(); // the window decides whether the list is shown
    };
    h.pause = [] { QCoreApplication::processEvents(); };
}

} // namespace

void InstallPrintEntries(TForm1& form)
{
    installLoopView(form);

    perStudent("AktuellerSchler1", "AlleSchler1", "VonNr1", kDocCertificate, "Abschlusszeugnis");
    perStudent("MarkierterSchler1", "AlleSchler2", "Vonbis1", kDocYearMarkSheet, "Jahresleistungszeugnis");
    perStudent("MarkierterSchler2", "AlleSchler3", "Vonbis2", kDocFinalGradeSheet, "Schülerblatt Endnoten");
    perStudent("MarkierterSchler6", "AlleSchler7", "Vonbis6", kDocExamTable, "Prüfungstabelle");
    perStudent("MarkierterSchler3", "AlleSchler4", "Vonbis3", kDocExamTable, "Prüfungstabelle zur Information");
    perStudent("MarkierterSchler4", "AlleSchler5", "Vonbis4", kDocBoundaryGradeSheet, "Schülerblatt Grenznoten");
    perStudent("MarkierterSchler5", "AlleSchler6", "Vonbis5", kDocCertificateCopy, "Abschrift Abschlusszeugnis", true);

    // The class lists, each under the name its PDF file is proposed by.
    const auto list = [](const char* entry, const char* document, std::function<void()> print) {
        const QString name = QString::fromUtf8(document);
        RegisterMenuHandler(QString::fromLatin1(entry), [name, print] {
            const PrintDocumentName named(name);
            print();
        });
    };
    list("Notenliste1", "Klassenübersicht Endnoten", [] { PrintFinalGradeOverview(gridGeometry()); });
    list("Notentabelleleer1", "Klassenliste leer", [] { PrintEmptyGradeTable(gridGeometry()); });
    list("TabelleAnmeldenoten1", "Jahresleistung Klassenliste",
         [] { PrintJahresleistungTable(true, gridGeometry()); });
    list("JLEintragslisteKlassenliste1", "Jahresleistung Eintragsliste",
         [] { PrintJahresleistungTable(false, gridGeometry()); });
    list("EintragslistefrWahldermndlPrfungsfcher1", "Mündliche Prüfungen Klassentabelle",
         [] { PrintExamEntryTable(true, gridGeometry()); });
    list("PPKlassentabelleAllepraktischenPrfungenEintragslisteKontrollliste1", "Praktische Prüfungen Klassentabelle",
         [] { PrintExamEntryTable(false, gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("SPKlassentabellemitallenschriftlichenPrfungsnoten1"),
                        [] { showMessage(WrittenExamTableHint()); });
    list("EZKlassetabellemitallenPrfungsleistungen1", "Prüfungsleistungen Klassentabelle",
         [] { PrintExamPerformanceTable(gridGeometry()); });
    list("ErgebnislistefrdasstaatlicheSchulamt1", "Ergebnisliste", [] { PrintResultListForAuthority(); });
    RegisterMenuHandler(QStringLiteral("Druckstarten1"), [] { PrintOpenGradeTable(gridGeometry()); });
}

} // namespace hsa
