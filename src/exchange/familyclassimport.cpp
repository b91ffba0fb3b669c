#include "exchange/familyclassimport.h"

#include "classes/fileops.h"
#include "classes/helpers.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "exchange/stickroot.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "zip/archiver.h"
#include "zip/safefs.h"
#include "zip/zipstream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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


QString damagedEntry(const QString& entry)
{
    return QStringLiteral("Die Klassendatei %1 im Archiv ist beschädigt (ihre Größe oder ihr Inhalt stimmt nicht) "
                          "und wird nicht eingespielt.")
        .arg(entry);
}

// Why the archive's class table entry is not taken at all; empty when it may
// be extracted.  The menu promises encrypted class files, and a table is one
// plain file of bounded size.
QString RefusedFamilyEntry(zip::ZipArchiver& z, int index, const QString& entry)
{
    const zip::DirItem& item = z.Entry(index);
    int same = 0;
    for (int i = 0; i < z.FileCount(); ++i)
        if (QString::fromStdString(z.Entry(i).name).compare(entry, Qt::CaseInsensitive) == 0)
            ++same;
    if (same > 1)
        return QStringLiteral("Das Archiv enthält die Klassendatei %1 mehrfach. Es ist beschädigt und wird nicht "
                              "eingespielt.")
            .arg(entry);
    if (item.IsDirectory() || zip::IsSpecialUnixEntry(item.h.externalAttr, item.h.versionMadeBy))
        return QStringLiteral("Der Eintrag %1 im Archiv ist keine gewöhnliche Datei (ein Ordner oder eine "
                              "Verknüpfung) und wird nicht eingespielt.")
            .arg(entry);
    if (!item.IsEncrypted())
        return QStringLiteral("Die Klassendatei %1 im Archiv ist nicht verschlüsselt. Eingespielt werden nur "
                              "verschlüsselt ausgespielte Klassendateien aus Korvi.")
            .arg(entry);
    if (item.uncompSize > kMaxFamilyTableBytes)
        return damagedEntry(entry);
    return {};
}

// The most bytes a class table with the entry's declared size may take.
uint64_t FamilyTableByteLimit(uint64_t declared)
{
    return std::min<uint64_t>(declared, kMaxFamilyTableBytes);
}

// Refuses every byte beyond a limit: the limit given, and as soon as the
// table's header has arrived, the size its header and 40 records take.
class CappedFileStream : public zip::ZStream {
public:
    CappedFileStream(int fd, uint64_t limit) : fd_(fd), limit_(limit) {}
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void* buf, size_t n) override
    {
        const auto* p = static_cast<const unsigned char*>(buf);
        for (size_t i = 0; i < n && head_.size() < 12; ++i)
            head_.push_back(p[i]);
        if (head_.size() >= 12 && !headerSeen_) {
            headerSeen_ = true;
            const uint64_t header = head_[8] | (uint64_t(head_[9]) << 8);
            const uint64_t record = head_[10] | (uint64_t(head_[11]) << 8);
            limit_ = std::min<uint64_t>(limit_, header + kFamilyTableRecords * record + 1);
        }
        if (pos_ + n > limit_) {
            exceeded_ = true;
            lastError_ = EFBIG;
            return 0;
        }
        size_t done = 0;
        while (done < n) {
            const ssize_t w = ::pwrite(fd_, p + done, n - done, off_t(pos_ + done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                lastError_ = w < 0 ? errno : EIO;
                break;
            }
            done += size_t(w);
        }
        pos_ += done;
        size_ = std::max(size_, pos_);
        return done;
    }
    uint64_t Position() const override { return pos_; }
    void SetPosition(uint64_t pos) override { pos_ = pos; }
    uint64_t Size() override { return size_; }
    bool Truncate(uint64_t size) override
    {
        if (::ftruncate(fd_, off_t(size)) != 0)
            return false;
        size_ = size;
        return true;
    }
    bool exceeded() const { return exceeded_; }

private:
    int fd_;
    uint64_t limit_;
    uint64_t pos_ = 0, size_ = 0;
    std::vector<unsigned char> head_;
    bool headerSeen_ = false;
    bool exceeded_ = false;
};

