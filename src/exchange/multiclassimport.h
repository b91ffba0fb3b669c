#pragma once
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Exam classes made in one go from files another school program prepared,
// one file per class in the working folder, its umlauts in code page 850:
//   "hsa?9*.imp", "hsa?x*.imp"  five lines per student: surname, first name,
//                               class, birth date, birth place
//   "hsa?9*.sdf", "hsa?x*.sdf"  one line per student, the same five fields
//                               each in double quotes
// Characters 5 and 6 of the file name are the class code ("hsa_9a.imp" gives
// "9a"); the class table made is "9a_" + school year + "2.dbf", a copy of
// "start2.dbf" holding at most 38 students (records 39 and 40 are the swap
// row and the weighting record).
namespace hsa {

enum class ImportFormat { Line, Sdf };

inline const QString kImportLineMask = QStringLiteral("hsa?x*.imp;hsa?9*.imp");
inline const QString kImportSdfMask = QStringLiteral("hsa?x*.sdf;hsa?9*.sdf");
inline constexpr int kImportMaxStudents = 38;

// Code page 850 byte to its Windows-1252 byte for the letters of the table
// (ü é â ä à ê è Ä É ö ò ù Ö Ü á ó ú Á À È Ó ß Ò Ú Ù); every other byte stays.
char DosToAnsiChar(char c);
QByteArray DosToAnsiString(const QByteArray& text);

// Field n (1 to 5) of an SDF line: the text between quote 2n-1 and quote 2n;
// only the first ten quotes count, missing ones stand at the last quote (so
// their fields are empty); no quote gives empty fields.
QByteArray GetSdfField(int n, const QByteArray& line);

struct ImportStudent {
    QString last, first, klasse, birthDate, birthPlace;
};

// The students of a file's lines (raw bytes, line ends removed).
QList<ImportStudent> ParseImportLines(const QList<QByteArray>& lines, ImportFormat format);

// The longest line a prepared file holds: five fields of a class table.
inline constexpr int kImportMaxLineBytes = 255;

// Why the lines of file (raw bytes, line ends removed) are not a prepared
// file of the format, naming the file and the first line at fault; empty
// when they are.  Refused: an empty file or one without a complete student,
// a line with a NUL byte or another control character (random bytes, UTF-16
// text), UTF-8 text (a byte order mark, or the two-byte forms of the
// accented letters, which code page 850 never writes), a line longer than
// kImportMaxLineBytes, a file without any name, in the line format a last
// student cut short and, in the SDF format, a line that does not begin with
// a quote, holds an odd number of them or text outside its quoted fields.
// The end-of-file mark of DOS programs and blank lines at the end are no
// fault; a student without surname and a blank SDF line inside the file are
// students with empty fields.
QString ImportFileRefusal(const QString& file, const QList<QByteArray>& lines, ImportFormat format);

// "9a_21222.dbf" for "hsa_9a.imp" and "2122".
QString ImportTargetName(const QString& importFile, const QString& year);

enum class ImportResult {
    Imported,
    Skipped,   // refused or declined; told to the user, the next file follows
    Failed,    // a read or write error; told, the import ends
};

// Creates the class table target (in the working folder) from file.
ImportResult ImportClassFile(const QString& file, const QString& target, ImportFormat format);

// The two lists of the import dialog and its buttons.
class DualListModel {
public:
    // Fills the source list with the files of folder matching the format's
    // masks (sorted) and empties the destination list.
    void Refill(const QString& folder);
    // The format chosen by its text: one containing "ASCII" is the line
    // format, any other the SDF format.  Refills.
    void ChooseFormat(const QString& text, const QString& folder);
    ImportFormat format() const { return format_; }
    QString mask() const { return format_ == ImportFormat::Line ? kImportLineMask : kImportSdfMask; }

    // ">" and "<": the selected rows go to the end of the other list, the
    // last one first; returns the row to select in the list they left (-1
    // when it is empty).
    int Include(const QList<int>& selectedSourceRows);
    int Exclude(const QList<int>& selectedDestinationRows);
    // ">>" and "<<".
    void IncludeAll();
    void ExcludeAll();
    bool includeEnabled() const { return !source_.isEmpty(); }
    bool excludeEnabled() const { return !destination_.isEmpty(); }

    const QStringList& source() const { return source_; }
    const QStringList& destination() const { return destination_; }
    // An imported file leaves the destination list.
    void RemoveFromDestination(const QString& item) { destination_.removeOne(item); }

private:
    static int move(QStringList& from, QStringList& to, const QList<int>& rows, bool sortTarget);

    ImportFormat format_ = ImportFormat::Line;
    QStringList source_;
    QStringList destination_;
};

// The progress shown while the files are imported.
struct ImportProgress {
    std::function<void(const QString& label)> label;     // "" hides it
    std::function<void(const QString& created)> created;
};

// "Import  starten": asks the school year (four digits by the rule of new
// classes; Cancel ends without change) and imports each file of the
// destination list in order.  Returns the class tables made; nullopt when
// the school year was cancelled.
std::optional<QStringList> RunMultiClassImport(DualListModel& model, const QDate& today,
                                               const ImportProgress& progress = {});

// The texts of the dialog.
QString MultiClassImportHelpText();
QString MultiClassImportClosingText();

// The hidden menu entry "anlegen mit Import aus einer ASCII- oder SDF-Datei":
// true when the dialog may be shown (no class open; the hint given).
bool PrepareMultiClassImport();

} // namespace hsa
