#include "classes/studentlist.h"
#include "classes/classfields.h"

#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hsa {

namespace {


// Fields 4 and 5 (KLASSE and the certificate date) survive a cleared row.
constexpr int kKeptFieldA = 4;
constexpr int kKeptFieldB = 5;

const QString kBr = QStringLiteral("\n\r");

// Live position of record number n (numbered from 1).
int pos(int number)
{
    return number - 1;
}


void report(const FileError& e)
{
    showError(e.message());
}

// The number the current record stands for, checked against its position:
// an operation must act on the very record its question names.  0 when the
// record holds no number 1 to 40 or a number that is not its own.
int currentRecordNumber(const DbfTable& table)
{
    const int record = state().currentStudentRecord;
    if (record < 0 || record >= table.recordCount())
        return 0;
    bool ok = false;
    const int nr = table.value(record, kFieldNr).trimmed().toInt(&ok);
    if (!ok || nr < 1 || nr > kClassRecordCount || nr != record + 1)
        return 0;
    return nr;
}

// The open class table with its 40 records, or nullptr after a message.
DbfTable* openClassOf40()
{
    if (state().openClassFile.isEmpty() || !ClassTable().isOpen())
        return nullptr;
    DbfTable& table = ClassTable();
    const int count = CountClassRecords(table);
    if (count != kClassRecordCount) {
        showWarning(QStringLiteral("Anzahl der Datensätze: ") + QString::number(count) + kBr
                    + QStringLiteral("Die Klassendatei hat eine falsche Größe. Daher kann die Liste "
                                     "nicht umgestellt werden"));
        return nullptr;
    }
    return &table;
}

// False (after the message) while record 39 still holds a student, whom an
// operation passing through it would overwrite.
bool swapRowFree(const DbfTable& table)
{
    const QString name = (table.value(kSwapRecord - 1, kFieldLast) + QStringLiteral(" ")
                          + table.value(kSwapRecord - 1, kFieldFirst)).trimmed();
    if (name.isEmpty())
        return true;
    showWarning(kMsgSwapRowTaken.arg(name));
    return false;
}

void setCurrentRecord(int number)
{
    state().currentStudentRecord = std::max(0, number - 1);
}

void protectList()
{
    classFiles().ProtectList();
    NotifyMainWindow();
}

} // namespace

// ---------------------------------------------------------------------------
// Columns

const std::vector<StudentListColumn>& StudentListColumns()
{
    // Widths in characters: the list's own for NR, the names, the class,
    // the birth date and the birth place; the field width (at least the
    // title) for the others.
    static const std::vector<StudentListColumn> columns = {
        {kFieldNr, QStringLiteral("NR"), 4},
        {kFieldLast, QStringLiteral("NACHNAME"), 20},
        {kFieldFirst, QStringLiteral("VORNAME"), 20},
        {kFieldGender, QStringLiteral("M/W"), 3},
        {kFieldClass, QStringLiteral("Kl."), 4},
        {kFieldDate, QStringLiteral("Z_Datum"), 20},
        {kFieldGroup, QStringLiteral("Pro.Gr."), 7},
        {kFieldBirthDate, QStringLiteral("Geb_Datum"), 12},
        {kFieldBirthPlace, QStringLiteral("Geburtsort"), 25},
    };
    return columns;
}

// ---------------------------------------------------------------------------
// Records and files

QString StudentFilesFolder()
{
    return FindClassDirCI(ProgramFolder(), state().openClassFile) + QLatin1Char('/');
}

int CountClassRecords(const DbfTable& table)
{
    return table.isOpen() ? table.recordCount() : 0;
}

namespace {

const QByteArray kJournalHead = "HSA-Listenjournal 2";

FileError journalError(const QString& path)
{
    return FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(path)));
}

FileError damagedJournal(const QString& path)
{
    return FileError(QStringLiteral("Die Datei %1 ist beschädigt und wird nicht benutzt. Eine unterbrochene "
                                    "Änderung der Schülerliste kann damit nicht rückgängig gemacht werden.")
                         .arg(QDir::toNativeSeparators(path)));
}

// A bare name of the class folder, never a way out of it.
bool plainName(const QByteArray& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\');
}

