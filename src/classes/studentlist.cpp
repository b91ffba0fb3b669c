#include "classes/studentlist.h"
#include "classes/classfields.h"

#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/helpers.h"
#include "classes/quicksort.h"
#include "classes/sharedstate.h"
#include "classes/tempfiles.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <optional>
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

// Empties record number from field 1 on (but fields 4 and 5 when kept) and
// sets NR to the number; written by the next post().
void clearFields(DbfTable& table, int number, bool keepClassAndDate)
{
    const int r = pos(number);
    for (int f = 1; f < table.fieldCount(); ++f) {
        if (keepClassAndDate && (f == kKeptFieldA || f == kKeptFieldB))
            continue;
        table.setValue(r, f, QString());
    }
    table.setValue(r, kFieldNr, QString::number(number));
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

const QByteArray kJournalHead = "HSA-Listenjournal 3";
// The journals of earlier program versions name their renames, not what
// they move: "1" the table as it was, then one line per rename; "2" with
// checksums, the table file's device and inode, and sealed blocks.
const QByteArray kJournalHeadV1 = "HSA-Listenjournal 1";
const QByteArray kJournalHeadV2 = "HSA-Listenjournal 2";
// A journal that is not used is kept under this name (with "-2", "-3", …
// when it is taken), so that nothing the user may still need is lost.
const QString kUnusedJournalName = QStringLiteral(".listenjournal.unbenutzt");

FileError journalError(const QString& path)
{
    return FileError::cannotCreate(path);
}

FileError renameError(const QString& path)
{
    return FileError(QStringLiteral("Datei %1 kann nicht umbenannt werden").arg(QDir::toNativeSeparators(path)));
}

QString damagedJournalText(const QString& path)
{
    return QStringLiteral("Die Datei %1 ist beschädigt und wird nicht benutzt. Eine unterbrochene "
                          "Änderung der Schülerliste kann damit nicht rückgängig gemacht werden.")
        .arg(QDir::toNativeSeparators(path));
}

QString foreignJournalText(const QString& path, const QString& table)
{
    return QStringLiteral("Die Datei %1 gehört nicht zur Klassendatei %2, wie sie jetzt ist (die Klasse wurde "
                          "wohl seitdem als Ganzes ersetzt), und wird nicht benutzt. Eine unterbrochene Änderung "
                          "der Schülerliste kann damit nicht rückgängig gemacht werden.")
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(table));
}

// A bare name of the class folder, never a way out of it.
bool plainName(const QByteArray& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\');
}

int headerLengthOf(const QByteArray& file)
{
    return static_cast<unsigned char>(file.at(8)) | (static_cast<unsigned char>(file.at(9)) << 8);
}

// The table's layout (header and record length, field descriptors): a
// snapshot of another table must never be written over this one.
QByteArray layoutOf(const QByteArray& file)
{
    if (file.size() < 12)
        return {};
    return file.mid(8, 4) + file.mid(32, headerLengthOf(file) - 32);
}

