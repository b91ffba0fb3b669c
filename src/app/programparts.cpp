#include "app/programparts.h"

#include "app/apphooks.h"
#include "app/exchangeparts.h"
#include "app/examboardmenu.h"
#include "app/archiveforms.h"
#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/smalldialogs.h"
#include "app/subjectlistpanel.h"
#include "classes/classfiles.h"
#include "classes/dbftable.h"
#include "exchange/zipdialogs.h"
#include "app/printentries.h"
#include "app/programblock.h"
#include "grades/certificatedateentry.h"
#include "grades/classgrid.h"
#include "grades/gradewindow.h"
#include "classes/studentlist.h"
#include "grades/gradewindowcontroller.h"
#include "grades/memoeingabe.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "app/startup.h"
#include "print/pagemodel.h"
#include "print/printmenu.h"
#include "print/printsettings.h"
#include "word/attachments.h"
#include "word/wordformswindow.h"

#include <QPointer>
#include <QStatusBar>

namespace hsa {

void InstallProgramParts()
{
    RegisterSmallDialogs();
    InstallZipDialogs();
    InstallExchangeParts();
    InstallStickAndArchiveParts();
    RegisterWindowClass(QStringLiteral("TForm2"), [] { return CreateGradeWindow(); });
    RegisterWindowClass(QStringLiteral("Tmemoeingabe"), [] { return CreateMemoEditor(); });
    RegisterWindowClass(QStringLiteral("TForm4"), [] { return CreateWordFormsWindow(); });

    ClassFileHooks& cf = classFiles().hooks();
    cf.showPasswordDialog = [](bool modal) { ShowPasswordDialog(modal); };

    cf.applyPrintSettings = [] { ApplyPrintSettingsForClassList(); };
    cf.noWordDocumentsOpen = [] { return !CheckNoWordDocumentsOpen(); };

    // The certificate attachment of the student in the grade window.
    GradeWindowHooks& gh = gradeWindow().hooks();
    gh.openCertificateAttachment = [] { OpenCertificateAttachment(gradeWindow().record()); };
    gh.recreateCertificateAttachment = [] { RecreateCertificateAttachment(gradeWindow().record()); };
    gh.remindOpenAttachments = [] { CheckNoWordDocumentsOpen(); };

    // Quitting closes the table as it stands; the menu's "schließen" asks first.
    appHooks().closeClassTable = [] {
        // The student in the grade window is written before the table goes.
        gradeWindow().Close(true);
        ClassTable().close();
    };
    appHooks().gradeTableStillOpen = [] { return classGrid().visible(); };
    appHooks().isPrinting = [] { return PrintJobRunning(); };
    appHooks().abortPrint = [] { AbortPrint(); };
    appHooks().printerNameTooLong = [] { return state().print.printerNameTooLong; };

    StartupHooks& sh = startupHooks();
    if (!sh.showSchoolType)
        sh.showSchoolType = &LoadSchoolSettingsAtStart;
    if (!sh.loadFontFactor)
        sh.loadFontFactor = &LoadFontFactor;
    if (!sh.printerDefaults)
        sh.printerDefaults = &InitPrinterDefaults;
}

void InstallMenuHandlers(TForm1& form)
{
    // Class files.
    RegisterMenuHandler(QStringLiteral("whlen1"), [] { classFiles().Choose(); });
    RegisterMenuHandler(QStringLiteral("neuanlegen1"), [] { classFiles().CreateByHand(); });
    RegisterMenuHandler(QStringLiteral("schlieen1"), [] { classFiles().Close(); });
    RegisterMenuHandler(QStringLiteral("umbenennen1"), [] { classFiles().PrepareRename(); });
    RegisterMenuHandler(QStringLiteral("lschen1"), [] { classFiles().PrepareDelete(); });
    RegisterMenuHandler(QStringLiteral("Datenuebernahme1"), [] { classFiles().PrepareTakeOver(); });
    RegisterMenuHandler(QStringLiteral("ListezumSchreibenfreigeben1"), [] { classFiles().EnableListWriting(); });
    RegisterMenuHandler(QStringLiteral("ListemitSchreibschutzversehen1"), [] { classFiles().ProtectList(); });

    // The student list.
    RegisterMenuHandler(QStringLiteral("Schlerlschen1"), [] { DeleteStudent(); NotifyMainWindow(); });
    RegisterMenuHandler(QStringLiteral("LeereZeileeinfgen1"), [] { InsertEmptyRow(); NotifyMainWindow(); });
    RegisterMenuHandler(QStringLiteral("Schlerinanderezeiletransportieren1"),
                        [] { SwapTwoRows(); NotifyMainWindow(); });
    RegisterMenuHandler(QStringLiteral("Schlerlistesortieren1"), [] { SortStudentList(); NotifyMainWindow(); });
    RegisterMenuHandler(QStringLiteral("Zeugnisdatum1"), [] { CertificateDateForAll(); });
    RegisterExamBoardMenuHandler();

    // The whole-class grade tables.
    const struct { const char* entry; GradeTable table; } tables[] = {
        {"JahresleistungEingabe1", GradeTable::JL},
        {"SchriftlicheNotenEingabe1", GradeTable::SP},
        {"MndlicheNotenEingabe1", GradeTable::MP},
        {"PraktischePrfungsergebnisseEingabe1", GradeTable::KP},
        {"PPPraktischePrfungEingabe4Ausdruck1", GradeTable::PP},
        {"PLPrfungsleistungenganzeKlasseAnsichtAusdruck1", GradeTable::PL},
        {"bearbeiten1", GradeTable::EZ},
    };
    for (const auto& t : tables) {
        const GradeTable table = t.table;
        RegisterMenuHandler(QString::fromLatin1(t.entry), [table] { classGrid().OpenTable(table); });
    }
    RegisterMenuHandler(QStringLiteral("speichernundverlassen1"), [] { classGrid().CloseTable(); });
    RegisterMenuHandler(QStringLiteral("JLEZAnsichtnachDurchschnittsortieren1"), [] { classGrid().SortMenuEntry(); });

    // The grade window of the marked student, and the Word documents.
    RegisterMenuHandler(QStringLiteral("Berichtschreiben1"), [] { OpenGradeWindow(); });
    RegisterMenuHandler(QStringLiteral("MarkierterSchker1"), [] { OpenGradeWindow(kOpenModeNote); });
    const QPointer<TForm1> main(&form);
    RegisterMenuHandler(QStringLiteral("WordfensterfralleSchleranlegenbearbeiten1"), [main] {
        OpenAllCertificateAttachments([main](const QString& text) {
            if (main)
                main->statusBar()->showMessage(text);
        });
    });
    RegisterMenuHandler(QStringLiteral("PPProjektbeschriebungBeobachtungsbogenBewertungsbogenZeugnisanlage1"),
                        [] { ShowWordFormsWindow(ProgramWindow(QStringLiteral("Form4"))); });
    RegisterMenuHandler(QStringLiteral("SeriendruckfrZeugnisanlagen1"),
                        [] { ShowWordFormsWindow(ProgramWindow(QStringLiteral("Form4")), 3); });

    // School, password and the small dialogs.
    RegisterMenuHandler(QStringLiteral("Schulart1"), [] { ShowSchoolDataDialog(); });
    RegisterMenuHandler(QStringLiteral("Passwort1"), [] { SetOrRemovePassword(); });
    RegisterMenuHandler(QStringLiteral("Pawortndern1"), [] { ShowPasswordInfo(); });
    RegisterMenuHandler(QStringLiteral("AnsichtZoom1"), [] { ShowZoomDialog(); });
    RegisterMenuHandler(QStringLiteral("Info1"), [] { ShowAboutBox(); });
    RegisterMenuHandler(QStringLiteral("Sonderfunktionengeschtzt1"), [] { ShowSpecialFunctionsDialog(); });
    RegisterMenuHandler(QStringLiteral("ZeugnisberschriftundfachunabhngigeTextzeilen1"),
                        [] { ShowCertificateLinesEditor(); });
    // Printer settings.
    RegisterMenuHandler(QStringLiteral("EinstellungenJustierung1"), [] { ShowCalibrationDialog(); });
    RegisterMenuHandler(QStringLiteral("Druckertreiberwhlen1"), [] { RunPrinterSetup(); });
    RegisterMenuHandler(QStringLiteral("DruckerwhlenVariante21"), [] { ChoosePrinter(); });
    RegisterMenuHandler(QStringLiteral("Druckauftragabbrechen1"), [] { AbortRunningPrintJob(); });
    RegisterMenuHandler(QStringLiteral("NewTimesRoman1"), [] { ChoosePrintFontTimesNewRoman(); });
    RegisterMenuHandler(QStringLiteral("ArialwenigerText1"), [] { ChoosePrintFontArial(); });
    RegisterMenuHandler(QStringLiteral("INFODRUCKVORSCHAU1"), [] { ShowPrintPreviewHint(); });
    InstallPrintEntries(form);
    // Subject lists, protocols and note pages.
    InstallSubjectListPrinting(form);
    InstallStickAndArchiveMenu(form);
}

} // namespace hsa