// The table's layout (header and record length, field descriptors): a
// snapshot of another table must never be written over this one.
QByteArray layoutOf(const QByteArray& file)
{
    if (file.size() < 12)
        return {};
    const int headerLength = static_cast<unsigned char>(file.at(8)) | (static_cast<unsigned char>(file.at(9)) << 8);
    return file.mid(8, 4) + file.mid(32, headerLength - 32);
}

QByteArray checksum(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Device and inode of the table file: the file the journal was written for,
// which a class put in place as a whole (a restore, an import) is not.
QByteArray identityOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(qulonglong(st.st_dev)) + "\t" + QByteArray::number(qulonglong(st.st_ino));
}

// True when bytes are a class table of at most 40 records whose header
// accounts for every byte (the end mark may follow).
bool soundClassTable(const QByteArray& bytes)
{
    if (bytes.size() < 33)
        return false;
    const auto le = [&](int at, int n) {
        quint64 v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
        return v;
    };
    const quint64 records = le(4, 4);
    const quint64 headerLength = le(8, 2);
    const quint64 recordLength = le(10, 2);
    if (records > quint64(kClassRecordCount) || headerLength < 33 || recordLength < 1)
        return false;
    const quint64 size = headerLength + records * recordLength;
    return quint64(bytes.size()) == size || (quint64(bytes.size()) == size + 1 && bytes.back() == '\x1A');
}

// One block of the journal's tail: what is written at once before the
// renames it names are made, closed by a line "P" with the checksum of the
// whole journal before that line.
QByteArray sealedBlock(const QByteArray& journalSoFar, const QByteArray& lines)
{
    return lines + "P\t" + checksum(journalSoFar + lines) + "\r\n";
}

} // namespace

