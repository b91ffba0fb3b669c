#include "app/printentries.h"

#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/scaling.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "platform/screen.h"
#include "print/classlists.h"
#include "print/drivers.h"
#include "print/printmenu.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>

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
void perStudent(const char* marked, const char* all, const char* range, int kind, bool notice = false)
{
    const auto run = [kind, notice](void (*driver)()) {
        return [kind, notice, driver] {
            if (notice)
                showMessage(copyNotice());
            state().printDocKind = kind;
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
    QObject::connect(abort, &QPushButton::clicked, abort,
                     [abort] { RequestPrintAbort([abort](const QString& c) { abort->setText(c); }); });

    PrintLoopHooks& h = printLoopHooks();
    h.progress = [progress](const QString& text) {
        progress->setText(text);
        progress->setVisible(!text.isEmpty());
    };
    h.abortButton = [abort](bool visible) {
        abort->setText(QStringLiteral("Abbrechen"));
        abort->setVisible(visible);
    };
    QTableView* list = form.DBGrid1;
    h.studentList = [list](bool visible) {
        if (visible)
            NotifyMainWindow(); // the window decides whether the list is shown
        else
            list->setVisible(false);
    };
    h.pause = [] { QCoreApplication::processEvents(); };
}

} // namespace

void InstallPrintEntries(TForm1& form)
{
    installLoopView(form);

    perStudent("AktuellerSchler1", "AlleSchler1", "VonNr1", 1);
    perStudent("MarkierterSchler1", "AlleSchler2", "Vonbis1", 2);
    perStudent("MarkierterSchler2", "AlleSchler3", "Vonbis2", 3);
    perStudent("MarkierterSchler6", "AlleSchler7", "Vonbis6", 4);
    perStudent("MarkierterSchler3", "AlleSchler4", "Vonbis3", 4);
    perStudent("MarkierterSchler4", "AlleSchler5", "Vonbis4", 5);
    perStudent("MarkierterSchler5", "AlleSchler6", "Vonbis5", 6, true);

    RegisterMenuHandler(QStringLiteral("Notenliste1"), [] { PrintFinalGradeOverview(gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("Notentabelleleer1"), [] { PrintEmptyGradeTable(gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("TabelleAnmeldenoten1"),
                        [] { PrintJahresleistungTable(true, gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("JLEintragslisteKlassenliste1"),
                        [] { PrintJahresleistungTable(false, gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("EintragslistefrWahldermndlPrfungsfcher1"),
                        [] { PrintExamEntryTable(true, gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("PPKlassentabelleAllepraktischenPrfungenEintragslisteKontrollliste1"),
                        [] { PrintExamEntryTable(false, gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("SPKlassentabellemitallenschriftlichenPrfungsnoten1"),
                        [] { showMessage(WrittenExamTableHint()); });
    RegisterMenuHandler(QStringLiteral("EZKlassetabellemitallenPrfungsleistungen1"),
                        [] { PrintExamPerformanceTable(gridGeometry()); });
    RegisterMenuHandler(QStringLiteral("ErgebnislistefrdasstaatlicheSchulamt1"),
                        [] { PrintResultListForAuthority(); });
    RegisterMenuHandler(QStringLiteral("Druckstarten1"), [] { PrintOpenGradeTable(gridGeometry()); });
}

} // namespace hsa
