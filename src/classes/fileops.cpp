#include "classes/fileops.h"

#include "platform/errors.h"
#include "platform/programwide.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

namespace hsa {

namespace {

std::atomic<FileStepFaults*> g_faults{nullptr};

const ProgramWideReset resetFileStepFaults(ResetOrder::Objects, [] { SetFileStepFaults(nullptr); });

} // namespace

void SetFileStepFaults(FileStepFaults* faults)
{
    g_faults = faults;
}

bool FileStepFails(FileStep step)
{
    FileStepFaults* faults = g_faults.load(std::memory_order_relaxed);
    if (!faults || !faults->fails(step))
        return false;
    errno = ENOSPC;
    return true;
}

bool RenamePath(const QString& from, const QString& to)
{
    if (FileStepFails(FileStep::Rename))
        return false;
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool RemoveFile(const QString& path)
{
    if (FileStepFails(FileStep::Remove))
        return false;
    return std::remove(QFile::encodeName(path).constData()) == 0;
}

bool WriteFully(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t w = ::write(fd, data, static_cast<size_t>(size));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        data += w;
        size -= w;
    }
    return true;
}

QString FolderUnreadableMessage(const QString& folder)
{
    return QStringLiteral("Der Ordner %1 kann nicht gelesen werden.").arg(QDir::toNativeSeparators(folder));
}

QList<FolderEntry> ReadFolder(const QString& folder)
{
    QList<FolderEntry> out;
    if (folder.isEmpty())
        return out;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        if (errno == ENOENT || errno == ENOTDIR)
            return out;
        throw FileError(FolderUnreadableMessage(folder));
    }
    const auto closing = qScopeGuard([dir] { ::closedir(dir); });
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (e == nullptr) {
            if (errno != 0)
                throw FileError(FolderUnreadableMessage(folder));
            break;
        }
        const QByteArray raw(e->d_name);
        if (raw == "." || raw == "..")
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // An entry removed while the folder is listed is not in it.
            if (errno == ENOENT)
                continue;
            throw FileError(FolderUnreadableMessage(folder));
        }
        out.append({QFile::decodeName(raw), S_ISREG(st.st_mode), S_ISDIR(st.st_mode), S_ISLNK(st.st_mode),
                    qint64(st.st_size)});
    }
    std::sort(out.begin(), out.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const int ci = a.name.compare(b.name, Qt::CaseInsensitive);
        return ci != 0 ? ci < 0 : a.name < b.name;
    });
    return out;
}

bool IsRealFolder(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace hsa