QByteArray checksum(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// What ties a table to a journal: its records and their count, by content
// alone (a copied or remounted table is another file), and without the
// date of the last update that every write sets anew.
QByteArray stateOf(const QByteArray& file)
{
    if (file.size() < 12)
        return {};
    return checksum(file.mid(4, 4) + file.mid(headerLengthOf(file)));
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

// One block of the journal: what is written at once, closed by a line "P"
// with the checksum of the whole journal before that line.
QByteArray sealedBlock(const QByteArray& journalSoFar, const QByteArray& lines)
{
    return lines + "P\t" + checksum(journalSoFar + lines) + "\r\n";
}

// "v.", "m." or "l." and a number 1 to 40, in any case: a student's file.
bool studentFileName(const QString& name)
{
    for (const QString& prefix : kStudentFilePrefixes) {
        if (!name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = name.mid(prefix.size()).toInt(&ok);
        return ok && n >= 1 && n <= kClassRecordCount && name.mid(prefix.size()) == QString::number(n);
    }
    return false;
}

// A file set aside by a list change, or by the undoing of one.
const QRegularExpression& setAsidePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\.weg-([0-9]+)-.+$"));
    return pattern;
}

// Every student's file of the folder with the checksum of its bytes.
QMap<QString, QByteArray> studentFilesOf(const QString& folder)
{
    QMap<QString, QByteArray> out;
    const QDir dir(folder);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (!fi.isSymLink() && studentFileName(fi.fileName()))
            out.insert(fi.fileName(), checksum(ReadFileBytes(fi.filePath())));
    return out;
}

// A journal read whole and checked.
struct ListJournal {
    int version = 0;
    QByteArray before;                                // the table as it was
    QMap<QString, QByteArray> files;                  // every student's file as it was, with its checksum
    QList<QByteArray> states;                         // the table as it was and as each step leaves it
    std::vector<std::pair<QString, QString>> renames; // bare names, in the order made
};

// The journal's lines from at on: complete lines only, a last one cut off
// by the kill is left out.
QList<QByteArray> linesFrom(const QByteArray& journal, qsizetype at, QList<qsizetype>* starts = nullptr)
{
    QList<QByteArray> out;
    for (qsizetype end = journal.indexOf("\r\n", at); end >= 0; at = end + 2, end = journal.indexOf("\r\n", at)) {
        out << journal.mid(at, end - at);
        if (starts)
            *starts << at;
    }
    return out;
}

bool renameLine(const QByteArray& line, ListJournal& j)
{
    const QList<QByteArray> parts = line.split('\t');
    if (parts.size() != 3 || parts.at(0) != "U" || !plainName(parts.at(1)) || !plainName(parts.at(2)))
        return false;
    j.renames.emplace_back(QFile::decodeName(parts.at(1)), QFile::decodeName(parts.at(2)));
    return true;
}

// Reads a journal of either format; nullopt when any part of it fails its
// check: its head, its copy of the table (a class table of at most 40
// records, with its byte count and, in the present format, its checksum),
// every block with its seal.
std::optional<ListJournal> readJournal(const QByteArray& journal)
{
    ListJournal j;
    const qsizetype headEnd = journal.indexOf("\r\n");
    if (headEnd < 0)
        return std::nullopt;
    const QByteArray head = journal.left(headEnd);
    j.version = head == kJournalHead ? 3 : head == kJournalHeadV2 ? 2 : head == kJournalHeadV1 ? 1 : 0;
    if (j.version == 0)
        return std::nullopt;
    QList<QByteArray> lines;
    qsizetype at = headEnd + 2;
    // The byte count; from "2" on the checksum; in "2" the file's identity.
    const int headLines = j.version == 1 ? 1 : j.version == 2 ? 3 : 2;
    for (int i = 0; i < headLines; ++i) {
        const qsizetype end = journal.indexOf("\r\n", at);
        if (end < 0)
            return std::nullopt;
        lines << journal.mid(at, end - at);
        at = end + 2;
    }
    bool ok = false;
    const qsizetype count = lines.at(0).toLongLong(&ok);
    if (!ok || count < 33 || lines.at(0) != QByteArray::number(count) || at + count + 2 > journal.size()
        || journal.mid(at + count, 2) != "\r\n")
        return std::nullopt;
    j.before = journal.mid(at, count);
    if (!soundClassTable(j.before) || (j.version > 1 && checksum(j.before) != lines.at(1)))
        return std::nullopt;
    at += count + 2;
    if (j.version == 1) {
        for (const QByteArray& line : linesFrom(journal, at))
            if (!renameLine(line, j))
                return std::nullopt;
        return j;
    }
    j.states << stateOf(j.before);
    // The first block lists the student's files; it is written at once with
    // the head, so a journal without it is damaged.  A last block without
    // its seal was cut off by the kill, and none of its renames was made.
    const bool listsFiles = j.version == 3;
    QList<qsizetype> starts;
    const QList<QByteArray> tail = linesFrom(journal, at, &starts);
    QList<QByteArray> block;
    int sealed = 0;
    for (int i = 0; i < tail.size(); ++i) {
        const QByteArray& line = tail.at(i);
        if (!line.startsWith("P\t")) {
            block << line;
            continue;
        }
        if (line.mid(2) != checksum(journal.left(starts.at(i))))
            return std::nullopt;
        for (const QByteArray& entry : block) {
            const QList<QByteArray> parts = entry.split('\t');
            if (listsFiles && sealed == 0) {
                if (parts.size() != 3 || parts.at(0) != "F" || !studentFileName(QFile::decodeName(parts.at(1)))
                    || parts.at(2).size() != 64)
                    return std::nullopt;
                j.files.insert(QFile::decodeName(parts.at(1)), parts.at(2));
            } else if (parts.size() == 2 && parts.at(0) == "T") {
                j.states << parts.at(1);
            } else if (!renameLine(entry, j)) {
                return std::nullopt;
            }
        }
        block.clear();
        ++sealed;
    }
    if (listsFiles && sealed == 0)
        return std::nullopt;
    return j;
}

// The renames that give every student's file of the journal back its name,
// found by content alone: whatever part of the change, and of earlier
// attempts to undo it, was made, the same files stand somewhere under the
// names the journal knows or under set-aside names.  A file already in its
// place stays; one in the way is set aside first.  False when the files do
// not fit the journal.
bool planByContent(const ListJournal& j, const QString& folder, std::vector<std::pair<QString, QString>>& plan)
{
    const QDir dir(folder);
    QSet<QString> names;
    for (auto it = j.files.begin(); it != j.files.end(); ++it)
        names << it.key();
    for (const auto& [from, to] : j.renames)
        names << from << to;
    int nextAside = 0;
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = setAsidePattern().match(fi.fileName());
        if (!m.hasMatch())
            continue;
        nextAside = std::max(nextAside, m.captured(1).toInt() + 1);
        if (!fi.isSymLink())
            names << fi.fileName();
    }
    QMap<QString, QByteArray> present;
    for (const QString& name : names) {
        const QFileInfo fi(dir.filePath(name));
        if (fi.isSymLink() || (fi.exists() && !fi.isFile()))
            return false;
        if (fi.exists())
            present.insert(name, checksum(ReadFileBytes(fi.filePath())));
    }
    QMap<QString, QByteArray> wanted;
    QMultiMap<QByteArray, QString> spare;
    for (auto it = j.files.begin(); it != j.files.end(); ++it)
        if (present.value(it.key()) != it.value())
            wanted.insert(it.key(), it.value());
    for (auto it = present.begin(); it != present.end(); ++it) {
        if (j.files.value(it.key()) == it.value())
            continue;
        // A file in the way of a wanted one is set aside first.
        QString name = it.key();
        if (wanted.contains(name)) {
            const QString aside = QStringLiteral(".weg-%1-%2").arg(nextAside++).arg(name);
            plan.emplace_back(dir.filePath(name), dir.filePath(aside));
            name = aside;
        }
        spare.insert(it.value(), name);
    }
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        // A file under a student's name comes first: no file of the change
        // may stay behind as another student's while a set-aside copy of
        // the same bytes (one a failed removal left) takes its place.
        auto found = spare.find(it.value());
        for (auto other = found; other != spare.end() && other.key() == it.value(); ++other)
            if (!setAsidePattern().match(other.value()).hasMatch()) {
                found = other;
                break;
            }
        if (found == spare.end())
            return false;
        plan.emplace_back(dir.filePath(found.value()), dir.filePath(it.key()));
        spare.erase(found);
    }
    return true;
}

