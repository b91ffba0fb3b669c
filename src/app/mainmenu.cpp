#include "app/mainmenu.h"

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
      << item("Klasse1", "Endnotenzeugnisdruck1",
              "     ... Endnoten ausspielen  für den Zeugnisdruck in KORVI")
      << sep(item("Klasse1", "StickSichern1", "     ... Wendra-Prüfungsklasse auf USB-Stick sichern"))
      << item("Klasse1", "StickEinspielen1",
              "     ... Wendra-Prüfungsklasse (VI16 ab Programmversion C9) vom USB-Stick einspielen")
      << item("Klasse1", "N3", "Profilkürzel einlesen", false)
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
    m << item("Einzelschueler1", "MarkierterSchker1", "Markierter Schüler");

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
      << sep(item("Notentabellen1", "speichernundverlassen1", "Tabelle schließen (und ggf. speichern)"));

    // D&rucken.
    m << item("Drucken1", "Zeugnisse1", "Zeugnisse", false)
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
