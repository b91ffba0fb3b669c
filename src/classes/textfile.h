#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files of the program folder and the class folders: Windows-1252 text
// with CR LF line ends, as the Windows program and the report-card program
// exchange them.  Every rewrite of a data file goes through WriteFileAtomic so
// that a crash never leaves half a file behind.
namespace hsa {

// Code page conversion.  Characters Windows-1252 cannot hold become "?".
QByteArray ToWindows1252(const QString& text);
QString FromWindows1252(const QByteArray& bytes);
// True when every character of text survives the trip to Windows-1252.
bool IsWindows1252(const QString& text);

// Code page 850 (the family's own files).
QByteArray ToCp850(const QString& text);
QString FromCp850(const QByteArray& bytes);

// The largest data file the program reads: its files are a few kilobytes,
// and a file far beyond that is no file of the program.
inline constexpr qint64 kMaxDataFileBytes = 16 * 1024 * 1024;

// Reads the whole file as lines.  Lines end in CR LF, LF or a lone CR; a last
// line without a line end counts; no empty line is added after a final line
// end.  Raises FileError ("Datei %s kann nicht geöffnet werden") when the
// file cannot be read or is no regular file (a pipe, a device), and ("Datei
// %s ist zu groß und wird nicht gelesen") beyond kMaxDataFileBytes.
QStringList ReadTextLines(const QString& path);
// Reads the raw bytes of every line (without the line ends).
QList<QByteArray> ReadRawLines(const QString& path);
// The first line of a file, or an empty text for an empty file.  Raises like
// ReadTextLines.
QString ReadFirstLine(const QString& path);

// Writes lines, each followed by CR LF, atomically.  Raises FileError.
void WriteTextLines(const QString& path, const QStringList& lines);
void WriteRawLines(const QString& path, const QList<QByteArray>& lines);

// Writes data to a temporary file in the same folder, flushes it to disk and
// renames it over path.  Raises FileError ("Datei %s kann nicht erstellt
// werden") and leaves an existing file untouched on failure.
void WriteFileAtomic(const QString& path, const QByteArray& data);

// Reads a whole file; raises FileError like ReadTextLines.
QByteArray ReadFileBytes(const QString& path);

// Case-insensitive lookup of name in folder dir: the path of the existing
// entry whose name equals name ignoring case (an exact match wins), or
// dir + "/" + name when there is none.  name may contain sub-folders
// ("doc/anlage.doc"), each looked up the same way.
QString FindFileCI(const QString& dir, const QString& name);
// True when FindFileCI finds an existing entry.
bool FileExistsCI(const QString& dir, const QString& name);

} // namespace hsa
