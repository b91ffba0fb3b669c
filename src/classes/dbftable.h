#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// dBase tables: the class tables of this program, the template "start2.dbf"
// and the family's class tables "??-*.dbf".  Every field is read and written
// as text.  A table opened for writing holds an exclusive lock for as long as
// it is open, so that a second program (or a second window of this one) can
// never write the same class at the same time.
namespace hsa {

// How the bytes of a table's text fields are read.
enum class DbfTextBytes {
    // Our own class tables: plain Windows-1252, both ways.
    Windows1252,
    // The family's tables: Windows-1252 text in which the eight German
    // letters may still stand as code-page-850 bytes; those are mapped on
    // reading (see FamilyBytesToWindows1252).
    Family,
};

enum class DbfAccess {
    Exclusive,       // read and write; nobody else may open the table
    SharedReadOnly,  // read only; others may read at the same time
};

// The eight code-page-850 bytes the family's programs use for the German
// letters (0x84 0x94 0x81 0x8E 0x99 0x9A 0xE1 0x82) become the Windows-1252
// bytes of "ä ö ü Ä Ö Ü ß é"; every other byte stays.
QByteArray FamilyBytesToWindows1252(QByteArray bytes);
// The way back, as a class travels on a stick: the Windows-1252 bytes of the
// same eight letters become their code-page-850 bytes; every other byte stays.
QByteArray Windows1252ToFamilyBytes(QByteArray bytes);

struct DbfField {
    QString name;
    char type = 'C';   // 'C', 'N', 'F', 'D', 'L', ...
    int width = 0;
    int decimals = 0;
};

class DbfTable {
public:
    DbfTable();
    ~DbfTable();
    DbfTable(const DbfTable&) = delete;
    DbfTable& operator=(const DbfTable&) = delete;

    // Opens the table at path.  Raises FileError "Datei %s kann nicht
    // geöffnet werden" when the file is missing, is no regular file, is a
    // symbolic link, or is locked by another opener (exclusive: any other
    // opener; shared: an exclusive one), and "Die Datei %s ist beschädigt
    // und wird nicht benutzt." when its header does not describe what the
    // file holds (no field, a record count beyond the end of the file, a
    // header length that does not fit its fields); such a table is never
    // written.  A record that cannot be read later raises the same.  An open
    // table is closed first.
    void open(const QString& path, DbfAccess access = DbfAccess::Exclusive,
              DbfTextBytes bytes = DbfTextBytes::Windows1252);
    // Writes what is pending and releases the lock.  Never raises; a write
    // error at this point is lost only when post() was not called before.
    void close();
    bool isOpen() const;
    QString path() const { return path_; }
    QString fileName() const;
    bool readOnly() const { return access_ == DbfAccess::SharedReadOnly; }

    // Fields.
    int fieldCount() const;
    DbfField field(int index) const;
    QStringList fieldNames() const;
    // Position of a field by name, ignoring case; -1 when there is none.
    int fieldIndex(const QString& name) const;
    // Width of a field by name (what an edit may take); 0 when the table is
    // closed or has no such field.
    int fieldWidth(const QString& name) const;

    // Records by live position 0 .. recordCount()-1; deleted records are
    // skipped.
    int recordCount() const;
    // The text of a field: leading blanks kept, trailing blanks dropped (for
    // number fields both).  Raises FileError for a position out of range or
    // an unknown field name ("Feld NAME nicht gefunden").
    QString value(int record, int field) const;
    QString value(int record, const QString& fieldName) const;
    // The text of a field, or an empty text when the table has no such field.
    QString valueOrEmpty(int record, const QString& fieldName) const;
    // Writes the text into the field as it stands, cut to the field width;
    // number fields get it right-aligned.  The record is written to the file
    // by post(), by writing another record, or by close().  Raises FileError
    // for a read-only table, a position out of range or an unknown field.
    void setValue(int record, int field, const QString& text);
    void setValue(int record, const QString& fieldName, const QString& text);
    // Empties every field of the record from position firstField on.
    void clearFields(int record, int firstField, int lastField);

    // Writes the pending record and the header's record count to the file.
    // Every write of a table sets the header's date of the last update to
    // today, as dBase readers expect.
    void post();

    // Appends an empty record; its live position.
    int appendRecord();
    // Marks the record deleted; it disappears from the live positions.
    void deleteRecord(int record);
    // Removes deleted records from the file, in place and under the lock:
    // the header stays byte for byte apart from the record count and the
    // date of the last update, the file
    // ends in the end-of-file mark and is cut after it.
    void pack();

    // The raw bytes of a field as stored (no translation, blanks kept).
    QByteArray rawValue(int record, int field) const;

    // The whole file as it stands on disk, after what is pending was written;
    // with restore() it lets an operation of many steps undo itself.
    // Raises FileError.
    QByteArray snapshot();
    // The whole file as post() will leave it (the record being edited in
    // place, the record count), without writing anything; the header's date
    // of the last update is the one on disk.  Raises FileError.
    QByteArray pendingSnapshot();
    // Writes a snapshot back in place, under the lock, and reads the table
    // anew (also after a refused write).  Raises FileError.
    void restore(const QByteArray& file);
    // Gives the open table the name path (replacing a file there) while it
    // stays open and locked, so that nobody can open it between its old and
    // its new name.  Raises FileError.
    void renameTo(const QString& path);

private:
    struct Impl;
    Impl* d_;
    QString path_;
    DbfAccess access_ = DbfAccess::Exclusive;
    DbfTextBytes bytes_ = DbfTextBytes::Windows1252;
    std::vector<int> live_;   // physical record numbers of the live records

    void requireOpen() const;
    int physical(int record) const;
    int requireField(const QString& name) const;
    void requireWritable() const;
    void rebuildLive();
    void replaceContents(const QByteArray& file);
    void openHandle();
    // Writes the pending record and the header; raises FileError when the
    // stream reports a write error.
    void updateHeader();
    void discardRecordBuffer() const;
};

// "Die Datei %s ist beschädigt und wird nicht benutzt.": a table whose header
// or records do not hold what a table of its kind must.
QString DamagedTableMessage(const QString& path);

// The program's class table (the main window's table1): the open class.
DbfTable& ClassTable();

// True when another opener holds the table at path open (its lock is taken).
bool TableInUse(const QString& path);

// The lock an open class holds (DbfTable::open, exclusive), taken by the
// operations that replace a class as a whole or take it away (the imports,
// the year archive), so that they never act under the feet of another desk
// that has the class open: its later edits would be lost.  Held until the
// object goes.
class ClassTableLock {
public:
    // Tries to take the lock of the table at path.  A missing table (or one
    // that is no regular file) guards nothing and counts as held.
    explicit ClassTableLock(const QString& path);
    ~ClassTableLock();
    ClassTableLock(const ClassTableLock&) = delete;
    ClassTableLock& operator=(const ClassTableLock&) = delete;
    // False when another opener holds the class.
    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = true;
};

// "Die Klasse %1 ist in einem anderen Programm geöffnet und bleibt
// unverändert.": why a class that another program holds was not touched.
QString ClassInUseMessage(const QString& name);

// True when the file at path starts with a dBase header and is no longer
// than that header with kClassTableRecords records and the end mark, as
// every class table is; read from the header and the size alone, so that a
// huge file is refused before any of it is read.
bool ClassTableSizeFits(const QString& path);

// Converts a class table that came in from a stick, whose text the export
// stored with the family's bytes for the eight German letters, to plain
// Windows-1252, once.  Only the record data and the header's date of the
// last update change.
// Raises FileError.
void ConvertStickClassTable(const QString& path);

} // namespace hsa