// The class table on its way out of the archive: a hidden file beside its
// final name that gets that name only when it is complete and wanted, and
// is removed on every other way out.
class TableScratch {
public:
    TableScratch(const QString& folder, const QString& entry, uint64_t limit)
    {
        QByteArray tmpl = QFile::encodeName(QDir(folder).absolutePath()) + "/." + QFile::encodeName(entry) + ".XXXXXX";
        fd_ = ::mkstemp(tmpl.data());
        if (fd_ < 0)
            throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden")
                                .arg(QDir::toNativeSeparators(QDir(folder).filePath(entry))));
        path_ = QFile::decodeName(tmpl);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
        stream_.emplace(fd_, limit);
    }
    ~TableScratch()
    {
        closeFd();
        if (!path_.isEmpty())
            ::unlink(QFile::encodeName(path_).constData());
    }
    TableScratch(const TableScratch&) = delete;
    TableScratch& operator=(const TableScratch&) = delete;

    zip::ZStream& stream() { return *stream_; }
    bool exceeded() const { return stream_->exceeded(); }
    bool complete() const { return complete_; }
    // The table is all there: on the disk before it may get its name.
    void finish()
    {
        const bool ok = !FileStepFails(FileStep::Write) && ::fsync(fd_) == 0;
        if (!closeFd() || !ok)
            throw zip::EZAException(zip::err::WriteError);
        complete_ = true;
    }
    void moveTo(const QString& target)
    {
        if (!complete_ || !RenamePath(path_, target))
            throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(target)));
        path_.clear();
    }

private:
    bool closeFd()
    {
        if (fd_ < 0)
            return true;
        const bool ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }
    int fd_ = -1;
    QString path_;
    std::optional<CappedFileStream> stream_;
    bool complete_ = false;
};

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
    // The table's target is formed from name: one that could lead out of
    // the program folder is never looked up.
    if (!IsPlainEntryName(name)) {
        showFailure(name);
        return FamilyExtract::Failed;
    }
    const QString entry = name + QStringLiteral(".dbf");
    zip::ZipArchiver z;
    z.Name = "ZipArchiver1";
    z.SetPassword(FamilyArchivePassword().toStdString());
    z.SetFileName(archivePath.toStdString());
    // No password question: a wrong password is the sender's school data.
    z.MaxPasswordAttempts = 0;
    const QString programFolder = ProgramFolder();
    std::optional<TableScratch> table;
    QString refusal;
    bool wrongPassword = false;
    try {
        z.OpenArchive();
        const int index = z.FindEntry(entry.toStdString());
        if (index >= 0) {
            if (const QString why = RefusedFamilyEntry(z, index, entry); !why.isEmpty()) {
                refusal = why;
            } else {
                table.emplace(programFolder, entry, FamilyTableByteLimit(z.Entry(index).uncompSize));
                try {
                    z.ExtractToStream(index, table->stream());
                    table->finish();
                } catch (const zip::EZAException& e) {
                    // A wrong classic password slips past its check byte once
                    // in 256 times and then deciphers to garbage; a damaged
                    // entry is one that deciphered right, or one whose cipher
                    // proves its own data (AES).
                    const bool classic = z.Entry(index).encryption == zip::CryptoAlgorithm::PkzipClassic;
                    if (e.NativeError() == zip::err::InvalidPassword)
                        wrongPassword = true;
                    else if (table->exceeded() || z.LastEntrySizeWrong())
                        refusal = damagedEntry(entry);
                    else if (e.NativeError() == zip::err::DamagedEntry && classic)
                        wrongPassword = true;
                    else if (e.NativeError() == zip::err::DamagedEntry)
                        refusal = damagedEntry(entry);
                    else
                        refusal = QString::fromStdString(e.BareMessage());
                }
            }
        }
        z.CloseArchive();
    } catch (const std::exception& e) {
        // The hidden file could not be made (a full or read-only program
        // folder): that is said; a damaged archive is only a failure.
        if (const auto* fe = dynamic_cast<const FileError*>(&e))
            refusal = fe->message();
        table.reset();
        try {
            z.CloseArchive();
        } catch (const std::exception&) {
        }
    }
    z.SetPassword("");
    if (wrongPassword) {
        showMessage(QStringLiteral("Das Verschlüsselungspasswort stimmt nicht.") + kBr
                    + QStringLiteral("Die Schuldaten (Schulname und Schulnummer) von Absender und Empfänger müssen "
                                     "übereinstimmen, sonst schlägt die Entschlüsselung fehl."));
        return FamilyExtract::WrongPassword;
    }
    if (!refusal.isEmpty()) {
        showError(refusal);
        showFailure(name);
        return FamilyExtract::Failed;
    }
    if (!table || !table->complete()) {
        showFailure(name);
        return FamilyExtract::Failed;
    }
    const QString target = FindFileCI(programFolder, entry);
    if (QFileInfo::exists(target)
        && !askYesNoDefaultNo(QStringLiteral("Klasse ") + entry + QStringLiteral(" existiert bereits. Überschreiben? ")))
        return FamilyExtract::Declined;
    try {
        table->moveTo(target);
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
    // The copy and the class table are named after the file on the stick: a
    // name like "..\abcde.kvz" would put them beside the program folder.
    if (!IsPlainEntryName(bareName)) {
        showMessage(QStringLiteral("Der Dateiname ") + bareName
                    + QStringLiteral(" ist ungültig. Die Datei wird nicht einkopiert."));
        QDir::setCurrent(ProgramFolder());
        return;
    }
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