StudentListChange::StudentListChange(DbfTable& table, const QString& folder)
    : table_(table), folder_(folder), before_(table.snapshot()), journal_(QDir(folder).filePath(kListJournalName))
{
    written_ = kJournalHead + "\r\n" + QByteArray::number(before_.size()) + "\r\n" + checksum(before_) + "\r\n"
               + identityOf(table.path()) + "\r\n" + before_ + "\r\n";
    WriteFileAtomic(journal_, written_);
    journalFd_ = ::open(QFile::encodeName(journal_).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (journalFd_ < 0) {
        RemoveFile(journal_);
        throw journalError(journal_);
    }
}

StudentListChange::~StudentListChange()
{
    if (!committed_)
        undo();
    closeJournal();
}

void StudentListChange::closeJournal() noexcept
{
    if (journalFd_ >= 0)
        ::close(journalFd_);
    journalFd_ = -1;
}

void StudentListChange::rename(const std::vector<std::pair<QString, QString>>& plan)
{
    // The intent is on the disk before a rename is made, with the table as
    // the step left it: a copy of the class taken half-way is still known
    // as the table this journal was written for.
    QByteArray lines = "T\t" + checksum(table_.snapshot()) + "\r\n";
    for (const auto& [from, to] : plan)
        lines += "U\t" + QFile::encodeName(QFileInfo(from).fileName()) + "\t"
                 + QFile::encodeName(QFileInfo(to).fileName()) + "\r\n";
    lines = sealedBlock(written_, lines);
    const bool logged = journalFd_ >= 0 && !FileStepFails(FileStep::Write)
                        && WriteFully(journalFd_, lines.constData(), lines.size());
    if (!logged || ::fdatasync(journalFd_) != 0)
        throw journalError(journal_);
    written_ += lines;
    for (const auto& [from, to] : plan) {
        if (!RenamePath(from, to))
            throw FileError(QStringLiteral("Datei %1 kann nicht umbenannt werden")
                                .arg(QDir::toNativeSeparators(from)));
        renamed_.emplace_back(from, to);
    }
}

void StudentListChange::setAside(int number, std::vector<std::pair<QString, QString>>& plan)
{
    // Every spelling of the names goes, so that no stale file of another
    // case can come back as this student's.
    const QDir dir(folder_);
    const QStringList present = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& prefix : kStudentFilePrefixes) {
        const QString name = prefix + QString::number(number);
        for (const QString& found : present) {
            if (found.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const QString aside = dir.filePath(QStringLiteral(".weg-%1-%2").arg(asideCount_++).arg(found));
            plan.emplace_back(dir.filePath(found), aside);
            setAside_ << aside;
        }
    }
}

void StudentListChange::move(int source, int dest)
{
    if (source == dest)
        return;
    const int n = table_.fieldCount();
    QStringList texts;
    for (int f = 1; f < n; ++f)
        texts << table_.value(pos(source), f).left(kMovedFieldMax);
    for (int f = 1; f < n; ++f)
        table_.setValue(pos(dest), f, texts.at(f - 1));
    table_.post();

    std::vector<std::pair<QString, QString>> plan;
    setAside(dest, plan);
    for (const QString& prefix : kStudentFilePrefixes) {
        const QString from = FindFileCI(folder_, prefix + QString::number(source));
        if (QFileInfo::exists(from))
            plan.emplace_back(from, QDir(folder_).filePath(prefix + QString::number(dest)));
    }
    rename(plan);
}

void StudentListChange::clear(int number, bool keepClassAndDate)
{
    ClearStudentRecord(table_, number, keepClassAndDate);
    std::vector<std::pair<QString, QString>> plan;
    setAside(number, plan);
    rename(plan);
}

void StudentListChange::commit()
{
    // The change stands once its journal is gone; while the journal stays,
    // the next opening would undo it.
    closeJournal();
    if (!RemoveFile(journal_))
        throw FileError(QStringLiteral("Datei %1 kann nicht gelöscht werden").arg(QDir::toNativeSeparators(journal_)));
    committed_ = true;
    // A set-aside file that cannot be removed is only a hidden leftover,
    // never a student's file; the next opening of the class removes it.
    for (const QString& f : setAside_)
        RemoveFile(f);
}

void StudentListChange::undo() noexcept
{
    // Best effort: the table is written back in place, which needs no room
    // on the disk, and renames within a folder need none either.
    try {
        table_.restore(before_);
    } catch (...) {
    }
    bool undone = true;
    for (auto it = renamed_.rbegin(); it != renamed_.rend(); ++it)
        undone = RenamePath(it->second, it->first) && undone;
    // What could not be undone here is undone by the next opening.
    closeJournal();
    if (undone)
        RemoveFile(journal_);
}

bool RecoverInterruptedListChange(DbfTable& table, const QString& folder)
{
    const QString path = QDir(folder).filePath(kListJournalName);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    if (!info.isFile() || info.isSymLink())
        throw damagedJournal(path);
    // The whole journal is read and checked before anything is written: its
    // head, its copy of the table (a class table of at most 40 records, its
    // byte count and checksum), then every block of renames with its seal.
    const QByteArray journal = ReadFileBytes(path);
    QList<QByteArray> head;
    qsizetype at = 0;
    for (int i = 0; i < 4; ++i) {
        const qsizetype end = journal.indexOf("\r\n", at);
        if (end < 0)
            throw damagedJournal(path);
        head << journal.mid(at, end - at);
        at = end + 2;
    }
    bool ok = false;
    const qsizetype count = head.at(1).toLongLong(&ok);
    if (head.at(0) != kJournalHead || !ok || count < 33 || head.at(1) != QByteArray::number(count)
        || at + count + 2 > journal.size() || journal.mid(at + count, 2) != "\r\n")
        throw damagedJournal(path);
    const QByteArray before = journal.mid(at, count);
    if (!soundClassTable(before) || checksum(before) != head.at(2) || layoutOf(before) != layoutOf(table.snapshot()))
        throw damagedJournal(path);
    QList<QByteArray> states{head.at(2)};
    // The renames; a block that the kill cut off was never carried out.
    std::vector<std::pair<QString, QString>> renames;
    at += count + 2;
    QList<QByteArray> block;
    for (qsizetype end = journal.indexOf("\r\n", at); end >= 0; at = end + 2, end = journal.indexOf("\r\n", at)) {
        const QByteArray line = journal.mid(at, end - at);
        if (line.startsWith("P\t")) {
            if (line.mid(2) != checksum(journal.left(at)))
                throw damagedJournal(path);
            for (const QByteArray& entry : block) {
                const QList<QByteArray> parts = entry.split('\t');
                if (parts.size() == 2 && parts.at(0) == "T") {
                    states << parts.at(1);
                    continue;
                }
                if (parts.size() != 3 || parts.at(0) != "U" || !plainName(parts.at(1)) || !plainName(parts.at(2)))
                    throw damagedJournal(path);
                renames.emplace_back(QDir(folder).filePath(QFile::decodeName(parts.at(1))),
                                     QDir(folder).filePath(QFile::decodeName(parts.at(2))));
            }
            block.clear();
            continue;
        }
        block << line;
    }
    // A journal applies only to the table it was written for: the same file,
    // or a copy of it as the change had left it.  Any other table (a class
    // restored or taken in as a whole) is newer than the journal, which is
    // dropped unused.
    const QByteArray now = table.snapshot();
    if (now.size() != before.size()
        || (identityOf(table.path()) != head.at(3) && !states.contains(checksum(now)))) {
        if (!RemoveFile(path))
            throw FileError(QStringLiteral("Datei %1 kann nicht gelöscht werden").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    table.restore(before);
    for (auto it = renames.rbegin(); it != renames.rend(); ++it) {
        // Made: the file stands under its new name and its old one is free.
        // Never made: it still stands under its old name.
        const auto [from, to] = *it;
        if (QFileInfo::exists(to) && !QFileInfo::exists(from) && !RenamePath(to, from))
            throw FileError(QStringLiteral("Datei %1 kann nicht umbenannt werden").arg(QDir::toNativeSeparators(to)));
    }
    if (!RemoveFile(path))
        throw FileError(QStringLiteral("Datei %1 kann nicht gelöscht werden").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool RecoverListChangeOfClass(const QString& tablePath, const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo::exists(FindFileCI(folder, kListJournalName))
        || !QFileInfo(tablePath).isFile())
        return false;
    DbfTable table;
    table.open(tablePath);
    const bool undone = RecoverInterruptedListChange(table, folder);
    table.close();
    return undone;
}

void MoveStudentRecord(DbfTable& table, const QString& folder, int source, int dest)
{
    StudentListChange change(table, folder);
    change.move(source, dest);
    change.commit();
}

void ClearStudentRecord(DbfTable& table, int number, bool keepClassAndDate)
{
    const int r = pos(number);
    for (int f = 1; f < table.fieldCount(); ++f) {
        if (keepClassAndDate && (f == kKeptFieldA || f == kKeptFieldB))
            continue;
        table.setValue(r, f, QString());
    }
    table.setValue(r, kFieldNr, QString::number(number));
    table.post();
}

// ---------------------------------------------------------------------------
// Sort keys

void ReplaceAll(QByteArray& text, const QByteArray& oldText, const QByteArray& replacement)
{
    if (oldText.isEmpty())
        return;
    if (replacement.contains(oldText)) {
        text.replace(oldText, replacement);
        return;
    }
    for (qsizetype at = text.indexOf(oldText); at >= 0; at = text.indexOf(oldText))
        text = text.left(at) + replacement + text.mid(at + oldText.size());
}

QByteArray BuildSortKey(const QByteArray& text, int width)
{
    static const std::pair<const char*, const char*> umlauts[] = {
        {"\xC4", "A"}, {"\xD6", "O"}, {"\xDC", "U"}, {"\xDF", "SS"},
        {"\xE4", "a"}, {"\xF6", "o"}, {"\xFC", "u"},
    };
    QByteArray key = text;
    for (const auto& [from, to] : umlauts)
        ReplaceAll(key, QByteArray(from), QByteArray(to));
    if (width < key.size())
        key.truncate(width);
    while (key.size() < width)
        key.append(' ');
    return key;
}

QByteArray StudentSortKey(const DbfTable& table, int number, bool gender, bool groups)
{
    const int r = pos(number);
    const QString last = table.value(r, kFieldLast);
    const QByteArray nr = ToWindows1252(table.value(r, kFieldNr));
    if (TrimRight(last).isEmpty()) {
        QByteArray key;
        key.append(char(0xFF));
        key.append(char(number + 64));
        key.append(nr);
        return key.left(kSortKeyMax);
    }
    QByteArray key = BuildSortKey(ToWindows1252(last), kSortNameWidth)
                     + BuildSortKey(ToWindows1252(table.value(r, kFieldFirst)), kSortNameWidth) + nr;
    key = key.left(kSortKeyMax);
    if (gender)
        key = (ToWindows1252(table.value(r, kFieldGender)) + key).left(kSortKeyMax);
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    if (groups)
        key = (ToWindows1252(table.value(r, kFieldGroup)) + key).left(kSortKeyMax);
    return key;
}

void QuickSortKeys(int low, int high, std::vector<QByteArray>& keys,
                   const std::function<void(int, int)>& exchange)
{
    if (low >= high)
        return;
    const QByteArray pivot = keys[(low + high) / 2];
    int i = low;
    int j = high;
    do {
        while (keys[i] < pivot)
            ++i;
        while (keys[j] > pivot)
            --j;
        if (i <= j) {
            std::swap(keys[i], keys[j]);
            if (j > i)
                exchange(i, j);
            ++i;
            --j;
        }
    } while (i <= j);
    if (j > low)
        QuickSortKeys(low, j, keys, exchange);
    if (i < high)
        QuickSortKeys(i, high, keys, exchange);
}

void SortClassRecords(DbfTable& table, const QString& folder, bool gender, bool groups)
{
    std::vector<QByteArray> keys(kSwapRecord + 1);
    for (int i = 1; i <= kSwapRecord; ++i)
        keys[i] = StudentSortKey(table, i, gender, groups);
    StudentListChange change(table, folder);
    // Every student takes part, the one in the last student row too.
    QuickSortKeys(1, kLastStudentRecord, keys, [&](int a, int b) {
        change.move(a, kSwapRecord);
        change.move(b, a);
        change.move(kSwapRecord, b);
    });
    change.clear(kSwapRecord, false);
    change.commit();
}

// ---------------------------------------------------------------------------
// Menu "&Liste"

StudentListHooks& studentListHooks()
{
    static StudentListHooks hooks;
    return hooks;
}

namespace {

// The open class table and the number of its current record, for the list
// operations that act on the current student; nullopt (after the message)
// when there is none to act on.
std::optional<std::pair<DbfTable*, int>> currentStudentOfList()
{
    DbfTable* table = openClassOf40();
    if (!table)
        return std::nullopt;
    const int n = currentRecordNumber(*table);
    if (n == 0) {
        showWarning(kMsgStudentNumberWrong);
        return std::nullopt;
    }
    return std::make_pair(table, n);
}

// "NACHNAME VORNAME" of record number n, as the questions name the student.
QString studentName(const DbfTable& table, int n)
{
    return table.value(pos(n), kFieldLast) + QStringLiteral(" ") + table.value(pos(n), kFieldFirst);
}

} // namespace

bool DeleteStudent()
{
    const auto current = currentStudentOfList();
    if (!current)
        return false;
    const auto [table, n] = *current;
    if (!askYesNoDefaultNo(QStringLiteral("Schüler ") + studentName(*table, n) + QStringLiteral(" wirklich löschen ?")))
        return false;
    const QString folder = StudentFilesFolder();
    bool done = false;
    try {
        StudentListChange change(*table, folder);
        for (int k = n; k <= kLastStudentRecord; ++k)
            change.move(k + 1, k);
        change.clear(kSwapRecord, true);
        change.commit();
        done = true;
    } catch (const FileError& e) {
        report(e);
    }
    setCurrentRecord(n);
    protectList();
    return done;
}

bool InsertEmptyRow()
{
    const auto current = currentStudentOfList();
    if (!current)
        return false;
    const auto [table, n] = *current;
    if (!swapRowFree(*table))
        return false;
    if (!askYesNo(QStringLiteral("Vor dem Schüler ") + studentName(*table, n) + QStringLiteral(" Leerzeile einfügen?")))
        return false;
    if (!askYesNoDefaultNo(QStringLiteral("Bitte beachten: Die Informationen von Schüler Nr. 39 gehen ggf. "
                                          "verloren. Leerzeile einfügen?")))
        return false;
    const QString folder = StudentFilesFolder();
    bool done = false;
    try {
        StudentListChange change(*table, folder);
        if (n < kSwapRecord)
            for (int k = kLastStudentRecord; k >= n; --k)
                change.move(k, k + 1);
        change.clear(n, true);
        change.commit();
        done = true;
    } catch (const FileError& e) {
        report(e);
    }
    setCurrentRecord(n);
    if (done) {
        classFiles().EnableListWriting();
        NotifyMainWindow();
    } else {
        protectList();
    }
    return done;
}

namespace {

// Asks for a student number 1 to 38 until one is given; nullopt on Cancel.
std::optional<int> askStudentNumber(const QString& caption, const QString& preset)
{
    for (;;) {
        const std::optional<QString> typed =
            prompts().input(caption, QStringLiteral("(1 bis 38)"), preset);
        if (!typed)
            return std::nullopt;
        const int v = ParseLeadingInt(*typed);
        if (v >= 1 && v <= kLastStudentRecord)
            return v;
    }
}

} // namespace

bool SwapTwoRows()
{
    DbfTable* table = openClassOf40();
    if (!table || !swapRowFree(*table))
        return false;
    if (!askYesNo(QStringLiteral("Zwei Schüler der Liste vertauschen?")))
        return false;
    const std::optional<int> a = askStudentNumber(QStringLiteral("Nummer des 1.Schülers"), QString());
    if (!a)
        return false;
    const std::optional<int> b =
        askStudentNumber(QStringLiteral("Nummer des 2.Schülers"), QString::number(*a));
    if (!b)
        return false;
    if (!askYesNoDefaultNo(QStringLiteral("Bitte beachten: Die Informationen von Schüler Nr. 39 gehen ggf. "
                                          "verloren. Vertauschen?")))
        return false;
    const QString folder = StudentFilesFolder();
    bool done = false;
    try {
        StudentListChange change(*table, folder);
        if (*a != *b) {
            change.move(*a, kSwapRecord);
            change.move(*b, *a);
            change.move(kSwapRecord, *b);
        }
        change.clear(kSwapRecord, true);
        change.commit();
        done = true;
    } catch (const FileError& e) {
        report(e);
    }
    setCurrentRecord(*a);
    protectList();
    return done;
}

bool SortStudentList()
{
    if (state().openClassFile.isEmpty() || !ClassTable().isOpen())
        return false;
    DbfTable& table = ClassTable();
    const int count = CountClassRecords(table);
    if (count != kClassRecordCount) {
        showMessage(QStringLiteral("Anzahl der Datensätze: ") + QString::number(count) + kBr
                    + QStringLiteral("Die Klassendatei hat eine falsche Größe. Daher kann sie nicht "
                                     "sortiert werden"));
        return false;
    }
    if (!swapRowFree(table))
        return false;
    StudentListHooks& hooks = studentListHooks();
    if (hooks.sortProgress)
        hooks.sortProgress(kMsgSortProgress);
    const auto endProgress = [&] {
        if (hooks.sortProgress)
            hooks.sortProgress(QString());
    };
    if (!askYesNo(QStringLiteral("Klasse sortieren?"))) {
        endProgress();
        return false;
    }
    const bool gender = askYesNo(QStringLiteral("Nach Jungen und Mädchen trennen?"));
    const bool groups = askYesNo(QStringLiteral("Vorrangig nach Projektgruppen sortieren?"));
    bool done = false;
    try {
        SortClassRecords(table, StudentFilesFolder(), gender, groups);
        done = true;
    } catch (const FileError& e) {
        report(e);
    }
    endProgress();
    setCurrentRecord(1);
    protectList();
    return done;
}

bool StudentListCtrlKey()
{
    if (classFiles().view().studentListReadOnly)
        return false;
    showInformation(kMsgCtrlProtects);
    protectList();
    return true;
}

void DeleteStudentFiles(const QString& folder, int number)
{
    for (const QString& prefix : kStudentFilePrefixes) {
        const QString name = prefix + QString::number(number);
        // Every spelling of the name goes, so that no stale file of another
        // case can come back as this student's.
        for (;;) {
            const QString path = FindFileCI(folder, name);
            if (!QFileInfo::exists(path))
                break;
            if (!RemoveFile(path))
                throw FileError(QStringLiteral("Datei %1 kann nicht gelöscht werden")
                                    .arg(QDir::toNativeSeparators(path)));
        }
    }
}

namespace {
const ProgramWideReset resetStudentListHooks(ResetOrder::Objects, [] { studentListHooks() = {}; });
}

} // namespace hsa
