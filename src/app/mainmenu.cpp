#include "app/mainmenu.h"

#include "platform/programwide.h"
#include "print/subjectlistchoice.h"

#include <QHash>

namespace hsa {

namespace {

MenuEntryDef top(const char* name, const char* caption, bool visible = true)
{
    return MenuEntryDef{QString::fromUtf8(name), QString::fromUtf8(caption), QString(), visible};
}

MenuEntryDef item(const char* parent, const char* name, const char* caption, bool visible = true)
{
    return MenuEntryDef{QString::fromUtf8(name), QString::fromUtf8(caption), QString::fromUtf8(parent),
                        visible};
}

MenuEntryDef check(const char* parent, const char* name, const char* caption, bool checked,
                   bool visible = true)
{
    MenuEntryDef d = item(parent, name, caption, visible);
    d.checkable = true;
    d.checked = checked;
    return d;
}

MenuEntryDef heading(const char* parent, const char* name, const char* caption)
{
    MenuEntryDef d = item(parent, name, caption);
    d.heading = true;
    return d;
}

MenuEntryDef sep(MenuEntryDef d)
{
    d.separatorBefore = true;
    return d;
}

QList<MenuEntryDef> build()
{
    QList<MenuEntryDef> m;
    // The menu bar, index 0 to 10.
    m << top("Klasse1", "&Klasse")
      << top("Tabelllebearbeiten1", "&Liste")
      << top("AllgemeineEingaben1", "Allgemeine Eingaben")
      << top("Einzelschueler1", "&Einzelschüler (Prüfungstabelle)")
      << top("Notentabellen1", "&Notentabellen (Ganze Klasse)")
      << top("PPZeugnisanlage1", "PP: Zeugnisanlage", false)
      << top("Drucken1", "D&rucken")
      << top("Endnotenausspielen1", "Endnoten ausspielen für Korvi")
      << top("SchuleTools1", "&Schule/Tools")
      << top("Updatedurchfhren1", "Update durchführen", false)
      << top("Hilfe1", "Hilfe/Anleitungs-PDF");

    // &Klasse: the class files, the exchange with the report-card program and
    // the stick, the version and homepage entries, quitting.
    m << item("Klasse1", "whlen1", "wählen")
      << item("Klasse1", "neuanlegen1", "neu anlegen mit Namenseingabe von Hand")
      << item("Klasse1", "schlieen1", "schließen")
      << item("Klasse1", "umbenennen1", "umbenennen")
      << item("Klasse1", "lschen1", "löschen")
      << sep(item("Klasse1", "Datenuebernahme1",
                  "     ... ANLEGEN einer Wendra-Prüfungsklasse mit DATENÜBERNAHME aus einer  "
                  "einkopierten KORVI-Klassendatei (Endung dbf)"))
      << item("Klasse1", "Einkopieren1",
              "      ... EINKOPIEREN einer KORVI-Klassendatei (ab Version S77) vom Stick zur "
              "anschließenden Datenübernahme ")
      << heading("Klasse1", "AUSSPIELDATEImitPRFUNGSERGEBNISSENfrKorvi1",
                 "AUSSPIELDATEI mit PRÜFUNGSERGEBNISSEN für Korvi:")
      << item("Klasse1", "Endnotenzeugnisdruck1",
              "     ... Endnoten ausspielen  für den Zeugnisdruck in KORVI")
      << sep(heading("Klasse1", "WendraKlassenBERTRAGEN1", "Wendra-Klassen ÜBERTRAGEN:"))
      << item("Klasse1", "StickSichern1", "     ... Wendra-Prüfungsklasse auf USB-Stick sichern")
      << item("Klasse1", "StickEinspielen1",
              "     ... Wendra-Prüfungsklasse (VI16 ab Programmversion C9) vom USB-Stick einspielen")
      << item("Klasse1", "N3", "anlegen mit Import aus einer ASCII- oder SDF-Datei", false)
      << sep(item("Klasse1", "InfoIstIhreVersionaktuell1",
                  "AKTUALITÄTSPRÜFUNG:  Ist Ihre Programmversion noch aktuell?"))
      << item("Klasse1", "Internetupdate1", "Info: Programmhomepage besuchen")
      << item("Klasse1", "Info1", "Info", false)
      << sep(item("Klasse1", "Arbeitbeenden1", "Arbeit beenden"));

    // &Liste: the student list.
    m << check("Tabelllebearbeiten1", "ListezumSchreibenfreigeben1", "Liste zum Schreiben freigeben", false)
      << check("Tabelllebearbeiten1", "ListemitSchreibschutzversehen1", "Liste mit Schreibschutz versehen", true)
      << sep(item("Tabelllebearbeiten1", "Schlerlschen1", "Schüler löschen"))
      << item("Tabelllebearbeiten1", "LeereZeileeinfgen1", "Leere Zeile einfügen")
      << item("Tabelllebearbeiten1", "Schlerinanderezeiletransportieren1", "Zwei Zeilen vertauschen")
      << item("Tabelllebearbeiten1", "Schlerlistesortieren1", "Schülerliste sortieren");

    // Allgemeine Eingaben.
    m << item("AllgemeineEingaben1", "FaecherderKlassenstufe1", "Fächer der gewählten Klassenstufe", false)
      << item("AllgemeineEingaben1", "ZeugnisberschriftundfachunabhngigeTextzeilen1",
              "Zeugnisüberschrift und fachunabhängige Textzeilen wählen", false)
      << item("AllgemeineEingaben1", "Zeugnisdatum1", "Zeugnisdatum für alle Schüler", false)
      << item("AllgemeineEingaben1", "Pruefungsvorsitzender1", "Prüfungsvorsitzender / Schulleiter", false)
      << item("AllgemeineEingaben1", "AnsichtZoom1", "Ansicht (Zoom)");

    // &Einzelschüler.
    m << item("Einzelschueler1", "Berichtschreiben1", "Markierter Schüler");

    // PP: Zeugnisanlage (hidden): the Word forms and certificate attachments.
    m << item("PPZeugnisanlage1", "MarkierterSchker1",
              "MARKIERTER SCHÜLER:   Anlage erstellen / bearbeiten / zurücksetzen")
      << item("PPZeugnisanlage1", "WordfensterfralleSchleranlegenbearbeiten1",
              "ALLE SCHÜLER  (zusammen  in einer Wordinstanz mit vielen Fenstern) ")
      << sep(item("PPZeugnisanlage1", "PPProjektbeschriebungBeobachtungsbogenBewertungsbogenZeugnisanlage1",
                  "PP:  Projektbeschreibung, Beobachtungsbogen, Bewertungsbogen, Zeugnisanlage"))
      << item("PPZeugnisanlage1", "SeriendruckfrZeugnisanlagen1",
              "Seriendruck für  PP-Formulare und  Zeugnisanlagen");

    // &Notentabellen: the whole-class grade tables.
    m << item("Notentabellen1", "JahresleistungEingabe1",
              "JL:       Jahresleistung                                           (Eingabe / Ausdruck)")
      << item("Notentabellen1", "SchriftlicheNotenEingabe1",
              "SP:      Schriftliche Prüfung                                 (Eingabe / Ausdruck)")
      << item("Notentabellen1", "MndlicheNotenEingabe1",
              "MP:     Mündliche Prüfung                                 (Eingabe / Ausdruck)")
      << item("Notentabellen1", "PraktischePrfungsergebnisseEingabe1",
              "KP:      Kommunikationsprüfung (E)                 (Eingabe / Ausdruck)")
      << item("Notentabellen1", "PPPraktischePrfungEingabe4Ausdruck1",
              "PP:      Praktische Prüfung                                  (Eingabe / Ausdruck)")
      << item("Notentabellen1", "PLPrfungsleistungenganzeKlasseAnsichtAusdruck1",
              "PL:      Prüfungsleistungen ganze Klasse         (Ansicht / Ausdruck)", false)
      << item("Notentabellen1", "bearbeiten1",
              "EZ:       Endnoten                                                  (Ansicht / Ausdruck)")
      << item("Notentabellen1", "JLEZAnsichtnachDurchschnittsortieren1",
              "JL/EZ:  Ansicht nach Durchschnitt sortieren", false)
      << sep(item("Notentabellen1", "Druckstarten1", "DRUCKEN: Geöffnete Tabelle "))
      << item("Notentabellen1", "speichernundverlassen1", "Tabelle schließen (und ggf. speichern)");

    // D&rucken: the per-student documents (each for the marked student, all
    // students or a range), the class tables and the result list.
    const auto students = [&m](const char* parent, const char* marked, const char* all, const char* range) {
        m << item(parent, marked, "Markierter Schüler") << item(parent, all, "Alle Schüler")
          << item(parent, range, "Von Nr. ... bis Nr. ...");
    };
    m << item("Drucken1", "Zeugnisse1", "AZ:  Abschlusszeugnis / Abgangszeugnis / Leistungsstand Kl. 9", false);
    students("Zeugnisse1", "AktuellerSchler1", "AlleSchler1", "VonNr1");
    m << item("Drucken1", "JLSchuelerblatt1", "JL:   Jahresleistungszeugnis  (Schülerblatt)");
    students("JLSchuelerblatt1", "MarkierterSchler1", "AlleSchler2", "Vonbis1");
    m << item("Drucken1", "EZSchuelerblatt1", "EZ:  Schülerblatt  Endnoten auf 1 Dezimale (als Vorabinformation)");
    students("EZSchuelerblatt1", "MarkierterSchler2", "AlleSchler3", "Vonbis2");
    m << item("Drucken1", "PTDeckblatt1",
              "PT:  Prüfungstabelle mit allen eingetragenen Noten  (\"Deckblatt Prüfungsmappe\")");
    students("PTDeckblatt1", "MarkierterSchler6", "AlleSchler7", "Vonbis6");
    m << item("Drucken1", "PTInformation1",
              "       PT:  Prüfungstabelle mit allen Schülernoten (unvollständig / zur Information)", false);
    students("PTInformation1", "MarkierterSchler3", "AlleSchler4", "Vonbis3");
    m << item("Drucken1", "MPSchuelerblatt1",
              "MP:  Schülerblatt mit allen Noten und  GRENZNOTENBERECHNUNG für die Prüfungsmeldung  (mü)  ");
    students("MPSchuelerblatt1", "MarkierterSchler4", "AlleSchler5", "Vonbis4");
    m << item("Drucken1", "AZAbschrift1", "AZ:  Abschrift ( Abschlusszeugnis nach abgelegter Prüfung)", false);
    students("AZAbschrift1", "MarkierterSchler5", "AlleSchler6", "Vonbis5");
    m << sep(item("Drucken1", "Notenliste1", "EZ:  Klassenübersicht  Endnoten"))
      << item("Drucken1", "Notentabelleleer1", "LI:   Klassenliste leer (Namen/Fächer)")
      << item("Drucken1", "TabelleAnmeldenoten1", "JL:   Jahresleistung (Klassenliste mit Noten)  ")
      << item("Drucken1", "JLEintragslisteKlassenliste1", "JL:   Jahresleistung (Klassenliste zum Eintragen)")
      << item("Drucken1", "EintragslistefrWahldermndlPrfungsfcher1",
              "MP:  Klassentabelle: Alle mündlichen Prüfungen  (Eintragsliste / Kontrollliste)")
      << item("Drucken1", "PPKlassentabelleAllepraktischenPrfungenEintragslisteKontrollliste1",
              "PP:   Klassentabelle: Alle praktischen Prüfungen (Eintragsliste / Kontrollliste)")
      << item("Drucken1", "SPKlassentabellemitallenschriftlichenPrfungsnoten1",
              "SP:  Klassentabelle mit allen schriftlichen Prüfungsnoten (--> siehe Menüpunkt Notentabelle)")
      << item("Drucken1", "EZKlassetabellemitallenPrfungsleistungen1",
              "EZ:  Klassetabelle mit allen Durchschnitten der PRÜFUNGSLEISTUNGEN (NEU ab Version C17)")
      << item("Drucken1", "ErgebnislistefrdasstaatlicheSchulamt1", "EZ:  Ergebnisliste zur Archivierung");
    // The subject lists and protocols, each opening the subject choice.
    bool first = true;
    for (const SubjectListPreset& p : SubjectListPresets()) {
        MenuEntryDef d = item("Drucken1", p.entry, p.caption);
        d.separatorBefore = first;
        first = false;
        m << d;
    }
    m << item("Drucken1", "Notizfelder1", "Nf:  Alle Notizfelder in Listenform")
      << sep(item("Drucken1", "EINSTELLUNGENDrucker1", "          EINSTELLUNGEN (Drucker)"))
      << item("EINSTELLUNGENDrucker1", "EinstellungenJustierung1",
              "        Druckbild ändern : Verschieben, Strecken, Schriftgröße")
      << item("EINSTELLUNGENDrucker1", "Druckertreiberwhlen1", "        Druckereinrichtung ( Eigenschaften )")
      << item("EINSTELLUNGENDrucker1", "DruckerwhlenVariante21", "        Drucker wählen (Variante 2)")
      << item("EINSTELLUNGENDrucker1", "Druckauftragabbrechen1", "        Druckvorgang abbrechen")
      << item("EINSTELLUNGENDrucker1", "Schriftart1", "Schriftart", false)
      << item("Schriftart1", "NewTimesRoman1", "Times New  Roman ")
      << item("Schriftart1", "ArialwenigerText1", "Arial")
      << item("Drucken1", "INFODRUCKVORSCHAU1", "INFORMATION:    DRUCKVORSCHAU  EINRICHTEN");

    // &Schule/Tools.
    m << item("SchuleTools1", "Schuldaten1", "Schuldaten")
      << item("Schuldaten1", "Schulart1", "Schulart ändern")
      << item("Schuldaten1", "Passwort1", "Passwortschutz ein- oder ausschalten")
      << item("Schuldaten1", "Pawortndern1", "Info  zum Passwort")
      << sep(item("SchuleTools1", "Sonderfunktionengeschtzt1", "Sonderfunktionen (geschützt)"))
      << sep(check("SchuleTools1", "SchalterHinweiseaufvorhandenesINTERNETUPDATEunterbinden1",
                   "Schalter: Hinweise auf vorhandenes INTERNETUPDATE unterbinden", false, false))
      << item("SchuleTools1", "AktualittsprfungbeimStart1",
              "Automatische Aktualitätsprüfung beim Start  erwünscht?", false)
      << item("SchuleTools1", "AktuelleVersiondrberinstallierenDatenbleibenerhalten1",
              "Aktuelle Version drüberinstallieren (Daten bleiben erhalten)")
      << item("SchuleTools1", "InternetupdateberdieProgrammhomepage1",
              "Internetupdate über die Programmhomepage", false)
      << item("SchuleTools1", "Umlautdarstellung1", "Umlaute in der Schülerliste", false)
      << item("Umlautdarstellung1", "Informationendazu1", "Informationen dazu")
      << item("Umlautdarstellung1", "bderungberbdeadminexe1", "Einstellungen über Bdeadmin.exe")
      << sep(item("SchuleTools1", "Archivierung1", "Archivierung: Empfehlung"))
      << item("SchuleTools1", "JahrgangsarchivierungAbschlussklassen1", "Abschlussklassen ins Archiv stecken", false)
      << item("SchuleTools1", "KlassenausdemArchivzurckholen1", "Klassen aus dem Archiv zurückholen", false)
      << sep(item("SchuleTools1", "AbwaertskompatibleFunktionen1", "Abwärtskompatible Funktionen"))
      << item("AbwaertskompatibleFunktionen1", "NKORVIKlassezurDatenbernahmevomStickeinkopieren1",
              "EINKOPIEREN einer KORVI-Klassendatei  (aus Versionen bis S76) vom Stick zur anschließenden "
              "Datenübernahme ");

    // Hilfe/Anleitungs-PDF.
    m << item("Hilfe1", "KurzinformationzurAnwendung1",
              "Information und  Anleitung zur Anwendung (pdf-Datei)")
      << item("Hilfe1", "INTERNETFAQaktuelleOnlinehilfemitAntwortenaufaktuellwichtigeFragen1",
              "INTERNET-FAQ: aktuelle Onlinehilfe mit Antworten auf aktuell wichtige Fragen")
      << item("Hilfe1", "GibtespltzlichgenderteVerordnungenundAusnahmeregelungen1",
              "Gibt es geänderte Verordnungen oder Ausnahmeregelungen?")
      << item("Hilfe1", "AktualittsprfungIstIhrProgrammnochaktuell1",
              "Aktualitätsprüfung: Ist Ihre Programmversion aktuell?")
      << item("Hilfe1", "auchberkurzfristigerschieneneVerordnungenodererforderlicheSTILLEUPDATES1",
              "auch über kurzfristig erschienene Verordnungen oder erforderliche STILLE UPDATES", false)
      << item("Hilfe1", "WICHTIGDateinamenfrPrfungsklassen1", "WICHTIG: Dateinamen für Prüfungsklassen", false)
      << item("Hilfe1", "Abschlussprfung1", "Abschlussprüfung", false)
      << item("Hilfe1", "Schulfremdenprfung1", "Schulfremdenprüfung", false)
      << item("Hilfe1", "Updateinfo1", "Updateinformation", false);
    return m;
}

QHash<QString, MenuHandler>& handlers()
{
    static QHash<QString, MenuHandler> h;
    return h;
}

} // namespace

const QList<MenuEntryDef>& MainMenuDefinition()
{
    static const QList<MenuEntryDef> menu = build();
    return menu;
}

QStringList TopLevelMenuNames()
{
    QStringList out;
    for (const MenuEntryDef& d : MainMenuDefinition())
        if (d.parent.isEmpty())
            out << d.name;
    return out;
}

void RegisterMenuHandler(const QString& name, MenuHandler handler)
{
    handlers().insert(name, std::move(handler));
}

namespace {
// The handlers are filled by the windows as they are built.
const ProgramWideReset resetMenuHandlers(ResetOrder::Objects, [] { handlers().clear(); });
}

bool HasMenuHandler(const QString& name)
{
    return handlers().contains(name);
}

bool RunMenuHandler(const QString& name)
{
    auto it = handlers().find(name);
    if (it == handlers().end() || !*it)
        return false;
    // Copy first: a handler may register others.
    MenuHandler h = *it;
    h();
    return true;
}

} // namespace hsa
