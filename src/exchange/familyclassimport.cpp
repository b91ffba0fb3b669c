#include "exchange/familyclassimport.h"

#include "classes/helpers.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "exchange/stickroot.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "zip/archiver.h"
#include "zip/zipstream.h"

#include <QDir>
#include <QFileInfo>

namespace hsa {
namespace {

const QString kBr = QStringLiteral("\n\r");


void showFailure(const QString& name)
{
    showMessage(QStringLiteral("Fehlschlag: Die Klasse ") + name + QStringLiteral(" konnte nicht eingespielt werden."));
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

QString FamilyArchivePassword()
{
    int number = 0;
    const QString path = FindFileCI(ProgramFolder(), kSchoolDataFile);
    if (QFileInfo(path).isFile()) {
        try {
            const QStringList lines = ReadTextLines(path);
            if (lines.size() >= 3)
                number = ParseLeadingInt(lines.at(2));
        } catch (const FileError&) {
        }
    }
    return TrimRight(state().schoolName) + QLatin1Char('/') + QString::number(number);
}

FamilyExtract ExtractFamilyClassTable(const QString& archivePath, const QString& name)
{
    const QString entry = name + QStringLiteral(".dbf");
    zip::ZipArchiver z;
    z.Name = "ZipArchiver1";
    z.SetPassword(FamilyArchivePassword().toStdString());
    z.SetFileName(archivePath.toStdString());
    zip::MemoryStream table;
    bool found = false;
    bool passwordRight = false;
    try {
        z.OpenArchive();
        // Only the class table itself, never an entry in a folder of the
        // archive or one that would land elsewhere.
        const int index = z.FindEntry(entry.toStdString());
        found = index >= 0 && !z.Entry(index).IsDirectory();
        if (found) {
            passwordRight = z.TestFilePassword(entry.toStdString(), z.Password());
            if (passwordRight)
                z.ExtractToStream(index, table);
        }
        z.CloseArchive();
    } catch (const std::exception&) {
        found = false;
        try {
            z.CloseArchive();
        } catch (const std::exception&) {
        }
    }
    z.SetPassword("");
    if (!found) {
        showFailure(name);
        return FamilyExtract::Failed;
    }
    if (!passwordRight) {
        showMessage(QStringLiteral("Das Verschlüsselungspasswort stimmt nicht.") + kBr
                    + QStringLiteral("Die Schuldaten (Schulname und Schulnummer) von Absender und Empfänger müssen "
                                     "übereinstimmen, sonst schlägt die Entschlüsselung fehl."));
        return FamilyExtract::WrongPassword;
    }
    const QString target = FindFileCI(ProgramFolder(), entry);
    if (QFileInfo::exists(target)
        && !askYesNoDefaultNo(QStringLiteral("Klasse ") + entry + QStringLiteral(" existiert bereits. Überschreiben? ")))
        return FamilyExtract::Declined;
    const auto& bytes = table.Data();
    try {
        WriteFileAtomic(target, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    } catch (const FileError& e) {
        showError(e.message());
        showFailure(name);
        return FamilyExtract::Failed;
    }
    return FamilyExtract::Done;
}

void TakeInFamilyClassFile()
{
    SharedState& s = state();
    if (!s.stickTransferEnabled) {
        showMessage(QStringLiteral("Bei Installation auf einem Terminalserver ist dieser Menüpunkt deaktiviert."));
        return;
    }
    if (!s.openClassFile.trimmed().isEmpty()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        return;
    }
    if (!askYesNo(QStringLiteral("Diese Funktion wurde geändert, sie spielt jetzt nur noch verschlüsselt "
                                 "ausgespielte Klassendateien der Form *.kvz ein.")
                  + kBr
                  + QStringLiteral(" Mit Korvi-Versionen älter als S77 ausgespielte Klassen können Sie noch unter "
                                   "\"Schule/Tools/Abwärtskompatible Funktionen/...\" einspielen.")
                  + kBr + kBr
                  + QStringLiteral("Jetzt eine Klasse der Form *.kvz auf dem USB-Stick zum Einspielen auswählen?")))
        return;
    QDir::setCurrent(ProgramFolder());
    const std::optional<QString> root = AskStickRoot(QStringLiteral("USB-Laufwerk wählen"));
    if (!root)
        return;
    const std::optional<QString> chosen = prompts().openFileName(
        QStringLiteral("Verschlüsselte Klasse aus Korvi (ab S77) einkopieren zur Datenübernahme (Dateiendung: kvz)"),
        *root, QStringLiteral("*.kvz"));
    if (!chosen || chosen->trimmed().isEmpty())
        return;
    const QString bareName = QFileInfo(*chosen).fileName();
    if (!bareName.endsWith(QStringLiteral(".kvz"), Qt::CaseInsensitive)) {
        showMessage(QStringLiteral("Sie haben keine Datei der Form *.kvz ausgewählt"));
        QDir::setCurrent(ProgramFolder());
        return;
    }
    const QString copy = QDir(ProgramFolder()).filePath(bareName);
    if (!sameFile(*chosen, copy)) {
        try {
            // Through a temporary name: a failed copy never leaves half an
            // archive, and an older archive of that name is never taken for it.
            WriteFileAtomic(copy, ReadFileBytes(*chosen));
        } catch (const FileError&) {
            showMessage(QStringLiteral("Abbruch: Die Datei konnte nicht kopiert werden."));
            QDir::setCurrent(ProgramFolder());
            return;
        }
    }
    const QString name = bareName.left(8);
    if (ExtractFamilyClassTable(copy, name) == FamilyExtract::Done)
        showMessage(QStringLiteral("Die aus Korvi stammende Klassendatei ") + name + QStringLiteral(" wurde einkopiert.")
                    + kBr + kBr + QStringLiteral("Jetzt ist noch ein zweiter Schritt erforderlich:") + kBr
                    + QStringLiteral("=============================") + kBr + kBr
                    + QStringLiteral("Rufen Sie den Menüpunkt \"Klasse/...Wendra-Prüfungskasse anlegen mit "
                                     "Datenübernahme aus eine einkopierten Korvi-Klassendatei\" aus."));
    QDir::setCurrent(ProgramFolder());
}

} // namespace hsa