// The records of a table, each without its deletion mark and its NR; the
// records without a name are left out.
QList<QByteArray> namedRecordsOf(const QByteArray& file)
{
    QList<QByteArray> out;
    if (!soundClassTable(file) || file.size() < 32 + 2 * 32)
        return out;
    const int headerLength = headerLengthOf(file);
    const int recordLength = static_cast<unsigned char>(file.at(10)) | (static_cast<unsigned char>(file.at(11)) << 8);
    const int nrWidth = static_cast<unsigned char>(file.at(32 + 16));
    const int nameWidth = static_cast<unsigned char>(file.at(64 + 16));
    const int records = static_cast<unsigned char>(file.at(4));
    for (int r = 0; r < records; ++r) {
        const QByteArray rest = file.mid(headerLength + qsizetype(r) * recordLength + 1 + nrWidth,
                                         recordLength - 1 - nrWidth);
        if (!rest.left(nameWidth).trimmed().isEmpty())
            out << rest;
    }
    return out;
}

// A journal of an earlier format names its renames only.  It is applied
// when it provably belongs to the table and its files: every named record of
// the table is one of the journal's copy, and exactly one count of renames
// made fits the names in the folder (the renames not made could all still
// be made from there).
bool planOfEarlierVersion(const ListJournal& j, const QByteArray& now, const QString& folder,
                          std::vector<std::pair<QString, QString>>& plan)
{
    if (!soundClassTable(now))
        return false;
    const QList<QByteArray> copy = namedRecordsOf(j.before);
    for (const QByteArray& record : namedRecordsOf(now))
        if (!copy.contains(record))
            return false;
    const QDir dir(folder);
    QSet<QString> present;
    for (const auto& [from, to] : j.renames)
        for (const QString& name : {from, to}) {
            const QFileInfo fi(dir.filePath(name));
            if (fi.isSymLink() || (fi.exists() && !fi.isFile()))
                return false;
            if (fi.exists())
                present << name;
        }
    const int count = int(j.renames.size());
    int fits = -1;
    for (int made = 0; made <= count; ++made) {
        bool ok = true;
        QSet<QString> names = present;
        for (int i = made - 1; ok && i >= 0; --i) {
            const auto& [from, to] = j.renames[size_t(i)];
            ok = names.contains(to) && !names.contains(from);
            names.remove(to);
            names << from;
        }
        names = present;
        for (int i = made; ok && i < count; ++i) {
            const auto& [from, to] = j.renames[size_t(i)];
            ok = names.contains(from) && !names.contains(to);
            names.remove(from);
            names << to;
        }
        if (!ok)
            continue;
        if (fits >= 0)
            return false;
        fits = made;
    }
    if (fits < 0)
        return false;
    for (int i = fits - 1; i >= 0; --i)
        plan.emplace_back(dir.filePath(j.renames[size_t(i)].second), dir.filePath(j.renames[size_t(i)].first));
    return true;
}

