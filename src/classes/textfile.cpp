#include "classes/textfile.h"
#include "classes/storabletext.h"
#include "classes/fileops.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa {

namespace {

// Setting up a converter looks its name up in the codec library, which costs
// more than converting a whole grade file; each thread keeps one per code page.
// Stateless: each call converts a whole text, nothing carries over.
bool isCp850(const char* codec)
{
    return std::strcmp(codec, "IBM850") == 0;
}

QStringEncoder& encoderFor(const char* codec)
{
    thread_local QStringEncoder ansi("windows-1252", QStringConverter::Flag::Stateless);
    thread_local QStringEncoder dos("IBM850", QStringConverter::Flag::Stateless);
    return isCp850(codec) ? dos : ansi;
}

QStringDecoder& decoderFor(const char* codec)
{
    thread_local QStringDecoder ansi("windows-1252", QStringConverter::Flag::Stateless);
    thread_local QStringDecoder dos("IBM850", QStringConverter::Flag::Stateless);
    return isCp850(codec) ? dos : ansi;
}

QByteArray encodeWith(const char* codec, const QString& text)
{
    QStringEncoder& enc = encoderFor(codec);
    if (!enc.isValid())
        return text.toLatin1();
    QByteArray out = enc.encode(text);
    return out;
}

QString decodeWith(const char* codec, const QByteArray& bytes)
{
    QStringDecoder& dec = decoderFor(codec);
    if (!dec.isValid())
        return QString::fromLatin1(bytes);
    return dec.decode(bytes);
}

QList<QByteArray> splitLines(const QByteArray& data)
{
    // A line ends at CR LF, LF or a lone CR: a file saved by an editor that
    // ends its lines with CR alone must not read as one long line.
    QList<QByteArray> lines;
    const qsizetype n = data.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(data.mid(start));
    // A DOS end-of-file mark after the last line is no content.
    if (!lines.isEmpty() && lines.last() == "\x1a")
        lines.removeLast();
    return lines;
}

mode_t newFileMode()
{
    const mode_t m = ::umask(0);
    ::umask(m);
    return 0666 & ~m;
}

} // namespace

QByteArray ToWindows1252(const QString& text)
{
    return encodeWith("windows-1252", text);
}

QString FromWindows1252(const QByteArray& bytes)
{
    return decodeWith("windows-1252", bytes);
}

bool IsWindows1252(const QString& text)
{
    return FirstUnstorableCharacter(text).isEmpty();
}

QByteArray ToCp850(const QString& text)
{
    return encodeWith("IBM850", text);
}

QString FromCp850(const QByteArray& bytes)
{
    return decodeWith("IBM850", bytes);
}

QByteArray ReadFileBytes(const QString& path)
{
    // Not blocking on open: a pipe named like a data file must not hang the
    // program; only a regular file of sensible size is read at all.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw FileError::cannotOpen(path);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw FileError::cannotOpen(path);
    if (st.st_size > kMaxDataFileBytes)
        throw FileError(QStringLiteral("Datei %1 ist zu groß und wird nicht gelesen").arg(QDir::toNativeSeparators(path)));
    QByteArray data(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(fd, data.data() + done, static_cast<size_t>(data.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileError::cannotOpen(path);
        if (got == 0)
            break;   // the file got shorter meanwhile
        done += got;
    }
    data.truncate(done);
    return data;
}

QList<QByteArray> ReadRawLines(const QString& path)
{
    return splitLines(ReadFileBytes(path));
}

QStringList ReadTextLines(const QString& path)
{
    QStringList out;
    for (const QByteArray& l : ReadRawLines(path))
        out.append(FromWindows1252(l));
    return out;
}

QString ReadFirstLine(const QString& path)
{
    QStringList lines = ReadTextLines(path);
    return lines.isEmpty() ? QString() : lines.first();
}

void WriteRawLines(const QString& path, const QList<QByteArray>& lines)
{
    QByteArray data;
    for (const QByteArray& l : lines) {
        data.append(l);
        data.append("\r\n");
    }
    WriteFileAtomic(path, data);
}

void WriteTextLines(const QString& path, const QStringList& lines)
{
    QList<QByteArray> raw;
    raw.reserve(lines.size());
    for (const QString& l : lines)
        raw.append(ToWindows1252(l));
    WriteRawLines(path, raw);
}

void WriteFileAtomic(const QString& path, const QByteArray& data)
{
    const QFileInfo info(path);
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray tmpl = dir + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";

    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        throw FileError::cannotCreate(path);

    // Keep the permissions of the file that is replaced.
    struct stat st;
    if (::stat(target.constData(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    else
        ::fchmod(fd, newFileMode());

    bool ok = !FileStepFails(FileStep::Write) && WriteFully(fd, data.constData(), data.size());
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && (FileStepFails(FileStep::Rename) || ::rename(tmpl.constData(), target.constData()) != 0))
        ok = false;
    if (!ok) {
        ::unlink(tmpl.constData());
        throw FileError::cannotCreate(path);
    }
    int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

static QString findOneCI(const QString& dir, const QString& name, bool* found)
{
    QDir d(dir);
    if (d.exists(name)) {
        *found = true;
        return d.filePath(name);
    }
    const QStringList entries = d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name);
    for (const QString& e : entries) {
        if (e.compare(name, Qt::CaseInsensitive) == 0) {
            *found = true;
            return d.filePath(e);
        }
    }
    *found = false;
    return d.filePath(name);
}

QString FindFileCI(const QString& dir, const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = n.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return dir;
    QString cur = dir;
    for (int i = 0; i < parts.size(); ++i) {
        bool found = false;
        QString next = findOneCI(cur, parts[i], &found);
        if (!found) {
            // Keep the rest as given.
            QStringList rest = parts.mid(i + 1);
            rest.prepend(QFileInfo(next).fileName());
            return QDir(cur).filePath(rest.join(QLatin1Char('/')));
        }
        cur = next;
    }
    return cur;
}

bool FileExistsCI(const QString& dir, const QString& name)
{
    return QFileInfo::exists(FindFileCI(dir, name));
}

} // namespace hsa