// The way on when a journal cannot be used: the user may use the class as
// it stands, the journal then kept aside under a name that says so; or not,
// and the class is not used.
bool offerClassAsItStands(const QString& path, const QString& why)
{
    const QDir dir = QFileInfo(path).dir();
    QString aside = dir.filePath(kUnusedJournalName);
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = dir.filePath(kUnusedJournalName + QStringLiteral("-%1").arg(n));
    const QString question = why
        + QStringLiteral("\n\r\n\rSoll die Klasse so verwendet werden, wie sie jetzt ist? Die Datei wird dann "
                         "als %1 aufbewahrt.")
              .arg(QDir::toNativeSeparators(aside));
    if (!askYesNoDefaultNo(question, MsgKind::Warning))
        throw FileError(why);
    if (!RenamePath(path, aside))
        throw renameError(path);
    return false;
}

} // namespace

StudentListChange::StudentListChange(DbfTable& table, const QString& folder)
    : table_(table), folder_(folder), before_(table.snapshot()), journal_(QDir(folder).filePath(kListJournalName))
{
    // The head names the table and every student's file as they are, by
    // content: what a cut change moved is found again wherever it stands.
    written_ = kJournalHead + "\r\n" + QByteArray::number(before_.size()) + "\r\n" + checksum(before_) + "\r\n"
        + before_ + "\r\n";
    QByteArray files;
    const QMap<QString, QByteArray> present = studentFilesOf(folder);
    for (auto it = present.begin(); it != present.end(); ++it)
        files += "F\t" + QFile::encodeName(it.key()) + "\t" + it.value() + "\r\n";
    written_ += sealedBlock(written_, files);
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

void StudentListChange::step(const std::vector<std::pair<QString, QString>>& plan)
{
    // The intent is on the disk before anything of the step is: the table as
    // the step will leave it, then the renames.  Whatever a cut leaves, the
    // table is one the journal names, and the files are where it knows them.
    QByteArray lines = "T\t" + stateOf(table_.pendingSnapshot()) + "\r\n";
    for (const auto& [from, to] : plan)
        lines += "U\t" + QFile::encodeName(QFileInfo(from).fileName()) + "\t"
                 + QFile::encodeName(QFileInfo(to).fileName()) + "\r\n";
    lines = sealedBlock(written_, lines);
    const bool logged = journalFd_ >= 0 && !FileStepFails(FileStep::Write)
                        && WriteFully(journalFd_, lines.constData(), lines.size());
    if (!logged || ::fdatasync(journalFd_) != 0)
        throw journalError(journal_);
    written_ += lines;
    table_.post();
    for (const auto& [from, to] : plan) {
        if (!RenamePath(from, to))
            throw renameError(from);
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

    std::vector<std::pair<QString, QString>> plan;
    setAside(dest, plan);
    for (const QString& prefix : kStudentFilePrefixes) {
        const QString from = FindFileCI(folder_, prefix + QString::number(source));
        if (QFileInfo::exists(from))
            plan.emplace_back(from, QDir(folder_).filePath(prefix + QString::number(dest)));
    }
    step(plan);
}

void StudentListChange::clear(int number, bool keepClassAndDate)
{
    clearFields(table_, number, keepClassAndDate);
    std::vector<std::pair<QString, QString>> plan;
    setAside(number, plan);
    step(plan);
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
        return offerClassAsItStands(path, damagedJournalText(path));
    // The whole journal is read and checked, and the way back planned, before
    // anything is written.
    const std::optional<ListJournal> journal = readJournal(ReadFileBytes(path));
    if (!journal)
        return offerClassAsItStands(path, damagedJournalText(path));
    const QByteArray now = table.snapshot();
    std::vector<std::pair<QString, QString>> plan;
    // A journal applies only to the table it was written for, as the change
    // left it at some step, wherever the table lies now; any other table (a
    // class put in place as a whole) is not touched.
    const bool fits = layoutOf(journal->before) == layoutOf(now)
        && (journal->version < 3 ? planOfEarlierVersion(*journal, now, folder, plan)
                                 : journal->states.contains(stateOf(now)) && planByContent(*journal, folder, plan));
    if (!fits)
        return offerClassAsItStands(path, foreignJournalText(path, table.path()));
    // Each step can be cut off and made again: the table is written whole,
    // and the next try plans its renames anew from the files as they stand.
    table.restore(journal->before);
    for (const auto& [from, to] : plan)
        if (!RenamePath(from, to))
            throw renameError(from);
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
    clearFields(table, number, keepClassAndDate);
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

void RemoveProgramHiddenFiles(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    const QDir dir(folder);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = fi.fileName();
        const bool journal = name.compare(kListJournalName, Qt::CaseInsensitive) == 0
            || name.startsWith(kUnusedJournalName, Qt::CaseInsensitive);
        if ((journal || IsProgramTemporaryFile(name)) && !RemoveFile(dir.filePath(name)))
            throw FileError(QStringLiteral("Datei %1 kann nicht gelöscht werden")
                                .arg(QDir::toNativeSeparators(dir.filePath(name))));
    }
}

namespace {
const ProgramWideReset resetStudentListHooks(ResetOrder::Objects, [] { studentListHooks() = {}; });
}

} // namespace hsa
